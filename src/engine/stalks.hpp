#pragma once
// Orbit traps ("stalks"): the thresholds of a run, the test made after each
// orbit step, and the rules that adjust a pixel's colour after its orbit.
// Where two conditions of one test hold in the same step, the later
// assignment of trapValue wins.

#include <cmath>

#include "conversions.hpp"
#include "fault.hpp"
#include "run_context.hpp"
#include "stalk_table.hpp"
#include "trap_image.hpp"

namespace velmora {

// Derives trapRadius, trapWidth and trapTolerance from p1, p2, p3. The
// common values are computed first for every type (so an overflow there
// faults whatever the type), then some types replace them.
inline void SetTrapThresholds(RunContext& rc) {
    rc.trapRadius = rc.p1 * 0.2L;
    rc.trapWidth = rc.p2 * 0.2L;
    rc.trapTolerance = rc.p3 * 2.0L;
    switch (rc.StalkType) {
    case kStalkSlope1:
    case kStalkSlope2:
        rc.trapRadius = rc.p1 * 1.6L;
        rc.trapWidth = rc.p2 * 1.6L;
        // Past tan R by 2^-40 of it, the arctangent lies beyond R by at least
        // sin(2R)/2 * 2^-40, some 2^18 times the library's error of a few
        // units in the last place, wherever R lies in the range below.
        rc.slopeBeyond = rc.trapRadius >= 1e-1000L && rc.trapRadius <= 1.5L ? tanl(rc.trapRadius) * (1.0L + 0x1p-40L)
                                                                            : __builtin_infl();
        break;
    case kStalkModulusDiff:
        rc.trapWidth = rc.p2;
        rc.trapTolerance = rc.p1 * 0.5L;
        // A quiet comparison: a maxmod that is not a number raises nothing here.
        rc.maxmodRootMade = std::isgreaterequal(rc.maxmod, 0.0L);
        if (rc.maxmodRootMade) rc.maxmodRoot = sqrtl(rc.maxmod);
        break;
    case kStalkMedian:
        rc.trapWidth = rc.p2;
        rc.trapTolerance = rc.p1 * 0.05L;
        break;
    default: break;
    }
}

// Whether the stalk type reads lastZ and previousModulus (see StalkRecord).
inline bool NeedsHistory(const RunContext& rc) { return StalkNeedsHistory(rc.StalkType); }

// Whether the stalk type tests the orbit after every step; the others look
// only at the finished orbit, and their loop leaves the test out.
inline bool TestsEveryStep(const RunContext& rc) { return StalkTestsEveryStep(rc.StalkType); }

namespace stalk {

// Four bands of 30 that cycle with the step number; `scaled29` is the
// position inside the trap (0 to 1) times 29.
[[gnu::always_inline]] inline ColourValue BandColour(long double scaled29, int32_t step) {
    return ColourValue::Index(CheckedAdd(Round(scaled29), 30 * (step % 4)));
}

template <class G>
inline long double Checked(long double v) {
    G::Check(v);
    return v;
}

// Catches the orbit with the given position inside the trap.
inline void Hit(OrbitState& o, long double value) {
    o.trapValue = value;
    o.trapHit = true;
}

template <class G>
inline void Cross(OrbitState& o, long double R) {
    const long double ax = fabsl(o.z.re), ay = fabsl(o.z.im);
    if (ax < R) Hit(o, Checked<G>(ax / R));
    if (ay < R) Hit(o, Checked<G>(ay / R));
}

// Caught on the (minit + 1)-th tested step inside the circle; the position is
// updated on every such step.
template <class G>
inline void Circle(OrbitState& o, long double R, int32_t minit) {
    const long double R2 = Checked<G>(R * R);
    if (o.modulus < R2) {
        const long double root = Checked<G>(sqrtl(o.modulus));
        o.trapValue = Checked<G>(root / R);
        if (o.circleCount == minit) o.trapHit = true;
        o.circleCount = CheckedAdd(o.circleCount, 1);
    }
}

template <class G>
inline void Annulus(OrbitState& o, long double R, long double W) {
    const long double R2 = Checked<G>(R * R);
    if (!(o.modulus < R2)) return;
    const long double middle = Checked<G>(R - W);
    const long double inner = Checked<G>(middle - W);
    const long double inner2 = Checked<G>(inner * inner);
    if (!(o.modulus > inner2)) return;
    const long double root = Checked<G>(sqrtl(o.modulus));
    const long double offset = Checked<G>(middle - root);
    Hit(o, Checked<G>(fabsl(offset) / W));
}

template <class G>
inline void Converge(OrbitState& o, long double R) {
    const long double d = fabsl(Checked<G>(o.modulus - o.previousModulus));
    if (d < R) Hit(o, Checked<G>(d / R));
}

// A band of width 2W just inside the square of half-side R; a point on a
// diagonal (ax = ay) belongs to neither side.
template <class G>
inline bool InSquareBand(long double a, long double other, long double R, long double W) {
    if (!(R > a)) return false;
    const long double twoW = Checked<G>(2.0L * W);
    const long double inner = Checked<G>(R - twoW);
    return a > inner && a > other;
}

template <class G>
inline void SquareBand(OrbitState& o, long double R, long double W) {
    const long double ax = fabsl(o.z.re), ay = fabsl(o.z.im);
    if (InSquareBand<G>(ay, ax, R, W)) {
        const long double offset = Checked<G>(Checked<G>(R - W) - ay);
        Hit(o, Checked<G>(fabsl(offset) / W));
    }
    if (InSquareBand<G>(ax, ay, R, W)) {
        const long double offset = Checked<G>(Checked<G>(R - W) - ax);
        Hit(o, Checked<G>(fabsl(offset) / W));
    }
}

// The image trap's test once the orbit value (x, y) lies in the trap's
// rectangle: whether the picture there catches it, with the position inside
// the trap and the picture's colour. Always inline: the whole-orbit loops
// call it at each step in the rectangle, and around a call every value they
// keep on the x87 stack would be stored and loaded again.
template <class G>
[[gnu::always_inline]] inline bool ImageCatch(long double x, long double y, long double R, long double p3,
                                              const TrapImage& image, long double& value, ColourValue& colour) {
    const int32_t px = CheckedAdd(Round(Checked<G>(Checked<G>(x * 99.0L) / R)), 100);
    const int32_t py = CheckedAdd(Round(Checked<G>(Checked<G>(y * 99.0L) / R)), 75);
    const ColourValue col = image.pixel(px, py);
    if (TrapImage::IsWhite(col)) return false;
    // The distance from the image centre, divided by 125.
    const int32_t d2 = CheckedAdd(CheckedMul(px - 100, px - 100), CheckedMul(py - 75, py - 75));
    const long double scaled = Checked<G>(static_cast<long double>(d2) * 0.000064L);
    const long double distance = Checked<G>(sqrtl(scaled));
    value = Checked<G>(distance * p3);
    colour = col;
    return true;
}

// The image the run looks through.
inline const TrapImage& RunTrapImage(const RunContext& rc) { return rc.trapImage ? *rc.trapImage : DefaultTrapImage(); }

template <class G>
inline bool ImageCatch(long double x, long double y, const RunContext& rc, long double& value, ColourValue& colour) {
    return ImageCatch<G>(x, y, rc.trapRadius, rc.p3, RunTrapImage(rc), value, colour);
}

template <class G>
inline void Image(OrbitState& o, const RunContext& rc) {
    const long double R = rc.trapRadius;
    const long double x = o.z.re, y = o.z.im;
    if (!(R > fabsl(x))) return;
    if (!(fabsl(y) < Checked<G>(0.75L * R))) return;
    long double value;
    ColourValue colour;
    if (!ImageCatch<G>(x, y, rc, value, colour)) return;
    Hit(o, value);
    o.imageHit = true;
    o.imageColour = colour;
}

// The sum of the last three orbit values. lastZ and secondLastZ start at
// 1 + 10i, so the first tested step includes that value.
template <class G>
inline void Median(OrbitState& o, long double R) {
    const long double x = o.z.re, y = o.z.im;
    const long double sx = fabsl(Checked<G>(Checked<G>(x + o.lastZ.re) + o.secondLastZ.re));
    const long double sy = fabsl(Checked<G>(Checked<G>(y + o.lastZ.im) + o.secondLastZ.im));
    o.secondLastZ = o.lastZ;
    o.lastZ = o.z;
    if (sx < R) Hit(o, Checked<G>(sx / R));
    if (sy < R) Hit(o, Checked<G>(sy / R));
}

template <class G>
inline void Hypercross(OrbitState& o, long double R) {
    const long double product = Checked<G>(fabsl(o.z.re) * fabsl(o.z.im));
    const long double R2 = Checked<G>(R * R);
    if (product < R2) Hit(o, Checked<G>(product / R2));
}

}  // namespace stalk

// The run's stalk type, read as the test runs, where a loop is not made for
// each type.
inline constexpr int kStalkDynamic = -1;

// The test after an orbit step of stalk type S, chosen at compile time; may
// catch the orbit (trapHit) and set trapValue. No Stalks, the three types
// that look only at the finished orbit, and unknown types test nothing.
template <class G, int S>
inline void StalkTestOf(OrbitState& o, const RunContext& rc);

// Runs after an orbit step, for the run's stalk type.
template <class G>
inline void StalkTest(OrbitState& o, const RunContext& rc) {
    switch (rc.StalkType) {
    case kStalkCross: StalkTestOf<G, kStalkCross>(o, rc); break;
    case kStalkCircle: StalkTestOf<G, kStalkCircle>(o, rc); break;
    case kStalkAnnulus: StalkTestOf<G, kStalkAnnulus>(o, rc); break;
    case kStalkConverge: StalkTestOf<G, kStalkConverge>(o, rc); break;
    case kStalkSquareBand: StalkTestOf<G, kStalkSquareBand>(o, rc); break;
    case kStalkImage: StalkTestOf<G, kStalkImage>(o, rc); break;
    case kStalkMedian: StalkTestOf<G, kStalkMedian>(o, rc); break;
    case kStalkHypercross: StalkTestOf<G, kStalkHypercross>(o, rc); break;
    default: break;
    }
}

template <class G, int S>
inline void StalkTestOf(OrbitState& o, const RunContext& rc) {
    const long double R = rc.trapRadius, W = rc.trapWidth;
    if constexpr (S == kStalkCross) stalk::Cross<G>(o, R);
    else if constexpr (S == kStalkCircle) stalk::Circle<G>(o, R, rc.minit);
    else if constexpr (S == kStalkAnnulus) stalk::Annulus<G>(o, R, W);
    else if constexpr (S == kStalkConverge) stalk::Converge<G>(o, R);
    else if constexpr (S == kStalkSquareBand) stalk::SquareBand<G>(o, R, W);
    else if constexpr (S == kStalkImage) stalk::Image<G>(o, rc);
    else if constexpr (S == kStalkMedian) stalk::Median<G>(o, R);
    else if constexpr (S == kStalkHypercross) stalk::Hypercross<G>(o, R);
    else if constexpr (S == kStalkDynamic) StalkTest<G>(o, rc);
}

// Calls f.template operator()<S>() with the run's stalk type as a
// compile-time constant: each type that tests every step, or No Stalks for
// the others (which test nothing).
template <class F>
inline void WithStalkType(uint8_t type, F&& f) {
    switch (type) {
    case kStalkCross: f.template operator()<kStalkCross>(); break;
    case kStalkCircle: f.template operator()<kStalkCircle>(); break;
    case kStalkAnnulus: f.template operator()<kStalkAnnulus>(); break;
    case kStalkConverge: f.template operator()<kStalkConverge>(); break;
    case kStalkSquareBand: f.template operator()<kStalkSquareBand>(); break;
    case kStalkImage: f.template operator()<kStalkImage>(); break;
    case kStalkMedian: f.template operator()<kStalkMedian>(); break;
    case kStalkHypercross: f.template operator()<kStalkHypercross>(); break;
    default: f.template operator()<kStalkNone>(); break;
    }
}

namespace stalk {

// The size of the plain arctangent of a quotient, an angle in 0..pi/2; or
// none when it certainly reaches the trap radius (the rules then colour
// nothing), which saves the library call on most slopes.
template <class G>
inline bool SlopeAngleBelowRadius(long double dy, long double dx, const RunContext& rc, long double& angle) {
    const long double q = Checked<G>(dy / dx);
    if (fabsl(q) > rc.slopeBeyond) return false;
    angle = fabsl(atanl(q));
    return angle < rc.trapRadius;
}

// Slope of the orbit's last step.
template <class G>
inline void Slope1(OrbitState& o, const RunContext& rc) {
    const long double x = o.z.re, y = o.z.im;
    if (o.lastZ.re == x) return;
    const long double dy = Checked<G>(o.lastZ.im - y);
    const long double dx = Checked<G>(o.lastZ.re - x);
    long double A;
    if (!SlopeAngleBelowRadius<G>(dy, dx, rc, A)) return;
    const long double S = Checked<G>(A / rc.trapRadius);
    if (o.iteration < rc.miter) o.pixelColour = BandColour(Checked<G>(29.0L * S), o.lastTested);
}

// Slope from the pixel's plane point to the final z; two bands of 64 by the
// parity of the step count.
template <class G>
inline void Slope2(OrbitState& o, const RunContext& rc, long double x0, long double y0) {
    const long double x = o.z.re, y = o.z.im;
    if (x0 == x) return;
    const long double dy = Checked<G>(y0 - y);
    const long double dx = Checked<G>(x0 - x);
    long double A;
    if (!SlopeAngleBelowRadius<G>(dy, dx, rc, A)) return;
    o.trapValue = A;
    const long double S = Checked<G>(A / rc.trapRadius);
    const int32_t n = o.iteration;
    if (n >= rc.miter) {
        o.pixelColour = ColourValue::Index(kCaughtEntry);
        return;
    }
    const int32_t index = Round(Checked<G>(63.0L * S));
    o.pixelColour = ColourValue::Index(n % 2 == 0 ? index : CheckedAdd(index, 64));
}

// How far the last step overshot the bailout radius, as a share of the
// step's growth in radius, less the width. Divides by zero when the last step
// left the radius unchanged; a fault leaves the colour as it stood.
template <class G>
inline void ModulusDiff(OrbitState& o, const RunContext& rc) {
    const int32_t n = o.iteration;
    if (n > rc.miter) return;
    const long double r = Checked<G>(sqrtl(o.modulus));
    const long double root = !G::kChecked && rc.maxmodRootMade ? rc.maxmodRoot : Checked<G>(sqrtl(rc.maxmod));
    const long double overshoot = Checked<G>(r - root);
    const long double growth = Checked<G>(r - Checked<G>(sqrtl(o.previousModulus)));
    const long double A = fabsl(Checked<G>(Checked<G>(overshoot / growth) - rc.trapWidth));
    if (!(A < rc.trapTolerance)) return;
    o.trapValue = A;
    const long double S = Checked<G>(A / rc.trapTolerance);
    if (n >= rc.miter) {
        o.pixelColour = ColourValue::Index(kCaughtEntry);
        return;
    }
    o.pixelColour = BandColour(Checked<G>(29.0L * S), n);
}

}  // namespace stalk

// Whether the stalk type has a rule of its own in PostOrbitRules below.
inline bool HasRuleAfterOrbit(uint8_t type) {
    return type == kStalkSlope1 || type == kStalkSlope2 || type == kStalkModulusDiff;
}

// Runs after the base colour is set; may replace o.pixelColour. (x0, y0) is
// the pixel's plane point after the inversion mapping. Each rule belongs to
// its own stalk type; the image rule follows a hit of the image trap.
template <class G>
inline void PostOrbitRules(OrbitState& o, const RunContext& rc, long double x0, long double y0) {
    if (o.imageHit && (o.iteration <= rc.miter || o.modulus >= rc.maxmod)) o.pixelColour = o.imageColour;
    switch (rc.StalkType) {
    case kStalkSlope1: stalk::Slope1<G>(o, rc); break;
    case kStalkSlope2: stalk::Slope2<G>(o, rc, x0, y0); break;
    case kStalkModulusDiff: stalk::ModulusDiff<G>(o, rc); break;
    default: break;
    }
}

}  // namespace velmora
