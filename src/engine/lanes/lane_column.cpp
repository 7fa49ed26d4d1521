#include "lane_column.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "custom_program.hpp"
#include "formulas.hpp"
#include "pixel.hpp"
#include "stalks.hpp"
#include "x87_lanes.hpp"

namespace velmora {
namespace {

// What a lane's orbit left when it stopped.
struct LaneResult {
    Complex z;
    long double modulus = 0.0L;
    int64_t steps = 0;
};

// The ten bytes of an 80-bit value; the rest is padding. Bits, not values:
// -0 and +0 step on differently.
bool SameBits(const long double& a, const long double& b) { return std::memcmp(&a, &b, 10) == 0; }
bool SameBits(const Complex& a, const Complex& b) { return SameBits(a.re, b.re) && SameBits(a.im, b.im); }
bool SameBits(const Complex& a, const X87Point& b) { return SameBits(a.re, b.zr) && SameBits(a.im, b.zi); }

// An orbit's state has come back to one it had before: the orbit is
// periodic from there. Every later state it has had too, with its modulus
// tested and any fault already in the flags, so it runs to its limit; this
// makes the `remaining` steps there, or once the period shows (the state is
// the start again), only `remaining` mod period more. Bounded orbits mostly
// end like this, long before their limit.
template <class Step, class BackAtStart>
void StepToLimit(int64_t remaining, Step step, BackAtStart backAtStart) {
    for (int64_t made = 1; made <= remaining; ++made) {
        step();
        if (backAtStart()) {
            for (int64_t i = remaining % made; i > 0; --i) step();
            return;
        }
    }
}

// Looks at a lane's state every kRepeatCheckSteps of its steps: whether it
// is the state at the look before, or a reference renewed at looks 1, 3, 7,
// 15, ... so that the distance to it reaches a multiple of any period.
constexpr int kRepeatCheckSteps = kX87CheckpointPasses;

template <class State>
class RepeatWatch {
public:
    void start(const State& s) {
        before_ = reference_ = s;
        countdown_ = interval_ = 1;
    }
    bool repeated(const State& s) {
        if (SameBits(s, before_) || SameBits(s, reference_)) return true;
        before_ = s;
        if (--countdown_ == 0) {
            reference_ = s;
            interval_ *= 2;
            countdown_ = interval_;
        }
        return false;
    }

private:
    State before_{}, reference_{};
    int64_t countdown_ = 1, interval_ = 1;
};

// Every kRepeatCheckSteps rounds of a batch: each lane still going whose
// state has repeated is skipped to its limit and counted as stopped.
template <class Repeated, class Skip>
void LookForRepeats(int& untilCheck, int lanes, unsigned& stopped, Repeated repeated, Skip skip) {
    if (--untilCheck != 0) return;
    untilCheck = kRepeatCheckSteps;
    for (int l = 0; l < lanes; ++l) {
        if ((stopped & (1u << l)) || !repeated(l)) continue;
        skip(l);
        stopped |= 1u << l;
    }
}

// What a built-in formula's next step depends on besides the constants.
struct StepState {
    Complex z, pokornyZ;
};
bool SameBits(const StepState& a, const StepState& b) {
    return SameBits(a.z, b.z) && SameBits(a.pokornyZ, b.pokornyZ);
}

// A stepper runs a batch of orbits until some stop. Each lane makes the
// steps of the driver's orbit loop without a stalk test: the formula step,
// the modulus, and the end test (at most `limit` steps, or the modulus above
// maxmod or not a number). load() tells whether the orbit has stopped
// already, its result then ready; advance() returns the lanes that stopped,
// as bits.

// Any formula, in C++, the lanes side by side.
template <int kFormula, int kBailout, int kLanes>
class LockstepStepper {
public:
    static constexpr int kLaneCount = kLanes;
    explicit LockstepStepper(const RunContext& rc) : rc_(rc) {}

