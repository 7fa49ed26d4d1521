#pragma once
// z^2+c for the stalk types whose rule after the orbit reads the step before
// the last: Slope 1 (the z before) and Modulus Diff. (the modulus before).
// Three orbits at once in the escape kernel, run in stretches of a few
// passes at a time. Where the kernel stops a lane, as its z may have
// escaped, the lane's stretch is made again here, in C++, from the z it
// started with: its last steps, the step before included, are then those of
// the one-pixel loop, with every end test exact. The stretches grow as an
// orbit goes on (most orbits that escape do so early), so that a long
// orbit runs mostly in the kernel, and its repeats are found there.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "complex.hpp"
#include "copy_bytes.hpp"
#include "formulas.hpp"
#include "kinds.hpp"
#include "repeat_watch.hpp"
#include "run_context.hpp"
#include "x87_lanes.hpp"

namespace velmora::lanes {

template <int S>
inline constexpr bool kHasX87RuleStepper = S == kStalkSlope1 || S == kStalkModulusDiff;

template <int kBailout, int kStalk>
class X87RuleStepper {
    static_assert(kHasX87RuleStepper<kStalk>);

public:
    static constexpr int kLaneCount = 3;

    // threshold as X87Threshold makes it for maxmod.
    X87RuleStepper(const RunContext& rc, uint64_t threshold)
        : maxmod_(rc.maxmod), minit_(rc.minit), miter_(rc.miter) {
        block_.threshold = threshold;
    }

    bool load(int l, const Complex& z0, const Complex& c, int64_t) {
        X87Lane& lane = block_.lane[l];
        CopyBytes(lane.zr, z0.re);
        CopyBytes(lane.zi, z0.im);
        CopyBytes(lane.cr, c.re);
        CopyBytes(lane.ci, c.im);
        // Both parts are split (and kept) whether or not the first has a split.
        const bool re = splitRe_.of(lane.cr, block_.split[l][0]);
        const bool im = splitIm_.of(lane.ci, block_.split[l][1]);
        split_[l] = re && im;
        orbit_[l] = Orbit{};
        return false;
    }
    void copy(int to, int from) {
        block_.copyLane(to, from);
        split_[to] = split_[from];
        CopyBytes(orbit_[to], orbit_[from]);
    }

    unsigned advance() {
        for (;;) {
            // Each lane steps here until the kernel may take it on; the
            // kernel's passes stop before the last step of the lane nearest
            // its limit, which is made here too.
            unsigned stopped = 0;
            int64_t passes = std::numeric_limits<int64_t>::max();
            for (int l = 0; l < kLaneCount; ++l) {
                if (!stepHere(l)) {
                    finish(l);
                    stopped |= 1u << l;
                }
                passes = std::min<int64_t>(passes, std::min(orbit_[l].stretch, miter_ - orbit_[l].it));
            }
            if (stopped) return stopped;
            // Any earlier z of the orbit serves the repeat test as the
            // checkpoint before; the starts are kept apart, as the kernel
            // renews its checkpoints.
            for (int l = 0; l < kLaneCount; ++l) {
                std::memcpy(static_cast<void*>(&block_.checkpoint[l]), &block_.lane[l], sizeof(X87Point));
                std::memcpy(static_cast<void*>(&start_[l]), &block_.lane[l], sizeof(X87Point));
            }
            block_.checkpointLeft = passes;
            int64_t done = 0;
            const int s = RunX87Lanes(block_, passes, done, kEscape, split_[0] && split_[1] && split_[2]);
            if (s < 0) {
                for (Orbit& o : orbit_) {
                    o.it += static_cast<int32_t>(done);
                    if (o.stretch <= passes) o.stretch = std::min(2 * o.stretch, kLongestStretch);
                }
                if (s == kX87Repeated)
                    for (int l = 0; l < kLaneCount; ++l)
                        if (SameBits(z(l), block_.checkpoint[l]) || SameBits(z(l), block_.watch[l].reference))
                            skipToLast(l);
                continue;
            }
            for (int l = 0; l < kLaneCount; ++l)
                if (l != s) orbit_[l].it += static_cast<int32_t>(l < s ? done + 1 : done);
            // The stopped lane goes back to its start, its stretch to be made
            // again at the top of the loop.
            std::memcpy(static_cast<void*>(&block_.lane[s]), &start_[s], sizeof(X87Point));
            orbit_[s].again = orbit_[s].it + static_cast<int32_t>(done + 1);
        }
    }

    // The finished orbit as the colour rules read it.
    OrbitState& orbit(int l) { return out_[l]; }

private:
    static constexpr X87Escape kEscape = kBailout == kBailoutSumAbs ? X87Escape::SumOfAbs : X87Escape::Modulus;
    // Within the first steps many orbits end, and those cost less here than
    // a trip into the kernel and out.
    static constexpr int32_t kStepsBeforeKernel = 8;
    // The stretches: the first after those steps, and the longest, twice
    // the kernel's checkpoint interval so that it can find repeats.
    static constexpr int32_t kFirstStretch = 8, kLongestStretch = 128;

