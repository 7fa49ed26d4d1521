#pragma once
// The computation of one pixel: a pure function of the run's constants and
// the pixel's column and row.

#include <array>
#include <cstdint>

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
// Round(p3 x 60) with, worked out before the colour rules run (once per column in
// the lanes, once per pixel on the one-pixel path): its value, or the fault
// that working it out raises (which the gradient then raises for every
// escaped pixel).
struct EscapeScale {
    int32_t value = 0;
    FaultKind fault = FaultKind::None;
};
EscapeScale MakeEscapeScale(const RunContext& rc);

// ColourRules with the scale already worked out; the flags must be clear.
void ColourRules(OrbitState& o, const RunContext& rc, long double x0, long double y0, const EscapeScale& scale);

// The pixel's plane point; throws the fault when it cannot be formed.
void PlanePoint(const RunContext& rc, int col, int row, long double& x, long double& y);

// The mappings of the orbit region (inversion of the point, Sphere's plot
// position) without step checks: their faults stay in the sticky flags.
// Throws where a value cannot be converted to a plot position.
void MapPixelUnchecked(const RunContext& rc, int col, int row, long double& x, long double& y, int& px, int& py);

}  // namespace velmora
