// The points taken as never escaping, tested on their orbits: along the
// edges of the region (where the margin is smallest) every orbit stays below
// the bounds the least maxmod rests on, and just outside it no point is
// taken. The starts taken as escaping at the first step, tested on that step.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "attracting_disc.hpp"
#include "fault.hpp"
#include "formulas.hpp"
#include "main_body.hpp"
#include "short_orbit.hpp"
#include "stalks.hpp"
#include "tested_steppers.hpp"

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
                        if (!escapes(lanes::Bounded(o.z.re).square, lanes::Bounded(o.z.im).square)) continue;
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
    EXPECT_FALSE(escapes(lanes::Bounded(0x1p41L).square, 0.0));
}

// The first step of the orbit from z0 whose modulus (as the escape test
// makes it) lies beyond maxmod, within 16 steps, or 0; -1 where before that
// (or at it) the run's stalk test catches it, or with caughtBelow a modulus
// lies below that.
int EscapeStep(const RunContext& rc, const Complex& z0, const long double* caughtBelow) {
    OrbitState o = OrbitState::Reset(z0.re, z0.im);
    o.c = rc.mandelbrot ? z0 : Complex{rc.cx, rc.cy};
    for (int step = 1; step <= 16; ++step) {
        o.previousModulus = o.modulus;
        o.lastZ = o.z;
        WithFormulaKind(rc.FunctionKind, [&]<int K>() { FormulaStepOf<NoCheck, K>(o, rc); });
        o.modulus = rc.BailoutKind == kBailoutSumAbs ? BailoutModulus<kBailoutSumAbs>(o.z)
                                                     : BailoutModulus<kBailoutModulus>(o.z);
        if (step > rc.minit) StalkTest<NoCheck>(o, rc);
        if (o.trapHit) return -1;
        if (o.modulus > rc.maxmod) return step;
        if (caughtBelow && o.modulus < *caughtBelow) return -1;
    }
    return 0;
}