    bool load(int l, const Complex& z0, const Complex& c, int64_t limit) {
        orbit_[l].z = z0;
        orbit_[l].c = c;
        orbit_[l].pokornyZ = z0;
        watch_[l].start(state(l));
        remaining_[l] = limit;
        limit_[l] = limit;
        return false;
    }
    void copy(int to, int from) {
        orbit_[to] = orbit_[from];
        watch_[to] = watch_[from];
        remaining_[to] = remaining_[from];
        limit_[to] = limit_[from];
    }
    unsigned advance() {
        const long double maxmod = rc_.maxmod;
        for (;;) {
            unsigned stopped = 0;
#pragma GCC unroll 4
            for (int l = 0; l < kLanes; ++l) {
                Step(orbit_[l]);
                const long double m = BailoutModulus<kBailout>(orbit_[l].z);
                if (--remaining_[l] == 0 || !(m <= maxmod)) {
                    modulus_[l] = m;
                    stopped |= 1u << l;
                }
            }
            LookForRepeats(
                untilCheck_, kLanes, stopped, [&](int l) { return watch_[l].repeated(state(l)); },
                [&](int l) { skipToLimit(l); });
            if (stopped) return stopped;
        }
    }
    LaneResult result(int l) const { return {orbit_[l].z, modulus_[l], limit_[l] - remaining_[l]}; }

private:
    void Step(OrbitState& o) const { FormulaStepOf<NoCheck, kFormula>(o, rc_); }
    StepState state(int l) const { return {orbit_[l].z, orbit_[l].pokornyZ}; }
    void skipToLimit(int l) {
        OrbitState& o = orbit_[l];
        const StepState start = state(l);
        StepToLimit(remaining_[l], [&] { Step(o); }, [&] { return SameBits(state(l), start); });
        remaining_[l] = 0;
        modulus_[l] = BailoutModulus<kBailout>(o.z);
    }

    const RunContext& rc_;
    OrbitState orbit_[kLanes];
    RepeatWatch<StepState> watch_[kLanes];
    int untilCheck_ = kRepeatCheckSteps;
    long double modulus_[kLanes] = {};
    int64_t remaining_[kLanes] = {}, limit_[kLanes] = {};
};

// The k of z^2+k for an orbit of constant c: c itself for the built-in
// formula, or what a custom z*z+k program makes from c once per orbit.
struct OwnConstant {
    Complex operator()(const Complex& c) const { return c; }
};

class CustomConstant {
public:
    CustomConstant(const RunContext& rc, const CustomProgram& program, uint8_t slot) : program_(program), slot_(slot) {
        lanes_.setConstants(rc.u, rc.v, rc.w);
    }
    Complex operator()(const Complex& c) {
        lanes_.value[kSlotC][0] = c;
        RunCustomInvariants(program_, lanes_, 0);
        return lanes_.value[slot_][0];
    }

private:
    const CustomProgram& program_;
    const uint8_t slot_;
    CustomLanes<1> lanes_;
};

// z^2+k with the modulus test in the x87 kernel. A lane holds z_j, the
// orbit after j steps (at least one), its modulus not yet tested. The kernel
// runs all lanes until one may have escaped; that lane has then stepped past
// its last z, which is made again in C++ from the run's last checkpoint.
template <class Constant>
class X87Z2Stepper {
public:
    static constexpr int kLaneCount = 3;
    X87Z2Stepper(const RunContext& rc, uint64_t threshold, Constant constant)
        : maxmod_(rc.maxmod), constant_(std::move(constant)) {
        block_.threshold = threshold;
    }

