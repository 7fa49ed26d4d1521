#include "palette_state.hpp"

#include "palette_grid.hpp"

namespace velmora {

PaletteState::PaletteState()
    : PaletteGridBitmap(kGridWidth, kGridHeight, kWhiteEntry),
      PaletteStripBitmap(kStripWidth, kStripHeight, kWhiteEntry) {
    // The editor starts with entry 0 selected.
    DrawSelectionMarker(PaletteGridBitmap, 0, true);
}

ColourTable DisplayColours(const PaletteState& state) {
    return state.handle ? state.handle->colours() : ColoursOf(state.palette);
}

}  // namespace velmora
