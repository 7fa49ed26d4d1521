#include <gtest/gtest.h>

#include "make_palette.hpp"
#include "palette_editor.hpp"
#include "palette_grid.hpp"
#include "recording_palette_host.hpp"

namespace velmora {
namespace {

using testing::RecordingEditorView;
using testing::RecordingPaletteHost;
using testing::ShownMessage;

const ShownMessage kCannotModify{"Entry cannot be modified", "Palette Notice", MessageIcon::None};
const ShownMessage kCannotMark{"Entry cannot be marked.", "Palette Notice", MessageIcon::None};
const ShownMessage kCannotDelete{"Entry cannot be deleted as an index.", "Palette Notice", MessageIcon::None};

// The press that picks grid cell `entry`, in the middle of its swatch.
struct Press {
    int x, y;
};
Press PressOn(int entry) {
    const CellOrigin c = CellOf(entry);
    return {c.x + 22, c.y + 22};
}

class PaletteEditorTest : public ::testing::Test {
protected:
    PaletteEditorTest() {
        MakePalette(program, host);
        // Like a spin edit, the view reports the values it is given.
        view.onColourEdits = [this](int r, int g, int b) {
            editor.ChangecolorClick(ColourEdit::Red, r);
            editor.ChangecolorClick(ColourEdit::Green, g);
            editor.ChangecolorClick(ColourEdit::Blue, b);
        };
        view.onHide = [this] { editor.FormHide(); };
        editor.Pal1Click();
    }
    void pick(int entry) {
        const Press p = PressOn(entry);
        editor.OKBtnMouseDown(p.x, p.y);
    }

