#pragma once
// The steppers the column driver (lane_column.cpp) runs a column's orbits
// through: each runs a batch of orbits side by side and tells which lanes
// stopped; the driver reads the sticky flags and finishes the pixels.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "attracting_disc.hpp"
#include "complex.hpp"
#include "copy_bytes.hpp"
#include "custom_program.hpp"
#include "formulas.hpp"
#include "kinds.hpp"
#include "repeat_watch.hpp"
#include "run_context.hpp"
#include "x87_lanes.hpp"

namespace velmora::lanes {

// What a lane's orbit left when it stopped, where the stepper keeps it: a
// copy would go through x87 stores that the byte copies reading it wait for.
struct LaneResult {
    const long double& zr;
    const long double& zi;
    const long double& modulus;
    int64_t steps = 0;
};

// What a built-in formula's next step depends on besides the constants.
struct StepState {
    Complex z, pokornyZ;
};
inline bool SameBits(const StepState& a, const StepState& b) {
    return SameBits(a.z, b.z) && SameBits(a.pokornyZ, b.pokornyZ);
}

// A stepper runs a batch of orbits until some stop. Each lane makes the
// steps of the driver's orbit loop without a stalk test: the formula step,
// the modulus, and the end test (at most `limit` steps, or the modulus above
// maxmod or not a number). load() tells whether the orbit has stopped
// already, its result then ready; advance() returns the lanes that stopped,
// as bits.

// Any formula, in C++, the lanes side by side.
template <int kFormula, int kBailout, int kLanes>
class LockstepStepper {
public:
    static constexpr int kLaneCount = kLanes;
    explicit LockstepStepper(const RunContext& rc) : rc_(rc), disc_(rc) {}

    bool load(int l, const Complex& z0, const Complex& c, int64_t limit) {
        CopyBytes(orbit_[l].z, z0);
        CopyBytes(orbit_[l].c, c);
        CopyBytes(orbit_[l].pokornyZ, z0);
        StepState start;
        CopyBytes(start.z, z0);
        CopyBytes(start.pokornyZ, z0);
        // Started here, not at the first look as the compiled program's
        // lanes do: c*tanh's orbits take some 10 % longer that way.
        watch_[l].start(start);
        remaining_[l] = limit;
        limit_[l] = limit;
        return false;
    }
    // The same with the first step made at once, its library values given.
    bool load(int l, const Complex& z0, const Complex& c, int64_t limit, const TabledParts& parts)
        requires kStepTakesPointParts<kFormula>
    {
        load(l, z0, c, limit);
        FormulaStepWithParts<kFormula>(orbit_[l], parts);
        return stopsAfterStep(l, rc_.maxmod);
    }
    void copy(int to, int from) {
        orbit_[to] = orbit_[from];
        watch_[to] = watch_[from];
        remaining_[to] = remaining_[from];
        limit_[to] = limit_[from];
    }
    unsigned advance() {
        const long double maxmod = rc_.maxmod;
        for (;;) {
            unsigned stopped = 0;
#pragma GCC unroll 4
            for (int l = 0; l < kLanes; ++l) {
                Step(orbit_[l]);
                if (stopsAfterStep(l, maxmod)) stopped |= 1u << l;
            }
            LookForRepeats(
                untilCheck_, kLanes, stopped, [&](int l) { return watch_[l].repeated(state(l)); },
                [&](int l) { skipToLimit(l); });
            if constexpr (AttractingDisc<kFormula>::kFollows) lookForDiscs(stopped);
            if (stopped) return stopped;
        }
    }
    // The z of a lane that settled in an attracting disc is where it settled,
    // not its last: only the rules after the orbit read it, and with them
    // the discs are not looked for.
    LaneResult result(int l) const { return {orbit_[l].z.re, orbit_[l].z.im, modulus_[l], limit_[l] - remaining_[l]}; }

private:
    void Step(OrbitState& o) const { FormulaStepOf<NoCheck, kFormula>(o, rc_); }
    // The end test after a step.
    bool stopsAfterStep(int l, long double maxmod) {
        const long double m = BailoutModulus<kBailout>(orbit_[l].z);
        if (--remaining_[l] == 0 || !(m <= maxmod)) {
            modulus_[l] = m;
            return true;
        }
        return false;
    }
    // Every kDiscLookSteps rounds: each lane still going whose orbit has
    // settled in an attracting disc ends at its limit, inside, its modulus
    // (below maxmod, as every later one) the one it has now.
    void lookForDiscs(unsigned& stopped) {
        if (!disc_.on() || --untilDisc_ != 0) return;
        untilDisc_ = kDiscLookSteps;
        for (int l = 0; l < kLanes; ++l) {
            if ((stopped & (1u << l)) || !disc_.holds(orbit_[l].z, orbit_[l].c)) continue;
            modulus_[l] = BailoutModulus<kBailout>(orbit_[l].z);
            remaining_[l] = 0;
            stopped |= 1u << l;
        }
    }
    StepState state(int l) const { return {orbit_[l].z, orbit_[l].pokornyZ}; }
    void skipToLimit(int l) {
        OrbitState& o = orbit_[l];
        const StepState start = state(l);
        StepToLimit(remaining_[l], [&] { Step(o); }, [&] { return SameBits(state(l), start); });
        remaining_[l] = 0;
        modulus_[l] = BailoutModulus<kBailout>(o.z);
    }

