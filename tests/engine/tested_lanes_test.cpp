// The lanes that make the whole orbit loop (stalk tests after each step,
// orbit history, several minimum steps) against the one-pixel checked path,
// on views where orbits are caught and views where the formula or the stalk
// test itself faults: every row of a column, with and without the x87
// kernels (the trap kernel whatever the orbits' lengths), must be the
// checked pixel. The runs the plain lanes take (no
// stalks, the rules after the orbit) are held to it on the same views.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "column.hpp"
#include "lane_column.hpp"
#include "pixel.hpp"
#include "stalk_table.hpp"
#include "stalks.hpp"

namespace velmora {
namespace {

struct View {
    const char* name;
    uint8_t formula;
    long double range, maxmod, p1, p2;
    bool faults;  // some orbit or stalk test of the view must fault
    bool mandelbrot = false;
    // A Julia set whose bounded orbits close in on the fixed point 1/4 (the
    // point itself a pixel), halving their distance at each step, with a
    // trap radius one 80-bit step above it and a width of that step: past
    // their first steps the orbits' values lie on either side of the traps'
    // outer and inner edges, closer than doubles can tell, until they reach
    // the point (a hundred steps allowed).
    bool onTheEdges = false;
    // Centred on the origin, so that the pixels of mirrored points take one
    // outcome (those on the same column, and on a Julia set of an even
    // formula those of the opposite column).
    bool centred = false;
};

// The run of a Julia set whose bounded orbits circle the origin, 24 x 18.
RunContext MakeRun(const View& v, uint8_t stalk, uint8_t bailout, int32_t minit) {
    RunContext rc;
    rc.siz = 24;
    rc.sizy = 18;
    rc.step = v.range / rc.siz;
    rc.xce = v.centred ? 0.0L : 0.01L;
    rc.FunctionKind = v.formula;
    rc.mandelbrot = v.mandelbrot;
    rc.cx = -0.12L;
    rc.cy = 0.75L;
    rc.coefA = rc.coefC = Complex{1.0L, 0.0L};
    rc.BailoutKind = bailout;
    rc.maxmod = v.maxmod;
    rc.miter = 40;
    rc.minit = minit;
    rc.StalkType = stalk;
    rc.p1 = v.p1;
    rc.p2 = v.p2;
    rc.p3 = 0.5L;
    SetTrapThresholds(rc);
    if (v.onTheEdges) {
        rc.xce = 0.0L;
        rc.cx = 0.1875L;
        rc.cy = 0.0L;
        rc.trapRadius = nextafterl(0.25L, 1.0L);
        rc.trapWidth = rc.trapRadius - 0.25L;
        rc.miter = 100;
    }
    return rc;
}

const long double kNaN = std::numeric_limits<long double>::quiet_NaN();

const View kViews[] = {
    {"z^2+c caught", kFormulaZ2, 3.2L, 4.0L, 1.0L, 0.5L, false},
    // Orbits escaping at their first step, into a trap wider than maxmod.
    {"z^2+c wide trap, wide view", kFormulaZ2, 8.0L, 4.0L, 50.0L, 0.5L, false},
    {"z^2+c overflowing", kFormulaZ2, 1e2470L, 1e4900L, 1.0L, 0.5L, true},
    // A trap radius that is not a number: the first test's comparison is an
    // invalid operation.
    {"z^2+c trap not a number", kFormulaZ2, 3.2L, 4.0L, kNaN, kNaN, true},
    // A bailout the x87 kernel tests against (either escape test): orbits
    // from points beyond 1e2466 overflow in its first steps.
    {"z^2+c overflowing in the x87 lanes", kFormulaZ2, 1e2470L, 1e150L, 1.0L, 0.5L, true},
    {"z^7+c overflowing", kFormulaZ7, 1e700L, 1e4900L, 1.0L, 0.5L, true},
    // Traps wider than half the range: the image trap's position of an orbit
    // value beyond 1.2e4930 overflows, which the fast path meets as the
    // conversion's explicit fault.
    {"z^2+c trap beyond the range", kFormulaZ2, 4e2465L, 1e4900L, 5e4931L, 0.5L, true},
    {"csin caught", kFormulaCSin, 6.0L, 50.0L, 2.0L, 0.5L, false},
    // Formulas with more state than z and c, or run constants of their own,
    // and one whose first step's library values overflow in some columns.
    {"pokorny caught", kFormulaPokorny, 3.2L, 4.0L, 1.0L, 0.5L, false},
    {"coefficients caught", kFormulaCoefficients, 3.2L, 4.0L, 1.0L, 0.5L, false},
    {"sinh overflowing", kFormulaSinh, 4e4L, 1e1000L, 1.0L, 0.5L, true},
    {"Mandelbrot z^2+c caught", kFormulaZ2, 3.2L, 4.0L, 1.0L, 0.5L, false, true},
    // A trap width whose run constants overflow (the annulus's inner radius
    // squared): the z^2+c lanes that work them out once give way to those
    // that work them out at each tested step, where the fault belongs.
    {"z^2+c trap width beyond the range", kFormulaZ2, 3.2L, 4.0L, 1.0L, 5e4931L, true},
    {"z^2+c on the traps' edges", kFormulaZ2, 3.0L, 4.0L, 1.0L, 0.5L, false, false, true},
    {"z^2+c caught, centred", kFormulaZ2, 3.2L, 4.0L, 1.0L, 0.5L, false, false, false, true},
    {"z^2+c overflowing, centred", kFormulaZ2, 1e2470L, 1e4900L, 1.0L, 0.5L, true, false, false, true},
    {"coefficients caught, centred", kFormulaCoefficients, 3.2L, 4.0L, 1.0L, 0.5L, false, false, false, true},
    {"Mandelbrot z^3+c overflowing, centred", kFormulaZ3, 1e1600L, 1e4900L, 1.0L, 0.5L, true, true, false, true},
    {"Mandelbrot pokorny caught, centred", kFormulaPokorny, 3.2L, 4.0L, 1.0L, 0.5L, false, true, false, true},
    // The median's first sums with 1 + 10i lie within its radius 10.
    {"Mandelbrot z^2+c wide trap, centred", kFormulaZ2, 3.2L, 4.0L, 50.0L, 0.5L, false, true, false, true},
    {"Mandelbrot z^z at its faulting 0, centred", kFormulaZPowZ, 3.2L, 4.0L, 1.0L, 0.5L, true, true, false, true},
    {"Mandelbrot sinh overflowing, centred", kFormulaSinh, 4e4L, 1e1000L, 1.0L, 0.5L, true, true, false, true},
    {"Mandelbrot c*tanh overflowing, centred", kFormulaCTanh, 4e4L, 1e1000L, 1.0L, 0.5L, true, true, false, true},
    // Formulas whose mirrored pixels differ: odd ones, and the library's
    // exponential in the conjugate.
    {"z^3+c caught, centred", kFormulaZ3, 3.2L, 4.0L, 1.0L, 0.5L, false, false, false, true},
    {"pokorny caught, centred", kFormulaPokorny, 3.2L, 4.0L, 1.0L, 0.5L, false, false, false, true},
    {"Mandelbrot csin overflowing, centred", kFormulaCSin, 6.0L, 50.0L, 2.0L, 0.5L, true, true, false, true},
};

// A custom program that leaves no value faults at its first step, inside
// the median's check of a mirrored pixel too: no copy, and nothing thrown.
TEST(TestedLanes, MedianCheckOfAFaultingStepCopiesNothing) {
    RunContext rc = MakeRun(kViews[0], kStalkMedian, kBailoutModulus, 0);
    rc.FunctionKind = kFormulaCustom;
    const uint8_t noCode[1] = {};
    rc.CustomCode = noCode;
    rc.CustomCodeLength = 0;
    EXPECT_FALSE(MedianStartsAgree(rc, true, 0.5L, 0.25L));
    EXPECT_FALSE(FloatFaultPending());
}

std::string Describe(const View& v, const RunContext& rc, int col, int row) {
    return std::string(v.name) + ", stalk " + std::to_string(rc.StalkType) + ", bailout " +
           std::to_string(rc.BailoutKind) + ", minit " + std::to_string(rc.minit) + ", pixel (" +
           std::to_string(col) + ", " + std::to_string(row) + ")";
}

TEST(TestedLanes, EveryRowIsTheCheckedPixel) {
    for (const View& v : kViews) {
        bool faulted = false, caught = false;
        for (const StalkRecord& stalk : kStalks) {
            for (const uint8_t bailout : {kBailoutModulus, kBailoutSumAbs}) {
                for (const int32_t minit : {0, 1, 3}) {
                    const RunContext rc = MakeRun(v, stalk.type, bailout, minit);
                    ASSERT_TRUE(LanesApply(rc)) << Describe(v, rc, 0, 0);
                    // One plan for the picture, its columns in order, as a
                    // run computes them.
                    const ColumnPlan plan(rc);
                    for (int col = 0; col < rc.siz; ++col) {
                        ColumnOutcome lanes, portable, kernel;
                        ComputeColumnInLanes(plan, col, lanes);
                        ComputeColumnInPortableLanes(rc, col, portable);
                        ComputeColumnInX87TrapLanes(rc, col, kernel);
                        ASSERT_EQ(lanes.pixels.size(), static_cast<size_t>(rc.sizy));
                        ASSERT_EQ(portable.pixels, lanes.pixels);
                        ASSERT_EQ(kernel.pixels, lanes.pixels) << Describe(v, rc, col, 0);
                        for (int row = 0; row < rc.sizy; ++row) {
                            const PixelOutcome c = ComputePixelChecked(rc, col, row);
                            const PlottedPixel expected{c.px, c.py, c.colour, c.orbitFault, c.colourFault, c.steps};
                            ASSERT_EQ(lanes.pixels[static_cast<size_t>(row)], expected) << Describe(v, rc, col, row);
                            faulted |= c.orbitFault != FaultKind::None;
                            caught |= c.orbit.trapHit;
                        }
                    }
                }
            }
        }
        EXPECT_EQ(faulted, v.faults) << v.name;
        if (!v.faults) {
            EXPECT_TRUE(caught) << v.name;
        }
    }
}

}  // namespace
}  // namespace velmora