    ProgramState program;
    PaletteState& state = program.palette;
    RecordingPaletteHost host;
    RecordingEditorView view;
    PaletteEditor editor{program, host, view};
};

TEST_F(PaletteEditorTest, PressesPickEntriesByTheGridArithmetic) {
    struct Case {
        int x, y;
        int32_t selected, previous;
        bool refused;  // "Entry cannot be modified"
    };
    // Each press follows the one before it.
    const Case cases[] = {
        {40, 15, 1, 1, false},                   // (40 - 15) div 20 = 1
        {0, 0, 0, 0, false},                     // left of 35 is column 0
        {34, 34, 0, 0, false},
        {35, 35, 16, 16, false},
        {15 + 20 * 16, 15, 16, 16, false},       // right of the grid: a later row
        {15 + 20 * 19, 15 + 20 * 1, 34, 34, false},
        {15 + 20 * 12, 15 + 20 * 12, 192, 34, false},  // an empty place: no marker moves
        {15 + 20 * 2, 15 + 20 * 12, 182, 34, true},
        {15 + 20 * 3, 15 + 20 * 12, 183, 34, true},
        {15 + 20 * 1, 15 + 20 * 12, 181, 181, false},
    };
    for (const Case& c : cases) {
        const size_t messages = host.shown().size();
        editor.OKBtnMouseDown(c.x, c.y);
        EXPECT_EQ(editor.SelectedIndex(), c.selected) << c.x << "," << c.y;
        EXPECT_EQ(editor.PreviousIndex(), c.previous) << c.x << "," << c.y;
        ASSERT_EQ(host.shown().size(), messages + (c.refused ? 1 : 0));
        if (c.refused) {
            EXPECT_EQ(host.shown().back(), kCannotModify);
        }
    }
    EXPECT_EQ(view.indextxt, "181");
    EXPECT_EQ(view.oindex, "34");
}

TEST_F(PaletteEditorTest, PickMovesTheMarkerAndLoadsTheColourWithoutABuild) {
    const uint64_t builds = state.builds;
    editor.OKBtnMouseDown(40, 15);
    EXPECT_EQ(view.edits, (std::vector<int>{255, 246, 246}));
    EXPECT_EQ(editor.colourEdit(ColourEdit::Green), 246);
    EXPECT_EQ(state.builds, builds);  // the echoed spin values were ignored
    EXPECT_EQ(state.marks.at(1), (MarkedIndex{0, 255, 255, 255}));
    const IndexImage& grid = PaletteGrid(state);
    EXPECT_EQ(grid.pixel(3, 3), kWhiteEntry);  // entry 0's marker erased
    EXPECT_EQ(grid.pixel(4, 3), kWhiteEntry);
    EXPECT_EQ(grid.pixel(23, 3), kBlackEntry);  // entry 1's dotted marker
    EXPECT_EQ(grid.pixel(24, 3), kWhiteEntry);
    EXPECT_EQ(grid.pixel(32, 12), 1);  // its swatch, drawn when the editor was shown
    EXPECT_EQ(grid.pixel(25, 5), kBlackEntry);  // the swatch's frame
}

TEST_F(PaletteEditorTest, AddMarksTheSelectedEntryAtTheNextBuild) {
    editor.OKBtnMouseDown(40, 15);
    const uint64_t builds = state.builds;
    editor.AddindexClick();
    EXPECT_EQ(state.marks.count, 15);
    EXPECT_EQ(state.marks.at(2), (MarkedIndex{1, 255, 246, 246}));
    EXPECT_EQ(state.marks.at(3), (MarkedIndex{29, 255, 0, 0}));
    EXPECT_EQ(state.builds, builds);
    EXPECT_EQ(PaletteGrid(state).pixel(32, 2), kBlackEntry);

    // Marking it again does nothing and says nothing.
    editor.AddindexClick();
    EXPECT_EQ(state.marks.count, 15);
    EXPECT_TRUE(host.shown().empty());

    // Recolouring the new mark rebuilds at once: 0..1 and 1..29 are now segments.
    editor.ChangecolorClick(ColourEdit::Red, 0);
    EXPECT_EQ(state.marks.at(2).red, 0);
    EXPECT_EQ(state.builds, builds + 1);
    EXPECT_EQ(state.palette.entries[1].red, 0);
    EXPECT_EQ(state.palette.entries[15].red, 128);  // 255 * 14/28 = 127.5, to even
}

// Marks changed elsewhere and not built yet (a load whose build failed, say):
// an arrow click only brings the edits up to the marks, and the next one
// goes on from there.
TEST_F(PaletteEditorTest, EditsOutOfStepWithTheMarksCatchUpBeforeWriting) {
    pick(29);
    ASSERT_EQ(state.marks.at(2), (MarkedIndex{29, 255, 0, 0}));
    state.marks.at(2) = {29, 10, 20, 30};
    editor.ChangecolorClick(ColourEdit::Green, 20);
    EXPECT_EQ(state.marks.at(2), (MarkedIndex{29, 10, 20, 30}));
    EXPECT_EQ(view.edits, (std::vector<int>{10, 20, 30}));
    editor.ChangecolorClick(ColourEdit::Green, 40);
    EXPECT_EQ(state.marks.at(2), (MarkedIndex{29, 10, 40, 30}));
}

TEST_F(PaletteEditorTest, AddRefusesEntriesAbove191) {
    editor.OKBtnMouseDown(15 + 20 * 12, 15 + 20 * 12);  // 192
    editor.AddindexClick();
    EXPECT_EQ(host.shown(), std::vector<ShownMessage>{kCannotMark});
    EXPECT_EQ(state.marks.count, 14);

    editor.OKBtnMouseDown(15 + 20 * 11, 15 + 20 * 12);  // 191 may be marked
    editor.AddindexClick();
    EXPECT_EQ(state.marks.count, 15);
    EXPECT_EQ(state.marks.at(14).index, 191);
    EXPECT_EQ(state.marks.at(15).index, 255);
}

TEST_F(PaletteEditorTest, AddingToAFullListIsARangeErrorAndChangesNothing) {
    for (int entry = 2; state.marks.count < MarkedIndexList::kCapacity; entry += 2) {
        pick(entry);
        editor.AddindexClick();
    }
    ASSERT_TRUE(host.shown().empty());
    const MarkedIndexList full = state.marks;
    pick(3);
    const IndexImage grid = PaletteGrid(state);
    editor.AddindexClick();
    const ShownMessage rangeError{"Range check error.", "Velmora 32 Version 2.01", MessageIcon::Error};
    EXPECT_EQ(host.shown(), std::vector<ShownMessage>{rangeError});
    EXPECT_TRUE(SameMarks(state.marks, full));
    EXPECT_EQ(PaletteGrid(state), grid);
}

TEST_F(PaletteEditorTest, DeleteUnmarksAndAlwaysRebuilds) {
    struct Case {
        int entry;
        int32_t countAfter;
        bool refused;
    };
    const Case cases[] = {
        {5, 14, false},    // not marked: no change, still a build
        {181, 14, true},   // never removed
        {59, 13, false},
        {0, 12, false},
    };
    for (const Case& c : cases) {
        pick(c.entry);
        const uint64_t builds = state.builds;
        const size_t messages = host.shown().size();
        editor.DeleteindexClick();
        EXPECT_EQ(state.marks.count, c.countAfter) << "entry " << c.entry;
        EXPECT_EQ(state.builds, builds + 1) << "entry " << c.entry;
        ASSERT_EQ(host.shown().size(), messages + (c.refused ? 1 : 0));
        if (c.refused) {
            EXPECT_EQ(host.shown().back(), kCannotDelete);
        }
    }
    EXPECT_EQ(state.marks.at(1), (MarkedIndex{29, 255, 0, 0}));
    EXPECT_EQ(state.marks.at(3), (MarkedIndex{60, 255, 255, 255}));  // 30..60 is one segment now
    EXPECT_EQ(PaletteGrid(state).pixel(12, 2), kWhiteEntry);  // entry 0's outline

    // Below the new first mark the colours stay as they were.
    pick(29);
    editor.ChangecolorClick(ColourEdit::Blue, 200);
    EXPECT_EQ(state.palette.entries[29].blue, 200);
    EXPECT_EQ(state.palette.entries[1].blue, 246);
    EXPECT_EQ(state.palette.entries[45], (PaletteEntry{255, 255, 255, 1}));  // was (255, 189, 123)
}

TEST_F(PaletteEditorTest, ColourChangesReachMarksOrTheDirectEntriesOnly) {
    // An unmarked entry cannot be coloured, but the palette is rebuilt.
    pick(5);
    const MarkedIndexList marks = state.marks;
    uint64_t builds = state.builds;
    editor.ChangecolorClick(ColourEdit::Red, 40);
    EXPECT_TRUE(SameMarks(state.marks, marks));
    EXPECT_EQ(state.builds, ++builds);
    EXPECT_TRUE(editor.previewShown());

    // A value outside 0..255 is not taken at all.
    pick(29);
    builds = state.builds;
    editor.ChangecolorClick(ColourEdit::Green, 256);
    editor.ChangecolorClick(ColourEdit::Green, -1);
    EXPECT_EQ(state.marks.at(2).green, 0);
    EXPECT_EQ(editor.colourEdit(ColourEdit::Green), 0);
    EXPECT_EQ(state.builds, builds);
    editor.ChangecolorClick(ColourEdit::Green, 20);
    EXPECT_EQ(state.marks.at(2), (MarkedIndex{29, 255, 20, 0}));
    EXPECT_EQ(DisplayColours(state)[29], Argb(255, 20, 0));

    // 192 and 193 are written straight into the palette, without a mark.
    editor.OKBtnMouseDown(15 + 20 * 12, 15 + 20 * 12);
    ASSERT_EQ(editor.SelectedIndex(), 192);
    editor.ChangecolorClick(ColourEdit::Blue, 60);
    EXPECT_EQ(state.palette.entries[192], (PaletteEntry{255, 20, 60, 1}));
    EXPECT_EQ(DisplayColours(state)[192], Argb(255, 20, 60));
    EXPECT_TRUE(SameMarks(state.marks, [&] {
        MarkedIndexList m = marks;
        m.at(2) = {29, 255, 20, 0};
        return m;
    }()));
}

TEST_F(PaletteEditorTest, PreviewLastsUntilTheEditorHides) {
    EXPECT_FALSE(editor.previewShown());
    editor.FormPaint();
    EXPECT_TRUE(editor.previewShown());
    EXPECT_EQ(host.previews, 1);
    const int repaints = host.repaints;
    editor.OKBtnClick();
    EXPECT_FALSE(view.visible);
    EXPECT_FALSE(editor.previewShown());
    EXPECT_EQ(host.repaints, repaints + 1);

    // The selection survives hiding and showing.
    pick(7);
    editor.OKBtnClick();
    editor.Pal1Click();
    EXPECT_TRUE(view.visible);
    EXPECT_EQ(editor.SelectedIndex(), 7);
}

}  // namespace
}  // namespace velmora
