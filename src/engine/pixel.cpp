#include "pixel.hpp"

#include <algorithm>
#include <cmath>

#include "colour_rules.hpp"
#include "conversions.hpp"
#include "formulas.hpp"
#include "stalks.hpp"

namespace velmora {
namespace {

template <class G>
void Invert(const RunContext& rc, long double& x, long double& y) {
    const long double dx = x - rc.invx;
    G::Check(dx);
    const long double dy = y - rc.invy;
    G::Check(dy);
    const long double t = rc.invr * rc.invr / (dx * dx + dy * dy);
    G::Check(t);
    const long double nx = (x - rc.invx) * t + rc.invx;
    G::Check(nx);
    x = nx;
    const long double ny = (y - rc.invy) * t + rc.invy;
    G::Check(ny);
    y = ny;
}

// Sphere's plot position, in parts: q and the root depend on the column
// alone, so a column's rows can share them.
template <class G>
long double SphereQ(const RunContext& rc, int col) {
    const int hs = rc.siz / 2, hy = rc.sizy / 2;
    const long double q = static_cast<long double>(hs - col) / hs * hy;
    G::Check(q);
    return q;
}
inline long double SphereRoot(const RunContext& rc, long double q) {
    const int hy = rc.sizy / 2;
    const long double hy2 = static_cast<long double>(hy) * hy;
    return sqrtl(hy2 - q * q);
}
template <class G>
int SphereRow(const RunContext& rc, long double root, int row) {
    const int hy = rc.sizy / 2;
    const long double vertical = root * (hy - row) / (hy + 15);
    G::Check(vertical);
    return CheckedAdd(hy, Round(vertical));
}
template <class G>
int SphereColumn(const RunContext& rc, long double q) {
    const int hy = rc.sizy / 2;
    const long double horizontal = hy * q / (hy + 15);
    G::Check(horizontal);
    return CheckedSub(rc.siz / 2, Round(horizontal));
}

template <class G>
void SpherePosition(const RunContext& rc, int col, int row, int& px, int& py) {
    const long double q = SphereQ<G>(rc, col);
    py = SphereRow<G>(rc, SphereRoot(rc, q), row);
    px = SphereColumn<G>(rc, q);
}

// The orbit loop proper. Keeping lastZ and previousModulus costs two 80-bit
// stores a step; only the stalk types that look at them get them on the fast
// path (the checked path always keeps them, and nothing else reads them).
template <class G, bool kHistory, bool kTested, int kFormula>
[[gnu::noinline]] void OrbitLoop(const RunContext& rc, OrbitState& o) {
    const bool stalkNone = rc.StalkType == kStalkNone;
    do {
        if (kHistory) {
            o.previousModulus = o.modulus;
            o.lastZ = o.z;
        }
        FormulaStepOf<G, kFormula>(o, rc);
        if (rc.BailoutKind == kBailoutModulus) {
            const long double m = BailoutModulus<kBailoutModulus>(o.z);
            G::Check(m);
            o.modulus = m;
        } else if (rc.BailoutKind == kBailoutSumAbs) {
            const long double m = BailoutModulus<kBailoutSumAbs>(o.z);
            G::Check(m);
            o.modulus = m;
        }
        if (!((o.trapHit && stalkNone) || o.iteration <= rc.minit)) {
            o.lastTested = o.iteration;
            if (kTested) StalkTest<G>(o, rc);
        }
        o.iteration = CheckedAdd(o.iteration, 1);
    } while ((!o.trapHit && o.iteration <= rc.miter && o.modulus <= rc.maxmod) || o.iteration <= rc.minit);
}

// Steps of the orbit region: mapping, start values and the orbit loop.
template <class G>
void OrbitRegion(const RunContext& rc, int col, int row, OrbitState& o, long double& x, long double& y, int& px,
                 int& py) {
    px = col;
    py = row;
    if (rc.inversion) Invert<G>(rc, x, y);
    if (rc.sphere) SpherePosition<G>(rc, col, row, px, py);

    o.z = Complex{x, y};
    o.c = rc.mandelbrot ? Complex{x, y} : Complex{rc.cx, rc.cy};
    o.pokornyZ = o.z;
    o.iteration = 1;
    o.trapHit = false;
    o.imageHit = false;

    // One loop per formula and kind of stalk keeps every dispatch out of the
    // loop; the checked path only needs to be right, so it has just one loop.
    if constexpr (G::kChecked) {
        OrbitLoop<G, true, true, kFormulaDynamic>(rc, o);
    } else {
        const bool history = NeedsHistory(rc), tested = TestsEveryStep(rc);
        WithFormulaKind(rc.FunctionKind, [&]<int K>() {
            if (history)
                OrbitLoop<G, true, true, K>(rc, o);
            else if (tested)
                OrbitLoop<G, false, true, K>(rc, o);
            else
                OrbitLoop<G, false, false, K>(rc, o);
        });
    }
}

// Runs the orbit region with the given guard; returns the fault that ended
// it, or None.
template <class G>
FaultKind RunOrbitRegion(const RunContext& rc, int col, int row, OrbitState& o, long double& x, long double& y,
                         int& px, int& py) {
    try {
        OrbitRegion<G>(rc, col, row, o, x, y, px, py);
    } catch (const FaultError& e) {
        return e.kind();
    }
    return FaultKind::None;
}

template <bool kFast>
PixelOutcome Compute(const RunContext& rc, int col, int row) {
    long double x0, y0;
    PlanePoint(rc, col, row, x0, y0);

    PixelOutcome out;
    long double x = x0, y = y0;
    out.orbit = OrbitState::Reset(x0, y0);
    bool recompute = !kFast;
    if constexpr (kFast) {
        // Fast path: no flag tests inside the orbit. Flags are sticky, so one
        // test tells whether anything faulted; only then is the pixel redone
        // step by step to find where.
        const FaultKind early = RunOrbitRegion<NoCheck>(rc, col, row, out.orbit, x, y, out.px, out.py);
        recompute = early != FaultKind::None || FloatFaultPending();
        if (recompute) {
            ClearFloatFaults();
            out.orbit = OrbitState::Reset(x0, y0);
            x = x0;
            y = y0;
        }
    }
    if (recompute) {
        out.orbitFault = RunOrbitRegion<StepCheck>(rc, col, row, out.orbit, x, y, out.px, out.py);
        ClearFloatFaults();
    }
    out.steps = out.orbit.iteration - 1;

    try {
        ColourRules(out.orbit, rc, x, y);
    } catch (const FaultError& e) {
        out.colourFault = e.kind();
        ClearFloatFaults();
    }
    out.colour = out.orbit.pixelColour;
    return out;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return std::min(std::max(v, lo), hi); }

}  // namespace

// The plane point of the pixel, outside any protected region.
void PlanePoint(const RunContext& rc, int col, int row, long double& x, long double& y) {
    ClearFloatFaults();
    y = PlaneY(rc, row);
    x = PlaneX(rc, col);
    if (FloatFaultPending()) {
        const FaultKind kind = PendingFloatFault();
        ClearFloatFaults();
        throw FaultError(kind);
    }
}

void MapPixelUnchecked(const RunContext& rc, int col, int row, long double& x, long double& y, int& px, int& py) {
    px = col;
    py = row;
    if (rc.inversion) Invert<NoCheck>(rc, x, y);
    if (rc.sphere) SpherePosition<NoCheck>(rc, col, row, px, py);
}

bool SpherePositions(const RunContext& rc, int col, int first, int end, int& px, std::vector<int>& py) {
    ClearFloatFaults();
    bool made = true;
    try {
        const long double q = SphereQ<NoCheck>(rc, col);
        const long double root = SphereRoot(rc, q);
        py.resize(static_cast<size_t>(std::max(end - first, 0)));
        for (int row = first; row < end; ++row) py[static_cast<size_t>(row - first)] = SphereRow<NoCheck>(rc, root, row);
        px = SphereColumn<NoCheck>(rc, q);
    } catch (const FaultError&) {
        made = false;
    }
    made = made && !FloatFaultPending();
    ClearFloatFaults();
    return made;
}

EscapeScale MakeEscapeScale(const RunContext& rc) {
    EscapeScale scale;
    ClearFloatFaults();
    try {
        const long double scaled = rc.p3 * (rc.StalkType == kStalkNone ? 180.0L : 60.0L);
        StepCheck::Check(scaled);
        scale.value = Round(scaled);
    } catch (const FaultError& e) {
        scale.fault = e.kind();
    }
    ClearFloatFaults();
    return scale;
}

EscapeColours::EscapeColours(const RunContext& rc, bool table) : scale_(MakeEscapeScale(rc)) {
    if (!table || scale_.fault != FaultKind::None) return;
    // An orbit ends after at most max(miter, minit) + 1 steps; longer limits
    // share the table for their first iterations and work out the rest.
    constexpr int32_t kMostEntries = 1 << 14;
    const int32_t entries = std::clamp(std::max(rc.miter, rc.minit), 0, kMostEntries - 2) + 2;
    table_.reserve(static_cast<size_t>(entries));
    try {
        for (int32_t i = 0; i < entries; ++i) table_.push_back(static_cast<uint8_t>(workOut(rc, i).value));
    } catch (const FaultError&) {
        // From here on the gradient faults; those iterations are worked out
        // (and throw) when asked for.
    }
}

ColourValue EscapeColours::workOut(const RunContext& rc, int32_t iteration) const {
    if (scale_.fault != FaultKind::None) throw FaultError(scale_.fault);
    const int32_t v = MulDiv(scale_.value, CheckedSub(rc.miter, iteration), rc.miter);
    return rc.StalkType == kStalkNone ? ColourValue::Index(Clamp(v, 0, 180)) : ColourValue::Index(120 + Clamp(v, 0, 60));
}

void ColourRules(OrbitState& o, const RunContext& rc, long double x0, long double y0) {
    if (FloatFaultPending()) ClearFloatFaults();
    ColourRules(o, rc, x0, y0, EscapeColours(rc, false));
}

void ColourRules(OrbitState& o, const RunContext& rc, long double x0, long double y0, const EscapeColours& escape) {
    ColourRulesOf<StepCheck>(o, rc, x0, y0, escape);
}

PixelOutcome ComputePixel(const RunContext& rc, int col, int row) { return Compute<true>(rc, col, row); }

PixelOutcome ComputePixelChecked(const RunContext& rc, int col, int row) { return Compute<false>(rc, col, row); }

}  // namespace velmora
