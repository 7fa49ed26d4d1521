#include "palette_grid.hpp"

#include "palette.hpp"

namespace velmora {
namespace {

// A closed one-pixel square ring with its top-left corner at (x, y) and
// corners side pixels apart (so side + 1 pixels per edge). `pen` gives the
// colour of the k-th pixel walked clockwise from the top-left corner.
template <class Pen>
void DrawRing(IndexImage& image, int x, int y, int side, Pen pen) {
    int k = 0;
    for (int i = 0; i < side; ++i) image.setPixel(x + i, y, pen(k++));
    for (int i = 0; i < side; ++i) image.setPixel(x + side, y + i, pen(k++));
    for (int i = 0; i < side; ++i) image.setPixel(x + side - i, y + side, pen(k++));
    for (int i = 0; i < side; ++i) image.setPixel(x, y + side - i, pen(k++));
}

}  // namespace

IndexImage& PaletteGrid(PaletteState& state) {
    if (state.PaletteGridBitmap.width() == 0) {
        state.PaletteGridBitmap = IndexImage(kGridWidth, kGridHeight, kWhiteEntry);
        DrawSelectionMarker(state.PaletteGridBitmap, 0, true);
    }
    return state.PaletteGridBitmap;
}

CellOrigin CellOf(int entry) {
    return {kGridCellSize * (entry % kGridColumns), kGridCellSize * (entry / kGridColumns)};
}

void DrawCellOutline(IndexImage& grid, int entry, uint8_t colour) {
    const CellOrigin c = CellOf(entry);
    DrawRing(grid, c.x + 2, c.y + 2, 20, [colour](int) { return colour; });
}

void DrawSelectionMarker(IndexImage& grid, int entry, bool selected) {
    const CellOrigin c = CellOf(entry);
    if (selected) {
        // Dotted: black dots with white in the gaps.
        DrawRing(grid, c.x + 3, c.y + 3, 18,
                 [](int k) { return static_cast<uint8_t>(k % 2 == 0 ? kBlackEntry : kWhiteEntry); });
    } else {
        DrawRing(grid, c.x + 3, c.y + 3, 18, [](int) { return static_cast<uint8_t>(kWhiteEntry); });
    }
}

void DrawSwatch(IndexImage& grid, int entry) {
    const CellOrigin c = CellOf(entry);
    const int x0 = c.x + 5, y0 = c.y + 5, x1 = c.x + 20, y1 = c.y + 20;
    grid.fillRect(x0, y0, x1, y1, static_cast<uint8_t>(entry));
    DrawRing(grid, x0, y0, x1 - x0 - 1, [](int) { return static_cast<uint8_t>(kBlackEntry); });
}

int32_t PickedEntry(int x, int y) {
    const int col = (x - 15) / 20;
    const int row = (y - 15) / 20;
    return col + kGridColumns * row;
}

}  // namespace velmora