    // An orbit between its stops; z and c are in the block. m is the
    // modulus of the z last made here, previous that of the z before it,
    // last that z. Steps before `again` are made here again.
    struct Orbit {
        long double m = 0.0L, previous = 0.0L, lastRe = 1.0L, lastIm = 10.0L;
        int32_t it = 1, again = 0, stretch = kFirstStretch;
        bool watched = false;
    };

    Complex z(int l) const { return {block_.lane[l].zr, block_.lane[l].zi}; }

    // The lane's steps before the kernel may take it on: the minimum ones,
    // a few more, a stretch the kernel stopped in, and the last step before
    // the limit. False when the orbit has ended.
    bool stepHere(int l) {
        Orbit& o = orbit_[l];
        const int32_t until = std::max({minit_, kStepsBeforeKernel, o.again - 1});
        // Most often there is nothing to do: the values stay where they are.
        if (o.it > until && o.it < miter_) return true;
        X87Lane& lane = block_.lane[l];
        const long double cr = lane.cr, ci = lane.ci;
        long double zr = lane.zr, zi = lane.zi, m = o.m;
        // Only what the type's rule reads is kept, step by step.
        [[maybe_unused]] long double previous = o.previous, lastRe = o.lastRe, lastIm = o.lastIm;
        int32_t it = o.it;
        // The modulus of a z the kernel made, which the step after reads.
        if (it < o.again) m = BailoutModulus<kBailout>(Complex{zr, zi});
        bool on = true;
        while (on && (it <= until || it >= miter_)) {
            if constexpr (kStalk == kStalkModulusDiff) {
                previous = m;
            } else {
                lastRe = zr;
                lastIm = zi;
            }
            // formula::ZSquaredPlusC: the product z*z, then c added.
            const long double re = zr * zr - zi * zi;
            const long double im = zr * zi + zi * zr;
            zr = re + cr;
            zi = im + ci;
            m = BailoutModulus<kBailout>(Complex{zr, zi});
            ++it;
            on = goesOn(it, m);
        }
        lane.zr = zr;
        lane.zi = zi;
        // The repeat watch starts past the minimum steps, whose escapes do
        // not count: a cycle through one of them would escape after them.
        if (!o.watched && on) {
            o.watched = true;
            block_.watch[l] = X87Watch::From(X87Point{zr, zi});
        }
        o.m = m;
        if constexpr (kStalk == kStalkModulusDiff) {
            o.previous = previous;
        } else {
            o.lastRe = lastRe;
            o.lastIm = lastIm;
        }
        o.it = it;
        return on;
    }

    // The end test of the one-pixel loop. The counter cannot overflow: the
    // lanes take only runs whose limits lie below the largest integer.
    bool goesOn(int32_t it, const long double& m) const { return (it <= miter_ && m <= maxmod_) || it <= minit_; }

    // Lane l's z is one its orbit had at an earlier step, no step since
    // having ended it: the orbit runs untested to one step before its
    // limit, the last made here (where no rule reads the modulus before).
    void skipToLast(int l) {
        const Complex c{block_.lane[l].cr, block_.lane[l].ci};
        const Complex start = z(l);
        Complex w = start;
        StepToLimit(static_cast<int64_t>(miter_) - orbit_[l].it, [&] { formula::ZSquaredPlusC<NoCheck>(w, c); },
                    [&] { return SameBits(w, start); });
        block_.lane[l].zr = w.re;
        block_.lane[l].zi = w.im;
        orbit_[l].it = miter_;
    }

    // What the colour rules read, as the z^2+c TrapStepper leaves it.
    void finish(int l) {
        const Orbit& s = orbit_[l];
        OrbitState& o = out_[l];
        o.iteration = s.it;
        CopyBytes(o.modulus, s.m);
        o.trapHit = false;
        o.imageHit = false;
        o.lastTested = s.it - 1 > minit_ ? s.it - 1 : 0;
        if constexpr (kStalk == kStalkSlope1) {
            o.z = z(l);
            o.lastZ = Complex{s.lastRe, s.lastIm};
        }
        if constexpr (kStalk == kStalkModulusDiff) o.previousModulus = s.previous;
    }

    const long double maxmod_;
    const int32_t minit_, miter_;
    X87Block block_;
    X87Point start_[kLaneCount];
    Orbit orbit_[kLaneCount];
    OrbitState out_[kLaneCount];
    bool split_[kLaneCount] = {};
    LastSplit splitRe_, splitIm_;
};

}  // namespace velmora::lanes
