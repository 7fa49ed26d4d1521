#pragma once
// Repeat detection for the lane kernels. A bounded orbit mostly falls into a
// cycle long before its limit; once its state comes back bit for bit, every
// later step is one it has made before (its modulus tested, its faults
// already in the sticky flags), so it can be run to its limit without the
// lane's per-step tests and still end exactly as the one-pixel path does.

#include <cstdint>

#include "complex.hpp"
#include "copy_bytes.hpp"
#include "x87_lanes.hpp"

namespace velmora::lanes {

// The ten bytes of an 80-bit value; the rest is padding. Bits, not values:
// -0 and +0 step on differently.
inline bool SameBits(const long double& a, const long double& b) { return std::memcmp(&a, &b, 10) == 0; }
inline bool SameBits(const Complex& a, const Complex& b) { return SameBits(a.re, b.re) && SameBits(a.im, b.im); }
inline bool SameBits(const Complex& a, const X87Point& b) { return SameBits(a.re, b.zr) && SameBits(a.im, b.zi); }

// An orbit's state has come back to one it had before: the orbit is
// periodic from there. Every later state it has had too, with its modulus
// tested and any fault already in the flags, so it runs to its limit; this
// makes the `remaining` steps there, or once the period shows (the state is
// the start again), only `remaining` mod period more. Bounded orbits mostly
// end like this, long before their limit.
template <class Step, class BackAtStart>
void StepToLimit(int64_t remaining, Step step, BackAtStart backAtStart) {
    for (int64_t made = 1; made <= remaining; ++made) {
        step();
        if (backAtStart()) {
            for (int64_t i = remaining % made; i > 0; --i) step();
            return;
        }
    }
}

// Looks at a lane's state every kRepeatCheckSteps of its steps: whether it
// is the state at the look before, or a reference renewed at looks 1, 3, 7,
// 15, ... so that the distance to it reaches a multiple of any period.
inline constexpr int kRepeatCheckSteps = kX87CheckpointPasses;

template <class State>
class RepeatWatch {
public:
    void start(const State& s) {
        CopyBytes(before_, s);
        CopyBytes(reference_, s);
        countdown_ = interval_ = 1;
        fresh_ = false;
    }
    // A new orbit whose first look starts the watch: most orbits of a short
    // orbit view end before it, and copying their start costs more than the
    // steps they make. (Only a state the orbit has had counts: a value left
    // from the lane's orbit before would not repeat in this one.)
    void startAtFirstLook() { fresh_ = true; }
    bool repeated(const State& s) {
        if (fresh_) {
            start(s);
            return false;
        }
        if (SameBits(s, before_) || SameBits(s, reference_)) return true;
        CopyBytes(before_, s);
        if (--countdown_ == 0) {
            CopyBytes(reference_, s);
            interval_ *= 2;
            countdown_ = interval_;
        }
        return false;
    }

private:
    State before_{}, reference_{};
    int64_t countdown_ = 1, interval_ = 1;
    bool fresh_ = true;
};

// Every kRepeatCheckSteps rounds of a batch: each lane still going whose
// state has repeated is skipped to its limit and counted as stopped.
template <class Repeated, class Skip>
void LookForRepeats(int& untilCheck, int lanes, unsigned& stopped, Repeated repeated, Skip skip) {
    if (--untilCheck != 0) return;
    untilCheck = kRepeatCheckSteps;
    for (int l = 0; l < lanes; ++l) {
        if ((stopped & (1u << l)) || !repeated(l)) continue;
        skip(l);
        stopped |= 1u << l;
    }
}

}  // namespace velmora::lanes
