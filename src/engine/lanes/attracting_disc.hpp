#pragma once
// Bounded orbits of c*sin z, c*cos z, c*e^z, sinh z + c and c*tanh z that
// have settled near an attracting fixed point. A disc about the orbit's z that the 80-bit
// step certainly maps into itself, and that lies inside the escape test's
// bound, holds every later z of the orbit: the orbit runs to its limit and
// ends inside, and none of its steps can fault (every value stays bounded).
// Where nothing but that end is read of the orbit, its colour needs none of
// those steps. Such orbits are most of the work of these formulas' pictures,
// and each step costs several 80-bit library calls; they seldom come back
// bit for bit within a few hundred steps, so the repeat watch rarely ends
// them.

#include <algorithm>
#include <cmath>
#include <limits>

#include "complex.hpp"
#include "kinds.hpp"
#include "main_body.hpp"
#include "run_context.hpp"
#include "stalks.hpp"

namespace velmora::lanes {

// How often an orbit is looked at: a look costs some tenth of a step of
// these formulas.
inline constexpr int kDiscLookSteps = 8;

template <int K>
class AttractingDisc {
public:
    static constexpr bool kFollows =
        K == kFormulaCSin || K == kFormulaCCos || K == kFormulaCExp || K == kFormulaSinh || K == kFormulaCTanh;

    // Off where a rule after the orbit reads its last values, or maxmod lies
    // beyond the doubles' bounded sizes.
    explicit AttractingDisc(const RunContext& rc) {
        double m;
        if (!kFollows || HasRuleAfterOrbit(rc.StalkType) || !ToDoubleBelow(rc.maxmod, kFirstStepLog2Bound, m) ||
            !(m > 0.0))
            return;
        sumOfAbs_ = rc.BailoutKind == kBailoutSumAbs;
        // The truncated bound lies below the true one; the 80-bit test's own
        // rounding is far within 2^-40 of it.
        below_ = m * (1.0 - 0x1p-40);
        on_ = true;
    }

    bool on() const { return on_; }

    // A disc about (wr, wi), of radius r.
    struct Disc {
        double wr = 0.0, wi = 0.0, r = 0.0;
    };

    // Whether every later z of the orbit at z, of constant c, certainly
    // stays within a disc about z inside the escape bound.
    bool holds(const Complex& z, const Complex& c) const {
        Disc disc;
        return holds(z, c, disc);
    }
    // The same, with that disc.
    bool holds(const Complex& z, const Complex& c, Disc& disc) const {
        double wr, wi, cr, ci;
        if (!ToDoubleBelow(z.re, 6, wr) || !ToDoubleBelow(z.im, 6, wi) || !ToDoubleBelow(c.re, 10, cr) ||
            !ToDoubleBelow(c.im, 10, ci))
            return false;
        // How far the truncated values lie from the 80-bit ones.
        const double t = (std::fabs(wr) + std::fabs(wi)) * 0x1p-52 + 0x1p-1000;
        const double ce = (std::fabs(cr) + std::fabs(ci)) * 0x1p-52 + 0x1p-1000;
        // Sizes of c, the 80-bit one at most cSize.
        const double cSize = (std::fabs(cr) + std::fabs(ci)) * kUp + ce;
        const double cFactor = K == kFormulaSinh ? 1.0 : cSize;
        // The slope at w first, the test most orbits fail (those that have
        // not settled, or never will): at once where a bound below it
        // without library calls is too large already.
        if (!(cFactor * SlopeFloor(wr, wi) < 0.75)) return false;
        const double l0 = cFactor * SlopeSize(wr, wi, 0.0);
        if (!(l0 < 0.75)) return false;
        // The step at w in doubles, and g(w) = sin, cos, exp, sinh or tanh
        // of w.
        double gr, gi;
        if (!Inner(wr, wi, gr, gi)) return false;
        double fr, fi;
        if constexpr (K == kFormulaSinh) {
            fr = gr + cr;
            fi = gi + ci;
        } else {
            fr = gr * cr - gi * ci;
            fi = gr * ci + gi * cr;
        }
        // |f(w) - w| for the true f at the 80-bit c: the doubles' library
        // values lie within kLibrary of the bound on |g| at w, and c within
        // ce.
        const double g0 = GSize(wr, wi, 0.0);
        const double d = (std::hypot(fr - wr, fi - wi) + (K == kFormulaSinh ? ce : ce * g0) +
                          cFactor * g0 * kLibrary + (std::fabs(fr) + std::fabs(fi)) * 0x1p-50 + 0x1p-1000) *
                         kUp;
        // A radius for the disc from the slope at w, then checked with the
        // slope's and the 80-bit step's bounds over the whole disc.
        const double r = 2.0 * (d + t + cFactor * g0 * 0x1p-46) / (1.0 - l0) + 0x1p-900;
        // A wider disc never has a slope below 1 (sinh and e^Re u grow too
        // fast), and the bounds over it could overflow: a flag raised here
        // would send the whole batch of pixels to the checked path.
        if (!(r < 64.0)) return false;
        const double l = cFactor * SlopeSize(wr, wi, r);
        if (!(l < 1.0) || !(r >= t)) return false;
        // The 80-bit step at any point of the disc lies within eps of f
        // there: a few library values, each within a few units of its last
        // place, in a few sums and products of terms below this size
        // (c*tanh z divides by e^z + 1/e^z, at least 2 |cosh z| in size).
        const double g = GSize(wr, wi, r);
        const double eps = (cFactor + 1.0) * (K == kFormulaCTanh ? (g + 1.0) * (g + 1.0) : g + 1.0) * 0x1p-48;
        // The disc stays where no 80-bit value of a step can overflow or
        // vanish: its parts below 64 + 64 in size (sinh z + c and c*tanh z
        // also round |e^z|^2 to a double in their reciprocal, which stays
        // far within a double's range there).
        if (!(l * r + d + eps <= r * (1.0 - 0x1p-40))) return false;
        disc = {wr, wi, r};
        // Every z of the disc passes the escape test, with the 80-bit
        // modulus's rounding.
        if (sumOfAbs_) return (std::fabs(wr) + std::fabs(wi) + 2.0 * r) * kUp < below_;
        const double reach = std::hypot(wr, wi) * kUp + r;
        return reach * reach * kUp < below_;
    }

private:
    static constexpr double kUp = 1.0 + 0x1p-40;
    // How far the doubles' g(w) can lie from the true one, for |g| at
    // most 1 (tanh's quotient, kept off its poles, loses more).
    static constexpr double kLibrary = K == kFormulaCTanh ? 0x1p-36 : 0x1p-44;
    static constexpr double kNoBound = std::numeric_limits<double>::infinity();

