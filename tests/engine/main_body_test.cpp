// The points taken as never escaping, tested on their orbits: along the
// edges of the region (where the margin is smallest) every orbit stays below
// the bounds the least maxmod rests on, and just outside it no point is
// taken.

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

}  // namespace
}  // namespace velmora
