#pragma once
// One picture column, computed apart from showing it: a pure function of the
// run's constants that calls nothing outside the engine and writes nothing
// shared, so columns can be computed ahead of the one being shown.

#include <vector>

#include "fault.hpp"
#include "pixel.hpp"
#include "run_context.hpp"

namespace velmora {

struct ColumnOutcome {
    // Rows 0.. in order; fewer than sizy when a plane point could not be
    // formed (`stoppedBy` then says why, and the run ends at that row).
    std::vector<PixelOutcome> pixels;
    FaultKind stoppedBy = FaultKind::None;
};

// Computes column `col`, reusing `out`'s storage.
void ComputeColumn(const RunContext& rc, int col, ColumnOutcome& out);

}  // namespace velmora
