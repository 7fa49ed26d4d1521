#pragma once
// The bulk of the Mandelbrot set, told from c alone: most of the time a
// zoomed-out view of z^2+c takes goes on orbits that never escape.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "complex.hpp"

namespace velmora::lanes {

// The least maxmod for which an orbit of a point InMandelbrotMainBody
// certainly never escapes: such an orbit stays within 1/2 + sqrt(1/4 + |c|)
// of 0, below 1.72 (|c| is at most 1.225), so |z|^2 stays below 2.95 and
// |zr| + |zi| below 2.45.
inline constexpr long double kMainBodyLeastMaxmod = 3.0L;

// v as a double, truncated, from its bits where v lies below 2 in size;
// false otherwise (and for what is not finite). An 80-bit load would be a
// slow microcoded operation, and the truncation is far inside the margins
// below. Values too small for a double's exponent come out as 0.
inline bool SmallToDouble(const long double& v, double& out) {
    uint64_t mantissa;
    uint16_t exponent;
    std::memcpy(&mantissa, &v, sizeof mantissa);
    std::memcpy(&exponent, reinterpret_cast<const char*>(&v) + 8, sizeof exponent);
    const int e = exponent & 0x7fff;
    if (e > 0x3fff) return false;
    uint64_t bits = static_cast<uint64_t>(exponent & 0x8000) << 48;
    // The explicit leading bit dropped, the next 52 kept.
    if (e > 0x3fff - 1022) bits |= static_cast<uint64_t>(e - 0x3fff + 1023) << 52 | (mantissa << 1) >> 12;
    std::memcpy(&out, &bits, sizeof out);
    return true;
}

// Whether c lies well inside the main cardioid or the disc of period two:
// where z^2+c has an attracting fixed point or 2-cycle whose multiplier is at
// most 0.9 in size. The orbit from c then falls into that cycle without ever
// coming near the Julia set, where rounding could matter; the margin to the
// set's edge is many orders above the 80-bit rounding of any step. Worked
// out in doubles, which the margin also covers. Raises no fault flag.
[[gnu::always_inline]] inline bool InMandelbrotMainBody(const Complex& c) {
    double x, y;
    if (!SmallToDouble(c.re, x) || !SmallToDouble(c.im, y)) return false;
    // The 2-cycle's multiplier is 4(c + 1).
    const double dx = x + 1.0;
    if (dx * dx + y * y <= 0.225 * 0.225) return true;
    // The cardioid lies within 0.75 of 0, and most points of a view lie
    // outside it.
    if (x * x + y * y > 0.5625) return false;
    // The fixed point's multiplier is 1 - w, w the principal square root of
    // 1 - 4c.
    const double a = 1.0 - 4.0 * x, b = -4.0 * y;
    const double r = std::sqrt(a * a + b * b);
    const double wr = std::sqrt(0.5 * (r + a));
    const double wi = std::sqrt(0.5 * (r - a));
    const double mr = 1.0 - wr;
    return mr * mr + wi * wi <= 0.9 * 0.9;
}

}  // namespace velmora::lanes
