#include "column.hpp"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numeric>

#include "formula_table.hpp"
#include "formulas.hpp"
#include "lane_column.hpp"
#include "main_body.hpp"
#include "stalks.hpp"

namespace velmora {

void ComputeColumnPixelByPixel(const RunContext& rc, int col, ColumnOutcome& out) {
    ComputeColumnPixelByPixel(rc, col, AllRows(rc), out);
}

void ComputeColumnPixelByPixel(const RunContext& rc, int col, RowSpan rows, ColumnOutcome& out) {
    out.pixels.clear();
    out.stoppedBy = FaultKind::None;
    out.pixels.reserve(static_cast<size_t>(std::max(rows.end - rows.first, 0)));
    for (int row = rows.first; row < rows.end; ++row) {
        try {
            const PixelOutcome pixel = ComputePixel(rc, col, row);
            out.pixels.push_back({pixel.px, pixel.py, pixel.colour, pixel.orbitFault, pixel.colourFault, pixel.steps});
        } catch (const FaultError& e) {
            out.stoppedBy = e.kind();
            return;
        }
    }
}

namespace {

bool CompileForLanes(const RunContext& rc, CustomProgram& program) {
    return LanesOf(rc.FunctionKind) == FormulaLanes::Compiled &&
           CompileCustomProgram(rc.CustomCode, rc.CustomCodeLength, program);
}

bool TakesTabledParts(const RunContext& rc) {
    bool takes = false;
    WithFormulaKind(rc.FunctionKind, [&]<int K>() { takes = kStepTakesPointParts<K>; });
    return takes && !rc.inversion;
}

// For each value the index of one whose value is exactly its negation (its
// own where it is zero), or -1. The values must be numbers.
std::vector<int> Opposites(const std::vector<long double>& values) {
    std::vector<int> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    const auto value = [&](int i) { return values[static_cast<size_t>(i)]; };
    std::sort(order.begin(), order.end(), [&](int a, int b) { return value(a) < value(b); });
    std::vector<int> opposite(values.size(), -1);
    for (size_t i = 0; i < values.size(); ++i) {
        const long double negated = -values[i];
        const auto found = std::lower_bound(order.begin(), order.end(), negated,
                                            [&](int j, long double v) { return value(j) < v; });
        if (found != order.end() && value(*found) == negated) opposite[i] = *found;
    }
    return opposite;
}

}  // namespace

namespace {
std::mutex gSpareMutex;
// At most this much is kept between runs (a picture of the largest size
// keeps about half of it).
constexpr size_t kSpareBytes = size_t{64} << 20;
}  // namespace

// A run's kept columns are about 8 bytes per pixel, half the picture: freed
// at its end and made anew at the next run, each of their pages costs a page
// fault (zeroed by the system), which on some machines costs more than
// computing a short-orbit pixel. So the last run's are taken over, their
// room kept; a stale value is never read (a column is read only once it is
// stored in this run).
std::vector<std::vector<OppositeColumns::Kept>>& OppositeColumns::Spare() {
    static auto* spare = new std::vector<std::vector<Kept>>;
    return *spare;
}

OppositeColumns::OppositeColumns(int columns)
    : stored_(std::make_unique<std::atomic<bool>[]>(static_cast<size_t>(std::max(columns, 0)))) {
    if (columns <= 0) return;
    {
        const std::lock_guard<std::mutex> lock(gSpareMutex);
        kept_.swap(Spare());
    }
    kept_.resize(static_cast<size_t>(columns));
}

OppositeColumns::~OppositeColumns() {
    size_t bytes = 0;
    for (const std::vector<Kept>& column : kept_) bytes += column.capacity() * sizeof(Kept);
    if (bytes == 0 || bytes > kSpareBytes) return;
    const std::lock_guard<std::mutex> lock(gSpareMutex);
    if (Spare().empty()) kept_.swap(Spare());
}

bool OppositeColumns::stored(int col) const { return stored_[static_cast<size_t>(col)].load(std::memory_order_acquire); }

PlottedPixel OppositeColumns::pixel(int storedCol, int storedRow, int col, int row) const {
    const Kept& k = at(storedCol, storedRow);
    return {col, row, k.colour, static_cast<FaultKind>(k.orbitFault), static_cast<FaultKind>(k.colourFault), k.steps};
}

void OppositeColumns::store(int col, const std::vector<PlottedPixel>& pixels) const {
    std::vector<Kept>& kept = kept_[static_cast<size_t>(col)];
    kept.resize(pixels.size());
    // Steps never pass the largest iteration limit, an int32_t.
    for (size_t i = 0; i < pixels.size(); ++i)
        kept[i] = {pixels[i].colour, static_cast<int32_t>(pixels[i].steps), static_cast<uint8_t>(pixels[i].orbitFault),
                   static_cast<uint8_t>(pixels[i].colourFault)};
    stored_[static_cast<size_t>(col)].store(true, std::memory_order_release);
}

ColumnPlan::ColumnPlan(const RunContext& context)
    : rc(context),
      programCompiled(CompileForLanes(context, program)),
      lanes(LanesApply(context, programCompiled)),
      escape(context, lanes),
      oppositeColumns(lanes ? context.siz : 0) {
    if (!lanes) return;
    rowY.resize(static_cast<size_t>(std::max(rc.sizy, 0)));
    ClearFloatFaults();
    for (int row = 0; row < rc.sizy; ++row)
        rowY[static_cast<size_t>(row)] = PlaneY(rc, row);
    rowYFaulted = FloatFaultPending();
    ClearFloatFaults();
    planShortOrbits();
    planSymmetry();
    if (!TakesTabledParts(rc)) return;
    rowParts.resize(rowY.size());
    rowPartsMade.resize(rowY.size());
    for (size_t row = 0; row < rowY.size(); ++row) rowPartsMade[row] = MakeYParts(rowY[row], rowParts[row]);
}

void ColumnPlan::planShortOrbits() {
    if (!lanes::ShortOrbitEscape::Follows(rc.FunctionKind) || rowYFaulted || rc.inversion || rc.minit > 1)
        return;
    // The rules after the orbit are worked out from the escape's last steps
    // where their bounds decide them.
    const bool rule = HasRuleAfterOrbit(rc.StalkType);
    if (rule) {
        shortRule = lanes::ShortOrbitRule(rc);
        if (!shortRule.on()) return;
    }
    // Which stalk tests an orbit that escapes after a few steps can meet:
    // with one minimum step none at its first step; Circle and Annulus
    // catch only below R*R, which must then lie within maxmod (compared
    // without a flag) for the escape step itself to pass; some tests the
    // orbit is followed clear of.
    int most = std::min(std::max(rc.miter, 1), lanes::ShortOrbitEscape::kMostSteps);
    long double caughtBelow = 0.0L;
    bool catches = false, clears = false;
    if (TestsEveryStep(rc)) {
        ClearFloatFaults();
        caughtBelow = rc.trapRadius * rc.trapRadius;
        ClearFloatFaults();
        const bool belowEscape = (rc.StalkType == kStalkCircle || rc.StalkType == kStalkAnnulus) &&
                                 std::islessequal(caughtBelow, rc.maxmod);
        if (belowEscape) catches = true;
        else if (lanes::ShortOrbitEscape::ClearsStalk(rc.StalkType)) clears = true;
        else if (rc.minit == 1) most = 1;
        else return;
    }
    // Where the colour of an escape at some step faults, the tests stop
    // short of it.
    ClearFloatFaults();
    for (int step = 1; step <= most; ++step) {
        try {
            escapeAtStep[static_cast<size_t>(step)] = escape.at(rc, step + 1);
        } catch (const FaultError&) {
            most = step - 1;
        }
        if (FloatFaultPending()) most = step - 1;
    }
    ClearFloatFaults();
    if (most < 1) return;
    // The first-step test tells no moduli for a rule, and knows no stalk
    // test at the first step.
    if (!rule && !(clears && rc.minit == 0))
        firstStep = lanes::FirstStepEscape(lanes::FirstStepPower(rc.FunctionKind), rc.mandelbrot,
                                           rc.BailoutKind == kBailoutSumAbs, rc.maxmod, Complex{rc.cx, rc.cy});
    shortOrbit = lanes::ShortOrbitEscape(rc, most, catches ? &caughtBelow : nullptr);
    if (!firstStep.on() && !shortOrbit.on()) return;
    rowYBounded.reserve(rowY.size());
    for (const long double& y : rowY) rowYBounded.push_back(lanes::Bounded(y));
}

void ColumnPlan::planSymmetry() {
    const PlaneSymmetry s = SymmetryOf(rc, programCompiled ? &program : nullptr);
    // A comparison in it may have raised a flag on a signalling value.
    const bool compared = !FloatFaultPending();
    ClearFloatFaults();
    if (rowYFaulted || !compared || !(s.conjugate || s.opposite)) return;
    symmetry = s;
    rowOpposite = Opposites(rowY);
    if (!s.opposite) return;
    // A column whose x cannot be formed computes its pixels whole, and
    // neither stores them nor takes the opposite column's.
    std::vector<long double> columnX(static_cast<size_t>(std::max(rc.siz, 0)));
    for (int col = 0; col < rc.siz; ++col) columnX[static_cast<size_t>(col)] = PlaneX(rc, col);
    const bool formed = !FloatFaultPending();
    ClearFloatFaults();
    if (formed) columnOpposite = Opposites(columnX);
    else symmetry.opposite = false;
}

void ComputeColumn(const ColumnPlan& plan, int col, ColumnOutcome& out) {
    ComputeColumnRows(plan, col, AllRows(plan.rc), out);
}

void ComputeColumnRows(const ColumnPlan& plan, int col, RowSpan rows, ColumnOutcome& out) {
    if (plan.lanes)
        ComputeColumnRowsInLanes(plan, col, rows, out);
    else
        ComputeColumnPixelByPixel(plan.rc, col, rows, out);
}

void ComputeColumn(const RunContext& rc, int col, ColumnOutcome& out) { ComputeColumn(ColumnPlan(rc), col, out); }

}  // namespace velmora
