#pragma once
// Orbits of the polynomial formulas (z^n+c, Pokorny's), of az^2+b/z^2+c and
// of z^z+z^4-z+c that certainly escape within a few steps, followed in doubles with a bound
// on how far they can lie from the 80-bit orbit. Where every escape test of
// the way is decided beyond that bound, the 80-bit orbit ends at the same
// step, and its colour needs none of its steps. On a view of short orbits
// most of the time would otherwise go on loading and unloading lanes for two
// or three steps each.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "complex.hpp"
#include "kinds.hpp"
#include "main_body.hpp"
#include "run_context.hpp"

namespace velmora::lanes {

class ShortOrbitEscape {
public:
    // The most steps followed: beyond them the bound has mostly grown too
    // wide, and an orbit that has not escaped is left to the lanes.
    static constexpr int kMostSteps = 16;

    // Whether the orbits of a formula can be followed.
    static bool Follows(uint8_t formula) {
        return FirstStepPower(formula) > 0 || formula == kFormulaPokorny || formula == kFormulaCoefficients ||
               formula == kFormulaZPowZ;
    }
    // The stalk types whose test an orbit is followed clear of, step by
    // step: at every tested step it certainly does not catch.
    static bool ClearsStalk(uint8_t type) {
        return type == kStalkCross || type == kStalkHypercross || type == kStalkMedian || type == kStalkConverge;
    }

    ShortOrbitEscape() = default;
    // For rc's formula, set kind, escape test, maxmod, c and coefficients,
    // an orbit's steps at most `most`. With caughtBelow, an orbit whose
    // modulus (as the escape test makes it) may fall below it at some step
    // is left to the lanes: a stalk could catch it there. For the types
    // ClearsStalk tells, an orbit that the test may catch at a step past
    // minit is left to the lanes. Off for other formulas, and where maxmod,
    // c, a coefficient, caughtBelow or such a type's radius lie beyond the
    // bounded sizes (below 2^40), where nothing can overflow in either orbit
    // or in the test.
    ShortOrbitEscape(const RunContext& rc, int most, const long double* caughtBelow) {
        double m, caught = 0.0;
        if (!Follows(rc.FunctionKind) || most < 1 || !ToDoubleBelow(rc.maxmod, kFirstStepLog2Bound, m) || !(m > 0.0))
            return;
        if (!rc.mandelbrot && !c_.set(Complex{rc.cx, rc.cy})) return;
        if (caughtBelow && !InBound(*caughtBelow, caught)) return;
        if (rc.FunctionKind == kFormulaCoefficients &&
            !(coefA_.set(rc.coefA) && coefB_.set(rc.coefB) && coefC_.set(rc.coefC)))
            return;
        if (ClearsStalk(rc.StalkType)) {
            double radius;
            if (!InBound(rc.trapRadius, radius)) return;
            // The 80-bit radius lies within 2^-52 of its size above the
            // truncated one (2^-1022 below a double's exponents).
            stalkBeyond_ = std::fabs(radius) * (1.0 + 0x1p-50) + 0x1p-1000;
            if (rc.StalkType == kStalkHypercross) stalkBeyond_ = stalkBeyond_ * stalkBeyond_ * (1.0 + 0x1p-50);
            clears_ = rc.StalkType;
            minit_ = rc.minit;
        }
        if (rc.StalkType == kStalkModulusDiff || rc.StalkType == kStalkSlope1 || rc.StalkType == kStalkSlope2)
            ruled_ = rc.StalkType;
        // b/z^2 is exactly 0 for b = 0, whatever z is.
        bZero_ = rc.coefB.re == 0.0L && rc.coefB.im == 0.0L;
        formula_ = rc.FunctionKind;
        most_ = std::min(most, kMostSteps);
        mandelbrot_ = rc.mandelbrot;
        sumOfAbs_ = rc.BailoutKind == kBailoutSumAbs;
        cSize_ = c_.size();
        // The truncated values lie below the true ones by at most 2^-52 of
        // their size, and the tests' own rounding by far less than 2^-40.
        escapeAbove_ = m * (1.0 + 0x1p-40);
        stayBelow_ = m * (1.0 - 0x1p-40);
        caughtBelow_ = caughtBelow ? caught * (1.0 + 0x1p-40) : -1.0;
        eMost_ = (sumOfAbs_ ? m : std::sqrt(m)) * 0x1p-16;
        pickLoops();
        on_ = true;
    }

