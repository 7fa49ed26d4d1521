#include "palette_state.hpp"

namespace velmora {

PaletteState::PaletteState() : PaletteStripBitmap(kStripWidth, kStripHeight, kWhiteEntry) {}

ColourTable DisplayColours(const PaletteState& state) {
    return state.handle ? state.handle->colours() : ColoursOf(state.palette);
}

uint8_t NearestIndex(const ColourTable& colours, uint32_t bgr) {
    const int r = static_cast<int>(bgr & 0xFF), g = static_cast<int>((bgr >> 8) & 0xFF),
              b = static_cast<int>((bgr >> 16) & 0xFF);
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < Palette::kEntries; ++i) {
        const uint32_t c = colours[static_cast<size_t>(i)];
        const long dr = static_cast<long>((c >> 16) & 0xFF) - r, dg = static_cast<long>((c >> 8) & 0xFF) - g,
                   db = static_cast<long>(c & 0xFF) - b;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return static_cast<uint8_t>(best);
}

}  // namespace velmora
