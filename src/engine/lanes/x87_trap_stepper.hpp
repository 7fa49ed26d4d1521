#pragma once
// z^2+c with a stalk test after each step, three orbits at once in the x87
// kernel with the trap's filter (x87_trap_lanes.hpp). The kernel stops a
// lane wherever its new z may escape or be caught; the step's exact test
// then runs here, in C++, on that z, and the orbit ends or goes back to the
// kernel. The orbits are those of the z^2+c TrapStepper bit for bit: the same
// operations on the same values, the steps the kernel leaves untested being
// those no exact test would catch, count or end.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "complex.hpp"
#include "fault.hpp"
#include "formulas.hpp"
#include "kinds.hpp"
#include "repeat_watch.hpp"
#include "run_context.hpp"
#include "stalks.hpp"
#include "tested_steppers.hpp"
#include "x87_trap_lanes.hpp"

namespace velmora::lanes {

// The kernel's filter for stalk type S, where it has one.
template <int S>
inline constexpr bool kHasX87TrapFilter = S == kStalkCross || S == kStalkCircle || S == kStalkAnnulus ||
                                          S == kStalkSquareBand || S == kStalkImage || S == kStalkHypercross;

template <int kBailout, int kStalk>
class X87TrapStepper {
    static_assert(kHasX87TrapFilter<kStalk>);

public:
    static constexpr int kLaneCount = 3;

    // The filter's bounds for the run's constants: false where some bound
    // cannot be set or the escape test has no threshold, and the kernel
    // should not run. Leaves the flags clear.
    static bool Bounds(const TrapConstants& k, X87TrapBlock& block) {
        bool ok = X87Threshold(k.maxmod, block.base.threshold);
        if constexpr (kStalk == kStalkCross) ok = ok && X87TrapAbove(k.R, block.hi);
        else if constexpr (kStalk == kStalkCircle || kStalk == kStalkHypercross) ok = ok && X87TrapAbove(k.R2, block.hi);
        else if constexpr (kStalk == kStalkAnnulus)
            ok = ok && X87TrapAbove(k.R2, block.hi) && X87TrapBelow(k.inner2, block.lo);
        else if constexpr (kStalk == kStalkSquareBand)
            ok = ok && X87TrapAbove(k.R, block.hi) && X87TrapBelow(k.inner, block.lo);
        else if constexpr (kStalk == kStalkImage)
            ok = ok && X87TrapAbove(k.R, block.hi) && X87TrapAbove(k.threeQuarters, block.hi2);
        ClearFloatFaults();
        return ok;
    }

    // `bounds` as Bounds() set it.
    X87TrapStepper(const RunContext& rc, const TrapConstants& k, const X87TrapBlock& bounds)
        : k_(k), minit_(rc.minit), miter_(rc.miter), p3_(rc.p3), image_(stalk::RunTrapImage(rc)) {
        block_.base.threshold = bounds.base.threshold;
        block_.hi = bounds.hi;
        block_.lo = bounds.lo;
        block_.hi2 = bounds.hi2;
    }

    bool load(int l, const Complex& z0, const Complex& c, int64_t) {
        X87Lane& lane = block_.base.lane[l];
        CopyBytes(lane.zr, z0.re);
        CopyBytes(lane.zi, z0.im);
        CopyBytes(lane.cr, c.re);
        CopyBytes(lane.ci, c.im);
        orbit_[l] = Orbit{};
        return false;
    }
    void copy(int to, int from) {
        block_.base.copyLane(to, from);
        CopyBytes(orbit_[to], orbit_[from]);
    }

