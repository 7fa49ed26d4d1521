#pragma once
// The steppers that make the whole one-pixel orbit loop: the stalk test after
// each step, the orbit history and any number of minimum steps. The column
// driver (lane_column.cpp) runs them like the plain steppers of
// lane_steppers.hpp and then colours each finished orbit from the state
// orbit() gives.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "attracting_disc.hpp"
#include "complex.hpp"
#include "custom_program.hpp"
#include "copy_bytes.hpp"
#include "fault.hpp"
#include "formulas.hpp"
#include "kinds.hpp"
#include "run_context.hpp"
#include "stalks.hpp"

namespace velmora::lanes {

// Lanes whose orbits are made one after another, each whole within
// advance(): a lane keeps its row's start values, and a copy of a busy lane
// shares its original's result instead of making the orbit again (a copy
// ends as its original does). Derived::makeOrbit(start, out) makes one.
// With kTakesParts an orbit's first step can be given tabled library values.
template <class Derived, bool kTakesParts = false>
class OrbitAfterOrbit {
public:
    static constexpr int kLaneCount = 4;

    bool load(int l, const Complex& z0, const Complex& c, int64_t) {
        CopyBytes(start_[l].z, z0);
        CopyBytes(start_[l].c, c);
        start_[l].ofX = nullptr;
        source_[l] = l;
        return false;
    }
    bool load(int l, const Complex& z0, const Complex& c, int64_t limit, const TabledParts& parts)
        requires kTakesParts
    {
        load(l, z0, c, limit);
        start_[l].ofX = &parts.ofX;
        start_[l].ofY = &parts.ofY;
        return false;
    }

    void copy(int to, int from) { source_[to] = source_[from]; }
    unsigned advance() {
        for (int l = 0; l < kLaneCount; ++l)
            if (source_[l] == l) static_cast<const Derived*>(this)->makeOrbit(start_[l], out_[l]);
        return (1u << kLaneCount) - 1;
    }
    // The finished orbit as the colour rules read it; they run on it in place.
    OrbitState& orbit(int l) { return out_[source_[l]]; }

protected:
    struct Start {
        Complex z, c;
        // The tabled library values of z's parts, if given.
        const XParts* ofX = nullptr;
        const YParts* ofY = nullptr;
    };

private:
    Start start_[kLaneCount];
    int source_[kLaneCount] = {};  // the lane whose orbit this one makes
    OrbitState out_[kLaneCount];
};

// Any formula, with what the plain steppers leave out; Step makes a step
// (and Step::begin what an orbit needs once). Each orbit makes exactly the
// steps of the one-pixel orbit loop and leaves its whole orbit state, which
// the colour rules then read. There is no repeat detection: the stalk tests'
// state (the circle count, the last values, the caught position) is part of
// the orbit, and most of these orbits end at a catch long before their
// limit. A stalk test's own fault lands in the flags with the formula's, and
// sends the batch to the checked path like any other.
// The orbits of a batch are made one after another, and the flags are read
// once for the batch.
// The stalk type is a compile-time constant, or kStalkDynamic to read the
// run's.
template <class Step, int kBailout, int kStalk>
class WholeOrbitStepper : public OrbitAfterOrbit<WholeOrbitStepper<Step, kBailout, kStalk>> {
    using Start = typename WholeOrbitStepper::Start;

public:

    // The history belongs to the run's type: the types that look only at the
    // finished orbit share the loop of No Stalks, and some of them read it.
    WholeOrbitStepper(const RunContext& rc, const Step& step) : rc_(rc), step_(step) {
        // A loop for each stalk type that tests every step: a test read from
        // the run at each step would be a call, around which every value on
        // the x87 stack is stored and loaded again.
        const bool history = StalkNeedsHistory(rc.StalkType);
        if constexpr (kStalk == kStalkDynamic) {
            // The types tested at each step keep their own history; the rest
            // share No Stalks' loop.
            WithStalkType(rc.StalkType, [&]<int S>() {
                if constexpr (S == kStalkNone)
                    run_ = history ? &WholeOrbitStepper::template run<true, S> : &WholeOrbitStepper::template run<false, S>;
                else
                    run_ = &WholeOrbitStepper::template run<StalkNeedsHistory(S), S>;
            });
        } else {
            run_ = history ? &WholeOrbitStepper::template run<true, kStalk>
                           : &WholeOrbitStepper::template run<false, kStalk>;
        }
    }

