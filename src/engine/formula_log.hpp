#pragma once
// The complex logarithm of the z^z formula. Its angle comes from a table of
// sign cases rather than a two-argument arctangent, and the whole real axis
// gets angle 0 (negative numbers too), which keeps z^z real there; pictures
// made with this formula depend on that.

#include <cmath>

#include "complex.hpp"

namespace velmora {
namespace formula {

inline constexpr long double kPi = 3.141592653589793238462643383279502884L;

template <class G>
inline long double LogAngle(long double x, long double y) {
    if (x == 0.0L) return y > 0.0L ? kPi / 2.0L : -kPi / 2.0L;
    if (y == 0.0L) return 0.0L;
    const long double q = y / x;
    G::Check(q);
    if (x > 0.0L) return y > 0.0L ? atanl(q) : -atanl(fabsl(q));
    const long double a = y > 0.0L ? kPi - atanl(-q) : atanl(fabsl(q)) - kPi;
    G::Check(a);
    return a;
}

// w := Log z. Log 0 is the division-by-zero fault of ln 0.
template <class G>
inline void CLog(const Complex& z, Complex& w) {
    const long double x = z.re, y = z.im;
    const long double m = x * x + y * y;
    G::Check(m);
    const long double ln = logl(m);
    G::Check(ln);
    const long double re = 0.5L * ln;
    G::Check(re);
    const long double im = LogAngle<G>(x, y);
    w.re = re;
    w.im = im;
}

}  // namespace formula
}  // namespace velmora
