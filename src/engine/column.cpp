#include "column.hpp"

#include <algorithm>

#include "formula_table.hpp"
#include "formulas.hpp"
#include "lane_column.hpp"

namespace velmora {

void ComputeColumnPixelByPixel(const RunContext& rc, int col, ColumnOutcome& out) {
    ComputeColumnPixelByPixel(rc, col, AllRows(rc), out);
}

void ComputeColumnPixelByPixel(const RunContext& rc, int col, RowSpan rows, ColumnOutcome& out) {
    out.pixels.clear();
    out.stoppedBy = FaultKind::None;
    out.pixels.reserve(static_cast<size_t>(std::max(rows.end - rows.first, 0)));
    for (int row = rows.first; row < rows.end; ++row) {
        try {
            const PixelOutcome pixel = ComputePixel(rc, col, row);
            out.pixels.push_back({pixel.px, pixel.py, pixel.colour, pixel.orbitFault, pixel.colourFault, pixel.steps});
        } catch (const FaultError& e) {
            out.stoppedBy = e.kind();
            return;
        }
    }
}

namespace {

bool CompileForLanes(const RunContext& rc, CustomProgram& program) {
    return LanesOf(rc.FunctionKind) == FormulaLanes::Compiled &&
           CompileCustomProgram(rc.CustomCode, rc.CustomCodeLength, program);
}

bool TakesTabledParts(const RunContext& rc) {
    bool takes = false;
    WithFormulaKind(rc.FunctionKind, [&]<int K>() { takes = kStepTakesPointParts<K>; });
    return takes && !rc.inversion && !rc.sphere;
}

}  // namespace

ColumnPlan::ColumnPlan(const RunContext& context)
    : rc(context),
      programCompiled(CompileForLanes(context, program)),
      lanes(LanesApply(context, programCompiled)),
      escape(context, lanes) {
    if (!lanes) return;
    rowY.resize(static_cast<size_t>(std::max(rc.sizy, 0)));
    ClearFloatFaults();
    for (int row = 0; row < rc.sizy; ++row)
        rowY[static_cast<size_t>(row)] = static_cast<long double>(row - rc.sizy / 2) * rc.step + rc.yce;
    rowYFaulted = FloatFaultPending();
    ClearFloatFaults();
    if (!TakesTabledParts(rc)) return;
    rowParts.resize(rowY.size());
    rowPartsMade.resize(rowY.size());
    for (size_t row = 0; row < rowY.size(); ++row) rowPartsMade[row] = MakeYParts(rowY[row], rowParts[row]);
}

void ComputeColumn(const ColumnPlan& plan, int col, ColumnOutcome& out) {
    ComputeColumnRows(plan, col, AllRows(plan.rc), out);
}

void ComputeColumnRows(const ColumnPlan& plan, int col, RowSpan rows, ColumnOutcome& out) {
    if (plan.lanes)
        ComputeColumnRowsInLanes(plan, col, rows, out);
    else
        ComputeColumnPixelByPixel(plan.rc, col, rows, out);
}

void ComputeColumn(const RunContext& rc, int col, ColumnOutcome& out) { ComputeColumn(ColumnPlan(rc), col, out); }

}  // namespace velmora