    void makeOrbit(const Start& start, OrbitState& out) const { (this->*run_)(start, out); }

private:

    // The whole one-pixel loop. The counter cannot overflow: the lanes take
    // only runs whose limits lie below the largest integer.
    // Runs on the lane's own state: a copy of a local state at the end would
    // read what the loop's x87 stores have only just written, and wait.
    template <bool kHistory, int S>
    [[gnu::noinline]] void run(const Start& start, OrbitState& o) const {
        o = OrbitState::Reset(start.z.re, start.z.im);
        CopyBytes(o.c, start.c);
        step_.begin(o);
        do {
            if constexpr (kHistory) {
                o.previousModulus = o.modulus;
                o.lastZ = o.z;
            }
            step_(o);
            o.modulus = BailoutModulus<kBailout>(o.z);
            if (o.iteration > rc_.minit) {
                o.lastTested = o.iteration;
                StalkTestOf<NoCheck, S>(o, rc_);
            }
            ++o.iteration;
        } while ((!o.trapHit && o.iteration <= rc_.miter && o.modulus <= rc_.maxmod) || o.iteration <= rc_.minit);
    }

    const RunContext& rc_;
    Step step_;
    void (WholeOrbitStepper::*run_)(const Start&, OrbitState&) const;
};

// A built-in formula's step.
template <int kFormula>
struct BuiltInStep {
    const RunContext& rc;
    void begin(OrbitState&) const {}
    void operator()(OrbitState& o) const { FormulaStepOf<NoCheck, kFormula>(o, rc); }
};

template <int kFormula, int kBailout, int kStalk>
class TestedStepper : public WholeOrbitStepper<BuiltInStep<kFormula>, kBailout, kStalk> {
public:
    explicit TestedStepper(const RunContext& rc)
        : WholeOrbitStepper<BuiltInStep<kFormula>, kBailout, kStalk>(rc, BuiltInStep<kFormula>{rc}) {}
};

// The custom formula's step by its compiled program, which makes the
// interpreter's results bit for bit at a fraction of its cost.
class CompiledCustomStep {
public:
    CompiledCustomStep(const RunContext& rc, const CustomProgram& program) : program_(program) {
        values_.setConstants(rc.u, rc.v, rc.w);
    }
    // The instructions that do not depend on z, once per orbit.
    void begin(const OrbitState& o) const {
        CopyBytes(values_.value[kSlotZ][0], o.z);
        CopyBytes(values_.value[kSlotC][0], o.c);
        RunCustomInvariants(program_, values_, 0);
    }
    void operator()(OrbitState& o) const {
        RunCustomProgram(program_, values_);
        const Complex& z = values_.value[kSlotZ][0];
        o.z.re = z.re;
        o.z.im = z.im;
    }

private:
    const CustomProgram& program_;
    // The values of the one orbit being made, slot by slot.
    mutable CustomLaneValues<1> values_;
};

template <int kBailout>
class CustomTestedStepper : public WholeOrbitStepper<CompiledCustomStep, kBailout, kStalkDynamic> {
public:
    CustomTestedStepper(const RunContext& rc, const CustomProgram& program)
        : WholeOrbitStepper<CompiledCustomStep, kBailout, kStalkDynamic>(rc, CompiledCustomStep(rc, program)) {}
};

// The values of a stalk test that do not depend on the orbit (R*R, R-W,
// ...), worked out once per column instead of at every tested step. Working
// one out gives the value every step would give; only its fault would belong
// to the step that first needs it (and to no pixel whose orbit never gets
// there), so a run where one faults keeps the stepper that works them out as
// it goes. A value that is not a number raises nothing until compared, and
// the tests below compare it where the one-pixel tests do.
struct TrapConstants {
    long double R = 0.0L, W = 0.0L, maxmod = 0.0L;
    long double R2 = 0.0L;          // Circle, Annulus, hypercross: R*R
    long double middle = 0.0L;      // Annulus: R-W; Square band: R-W
    long double inner2 = 0.0L;      // Annulus: (R-W-W)^2
    long double inner = 0.0L;       // Square band: R-2W
    long double threeQuarters = 0.0L;  // Image: 0.75R