    bool on() const { return on_; }

    // A point in doubles, e bounding its distance from the 80-bit one.
    struct Point {
        double re = 0.0, im = 0.0, e = 0.0;
        // A bound on the size of both.
        double size() const { return (std::fabs(re) + std::fabs(im) + e) * kUp; }
        bool set(const Complex& v) {
            if (!InBound(v.re, re) || !InBound(v.im, im)) return false;
            e = TruncationBound(re, im);
            return true;
        }
    };

    // What the rules after the orbit read of a certain escape, each filled
    // only for its rule: the escape test's values (the moduli) at the last
    // step and at the step before (before the first: the 0 an orbit starts
    // with), the 80-bit ones within the radius of each (Modulus Diff.); the
    // last z, the z before it (Slope 1), and the start (Slope 2).
    struct Ending {
        double value = 0.0, radius = 0.0, previousValue = 0.0, previousRadius = 0.0;
        Point z, last, start;
    };

    // The step at which the orbit from (x, y) certainly escapes, having
    // certainly neither escaped before nor come below caughtBelow; where
    // that is not certain, minus the steps followed. x and y as
    // ToDoubleBelow makes them with the bound kFirstStepLog2Bound. With
    // `end`, an escape's last values are left there for the run's rule.
    int operator()(double x, double y, Ending* end = nullptr) const {
        return (this->*(end ? followEnding_ : follow_))(x, y, end);
    }

private:
    // Every bound below is worked out from above, its own rounding (a few
    // parts in 2^53) covered by factors of 1 + 2^-48.
    static constexpr double kUp = 1.0 + 0x1p-48;
    // Each step's rounding, in doubles and in 80 bits, stays within some
    // 2^-50 of the sizes of its terms (a few products and sums); 2^-45
    // covers it, and 2^-1000 what a value too small for a double's exponent
    // loses.
    static constexpr double kRounding = 0x1p-45, kTiny = 0x1p-1000;

    static bool InBound(const long double& v, double& out) { return ToDoubleBelow(v, kFirstStepLog2Bound, out); }

    // How far the doubles of a truncated 80-bit point can lie from it: 2^-52
    // of each part, and values below the doubles' exponents taken as 0.
    static double TruncationBound(double re, double im) { return (std::fabs(re) + std::fabs(im)) * 0x1p-52 + kTiny; }

    // The loop made for the run's formula and stalk type, chosen once: the
    // orbit of most pixels takes a few steps, and a choice made for each
    // would cost as much. The types with a rule after the orbit test
    // nothing on the way; each keeps what its rule reads.
    using Follow = int (ShortOrbitEscape::*)(double, double, Ending*) const;
    int none(double, double, Ending*) const { return 0; }
    template <int S, bool kEnd>
    Follow pick() const {
        switch (formula_) {
        case kFormulaZ2: return &ShortOrbitEscape::escapeStep<kFormulaZ2, S, kEnd>;
        case kFormulaZ3: return &ShortOrbitEscape::escapeStep<kFormulaZ3, S, kEnd>;
        case kFormulaZ7: return &ShortOrbitEscape::escapeStep<kFormulaZ7, S, kEnd>;
        case kFormulaPokorny: return &ShortOrbitEscape::escapeStep<kFormulaPokorny, S, kEnd>;
        case kFormulaCoefficients: return &ShortOrbitEscape::escapeStep<kFormulaCoefficients, S, kEnd>;
        case kFormulaZPowZ: return &ShortOrbitEscape::escapeStep<kFormulaZPowZ, S, kEnd>;
        default: return &ShortOrbitEscape::none;
        }
    }
    void pickLoops() {
        switch (clears_) {
        case kStalkCross: follow_ = pick<kStalkCross, false>(); break;
        case kStalkHypercross: follow_ = pick<kStalkHypercross, false>(); break;
        case kStalkMedian: follow_ = pick<kStalkMedian, false>(); break;
        case kStalkConverge: follow_ = pick<kStalkConverge, false>(); break;
        default: follow_ = pick<kStalkNone, false>(); break;
        }
        switch (ruled_) {
        case kStalkSlope1: followEnding_ = pick<kStalkSlope1, true>(); break;
        case kStalkSlope2: followEnding_ = pick<kStalkSlope2, true>(); break;
        case kStalkModulusDiff: followEnding_ = pick<kStalkModulusDiff, true>(); break;
        default: followEnding_ = follow_; break;
        }
    }