    bool load(int l, const Complex& z0, const Complex& orbitC, int64_t limit) {
        const Complex c = constant_(orbitC);
        // The first steps in C++: most orbits that escape at all escape
        // within them, and leaving the kernel costs more than they do.
        Complex z = z0;
        Step(z, c);
        int64_t steps = 1;
        bool escaped = false;
        while (steps < std::min(limit, kStepsBeforeKernel)) {
            const long double m = BailoutModulus<kBailoutModulus>(z);
            if (!(m <= maxmod_)) {
                escaped = true;
                modulus_[l] = m;
                break;
            }
            Step(z, c);
            ++steps;
        }
        X87Lane& lane = block_.lane[l];
        lane.zr = z.re;
        lane.zi = z.im;
        lane.cr = c.re;
        lane.ci = c.im;
        block_.watch[l] = X87Watch::From({z.re, z.im});
        steps_[l] = steps;
        limit_[l] = limit;
        return escaped;
    }
    void copy(int to, int from) {
        block_.lane[to] = block_.lane[from];
        block_.watch[to] = block_.watch[from];
        steps_[to] = steps_[from];
        limit_[to] = limit_[from];
    }
    unsigned advance() {
        for (;;) {
            unsigned stopped = 0;
            int64_t passes = std::numeric_limits<int64_t>::max();
            for (int l = 0; l < kLaneCount; ++l) {
                if (steps_[l] == limit_[l]) {
                    modulus_[l] = BailoutModulus<kBailoutModulus>(z(l));
                    stopped |= 1u << l;
                }
                passes = std::min(passes, limit_[l] - steps_[l]);
            }
            if (stopped) return stopped;
            for (int l = 0; l < kLaneCount; ++l) {
                // Copied as bytes: a long double copy would go through the x87 unit.
                std::memcpy(static_cast<void*>(&block_.checkpoint[l]), &block_.lane[l], sizeof(X87Point));
            }
            block_.checkpointLeft = passes;
            int64_t done = 0;
            const int s = RunX87Lanes(block_, passes, done);
            if (s < 0) {
                for (int64_t& steps : steps_) steps += done;
                if (s == kX87Repeated)
                    for (int l = 0; l < kLaneCount; ++l)
                        if (SameBits(z(l), block_.checkpoint[l]) || SameBits(z(l), block_.watch[l].reference)) skipToLimit(l);
                continue;
            }
            for (int l = 0; l < kLaneCount; ++l) steps_[l] += l < s ? done + 1 : done;
            // The moduli of the steps before were below the threshold, so
            // none of them escaped.
            X87Lane& lane = block_.lane[s];
            const Complex c{lane.cr, lane.ci};
            Complex zs{block_.checkpoint[s].zr, block_.checkpoint[s].zi};
            for (int64_t i = passes - block_.checkpointLeft; i < done; ++i) Step(zs, c);
            const long double m = BailoutModulus<kBailoutModulus>(zs);
            if (!(m <= maxmod_)) {
                setZ(s, zs);
                modulus_[s] = m;
                return 1u << s;
            }
            // Close below maxmod or on it: the orbit goes on.
            Step(zs, c);
            setZ(s, zs);
            ++steps_[s];
        }
    }
    LaneResult result(int l) const { return {z(l), modulus_[l], steps_[l]}; }

private:
    static constexpr int64_t kStepsBeforeKernel = 8;

    // Lane l's z is one its orbit had at an earlier step (its moduli tested
    // below the threshold in the kernel, or not above maxmod in C++).
    void skipToLimit(int l) {
        const Complex c{block_.lane[l].cr, block_.lane[l].ci};
        const Complex start = z(l);
        Complex w = start;
        StepToLimit(limit_[l] - steps_[l], [&] { Step(w, c); }, [&] { return SameBits(w, start); });
        setZ(l, w);
        steps_[l] = limit_[l];
    }

    static void Step(Complex& z, const Complex& c) { formula::ZSquaredPlusC<NoCheck>(z, c); }
    Complex z(int l) const { return {block_.lane[l].zr, block_.lane[l].zi}; }
    void setZ(int l, const Complex& z) {
        block_.lane[l].zr = z.re;
        block_.lane[l].zi = z.im;
    }

    const long double maxmod_;
    Constant constant_;
    X87Block block_;
    long double modulus_[kLaneCount] = {};
    int64_t steps_[kLaneCount] = {}, limit_[kLaneCount] = {};
};

// The custom formula, compiled, on four lanes at once.
template <int kBailout>
class CustomStepper {
public:
    static constexpr int kLaneCount = 4;
    CustomStepper(const RunContext& rc, const CustomProgram& program) : maxmod_(rc.maxmod), program_(program) {
        lanes_.setConstants(rc.u, rc.v, rc.w);
    }