    // False where working them out raises a fault flag.
    static bool Make(const RunContext& rc, int stalk, TrapConstants& k) {
        ClearFloatFaults();
        k.R = rc.trapRadius;
        k.W = rc.trapWidth;
        k.maxmod = rc.maxmod;
        switch (stalk) {
        case kStalkCircle:
        case kStalkHypercross: k.R2 = k.R * k.R; break;
        case kStalkAnnulus:
            k.R2 = k.R * k.R;
            k.middle = k.R - k.W;
            k.inner2 = (k.middle - k.W) * (k.middle - k.W);
            break;
        case kStalkSquareBand:
            k.inner = k.R - 2.0L * k.W;
            k.middle = k.R - k.W;
            break;
        case kStalkImage: k.threeQuarters = 0.75L * k.R; break;
        default: break;
        }
        const bool clear = !FloatFaultPending();
        ClearFloatFaults();
        return clear;
    }

    // The test of stalks.hpp after a step past the minimum ones, with these
    // constants, for the types that read only the new z and its modulus m
    // (Cross, Circle, Annulus, Square band, the image trap, hypercross).
    // Inline: the loops that call it keep their values on the x87 stack.
    template <int kStalk>
    [[gnu::always_inline]] void test(long double zr, long double zi, long double m, int32_t minit, long double p3,
                                     const TrapImage& image, long double& value, bool& hit, int32_t& circleCount,
                                     ColourValue& imageColour) const {
        if constexpr (kStalk == kStalkCross) {
            const long double ax = fabsl(zr), ay = fabsl(zi);
            if (ax < R) value = ax / R, hit = true;
            if (ay < R) value = ay / R, hit = true;
        } else if constexpr (kStalk == kStalkCircle) {
            if (m < R2) {
                // The position is only read once caught, and working it out
                // cannot fault (the modulus lies below R*R > 0).
                if (circleCount == minit) value = sqrtl(m) / R, hit = true;
                // Counts tested steps at most, which lie below the largest
                // integer: no overflow to check, and no call that would move
                // the loop's values off the x87 stack.
                ++circleCount;
            }
        } else if constexpr (kStalk == kStalkAnnulus) {
            if (m < R2 && m > inner2) value = fabsl(middle - sqrtl(m)) / W, hit = true;
        } else if constexpr (kStalk == kStalkSquareBand) {
            const long double ax = fabsl(zr), ay = fabsl(zi);
            if (R > ay && ay > inner && ay > ax) value = fabsl(middle - ay) / W, hit = true;
            if (R > ax && ax > inner && ax > ay) value = fabsl(middle - ax) / W, hit = true;
        } else if constexpr (kStalk == kStalkImage) {
            if (R > fabsl(zr) && fabsl(zi) < threeQuarters &&
                stalk::ImageCatch<NoCheck>(zr, zi, R, p3, image, value, imageColour))
                hit = true;
        } else if constexpr (kStalk == kStalkHypercross) {
            const long double product = fabsl(zr) * fabsl(zi);
            if (product < R2) value = product / R2, hit = true;
        }
    }
};

// A built-in formula K with stalk type S, one orbit after another, its state
// cut to what that type reads: no formula state beyond z, c (and Pokorny's
// last z), the history only where the type looks at it, and the test's run
// constants worked out once. The loop runs on plain local values, which the
// compiler keeps on the x87 stack: an orbit state in memory would cost an
// 80-bit store and load for each value at every step, more than the step
// itself, and two orbits side by side do not fit on the stack's eight
// registers. A batch is several orbits made one after the other, so that the
// flags are read once for all of them. The arithmetic of each step is that of
// the one-pixel loop, in its order, so the orbits and the faults are the same.
template <int K, int kBailout, int kStalk>
class TrapStepper : public OrbitAfterOrbit<TrapStepper<K, kBailout, kStalk>, kStepTakesPointParts<K>> {
    friend OrbitAfterOrbit<TrapStepper, kStepTakesPointParts<K>>;
    using Start = typename TrapStepper::Start;
    static_assert(K != kFormulaCustom, "the custom formula keeps its own state");

public:
    static constexpr bool kTakesParts = kStepTakesPointParts<K>;

