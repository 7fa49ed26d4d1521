#pragma once
// One orbit step of every iteration formula. The order of the operations is
// deliberate: it decides the rounding of every result and which
// intermediate value can overflow.

#include "complex.hpp"
#include "custom_eval.hpp"
#include "run_context.hpp"

namespace velmora {

template <class G>
inline void FormulaStep(OrbitState& o, const RunContext& rc) {
    switch (rc.FunctionKind) {
    case kFormulaZ2:
        CMul<G>(o.z, o.z, o.z);
        CAdd<G>(o.z, o.c, o.z);
        break;
    case kFormulaCustom:
        CustomStep<G>(o, rc);
        break;
    default:
        // Unknown kinds (only a loaded picture can carry one) leave z as it is.
        break;
    }
}

}  // namespace velmora