    bool load(int l, const Complex& z0, const Complex& c, int64_t limit) {
        lanes_.value[kSlotZ][l] = z0;
        lanes_.value[kSlotC][l] = c;
        RunCustomInvariants(program_, lanes_, l);
        watch_[l].start(z0);
        remaining_[l] = limit;
        limit_[l] = limit;
        return false;
    }
    void copy(int to, int from) {
        for (auto& slot : lanes_.value) slot[to] = slot[from];
        watch_[to] = watch_[from];
        remaining_[to] = remaining_[from];
        limit_[to] = limit_[from];
    }
    unsigned advance() {
        for (;;) {
            RunCustomProgram(program_, lanes_);
            unsigned stopped = 0;
            for (int l = 0; l < kLaneCount; ++l) {
                const long double m = BailoutModulus<kBailout>(lanes_.value[kSlotZ][l]);
                if (--remaining_[l] == 0 || !(m <= maxmod_)) {
                    modulus_[l] = m;
                    stopped |= 1u << l;
                }
            }
            LookForRepeats(
                untilCheck_, kLaneCount, stopped, [&](int l) { return watch_[l].repeated(lanes_.value[kSlotZ][l]); },
                [&](int l) { skipToLimit(l); });
            if (stopped) return stopped;
        }
    }
    LaneResult result(int l) const { return {lanes_.value[kSlotZ][l], modulus_[l], limit_[l] - remaining_[l]}; }

private:
    // The step depends on z alone (and on values made once per orbit): the
    // lane is stepped by itself in a copy of its values.
    void skipToLimit(int l) {
        for (int slot = 0; slot < kCustomSlots; ++slot) single_.value[slot][0] = lanes_.value[slot][l];
        const Complex start = lanes_.value[kSlotZ][l];
        const Complex& z = single_.value[kSlotZ][0];
        StepToLimit(remaining_[l], [&] { RunCustomProgram(program_, single_); }, [&] { return SameBits(z, start); });
        lanes_.value[kSlotZ][l] = z;
        remaining_[l] = 0;
        modulus_[l] = BailoutModulus<kBailout>(z);
    }

    long double maxmod_;
    const CustomProgram& program_;
    CustomLanes<kLaneCount> lanes_;
    CustomLanes<1> single_;
    RepeatWatch<Complex> watch_[kLaneCount];
    int untilCheck_ = kRepeatCheckSteps;
    long double modulus_[kLaneCount] = {};
    int64_t remaining_[kLaneCount] = {}, limit_[kLaneCount] = {};
};

PlottedPixel Plotted(const PixelOutcome& p) { return {p.px, p.py, p.colour, p.orbitFault, p.colourFault, p.steps}; }

// One column through a stepper. Lanes take the column's rows in order; a
// lane with no row left runs as a copy of a busy one (the same operations
// on the same values: no new faults, the same stop).
template <class Stepper>
class LaneColumn {
public:
    LaneColumn(const RunContext& rc, int col, ColumnOutcome& out, Stepper& stepper)
        : rc_(rc), col_(col), out_(out), stepper_(stepper), scale_(MakeEscapeScale(rc)) {}

    void run() {
        planePoints();
        out_.pixels.resize(static_cast<size_t>(rows_));
        for (int l = 0; l < kLanes; ++l) fill(l);
        for (;;) {
            int busy = -1;
            for (int l = 0; l < kLanes; ++l)
                if (slot_[l].active) busy = l;
            if (busy < 0) break;
            for (int l = 0; l < kLanes; ++l) {
                owner_[l] = l;
                if (!slot_[l].active) {
                    stepper_.copy(l, busy);
                    owner_[l] = busy;
                }
            }
            const unsigned stopped = stepper_.advance();
            // The flags once for the whole batch: a fault sends every pixel
            // in flight to the checked path.
            if (FloatFaultPending()) settle();
            for (int l = 0; l < kLanes; ++l) {
                if (!(stopped & (1u << l))) continue;
                const int owner = owner_[l];
                // A copy and its original stop at the same step; whichever
                // is seen first finishes the pixel.
                if (slot_[owner].active) finish(owner, stepper_.result(l));
            }
            for (int l = 0; l < kLanes; ++l)
                if (!slot_[l].active) fill(l);
        }
        ClearFloatFaults();
    }

private:
    static constexpr int kLanes = Stepper::kLaneCount;

