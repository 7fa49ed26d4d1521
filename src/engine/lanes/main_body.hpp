#pragma once
// The bulk of the Mandelbrot set, told from c alone: most of the time a
// zoomed-out view of z^2+c takes goes on orbits that never escape.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "complex.hpp"
#include "kinds.hpp"

namespace velmora::lanes {

// The least maxmod for which an orbit of a point InMandelbrotMainBody
// certainly never escapes: such an orbit stays within 1/2 + sqrt(1/4 + |c|)
// of 0, below 1.72 (|c| is at most 1.225), so |z|^2 stays below 2.95 and
// |zr| + |zi| below 2.45.
inline constexpr long double kMainBodyLeastMaxmod = 3.0L;

// v as a double, truncated, from its bits where v lies below 2^log2Bound in
// size; false otherwise (and for what is not finite). An 80-bit load would
// be a slow microcoded operation, and the truncation is far inside the
// margins below. Values too small for a double's exponent come out as 0.
inline bool ToDoubleBelow(const long double& v, int log2Bound, double& out) {
    uint64_t mantissa;
    uint16_t exponent;
    std::memcpy(&mantissa, &v, sizeof mantissa);
    std::memcpy(&exponent, reinterpret_cast<const char*>(&v) + 8, sizeof exponent);
    const int e = exponent & 0x7fff;
    if (e > 0x3fff + log2Bound - 1) return false;
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
    if (!ToDoubleBelow(c.re, 1, x) || !ToDoubleBelow(c.im, 1, y)) return false;
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

// The n of a z^n+c formula whose first step's escape is told from its
// start (FirstStepEscape), or 0.
inline int FirstStepPower(uint8_t formula) {
    switch (formula) {
    case kFormulaZ2: return 2;
    case kFormulaZ3: return 3;
    case kFormulaZ7: return 7;
    default: return 0;
    }
}

// Sizes below 2^40, where |z|^14 stays below 2^560.
inline constexpr int kFirstStepLog2Bound = 40;

// A part of a start as the escape tests of its first steps take it: where
// its size lies below 2^40, truncated to a double and squared; else 0 and a
// square that no sum with another such square exceeds a threshold with.
struct BoundedPart {
    double value = 0.0, square = -1e300;
    bool inBound() const { return square >= 0.0; }
};

inline BoundedPart Bounded(const long double& v) {
    double d;
    if (!ToDoubleBelow(v, kFirstStepLog2Bound, d)) return {};
    return {d, d * d};
}

// Whether the first step of z^n+c certainly escapes, told from |z|^2 alone:
// |z^n + c| >= |z|^n - |c|, and for the Mandelbrot set (c = z, |z| at least
// 2) that is at least |z|^n / 2. Such an orbit makes one step and ends; its
// colour needs no step of it. Worked out in doubles with margins of 2^-20
// and 2^-30, far beyond their rounding and the 80-bit step's; the sizes are
// bounded (Bounded), so that neither the step it stands for nor the
// escape test can overflow or raise any other fault.
class FirstStepEscape {
public:
    FirstStepEscape() = default;
    // Not on for n = 0, or a maxmod or c out of range.
    FirstStepEscape(int n, bool mandelbrot, bool sumOfAbs, const long double& maxmod, const Complex& c) {
        double m, cr = 0.0, ci = 0.0;
        if (n < 2 || !ToDoubleBelow(maxmod, kFirstStepLog2Bound, m) || !(m >= 0.0)) return;
        if (!mandelbrot &&
            (!ToDoubleBelow(c.re, kFirstStepLog2Bound, cr) || !ToDoubleBelow(c.im, kFirstStepLog2Bound, ci)))
            return;
        // The escape test's radius: |z| beyond it is beyond maxmod either
        // way, as |zr| + |zi| >= |z|.
        const double radius = sumOfAbs ? m : std::sqrt(m);
        const double reach = mandelbrot ? 2.0 * radius : std::sqrt(cr * cr + ci * ci) + radius;
        // |z|^2n beyond reach^2, as |z|^2 beyond its n-th root.
        threshold_ = std::pow(reach * reach * (1.0 + 0x1p-20), 1.0 / n) * (1.0 + 0x1p-30);
        if (mandelbrot) threshold_ = std::max(threshold_, 4.0 * (1.0 + 0x1p-20));
        on_ = true;
    }
    bool on() const { return on_; }
    // Whether an orbit from z escapes at once, from the squares of its parts.
    bool operator()(double squareRe, double squareIm) const { return squareRe + squareIm > threshold_; }

private:
    bool on_ = false;
    double threshold_ = std::numeric_limits<double>::infinity();  // none when off
};

}  // namespace velmora::lanes