    template <uint8_t K, int S, bool kEnd>
    int escapeStep(double zr, double zi, Ending* end) const {
        const Point c = mandelbrot_ ? Point{zr, zi, TruncationBound(zr, zi)} : c_;
        const double cSize = mandelbrot_ ? c.size() : cSize_;
        Point z{zr, zi, TruncationBound(zr, zi)};
        Point previous = z;  // Pokorny's half-step of the step before
        [[maybe_unused]] double previousValue = 0.0, previousRadius = 0.0;
        // The z before the step (for Median and the rules), and the one
        // before that as Median's test last kept it (1 + 10i until its first
        // test).
        [[maybe_unused]] Point last = z, second{1.0, 10.0, 0.0};
        for (int step = 1;; ++step) {
            if constexpr (S == kStalkMedian || S == kStalkSlope1) last = z;
            if constexpr (K == kFormulaPokorny) {
                const Point half = SquareLessHalf(z, z, c, cSize);
                z = SquareLessHalf(half, previous, c, cSize);
                previous = half;
            } else if constexpr (K == kFormulaCoefficients) {
                if (!coefficientStep(z, c, cSize)) return -step;
            } else if constexpr (K == kFormulaZPowZ) {
                if (!ZPowZStep(z, c, cSize)) return -step;
            } else {
                PowerStep<K == kFormulaZ2 ? 2 : K == kFormulaZ3 ? 3 : 7>(z, c, cSize);
            }
            // The escape test's value lies within d of v.
            const double l1 = std::fabs(z.re) + std::fabs(z.im);
            const double v = sumOfAbs_ ? l1 : z.re * z.re + z.im * z.im;
            const double d = (sumOfAbs_ ? 2.0 * z.e : (2.0 * l1 + z.e) * z.e) * kUp;
            const double low = v * (1.0 - 0x1p-48) - d, high = v * kUp + d;
            // The 80-bit modulus lies within this of v, where it is read.
            constexpr bool kRadius = S == kStalkModulusDiff || S == kStalkConverge;
            [[maybe_unused]] const double radius = kRadius ? (v * 0x1p-48 + d) * kUp : 0.0;
            // The stalk's test comes before the escape test.
            if constexpr (S != kStalkNone && !kEnd) {
                if (step > minit_) {
                    if (!clearOf<S>(z, v, radius, previousValue, previousRadius, last, second)) return -step;
                    if constexpr (S == kStalkMedian) second = last;
                }
            }
            if (low > escapeAbove_) {
                if constexpr (S == kStalkModulusDiff) {
                    end->value = v;
                    end->radius = radius;
                    end->previousValue = previousValue;
                    end->previousRadius = previousRadius;
                }
                if constexpr (S == kStalkSlope1) end->z = z, end->last = last;
                if constexpr (S == kStalkSlope2) end->z = z, end->start = Point{zr, zi, TruncationBound(zr, zi)};
                return step;
            }
            if (!(high < stayBelow_) || !(low > caughtBelow_) || step == most_ || z.e > eMost_) return -step;
            if constexpr (kRadius) {
                previousValue = v;
                previousRadius = radius;
            }
        }
    }