    // g(w) in doubles; false for tanh near a pole, where its quotient is
    // not bounded well.
    static bool Inner(double wr, double wi, double& gr, double& gi) {
        if constexpr (K == kFormulaCSin) {
            gr = std::sin(wr) * std::cosh(wi);
            gi = std::cos(wr) * std::sinh(wi);
        } else if constexpr (K == kFormulaCCos) {
            gr = std::cos(wr) * std::cosh(wi);
            gi = -std::sin(wr) * std::sinh(wi);
        } else if constexpr (K == kFormulaCExp) {
            const double e = std::exp(wr);
            gr = e * std::cos(wi);
            gi = e * std::sin(wi);
        } else if constexpr (K == kFormulaSinh) {
            gr = std::sinh(wr) * std::cos(wi);
            gi = std::cosh(wr) * std::sin(wi);
        } else {
            // tanh(x + iy) = (sinh 2x + i sin 2y) / (cosh 2x + cos 2y), the
            // divisor 2 |cosh(x + iy)|^2.
            const double ch = std::cosh(2.0 * wr), den = ch + std::cos(2.0 * wi);
            if (!(den > (ch + 1.0) * 0x1p-8)) return false;
            gr = std::sinh(2.0 * wr) / den;
            gi = std::sin(2.0 * wi) / den;
        }
        return true;
    }
    // A lower bound on |cosh u|^2 = sinh^2 x + cos^2 y over the disc; where
    // it comes near 0 the bounds below give none (their quotients would
    // overflow or divide by zero, raising a flag).
    static double CoshLowSquared(double wr, double wi, double r) {
        const double a = std::sinh(std::max(std::fabs(wr) - r, 0.0));
        const double b = std::max(std::fabs(std::cos(wi)) - r - 0x1p-50, 0.0);
        return (a * a + b * b) * (1.0 - 0x1p-40);
    }
    // A bound on |g| over the disc of radius r about w: |sin u| and |cos u|
    // are at most cosh Im u, |e^u| is e^Re u, |sinh u| at most cosh Re u,
    // and |tanh u| = |sinh u| / |cosh u|.
    static double GSize(double wr, double wi, double r) {
        if constexpr (K == kFormulaCSin || K == kFormulaCCos) {
            return std::cosh(std::fabs(wi) + r) * kUp;
        } else if constexpr (K == kFormulaCExp) {
            return std::exp(wr + r) * kUp;
        } else if constexpr (K == kFormulaSinh) {
            return std::cosh(std::fabs(wr) + r) * kUp;
        } else {
            const double low = CoshLowSquared(wr, wi, r);
            return low > 0x1p-30 ? std::cosh(std::fabs(wr) + r) / std::sqrt(low) * kUp : kNoBound;
        }
    }
    // A bound on |g'| over that disc, from |cos(x + iy)|^2 = cos^2 x +
    // sinh^2 y, |sin(x + iy)|^2 = sin^2 x + sinh^2 y, |cosh(x + iy)|^2 =
    // sinh^2 x + cos^2 y and |e^u| = e^Re u, each part within r of w's,
    // and a sine or cosine there within r of its value at w.
    static double SlopeSize(double wr, double wi, double r) {
        const auto near = [r](double v) { return std::min(std::fabs(v) + r + 0x1p-50, 1.0); };
        if constexpr (K == kFormulaCSin || K == kFormulaCCos) {
            const double a = near(K == kFormulaCSin ? std::cos(wr) : std::sin(wr));
            const double b = std::sinh(std::fabs(wi) + r);
            return std::sqrt(a * a + b * b) * kUp;
        } else if constexpr (K == kFormulaCExp) {
            return std::exp(wr + r) * kUp;
        } else if constexpr (K == kFormulaSinh) {
            const double a = std::sinh(std::fabs(wr) + r), b = near(std::cos(wi));
            return std::sqrt(a * a + b * b) * kUp;
        } else {
            // tanh' = 1 / cosh^2.
            const double low = CoshLowSquared(wr, wi, r);
            return low > 0x1p-30 ? kUp / low : kNoBound;
        }
    }