// Each formula followed (the coefficient formula with b = 0 and not),
// Julia and Mandelbrot, both escape tests, with and without a stalk's
// bound; and the stalk tests an orbit is followed clear of, with 0 and 1
// minimum steps: every orbit taken escapes at the step told, and before it
// stays within maxmod and above the bound, and escapes every stalk test. On
// a grid over the region where orbits end within a few steps, most orbits
// that do so are taken; along rays, starts on the edge between two
// outcomes, found to the last bit, are where an orbit in doubles would end
// at the wrong step or wrongly clear of a test.
TEST(ShortOrbitEscape, EveryOrbitTakenEscapesAtTheStepTold) {
    const long double caughtBelow = 0.25L;
    struct Case {
        int formula;
        bool mandelbrot, sumOfAbs, caught;
        Complex b{};
        int stalk = kStalkNone, minit = 0;
    };
    std::vector<Case> cases;
    // -1: the coefficient formula with b not 0.
    const std::initializer_list<int> formulas{kFormulaZ2,      kFormulaZ3,           kFormulaZ7,
                                              kFormulaPokorny, kFormulaCoefficients, -1};
    for (const int f : formulas)
        for (const bool mandelbrot : {false, true})
            for (const bool sumOfAbs : {false, true})
                for (const bool caught : {false, true})
                    cases.push_back(f < 0 ? Case{kFormulaCoefficients, mandelbrot, sumOfAbs, caught, {0.01L, -0.02L}}
                                          : Case{f, mandelbrot, sumOfAbs, caught});
    // z^z's 80-bit library functions make its truth slow: each escape test
    // and the bound once.
    for (const bool mandelbrot : {false, true}) cases.push_back(Case{kFormulaZPowZ, mandelbrot, mandelbrot, !mandelbrot});
    for (const auto& [stalk, minit] : {std::pair{kStalkCross, 0}, {kStalkHypercross, 1}, {kStalkMedian, 0},
                                       {kStalkMedian, 1}, {kStalkConverge, 0}})
        for (const int formula : {kFormulaZ2, kFormulaPokorny})
            for (const bool mandelbrot : {false, true})
                cases.push_back(Case{formula, mandelbrot, false, false, {}, stalk, minit});
    for (const Case& k : cases) {
        RunContext rc;
        rc.FunctionKind = static_cast<uint8_t>(k.formula);
        rc.mandelbrot = k.mandelbrot;
        rc.BailoutKind = k.sumOfAbs ? kBailoutSumAbs : kBailoutModulus;
        rc.cx = -0.12L;
        rc.cy = 0.75L;
        rc.coefA = {1.1L, 0.3L};
        rc.coefB = k.b;
        rc.coefC = {0.9L, -0.1L};
        rc.StalkType = static_cast<uint8_t>(k.stalk);
        rc.minit = k.minit;
        rc.p1 = 0.5L;
        SetTrapThresholds(rc);
        const long double* bound = k.caught ? &caughtBelow : nullptr;
        const lanes::ShortOrbitEscape escapes(rc, 16, bound);
        ASSERT_TRUE(escapes.on());
        const auto told = [&](const Complex& z0) {
            const int step = escapes(lanes::Bounded(z0.re).value, lanes::Bounded(z0.im).value);
            return std::max(step, 0);
        };
        const auto stepOf = [&](const Complex& z0) { return EscapeStep(rc, z0, bound); };
        const auto where = [&] {
            return testing::Message() << k.formula << k.mandelbrot << k.sumOfAbs << k.caught << " " << k.stalk
                                      << k.minit;
        };
        int taken = 0, ending = 0;
        constexpr int kSide = 300;
        for (int i = 0; i < kSide * kSide; ++i) {
            const Complex z0{-1.6L + 3.2L * (i % kSide) / kSide, -1.6L + 3.2L * (i / kSide) / kSide};
            const int step = told(z0), truth = stepOf(z0);
            if (step > 0) {
                EXPECT_EQ(step, truth) << where() << " " << i;
            }
            taken += step > 0;
            ending += truth > 0;
        }
        EXPECT_GT(taken, ending * 3 / 4) << where();
        for (int ray = 0; ray < 360; ++ray) {
            const long double angle = 2.0L * 3.14159265358979323846L * ray / 360.0L;
            const auto at = [&](long double t) { return Complex{t * cosl(angle), t * sinl(angle)}; };
            for (int j = 0; j < 200; ++j) {
                long double lo = 1.6L * j / 200.0L, hi = 1.6L * (j + 1) / 200.0L;
                const int low = stepOf(at(lo));
                if (low == stepOf(at(hi)) || (low < 3 && low != -1)) continue;
                for (int b = 0; b < 70; ++b) {
                    const long double mid = (lo + hi) / 2.0L;
                    (stepOf(at(mid)) == low ? lo : hi) = mid;
                }
                for (const long double t : {lo, hi}) {
                    const int step = told(at(t));
                    if (step > 0) {
                        EXPECT_EQ(step, stepOf(at(t))) << where();
                    }
                }
            }
        }
    }
}

RunContext RuleRun(int stalk, int formula, bool sumOfAbs, long double p1, long double p2, int miter) {
    RunContext rc;
    rc.FunctionKind = static_cast<uint8_t>(formula);
    rc.StalkType = static_cast<uint8_t>(stalk);
    rc.BailoutKind = sumOfAbs ? kBailoutSumAbs : kBailoutModulus;
    rc.cx = -0.12L;
    rc.cy = 0.75L;
    rc.coefA = {1.1L, 0.3L};
    rc.coefB = {0.01L, -0.02L};
    rc.coefC = {0.9L, -0.1L};
    rc.p1 = p1;
    rc.p2 = p2;
    rc.miter = miter;
    SetTrapThresholds(rc);
    return rc;
}