    TrapStepper(const RunContext& rc, const TrapConstants& k)
        : rc_(rc),
          k_(k),
          minit_(rc.minit),
          miter_(rc.miter),
          p3_(rc.p3),
          image_(stalk::RunTrapImage(rc)),
          disc_(rc),
          misses_(k.R, k.R2, k.inner, k.inner2),
          looksForDiscs_(disc_.on() && misses_.on()) {}


private:
    // The history each type reads: the modulus of the step before
    // (Converge's test, Modulus Diff.'s rule), the z before (Median's test,
    // Slope 1's rule).
    static constexpr bool kPreviousModulus = kStalk == kStalkConverge || kStalk == kStalkModulusDiff;
    static constexpr bool kLastZ = kStalk == kStalkSlope1 || kStalk == kStalkMedian;

    // The orbit between the stretches of steps.
    struct Orbit {
        long double zr, zi, cr, ci, pr, pi;
        long double m = 0.0L, value = 0.0L, previousModulus = 0.0L;
        long double lastRe = 1.0L, lastIm = 10.0L, secondRe = 1.0L, secondIm = 10.0L;
        int32_t it = 1, circleCount = 0;
        bool hit = false;
        ColourValue imageColour;
    };

    // The whole orbit from its start; leaves what the colour rules read.
    // Kept out of line: inlined into the column's driver, its loop would
    // share the x87 stack with whatever the driver keeps there.
    [[gnu::noinline]] void makeOrbit(const Start& start, OrbitState& o) const {
        Orbit s;
        s.zr = start.z.re;
        s.zi = start.z.im;
        s.cr = start.c.re;
        s.ci = start.c.im;
        s.pr = start.z.re;
        s.pi = start.z.im;
        if constexpr (kTakesParts) {
            if (start.ofX) {
                const TabledParts parts{start.z.re, start.z.im, *start.ofX, *start.ofY};
                steps<true>(s, &parts);
                return finish(s, o);
            }
        }
        steps<false>(s);
        finish(s, o);
    }

    void finish(const Orbit& s, OrbitState& o) const {
        // What the colour rules read for this type; they write the colour
        // and the caught position, which nothing reads after them.
        o.iteration = s.it;
        o.modulus = s.m;
        o.trapHit = s.hit;
        o.imageHit = kStalk == kStalkImage && s.hit;
        // The loop ends at the step after a catch; the last tested step is
        // the last step, or none when no step came after the minimum ones.
        o.lastTested = s.it - 1 > minit_ ? s.it - 1 : 0;
        if (s.hit) o.trapValue = s.value;
        if constexpr (kStalk == kStalkImage) o.imageColour = s.imageColour;
        if constexpr (kStalk == kStalkSlope1 || kStalk == kStalkSlope2) o.z = Complex{s.zr, s.zi};
        if constexpr (kStalk == kStalkSlope1) o.lastZ = Complex{s.lastRe, s.lastIm};
        if constexpr (kStalk == kStalkModulusDiff) o.previousModulus = s.previousModulus;
    }

    // The end test of the one-pixel loop. The counter cannot overflow: the
    // lanes take only runs whose limits lie below the largest integer.
    bool goesOn(bool hit, int32_t it, long double m) const {
        return (!hit && it <= miter_ && m <= k_.maxmod) || it <= minit_;
    }

