#pragma once
// The palette editor's grid: entries 0..183 as cells of 20 pixels, 15 to a
// row. Each cell has, from the outside in, an outline (black when the entry
// is marked), a selection marker ring and a swatch of the entry's colour.

#include <cstdint>

#include "index_image.hpp"
#include "palette_state.hpp"

namespace velmora {

inline constexpr int kGridWidth = 305;
inline constexpr int kGridHeight = 266;
inline constexpr int kGridCells = 184;    // entries 0..183
inline constexpr int kGridColumns = 15;
inline constexpr int kGridCellSize = 20;
// Where the grid is drawn on the editor dialog.
inline constexpr int kGridLeft = 10;
inline constexpr int kGridTop = 10;

struct CellOrigin {
    int x, y;  // 20 * column, 20 * row
};
CellOrigin CellOf(int entry);

// The grid of `state`: 305 x 266, all white with entry 0 selected until
// the first build or edit draws on it.
IndexImage& PaletteGrid(PaletteState& state);

// Closed outline from (20c+2, 20r+2), side 20, one pixel wide.
void DrawCellOutline(IndexImage& grid, int entry, uint8_t colour);

// Selection marker ring from (20c+3, 20r+3), side 18: dotted black on white
// when selected, solid white when erased.
void DrawSelectionMarker(IndexImage& grid, int entry, bool selected);

// Swatch from (20c+5, 20r+5) to (20c+20, 20r+20): framed black, filled with
// the entry itself, so it shows whatever colour the entry has.
void DrawSwatch(IndexImage& grid, int entry);

// The entry a press at dialog position (x, y) picks. The divisions truncate
// towards zero and the column is not limited to the grid, so a press right
// of the grid picks an entry of a later row.
int32_t PickedEntry(int x, int y);

}  // namespace velmora