    unsigned advance() {
        // The first steps in C++: the minimum ones, which test nothing, and
        // a few more, within which many orbits are caught or escape, and
        // which cost less than a trip into the kernel and out.
        unsigned stopped = 0;
        for (int l = 0; l < kLaneCount; ++l)
            if (orbit_[l].fresh && !warm(l)) {
                finish(l);
                stopped |= 1u << l;
            }
        if (stopped) return stopped;
        const bool split = orbit_[0].split && orbit_[1].split && orbit_[2].split;
        for (;;) {
            // Every lane's next step is tested and may be its last by the
            // limit: the passes stop at the first lane's limit.
            int64_t passes = std::numeric_limits<int64_t>::max();
            for (int l = 0; l < kLaneCount; ++l) {
                if (orbit_[l].it > miter_) {
                    endAtLimit(l);
                    stopped |= 1u << l;
                }
                passes = std::min<int64_t>(passes, static_cast<int64_t>(miter_) + 1 - orbit_[l].it);
                std::memcpy(static_cast<void*>(&block_.base.checkpoint[l]), &block_.base.lane[l], sizeof(X87Point));
            }
            if (stopped) return stopped;
            block_.base.checkpointLeft = passes;
            int64_t done = 0;
            const int s = RunX87TrapLanes(block_, passes, done, kEscape, kFilter, split);
            passes_ += done;
            if (s >= 0) ++stops_;
            if (s < 0) {
                // Every lane has made `done` passes; a lane at its limit
                // ends at the top of the loop.
                for (Orbit& o : orbit_) o.it += static_cast<int32_t>(done);
                if (s == kX87Repeated)
                    for (int l = 0; l < kLaneCount; ++l)
                        if (SameBits(z(l), block_.base.checkpoint[l]) || SameBits(z(l), block_.base.watch[l].reference))
                            skipToLimit(l);
                continue;
            }
            // A lane before s may have reached its limit: it ends at the top
            // of the loop.
            for (int l = 0; l < kLaneCount; ++l) orbit_[l].it += static_cast<int32_t>(l < s ? done + 1 : done);
            if (!test(s)) {
                finish(s);
                return 1u << s;
            }
            // The steps between a repeat's reference and its return must all
            // have passed the filter: a step tested here may have counted
            // (Circle), and a cycle through it would count again.
            watchFromHere(s);
        }
    }

    // The finished orbit as the colour rules read it.
    OrbitState& orbit(int l) { return out_[l]; }

    // Whether the filter stopped the kernel more often than it made a pass:
    // each stop is a trip out of the kernel and back, dearer than a step of
    // the C++ loop. (The image trap's rectangle holds most bounded orbits,
    // so the kernel stops there at almost every step.)
    bool stopsOften() const { return stops_ > passes_; }

private:
    static constexpr X87Escape kEscape = kBailout == kBailoutSumAbs ? X87Escape::SumOfAbs : X87Escape::Modulus;
    static constexpr X87TrapFilter kFilter = kStalk == kStalkCross        ? X87TrapFilter::Cross
                                             : kStalk == kStalkCircle     ? X87TrapFilter::Circle
                                             : kStalk == kStalkAnnulus    ? X87TrapFilter::Annulus
                                             : kStalk == kStalkSquareBand ? X87TrapFilter::SquareBand
                                             : kStalk == kStalkImage      ? X87TrapFilter::Image
                                                                          : X87TrapFilter::Hypercross;
    // Eight: more orbits end within them than within the escape kernel's
    // three, the traps catching many early.
    static constexpr int32_t kStepsBeforeKernel = 8;

    // An orbit between its stops; z and c are in the block.
    struct Orbit {
        long double m = 0.0L, value = 0.0L;
        int32_t it = 1, circleCount = 0;
        bool hit = false, fresh = true, split = false;
        ColourValue imageColour;
    };

    Complex z(int l) const { return {block_.base.lane[l].zr, block_.base.lane[l].zi}; }

    // The lane's first steps, on local values the compiler keeps on the x87
    // stack (as the z^2+c TrapStepper does); false when its orbit has ended.
    [[gnu::noinline]] bool warm(int l) {
        Orbit& o = orbit_[l];
        o.fresh = false;
        X87Lane& lane = block_.base.lane[l];
        const long double cr = lane.cr, ci = lane.ci;
        long double zr = lane.zr, zi = lane.zi, m = 0.0L, value = 0.0L;
        int32_t it = 1, circleCount = 0;
        bool hit = false, on;
        const int32_t until = std::max(minit_, kStepsBeforeKernel);
        do {
            // formula::ZSquaredPlusC: the product z*z, then c added.
            const long double re = zr * zr - zi * zi;
            const long double im = zr * zi + zi * zr;
            zr = re + cr;
            zi = im + ci;
            on = exact(zr, zi, m, value, it, circleCount, hit, o.imageColour);
        } while (on && it <= until);
        lane.zr = zr;
        lane.zi = zi;
        o.m = m;
        o.value = value;
        o.it = it;
        o.circleCount = circleCount;
        o.hit = hit;
        if (!on) return false;
        // Past the minimum steps the orbit goes on only below its limit:
        // the kernel has at least one pass to make.
        // Both parts are split (and kept) whether or not the first has a split.
        const bool re = splitRe_.of(lane.cr, block_.base.split[l][0]);
        const bool im = splitIm_.of(lane.ci, block_.base.split[l][1]);
        o.split = re && im;
        watchFromHere(l);
        return true;
    }

