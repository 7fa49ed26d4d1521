#pragma once
// The computation of one pixel: a pure function of the run's constants and
// the pixel's column and row.

#include <array>
#include <cstdint>
#include <vector>

#include "colour_value.hpp"
#include "fault.hpp"
#include "run_context.hpp"

namespace velmora {

struct PixelOutcome {
    int px = 0, py = 0;  // plot position (the Sphere mapping moves it)
    ColourValue colour = ColourValue::Index(kCaughtEntry);
    // Faults caught in the orbit region and in the colour region, in that
    // order; None where the region ran through.
    FaultKind orbitFault = FaultKind::None;
    FaultKind colourFault = FaultKind::None;
    int64_t steps = 0;  // the orbit's steps
    OrbitState orbit;   // the state the colour rules saw
};

// Throws FaultError only for a fault outside both regions (the plane point
// itself cannot be formed).
PixelOutcome ComputePixel(const RunContext& rc, int col, int row);

// The same pixel with every operation checked as it goes (no fast path).
// Gives the same outcome as ComputePixel. The lane kernels send here every
// pixel in flight when a batch's flags show a fault, and every pixel whose
// mapping cannot be converted to a plot position; the tests hold every
// faster path to it.
PixelOutcome ComputePixelChecked(const RunContext& rc, int col, int row);

// Base colour of a finished orbit (band, interior or escape gradient), then
// the post-orbit stalk rules. Throws the first fault met; o.pixelColour then
// holds the colour reached so far.
void ColourRules(OrbitState& o, const RunContext& rc, long double x0, long double y0);

// The top of the escape gradient, Round(p3 x 180) without stalks or
// Round(p3 x 60) with, worked out before the colour rules run: its value, or
// the fault that working it out raises (which the gradient then raises for
// every escaped pixel).
struct EscapeScale {
    int32_t value = 0;
    FaultKind fault = FaultKind::None;
};
EscapeScale MakeEscapeScale(const RunContext& rc);

// The escape gradient's colour of an orbit that ended at `iteration`. On the
// one-pixel path it is worked out for each pixel; a run's columns share a
// table of it for the iterations an orbit can end at (the escape colour is
// MulDiv's exact rounding of scale x (miter - iteration) / miter, and a
// 64-bit division per pixel costs more than the rest of the rules).
class EscapeColours {
public:
    // Without `table`, every colour is worked out when asked for.
    EscapeColours(const RunContext& rc, bool table);
    // Throws the fault the gradient meets for this iteration.
    ColourValue at(const RunContext& rc, int32_t iteration) const {
        if (static_cast<uint32_t>(iteration) < table_.size()) return ColourValue::Index(table_[static_cast<uint32_t>(iteration)]);
        return workOut(rc, iteration);
    }

private:
    ColourValue workOut(const RunContext& rc, int32_t iteration) const;
    EscapeScale scale_;
    std::vector<uint8_t> table_;
};

// The base colour of an orbit no stalk caught: the interior, or the escape
// gradient (which may throw).
inline ColourValue UncaughtColour(const OrbitState& o, const RunContext& rc, const EscapeColours& escape) {
    if (o.iteration > rc.miter && o.modulus < rc.maxmod) return ColourValue::Index(kInteriorEntry);
    return escape.at(rc, o.iteration);
}

// ColourRules with the escape colours already worked out; the flags must be
// clear.
void ColourRules(OrbitState& o, const RunContext& rc, long double x0, long double y0, const EscapeColours& escape);

// A column's plane x and a row's plane y, unchecked: their faults stay in
// the sticky flags.
inline long double PlaneX(const RunContext& rc, int col) { return static_cast<long double>(col - rc.siz / 2) * rc.step + rc.xce; }
inline long double PlaneY(const RunContext& rc, int row) { return static_cast<long double>(row - rc.sizy / 2) * rc.step + rc.yce; }

// The pixel's plane point; throws the fault when it cannot be formed.
void PlanePoint(const RunContext& rc, int col, int row, long double& x, long double& y);

// The mappings of the orbit region (inversion of the point, Sphere's plot
// position) without step checks: their faults stay in the sticky flags.
// Throws where a value cannot be converted to a plot position.
void MapPixelUnchecked(const RunContext& rc, int col, int row, long double& x, long double& y, int& px, int& py);

// Sphere's plot positions of rows [first, end) of column col, as the pixels
// map them: the column's px and each row's py (py[0] for row first). False
// where working them out raises a fault flag or cannot give a position; the
// pixels must then map themselves. The flags are clear afterwards.
bool SpherePositions(const RunContext& rc, int col, int first, int end, int& px, std::vector<int>& py);

}  // namespace velmora
