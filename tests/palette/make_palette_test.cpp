#include <gtest/gtest.h>

#include <cfenv>
#include <initializer_list>
#include <memory>

#include "make_palette.hpp"
#include "palette_grid.hpp"
#include "recording_palette_host.hpp"

namespace velmora {
namespace {

using testing::RecordingPaletteHost;
using testing::ShownMessage;

struct Rgb {
    int r, g, b;
};

Rgb EntryOf(const PaletteState& s, int i) {
    const PaletteEntry& e = s.palette.entries[static_cast<size_t>(i)];
    return {e.red, e.green, e.blue};
}

#define EXPECT_ENTRY(state, i, R, G, B)                 \
    do {                                                \
        const Rgb got = EntryOf(state, i);              \
        EXPECT_EQ(got.r, R) << "entry " << (i);         \
        EXPECT_EQ(got.g, G) << "entry " << (i);         \
        EXPECT_EQ(got.b, B) << "entry " << (i);         \
    } while (0)

MarkedIndexList ListOf(std::initializer_list<MarkedIndex> marks) {
    MarkedIndexList list;
    for (const MarkedIndex& m : marks) list.at(++list.count) = m;
    list.at(++list.count) = {255, 0, 0, 0};
    return list;
}

TEST(MakePalette, DefaultMarksGiveTheKnownColours) {
    ProgramState program;
    PaletteState& state = program.palette;
    RecordingPaletteHost host;
    ASSERT_TRUE(MakePalette(program, host));
    EXPECT_TRUE(host.shown().empty());

    struct Case {
        int entry, r, g, b;
    };
    // Worked out with exact fractions; entry 180 holds the two ties 191.5 and 127.5.
    const Case cases[] = {
        {0, 255, 255, 255}, {1, 255, 246, 246}, {10, 255, 167, 167}, {15, 255, 123, 123}, {44, 255, 194, 132},
        {45, 255, 189, 123}, {75, 123, 189, 189}, {100, 167, 167, 211}, {110, 79, 79, 167}, {135, 0, 123, 0},
        {164, 0, 123, 123},  {165, 0, 132, 132},   {178, 0, 246, 246},   {180, 64, 192, 128},  {181, 128, 128, 0},
        {182, 255, 255, 255}, {183, 0, 0, 0},
    };
    for (const Case& c : cases) EXPECT_ENTRY(state, c.entry, c.r, c.g, c.b);

    for (const PaletteEntry& e : state.palette.entries) EXPECT_EQ(e.flags, 1);
    const auto bytes = state.palette.bytes();
    EXPECT_EQ(bytes.size(), 1028u);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x03);
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[3], 0x01);
    EXPECT_EQ(bytes[4 + 4 * 180 + 1], 192);  // green of entry 180
    EXPECT_EQ(bytes[4 + 4 * 180 + 3], 1);    // its flags

    // The screen shows the new palette object.
    ASSERT_TRUE(state.handle);
    EXPECT_EQ(host.shownSerials, std::vector<uint64_t>{state.handle->serial()});
    EXPECT_EQ(DisplayColours(state)[44], Argb(255, 194, 132));
    EXPECT_EQ(host.stripsShown, 1);
    EXPECT_EQ(host.lastStripSize, (std::pair<int, int>{300, 20}));
}

// Each case is one segment from `from` (entry 0) to `to` (entry `last`); the
// value of entry `entry` was worked out by rounding every step to a 64-bit
// significand, as extended precision does, then rounding halves to even.
TEST(MakePalette, InterpolatesInExtendedPrecisionWithTiesToEven) {
    struct Case {
        uint8_t from, to;
        uint8_t last;
        int entry, expected;
    };
    const Case cases[] = {
        {0, 5, 2, 1, 2},       // 2.5 -> 2
        {128, 255, 2, 1, 192},  // 191.5 -> 192
        {0, 255, 2, 1, 128},    // 127.5 -> 128
        {3, 0, 6, 5, 1},        // exactly 0.5, but 3 * (1 - 5/6) comes out just above it
        {5, 254, 6, 1, 47},     // exactly 46.5, computed just above it
    };
    for (const Case& c : cases) {
        ProgramState program;
    PaletteState& state = program.palette;
        RecordingPaletteHost host;
        state.marks = ListOf({{0, c.from, c.from, c.from}, {c.last, c.to, c.to, c.to}});
        ASSERT_TRUE(MakePalette(program, host));
        EXPECT_ENTRY(state, c.entry, c.expected, c.expected, c.expected);
    }
}

