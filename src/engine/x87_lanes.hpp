#pragma once
// Two z^2+c orbits at once in hand-scheduled x87 code, with the escape test
// x^2 + y^2 <= maxmod. C++ cannot keep two orbits, their squares and maxmod
// on the register stack; this keeps them all there and reuses the squares of
// the escape test for the next step. Every operation is the one the C++ step
// and the driver's modulus make, in the same order, so the values are bit
// for bit those of formula::ZSquaredPlusC; the squares are made once where
// the C++ code makes them twice, which rounds them the same. Faults are not
// looked at: the caller reads the sticky flags.

#include <cstdint>

namespace velmora {

// The layout is read by the assembly: keep the offsets in x87_lanes.cpp.
struct X87Lane {
    long double zr = 0.0L, zi = 0.0L;  // z after the steps made so far (at least one)
    long double cr = 0.0L, ci = 0.0L;
    long double modulus = 0.0L;        // of z, once the lane has stopped
    int64_t remaining = 0;             // steps the lane may still make
    int64_t unused = 0;
};

struct X87Block {
    X87Lane lane[2];
    long double maxmod = 0.0L;
};

// Whether this build has the assembly kernel (x86-64 only).
bool HaveX87Lanes();

// Runs both lanes in turn until one stops: its modulus is above maxmod or
// not a number, or it has no step left. Returns that lane, with its modulus
// stored; its `remaining` may then be -1 (read it as 0). A lane after the
// stopped one has not made that pass's step.
int RunX87Lanes(X87Block& block);

}  // namespace velmora