    // Whether the test of stalk type S certainly does not catch the 80-bit
    // orbit at z: the value it compares with the radius lies beyond it by
    // more than its bound (each sum or product rounding within 2^-50 of its
    // terms' size). z's parts each lie within z.e of the 80-bit ones, and
    // the moduli within their radii.
    template <int S>
    bool clearOf(const Point& z, double v, double radius, double previousValue, double previousRadius,
                 const Point& last, const Point& second) const {
        if constexpr (S == kStalkCross) {
            return std::fabs(z.re) - z.e > stalkBeyond_ && std::fabs(z.im) - z.e > stalkBeyond_;
        } else if constexpr (S == kStalkHypercross) {
            const double ar = std::fabs(z.re), ai = std::fabs(z.im), p = ar * ai;
            return p - (z.e * (ar + ai + z.e) + p * 0x1p-50) * kUp > stalkBeyond_;
        } else if constexpr (S == kStalkMedian) {
            const double e = z.e + last.e + second.e;
            const double sr = (z.re + last.re) + second.re, si = (z.im + last.im) + second.im;
            const double er = (e + (std::fabs(z.re) + std::fabs(last.re) + std::fabs(second.re)) * 0x1p-50) * kUp;
            const double ei = (e + (std::fabs(z.im) + std::fabs(last.im) + std::fabs(second.im)) * 0x1p-50) * kUp;
            return std::fabs(sr) - er > stalkBeyond_ && std::fabs(si) - ei > stalkBeyond_;
        } else {
            static_assert(S == kStalkConverge);
            const double e = (radius + previousRadius + (v + previousValue) * 0x1p-50) * kUp;
            return std::fabs(v - previousValue) - e > stalkBeyond_;
        }
    }

    static void Mul(double ar, double ai, double br, double bi, double& r, double& i) {
        r = ar * br - ai * bi;
        i = ar * bi + ai * br;
    }

    // z^N + c, z^N as the formulas make it. With a bounding both |z|,
    // |D^N - Z^N| <= N a^(N-1) |D - Z|.
    template <int N>
    static void PowerStep(Point& z, const Point& c, double cSize) {
        const double a = z.size();
        double an1 = a;  // a^(N-1)
        if constexpr (N == 3) an1 = a * a;
        if constexpr (N == 7) an1 = a * a * (a * a) * (a * a);
        z.e = (N * an1 * z.e + c.e + kRounding * (an1 * a + cSize) + kTiny) * kUp;
        double tr, ti;
        Mul(z.re, z.im, z.re, z.im, tr, ti);
        if constexpr (N == 2) {
            z.re = tr;
            z.im = ti;
        }
        if constexpr (N == 3) Mul(tr, ti, z.re, z.im, z.re, z.im);
        if constexpr (N == 7) {
            double ur, ui;
            Mul(tr, ti, tr, ti, ur, ui);
            Mul(tr, ti, ur, ui, ur, ui);
            Mul(z.re, z.im, ur, ui, z.re, z.im);
        }
        z.re += c.re;
        z.im += c.im;
    }

    // Pokorny's half-step z^2 - w/2 + c.
    static Point SquareLessHalf(const Point& z, const Point& w, const Point& c, double cSize) {
        const double a = z.size(), aw = w.size();
        Point r;
        r.e = (2.0 * a * z.e + 0.5 * w.e + c.e + kRounding * (a * a + aw + cSize) + kTiny) * kUp;
        Mul(z.re, z.im, z.re, z.im, r.re, r.im);
        r.re = r.re - w.re * 0.5 + c.re;
        r.im = r.im - w.im * 0.5 + c.im;
        return r;
    }

