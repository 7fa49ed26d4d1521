#include "make_palette.hpp"

#include <cfenv>
#include <memory>
#include <new>

#include "conversions.hpp"
#include "fault.hpp"
#include "palette_grid.hpp"

namespace velmora {
namespace {

// A build may run between two pixels of a run; it must not disturb the
// floating-point status that the run relies on.
class SavedFloatFlags {
public:
    SavedFloatFlags() { std::fegetexceptflag(&flags_, FE_ALL_EXCEPT); }
    ~SavedFloatFlags() { std::fesetexceptflag(&flags_, FE_ALL_EXCEPT); }
    SavedFloatFlags(const SavedFloatFlags&) = delete;
    SavedFloatFlags& operator=(const SavedFloatFlags&) = delete;

private:
    std::fexcept_t flags_{};
};

uint8_t Blend(uint8_t from, uint8_t to, long double f) {
    const long double v = static_cast<long double>(to) * f + static_cast<long double>(from) * (1.0L - f);
    return static_cast<uint8_t>(Round(v));
}

void InterpolateSegment(const MarkedIndex& from, const MarkedIndex& to, Palette& palette) {
    const int s = from.index, e = to.index;
    for (int i = s; i <= e; ++i) {
        // A repeated index makes this 0/0, an invalid operation.
        const long double f = static_cast<long double>(i - s) / static_cast<long double>(e - s);
        StepCheck::Check(f);
        PaletteEntry& entry = palette.entries[static_cast<size_t>(i)];
        entry.red = Blend(from.red, to.red, f);
        entry.green = Blend(from.green, to.green, f);
        entry.blue = Blend(from.blue, to.blue, f);
    }
}

std::string MessageOf(const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error)) return FaultMessage(FaultKind::OutOfMemory);
    return error.what();
}

}  // namespace

void InterpolateMarks(const MarkedIndexList& marks, Palette& palette) {
    SavedFloatFlags saved;
    ClearFloatFaults();
    // The segment from the last mark to the terminator is never filled.
    for (int32_t k = 1; k <= marks.count - 2; ++k) {
        const MarkedIndex& from = marks.at(k);
        const MarkedIndex& to = marks.at(k + 1);
        if (to.index < from.index) continue;  // out of order: skipped, not an error
        InterpolateSegment(from, to, palette);
    }
}

void DrawGridOutlines(const MarkedIndexList& marks, IndexImage& grid) {
    for (int n = 0; n < kGridCells; ++n) DrawCellOutline(grid, n, kWhiteEntry);
    for (int32_t k = 1; k <= marks.count - 1; ++k) DrawCellOutline(grid, marks.at(k).index, kBlackEntry);
}

void DrawStrip(IndexImage& strip) {
    for (int band = 0; band < 3; ++band)
        for (int i = 0; i < 60; ++i)
            strip.fillRect(5 * i, 7 * band, 5 * i + 5, 7 * band + 6, static_cast<uint8_t>(60 * band + i));
}

void BuildPaletteRecord(const MarkedIndexList& marks, Palette& p) {
    p.version = Palette::kVersion;
    p.entryCount = Palette::kEntries;
    for (PaletteEntry& e : p.entries) e.flags = 1;
    InterpolateMarks(marks, p);
    p.entries[kWhiteEntry] = {255, 255, 255, 1};
    p.entries[kBlackEntry] = {0, 0, 0, 1};
}

bool MakePalette(ProgramState& program, const PaletteScreen& screen, BuildReport report) {
    PaletteState& state = program.palette;
    PaletteHost& host = screen.palette;
    try {
        BuildPaletteRecord(state.marks, state.palette);
        DrawGridOutlines(state.marks, PaletteGrid(state));
        state.handle.reset();
        state.handle = std::make_unique<const PaletteObject>(state.palette, ++state.builds);
        host.paletteChanged(*state.handle);
        DrawStrip(state.PaletteStripBitmap);
        host.showStrip(state.PaletteStripBitmap);
    } catch (const std::exception& error) {
        const bool repeated = state.lastReportedFailure && SameMarks(*state.lastReportedFailure, state.marks);
        if (report == BuildReport::Always || !repeated)
            screen.prompts.messageBox("Error in making palette..." + MessageOf(error) + " ",
                                      program.applicationTitle, MessageButtons::Ok, MessageIcon::Information);
        state.lastReportedFailure = state.marks;
        return false;
    }
    state.lastReportedFailure.reset();
    return true;
}

void RealisePalette(const PaletteState& state, PaletteHost& host) {
    if (state.handle) host.paletteChanged(*state.handle);
}

void FormActivate(ProgramState& program, const PaletteScreen& screen) {
    MakePalette(program, screen, BuildReport::UnlessRepeated);
    RealisePalette(program.palette, screen.palette);
    screen.picture.drawPicture();
}

void PaletteBuild::runSettingUp() { MakePalette(program_, screen_); }

}  // namespace velmora