    // Steps the orbit on plain local values until it ends. Nothing in the
    // loop is a call (the image trap's rounding and picture are inline):
    // around a call every value the loop keeps on the x87 stack would be
    // stored and loaded again.
    // With kTabled the first step takes the library values given.
    template <bool kTabled>
    [[gnu::always_inline]] void steps(Orbit& s, const TabledParts* parts = nullptr) const {
        const long double cr = s.cr, ci = s.ci;
        long double zr = s.zr, zi = s.zi, m = s.m;
        long double pr = s.pr, pi = s.pi;
        [[maybe_unused]] bool first = true;
        long double value = s.value, previousModulus = s.previousModulus;
        long double lastRe = s.lastRe, lastIm = s.lastIm, secondRe = s.secondRe, secondIm = s.secondIm;
        int32_t it = s.it, circleCount = s.circleCount;
        bool hit = s.hit;
        ColourValue imageColour = s.imageColour;
        const int32_t minit = minit_;
        const long double R = k_.R;
        for (;;) {
            if constexpr (kPreviousModulus) previousModulus = m;
            if constexpr (kLastZ) {
                lastRe = zr;
                lastIm = zi;
            }
            if constexpr (K == kFormulaZ2) {
                // formula::ZSquaredPlusC: the product z*z, then c added.
                const long double re = zr * zr - zi * zi;
                const long double im = zr * zi + zi * zr;
                zr = re + cr;
                zi = im + ci;
            } else {
                FormulaOrbit f{{zr, zi}, {cr, ci}, {pr, pi}};
                if constexpr (kTabled) {
                    if (first) {
                        FormulaStepWithParts<K>(f, *parts);
                        first = false;
                    } else {
                        FormulaStepOf<NoCheck, K>(f, rc_);
                    }
                } else {
                    FormulaStepOf<NoCheck, K>(f, rc_);
                }
                zr = f.z.re;
                zi = f.z.im;
                if constexpr (K == kFormulaPokorny) {
                    pr = f.pokornyZ.re;
                    pi = f.pokornyZ.im;
                }
            }
            if constexpr (kBailout == kBailoutModulus) m = zr * zr + zi * zi;
            else m = fabsl(zr) + fabsl(zi);
            // The tests of stalks.hpp, with the run constants of TrapConstants.
            if (it > minit) {
                if constexpr (kStalk == kStalkConverge) {
                    const long double d = fabsl(m - previousModulus);
                    if (d < R) value = d / R, hit = true;
                } else if constexpr (kStalk == kStalkMedian) {
                    const long double sx = fabsl((zr + lastRe) + secondRe);
                    const long double sy = fabsl((zi + lastIm) + secondIm);
                    secondRe = lastRe;
                    secondIm = lastIm;
                    lastRe = zr;
                    lastIm = zi;
                    if (sx < R) value = sx / R, hit = true;
                    if (sy < R) value = sy / R, hit = true;
                } else {
                    k_.test<kStalk>(zr, zi, m, minit, p3_, image_, value, hit, circleCount, imageColour);
                }
            }
            ++it;
            if (!goesOn(hit, it, m)) break;
            if constexpr (kDiscs) {
                // Past the minimum steps every later step is tested, and an
                // orbit that can no longer be caught runs to its limit.
                if ((it & (kDiscLookSteps - 1)) == 0 && it > minit && settledUncaught(zr, zi, cr, ci)) {
                    it = miter_ + 1;
                    break;
                }
            }
        }
        s.zr = zr;
        s.zi = zi;
        s.m = m;
        s.it = it;
        s.hit = hit;
        if constexpr (kStalk == kStalkCircle) s.circleCount = circleCount;
        s.value = value;
        if constexpr (kStalk == kStalkImage) s.imageColour = imageColour;
        if constexpr (kPreviousModulus) s.previousModulus = previousModulus;
        if constexpr (kLastZ) {
            s.lastRe = lastRe;
            s.lastIm = lastIm;
        }
        if constexpr (kStalk == kStalkMedian) {
            s.secondRe = secondRe;
            s.secondIm = secondIm;
        }
    }

    // Out of line: the transcendental steps around it make calls already.
    [[gnu::noinline]] bool settledUncaught(long double zr, long double zi, long double cr, long double ci) const {
        typename AttractingDisc<K>::Disc disc;
        return looksForDiscs_ && disc_.holds({zr, zi}, {cr, ci}, disc) && misses_(disc);
    }

    // Bounded orbits that settle near an attracting fixed point outside the
    // trap, looked for as the lanes without stalks do.
    static constexpr bool kDiscs = AttractingDisc<K>::kFollows && DiscMissesTrap<kStalk, kBailout>::kApplies;

    const RunContext& rc_;
    const TrapConstants k_;
    const int32_t minit_, miter_;
    const long double p3_;
    const TrapImage& image_;
    const AttractingDisc<K> disc_;
    const DiscMissesTrap<kStalk, kBailout> misses_;
    const bool looksForDiscs_;
};

// Calls f.template operator()<S>() with the run's stalk type as a
// compile-time constant for the whole-orbit lanes of z^2+c: every type that
// tests each step or reads the history, No Stalks for the rest.
template <class F>
inline void WithWholeOrbitStalk(uint8_t type, F&& f) {
    switch (type) {
    case kStalkSlope1: f.template operator()<kStalkSlope1>(); break;
    case kStalkSlope2: f.template operator()<kStalkSlope2>(); break;
    case kStalkModulusDiff: f.template operator()<kStalkModulusDiff>(); break;
    default: WithStalkType(type, std::forward<F>(f)); break;
    }
}

}  // namespace velmora::lanes