    // At most SlopeSize(wr, wi, 0): sinh x >= x and e^x >= 1 + x.
    static double SlopeFloor(double wr, double wi) {
        if constexpr (K == kFormulaCSin || K == kFormulaCCos) return std::fabs(wi);
        else if constexpr (K == kFormulaCExp) return 1.0 + wr;
        else if constexpr (K == kFormulaSinh) return std::fabs(wr);
        else return 0.0;
    }

    bool on_ = false, sumOfAbs_ = false;
    double below_ = 0.0;
};

// Whether no z of such a disc can be caught by a stalk test that reads only
// the new z and its escape modulus (Cross, Circle, Annulus, Square band,
// hypercross), with the 80-bit test's own rounding. An orbit that has settled
// in the disc past its minimum steps is then never caught: it runs to its
// limit and ends inside, as without stalks.
template <int kStalk, int kBailout>
class DiscMissesTrap {
public:
    static constexpr bool kApplies = kStalk == kStalkCross || kStalk == kStalkCircle || kStalk == kStalkAnnulus ||
                                     kStalk == kStalkSquareBand || kStalk == kStalkHypercross;

    // The test's constants: R, R*R, Square band's R-2W, Annulus's (R-2W)^2.
    DiscMissesTrap(long double R, long double R2, long double inner, long double inner2) {
        double unused;
        on_ = kApplies && Bounded(R, unused, rHigh_) && Bounded(R2, unused, r2High_) &&
              Bounded(inner, innerLow_, unused) && Bounded(inner2, inner2Low_, unused);
    }

    bool on() const { return on_; }

    template <class Disc>
    bool operator()(const Disc& d) const {
        if constexpr (kStalk == kStalkCross) {
            return AllBeyond(d.wr, d.r, rHigh_) && AllBeyond(d.wi, d.r, rHigh_);
        } else if constexpr (kStalk == kStalkCircle) {
            return LowModulus(d) > r2High_;
        } else if constexpr (kStalk == kStalkAnnulus) {
            return LowModulus(d) > r2High_ || HighModulus(d) < inner2Low_;
        } else if constexpr (kStalk == kStalkSquareBand) {
            // Caught only where a part's size lies between R-2W and R.
            return (AllBeyond(d.wr, d.r, rHigh_) || AllWithin(d.wr, d.r, innerLow_)) &&
                   (AllBeyond(d.wi, d.r, rHigh_) || AllWithin(d.wi, d.r, innerLow_));
        } else {
            const double ax = Down(std::fabs(d.wr) - d.r), ay = Down(std::fabs(d.wi) - d.r);
            return ax > 0.0 && ay > 0.0 && Down(ax * ay) > r2High_;
        }
    }

private:
    // Each double operation below rounds by far less than these margins.
    static double Up(double x) { return x + std::fabs(x) * 0x1p-40 + 0x1p-1000; }
    static double Down(double x) { return x - std::fabs(x) * 0x1p-40 - 0x1p-1000; }
    // Doubles about an 80-bit constant; false for what is not finite or far
    // beyond any orbit's bounded sizes.
    static bool Bounded(long double v, double& low, double& high) {
        double d;
        if (!ToDoubleBelow(v, 900, d)) return false;
        low = Down(d);
        high = Up(d);
        return true;
    }
    // Every part within r of v at least high in size, or below low.
    static bool AllBeyond(double v, double r, double high) { return std::fabs(v) > Up(r + high); }
    static bool AllWithin(double v, double r, double low) { return Up(std::fabs(v) + r) < low; }
    // Bounds on the 80-bit escape modulus over the disc.
    template <class Disc>
    static double LowModulus(const Disc& d) {
        const double a = Down(Down(std::hypot(d.wr, d.wi)) - d.r);
        if (!(a > 0.0)) return 0.0;
        return kBailout == kBailoutModulus ? Down(a * a) : a;
    }
    template <class Disc>
    static double HighModulus(const Disc& d) {
        if constexpr (kBailout == kBailoutModulus) {
            const double a = Up(Up(std::hypot(d.wr, d.wi)) + d.r);
            return Up(a * a);
        } else {
            return Up(Up(std::fabs(d.wr) + std::fabs(d.wi)) + 2.0 * d.r);
        }
    }

    bool on_ = false;
    double rHigh_ = 0.0, r2High_ = 0.0, innerLow_ = 0.0, inner2Low_ = 0.0;
};

}  // namespace velmora::lanes