    const RunContext& rc_;
    OrbitState orbit_[kLanes];
    RepeatWatch<StepState> watch_[kLanes];
    int untilCheck_ = kRepeatCheckSteps;
    const AttractingDisc<kFormula> disc_;
    int untilDisc_ = kDiscLookSteps;
    long double modulus_[kLanes] = {};
    int64_t remaining_[kLanes] = {}, limit_[kLanes] = {};
};

// The k of z^2+k for an orbit of constant c: c itself for the built-in
// formula, or what a custom z*z+k program makes from c once per orbit.
struct OwnConstant {
    Complex operator()(const Complex& c) const { return c; }
};

class CustomConstant {
public:
    CustomConstant(const RunContext& rc, const CustomProgram& program, uint8_t slot) : program_(program), slot_(slot) {
        lanes_.setConstants(rc.u, rc.v, rc.w);
    }
    Complex operator()(const Complex& c) {
        lanes_.value[kSlotC][0] = c;
        RunCustomInvariants(program_, lanes_, 0);
        return lanes_.value[slot_][0];
    }

private:
    const CustomProgram& program_;
    const uint8_t slot_;
    CustomLaneValues<1> lanes_;
};

// z^2+k with either escape test in the x87 kernel. A lane holds z_j, the
// orbit after j steps, whose escape test has not ended it. The kernel runs
// all lanes until one may have escaped; that lane holds the z in question,
// which is then tested exactly in C++.
template <class Constant, int kBailout>
class X87Z2Stepper {
public:
    static constexpr int kLaneCount = 3;
    X87Z2Stepper(const RunContext& rc, uint64_t threshold, Constant constant)
        : maxmod_(rc.maxmod), constant_(std::move(constant)) {
        block_.threshold = threshold;
    }

    bool load(int l, const Complex& z0, const Complex& orbitC, int64_t limit) {
        X87Lane& lane = block_.lane[l];
        limit_[l] = limit;
        // The first steps in C++ (limit is at least 1).
        const int64_t warm = std::min(limit, kStepsBeforeKernel);
        const Complex c = constant_(orbitC);
        Complex z = z0;
        int64_t steps = 0;
        for (;;) {
            Step(z, c);
            ++steps;
            const long double m = BailoutModulus<kBailout>(z);
            if (!(m <= maxmod_)) {
                modulus_[l] = m;
                steps_[l] = steps;
                lane.zr = z.re;
                lane.zi = z.im;
                return true;
            }
            if (steps == warm) break;
        }
        // Stored from the registers the steps leave them in: copying long
        // doubles from memory to memory would take slow 80-bit loads too.
        steps_[l] = steps;
        lane.zr = z.re;
        lane.zi = z.im;
        lane.cr = c.re;
        lane.ci = c.im;
        double (&split)[2][2] = block_.split[l];
        // Both parts are split (and kept) whether or not the first has a split.
        const bool re = splitRe_.of(lane.cr, split[0]);
        const bool im = splitIm_.of(lane.ci, split[1]);
        split_[l] = re && im;
        // Copied as bytes.
        std::memcpy(static_cast<void*>(&block_.watch[l].reference), &lane, sizeof(X87Point));
        block_.watch[l].countdown = block_.watch[l].interval = 1;
        return false;
    }
    void copy(int to, int from) {
        block_.copyLane(to, from);
        split_[to] = split_[from];
        steps_[to] = steps_[from];
        limit_[to] = limit_[from];
    }
    unsigned advance() {
        for (;;) {
            unsigned stopped = 0;
            int64_t passes = std::numeric_limits<int64_t>::max();
            for (int l = 0; l < kLaneCount; ++l) {
                if (steps_[l] == limit_[l]) {
                    modulus_[l] = BailoutModulus<kBailout>(z(l));
                    stopped |= 1u << l;
                }
                passes = std::min(passes, limit_[l] - steps_[l]);
            }
            if (stopped) return stopped;
            // Any earlier z of the orbit serves the repeat test as the
            // checkpoint before.
            for (int l = 0; l < kLaneCount; ++l)
                std::memcpy(static_cast<void*>(&block_.checkpoint[l]), &block_.lane[l], sizeof(X87Point));
            block_.checkpointLeft = passes;
            int64_t done = 0;
            const int s = RunX87Lanes(block_, passes, done, kEscape, split_[0] && split_[1] && split_[2]);
            if (s < 0) {
                for (int64_t& steps : steps_) steps += done;
                if (s == kX87Repeated)
                    for (int l = 0; l < kLaneCount; ++l)
                        if (SameBits(z(l), block_.checkpoint[l]) || SameBits(z(l), block_.watch[l].reference)) skipToLimit(l);
                continue;
            }
            for (int l = 0; l < kLaneCount; ++l) steps_[l] += l <= s ? done + 1 : done;
            const long double m = BailoutModulus<kBailout>(z(s));
            if (!(m <= maxmod_)) {
                modulus_[s] = m;
                return 1u << s;
            }
            // Close below maxmod or on it: the orbit goes on.
        }
    }
    LaneResult result(int l) const { return {block_.lane[l].zr, block_.lane[l].zi, modulus_[l], steps_[l]}; }

private:
    // A trip into the kernel and out costs more than a few C++ steps, and
    // many orbits end within them.
    static constexpr int64_t kStepsBeforeKernel = 3;
    static constexpr X87Escape kEscape = kBailout == kBailoutSumAbs ? X87Escape::SumOfAbs : X87Escape::Modulus;