// Modulus Diff.'s colour, over `base`, of an orbit that ended with these
// moduli after `steps` steps.
int RuleColour(const RunContext& rc, long double modulus, long double previous, int steps, ColourValue base) {
    OrbitState o;
    o.modulus = modulus;
    o.previousModulus = previous;
    o.iteration = steps + 1;
    o.pixelColour = base;
    stalk::ModulusDiff<NoCheck>(o, rc);
    return o.pixelColour.lowByte();
}

// The colour, over `base`, the run's rule after the orbit gives the orbit
// from z0 in the one-pixel loop; -1 where it does not escape within 16
// steps. The orbit's end is left in `o`.
int RuleColour(const RunContext& rc, const Complex& z0, ColourValue base, OrbitState& o) {
    o = OrbitState::Reset(z0.re, z0.im);
    o.c = Complex{rc.cx, rc.cy};
    do {
        if (o.iteration > 16) return -1;
        o.previousModulus = o.modulus;
        o.lastZ = o.z;
        WithFormulaKind(rc.FunctionKind, [&]<int K>() { FormulaStepOf<NoCheck, K>(o, rc); });
        o.modulus = rc.BailoutKind == kBailoutSumAbs ? BailoutModulus<kBailoutSumAbs>(o.z)
                                                     : BailoutModulus<kBailoutModulus>(o.z);
        if (o.iteration > rc.minit) o.lastTested = o.iteration;
        ++o.iteration;
    } while (o.modulus <= rc.maxmod);
    o.pixelColour = base;
    PostOrbitRules<NoCheck>(o, rc, z0.re, z0.im);
    return o.pixelColour.lowByte();
}
int RuleColour(const RunContext& rc, const Complex& z0, ColourValue base) {
    OrbitState o;
    return RuleColour(rc, z0, base, o);
}