TEST(MakePalette, OneMarkChangesOnlyTheFixedEntriesAndFlags) {
    ProgramState program;
    PaletteState& state = program.palette;
    RecordingPaletteHost host;
    state.marks = ListOf({{50, 1, 2, 3}});  // count 2
    ASSERT_TRUE(MakePalette(program, host));
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = state.palette.entries[static_cast<size_t>(i)];
        EXPECT_EQ(e.flags, 1);
        if (i != kWhiteEntry) {
            EXPECT_EQ(e.red + e.green + e.blue, 0) << "entry " << i;
        }
    }
    EXPECT_ENTRY(state, 182, 255, 255, 255);
    // The single mark is framed in black (cell 50: column 5, row 3).
    EXPECT_EQ(PaletteGrid(state).pixel(100 + 12, 60 + 2), kBlackEntry);
    EXPECT_EQ(PaletteGrid(state).pixel(80 + 12, 60 + 2), kWhiteEntry);
}

TEST(MakePalette, DisorderedSegmentIsSkipped) {
    ProgramState program;
    PaletteState& state = program.palette;
    RecordingPaletteHost host;
    state.palette.entries[151] = {9, 9, 9, 0};
    state.marks = ListOf({{0, 255, 255, 255}, {100, 255, 0, 0}, {50, 0, 0, 255}, {150, 0, 255, 0}});
    ASSERT_TRUE(MakePalette(program, host));
    EXPECT_TRUE(host.shown().empty());
    EXPECT_ENTRY(state, 25, 255, 191, 191);
    EXPECT_ENTRY(state, 49, 255, 130, 130);
    // 50..100 were written by the first segment, then again by the third.
    EXPECT_ENTRY(state, 50, 0, 0, 255);
    EXPECT_ENTRY(state, 75, 0, 64, 191);
    EXPECT_ENTRY(state, 100, 0, 128, 128);
    EXPECT_ENTRY(state, 125, 0, 191, 64);
    EXPECT_ENTRY(state, 150, 0, 255, 0);
    EXPECT_ENTRY(state, 151, 9, 9, 9);  // above the last mark: untouched
}

TEST(MakePalette, RepeatedIndexStopsTheBuildAndKeepsTheScreen) {
    ProgramState program;
    PaletteState& state = program.palette;
    RecordingPaletteHost host;
    ASSERT_TRUE(MakePalette(program, host));
    const PaletteObject* shown = state.handle.get();
    const IndexImage gridBefore = PaletteGrid(state);
    const ColourTable coloursBefore = DisplayColours(state);
    const Rgb entry25 = EntryOf(state, 25);
    const int stripsBefore = host.stripsShown;

    state.marks =
        ListOf({{0, 0, 0, 0}, {10, 100, 50, 200}, {20, 200, 100, 0}, {20, 0, 0, 0}, {30, 255, 255, 255}});
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(FE_OVERFLOW);
    EXPECT_FALSE(MakePalette(program, host));
    // The run's pending flags are as they were: no stray invalid operation.
    EXPECT_TRUE(std::fetestexcept(FE_OVERFLOW));
    EXPECT_FALSE(std::fetestexcept(FE_INVALID));
    std::feclearexcept(FE_ALL_EXCEPT);

    ASSERT_EQ(host.shown().size(), 1u);
    EXPECT_EQ(host.shown()[0], (ShownMessage{"Error in making palette...Invalid floating point operation ",
                                              "Velmora 32 Version 2.01", MessageIcon::Information}));
    // What was interpolated before the fault stays; nothing after it happened.
    EXPECT_ENTRY(state, 5, 50, 25, 100);
    EXPECT_ENTRY(state, 15, 150, 75, 100);
    EXPECT_ENTRY(state, 20, 200, 100, 0);
    EXPECT_ENTRY(state, 25, entry25.r, entry25.g, entry25.b);
    EXPECT_EQ(state.handle.get(), shown);
    EXPECT_EQ(DisplayColours(state), coloursBefore);
    EXPECT_EQ(PaletteGrid(state), gridBefore);
    EXPECT_EQ(host.stripsShown, stripsBefore);
    EXPECT_EQ(host.shownSerials.size(), 1u);

    // Mended marks build again.
    state.marks = DefaultMarkedIndexList();
    EXPECT_TRUE(MakePalette(program, host));
    EXPECT_NE(state.handle.get(), nullptr);
    EXPECT_EQ(DisplayColours(state), ColoursOf(state.palette));
    EXPECT_ENTRY(state, 15, 255, 123, 123);
}

