#pragma once
// The fast kernel of a column for the common case: no per-step stalk test,
// no orbit history, an escape test of either kind, at most one minimum step.
// Several pixels of the column run at once, each in a lane with its own
// counters; the sticky flags are read once per batch of steps. Flags are
// shared by the lanes, so when they show a fault every pixel in flight is
// computed again by the checked path, which finds the exact fault and step.
// The outcome is the one the one-pixel path gives, byte for byte.
// The column driver is here; the steppers it runs are in lane_steppers.hpp,
// their repeat detection in repeat_watch.hpp, the x87 kernel in x87_lanes.hpp.

#include "column.hpp"
#include "run_context.hpp"

namespace velmora {

// Whether the lane kernel can compute this run's columns.
bool LanesApply(const RunContext& rc);
// The same when whether the custom program compiles is known.
bool LanesApply(const RunContext& rc, bool customProgramCompiles);

// Computes column `col` in lanes (LanesApply must hold).
void ComputeColumnInLanes(const ColumnPlan& plan, int col, ColumnOutcome& out);
void ComputeColumnInLanes(const RunContext& rc, int col, ColumnOutcome& out);
// Rows rows.first..rows.end-1 of that column.
void ComputeColumnRowsInLanes(const ColumnPlan& plan, int col, RowSpan rows, ColumnOutcome& out);

// The same column with the lanes of z^2+c (and of custom z*z+k) run by the
// portable C++ kernels instead of the x87 one: the reference the assembly is
// tested against.
void ComputeColumnInPortableLanes(const RunContext& rc, int col, ColumnOutcome& out);
// The same column with the x87 kernel for every z^2+c trap column it has a
// filter for, whatever the orbits' lengths.
void ComputeColumnInX87TrapLanes(const RunContext& rc, int col, ColumnOutcome& out);

}  // namespace velmora
