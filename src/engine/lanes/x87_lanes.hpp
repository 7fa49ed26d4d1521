#pragma once
// Three z^2+c orbits at once in hand-scheduled x87 code. C++ cannot keep
// three orbits and their temporaries on the register stack; this keeps them
// all there. Every operation is the one the C++ step makes, on the same
// values, so the orbits are bit for bit those of formula::ZSquaredPlusC.
// Faults are not looked at: the caller reads the sticky flags.

#include <cstdint>
#include <cstring>

namespace velmora {

// The layout is read by the assembly: keep the offsets in x87_lanes.cpp.
struct X87Lane {
    long double zr = 0.0L, zi = 0.0L;  // z, not beyond the threshold
    long double cr = 0.0L, ci = 0.0L;
};

struct X87Point {
    long double zr = 0.0L, zi = 0.0L;
};

// Each lane's z at an earlier step of its orbit, kept across runs and
// renewed at the lane's checkpoints 1, 3, 7, 15, ... (the countdown counts
// its checkpoints to the next; the interval doubles), so that the distance to
// it grows and reaches a multiple of any period.
struct X87Watch {
    X87Point reference;
    int32_t countdown = 0, interval = 0;

    // Watching an orbit from z on.
    static X87Watch From(const X87Point& z) { return {z, 1, 1}; }
};

struct X87Block {
    X87Lane lane[3];
    double parts[3][2] = {};    // scratch: each lane's new z as doubles
    uint64_t threshold = 0;     // see X87Threshold
    // Every lane's z at the end of some pass, and the passes then still to
    // make: set by the caller before a run, renewed by the run every
    // kX87CheckpointPasses passes.
    X87Point checkpoint[3];
    int64_t checkpointLeft = 0;
    X87Point latest[3];  // scratch: the lanes at a checkpoint, before it is renewed
    X87Watch watch[3];   // set by the caller when it loads an orbit
    // Each lane's c (cr, then ci) as the sum of two doubles, where it is one
    // (see SplitConstant): an 80-bit load is a slow microcoded operation,
    // while a double loaded and a double added give the same value fast.
    double split[3][2][2] = {};

    // Lane `to` made a copy of lane `from`: its z, c, watch and split, as
    // bytes (see copy_bytes.hpp).
    void copyLane(int to, int from) {
        std::memcpy(static_cast<void*>(&lane[to]), &lane[from], sizeof(X87Lane));
        std::memcpy(static_cast<void*>(&watch[to]), &watch[from], sizeof(X87Watch));
        std::memcpy(static_cast<void*>(&split[to]), &split[from], sizeof split[to]);
    }
};

// Sets hi and lo so that hi + lo, added in the x87 unit, is v bit for bit;
// false where no two doubles make it (beyond the double range, not a
// number, or too small), or where working it out would raise a flag.
bool SplitConstant(long double v, double& hi, double& lo);

// The last value split, kept: a column's orbits share the real part of c
// (the Mandelbrot set) or the whole of it (a Julia set).
struct LastSplit {
    long double value = 0.0L;
    double parts[2] = {0.0, 0.0};
    bool ok = SplitConstant(0.0L, parts[0], parts[1]);
    // v's split into out; false where it has none.
    bool of(const long double& v, double (&out)[2]) {
        if (std::memcmp(&v, &value, 10) != 0) {
            std::memcpy(&value, &v, 10);
            ok = SplitConstant(v, parts[0], parts[1]);
        }
        out[0] = parts[0];
        out[1] = parts[1];
        return ok;
    }
};

// Sixty passes between checkpoints: a lane whose z comes back to its value
// at the checkpoint before has an orbit period that divides 60, which takes
// in the short cycles bounded orbits most often fall into (1 to 6, 10, 12).
// Longer periods are found through the reference.
inline constexpr int kX87CheckpointPasses = 60;

// RunX87Lanes' answer when some lane's z repeats.
inline constexpr int kX87Repeated = -2;

// The escape test the kernel approximates: |z|^2, or |zr| + |zi|.
enum class X87Escape { Modulus, SumOfAbs };

// Whether this build has the assembly kernel (x86-64 only).
bool HaveX87Lanes();

// The threshold for maxmod: the bits of a double a little below it, which
// every escape test's value above maxmod reaches even when worked out in
// doubles. False
// when the kernel should not test against maxmod (below zero, beyond 2^500,
// or not a number).
bool X87Threshold(long double maxmod, uint64_t& threshold);

// Makes up to `passes` (at least 1) passes over the lanes in order. A lane's
// pass steps z to z^2 + c and works out the escape test's value of the new z
// from its parts rounded to doubles, in the SSE unit, away from the x87 one;
// the pass stops the run when that value is not below the threshold (or not
// a number). That superset of the escapes contains every z whose exact test
// is above maxmod; the stopped lane holds that z, for the caller to test
// exactly.
// Returns the lane that stopped the run, or -1 when all passes were made;
// `done` gets the passes completed before it. The stopped lane and the lanes
// before it have made that pass's step, the lanes after it have not.
// At a checkpoint, the run also stops when some lane's z is, bit for bit, its
// z at the checkpoint before or its watch's reference: it returns kX87Repeated, every
// lane having made `done` passes, and leaves the checkpoint and references
// as they were, to compare with.
// With `split`, every lane's c is taken from its split (set for all three);
// else from the lanes' long doubles.
int RunX87Lanes(X87Block& block, int64_t passes, int64_t& done, X87Escape escape = X87Escape::Modulus,
                bool split = false);

}  // namespace velmora
