#include "column.hpp"

#include "lane_column.hpp"

namespace velmora {

void ComputeColumnPixelByPixel(const RunContext& rc, int col, ColumnOutcome& out) {
    out.pixels.clear();
    out.stoppedBy = FaultKind::None;
    out.pixels.reserve(static_cast<size_t>(rc.sizy > 0 ? rc.sizy : 0));
    for (int row = 0; row < rc.sizy; ++row) {
        try {
            const PixelOutcome pixel = ComputePixel(rc, col, row);
            out.pixels.push_back({pixel.px, pixel.py, pixel.colour, pixel.orbitFault, pixel.colourFault, pixel.steps});
        } catch (const FaultError& e) {
            out.stoppedBy = e.kind();
            return;
        }
    }
}

void ComputeColumn(const RunContext& rc, int col, ColumnOutcome& out) {
    if (LanesApply(rc))
        ComputeColumnInLanes(rc, col, out);
    else
        ComputeColumnPixelByPixel(rc, col, out);
}

}  // namespace velmora