    struct Slot {
        bool active = false;
        int row = 0;
        long double x = 0.0L, y = 0.0L;  // the point after the mappings
        int px = 0, py = 0;
    };

    // The orbit's c: the point itself for the Mandelbrot set.
    Complex orbitC(const Slot& s) const { return rc_.mandelbrot ? Complex{s.x, s.y} : Complex{rc_.cx, rc_.cy}; }

    // Every row's plane point, tested once; only a column where some point
    // cannot be formed is gone through row by row to find the first.
    void planePoints() {
        rows_ = rc_.sizy;
        y_.resize(static_cast<size_t>(std::max(rows_, 0)));
        ClearFloatFaults();
        for (int row = 0; row < rows_; ++row)
            y_[static_cast<size_t>(row)] = static_cast<long double>(row - rc_.sizy / 2) * rc_.step + rc_.yce;
        x_ = static_cast<long double>(col_ - rc_.siz / 2) * rc_.step + rc_.xce;
        if (!FloatFaultPending()) return;
        for (int row = 0; row < rows_; ++row) {
            try {
                long double x, y;
                PlanePoint(rc_, col_, row, x, y);
            } catch (const FaultError& e) {
                out_.stoppedBy = e.kind();
                rows_ = row;
                break;
            }
        }
        ClearFloatFaults();
    }

    // Gives lane l the next row, if any.
    void fill(int l) {
        while (next_ < rows_) {
            const int row = next_++;
            Slot& s = slot_[l];
            s.x = x_;
            s.y = y_[static_cast<size_t>(row)];
            // The Sphere position can throw; its flags must then be this
            // pixel's alone.
            if (rc_.sphere && FloatFaultPending()) settle();
            try {
                MapPixelUnchecked(rc_, col_, row, s.x, s.y, s.px, s.py);
            } catch (const FaultError&) {
                ClearFloatFaults();
                out_.pixels[static_cast<size_t>(row)] = Plotted(ComputePixelChecked(rc_, col_, row));
                continue;
            }
            s.active = true;
            s.row = row;
            // An orbit that stopped while loading is finished at once.
            if (!stepper_.load(l, Complex{s.x, s.y}, orbitC(s), limit_)) return;
            if (FloatFaultPending()) settle();
            else finish(l, stepper_.result(l));
        }
    }

    // A fault struck some pixel in flight: all of them go through the
    // checked path.
    void settle() {
        ClearFloatFaults();
        for (Slot& s : slot_) {
            if (!s.active) continue;
            out_.pixels[static_cast<size_t>(s.row)] = Plotted(ComputePixelChecked(rc_, col_, s.row));
            s.active = false;
        }
    }

    // The colour rules on the lane's finished orbit, as the one-pixel path
    // runs them; the flags must be clear.
    void finish(int l, const LaneResult& r) {
        Slot& s = slot_[l];
        OrbitState o;
        o.z = r.z;
        o.c = orbitC(s);
        o.iteration = static_cast<int32_t>(r.steps + 1);
        o.modulus = r.modulus;
        o.lastTested = r.steps > rc_.minit ? static_cast<int32_t>(r.steps) : 0;
        FaultKind colourFault = FaultKind::None;
        try {
            ColourRules(o, rc_, s.x, s.y, scale_);
        } catch (const FaultError& e) {
            colourFault = e.kind();
            ClearFloatFaults();
        }
        out_.pixels[static_cast<size_t>(s.row)] = {s.px, s.py, o.pixelColour, FaultKind::None, colourFault, r.steps};
        s.active = false;
    }