    // az^2 + b/z^2 + c*k, in the formula's order. False where z^2 may come
    // so near 0 that b/z^2 is not bounded well (or its zero rule could
    // apply).
    bool coefficientStep(Point& z, const Point& c, double cSize) const {
        const double a = z.size();
        const double wSize = a * a * (1.0 + kRounding);
        const double eW = (2.0 * a * z.e + kRounding * a * a + kTiny) * kUp;
        double wr, wi;
        Mul(z.re, z.im, z.re, z.im, wr, wi);
        const double aSize = coefA_.size(), kSize = coefC_.size();
        double qr, qi;
        Mul(wr, wi, coefA_.re, coefA_.im, qr, qi);
        // |AW - A'W'| <= |A| |W - W'| + |A - A'| |W'|, and likewise below.
        double e = aSize * eW + coefA_.e * wSize + kRounding * aSize * wSize;
        if (!bZero_) {
            // Both |W| at least wLow: |z| >= (|zr| + |zi|) / sqrt 2.
            const double zLow = (std::fabs(z.re) + std::fabs(z.im)) * (0.7071067811865475 * (1.0 - 0x1p-48)) - z.e;
            const double wLow = zLow * zLow * (1.0 - kRounding);
            if (!(zLow > 0.0) || !(wLow > 0x1p-300)) return false;
            // |b/W - b'/W'| <= |b - b'| / |W| + |b'| |W - W'| / (|W| |W'|).
            const double bSize = coefB_.size(), rSize = bSize / wLow;
            // A product too small for a double's exponent loses up to 2^-1074,
            // divided by |W|^2.
            e += (coefB_.e + bSize * eW / wLow) / wLow + kRounding * rSize + kTiny / (wLow * wLow);
            const double d = wr * wr + wi * wi;
            const double rr = (coefB_.re * wr + coefB_.im * wi) / d;
            const double ri = (coefB_.im * wr - coefB_.re * wi) / d;
            qr += rr;
            qi += ri;
        }
        double tr, ti;
        Mul(c.re, c.im, coefC_.re, coefC_.im, tr, ti);
        e += kSize * c.e + coefC_.e * cSize + kRounding * kSize * cSize;
        z.e = (e + kRounding * (std::fabs(qr) + std::fabs(qi) + kSize * cSize) + kTiny) * kUp;
        z.re = qr + tr;
        z.im = qi + ti;
        return true;
    }

    // z^z + z^4 - z + c in the formula's order, z^z as exp(z Log z) with
    // the angle of Log z from its sign cases (+-atan |y/x|, or pi less
    // it). False where a part of z may be 0 (the angle's case, or Log 0,
    // could differ), |z| is too small for its square in doubles, or z Log z
    // lies where the exponential and the sine are not bounded here. The
    // library functions, in doubles and in 80 bits, lie within a few units
    // of their last places of the true values, far within 2^-45 of their
    // size (and 2^-50 for the sine and cosine, which are at most 1); with
    // all values so bounded none of the 80-bit operations can fault.
    static bool ZPowZStep(Point& z, const Point& c, double cSize) {
        const double a = z.size(), a4 = a * a * (a * a);
        const double x = z.re, y = z.im, e = z.e, ax = std::fabs(x), ay = std::fabs(y);
        if (!(ax > e) || !(ay > e)) return false;
        double tr, ti, qr, qi;
        Mul(x, y, x, y, tr, ti);
        Mul(tr, ti, tr, ti, qr, qi);
        qr -= x;
        qi -= y;
        // |D^4 - Z^4| <= 4 a^3 |D - Z|, then less z.
        const double eQ = 4.0 * (a4 / a) * e + e + kRounding * (a4 + a);
        // Log z: half the logarithm of m = |z|^2, both m at least mLow.
        const double m = x * x + y * y;
        const double mLow = ((ax - e) * (ax - e) + (ay - e) * (ay - e)) * (1.0 - 0x1p-48);
        if (!(mLow > 0x1p-500)) return false;
        const double ln = std::log(m);
        const double dm = ((2.0 * (ax + ay) + e) * e + m * 0x1p-50) * kUp;
        const double lr = 0.5 * ln, eLr = (0.5 * dm / mLow + std::fabs(lr) * 0x1p-45 + kTiny) * kUp;
        // |y/x - y'/x'| <= (|y - y'| + |y/x| |x - x'|) / |x'|, and the
        // arctangent's slope is at most 1 / (1 + q^2) between the two.
        const double aq = std::fabs(y / x);
        const double eq = ((e + aq * e) / (ax - e) + aq * 0x1p-50) * kUp;
        const double qLow = std::max(aq - eq, 0.0), t = std::atan(aq);
        // pi in doubles and in 80 bits, and the differences' rounding.
        const double eLi = (eq / (1.0 + qLow * qLow) + t * 0x1p-45 + (x > 0.0 ? 0.0 : 0x1p-48) + kTiny) * kUp;
        constexpr double kPi = 3.141592653589793;
        const double li = x > 0.0 ? (y > 0.0 ? t : -t) : (y > 0.0 ? kPi - t : t - kPi);
        // W = z Log z: |zL - z'L'| <= |z| |L - L'| + |z - z'| |L'|.
        const double eL = eLr + eLi, sL = (std::fabs(lr) + std::fabs(li) + eL) * kUp;
        double wr, wi;
        Mul(x, y, lr, li, wr, wi);
        const double eW = (a * eL + e * sL + kRounding * a * sL + kTiny) * kUp;
        if (!(std::fabs(wr) < 64.0) || !(std::fabs(wi) < 0x1p20) || !(eW < 0x1p-8)) return false;
        // e^W: |e^a' - e^a| <= e^a 2|a' - a| for |a' - a| below 1/2; the
        // 80-bit one scales 2 to W's fraction by its whole part, within
        // 2^-50 of e^W here. Each sine and cosine within |W - W'| of the
        // other's.
        const double f = std::exp(wr), co = std::cos(wi), si = std::sin(wi);
        const double eF = f * (2.0 * eW + 0x1p-45) * kUp, eCS = eW + 0x1p-50;
        const double eE = (eF * (1.0 + 0x1p-48) + (f + eF) * 2.0 * eCS + f * 0x1p-50) * kUp;
        const double cr = c.re, ci = c.im;
        z.re = f * co + cr + qr;
        z.im = f * si + ci + qi;
        z.e = (eE + c.e + eQ + kRounding * (f + cSize + a4 + a) + kTiny) * kUp;
        return true;
    }