    // The lane's repeat watch from its z on, copied as bytes.
    void watchFromHere(int l) {
        X87Watch& watch = block_.base.watch[l];
        std::memcpy(static_cast<void*>(&watch.reference), &block_.base.lane[l], sizeof(X87Point));
        watch.countdown = watch.interval = 1;
    }

    // The rest of the one-pixel loop's step for the lane's new z: the
    // modulus, the stalk test of stalks.hpp (with the run constants of
    // TrapConstants, as the z^2+c TrapStepper makes it) and the end test; false
    // when the orbit has ended.
    bool test(int l) {
        Orbit& o = orbit_[l];
        const long double zr = block_.base.lane[l].zr, zi = block_.base.lane[l].zi;
        return exact(zr, zi, o.m, o.value, o.it, o.circleCount, o.hit, o.imageColour);
    }

    // The step's rest for the new z (zr, zi) on the orbit's values.
    [[gnu::always_inline]] bool exact(long double zr, long double zi, long double& m, long double& value, int32_t& it,
                                      int32_t& circleCount, bool& hit, ColourValue& imageColour) const {
        if constexpr (kBailout == kBailoutModulus) m = zr * zr + zi * zi;
        else m = fabsl(zr) + fabsl(zi);
        if (it > minit_) k_.test<kStalk>(zr, zi, m, minit_, p3_, image_, value, hit, circleCount, imageColour);
        ++it;
        // The end test of the one-pixel loop. The counter cannot overflow:
        // the lanes take only runs whose limits lie below the largest integer.
        return (!hit && it <= miter_ && m <= k_.maxmod) || it <= minit_;
    }

    // Lane l's z is one its orbit had at an earlier step, every step since
    // having passed the filter: the orbit runs to its limit untested.
    void skipToLimit(int l) {
        const Complex c{block_.base.lane[l].cr, block_.base.lane[l].ci};
        const Complex start = z(l);
        Complex w = start;
        StepToLimit(static_cast<int64_t>(miter_) + 1 - orbit_[l].it, [&] { formula::ZSquaredPlusC<NoCheck>(w, c); },
                    [&] { return SameBits(w, start); });
        block_.base.lane[l].zr = w.re;
        block_.base.lane[l].zi = w.im;
        orbit_[l].it = miter_ + 1;
    }

    // The orbit at its limit, every step since its last exact test having
    // passed the filter: neither caught nor escaped.
    void endAtLimit(int l) {
        const long double m = BailoutModulus<kBailout>(z(l));
        CopyBytes(orbit_[l].m, m);
        finish(l);
    }

    // What the colour rules read, as the z^2+c TrapStepper leaves it.
    void finish(int l) {
        const Orbit& s = orbit_[l];
        OrbitState& o = out_[l];
        o.iteration = s.it;
        CopyBytes(o.modulus, s.m);
        o.trapHit = s.hit;
        o.imageHit = kStalk == kStalkImage && s.hit;
        o.lastTested = s.it - 1 > minit_ ? s.it - 1 : 0;
        if (s.hit) CopyBytes(o.trapValue, s.value);
        if constexpr (kStalk == kStalkImage) o.imageColour = s.imageColour;
    }


    const TrapConstants k_;
    const int32_t minit_, miter_;
    const long double p3_;
    const TrapImage& image_;  // the image trap's, resolved once
    X87TrapBlock block_;
    Orbit orbit_[kLaneCount];
    OrbitState out_[kLaneCount];
    LastSplit splitRe_, splitIm_;
    int64_t passes_ = 0, stops_ = 0;  // the kernel's, and its stops for an exact test
};

}  // namespace velmora::lanes