TEST(MakePalette, RepaintsDoNotRepeatTheSameFailureReport) {
    ProgramState program;
    PaletteState& state = program.palette;
    RecordingPaletteHost host;
    state.marks = ListOf({{7, 1, 1, 1}, {7, 2, 2, 2}});
    MakePalette(program, host, BuildReport::UnlessRepeated);
    MakePalette(program, host, BuildReport::UnlessRepeated);
    EXPECT_EQ(host.shown().size(), 1u);
    MakePalette(program, host, BuildReport::Always);  // a user action always hears about it
    EXPECT_EQ(host.shown().size(), 2u);

    state.marks.at(1).red = 9;  // other marks, failing again
    MakePalette(program, host, BuildReport::UnlessRepeated);
    EXPECT_EQ(host.shown().size(), 3u);
}

TEST(MakePalette, ManyBuildsLeaveOnePaletteObject) {
    const int before = PaletteObject::liveCount();
    {
        ProgramState program;
    PaletteState& state = program.palette;
        RecordingPaletteHost host;
        EXPECT_FALSE(state.handle);
        for (int i = 0; i < 200; ++i) MakePalette(program, host);
        EXPECT_EQ(PaletteObject::liveCount(), before + 1);
        EXPECT_EQ(state.handle->serial(), 200u);
        EXPECT_EQ(host.shownSerials.size(), 200u);
    }
    EXPECT_EQ(PaletteObject::liveCount(), before);
}

TEST(MakePalette, OutlinesFrameMarksBlackAndTheRestWhite) {
    ProgramState program;
    PaletteState& state = program.palette;
    RecordingPaletteHost host;
    ASSERT_TRUE(MakePalette(program, host));
    const IndexImage& grid = PaletteGrid(state);
    struct Case {
        int entry;
        uint8_t colour;
    };
    // Probe the middle of each outline's top edge: the left edge is the
    // right edge of the cell before, which may be marked.
    const Case cases[] = {{0, kBlackEntry},   {1, kWhiteEntry},   {29, kBlackEntry}, {30, kBlackEntry},
                          {31, kWhiteEntry},  {179, kBlackEntry}, {180, kWhiteEntry}, {181, kBlackEntry},
                          {182, kWhiteEntry}, {183, kWhiteEntry}};
    for (const Case& c : cases) {
        const CellOrigin o = CellOf(c.entry);
        EXPECT_EQ(grid.pixel(o.x + 12, o.y + 2), c.colour) << "entry " << c.entry;
    }
    // The start-up selection marker of entry 0 survives a build.
    EXPECT_EQ(grid.pixel(3, 3), kBlackEntry);
    EXPECT_EQ(grid.pixel(4, 3), kWhiteEntry);
}

TEST(MakePalette, StripShowsEntries0To179InThreeRows) {
    ProgramState program;
    PaletteState& state = program.palette;
    RecordingPaletteHost host;
    ASSERT_TRUE(MakePalette(program, host));
    const IndexImage& strip = state.PaletteStripBitmap;
    ASSERT_EQ(strip.width(), 300);
    ASSERT_EQ(strip.height(), 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 300; ++x) {
            if (y == 6 || y == 13) {
                EXPECT_EQ(strip.pixel(x, y), kWhiteEntry) << x << "," << y;
                continue;
            }
            const int band = y < 6 ? 0 : (y < 13 ? 1 : 2);
            EXPECT_EQ(strip.pixel(x, y), 60 * band + x / 5) << x << "," << y;
        }
}

TEST(FormActivate, BuildsAndShowsThePicture) {
    ProgramState program;
    PaletteState& state = program.palette;
    RecordingPaletteHost host;
    program.xoff = 312;
    program.yoff = 290;
    FormActivate(program, host);
    ASSERT_TRUE(state.handle);
    EXPECT_EQ(host.shownSerials.back(), state.handle->serial());
    EXPECT_EQ(host.draws, 1);
}

}  // namespace
}  // namespace velmora