    bool on_ = false;
    Follow follow_ = &ShortOrbitEscape::none, followEnding_ = &ShortOrbitEscape::none;
    // The type the orbit is followed clear of, and the type whose rule's
    // ending is kept.
    uint8_t formula_ = 0, clears_ = kStalkNone, ruled_ = kStalkNone;
    int32_t minit_ = 0;
    double stalkBeyond_ = 0.0;
    int most_ = 0;
    bool mandelbrot_ = false, sumOfAbs_ = false, bZero_ = true;
    Point c_, coefA_, coefB_, coefC_;
    double cSize_ = 0.0;
    double escapeAbove_ = 0.0, stayBelow_ = 0.0, caughtBelow_ = -1.0, eMost_ = 0.0;
};

// Modulus Diff.'s rule after an orbit that ShortOrbitEscape has seen
// certainly escape, worked out in doubles with a bound on how far each value
// can lie from the 80-bit rule's. Where the bounds decide what the rule does
// (leave the colour, or give a band entry that no rounding boundary lies
// near), the colour is known without the orbit. The growth of the last step
// is then certainly positive and every value bounded, so the rule raises no
// fault; nothing here raises one either (no division by 0, no overflow).
// Each operation's rounding, in doubles or in 80 bits, lies within 2^-52 of
// the size of its operands; kRound covers it, and the factor kSafe the
// rounding of the bounds themselves.
class ModulusDiffShortRule {
public:
    ModulusDiffShortRule() = default;
    // Off for other stalk types, and for a maxmod, width or tolerance out
    // of the bounded sizes (or a tolerance not above 2^-900).
    explicit ModulusDiffShortRule(const RunContext& rc) {
        double m, w, t;
        if (rc.StalkType != kStalkModulusDiff || !ToDoubleBelow(rc.maxmod, kFirstStepLog2Bound, m) || !(m > 0.0) ||
            !ToDoubleBelow(rc.trapWidth, kFirstStepLog2Bound, w) ||
            !ToDoubleBelow(rc.trapTolerance, kFirstStepLog2Bound, t) || !(t > 0x1p-900))
            return;
        // The truncated values lie below the 80-bit ones by at most 2^-52 of
        // their size (2^-1022 below a double's exponents).
        root_ = std::sqrt(m);
        rootError_ = root_ * kRound;
        // Both moduli of an escape exceed maxmod, so their roots differ by
        // at most their difference over twice the root of maxmod.
        halfOverRoot_ = 0.5 / root_ * kSafe;
        width_ = w;
        widthError_ = std::fabs(w) * kRound + 0x1p-1000;
        tolerance_ = t;
        toleranceLow_ = t * (1.0 - kRound);
        toleranceHigh_ = t * (1.0 + kRound);
        on_ = true;
    }

