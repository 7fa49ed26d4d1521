#pragma once
// Building the palette from the marks, and showing it.

#include "index_image.hpp"
#include "marked_index.hpp"
#include "palette.hpp"
#include "palette_host.hpp"
#include "palette_state.hpp"
#include "program_state.hpp"
#include "run_observer.hpp"

namespace velmora {

enum class BuildReport {
    Always,          // a user action asked for the build
    UnlessRepeated,  // a repaint or activation: stay quiet about a failure already reported
};

// Rebuilds the palette record, the palette object, the grid outlines and the
// strip from the marks, and tells the host. A failure is reported as
// "Error in making palette..." with the error's message; the steps after it
// are skipped and what was done stays done. Returns whether it succeeded.
bool MakePalette(ProgramState& program, const PaletteScreen& screen, BuildReport report = BuildReport::Always);

// The parts of a build, for the tests and for whoever needs one alone.
// Interpolates every segment between consecutive marks; throws FaultError at
// a repeated index, leaving the entries written before it.
void InterpolateMarks(const MarkedIndexList& marks, Palette& palette);
// The palette record the marks make: every entry interpolated between
// them, then the fixed white and black. Throws FaultError as
// InterpolateMarks does.
void BuildPaletteRecord(const MarkedIndexList& marks, Palette& palette);

// Every cell outlined white, then every mark's cell black.
void DrawGridOutlines(const MarkedIndexList& marks, IndexImage& grid);
// Entries 0..179 as blocks of 5 x 6 pixels, 60 to a row, rows 7 pixels apart.
void DrawStrip(IndexImage& strip);

// Shows everything through the current palette object again.
void RealisePalette(const PaletteState& state, PaletteHost& host);

// The main window became active.
void FormActivate(ProgramState& program, const PaletteScreen& screen);

// Every run builds the palette while it is set up.
class PaletteBuild : public RunObserver {
public:
    PaletteBuild(ProgramState& program, const PaletteScreen& screen) : program_(program), screen_(screen) {}
    void runSettingUp() override;

private:
    ProgramState& program_;
    PaletteScreen screen_;
};

}  // namespace velmora
