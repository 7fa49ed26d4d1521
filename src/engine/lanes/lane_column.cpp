#include "lane_column.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "colour_rules.hpp"
#include "custom_program.hpp"
#include "formula_table.hpp"
#include "formulas.hpp"
#include "lane_steppers.hpp"
#include "main_body.hpp"
#include "pixel.hpp"
#include "stalks.hpp"
#include "tested_steppers.hpp"
#include "x87_lanes.hpp"
#include "x87_rule_stepper.hpp"
#include "x87_trap_stepper.hpp"

namespace velmora {
namespace {

// Whether v is finite, told from its exponent's bits: comparing it would
// raise the invalid flag on a signalling value.
bool Finite(const long double& v) {
    uint16_t exponent;
    std::memcpy(&exponent, reinterpret_cast<const char*>(&v) + 8, sizeof exponent);
    return (exponent & 0x7fff) != 0x7fff;
}

PlottedPixel Plotted(const PixelOutcome& p) { return {p.px, p.py, p.colour, p.orbitFault, p.colourFault, p.steps}; }

// The pixels of a column the short-orbit tests took, which no stepper made.
struct ShortTaken {
    int64_t pixels = 0, steps = 0;
};

// One column through a stepper. Lanes take the column's rows in order; a
// lane with no row left runs as a copy of a busy one (the same operations
// on the same values: no new faults, the same stop).
template <class Stepper>
class LaneColumn {
public:
    LaneColumn(const ColumnPlan& plan, int col, RowSpan rows, ColumnOutcome& out, Stepper& stepper)
        : plan_(plan), rc_(plan.rc), col_(col), first_(rows.first), out_(out), stepper_(stepper), escape_(plan.escape),
          ruleAfterOrbit_(HasRuleAfterOrbit(rc_.StalkType)), rows_(rows.end) {}

    ShortTaken run() {
        planePoints();
        // Sphere moves only where a pixel is plotted, not its orbit: with
        // the column's positions made without a fault, it is computed as on
        // the plane, and each pixel placed afterwards.
        onSphere_ = rc_.sphere && !rc_.inversion && SpherePositions(rc_, col_, first_, rows_, spherePx_, spherePy_);
        mapped_ = rc_.inversion || (rc_.sphere && !onSphere_);
        flagsWait_ = !mapped_ && maxmodFinite_;
        shortOrbits_ = !mapped_ && !plan_.rowYBounded.empty();
        mirrors();
        if constexpr (kTakesParts) {
            tabled_ = !mapped_ && !plan_.rowParts.empty() && MakeXParts(x_, xParts_);
            ClearFloatFaults();
        }
        // Every row is written below; a column the size of the last one
        // keeps its storage as it is.
        out_.pixels.resize(static_cast<size_t>(rows_ - first_));
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
            unsigned stopped = 0;
            try {
                stopped = stepper_.advance();
            } catch (const FaultError&) {
                // An explicit fault of a stalk test (the image trap's
                // conversions to a position): like a flag, it does not say
                // which pixel met it.
                settle();
            }
            // The flags once for the whole batch: a fault sends every pixel
            // in flight to the checked path, and the orbits that stopped
            // while loading whose flags were left for this read. Where
            // the finished orbits' flags can wait, they wait for a full
            // list of them instead.
            if (!flagsWait_) {
                if (FloatFaultPending()) settle();
                unchecked_ = 0;
            }
            for (int l = 0; l < kLanes; ++l) {
                if (!(stopped & (1u << l))) continue;
                const int owner = owner_[l];
                // A copy and its original stop at the same step; whichever
                // is seen first finishes the pixel.
                if (!slot_[owner].active) continue;
                if (flagsWait_) finishUnchecked(owner, l);
                else finish(owner, l);
            }
            for (int l = 0; l < kLanes; ++l)
                if (!slot_[l].active) fill(l);
        }
        if (unchecked_ > 0 && FloatFaultPending()) settle();
        ClearFloatFaults();
        copyConjugates();
        if (storeForOpposite_) plan_.oppositeColumns.store(col_, out_.pixels);
        if (onSphere_) {
            for (int row = first_; row < rows_; ++row) {
                out_.pixels[at(row)].px = spherePx_;
                out_.pixels[at(row)].py = spherePy_[at(row)];
            }
        }
        return taken_;
    }

private:
    static constexpr int kLanes = Stepper::kLaneCount;
    // Marks a row that takes its conjugate row's pixel once the column is
    // done (no orbit makes fewer than no steps).
    static constexpr int64_t kConjugateCopy = -1;