    bool on() const { return on_; }

    // Whether the bounds decide the colour of an orbit whose rule reads the
    // step count n; if so, `colour` (holding the escape's colour) is the
    // pixel's.
    bool operator()(const ShortOrbitEscape::Ending& end, int32_t n, int32_t miter, ColourValue& colour) const {
        if (n > miter) return true;
        // The roots of the moduli and the growth of the last step. The root
        // of the modulus before lies within sqrt(R), and within R over its
        // own size, of the 80-bit one (R its radius; the tiny term keeps the
        // divisor from 0).
        const double r = std::sqrt(end.value), p = std::sqrt(end.previousValue);
        const double rError = end.radius * halfOverRoot_ + r * kRound;
        const double pRadius = end.previousRadius + 0x1p-1000;
        const double pError = pRadius / std::max(p, std::sqrt(pRadius)) + p * kRound;
        const double growth = r - p, growthError = (rError + pError + (r + p) * kRound) * kSafe;
        const double growthLow = growth - growthError;
        // The rest is worked out whatever the tests below find, without a
        // branch to mispredict (their outcomes differ from pixel to pixel);
        // where the growth may not be positive, it divides by 1 instead and
        // what it finds is not used.
        const bool grows = growthLow > 0.0;
        // |O/G - o/g| <= (|O - o| + |o/g| |G - g|) / G.
        const double ratio = (r - root_) / (grows ? growth : 1.0);
        const double overError = rError + rootError_ + (r + root_) * kRound;
        const double a = std::fabs(ratio - width_);
        const double ratioError = (overError + std::fabs(ratio) * growthError) / (grows ? growthLow : 1.0);
        const double aError = (ratioError + (std::fabs(ratio) + std::fabs(width_)) * kRound + widthError_) * kSafe;
        const bool leaves = a - aError > toleranceHigh_;
        const bool colours = a + aError < toleranceLow_;
        // 29 A / T, the band's position, and the entry it rounds to where
        // no half lies within its bound (q is not negative: the conversion
        // truncates it; held below 64 so that it converts without a fault).
        const double q = 29.0 * a / tolerance_;
        const double qError = (29.0 * (aError + a * kRound) / tolerance_ + q * kRound) * kSafe + 0x1p-44;
        const int32_t entry = static_cast<int32_t>(std::min(q, 64.0) + 0.5);
        const bool inBand = (q - qError > entry - 0.5) & (q + qError < entry + 0.5);
        const bool caught = n >= miter;
        if (colours) colour = ColourValue::Index(caught ? kCaughtEntry : entry + 30 * (n % 4));
        return grows & (leaves | (colours & (caught | inBand)));
    }

private:
    static constexpr double kRound = 0x1p-50, kSafe = 1.0 + 0x1p-40;

    bool on_ = false;
    double root_ = 0.0, rootError_ = 0.0, halfOverRoot_ = 0.0, width_ = 0.0, widthError_ = 0.0;
    double tolerance_ = 0.0, toleranceLow_ = 0.0, toleranceHigh_ = 0.0;
};

// The slope rules after an orbit that ShortOrbitEscape has seen certainly
// escape: Slope 1's from the z before the last to the last, Slope 2's from
// the start. Their colour is a band entry of the angle A = atan |dy/dx|
// within the radius R; as the arctangent only grows, each entry's edge is a
// slope, tan(R (k + 1/2) / bands), which this compares the slope with, with
// a margin of 2^-38 of it, far beyond the library's and the rounding's few
// parts in 2^60 (near A = R the rules' own early end tests the slope against
// tan R, with a margin of 2^-40). Taken only where the bound on the slope
// lies between two edges, or beyond tan R (the rule leaves the colour).
// Nothing here or in the rules then faults: |dx| is certainly not 0.
class SlopeShortRule {
public:
    SlopeShortRule() = default;
    // Off for other types, and where the rules have no early end (R beyond
    // the range tan is taken over) or R lies beyond the bounded sizes.
    explicit SlopeShortRule(const RunContext& rc) {
        double radius;
        if ((rc.StalkType != kStalkSlope1 && rc.StalkType != kStalkSlope2) || !std::isfinite(rc.slopeBeyond) ||
            !ToDoubleBelow(rc.trapRadius, kFirstStepLog2Bound, radius) || !(radius > 0x1p-900))
            return;
        slope1_ = rc.StalkType == kStalkSlope1;
        bands_ = slope1_ ? 29 : 63;
        for (int k = 0; k < bands_; ++k)
            edge_[k] = static_cast<double>(tanl(rc.trapRadius * (static_cast<long double>(k) + 0.5L) / bands_));
        edge_[bands_] = static_cast<double>(tanl(rc.trapRadius));
        minit_ = rc.minit;
        on_ = true;
    }

