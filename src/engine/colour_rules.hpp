#pragma once
// The colour rules of a finished orbit with either guard: the one-pixel path
// runs them checked (ColourRules in pixel.hpp); the lanes run them unchecked
// first and read the flags once after.

#include "pixel.hpp"
#include "stalks.hpp"

namespace velmora {

template <class G>
inline void ColourRulesOf(OrbitState& o, const RunContext& rc, long double x0, long double y0,
                          const EscapeColours& escape) {
    o.pixelColour = ColourValue::Index(kCaughtEntry);
    if (o.trapHit) {
        if (!((o.iteration > rc.miter && o.modulus < rc.maxmod) || o.iteration <= rc.minit)) {
            const long double scaled = 29.0L * o.trapValue;
            G::Check(scaled);
            o.pixelColour = stalk::BandColour(scaled, o.lastTested);
        }
    } else {
        o.pixelColour = UncaughtColour(o, rc, escape);
    }
    PostOrbitRules<G>(o, rc, x0, y0);
}

}  // namespace velmora