    // Lane l's z is one its orbit had at an earlier step, each since then
    // tested below the threshold.
    void skipToLimit(int l) {
        const Complex c{block_.lane[l].cr, block_.lane[l].ci};
        const Complex start = z(l);
        Complex w = start;
        StepToLimit(limit_[l] - steps_[l], [&] { Step(w, c); }, [&] { return SameBits(w, start); });
        setZ(l, w);
        steps_[l] = limit_[l];
    }

    static void Step(Complex& z, const Complex& c) { formula::ZSquaredPlusC<NoCheck>(z, c); }
    Complex z(int l) const { return {block_.lane[l].zr, block_.lane[l].zi}; }
    void setZ(int l, const Complex& z) {
        block_.lane[l].zr = z.re;
        block_.lane[l].zi = z.im;
    }

    const long double maxmod_;
    Constant constant_;
    X87Block block_;
    long double modulus_[kLaneCount] = {};
    int64_t steps_[kLaneCount] = {}, limit_[kLaneCount] = {};
    bool split_[kLaneCount] = {};  // the lane's c is in block_.split
    LastSplit splitRe_, splitIm_;
};

// The custom formula, compiled, on four lanes at once.
template <int kBailout>
class CustomStepper {
public:
    static constexpr int kLaneCount = 4;
    CustomStepper(const RunContext& rc, const CustomProgram& program) : maxmod_(rc.maxmod), program_(program) {
        lanes_.setConstants(rc.u, rc.v, rc.w);
    }

    bool load(int l, const Complex& z0, const Complex& c, int64_t limit) {
        lanes_.value[kSlotZ][l] = z0;
        lanes_.value[kSlotC][l] = c;
        RunCustomInvariants(program_, lanes_, l);
        watch_[l].startAtFirstLook();
        remaining_[l] = limit;
        limit_[l] = limit;
        return false;
    }
    void copy(int to, int from) {
        for (auto& slot : lanes_.value) slot[to] = slot[from];
        watch_[to] = watch_[from];
        remaining_[to] = remaining_[from];
        limit_[to] = limit_[from];
    }
    unsigned advance() {
        for (;;) {
            RunCustomProgram(program_, lanes_);
            unsigned stopped = 0;
            for (int l = 0; l < kLaneCount; ++l) {
                const long double m = BailoutModulus<kBailout>(lanes_.value[kSlotZ][l]);
                if (--remaining_[l] == 0 || !(m <= maxmod_)) {
                    modulus_[l] = m;
                    stopped |= 1u << l;
                }
            }
            LookForRepeats(
                untilCheck_, kLaneCount, stopped, [&](int l) { return watch_[l].repeated(lanes_.value[kSlotZ][l]); },
                [&](int l) { skipToLimit(l); });
            if (stopped) return stopped;
        }
    }
    LaneResult result(int l) const {
        const Complex& z = lanes_.value[kSlotZ][l];
        return {z.re, z.im, modulus_[l], limit_[l] - remaining_[l]};
    }

private:
    // The step depends on z alone (and on values made once per orbit): the
    // lane is stepped by itself in a copy of its values.
    void skipToLimit(int l) {
        for (int slot = 0; slot < kCustomSlots; ++slot) single_.value[slot][0] = lanes_.value[slot][l];
        const Complex start = lanes_.value[kSlotZ][l];
        const Complex& z = single_.value[kSlotZ][0];
        StepToLimit(remaining_[l], [&] { RunCustomProgram(program_, single_); }, [&] { return SameBits(z, start); });
        lanes_.value[kSlotZ][l] = z;
        remaining_[l] = 0;
        modulus_[l] = BailoutModulus<kBailout>(z);
    }

    long double maxmod_;
    const CustomProgram& program_;
    CustomLaneValues<kLaneCount> lanes_;
    CustomLaneValues<1> single_;
    RepeatWatch<Complex> watch_[kLaneCount];
    int untilCheck_ = kRepeatCheckSteps;
    long double modulus_[kLaneCount] = {};
    int64_t remaining_[kLaneCount] = {}, limit_[kLaneCount] = {};
};

}  // namespace velmora::lanes