    bool on() const { return on_; }

    // As ModulusDiffShortRule's.
    bool operator()(const ShortOrbitEscape::Ending& end, int32_t n, int32_t miter, ColourValue& colour) const {
        using Point = ShortOrbitEscape::Point;
        const Point& from = slope1_ ? end.last : end.start;
        const Point& to = end.z;
        // dx, dy as the rules make them (from - to), within these bounds.
        const double dx = from.re - to.re, dy = from.im - to.im;
        const double ex = (from.e + to.e + (std::fabs(from.re) + std::fabs(to.re)) * 0x1p-50) * (1.0 + 0x1p-48);
        const double ey = (from.e + to.e + (std::fabs(from.im) + std::fabs(to.im)) * 0x1p-50) * (1.0 + 0x1p-48);
        const double xLow = std::fabs(dx) - ex;
        if (!(xLow > 0.0)) return false;
        const double low = std::max(std::fabs(dy) - ey, 0.0) / (std::fabs(dx) + ex) * (1.0 - 0x1p-48);
        const double high = (std::fabs(dy) + ey) / xLow * (1.0 + 0x1p-48);
        // The entry: the number of edges below the slope.
        const int k = static_cast<int>(std::upper_bound(edge_, edge_ + bands_ + 1, low) - edge_);
        if (k > 0 && !(low > edge_[k - 1] * (1.0 + kMargin))) return false;
        if (k > bands_) return true;  // the angle lies beyond R
        if (!(high < edge_[k] * (1.0 - kMargin))) return false;
        if (slope1_) {
            const int32_t lastTested = n - 1 > minit_ ? n - 1 : 0;
            if (n < miter) colour = ColourValue::Index(k + 30 * (lastTested % 4));
        } else {
            colour = ColourValue::Index(n >= miter ? kCaughtEntry : n % 2 == 0 ? k : k + 64);
        }
        return true;
    }

private:
    static constexpr double kMargin = 0x1p-38;

    bool on_ = false, slope1_ = false;
    int bands_ = 0;
    int32_t minit_ = 0;
    double edge_[64] = {};
};

// The rule after the orbit for the run's stalk type, where one of the above
// works it out.
class ShortOrbitRule {
public:
    ShortOrbitRule() = default;
    explicit ShortOrbitRule(const RunContext& rc) : modulusDiff_(rc), slope_(rc), miter_(rc.miter) {}
    bool on() const { return modulusDiff_.on() || slope_.on(); }
    // Whether the bounds decide the colour of an orbit that escaped at
    // `steps`; if so, `colour` (holding the escape's colour) is the pixel's.
    [[gnu::always_inline]] bool operator()(const ShortOrbitEscape::Ending& end, int steps, ColourValue& colour) const {
        const int32_t n = steps + 1;  // the step count the rules read
        return modulusDiff_.on() ? modulusDiff_(end, n, miter_, colour) : slope_(end, n, miter_, colour);
    }

private:
    ModulusDiffShortRule modulusDiff_;
    SlopeShortRule slope_;
    int32_t miter_ = 0;
};

}  // namespace velmora::lanes
