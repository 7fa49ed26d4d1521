#pragma once
// What the palette layer keeps for the life of the main window. The
// application owns one of these beside ProgramState.

#include <cstdint>
#include <optional>

#include "index_image.hpp"
#include "marked_index.hpp"
#include "palette.hpp"

namespace velmora {

inline constexpr int kStripWidth = 300;
inline constexpr int kStripHeight = 20;

struct PaletteState {
    PaletteState();

    MarkedIndexList marks = DefaultMarkedIndexList();
    Palette palette;
    // Empty until the first build.
    PaletteHandle handle;
    uint64_t builds = 0;

    // The palette editor's grid, shown on its dialog; its geometry is the
    // palette layer's, which draws it when first used (PaletteGrid()).
    IndexImage PaletteGridBitmap{0, 0, kWhiteEntry};
    // 300 x 20, shown in the status panel's Image1.
    IndexImage PaletteStripBitmap;

    // The marks of the last build failure that was reported; a build that
    // fails again on the very same marks while a window merely repaints or
    // activates is not reported again (the report itself would cause the
    // next repaint or activation).
    std::optional<MarkedIndexList> lastReportedFailure;
};

// The colours the screen shows: those of the palette object, or of the
// record before the first build.
ColourTable DisplayColours(const PaletteState& state);

// The entry of `colours` closest to a direct colour 0x00BBGGRR (the first of
// equally close ones): how a direct colour is shown in an indexed picture.
uint8_t NearestIndex(const ColourTable& colours, uint32_t bgr);

}  // namespace velmora
