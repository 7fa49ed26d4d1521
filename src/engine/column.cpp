#include "column.hpp"

namespace velmora {

void ComputeColumn(const RunContext& rc, int col, ColumnOutcome& out) {
    out.pixels.clear();
    out.stoppedBy = FaultKind::None;
    out.pixels.reserve(static_cast<size_t>(rc.sizy > 0 ? rc.sizy : 0));
    for (int row = 0; row < rc.sizy; ++row) {
        try {
            out.pixels.push_back(ComputePixel(rc, col, row));
        } catch (const FaultError& e) {
            out.stoppedBy = e.kind();
            return;
        }
    }
}

}  // namespace velmora
