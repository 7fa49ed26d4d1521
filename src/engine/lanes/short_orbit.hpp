#pragma once
// Orbits of z^n+c that certainly escape within a few steps, followed in
// doubles with a bound on how far they can lie from the 80-bit orbit. Where
// every escape test of the way is decided beyond that bound, the 80-bit
// orbit ends at the same step, and its colour needs none of its steps. On a
// view of short orbits most of the time would otherwise go on loading and
// unloading lanes for two or three steps each.

#include <algorithm>
#include <cmath>

#include "complex.hpp"
#include "main_body.hpp"

namespace velmora::lanes {

class ShortOrbitEscape {
public:
    // The most steps followed: beyond them the bound has mostly grown too
    // wide, and an orbit that has not escaped is left to the lanes.
    static constexpr int kMostSteps = 16;

    ShortOrbitEscape() = default;
    // n as FirstStepPower (off for 0), an orbit's steps at most `most`.
    // With caughtBelow, an orbit whose modulus (as the escape test makes it)
    // may fall below it at some step is left to the lanes: a stalk could
    // catch it there. Off where maxmod, c or caughtBelow lie beyond the
    // bounded sizes (below 2^40), where nothing can overflow in either
    // orbit.
    ShortOrbitEscape(int n, bool mandelbrot, bool sumOfAbs, const long double& maxmod, const Complex& c, int most,
                     const long double* caughtBelow) {
        double m, caught = 0.0;
        if (n < 2 || most < 1 || !ToDoubleBelow(maxmod, kFirstStepLog2Bound, m) || !(m > 0.0)) return;
        if (!mandelbrot && (!ToDoubleBelow(c.re, kFirstStepLog2Bound, cr_) || !ToDoubleBelow(c.im, kFirstStepLog2Bound, ci_)))
            return;
        if (caughtBelow && !ToDoubleBelow(*caughtBelow, kFirstStepLog2Bound, caught)) return;
        n_ = n;
        most_ = std::min(most, kMostSteps);
        mandelbrot_ = mandelbrot;
        sumOfAbs_ = sumOfAbs;
        ec_ = TruncationBound(cr_, ci_);
        cSize_ = std::fabs(cr_) + std::fabs(ci_) + ec_;
        // The truncated values lie below the true ones by at most 2^-52 of
        // their size, and the tests' own rounding by far less than 2^-40.
        escapeAbove_ = m * (1.0 + 0x1p-40);
        stayBelow_ = m * (1.0 - 0x1p-40);
        caughtBelow_ = caughtBelow ? caught * (1.0 + 0x1p-40) : -1.0;
        eMost_ = (sumOfAbs ? m : std::sqrt(m)) * 0x1p-16;
    }

    bool on() const { return n_ > 0; }

    // The step at which the orbit from (x, y) certainly escapes, having
    // certainly neither escaped before nor come below caughtBelow; where
    // that is not certain, minus the steps followed. x and y as
    // ToDoubleBelow makes them with the bound kFirstStepLog2Bound.
    int operator()(double x, double y) const {
        switch (n_) {
        case 2: return escapeStep<2>(x, y);
        case 3: return escapeStep<3>(x, y);
        case 7: return escapeStep<7>(x, y);
        default: return 0;
        }
    }

private:
    // How far the doubles of a truncated 80-bit point can lie from it: 2^-52
    // of each part, and values below the doubles' exponents taken as 0.
    static double TruncationBound(double re, double im) { return (std::fabs(re) + std::fabs(im)) * 0x1p-52 + 0x1p-1000; }

    template <int N>
    int escapeStep(double zr, double zi) const {
        const double cr = mandelbrot_ ? zr : cr_, ci = mandelbrot_ ? zi : ci_;
        // e bounds |D - Z| for the doubles D and the 80-bit orbit Z; each
        // bound is worked out from above, its own rounding (a few parts in
        // 2^53) covered by the factors of 1 + 2^-48.
        double e = TruncationBound(zr, zi);
        const double ec = mandelbrot_ ? e : ec_;
        const double cSize = mandelbrot_ ? std::fabs(cr) + std::fabs(ci) + e : cSize_;
        for (int step = 1;; ++step) {
            // |D| and |Z| are at most a (|zr| + |zi| is at least |D|). Then
            // |D^n - Z^n| <= n a^(n-1) |D - Z|, and each step's rounding, in
            // doubles and in 80 bits, stays within some 2^-48 of a^n + |c|
            // (a few complex products and a sum); 2^-45 covers it, and
            // 2^-1000 what a value too small for a double's exponent loses.
            const double a = (std::fabs(zr) + std::fabs(zi) + e) * (1.0 + 0x1p-48);
            double an1 = a;  // a^(n-1)
            if constexpr (N == 3) an1 = a * a;
            if constexpr (N == 7) an1 = a * a * (a * a) * (a * a);
            e = (N * an1 * e + ec + 0x1p-45 * (an1 * a + cSize) + 0x1p-1000) * (1.0 + 0x1p-48);
            Power<N>(zr, zi);
            zr += cr;
            zi += ci;
            // The escape test's value lies within d of v.
            const double l1 = std::fabs(zr) + std::fabs(zi);
            const double v = sumOfAbs_ ? l1 : zr * zr + zi * zi;
            const double d = (sumOfAbs_ ? 2.0 * e : (2.0 * l1 + e) * e) * (1.0 + 0x1p-48);
            const double low = v * (1.0 - 0x1p-48) - d, high = v * (1.0 + 0x1p-48) + d;
            if (low > escapeAbove_) return step;
            if (!(high < stayBelow_) || !(low > caughtBelow_) || step == most_ || e > eMost_) return -step;
        }
    }

    // z^N, as the formulas make it.
    template <int N>
    static void Power(double& zr, double& zi) {
        const auto mul = [](double ar, double ai, double br, double bi, double& r, double& i) {
            r = ar * br - ai * bi;
            i = ar * bi + ai * br;
        };
        double tr, ti;
        mul(zr, zi, zr, zi, tr, ti);
        if constexpr (N == 3) mul(tr, ti, zr, zi, zr, zi);
        if constexpr (N == 7) {
            double ur, ui;
            mul(tr, ti, tr, ti, ur, ui);
            mul(tr, ti, ur, ui, ur, ui);
            mul(zr, zi, ur, ui, zr, zi);
        }
        if constexpr (N == 2) {
            zr = tr;
            zi = ti;
        }
    }

    int n_ = 0, most_ = 0;
    bool mandelbrot_ = false, sumOfAbs_ = false;
    double cr_ = 0.0, ci_ = 0.0, ec_ = 0.0, cSize_ = 0.0;
    double escapeAbove_ = 0.0, stayBelow_ = 0.0, caughtBelow_ = -1.0, eMost_ = 0.0;
};

}  // namespace velmora::lanes
