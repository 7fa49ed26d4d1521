#include "palette_editor.hpp"

#include <string>

#include "colour_value.hpp"
#include "fault.hpp"
#include "palette_grid.hpp"

namespace velmora {
namespace {

// Entries above this cannot be marked; 182..191 can, although every build
// forces 182 and 183 back to white and black.
constexpr int32_t kHighestMarkable = 191;
// Entries the editor writes directly, without a mark.
constexpr bool IsDirectEntry(int32_t n) { return n == 192 || n == 193; }

}  // namespace

PaletteEditor::PaletteEditor(ProgramState& program, const PaletteScreen& screen, PaletteEditorView& view)
    : program_(program), state_(program.palette), screen_(screen), view_(view) {}

int PaletteEditor::colourEdit(ColourEdit edit) const {
    switch (edit) {
    case ColourEdit::Red: return red_;
    case ColourEdit::Green: return green_;
    case ColourEdit::Blue: return blue_;
    }
    return 0;
}

void PaletteEditor::notice(const char* text) {
    screen_.prompts.messageBox(text, kPaletteNoticeCaption, MessageButtons::Ok, MessageIcon::None);
}

void PaletteEditor::reportError(const std::exception& error) { ReportError(program_, screen_.prompts, error); }

void PaletteEditor::showIndexTexts() { view_.setIndexTexts(std::to_string(selected_), std::to_string(previous_)); }

bool PaletteEditor::changedSinceSeen() const {
    return !SameMarks(seenMarks_, state_.marks) || DisplayColours(state_) != seenColours_;
}

void PaletteEditor::rememberSeen() {
    seenMarks_ = state_.marks;
    seenColours_ = DisplayColours(state_);
}

void PaletteEditor::paletteChanged() {
    if (!building_ && changedSinceSeen()) loadColourEdits();
}

void PaletteEditor::refresh(BuildReport report, bool ownChange) {
    const bool fromElsewhere = !ownChange && changedSinceSeen();
    // A successful build hands the new palette object to every view; after a
    // failed one the previous object simply stays in use.
    building_ = true;
    MakePalette(program_, screen_, report);
    building_ = false;
    rememberSeen();
    if (fromElsewhere) loadColourEdits();
    view_.drawGrid(PaletteGrid(state_));
    previewShown_ = true;
    screen_.palette.drawPicturePreview();
}

void PaletteEditor::Pal1Click() {
    view_.showEditor();
    for (int col = 0; col < kGridColumns; ++col)
        for (int row = 0; row < kGridColumns; ++row) {
            const int n = kGridColumns * row + col;
            if (n < kGridCells) DrawSwatch(PaletteGrid(state_), n);
        }
    view_.drawGrid(PaletteGrid(state_));
}

void PaletteEditor::FormPaint() { refresh(BuildReport::UnlessRepeated, false); }

void PaletteEditor::OKBtnMouseDown(int x, int y) {
    if (x < 0 || y < 0) return;  // not on the dialog's surface
    const int32_t n = PickedEntry(x, y);
    selected_ = n;
    if (n == kWhiteEntry || n == kBlackEntry) notice("Entry cannot be modified");
    if (n >= kWhiteEntry) return;

    showIndexTexts();
    DrawSelectionMarker(PaletteGrid(state_), previous_, false);
    DrawSelectionMarker(PaletteGrid(state_), n, true);
    loadColourEdits();
    view_.drawGrid(PaletteGrid(state_));
    previous_ = n;
}

// The edits are in step with the palette from here on.
void PaletteEditor::loadColourEdits() {
    rememberSeen();
    if (selected_ < 0 || selected_ >= kWhiteEntry) return;
    // The entry's colour as the screen shows it; a mark's own colour, which
    // is the same once built, also before a build of new marks.
    const uint32_t colour = DisplayColours(state_)[static_cast<size_t>(selected_)];
    red_ = static_cast<int>((colour >> 16) & 0xFF);
    green_ = static_cast<int>((colour >> 8) & 0xFF);
    blue_ = static_cast<int>(colour & 0xFF);
    const MarkedIndexList& marks = state_.marks;
    for (int32_t k = 1; k <= marks.count - 1 && k <= MarkedIndexList::kCapacity; ++k) {
        const MarkedIndex& mark = marks.at(k);
        if (mark.index != selected_) continue;
        red_ = mark.red;
        green_ = mark.green;
        blue_ = mark.blue;
        break;
    }
    UpdatingColourEdits = true;
    view_.setColourEdits(red_, green_, blue_);
    UpdatingColourEdits = false;
}

void PaletteEditor::ChangecolorClick(ColourEdit edit, int value) {
    if (UpdatingColourEdits) return;
    // A typed value the spin edit should not hold never reaches a colour.
    if (value < 0 || value > 255) return;
    // Edits out of step with a palette changed elsewhere (whose build then
    // failed, say) would write a colour nobody saw: they catch up instead.
    if (changedSinceSeen()) {
        loadColourEdits();
        return;
    }
    switch (edit) {
    case ColourEdit::Red: red_ = value; break;
    case ColourEdit::Green: green_ = value; break;
    case ColourEdit::Blue: blue_ = value; break;
    }
    const auto r = static_cast<uint8_t>(red_), g = static_cast<uint8_t>(green_), b = static_cast<uint8_t>(blue_);
    try {
        if (IsDirectEntry(selected_)) {
            state_.palette.entries[static_cast<size_t>(selected_)] = {r, g, b, 1};
        } else {
            MarkedIndexList& marks = state_.marks;
            for (int32_t k = 1; k <= marks.count - 1; ++k) {
                MarkedIndex& mark = marks.at(k);
                if (mark.index != selected_) continue;
                mark.red = r;
                mark.green = g;
                mark.blue = b;
                break;
            }
        }
    } catch (const FaultError& error) {
        reportError(error);
    }
    refresh(BuildReport::Always, true);
}

void PaletteEditor::AddindexClick() {
    if (selected_ > kHighestMarkable) {
        notice("Entry cannot be marked.");
        return;
    }
    MarkedIndexList& marks = state_.marks;
    try {
        const int32_t i = marks.firstAtOrAbove(selected_);
        if (i >= 1 && i <= marks.count && marks.at(i).index == selected_) return;  // already marked
        // Refused before the grid or the list changes.
        if (marks.count >= MarkedIndexList::kCapacity || i < 1) throw FaultError(FaultKind::RangeCheck);
        DrawCellOutline(PaletteGrid(state_), selected_, kBlackEntry);
        view_.drawGrid(PaletteGrid(state_));
        marks.insertAt(i, {static_cast<uint8_t>(selected_), static_cast<uint8_t>(red_), static_cast<uint8_t>(green_),
                           static_cast<uint8_t>(blue_)});
        seenMarks_ = marks;  // the edits already show the new mark's colour
    } catch (const FaultError& error) {
        reportError(error);
    }
    // No build: the new mark counts from the next one.
}

void PaletteEditor::DeleteindexClick() {
    MarkedIndexList& marks = state_.marks;
    try {
        const int32_t i = marks.firstAtOrAbove(selected_);
        // The terminator is never a mark to delete.
        if (i >= 1 && i < marks.count && marks.at(i).index == selected_) {
            if (selected_ == kInteriorEntry) {
                notice("Entry cannot be deleted as an index.");
            } else {
                DrawCellOutline(PaletteGrid(state_), selected_, kWhiteEntry);
                view_.drawGrid(PaletteGrid(state_));
                marks.removeAt(i);
            }
        }
    } catch (const FaultError& error) {
        reportError(error);
    }
    refresh(BuildReport::Always, true);
}

void PaletteEditor::OKBtnClick() { view_.hideEditor(); }

void PaletteEditor::FormHide() {
    previewShown_ = false;
    screen_.picture.repaintWindow();
}

}  // namespace velmora
