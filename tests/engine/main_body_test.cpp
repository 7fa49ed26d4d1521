// The points taken as never escaping, tested on their orbits: along the
// edges of the region (where the margin is smallest) every orbit stays below
// the bounds the least maxmod rests on, and just outside it no point is
// taken. The starts taken as escaping at the first step, tested on that step.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "formulas.hpp"
#include "main_body.hpp"

namespace velmora {
namespace {

using Z = std::complex<long double>;

// The cardioid's point whose fixed point has multiplier m, and the disc's
// point whose 2-cycle has it.
Complex Cardioid(Z m) {
    const Z c = m / 2.0L - m * m / 4.0L;
    return {c.real(), c.imag()};
}
Complex Disc(Z m) {
    const Z c = m / 4.0L - 1.0L;
    return {c.real(), c.imag()};
}

TEST(MainBody, OrbitsAlongTheEdgeStayBelowTheBoundsAndPointsBeyondAreLeftOut) {
    constexpr int kAngles = 720;
    for (int i = 0; i < kAngles; ++i) {
        const Z unit = std::polar(1.0L, 2.0L * 3.14159265358979323846L * i / kAngles);
        for (auto region : {&Cardioid, &Disc}) {
            EXPECT_FALSE(lanes::InMandelbrotMainBody(region(0.91L * unit))) << i;
            const Complex c = region(0.899L * unit);
            ASSERT_TRUE(lanes::InMandelbrotMainBody(c)) << i;
            Complex z = c;
            long double most = 0.0L, mostSum = 0.0L;
            for (int n = 0; n < 5000; ++n) {
                formula::ZSquaredPlusC<NoCheck>(z, c);
                most = std::max(most, z.re * z.re + z.im * z.im);
                mostSum = std::max(mostSum, fabsl(z.re) + fabsl(z.im));
            }
            EXPECT_LT(most, 2.95L) << i;
            EXPECT_LT(mostSum, 2.45L) << i;
        }
    }
    for (const Complex c : {Complex{2.0L, 0.0L}, Complex{0.0L, -2.0L}, Complex{INFINITY, 0.0L}, Complex{NAN, 0.0L}})
        EXPECT_FALSE(lanes::InMandelbrotMainBody(c));
}

// Each z^n+c formula, Julia and Mandelbrot, both escape tests: on rings
// around the threshold, every start taken escapes at its first step, and
// the test takes most of those beyond twice the threshold's size.
TEST(FirstStepEscape, EveryStartTakenEscapesAtItsFirstStep) {
    const Complex c{-0.12L, 0.75L};
    const long double maxmod = 4.0L;
    for (const int formula : {kFormulaZ2, kFormulaZ3, kFormulaZ7}) {
        for (const bool mandelbrot : {false, true}) {
            for (const bool sumOfAbs : {false, true}) {
                const int n = lanes::FirstStepPower(static_cast<uint8_t>(formula));
                const lanes::FirstStepEscape escapes(n, mandelbrot, sumOfAbs, maxmod, c);
                ASSERT_TRUE(escapes.on());
                int taken = 0, tested = 0;
                for (int r = 0; r < 400; ++r) {
                    for (int a = 0; a < 360; ++a) {
                        const Z z0 = std::polar(1.0L + r / 100.0L, 2.0L * 3.14159265358979323846L * a / 360.0L);
                        OrbitState o;
                        o.z = {z0.real(), z0.imag()};
                        o.c = mandelbrot ? o.z : c;
                        if (!escapes(lanes::SquareInBound(o.z.re), lanes::SquareInBound(o.z.im))) continue;
                        ++taken;
                        WithFormulaKind(formula, [&]<int K>() { FormulaStepOf<NoCheck, K>(o, RunContext{}); });
                        const long double m = sumOfAbs ? fabsl(o.z.re) + fabsl(o.z.im) : o.z.re * o.z.re + o.z.im * o.z.im;
                        ASSERT_GT(m, maxmod) << formula << mandelbrot << sumOfAbs << " " << r << " " << a;
                    }
                    tested += 360;
                }
                EXPECT_GT(taken, tested / 4) << formula << mandelbrot << sumOfAbs;
            }
        }
    }
    // Beyond the sizes it is made for, nothing is taken.
    const lanes::FirstStepEscape escapes(2, false, false, maxmod, c);
    EXPECT_FALSE(escapes(lanes::SquareInBound(0x1p41L), 0.0));
}

}  // namespace
}  // namespace velmora
