#pragma once
// One picture column, computed apart from showing it: a pure function of the
// run's constants that calls nothing outside the engine and writes nothing
// shared, so columns can be computed ahead of the one being shown.

#include <array>
#include <atomic>
#include <memory>
#include <vector>

#include "custom_program.hpp"
#include "fault.hpp"
#include "main_body.hpp"
#include "pixel.hpp"
#include "run_context.hpp"
#include "short_orbit.hpp"
#include "symmetry.hpp"

namespace velmora {

// What showing a pixel needs of its outcome.
struct PlottedPixel {
    int px = 0, py = 0;
    ColourValue colour;
    FaultKind orbitFault = FaultKind::None;
    FaultKind colourFault = FaultKind::None;
    int64_t steps = 0;
    friend bool operator==(const PlottedPixel&, const PlottedPixel&) = default;
};

// Rows [first, end) of a column.
struct RowSpan {
    int first = 0, end = 0;
};

struct ColumnOutcome {
    // Rows 0.. in order; fewer than sizy when a plane point could not be
    // formed (`stoppedBy` then says why, and the run ends at that row).
    std::vector<PlottedPixel> pixels;
    FaultKind stoppedBy = FaultKind::None;
};

// Whole columns of a run kept for the column opposite them (see
// PlaneSymmetry): each is stored by the thread that computed it and read by
// whichever computes the other, which computes its pixels itself when the
// first is not stored yet.
class OppositeColumns {
public:
    explicit OppositeColumns(int columns);
    ~OppositeColumns();
    OppositeColumns(const OppositeColumns&) = delete;
    OppositeColumns& operator=(const OppositeColumns&) = delete;
    // Whether column col is stored.
    bool stored(int col) const;
    // A stored column's pixel at storedRow, placed at (col, row).
    PlottedPixel pixel(int storedCol, int storedRow, int col, int row) const;
    int64_t steps(int storedCol, int row) const { return at(storedCol, row).steps; }
    // Stores a whole column (rows 0.. in order); once per column.
    void store(int col, const std::vector<PlottedPixel>& pixels) const;

private:
    // What a pixel's outcome holds besides its place, in half the space.
    struct Kept {
        ColourValue colour;
        int32_t steps;
        uint8_t orbitFault, colourFault;
    };
    const Kept& at(int col, int row) const { return kept_[static_cast<size_t>(col)][static_cast<size_t>(row)]; }

    // The columns of the last finished run, kept for the next one.
    static std::vector<std::vector<Kept>>& Spare();

    mutable std::vector<std::vector<Kept>> kept_;
    std::unique_ptr<std::atomic<bool>[]> stored_;
};

// What every column of a run shares, worked out once for the run rather than
// once per column: which route the columns take, the escape gradient's
// colours, and the custom formula's compiled program. Read-only once made,
// so the threads that compute columns share one. `rc` must outlive it.
class ColumnPlan {
public:
    explicit ColumnPlan(const RunContext& rc);
    ColumnPlan(const ColumnPlan&) = delete;
    ColumnPlan& operator=(const ColumnPlan&) = delete;

    const RunContext& rc;
    // The custom formula's program, when it compiles for the lanes.
    CustomProgram program;
    const bool programCompiled;
    // Whether the lane kernel computes the columns (lane_column.hpp).
    const bool lanes;
    // Made as a table only for the lanes; the one-pixel path works out each
    // pixel's colour itself.
    const EscapeColours escape;
    // For the lanes: every row's plane y, the same in every column, and
    // whether working them out raised a fault flag (a column then looks for
    // the first point that cannot be formed).
    std::vector<long double> rowY;
    bool rowYFaulted = false;
    // Unless the plane is inverted (Sphere moves only where the pixels are
    // plotted): the tests of orbits that certainly escape at their first
    // step (z^2, z^3, z^7 + c; main_body.hpp) or within a few steps (those,
    // Pokorny's formula, az^2+b/z^2+c and z^z+z^4-z+c; short_orbit.hpp),
    // off where a stalk could catch such an orbit; the rule after the orbit
    // where one applies; the colour of an escape at each step they tell;
    // each row's y as they take it (empty when unused).
    lanes::FirstStepEscape firstStep;
    lanes::ShortOrbitEscape shortOrbit;
    lanes::ShortOrbitRule shortRule;
    std::array<ColourValue, lanes::ShortOrbitEscape::kMostSteps + 1> escapeAtStep{};
    std::vector<lanes::BoundedPart> rowYBounded;
    // For a formula whose first step takes library values of its plane
    // point's parts, unless the plane is inverted: those of each row's y, and
    // whether working them out raised no fault (the row's pixels otherwise
    // work them out in their step). Empty when unused.
    std::vector<YParts> rowParts;
    std::vector<uint8_t> rowPartsMade;
    // For the lanes, where the plane points are formed without a fault:
    // which mirrored pixels share an outcome, and for each row the row whose
    // y is exactly -y (itself for 0), for each column the column whose x is
    // exactly -x; -1 where there is none. Empty when neither symmetry holds.
    PlaneSymmetry symmetry;
    std::vector<int> rowOpposite, columnOpposite;
    OppositeColumns oppositeColumns;

private:
    void planSymmetry();
    void planShortOrbits();
};

// Computes column `col`, reusing `out`'s storage: in lanes where the run
// allows (lane_column.hpp), else pixel by pixel. Either way the outcome is
// that of ComputePixel for every row.
void ComputeColumn(const ColumnPlan& plan, int col, ColumnOutcome& out);
// Rows rows.first.. of column `col` (0 <= first <= end <= sizy), each the
// pixel the whole column gives at that row: a picture can then be computed
// in bands of rows without holding whole columns. `out.pixels[i]` is row
// first + i; a plane point that cannot be formed ends the span there, as it
// ends the column (`stoppedBy`).
void ComputeColumnRows(const ColumnPlan& plan, int col, RowSpan rows, ColumnOutcome& out);
inline RowSpan AllRows(const RunContext& rc) { return {0, rc.sizy > 0 ? rc.sizy : 0}; }
// The same with the plan made for this column alone.
void ComputeColumn(const RunContext& rc, int col, ColumnOutcome& out);

// The same column, one ComputePixel after another: the reference.
void ComputeColumnPixelByPixel(const RunContext& rc, int col, ColumnOutcome& out);
void ComputeColumnPixelByPixel(const RunContext& rc, int col, RowSpan rows, ColumnOutcome& out);

}  // namespace velmora