    struct Slot {
        bool active = false;
        int row = 0;
        long double x = 0.0L, y = 0.0L;  // the point after the mappings, where mapped
        int px = 0, py = 0;
    };

    size_t at(int row) const { return static_cast<size_t>(row - first_); }


    // Every row's plane point, tested once (the rows' y the plan's, the
    // same in every column); only a column where some point cannot be
    // formed is gone through row by row to find the first.
    void planePoints() {
        ClearFloatFaults();
        x_ = PlaneX(rc_, col_);
        xBounded_ = lanes::Bounded(x_);
        formed_ = !plan_.rowYFaulted && !FloatFaultPending();
        if (formed_) return;
        for (int row = first_; row < rows_; ++row) {
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

    // Which rows take the outcome of a mirrored pixel (symmetry.hpp): those
    // whose opposite column is stored already, and on a conjugate run those
    // below a row of this span with the opposite y. A column whose plane
    // points are not all formed is computed whole.
    void mirrors() {
        if (!formed_ || mapped_ || plan_.rowOpposite.empty()) return;
        conjugate_ = plan_.symmetry.conjugate;
        if (!plan_.symmetry.opposite) return;
        const int other = plan_.columnOpposite[static_cast<size_t>(col_)];
        if (other >= 0 && other < col_ && plan_.oppositeColumns.stored(other)) oppositeCol_ = other;
        storeForOpposite_ = other > col_ && first_ == 0 && rows_ == rc_.sizy;
    }

    int oppositeRow(int row) const { return plan_.rowOpposite[static_cast<size_t>(row)]; }

    // Whether the row's pixel is a mirrored one's: copied here from the
    // opposite column, or from its conjugate row once the column is done.
    bool mirrored(int row) {
        if (oppositeCol_ < 0 && !conjugate_) return false;
        const int other = oppositeRow(row);
        if (copiedOpposite(other) && startsAgree(false, row)) {
            out_.pixels[at(row)] = plan_.oppositeColumns.pixel(oppositeCol_, other, col_, row);
            return true;
        }
        if (!conjugate_ || other < first_ || other >= row || !startsAgree(true, row)) return false;
        out_.pixels[at(row)].steps = kConjugateCopy;
        return true;
    }

    // Whether the row's pixel and its mirror (conjugate or opposite) have
    // orbits that the stalk test treats alike from their start.
    bool startsAgree(bool conjugate, int row) const {
        if (!plan_.symmetry.medianStart) return true;
        return MedianStartsAgree(rc_, conjugate, x_, plan_.rowY[static_cast<size_t>(row)]);
    }

    // Whether a row whose opposite row is `other` takes the opposite
    // column's pixel.
    bool copiedOpposite(int other) const {
        return oppositeCol_ >= 0 && other >= 0 && plan_.oppositeColumns.steps(oppositeCol_, other) >= oppositeLeastSteps_;
    }

    void copyConjugates() {
        if (!conjugate_) return;
        for (int row = first_; row < rows_; ++row) {
            if (out_.pixels[at(row)].steps != kConjugateCopy) continue;
            const int other = oppositeRow(row);
            PlottedPixel& p = out_.pixels[at(row)];
            p = out_.pixels[at(other)];
            p.py = row;
        }
    }

    // Gives lane l the next row, if any.
    void fill(int l) {
        while (next_ < rows_) {
            const int row = next_++;
            if (mirrored(row)) continue;
            Slot& s = slot_[l];
            s.px = col_;
            s.py = row;
            // Copied as bytes, as every value below: a long double
            // assignment goes through the x87 unit's slow 80-bit stores.
            // Each copy is a store the next one's load waits for, so the
            // start comes straight from the column's x and the row's y,
            // where the rules read them too (planeX, planeY), unless mapped.
            if (mapped_) {
                lanes::CopyBytes(s.x, x_);
                lanes::CopyBytes(s.y, plan_.rowY[static_cast<size_t>(row)]);
                // The Sphere position can throw; its flags must then be this
                // pixel's alone.
                if (rc_.sphere && FloatFaultPending()) settle();
                try {
                    MapPixelUnchecked(rc_, col_, row, s.x, s.y, s.px, s.py);
                } catch (const FaultError&) {
                    ClearFloatFaults();
                    out_.pixels[at(row)] = Plotted(ComputePixelChecked(rc_, col_, row));
                    continue;
                }
                lanes::CopyBytes(start_.re, s.x);
                lanes::CopyBytes(start_.im, s.y);
            } else {
                lanes::CopyBytes(start_.re, x_);
                lanes::CopyBytes(start_.im, plan_.rowY[static_cast<size_t>(row)]);
            }
            // An orbit that certainly never escapes makes all its steps and
            // ends inside, and one that certainly escapes within a few steps
            // ends there: their colours need no step of them. A mapping may
            // have faulted on the way to a point inside (an inversion that
            // overflows gives its centre): its flags are read in the lanes.
            if (mainBody_ && lanes::InMandelbrotMainBody(orbitC()) && !(mapped_ && FloatFaultPending())) {
                out_.pixels[at(row)] = {s.px, s.py, ColourValue::Index(kInteriorEntry), FaultKind::None,
                                        FaultKind::None, limit_};
                continue;
            }
            if (shortOrbits_) {
                const lanes::BoundedPart& y = plan_.rowYBounded[static_cast<size_t>(row)];
                const bool bounded = xBounded_.inBound() && y.inBound();
                int steps = 0;
                ColourValue colour;
                // A rule reads the escape's last values, which only the
                // short-orbit test tells.
                if (shortRule_) {
                    if (bounded) steps = ruledShortOrbit(xBounded_.value, y.value, colour);
                } else {
                    steps = plan_.firstStep(xBounded_.square, y.square) ? 1 : 0;
                    if (steps == 0 && bounded) steps = shortOrbit(xBounded_.value, y.value, nullptr);
                    if (steps > 0) colour = plan_.escapeAtStep[static_cast<size_t>(steps)];
                }
                if (steps > 0) {
                    out_.pixels[at(row)] = {s.px, s.py, colour, FaultKind::None, FaultKind::None, steps};
                    ++taken_.pixels;
                    taken_.steps += steps;
                    continue;
                }
            }
            s.active = true;
            s.row = row;
            // An orbit that stopped while loading is finished at once.
            if (!load(l, row)) return;
            if (flagsWait_) {
                finishUnchecked(l, l);
            } else if (FloatFaultPending()) {
                settle();
            } else {
                finish(l, l);
            }
        }
    }

    // The first step takes its library values from the tables where the
    // stepper can and they were made without a fault.
    bool load(int l, int row) {
        if constexpr (kTakesParts) {
            const size_t r = static_cast<size_t>(row);
            if (tabled_ && plan_.rowPartsMade[r])
                return stepper_.load(l, start_, orbitC(), limit_,
                                     TabledParts{start_.re, start_.im, xParts_, plan_.rowParts[r]});
        }
        return stepper_.load(l, start_, orbitC(), limit_);
    }

    // The step at which an orbit certainly escapes (short_orbit.hpp), or 0.
    // Where orbits are long, it follows many steps for nothing, and their
    // neighbours are mostly long too: after each such orbit the next
    // orbits, up to 15 as more follow, are not tried.
    int shortOrbit(double x, double y, lanes::ShortOrbitEscape::Ending* end) {
        if (shortSkip_ > 0) {
            --shortSkip_;
            return 0;
        }
        const int steps = plan_.shortOrbit(x, y, end);
        if (steps > 0) {
            shortMisses_ = 0;
            return steps;
        }
        if (steps < -kShortMiss) {
            shortMisses_ = std::min(shortMisses_ + 1, 4);
            shortSkip_ = (1 << shortMisses_) - 1;
        }
        return 0;
    }

    // shortOrbit's steps where the run's rule after the orbit is decided on
    // them too, its colour then in `colour`; otherwise 0.
    int ruledShortOrbit(double x, double y, ColourValue& colour) {
        lanes::ShortOrbitEscape::Ending end;
        const int steps = shortOrbit(x, y, &end);
        if (steps <= 0) return 0;
        colour = plan_.escapeAtStep[static_cast<size_t>(steps)];
        return plan_.shortRule(end, steps, colour) ? steps : 0;
    }

    // The orbit's c: the point itself for the Mandelbrot set.
    const Complex& orbitC() const { return rc_.mandelbrot ? start_ : c_; }
    // The plane point of a lane's pixel, after the mappings.
    const long double& planeX(const Slot& s) const { return mapped_ ? s.x : x_; }
    const long double& planeY(const Slot& s) const { return mapped_ ? s.y : plan_.rowY[static_cast<size_t>(s.row)]; }

    // A read of the flags waits for every x87 operation before it, and
    // costs more than the base colour or a short orbit. Nothing clears the
    // flags before the next read, so the finished pixels' flags wait for a
    // full list of them (or the column's end), and a fault then has them made
    // again on the checked path with the pixels in flight. The base colour
    // reads no flag when the modulus is finite; the other rules leave theirs
    // for the list too.
    void finishUnchecked(int pixel, int l) {
        const int row = slot_[pixel].row;
        finish(pixel, l, true);
        uncheckedRow_[unchecked_++] = row;
        if (readFlagsNow_ || unchecked_ == kUncheckedRows) {
            if (FloatFaultPending()) {
                settle();
                // Where pixels fault, whole lists would be made again: the
                // rest of the column reads its flags at once.
                flagsWait_ = false;
            }
            unchecked_ = 0;
        }
    }

    // A fault struck some pixel in flight: all of them go through the
    // checked path.
    void settle() {
        ClearFloatFaults();
        for (Slot& s : slot_) {
            if (!s.active) continue;
            out_.pixels[at(s.row)] = Plotted(ComputePixelChecked(rc_, col_, s.row));
            s.active = false;
        }
        for (int i = 0; i < unchecked_; ++i)
            out_.pixels[at(uncheckedRow_[i])] = Plotted(ComputePixelChecked(rc_, col_, uncheckedRow_[i]));
        unchecked_ = 0;
    }

    // The colour rules on the lane's finished orbit, as the one-pixel path
    // runs them; the flags must be clear.
    // With keepFlags the base colour leaves the flags to the caller, and
    // readFlagsNow_ tells whether it may have raised one or thrown.
    void finish(int pixel, int l, bool keepFlags = false) {
        Slot& s = slot_[pixel];
        readFlagsNow_ = false;
        // The rules run on the lane's own orbit where the stepper keeps one
        // (it is loaded afresh before its next use); else on a state made
        // once, of which the rules read only what is set here (no stalk is
        // caught in these lanes) and write only the colour and the caught
        // position, which nothing reads after them.
        OrbitState* orbit = &plainOrbit_;
        if constexpr (requires { stepper_.orbit(l); }) {
            orbit = &stepper_.orbit(l);
        } else {
            const lanes::LaneResult r = stepper_.result(l);
            // Only the rule after the orbit reads z.
            if (ruleAfterOrbit_) {
                lanes::CopyBytes(orbit->z.re, r.zr);
                lanes::CopyBytes(orbit->z.im, r.zi);
            }
            orbit->iteration = static_cast<int32_t>(r.steps + 1);
            lanes::CopyBytes(orbit->modulus, r.modulus);
            orbit->lastTested = r.steps > rc_.minit ? static_cast<int32_t>(r.steps) : 0;
        }
        OrbitState& o = *orbit;
        const int64_t steps = o.iteration - 1;
        FaultKind colourFault = FaultKind::None;
        try {
            // Most orbits are neither caught nor coloured again after the
            // orbit: their rules are the base colour alone.
            // A comparison with a value that is not a number raises the
            // invalid flag, and the rules test no flag after their last
            // comparison. The one-pixel path starts each pixel with clear
            // flags; so must the next pixel's rules and the next batch here.
            // The base colour alone compares only the modulus with maxmod
            // (the escape colour is integer work), so it leaves no flag
            // behind when both are finite, and reading the flags costs more
            // than the rest of it.
            if (!o.trapHit && !o.imageHit && !ruleAfterOrbit_) {
                // The colour a fault in the escape colour leaves, as on the
                // one-pixel path, whose state starts with it.
                o.pixelColour = ColourValue::Index(kCaughtEntry);
                o.pixelColour = UncaughtColour(o, rc_, escape_);
                readFlagsNow_ = !maxmodFinite_ || !Finite(o.modulus);
                if (readFlagsNow_ && !keepFlags && FloatFaultPending()) ClearFloatFaults();
            } else {
                // Unchecked, the flags read once after them: a flag or a
                // throw has the checked rules, which stop at the fault, run
                // again from the start (they read nothing they write).
                // A caller that keeps the flags has the pixel made again on
                // the checked path if they show a fault; a throw with no
                // flag raised is the rules' own, met again here at once.
                bool again;
                try {
                    ColourRulesOf<NoCheck>(o, rc_, planeX(s), planeY(s), escape_);
                    again = !keepFlags && FloatFaultPending();
                } catch (const FaultError&) {
                    again = !keepFlags || !FloatFaultPending();
                    readFlagsNow_ = !again;
                }
                if (again) {
                    ClearFloatFaults();
                    ColourRules(o, rc_, planeX(s), planeY(s), escape_);
                    if (FloatFaultPending()) ClearFloatFaults();
                }
            }
        } catch (const FaultError& e) {
            colourFault = e.kind();
            // A caller that keeps the flags reads them at once.
            if (keepFlags) readFlagsNow_ = true;
            else ClearFloatFaults();
        }
        out_.pixels[at(s.row)] = {s.px, s.py, o.pixelColour, FaultKind::None, colourFault, steps};
        s.active = false;
    }

    const ColumnPlan& plan_;
    const RunContext& rc_;
    const int col_;
    const int first_;  // the first row computed; out_ holds rows from here
    ColumnOutcome& out_;
    Stepper& stepper_;
    const EscapeColours& escape_;
    // An inversion, or Sphere where its positions are not made for the
    // column: each pixel maps itself.
    bool mapped_ = true;
    bool onSphere_ = false;  // Sphere's positions made for the column
    int spherePx_ = 0;
    std::vector<int> spherePy_;  // from row first_ on
    const bool ruleAfterOrbit_;
    const bool maxmodFinite_ = Finite(rc_.maxmod);
    // The Mandelbrot set's z^2+c coloured by its escape alone, with a maxmod
    // no orbit of its main body reaches (compared only when finite, so
    // raising no flag).
    const bool mainBody_ = rc_.mandelbrot && rc_.FunctionKind == kFormulaZ2 && rc_.StalkType == kStalkNone &&
                           !ruleAfterOrbit_ && maxmodFinite_ && rc_.maxmod >= lanes::kMainBodyLeastMaxmod;
    OrbitState plainOrbit_;
    // The most steps an orbit makes: with at most one minimum step the loop
    // ends after max(miter, 1) steps.
    const int64_t limit_ = std::max<int64_t>(rc_.miter, 1);
    int rows_ = 0, next_ = first_;  // rows [first_, rows_) are computed
    long double x_ = 0.0L;
    Complex start_;                  // the orbit's start
    const Complex c_{rc_.cx, rc_.cy};  // a Julia set's c
    // The plan's tests of short orbits apply (never where pixels map
    // themselves).
    bool shortOrbits_ = false;
    const bool shortRule_ = plan_.shortRule.on();
    lanes::BoundedPart xBounded_;
    static constexpr int kShortMiss = 4;  // steps followed for nothing that count as long
    int shortSkip_ = 0, shortMisses_ = 0;
    Slot slot_[kLanes];
    int owner_[kLanes] = {};  // the pixel each lane computes this round
    // Whether finished pixels' flags wait for a list (finishUnchecked): not
    // where a mapping's faults must be its pixel's alone, nor with a maxmod
    // that is not finite, whose base colour reads the flags at once.
    bool flagsWait_ = false;
    static constexpr int kUncheckedRows = 32;
    static constexpr bool kTakesParts = requires(Stepper & st, const TabledParts& p) { st.load(0, Complex{}, Complex{}, 1, p); };
    bool tabled_ = false;  // the column's and rows' library values are made
    XParts xParts_{};
    bool formed_ = false;  // every plane point of the column is formed
    bool conjugate_ = false;
    int oppositeCol_ = -1;  // the opposite column, where it is stored
    const int64_t oppositeLeastSteps_ = plan_.symmetry.oppositeLeastSteps;
    bool storeForOpposite_ = false;
    int uncheckedRow_[kUncheckedRows] = {};  // finished, their flags not yet read
    int unchecked_ = 0;
    bool readFlagsNow_ = false;
    ShortTaken taken_;
};

// A stalk test after each step, the orbit history, or more than one minimum
// step: the steppers that only step, test the modulus and count cannot run
// it, the one that makes the whole orbit loop can.
bool NeedsWholeOrbitLoop(const RunContext& rc) { return NeedsHistory(rc) || TestsEveryStep(rc) || rc.minit > 1; }

template <class Stepper>
ShortTaken RunLanes(const ColumnPlan& plan, int col, RowSpan rows, ColumnOutcome& out, Stepper& stepper) {
    return LaneColumn<Stepper>(plan, col, rows, out, stepper).run();
}

// How the z^2+c trap columns use the x87 kernel: as the orbits of the last
// such column suggest, always (to test it), or never (the portable lanes).
enum class TrapKernel { Auto, Always, Never };

// Whether the last z^2+c trap column this thread computed had long orbits.
// The kernel makes long orbits several times faster, but every trip into it
// and out costs more than the few steps of an orbit caught or escaped at
// once; neighbouring columns mostly look alike. Only the speed depends on
// it: both steppers make the same pixels.
thread_local bool tLongTrapOrbits = false;

// The mean steps per pixel a stepper made above which the kernel pays: for
// the traps' kernel, and for the rules' (x87_rule_stepper.hpp), which makes
// the last stretch of an escaping orbit twice.
constexpr int64_t kLongTrapOrbit = 10, kLongRuleOrbit = 20;

// Columns of long orbits this thread leaves to the C++ loop after a trap
// column whose filter stopped the kernel too often (stopsOften); the next
// such column tries the kernel again, as the view may change.
thread_local int tTrapKernelRest = 0;
constexpr int kTrapKernelRest = 64;

void NoteTrapOrbits(const ColumnOutcome& out, const ShortTaken& taken, int64_t longOrbit) {
    int64_t steps = -taken.steps;
    for (const PlottedPixel& p : out.pixels) steps += p.steps;
    tLongTrapOrbits = steps > longOrbit * (static_cast<int64_t>(out.pixels.size()) - taken.pixels);
}

// A built-in formula's column: z^2+c in the x87 kernel where it can test
// against maxmod, every other formula in the C++ lanes.
template <int kBailout>
void RunBuiltInColumn(const ColumnPlan& plan, int col, RowSpan rows, ColumnOutcome& out, bool x87, TrapKernel trapKernel) {
    const RunContext& rc = plan.rc;
    if (NeedsWholeOrbitLoop(rc)) {
        // Every built-in formula gets a loop for each stalk type with its
        // lanes cut to what the type reads, z^2+c (the formula of most stalk
        // pictures) also the x87 kernel for long orbits. The custom formula
        // and runs whose trap constants fault read the type as they go.
        lanes::TrapConstants constants;
        if (rc.FunctionKind == kFormulaCustom) {
            if (plan.programCompiled) {
                lanes::CustomTestedStepper<kBailout> stepper(rc, plan.program);
                RunLanes(plan, col, rows, out, stepper);
            } else {
                lanes::TestedStepper<kFormulaCustom, kBailout, kStalkDynamic> stepper(rc);
                RunLanes(plan, col, rows, out, stepper);
            }
        } else if (!lanes::TrapConstants::Make(rc, rc.StalkType, constants)) {
            WithFormulaKind(rc.FunctionKind, [&]<int K>() {
                lanes::TestedStepper<K, kBailout, kStalkDynamic> stepper(rc);
                RunLanes(plan, col, rows, out, stepper);
            });
        } else if (rc.FunctionKind == kFormulaZ2) {
            lanes::WithWholeOrbitStalk(rc.StalkType, [&]<int S>() {
                constexpr bool kHasKernel = lanes::kHasX87TrapFilter<S> || lanes::kHasX87RuleStepper<S>;
                bool kernel =
                    x87 && (trapKernel == TrapKernel::Always || (trapKernel == TrapKernel::Auto && tLongTrapOrbits));
                ShortTaken taken;
                if constexpr (lanes::kHasX87TrapFilter<S>) {
                    if (kernel && trapKernel == TrapKernel::Auto && tTrapKernelRest > 0) {
                        --tTrapKernelRest;
                        kernel = false;
                    }
                    X87TrapBlock bounds;
                    kernel = kernel && lanes::X87TrapStepper<kBailout, S>::Bounds(constants, bounds);
                    if (kernel) {
                        lanes::X87TrapStepper<kBailout, S> stepper(rc, constants, bounds);
                        taken = RunLanes(plan, col, rows, out, stepper);
                        if (stepper.stopsOften()) tTrapKernelRest = kTrapKernelRest;
                    }
                } else if constexpr (lanes::kHasX87RuleStepper<S>) {
                    uint64_t threshold = 0;
                    kernel = kernel && X87Threshold(rc.maxmod, threshold);
                    if (kernel) {
                        lanes::X87RuleStepper<kBailout, S> stepper(rc, threshold);
                        taken = RunLanes(plan, col, rows, out, stepper);
                    }
                } else {
                    kernel = false;
                }
                if (!kernel) {
                    lanes::TrapStepper<kFormulaZ2, kBailout, S> stepper(rc, constants);
                    taken = RunLanes(plan, col, rows, out, stepper);
                }
                if (kHasKernel && x87 && trapKernel == TrapKernel::Auto)
                    NoteTrapOrbits(out, taken, lanes::kHasX87RuleStepper<S> ? kLongRuleOrbit : kLongTrapOrbit);
            });
        } else {
            WithFormulaKind(rc.FunctionKind, [&]<int K>() {
                if constexpr (K != kFormulaCustom && K != kFormulaZ2) {
                    lanes::WithWholeOrbitStalk(rc.StalkType, [&]<int S>() {
                        lanes::TrapStepper<K, kBailout, S> stepper(rc, constants);
                        RunLanes(plan, col, rows, out, stepper);
                    });
                }
            });
        }
        return;
    }
    uint64_t threshold = 0;
    if (x87 && LanesOf(rc.FunctionKind) == FormulaLanes::LockstepOrX87 && X87Threshold(rc.maxmod, threshold)) {
        lanes::X87Z2Stepper<lanes::OwnConstant, kBailout> stepper(rc, threshold, lanes::OwnConstant{});
        RunLanes(plan, col, rows, out, stepper);
        return;
    }
    // Three orbits overlap a step's chain of dependent products better
    // than two; with four the batches stop too often.
    WithFormulaKind(rc.FunctionKind, [&]<int K>() {
        lanes::LockstepStepper<K, kBailout, 3> stepper(rc);
        RunLanes(plan, col, rows, out, stepper);
    });
}

// The custom formula's column: its program compiled for this column, a
// z*z+k program in the x87 kernel where it can test against maxmod, any
// other in the compiled-program lanes.
template <int kBailout>
void RunCustomColumn(const ColumnPlan& plan, int col, RowSpan rows, ColumnOutcome& out, bool x87) {
    const RunContext& rc = plan.rc;
    const CustomProgram& program = plan.program;
    uint8_t constant = 0;
    uint64_t threshold = 0;
    if (x87 && IsSquarePlusConstant(program, constant) && X87Threshold(rc.maxmod, threshold)) {
        lanes::X87Z2Stepper<lanes::CustomConstant, kBailout> stepper(rc, threshold, lanes::CustomConstant(rc, program, constant));
        RunLanes(plan, col, rows, out, stepper);
        return;
    }
    lanes::CustomStepper<kBailout> stepper(rc, program);
    RunLanes(plan, col, rows, out, stepper);
}

void Lanes(const ColumnPlan& plan, int col, RowSpan rows, ColumnOutcome& out, bool x87,
           TrapKernel trapKernel = TrapKernel::Auto) {
    out.stoppedBy = FaultKind::None;
    const bool modulus = plan.rc.BailoutKind == kBailoutModulus;
    // The compiled custom program keeps no orbit state: a run that needs the
    // whole orbit loop has the formula's interpreter in the loop of the
    // other formulas.
    if (LanesOf(plan.rc.FunctionKind) == FormulaLanes::Compiled && !NeedsWholeOrbitLoop(plan.rc)) {
        if (modulus) RunCustomColumn<kBailoutModulus>(plan, col, rows, out, x87);
        else RunCustomColumn<kBailoutSumAbs>(plan, col, rows, out, x87);
    } else if (modulus) {
        RunBuiltInColumn<kBailoutModulus>(plan, col, rows, out, x87, trapKernel);
    } else {
        RunBuiltInColumn<kBailoutSumAbs>(plan, col, rows, out, x87, trapKernel);
    }
}

}  // namespace

bool LanesApply(const RunContext& rc) {
    CustomProgram program;
    return LanesApply(rc, LanesOf(rc.FunctionKind) == FormulaLanes::Compiled &&
                              CompileCustomProgram(rc.CustomCode, rc.CustomCodeLength, program));
}

bool LanesApply(const RunContext& rc, bool customProgramCompiles) {
    if (rc.BailoutKind != kBailoutModulus && rc.BailoutKind != kBailoutSumAbs) return false;
    // A limit of the largest integer would need the counter's overflow fault.
    constexpr int32_t kLargest = std::numeric_limits<int32_t>::max();
    if (rc.miter == kLargest || rc.minit == kLargest) return false;
    if (NeedsWholeOrbitLoop(rc)) return LanesOf(rc.FunctionKind) != FormulaLanes::OnePixel;
    switch (LanesOf(rc.FunctionKind)) {
    case FormulaLanes::OnePixel: return false;
    case FormulaLanes::Compiled: return customProgramCompiles;
    default: return true;
    }
}

void ComputeColumnInLanes(const ColumnPlan& plan, int col, ColumnOutcome& out) {
    Lanes(plan, col, AllRows(plan.rc), out, HaveX87Lanes());
}

void ComputeColumnRowsInLanes(const ColumnPlan& plan, int col, RowSpan rows, ColumnOutcome& out) {
    Lanes(plan, col, rows, out, HaveX87Lanes());
}

void ComputeColumnInLanes(const RunContext& rc, int col, ColumnOutcome& out) {
    ComputeColumnInLanes(ColumnPlan(rc), col, out);
}

void ComputeColumnInPortableLanes(const RunContext& rc, int col, ColumnOutcome& out) {
    const ColumnPlan plan(rc);
    Lanes(plan, col, AllRows(rc), out, false);
}

void ComputeColumnInX87TrapLanes(const RunContext& rc, int col, ColumnOutcome& out) {
    const ColumnPlan plan(rc);
    Lanes(plan, col, AllRows(rc), out, HaveX87Lanes(), TrapKernel::Always);
}

}  // namespace velmora
