#pragma once
// Orbit traps ("stalks"): the thresholds of a run, the test made after each
// orbit step, and the rules that adjust a pixel's colour after its orbit.

#include "run_context.hpp"

namespace velmora {

// Derives trapRadius, trapWidth and trapTolerance from p1, p2, p3.
inline void SetTrapThresholds(RunContext& rc) {
    rc.trapRadius = rc.p1 * 0.2L;
    rc.trapWidth = rc.p2 * 0.2L;
    rc.trapTolerance = rc.p3 * 2.0L;
}

// Runs after an orbit step; may catch the orbit (trapHit) and set trapValue.
template <class G>
inline void StalkTest(OrbitState& o, const RunContext& rc) {
    (void)o;
    (void)rc;
}

// Runs after the base colour is set; may replace o.pixelColour. (x0, y0) is
// the pixel's plane point after the inversion mapping.
template <class G>
inline void PostOrbitRules(OrbitState& o, const RunContext& rc, long double x0, long double y0) {
    (void)o;
    (void)rc;
    (void)x0;
    (void)y0;
}

}  // namespace velmora
