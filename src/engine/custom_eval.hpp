#pragma once
// Evaluation of the compiled custom formula, one orbit step.

#include "run_context.hpp"

namespace velmora {

template <class G>
inline void CustomStep(OrbitState& o, const RunContext& rc) {
    (void)o;
    (void)rc;
}

}  // namespace velmora
