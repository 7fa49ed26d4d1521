#include "custom_eval.hpp"

#include <gtest/gtest.h>

#include <complex>
#include <string>
#include <vector>

#include "custom_compiler.hpp"
#include "custom_program.hpp"
#include "pixel.hpp"

namespace velmora {
namespace {

using StdComplex = std::complex<long double>;

struct Program {
    std::array<uint8_t, kCustomCodeCapacity> code{};
    uint8_t length = 0;
};

Program Compiled(const std::string& formula) {
    Program p;
    const FormulaDiagnosis d = CompileFormula("(" + formula + ")", p.code, p.length);
    EXPECT_TRUE(d.ok()) << formula;
    return p;
}

Program Raw(const std::vector<uint8_t>& codes, int length = -1) {
    Program p;
    for (size_t i = 0; i < codes.size(); ++i) p.code[i] = codes[i];
    p.length = static_cast<uint8_t>(length < 0 ? static_cast<int>(codes.size()) : length);
    return p;
}

RunContext Context(const Program& p) {
    RunContext rc;
    rc.FunctionKind = kFormulaCustom;
    rc.CustomCode = p.code.data();
    rc.CustomCodeLength = p.length;
    rc.u = Complex{0.5L, -1.25L};
    rc.v = Complex{2.0L, 0.0L};
    rc.w = Complex{-3.0L, 0.75L};
    return rc;
}

template <class G = StepCheck>
Complex Step(const Program& p, Complex z, Complex c = {}) {
    const RunContext rc = Context(p);
    OrbitState o = OrbitState::Reset(z.re, z.im);
    o.c = c;
    ClearFloatFaults();
    CustomStep<G>(o, rc);
    return o.z;
}

// The fault a checked step raises, or None.
FaultKind StepFault(const Program& p, Complex z) {
    try {
        Step(p, z);
    } catch (const FaultError& e) {
        ClearFloatFaults();
        return e.kind();
    }
    return FaultKind::None;
}

StdComplex Std(Complex z) { return {z.re, z.im}; }

TEST(CustomEval, ExactResults) {
    struct Case {
        const char* formula;
        Complex z, c, expected;
    };
    const Complex zero{};
    const std::vector<Case> cases = {
        {"z*z+0", {1.5L, -0.5L}, zero, {2.0L, -1.5L}},           // the digit 0 is 0 + 0i
        {"z^2", {-1.0L, 0.0L}, zero, {1.0L, 0.0L}},              // Log(-1) has angle 0 here
        {"1^2", zero, zero, {1.0L, 0.0L}},
        {"sqr(z)", zero, zero, zero},
        {"1/z", zero, zero, zero},                               // division by zero gives 0
        {"sqrt(z)", {-4.0L, 0.0L}, zero, {2.0L, 0.0L}},          // w^2 = -x + iy
        {"sqrt(z)", {0.0L, 2.0L}, zero, {1.0L, 1.0L}},
        {"atna(z)+c", {0.5L, 0.25L}, {-0.75L, 0.25L}, {-0.25L, 0.5L}},
        {"z-c-1", {5.0L, 1.0L}, {1.0L, 2.0L}, {3.0L, -1.0L}},    // (z-c)-1
        {"u*v-w", zero, zero, {4.0L, -3.25L}},                   // (1 - 2.5i) - (-3 + 0.75i)
        {"9-8/2", zero, zero, {5.0L, 0.0L}},
        {"z^0", {0.25L, -7.0L}, zero, {1.0L, 0.0L}},
    };
    for (const Case& c : cases) {
        const Complex r = Step(Compiled(c.formula), c.z, c.c);
        EXPECT_EQ(r.re, c.expected.re) << c.formula;
        EXPECT_EQ(r.im, c.expected.im) << c.formula;
    }
}

TEST(CustomEval, FunctionsAgainstTheirDefinitions) {
    const Complex z{0.3L, -0.4L};
    const Complex c{-0.775L, 0.25L};
    const StdComplex sz = Std(z), sc = Std(c);
    struct Case {
        const char* formula;
        StdComplex expected;
    };
    const std::vector<Case> cases = {
        {"z*z+sin(c)", sz * sz + std::sin(sc)},
        {"cos(z)", std::cos(sz)},
        {"tan(z)", std::tan(sz)},
        {"exp(z)", std::exp(sz)},
        {"sinh(z)", std::sinh(sz)},
        {"cosh(z)", std::cosh(sz)},
        {"tanh(z)", std::tanh(sz)},
        {"z^2^3", std::pow(sz, 6.0L)},
        {"sin(z)^2", std::sin(sz) * std::sin(sz)},
        {"z^c", std::exp(sc * std::log(sz))},  // off the negative real axis Log is the principal one
        {"sqrt(z)", std::sqrt(-std::conj(sz))},  // w^2 = -x + iy
    };
    for (const Case& k : cases) {
        const Complex r = Step(Compiled(k.formula), z, c);
        EXPECT_NEAR(r.re, k.expected.real(), 1e-17L) << k.formula;
        EXPECT_NEAR(r.im, k.expected.imag(), 1e-17L) << k.formula;
    }
}

TEST(CustomEval, LogAngleInEveryQuadrant) {
    // z^1 = exp(Log z) returns z everywhere except on the negative real axis.
    const Program p = Compiled("z^1");
    const std::vector<Complex> points = {{1, 2}, {-1, 2}, {-1, -2}, {1, -2}, {0, 2}, {0, -2}, {3, 0}, {1e-3L, -5}};
    for (const Complex& z : points) {
        const Complex r = Step(p, z);
        EXPECT_NEAR(r.re, z.re, 1e-17L) << z.re << "," << z.im;
        EXPECT_NEAR(r.im, z.im, 1e-17L) << z.re << "," << z.im;
    }
    // The whole real axis has angle 0, so the negative axis folds onto the positive.
    const Complex r = Step(p, {-3, 0});
    EXPECT_NEAR(r.re, 3.0L, 1e-17L);
    EXPECT_EQ(r.im, 0.0L);
}

TEST(CustomEval, Faults) {
    struct Case {
        const char* what;
        Program program;
        Complex z;
        FaultKind fault;
    };
    std::vector<uint8_t> pushes20(20, kTokenZ), pushes21(21, kTokenZ);
    std::vector<uint8_t> atnas(50, kTokenAtna);
    atnas[0] = kTokenZ;
    const std::vector<Case> cases = {
        {"z^2 at 0", Compiled("z^2"), {0, 0}, FaultKind::FloatZeroDivide},
        {"sqrt at 4", Compiled("sqrt(z)"), {4, 0}, FaultKind::FloatInvalid},
        {"sqrt at 0", Compiled("sqrt(z)"), {0, 0}, FaultKind::FloatInvalid},
        {"exp overflow", Compiled("exp(z)"), {20000, 0}, FaultKind::FloatOverflow},
        {"sin overflows through exp", Compiled("sin(z)"), {20000, 0}, FaultKind::FloatOverflow},
        {"sinh of an underflowed exp", Compiled("sinh(z)"), {-20000, 0}, FaultKind::FloatInvalid},
        {"21 pushes", Raw(pushes21), {1, 0}, FaultKind::RangeCheck},
        {"20 pushes", Raw(pushes20), {1, 0}, FaultKind::None},
        {"operator on one value", Raw({kTokenZ, kTokenPlus}), {1, 0}, FaultKind::RangeCheck},
        {"operator on nothing", Raw({kTokenTimes}), {1, 0}, FaultKind::RangeCheck},
        {"function on nothing", Raw({kTokenSin}), {1, 0}, FaultKind::RangeCheck},
        {"empty program", Raw({}), {1, 0}, FaultKind::RangeCheck},
        {"nothing codes on nothing", Raw({kTokenOpen, kTokenAtna, 200}), {1, 0}, FaultKind::RangeCheck},
        {"50 codes", Raw(atnas), {1, 0}, FaultKind::None},
        {"length beyond the code", Raw(atnas, 51), {1, 0}, FaultKind::RangeCheck},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StepFault(c.program, c.z), c.fault) << c.what;
        // Exactly the programs that can never meet a range fault compile
        // for the fast kernel; the others stay with the interpreter.
        CustomProgram compiled;
        EXPECT_EQ(CompileCustomProgram(c.program.code.data(), c.program.length, compiled),
                  c.fault != FaultKind::RangeCheck)
            << c.what;
    }
}

TEST(CustomEval, CompiledProgramsGiveTheInterpretersBits) {
    const char* formulas[] = {"z*z+c", "z^(c+u)-w/z", "sin(z)*cos(c)+tan(z)", "exp(sqr(z))-sqrt(z+v)",
                              "sinh(z)+cosh(c)*tanh(z)", "atna(z)+9-8*u", "c", "(z)", "sin(c)*z+sin(c)",
                              "exp(c*u)"};
    const Complex zs[] = {{0.25L, -0.75L}, {-1.5L, 0.125L}, {0, 0.5L}, {-3, 0.5L}};
    const Complex c{-0.375L, 0.625L};
    for (const char* formula : formulas) {
        const Program p = Compiled(formula);
        CustomProgram program;
        ASSERT_TRUE(CompileCustomProgram(p.code.data(), p.length, program)) << formula;
        CustomLaneValues<4> lanes;
        lanes.setConstants(Context(p).u, Context(p).v, Context(p).w);
        for (int l = 0; l < 4; ++l) {
            lanes.value[kSlotZ][l] = zs[l];
            lanes.value[kSlotC][l] = c;
            RunCustomInvariants(program, lanes, l);
        }
        // Two steps: what was made once per orbit is still there.
        for (int step = 0; step < 2; ++step) {
            Complex expected[4];
            for (int l = 0; l < 4; ++l) expected[l] = Step<NoCheck>(p, lanes.value[kSlotZ][l], c);
            RunCustomProgram(program, lanes);
            for (int l = 0; l < 4; ++l) EXPECT_EQ(lanes.value[kSlotZ][l], expected[l]) << formula << " lane " << l;
        }
    }
}

TEST(CustomEval, FaultsLeaveZAsItWas) {
    const Program p = Raw({kTokenZ, kTokenZ, kTokenPlus, kTokenZ, kTokenPlus, kTokenPlus});
    const RunContext rc = Context(p);
    OrbitState o = OrbitState::Reset(1.0L, 2.0L);
    EXPECT_THROW(CustomStep<StepCheck>(o, rc), FaultError);
    EXPECT_EQ(o.z, (Complex{1.0L, 2.0L}));
    // The fast path stops at a malformed program too; arithmetic faults it
    // leaves in the status flags.
    EXPECT_THROW(CustomStep<NoCheck>(o, rc), FaultError);
    ClearFloatFaults();
    Step<NoCheck>(Compiled("z^2"), {0, 0});
    EXPECT_TRUE(FloatFaultPending());
    ClearFloatFaults();
}

TEST(CustomEval, UnusedCodesDoNothing) {
    const Complex r = Step(Raw({kTokenZ, kTokenOpen, kTokenClose, kTokenAtna, 32, 255, kTokenC, kTokenPlus}),
                           {1.0L, 2.0L}, {3.0L, 4.0L});
    EXPECT_EQ(r, (Complex{4.0L, 6.0L}));
    // Whatever is left below the top is dropped.
    EXPECT_EQ(Step(Raw({kTokenU, kTokenV, kTokenW}), {}), (Complex{-3.0L, 0.75L}));
}

// Whole pixels: the custom z*z+c does exactly the arithmetic of the built-in
// z^2+c, so every outcome matches; the fast and the checked path agree on
// programs that fault.
RunContext PixelContext(bool mandelbrot) {
    RunContext rc;
    rc.siz = 16;
    rc.sizy = 12;
    rc.step = 3.3L / 16;
    rc.mandelbrot = mandelbrot;
    rc.cx = -0.775L;
    rc.cy = 0.25L;
    rc.miter = 60;
    rc.maxmod = 4.0L;
    rc.StalkType = kStalkNone;
    rc.p3 = 1.0L;
    return rc;
}

void ExpectSameOutcome(const PixelOutcome& a, const PixelOutcome& b, const std::string& where) {
    EXPECT_EQ(a.colour, b.colour) << where;
    EXPECT_EQ(a.px, b.px) << where;
    EXPECT_EQ(a.py, b.py) << where;
    EXPECT_EQ(a.orbitFault, b.orbitFault) << where;
    EXPECT_EQ(a.steps, b.steps) << where;
    EXPECT_EQ(a.orbit.z, b.orbit.z) << where;
}

TEST(CustomEval, PixelsMatchTheBuiltInFormula) {
    const Program p = Compiled("z*z+c");
    for (bool mandelbrot : {false, true}) {
        RunContext builtIn = PixelContext(mandelbrot);
        RunContext custom = builtIn;
        custom.FunctionKind = kFormulaCustom;
        custom.CustomCode = p.code.data();
        custom.CustomCodeLength = p.length;
        for (int col = 0; col < builtIn.siz; ++col)
            for (int row = 0; row < builtIn.sizy; ++row)
                ExpectSameOutcome(ComputePixel(custom, col, row), ComputePixel(builtIn, col, row),
                                  std::to_string(col) + "," + std::to_string(row));
    }
}

TEST(CustomEval, FastAndCheckedPixelsAgree) {
    for (const char* formula : {"z*z+sin(c)", "z^2+c", "1/z+sqrt(c)", "exp(z)*c"}) {
        const Program p = Compiled(formula);
        RunContext rc = PixelContext(true);
        rc.FunctionKind = kFormulaCustom;
        rc.CustomCode = p.code.data();
        rc.CustomCodeLength = p.length;
        for (int col = 0; col < rc.siz; ++col)
            for (int row = 0; row < rc.sizy; ++row)
                ExpectSameOutcome(ComputePixel(rc, col, row), ComputePixelChecked(rc, col, row),
                                  std::string(formula) + " " + std::to_string(col) + "," + std::to_string(row));
    }
    // The plane point 0 is pixel (8, 6): z^2 faults at the first step.
    const Program power = Compiled("z^2+c");
    RunContext rc = PixelContext(true);
    rc.FunctionKind = kFormulaCustom;
    rc.CustomCode = power.code.data();
    rc.CustomCodeLength = power.length;
    const PixelOutcome o = ComputePixel(rc, 8, 6);
    EXPECT_EQ(o.orbitFault, FaultKind::FloatZeroDivide);
    EXPECT_EQ(o.steps, 0);

    const Program overflow = Raw(std::vector<uint8_t>(21, kTokenC));
    rc.CustomCode = overflow.code.data();
    rc.CustomCodeLength = overflow.length;
    EXPECT_EQ(ComputePixel(rc, 0, 0).orbitFault, FaultKind::RangeCheck);
}

}  // namespace
}  // namespace velmora
