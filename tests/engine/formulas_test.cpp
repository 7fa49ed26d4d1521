// The iteration formulas, one and two steps at a time. Expected values come
// from a separate calculation that rounds every scalar operation to a 64-bit
// mantissa and follows each formula's operation list; they are written as hex
// literals so that the algebraic formulas are checked bit for bit. The
// transcendental ones depend on the maths library's last bits and are
// checked to a few units in the last place.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "formula_log.hpp"
#include "formula_table.hpp"
#include "formulas.hpp"
#include "lane_column.hpp"
#include "pixel.hpp"
#include "run_context.hpp"

namespace velmora {
namespace {

struct FormulaCase {
    int kind;
    int ffunc;
    Complex z, c;
    Complex a, b, coefC;  // formula 0 only
    Complex afterOne, afterTwo;
    bool transcendental;
};

// clang-format off
const std::vector<FormulaCase> kFormulaCases = {
    {0, 0, {0.7L, -0.4L}, {0.3L, 0.55L}, {1.2L, 0.3L}, {-0.35L, 0.8L}, {0.9L, -0.15L},
     {-0x6ACF7119BA2C923Dp-64L, 0x9B6E0BF2DD1C7D7p-64L}, {-0x236E82F4EBE3EE1Dp-60L, 0x49650E02EB6831CBp-60L}, false},
    // b / z^2 is 0 at z = 0, so the first step gives c * coefC.
    {0, 0, {0.0L, 0.0L}, {0.3L, 0.55L}, {1.2L, 0.3L}, {-0.35L, 0.8L}, {0.9L, -0.15L},
     {0x5A3D70A3D70A3D71p-64L, 0x7333333333333333p-64L}, {0x59810ADDAC4D5F49p-61L, 0xA16664931EF78A9Fp-63L}, false},
    {1, 0, {0.6L, 0.8L}, {0.1L, -0.2L}, {}, {}, {},
     {-0xF054938DDD7FB417p-64L, -0xA49EAA36BEB2CA41p-63L}, {-0x430F3D5185E60549p-60L, -0x29B97DAADF482D41p-60L}, true},
    // Third quadrant of the angle table.
    {1, 0, {-0.5L, -0.25L}, {0.1L, 0.2L}, {}, {}, {},
     {0x50DDB29AC196A237p-63L, 0x4E75E62BBC3676BFp-62L}, {-0xC8251294075B9063p-63L, -0x4299701353714F81p-60L}, true},
    // The positive imaginary axis: angle pi/2.
    {1, 0, {0.0L, 1.5L}, {0.1L, 0.2L}, {}, {}, {},
     {0xA7B06866F5513BFBp-61L, -0x9F77CD9400C20367p-63L}, {-0x465D1F7194283731p-50L, 0x1CE9AFA5C3C58451p-53L}, true},
    {2, 0, {0.5L, 0.3L}, {1.1L, 0.2L}, {}, {}, {},
     {0x1FDC71AEA42717C5p-62L, 0xC9D45AE29B1AB29Dp-65L}, {0xFDB6F7FE71BFA531p-65L, 0x1F9CE3BD84F1390Dp-62L}, true},
    {3, 0, {0.3L, -0.7L}, {-0.775L, 0.25L}, {}, {}, {},
     {-0x4B33333333333333p-62L, -0x2B851EB851EB851Fp-64L}, {0x49D21FF2E48E8A71p-63L, 0xA645A1CAC083126Fp-64L}, false},
    // The dialog's Julia constant at the plane point 0: the first step gives c.
    {3, 0, {0.0L, 0.0L}, {-0.775L, 0.25L}, {}, {}, {},
     {-0.775L, 0.25L}, {-0x3CA3D70A3D70A3D7p-64L, -0x2333333333333333p-64L}, false},
    {4, 0, {0.45L, 0.6L}, {-0.5L, 0.1L}, {}, {}, {},
     {-0xE516872B020C49BBp-64L, 0x7F3B645A1CAC083p-61L}, {-0x4340E31D6C551B6Fp-62L, 0xAE80BD521F4B639Bp-64L}, false},
    // z^7 through z^2, z^4 and z^6; another grouping differs in the last bits.
    {5, 0, {0.9L, 0.35L}, {0.2L, -0.3L}, {}, {}, {},
     {-0xF059D07E3235067p-61L, 0x365B7B726725A901p-65L}, {0xCCB7091D80736F2Bp-66L, -0x25A265D9C9A24F7p-59L}, false},
    {6, 0, {0.4L, 0.7L}, {0.1L, 0.2L}, {}, {}, {},
     {-0x5D62DE18C4845D63p-64L, -0x9A4A4D8D18289A4Bp-63L}, {-0x75B3035CE035725p-60L, -0x3412BC5F442A11EFp-63L}, false},
    {6, 1, {0.4L, 0.7L}, {0.1L, 0.2L}, {}, {}, {},
     {-0xCADD262B6E9F258Fp-65L, -0x456DE91939F06D55p-62L}, {-0x49521C2A335E50A1p-63L, -0xAF796602BCEE25D7p-65L}, true},
    {6, 2, {0.4L, 0.7L}, {0.1L, 0.2L}, {}, {}, {},
     {0x62ABB55EE4B276D3p-63L, -0x767CA62CB9AEFA87p-66L}, {0xA4A373F3FE59107Dp-63L, 0x5C32699F6433E085p-68L}, true},
    // An f beyond cos acts as the identity.
    {6, 7, {0.4L, 0.7L}, {0.1L, 0.2L}, {}, {}, {},
     {-0x5D62DE18C4845D63p-64L, -0x9A4A4D8D18289A4Bp-63L}, {-0x75B3035CE035725p-60L, -0x3412BC5F442A11EFp-63L}, false},
    // 1/sin(0): the division rule gives 0 and the orbit stays at 0.
    {6, 1, {0.0L, 0.0L}, {0.0L, 0.0L}, {}, {}, {}, {0.0L, 0.0L}, {0.0L, 0.0L}, false},
    {7, 0, {0.3L, 0.6L}, {0.25L, -0.1L}, {}, {}, {},
     {-0x4555555555555555p-62L, -0xF05B05B05B05B05Bp-63L}, {0x92EF5F25DE8398FDp-66L, -0x91836C8EC3629B99p-65L}, false},
    // 1/0 = 0: z1 = c without a fault.
    {7, 0, {0.0L, 0.0L}, {0.25L, -0.1L}, {}, {}, {},
     {0.25L, -0.1L}, {0x28F3D2F2E92B8775p-58L, 0x96998A03C6492D79p-60L}, false},
    {8, 0, {0.3L, 0.6L}, {0.2L, 0.1L}, {}, {}, {},
     {-0xE065BA1014F199E7p-65L, -0xA39F8256649AD58Bp-63L}, {-0xA338EB6A0F72B771p-64L, -0x44D3F6C69533C49Dp-64L}, false},
    {8, 0, {0.2L, 0.3L}, {-0.2L, -0.3L}, {}, {}, {},
     {0.0L, 0.0L}, {-0x5EACAFB74A398FE7p-61L, -0x719C060F25DEACAFp-60L}, false},
    {9, 0, {0.7L, -0.2L}, {0.1L, 0.1L}, {}, {}, {},
     {0x75BD7FF7C4A9D9C7p-62L, 0x8158DD914D01EEB3p-62L}, {0xF933F24CFE4DB0F9p-68L, 0x242108B0D2DC27D1p-65L}, false},
    {10, 0, {0.7L, -0.2L}, {0.1L, 0.1L}, {}, {}, {},
     {0x8C8BB73EBBFB6BCDp-62L, 0x48D14D1CF0035517p-62L}, {0x987775B3567EA703p-70L, -0x2140654629BA6465p-65L}, false},
    {11, 0, {0.5L, -0.4L}, {1.3L, 0.1L}, {}, {}, {},
     {0x9B591B593FCF3B47p-63L, 0x2CE97EEFBB0F6079p-63L}, {0x4215D19FFE842CA3p-63L, -0xCC4FB8B47A8BA2D7p-65L}, true},
    {12, 0, {0.3L, 0.9L}, {0.6L, -0.2L}, {}, {}, {},
     {0xB7057E190C854CC1p-64L, 0x1DDCF5A310D796DBp-62L}, {0xA3BD957BE7553CA3p-63L, 0x5F8C2F7D2583F89Fp-65L}, true},
    {13, 0, {0.4L, 1.2L}, {0.1L, 0.3L}, {}, {}, {},
     {0x7F67DD0CA963736Fp-65L, 0x53AFBF1020C5079p-58L}, {0xA9613262D12E665Dp-66L, 0x52EB51752465A60Dp-62L}, true},
    {14, 0, {0.4L, 1.2L}, {0.8L, 0.2L}, {}, {}, {},
     {0xF57BD918993B5115p-64L, 0x4C949D2BC1914439p-62L}, {0x75E9E48115460F37p-63L, 0xE1D9217C1EE91D59p-65L}, true},
    // The second pass uses the first half-step of the first pass.
    {15, 0, {0.35L, -0.45L}, {-0.6L, 0.2L}, {}, {}, {},
     {-0xE5AEE631F8A0903p-64L, 0xF295E9E1B089A027p-66L}, {0x370BFC902C5F5E63p-64L, 0x9C3873C473B0D4F9p-67L}, false},
    {16, 0, {0.6L, 0.9L}, {}, {}, {}, {},
     {0x12964A36B08BDACBp-62L, 0x56469F7DA915A50Bp-64L}, {-0x70EA443349D75B3p-63L, -0xB8727CE5C60E441p-59L}, false},
    // 1 is a root: M = 0 and z stays.
    {16, 0, {1.0L, 0.0L}, {}, {}, {}, {}, {1.0L, 0.0L}, {1.0L, 0.0L}, false},
    // Kinds without a formula leave z as it is.
    {18, 0, {0.3L, -0.7L}, {0.1L, 0.1L}, {}, {}, {}, {0.3L, -0.7L}, {0.3L, -0.7L}, false},
    {255, 0, {5.0L, 2.0L}, {0.1L, 0.1L}, {}, {}, {}, {5.0L, 2.0L}, {5.0L, 2.0L}, false},
};
// clang-format on

RunContext ContextFor(const FormulaCase& fc) {
    RunContext rc;
    rc.FunctionKind = static_cast<uint8_t>(fc.kind);
    rc.ffunc = static_cast<uint8_t>(fc.ffunc);
    rc.coefA = fc.a;
    rc.coefB = fc.b;
    rc.coefC = fc.coefC;
    return rc;
}

OrbitState StartAt(const FormulaCase& fc) {
    OrbitState o = OrbitState::Reset(fc.z.re, fc.z.im);
    o.c = fc.c;
    return o;
}

void ExpectComplex(const Complex& got, const Complex& want, bool approximate, const char* what) {
    if (!approximate) {
        EXPECT_EQ(got.re, want.re) << what;
        EXPECT_EQ(got.im, want.im) << what;
        return;
    }
    // A few units in the last place of the larger part.
    const long double scale = std::fmax(std::fmax(fabsl(want.re), fabsl(want.im)), 1e-300L);
    const long double tolerance = scale * 0x1p-58L;
    EXPECT_NEAR(static_cast<double>((got.re - want.re) / tolerance), 0.0, 1.0) << what << " re";
    EXPECT_NEAR(static_cast<double>((got.im - want.im) / tolerance), 0.0, 1.0) << what << " im";
}

TEST(FormulaStep, EveryKindMatchesTheIndependentCalculation) {
    for (const FormulaCase& fc : kFormulaCases) {
        SCOPED_TRACE(testing::Message() << "kind " << fc.kind << " ffunc " << fc.ffunc << " z " << (double)fc.z.re
                                        << "," << (double)fc.z.im);
        const RunContext rc = ContextFor(fc);
        OrbitState o = StartAt(fc);
        ClearFloatFaults();
        ASSERT_NO_THROW(FormulaStep<StepCheck>(o, rc));
        ExpectComplex(o.z, fc.afterOne, fc.transcendental, "first step");
        ASSERT_NO_THROW(FormulaStep<StepCheck>(o, rc));
        ExpectComplex(o.z, fc.afterTwo, fc.transcendental, "second step");
        // The constant is never touched by a step.
        EXPECT_EQ(o.c, fc.c);
    }
}

TEST(FormulaStep, PokornyFirstPassSavesTheFirstHalfStep) {
    // z0^2 - z0/2 + c for z0 = 0.35 - 0.45i, c = -0.6 + 0.2i.
    RunContext rc;
    rc.FunctionKind = kFormulaPokorny;
    OrbitState o = OrbitState::Reset(0.35L, -0.45L);
    o.c = {-0.6L, 0.2L};
    FormulaStep<StepCheck>(o, rc);
    EXPECT_EQ(o.pokornyZ.re, -0x1B5C28F5C28F5C29p-61L);
    EXPECT_EQ(o.pokornyZ.im, 0x70A3D70A3D70A3D7p-66L);
}

TEST(FormulaStep, ZPowZIsRealOnTheNegativeRealAxis) {
    // Log(-2) has angle 0 here, so (-2)^(-2) = 0.25 exactly real and
    // z1 = 0.25 + 16 + 2 = 18.25 with no imaginary part at all.
    RunContext rc;
    rc.FunctionKind = kFormulaZPowZ;
    OrbitState o = OrbitState::Reset(-2.0L, 0.0L);
    o.c = {0.0L, 0.0L};
    FormulaStep<StepCheck>(o, rc);
    EXPECT_EQ(o.z.im, 0.0L);
    EXPECT_NEAR(static_cast<double>(o.z.re), 18.25, 1e-15);
}

struct AngleCase {
    long double x, y, angle;
};

TEST(FormulaLog, AngleTableBySigns) {
    const AngleCase cases[] = {
        {0.0L, 2.0L, 1.570796326794896619231322L},    {0.0L, -2.0L, -1.570796326794896619231322L},
        {0.0L, 0.0L, -1.570796326794896619231322L},   {3.0L, 4.0L, 0.9272952180016122324285125L},
        {3.0L, -4.0L, -0.9272952180016122324285125L}, {-3.0L, 4.0L, 2.214297435588181006034131L},
        {-3.0L, -4.0L, -2.214297435588181006034131L}, {-3.0L, 0.0L, 0.0L},
        {3.0L, 0.0L, 0.0L},
    };
    for (const AngleCase& c : cases) {
        const long double got = formula::LogAngle<StepCheck>(c.x, c.y);
        EXPECT_LE(fabsl(got - c.angle), 0x1p-61L) << c.x << "," << c.y << " gave " << (double)got;
    }
    ClearFloatFaults();
}

TEST(FormulaLog, LogOfZeroIsADivisionByZero) {
    ClearFloatFaults();
    Complex w{7.0L, 7.0L};
    try {
        formula::CLog<StepCheck>(Complex{0.0L, 0.0L}, w);
        FAIL() << "no fault";
    } catch (const FaultError& e) {
        EXPECT_EQ(e.kind(), FaultKind::FloatZeroDivide);
    }
    EXPECT_EQ(w, (Complex{7.0L, 7.0L}));
}

struct FaultCase {
    int kind;
    Complex z;
    FaultKind fault;
    Complex zAfter;  // z as the fault left it
};

TEST(FormulaStep, FaultsStopAtTheOperationThatFailed) {
    const FaultCase cases[] = {
        // x^2 - y^2 = 0 is stored, then 2xy overflows: z is half-written.
        {kFormulaZ2, {1e2466L, 1e2466L}, FaultKind::FloatOverflow, {0.0L, 1e2466L}},
        // x^2 overflows before anything is stored.
        {kFormulaZ2, {1e3000L, 0.0L}, FaultKind::FloatOverflow, {1e3000L, 0.0L}},
        // e^z underflows to 0 and its reciprocal is 0/0.
        {kFormulaSinh, {-12000.0L, 0.0L}, FaultKind::FloatInvalid, {-12000.0L, 0.0L}},
        {kFormulaCTanh, {-12000.0L, 0.0L}, FaultKind::FloatInvalid, {-12000.0L, 0.0L}},
        // e^x of the combined operation overflows even though only sin is used.
        {kFormulaCSin, {20000.0L, 0.0L}, FaultKind::FloatOverflow, {20000.0L, 0.0L}},
        // Log 0.
        {kFormulaZPowZ, {0.0L, 0.0L}, FaultKind::FloatZeroDivide, {0.0L, 0.0L}},
        // cexp takes its exponential from the combined operation, whose e^y
        // overflows on a large imaginary part.
        {kFormulaCExp, {0.0L, 20000.0L}, FaultKind::FloatOverflow, {0.0L, 20000.0L}},
    };
    for (const FaultCase& fc : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << fc.kind);
        RunContext rc;
        rc.FunctionKind = static_cast<uint8_t>(fc.kind);
        OrbitState o = OrbitState::Reset(fc.z.re, fc.z.im);
        o.c = {0.25L, 0.25L};
        ClearFloatFaults();
        try {
            FormulaStep<StepCheck>(o, rc);
            ADD_FAILURE() << "no fault";
        } catch (const FaultError& e) {
            EXPECT_EQ(e.kind(), fc.fault);
        }
        EXPECT_EQ(o.z, fc.zAfter);
        ClearFloatFaults();
    }
}

// Pixels on a grid of 1/64 plane units, centred on 0.
RunContext GridContext(int kind) {
    RunContext rc;
    rc.siz = 200;
    rc.sizy = 150;
    rc.step = 0.015625L;
    rc.FunctionKind = static_cast<uint8_t>(kind);
    rc.StalkType = kStalkNone;
    rc.miter = 50;
    rc.maxmod = 4.0L;
    rc.p3 = 1.0L;
    return rc;
}

TEST(FormulaStep, SinhAndTanhUseTheInlineExponential) {
    // The inline form never looks at e^y, so a large imaginary part is fine
    // where the combined operation would overflow.
    for (const int kind : {kFormulaSinh, kFormulaCTanh}) {
        RunContext rc;
        rc.FunctionKind = static_cast<uint8_t>(kind);
        OrbitState o = OrbitState::Reset(0.0L, 20000.0L);
        o.c = {0.25L, 0.25L};
        ClearFloatFaults();
        EXPECT_NO_THROW(FormulaStep<StepCheck>(o, rc)) << "kind " << kind;
        ClearFloatFaults();
    }
}

TEST(FormulaPixel, FormulaOutcomesThroughTheColourRules) {
    struct Case {
        const char* what;
        int kind, ffunc;
        bool mandelbrot;
        long double maxmod;
        int col, row;
        FaultKind fault;
        int64_t steps;
        int colour;
    };
    const Case cases[] = {
        // 1/sin(z*z + c) at the Mandelbrot point 0 stays at 0: the interior.
        {"1/sin at 0", kFormulaRecipF, kFfuncSin, true, 50.0L, 100, 75, FaultKind::None, 50, 181},
        // Beyond the bailout from the start: escaped after one step,
        // MulDiv(180, 48, 50) = 173.
        {"unknown kind outside", 200, 0, false, 1.0L, 0, 0, FaultKind::None, 1, 173},
        {"unknown kind inside", 200, 0, false, 1.0L, 100, 75, FaultKind::None, 50, 181},
        // A fault at the first step colours like an escape with iteration 1:
        // MulDiv(180, 49, 50) = 176.
        {"sinh underflow", kFormulaSinh, 0, false, 200.0L, 100, 75, FaultKind::FloatInvalid, 0, 176},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunContext rc = GridContext(c.kind);
        rc.ffunc = static_cast<uint8_t>(c.ffunc);
        rc.mandelbrot = c.mandelbrot;
        rc.maxmod = c.maxmod;
        if (c.fault != FaultKind::None) rc.xce = -12000.0L;
        const PixelOutcome out = ComputePixel(rc, c.col, c.row);
        EXPECT_EQ(out.orbitFault, c.fault);
        EXPECT_EQ(out.colourFault, FaultKind::None);
        EXPECT_EQ(out.steps, c.steps);
        EXPECT_EQ(out.colour, ColourValue::Index(c.colour));
    }
}

TEST(FormulaPixel, FastPathEqualsCheckedPathForEveryKind) {
    // A coarse grid over the usual view, and a second one far out on the
    // negative real axis where the exponential formulas fault.
    for (const long double centre : {0.0L, -12000.0L}) {
        // Every record but the custom one (its evaluator is tested with its
        // compiler), and two values no record has.
        std::vector<int> kinds;
        for (const FormulaRecord& r : kFormulas)
            if (r.kind != kFormulaCustom) kinds.push_back(r.kind);
        kinds.insert(kinds.end(), {kHighestFormulaKind + 1, 255});
        for (const int kind : kinds) {
            for (const bool mandelbrot : {false, true}) {
                RunContext rc = GridContext(kind);
                rc.siz = 24;
                rc.sizy = 18;
                rc.step = 4.0L / 24;
                rc.xce = centre;
                rc.cx = -0.775L;
                rc.cy = 0.25L;
                rc.coefA = {1.0L, 0.0L};
                rc.coefB = {0.1L, 0.0L};
                rc.coefC = {1.0L, 0.0L};
                rc.mandelbrot = mandelbrot;
                rc.maxmod = 20.0L;
                for (int col = 0; col < rc.siz; ++col)
                    for (int row = 0; row < rc.sizy; ++row) {
                        const PixelOutcome a = ComputePixel(rc, col, row);
                        const PixelOutcome b = ComputePixelChecked(rc, col, row);
                        ASSERT_EQ(a.colour, b.colour) << "kind " << kind << " at " << col << "," << row;
                        ASSERT_EQ(a.orbitFault, b.orbitFault) << "kind " << kind;
                        ASSERT_EQ(a.steps, b.steps) << "kind " << kind;
                        ASSERT_EQ(a.orbit.z, b.orbit.z) << "kind " << kind;
                    }
            }
        }
    }
}

}  // namespace
}  // namespace velmora