// Wherever a rule's bounds decide a colour, it is the one-pixel loop's: on
// the orbits of a grid of starts (most of their escapes decided), and of
// starts along rays found to the last bit on either side of a change of
// colour (a band's rounding boundary, the trap's edge). For Modulus Diff.
// also on moduli at such changes, with the doubles told as far from them as
// their radii allow. The limit cuts some orbits short (the rules' caught
// entry, or no rule).
TEST(ShortOrbitRule, EveryColourDecidedIsTheRulesColour) {
    const ColourValue base = ColourValue::Index(7);
    for (const auto& [p1, p2, miter] : {std::tuple{0.6L, 0.5L, 50}, {0.3L, 0.8L, 50}, {0.6L, 0.5L, 4}}) {
        for (const int stalk : {kStalkModulusDiff, kStalkSlope1, kStalkSlope2}) {
            for (const int formula : {kFormulaZ2, kFormulaZ7, kFormulaPokorny, kFormulaCoefficients}) {
                for (const bool sumOfAbs : {false, true}) {
                    const RunContext rc = RuleRun(stalk, formula, sumOfAbs, p1, p2, miter);
                    const lanes::ShortOrbitEscape escapes(rc, std::min(miter, 16), nullptr);
                    const lanes::ShortOrbitRule rule(rc);
                    ASSERT_TRUE(escapes.on() && rule.on());
                    const auto where = [&] {
                        return testing::Message() << stalk << " " << formula << sumOfAbs << " " << p1 << " " << miter;
                    };
                    int escaped = 0, decided = 0;
                    const auto check = [&](const Complex& z0) {
                        lanes::ShortOrbitEscape::Ending end;
                        const int steps = escapes(lanes::Bounded(z0.re).value, lanes::Bounded(z0.im).value, &end);
                        ColourValue colour = base;
                        if (steps <= 0) return;
                        ++escaped;
                        if (!rule(end, steps, colour)) return;
                        ++decided;
                        EXPECT_EQ(colour.lowByte(), RuleColour(rc, z0, base)) << where();
                    };
                    for (int i = 0; i < 150 * 150; ++i)
                        check(Complex{-1.6L + 3.2L * (i % 150) / 150, -1.6L + 3.2L * (i / 150) / 150});
                    EXPECT_GT(decided, escaped * 9 / 10) << where();
                    for (int ray = 0; ray < 60; ++ray) {
                        const long double angle = 2.0L * 3.14159265358979323846L * ray / 60.0L;
                        const auto at = [&](long double t) { return Complex{t * cosl(angle), t * sinl(angle)}; };
                        const auto truth = [&](long double t) { return RuleColour(rc, at(t), base); };
                        for (int k = 0; k < 200; ++k) {
                            long double lo = 1.6L * k / 200.0L, hi = 1.6L * (k + 1) / 200.0L;
                            const int low = truth(lo);
                            if (low < 0 || low == truth(hi)) continue;
                            for (int b = 0; b < 70; ++b) {
                                const long double mid = (lo + hi) / 2.0L;
                                (truth(mid) == low ? lo : hi) = mid;
                            }
                            check(at(lo));
                            check(at(hi));
                            if (stalk == kStalkModulusDiff) continue;
                            // The slope rules on the orbit's end moved as
                            // far as a wide bound allows, the slope each way.
                            for (const long double t : {lo, hi}) {
                                OrbitState o;
                                const int colour = RuleColour(rc, at(t), base, o);
                                if (colour < 0) continue;
                                const Complex from = stalk == kStalkSlope1 ? o.lastZ : at(t);
                                for (const double side : {-0.7, 0.7}) {
                                    const double e = 0x1p-30, d = side * e;
                                    lanes::ShortOrbitEscape::Ending end;
                                    end.z = {static_cast<double>(o.z.re) + d, static_cast<double>(o.z.im) - d, e};
                                    end.last = end.start = {static_cast<double>(from.re) - d,
                                                            static_cast<double>(from.im) + d, e};
                                    ColourValue told = base;
                                    if (rule(end, o.iteration - 1, told)) {
                                        EXPECT_EQ(told.lowByte(), colour) << where() << " moved";
                                    }
                                }
                            }
                        }
                    }
                }
            }
        }
        const RunContext rc = RuleRun(kStalkModulusDiff, kFormulaZ2, false, p1, p2, miter);
        const lanes::ShortOrbitRule rule(rc);
        for (const long double previous : {0.0L, 0.3L, 2.9L, 3.99L}) {
            for (const int steps : {1, 3, miter - 1, miter}) {
                const auto truth = [&](long double m) { return RuleColour(rc, m, previous, steps, base); };
                for (int k = 0; k < 2000; ++k) {
                    long double lo = 4.0L + k / 100.0L, hi = lo + 0.01L;
                    if (truth(lo) == truth(hi)) continue;
                    for (int b = 0; b < 70; ++b) {
                        const long double mid = (lo + hi) / 2.0L;
                        (truth(mid) == truth(lo) ? lo : hi) = mid;
                    }
                    for (const long double m : {lo, hi}) {
                        for (const double radius : {0x1p-40, 0x1p-24}) {
                            // The previous modulus's radius is 0 at the first step.
                            const double previousRadius = previous > 0.0L ? radius : 0.0;
                            for (const double side : {-0.99, 0.99}) {
                                lanes::ShortOrbitEscape::Ending end;
                                end.value = static_cast<double>(m + side * radius);
                                end.radius = radius;
                                end.previousValue = static_cast<double>(previous - side * previousRadius);
                                end.previousRadius = previousRadius;
                                ColourValue colour = base;
                                if (!rule(end, steps, colour)) continue;
                                EXPECT_EQ(colour.lowByte(), truth(m))
                                    << p1 << " " << steps << " " << previous << " " << m;
                            }
                        }
                    }
                }
            }
        }
    }
}