    const RunContext& rc_;
    const int col_;
    ColumnOutcome& out_;
    Stepper& stepper_;
    const EscapeScale scale_;
    // The most steps an orbit makes: with at most one minimum step the loop
    // ends after max(miter, 1) steps.
    const int64_t limit_ = std::max<int64_t>(rc_.miter, 1);
    int rows_ = 0, next_ = 0;
    long double x_ = 0.0L;
    std::vector<long double> y_;
    Slot slot_[kLanes];
    int owner_[kLanes] = {};  // the pixel each lane computes this round
};

template <class Stepper>
void RunLanes(const RunContext& rc, int col, ColumnOutcome& out, Stepper& stepper) {
    LaneColumn<Stepper>(rc, col, out, stepper).run();
}

template <int kBailout>
void BuiltInLanes(const RunContext& rc, int col, ColumnOutcome& out, bool x87) {
    uint64_t threshold = 0;
    if (x87 && kBailout == kBailoutModulus && rc.FunctionKind == kFormulaZ2 && X87Threshold(rc.maxmod, threshold)) {
        X87Z2Stepper<OwnConstant> stepper(rc, threshold, OwnConstant{});
        RunLanes(rc, col, out, stepper);
        return;
    }
    WithFormulaKind(rc.FunctionKind, [&]<int K>() {
        LockstepStepper<K, kBailout, 2> stepper(rc);
        RunLanes(rc, col, out, stepper);
    });
}

template <int kBailout>
void CustomLanes(const RunContext& rc, int col, ColumnOutcome& out, bool x87) {
    CustomProgram program;
    CompileCustomProgram(rc.CustomCode, rc.CustomCodeLength, program);
    uint8_t constant = 0;
    uint64_t threshold = 0;
    if (x87 && kBailout == kBailoutModulus && IsSquarePlusConstant(program, constant) &&
        X87Threshold(rc.maxmod, threshold)) {
        X87Z2Stepper<CustomConstant> stepper(rc, threshold, CustomConstant(rc, program, constant));
        RunLanes(rc, col, out, stepper);
        return;
    }
    CustomStepper<kBailout> stepper(rc, program);
    RunLanes(rc, col, out, stepper);
}

void Lanes(const RunContext& rc, int col, ColumnOutcome& out, bool x87) {
    out.pixels.clear();
    out.stoppedBy = FaultKind::None;
    const bool modulus = rc.BailoutKind == kBailoutModulus;
    if (rc.FunctionKind == kFormulaCustom) {
        if (modulus) CustomLanes<kBailoutModulus>(rc, col, out, x87);
        else CustomLanes<kBailoutSumAbs>(rc, col, out, x87);
    } else if (modulus) {
        BuiltInLanes<kBailoutModulus>(rc, col, out, x87);
    } else {
        BuiltInLanes<kBailoutSumAbs>(rc, col, out, x87);
    }
}

}  // namespace

bool LanesApply(const RunContext& rc) {
    if (rc.BailoutKind != kBailoutModulus && rc.BailoutKind != kBailoutSumAbs) return false;
    if (NeedsHistory(rc) || TestsEveryStep(rc)) return false;
    // More minimum steps than one would need a second kind of loop; a limit
    // of the largest integer would need the counter's overflow fault.
    if (rc.minit > 1 || rc.miter == std::numeric_limits<int32_t>::max()) return false;
    // Measured: two z^3+c orbits side by side in C++ run slower than one
    // (their values go through memory), so that formula keeps its loop.
    if (rc.FunctionKind == kFormulaZ3) return false;
    if (rc.FunctionKind == kFormulaCustom) {
        CustomProgram program;
        return CompileCustomProgram(rc.CustomCode, rc.CustomCodeLength, program);
    }
    return true;
}

void ComputeColumnInLanes(const RunContext& rc, int col, ColumnOutcome& out) { Lanes(rc, col, out, HaveX87Lanes()); }

void ComputeColumnInPortableLanes(const RunContext& rc, int col, ColumnOutcome& out) { Lanes(rc, col, out, false); }

}  // namespace velmora