// The look for an attracting disc runs between the lanes' steps, whose
// flags are read once per batch: a flag it raised would send the batch to
// the checked path. Wherever z and c lie, far from any disc included, it
// raises none.
template <int K>
void LookRaisesNoFlag(long double maxmod) {
    RunContext rc;
    rc.maxmod = maxmod;
    const lanes::AttractingDisc<K> disc(rc);
    ASSERT_TRUE(disc.on());
    ClearFloatFaults();
    for (long double cr : {-700.0L, -3.0L, 0.0L, 1e-300L, 0.5L, 1000.0L})
        for (long double ci : {0.0L, 0.1L, -400.0L})
            for (long double zr = -63.5L; zr < 64.0L; zr += 0.75L)
                for (long double zi = -63.5L; zi < 64.0L; zi += 0.75L) disc.holds({zr, zi}, {cr, ci});
    EXPECT_FALSE(FloatFaultPending()) << K;
    ClearFloatFaults();
}

TEST(AttractingDisc, LookingRaisesNoFaultFlag) {
    for (long double maxmod : {4.0L, 1e11L}) {
        LookRaisesNoFlag<kFormulaCSin>(maxmod);
        LookRaisesNoFlag<kFormulaCCos>(maxmod);
        LookRaisesNoFlag<kFormulaCExp>(maxmod);
        LookRaisesNoFlag<kFormulaSinh>(maxmod);
        LookRaisesNoFlag<kFormulaCTanh>(maxmod);
    }
}

// Wherever a disc is taken to miss a stalk test, none of its points is
// caught: its centre and points just inside its edge, for each type that
// reads only z and its modulus, with either escape test.
template <int S, int B>
void MissedDiscsAreNeverCaught(long double p1, long double p2) {
    RunContext rc;
    rc.trapRadius = p1;
    rc.trapWidth = p2;
    lanes::TrapConstants k;
    ASSERT_TRUE(lanes::TrapConstants::Make(rc, S, k));
    const lanes::DiscMissesTrap<S, B> misses(k.R, k.R2, k.inner, k.inner2);
    ASSERT_TRUE(misses.on());
    int missed = 0;
    for (double wr = -2.5; wr <= 2.5; wr += 0.0625)
        for (double wi = -2.5; wi <= 2.5; wi += 0.0625)
            for (double r : {0.0, 0.01, 0.2, 0.7}) {
                if (!misses(lanes::AttractingDisc<kFormulaCSin>::Disc{wr, wi, r})) continue;
                ++missed;
                for (int a = 0; a <= 32; ++a) {
                    const long double angle = 0.19634954084936207740L * a, reach = a == 32 ? 0.0L : r * 0.999999L;
                    const long double zr = wr + reach * cosl(angle), zi = wi + reach * sinl(angle);
                    long double value = 0.0L;
                    bool hit = false;
                    int32_t circleCount = 0;
                    ColourValue colour;
                    k.test<S>(zr, zi, BailoutModulus<B>(Complex{zr, zi}), 0, 0.0L, stalk::RunTrapImage(rc), value, hit,
                              circleCount, colour);
                    ASSERT_FALSE(hit) << S << " " << B << " at " << wr << "," << wi << " r " << r;
                }
            }
    EXPECT_GT(missed, 1000) << S << " " << B;
}

TEST(AttractingDisc, DiscsTakenToMissAStalkTestAreNeverCaught) {
    MissedDiscsAreNeverCaught<kStalkCross, kBailoutModulus>(0.3L, 0.5L);
    MissedDiscsAreNeverCaught<kStalkCircle, kBailoutModulus>(1.2L, 0.5L);
    MissedDiscsAreNeverCaught<kStalkCircle, kBailoutSumAbs>(1.2L, 0.5L);
    MissedDiscsAreNeverCaught<kStalkAnnulus, kBailoutModulus>(1.5L, 0.4L);
    MissedDiscsAreNeverCaught<kStalkAnnulus, kBailoutSumAbs>(1.5L, 0.4L);
    MissedDiscsAreNeverCaught<kStalkSquareBand, kBailoutModulus>(1.5L, 0.3L);
    MissedDiscsAreNeverCaught<kStalkHypercross, kBailoutModulus>(0.6L, 0.5L);
}

}  // namespace
}  // namespace velmora
