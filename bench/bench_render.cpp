// Pictures of about 1200 pixels wide through the render driver, on one
// thread and on two, each beside its own plain loop in this binary: the
// straightforward one-pixel long double loop with no fault detection, made
// for that view's formula, escape test and stalk type at compile time. The
// plain loop is the yardstick: before anything is timed, its bytes are
// compared with the driver's buffer, and the program stops if they differ.
//
// Each driver benchmark reports `vs_plain`, its time over the plain loop's
// (the loop run before each run of the driver, outside the benchmark's own
// time, which is the driver's run alone), and the orbit steps per second. The
// driver's steps are those of the orbits the picture stands for: a bounded
// orbit that comes back to a value it had is not stepped on to its limit,
// so on views with many such orbits the driver makes fewer steps than it
// counts.
//
// VELMORA_BENCH_WIDTH sets another width (a small one for callgrind);
// VELMORA_BENCH_OFF_GRID moves every view off its pixel grid (OffGrid).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "conversions.hpp"
#include "custom_formula.hpp"
#include "formulas.hpp"
#include "palette.hpp"
#include "pixel.hpp"
#include "headless_session.hpp"
#include "mode_actions.hpp"
#include "render_driver.hpp"
#include "stalks.hpp"
#include "trap_image.hpp"

namespace {

using namespace velmora;

int Width() {
    static const int width = [] {
        const char* text = std::getenv("VELMORA_BENCH_WIDTH");
        const int w = text ? std::atoi(text) : 0;
        return w > 0 ? w : 1200;
    }();
    return width;
}

// ---------------------------------------------------------------------------
// The plain loop: one pixel after another, no flag tests, no lanes, no
// repeat detection; the formula, escape test and stalk type fixed at compile
// time. It gives the driver's bytes on views where no orbit faults.

template <int K, int kBailout, uint8_t kStalk>
uint8_t PlainPixel(const RunContext& rc, long double x, long double y, int32_t scale) {
    constexpr bool kHistory = StalkNeedsHistory(kStalk);
    OrbitState o = OrbitState::Reset(x, y);
    o.c = rc.mandelbrot ? Complex{x, y} : Complex{rc.cx, rc.cy};
    do {
        if constexpr (kHistory) {
            o.previousModulus = o.modulus;
            o.lastZ = o.z;
        }
        FormulaStepOf<NoCheck, K>(o, rc);
        o.modulus = BailoutModulus<kBailout>(o.z);
        if (o.iteration > rc.minit) {
            o.lastTested = o.iteration;
            StalkTestOf<NoCheck, kStalk>(o, rc);
        }
        ++o.iteration;
    } while ((!o.trapHit && o.iteration <= rc.miter && o.modulus <= rc.maxmod) || o.iteration <= rc.minit);

    if (o.trapHit) {
        if (!((o.iteration > rc.miter && o.modulus < rc.maxmod) || o.iteration <= rc.minit))
            o.pixelColour = stalk::BandColour(29.0L * o.trapValue, o.lastTested);
    } else if (o.iteration > rc.miter && o.modulus < rc.maxmod) {
        o.pixelColour = ColourValue::Index(kInteriorEntry);
    } else {
        const int32_t v = std::clamp(MulDiv(scale, rc.miter - o.iteration, rc.miter), 0, kStalk == kStalkNone ? 180 : 60);
        o.pixelColour = ColourValue::Index(kStalk == kStalkNone ? v : 120 + v);
    }
    PostOrbitRules<NoCheck>(o, rc, x, y);
    return o.pixelColour.lowByte();
}

template <int K, int kBailout, uint8_t kStalk>
int64_t PlainPicture(const RunContext& run, std::vector<uint8_t>& out) {
    // Its own copy of the run's constants, with the slope types' arctangent
    // and Modulus Diff.'s root of maxmod worked out for every pixel, as the
    // straightforward rules do. (A copy
    // of its own also lets the compiler keep the constants out of memory:
    // the loop is some 30 % faster than on the caller's.)
    RunContext rc = run;
    rc.slopeBeyond = __builtin_infl();
    rc.maxmodRootMade = false;
    // A sphere's picture is drawn on the background, in the driver's buffer too.
    out.assign(static_cast<size_t>(rc.siz) * static_cast<size_t>(rc.sizy), rc.sphere ? kBlackEntry : 0);
    const int32_t scale = Round(rc.p3 * (kStalk == kStalkNone ? 180.0L : 60.0L));
    int64_t pixels = 0;
    for (int col = 0; col < rc.siz; ++col) {
        const long double x = static_cast<long double>(col - rc.siz / 2) * rc.step + rc.xce;
        for (int row = 0; row < rc.sizy; ++row) {
            long double px = x, py = static_cast<long double>(row - rc.sizy / 2) * rc.step + rc.yce;
            int plotX = col, plotY = row;
            if (rc.inversion || rc.sphere) MapPixelUnchecked(rc, col, row, px, py, plotX, plotY);
            out[static_cast<size_t>(plotY) * static_cast<size_t>(rc.siz) + static_cast<size_t>(plotX)] =
                PlainPixel<K, kBailout, kStalk>(rc, px, py, scale);
            ++pixels;
        }
    }
    return pixels;
}

using PlainFunction = int64_t (*)(const RunContext&, std::vector<uint8_t>&);

template <int K, uint8_t kStalk>
PlainFunction PlainFor(uint8_t bailout) {
    return bailout == kBailoutModulus ? &PlainPicture<K, kBailoutModulus, kStalk> : &PlainPicture<K, kBailoutSumAbs, kStalk>;
}

// ---------------------------------------------------------------------------
// The views.

struct View {
    std::function<void(HeadlessSession&)> set;
    PlainFunction (*plain)(uint8_t bailout);
};

void Text(HeadlessSession& s, TextField f, const std::string& text) { s.state.texts.setText(f, text); }

// The Mandelbrot menu's view at the benchmark's width.
void MandelbrotMenu(HeadlessSession& s) {
    s.actions.Mandelbrot();
    Text(s, TextField::siz, std::to_string(Width()));
}

// The start-up view: Julia, z^2+c, Circle stalks, 50 iterations.
void StartUp(HeadlessSession& s) { Text(s, TextField::siz, std::to_string(Width())); }

// z^2+c with a stalk type, on a Julia set of the Mandelbrot menu's range where
// the bounded orbits circle the origin, so every trap meets many orbits.
template <uint8_t kStalk>
View StalkView(const char* p1, const char* p2 = "0.5") {
    return {[=](HeadlessSession& s) {
                s.actions.Julia();
                s.actions.StalkItem(kStalk);
                Text(s, TextField::siz, std::to_string(Width()));
                Text(s, TextField::cx, "-0.12");
                Text(s, TextField::cy, "0.75");
                Text(s, TextField::Rang, "3.2");
                Text(s, TextField::p1, p1);
                Text(s, TextField::p2, p2);
                Text(s, TextField::miter, "50");
            },
            &PlainFor<kFormulaZ2, kStalk>};
}

// The same view with 500 iterations: the bounded orbits, most of the work,
// run to the limit.
View LongOrbits(const View& v) {
    return {[set = v.set](HeadlessSession& s) {
                set(s);
                Text(s, TextField::miter, "500");
            },
            v.plain};
}

// A view with a mapping of the plane switched on, its centre moved off the
// pixel grid: the inversion's centre, a pixel otherwise, faults, which the
// plain loop cannot show.
View Mapped(const View& v, void (ModeActions::*mapping)()) {
    return {[set = v.set, mapping](HeadlessSession& s) {
                set(s);
                (s.actions.*mapping)();
                Text(s, TextField::xce, "0.0008");
            },
            v.plain};
}

const View kStartUp{StartUp, &PlainFor<kFormulaZ2, kStalkCircle>};
const View kMandelbrot{MandelbrotMenu, &PlainFor<kFormulaZ2, kStalkNone>};
const View kSumAbs{[](HeadlessSession& s) {
                       MandelbrotMenu(s);
                       s.actions.BailoutItem(kBailoutSumAbs);
                   },
                   &PlainFor<kFormulaZ2, kStalkNone>};
// Just past the cusp of the Mandelbrot set: every orbit escapes, most within
// a few dozen steps.
const View kShortOrbits{[](HeadlessSession& s) {
                            s.actions.StalkItem(kStalkNone);
                            Text(s, TextField::siz, std::to_string(Width()));
                            Text(s, TextField::cx, "0.26");
                            Text(s, TextField::cy, "0");
                            Text(s, TextField::Rang, "3");
                        },
                        &PlainFor<kFormulaZ2, kStalkNone>};
// 1e-6 wide in the seahorse valley, 1000 iterations: five pixels in six stay
// bounded without falling into a cycle.
const View kDeep{[](HeadlessSession& s) {
                     MandelbrotMenu(s);
                     Text(s, TextField::xce, "-0.7436438870371587");
                     Text(s, TextField::yce, "0.1318259042053120");
                     Text(s, TextField::Rang, "1e-6");
                     Text(s, TextField::miter, "1000");
                 },
                 &PlainFor<kFormulaZ2, kStalkNone>};
// Another formula on the Mandelbrot menu's view.
template <int K>
View FormulaView() {
    return {[](HeadlessSession& s) {
                MandelbrotMenu(s);
                s.actions.FunctionItem(K);
            },
            &PlainFor<K, kStalkNone>};
}
const View kCSin = FormulaView<kFormulaCSin>();
// The same with a stalk type.
template <int K, uint8_t kStalk>
View FormulaStalkView(const char* p1, const char* p2 = "0.5") {
    return {[=](HeadlessSession& s) {
                MandelbrotMenu(s);
                s.actions.FunctionItem(K);
                s.actions.StalkItem(kStalk);
                Text(s, TextField::p1, p1);
                Text(s, TextField::p2, p2);
            },
            &PlainFor<K, kStalk>};
}
// z^z+z^4-z+c on the Mandelbrot menu's view moved off the pixel grid, so
// that no pixel lies on 0, where its logarithm faults (the plain loop
// cannot make a faulting pixel).
const View kZPowZ{[](HeadlessSession& s) {
                      MandelbrotMenu(s);
                      s.actions.FunctionItem(kFormulaZPowZ);
                      Text(s, TextField::xce, "0.0008");
                  },
                  &PlainFor<kFormulaZPowZ, kStalkNone>};
// Median stalks on the Mandelbrot menu's view, whose first tests read the
// history's first value, which does not mirror.
const View kMandelbrotMedian{[](HeadlessSession& s) {
                                 MandelbrotMenu(s);
                                 s.actions.StalkItem(kStalkMedian);
                                 Text(s, TextField::p1, "1.0");
                             },
                             &PlainFor<kFormulaZ2, kStalkMedian>};
// z^3+c on the start-up view without stalks: orbits of two or three steps,
// and no pixel mirrors another (c is not real, the formula not even).
const View kJuliaZ3{[](HeadlessSession& s) {
                        StartUp(s);
                        s.actions.FunctionItem(kFormulaZ3);
                        s.actions.StalkItem(kStalkNone);
                    },
                    &PlainFor<kFormulaZ3, kStalkNone>};
// The start-up view's Julia set of another formula without stalks, at c.
template <int K>
View JuliaView(const char* cx, const char* cy, const char* range) {
    return {[=](HeadlessSession& s) {
                StartUp(s);
                s.actions.FunctionItem(K);
                s.actions.StalkItem(kStalkNone);
                Text(s, TextField::cx, cx);
                Text(s, TextField::cy, cy);
                Text(s, TextField::Rang, range);
            },
            &PlainFor<K, kStalkNone>};
}
// Long bounded orbits in the 80-bit library's sine and cosine.
const View kJuliaCSin = JuliaView<kFormulaCSin>("1.0", "0.1", "6");
const View kJuliaPokorny = JuliaView<kFormulaPokorny>("-0.4", "0.6", "4");
// The image trap on the Mandelbrot menu's view: the bounded orbits stay in
// its rectangle, so nearly every step looks at the picture.
const View kMandelbrotImage{[](HeadlessSession& s) {
                                MandelbrotMenu(s);
                                s.actions.StalkItem(kStalkImage);
                                Text(s, TextField::p1, "2.0");
                            },
                            &PlainFor<kFormulaZ2, kStalkImage>};
// The start-up view's Circle stalks on another formula.
template <int K>
View CircleView() {
    return {[](HeadlessSession& s) {
                StartUp(s);
                s.actions.FunctionItem(K);
                s.actions.StalkItem(kStalkCircle);
            },
            &PlainFor<K, kStalkCircle>};
}
// The custom formula `text`, compiled; the program stops if it does not.
void Custom(HeadlessSession& s, const char* text) {
    s.actions.FunctionItem(kFormulaCustom);
    ConfirmCustomFormula(s.state, s.host, text);
    if (ReadAndCompileCustomFormula(s.state, s.host, {}) != CustomCompileOutcome::Compiled) {
        std::fprintf(stderr, "the custom formula did not compile\n");
        std::exit(EXIT_FAILURE);
    }
}

// A custom formula that does not run on the z^2+c kernel: the compiled
// program's lanes. Its plain loop is the interpreter, the formula's
// definition.
const View kCustom{[](HeadlessSession& s) {
                       MandelbrotMenu(s);
                       Custom(s, "z*z-c");
                   },
                   &PlainFor<kFormulaCustom, kStalkNone>};

// The start-up view's Circle stalks on a custom formula: its compiled
// program in the whole-orbit loop.
const View kCustomCircle{[](HeadlessSession& s) {
                             StartUp(s);
                             Custom(s, "z*z+c");
                         },
                         &PlainFor<kFormulaCustom, kStalkCircle>};

// ---------------------------------------------------------------------------

// With VELMORA_BENCH_OFF_GRID set, every view's centre moves by a third of a
// pixel in x and in y: the same picture to the eye, but no pixel has an
// exact mirror, so the ratios show the views without the mirrored pixels'
// shared outcomes.
void OffGrid(HeadlessSession& s) {
    if (!std::getenv("VELMORA_BENCH_OFF_GRID")) return;
    const long double w = std::stold(s.state.texts.text(TextField::Rang));
    const long double px = w / std::stold(s.state.texts.text(TextField::siz)) / 3.0L;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.20Lg", std::stold(s.state.texts.text(TextField::xce)) + px);
    Text(s, TextField::xce, buf);
    std::snprintf(buf, sizeof buf, "%.20Lg", std::stold(s.state.texts.text(TextField::yce)) + px);
    Text(s, TextField::yce, buf);
}

// A session with the view set and the driver's picture made once.
struct Rendered {
    HeadlessSession session;
    bool ok = false;
    Rendered(const View& view, int threads) {
        view.set(session);
        OffGrid(session);
        session.driver.setThreads(threads);
        session.driver.Runclick();
        ok = session.state.statusText == "Picture completed.";
    }
};

double Seconds(const std::function<void()>& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The plain loop's picture against the driver's buffer; stops the program
// when they differ, as every ratio would then be meaningless.
void CheckPlainLoop(const char* name, const Rendered& r, PlainFunction plain, std::vector<uint8_t>& bytes) {
    const RunContext& rc = r.session.driver.runContext();
    plain(rc, bytes);
    const std::vector<uint8_t>& driver = r.session.state.buffer.bytes;
    if (bytes != driver) {
        size_t differ = 0;
        for (size_t i = 0; i < std::min(bytes.size(), driver.size()); ++i) differ += bytes[i] != driver[i];
        std::fprintf(stderr, "%s: the plain loop's picture differs from the driver's in %zu bytes\n", name, differ);
        std::exit(EXIT_FAILURE);
    }
}

void BM_Plain(benchmark::State& state, const char* name, const View& view) {
    const Rendered r(view, 1);
    if (!r.ok) return state.SkipWithError("the picture did not complete");
    const PlainFunction plain = view.plain(r.session.driver.runContext().BailoutKind);
    std::vector<uint8_t> bytes;
    CheckPlainLoop(name, r, plain, bytes);
    int64_t pixels = 0;
    for (auto _ : state) {
        pixels += plain(r.session.driver.runContext(), bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["s/pixel"] =
        benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Driver(benchmark::State& state, const char* name, const View& view) {
    const int threads = static_cast<int>(state.range(0));
    const Rendered r(view, threads);
    if (!r.ok) return state.SkipWithError("the picture did not complete");
    const PlainFunction plain = view.plain(r.session.driver.runContext().BailoutKind);
    std::vector<uint8_t> bytes;
    CheckPlainLoop(name, r, plain, bytes);
    // The plain loop runs once before each run of the driver, untimed by the
    // benchmark: the machine's speed drifts over a long benchmark by more
    // than the differences measured, and the two side by side see the same
    // drift.
    int64_t steps = 0;
    double driverSeconds = 0.0, plainSeconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        plainSeconds += Seconds([&] { plain(r.session.driver.runContext(), bytes); });
        HeadlessSession session;
        view.set(session);
        OffGrid(session);
        session.driver.setThreads(threads);
        state.ResumeTiming();
        driverSeconds += Seconds([&] { session.driver.Runclick(); });
        steps += session.driver.lastOutcome().orbitSteps;
        benchmark::DoNotOptimize(session.state.buffer.bytes.data());
    }
    state.counters["vs_plain"] = driverSeconds / plainSeconds;
    state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

struct NamedView {
    const char* name;
    View view;
};

const NamedView kViews[] = {
    {"start_up", kStartUp},
    {"mandelbrot_menu", kMandelbrot},
    {"sum_of_parts", kSumAbs},
    {"short_orbits", kShortOrbits},
    {"deep", kDeep},
    {"csin", kCSin},
    {"z3", FormulaView<kFormulaZ3>()},
    {"z7", FormulaView<kFormulaZ7>()},
    {"recip_z2", FormulaView<kFormulaRecipZ2>()},
    {"recip_zc2", FormulaView<kFormulaRecipZC2>()},
    {"coefficients", FormulaView<kFormulaCoefficients>()},
    {"ctanh", FormulaView<kFormulaCTanh>()},
    {"pokorny", FormulaView<kFormulaPokorny>()},
    {"recip_f", FormulaView<kFormulaRecipF>()},
    {"recip_z3", FormulaView<kFormulaRecipZ3>()},
    {"recip_z3c", FormulaView<kFormulaRecipZ3C>()},
    {"zpowz", kZPowZ},
    {"ccos", FormulaView<kFormulaCCos>()},
    {"cexp", FormulaView<kFormulaCExp>()},
    {"sinh", FormulaView<kFormulaSinh>()},
    {"z3_circle", CircleView<kFormulaZ3>()},
    {"recip_z2_circle", CircleView<kFormulaRecipZ2>()},
    {"csin_circle", CircleView<kFormulaCSin>()},
    {"csin_cross", FormulaStalkView<kFormulaCSin, kStalkCross>("0.1")},
    {"ccos_circle", FormulaStalkView<kFormulaCCos, kStalkCircle>("1.0")},
    {"cexp_square", FormulaStalkView<kFormulaCExp, kStalkSquareBand>("2.0", "0.5")},
    {"pokorny_circle", CircleView<kFormulaPokorny>()},
    {"custom", kCustom},
    {"custom_circle", kCustomCircle},
    {"cross", StalkView<kStalkCross>("0.1")},
    {"circle", StalkView<kStalkCircle>("1.0")},
    {"annulus", StalkView<kStalkAnnulus>("2.0", "0.5")},
    {"converge", StalkView<kStalkConverge>("0.5")},
    {"slope1", StalkView<kStalkSlope1>("0.5")},
    {"slope2", StalkView<kStalkSlope2>("0.5")},
    {"modulus_diff", StalkView<kStalkModulusDiff>("1.0", "0.5")},
    {"modulus_diff_long", LongOrbits(StalkView<kStalkModulusDiff>("1.0", "0.5"))},
    {"slope1_long", LongOrbits(StalkView<kStalkSlope1>("0.5"))},
    {"square_band", StalkView<kStalkSquareBand>("2.0", "0.5")},
    {"image", StalkView<kStalkImage>("2.0")},
    {"median", StalkView<kStalkMedian>("1.0")},
    {"hypercross", StalkView<kStalkHypercross>("0.1")},
    {"mandelbrot_median", kMandelbrotMedian},
    {"julia_z3", kJuliaZ3},
    {"inversion", Mapped(kMandelbrot, &ModeActions::Inversion)},
    {"inversion_start_up", Mapped(kStartUp, &ModeActions::Inversion)},
    {"sphere", Mapped(kMandelbrot, &ModeActions::Sphere)},
    {"sphere_start_up", Mapped(kStartUp, &ModeActions::Sphere)},
    {"julia_csin", kJuliaCSin},
    {"julia_pokorny", kJuliaPokorny},
    {"mandelbrot_image", kMandelbrotImage},
};

// VELMORA_BENCH_ONCE=<view> renders that one view once through the driver
// (VELMORA_BENCH_THREADS threads, one unless told) and nothing else: for
// callgrind, which then counts the run alone with
// --toggle-collect='velmora::RenderDriver::Run*'. With VELMORA_BENCH_PLAIN
// set it then runs the plain loop once too, counted with
// --toggle-collect='*PlainOnce*' (the loop and the comparison of its bytes).
[[gnu::noinline]] void PlainOnce(const char* name, const Rendered& r, const View& view) {
    std::vector<uint8_t> bytes;
    CheckPlainLoop(name, r, view.plain(r.session.driver.runContext().BailoutKind), bytes);
}

int RenderOnce(const char* name) {
    const char* threadsText = std::getenv("VELMORA_BENCH_THREADS");
    const int threads = threadsText ? std::max(std::atoi(threadsText), 1) : 1;
    // The image trap's picture is drawn once per process, on first use; not
    // part of any one run.
    DefaultTrapImage();
    for (const NamedView& v : kViews) {
        if (std::string(v.name) != name) continue;
        const Rendered r(v.view, threads);
        if (std::getenv("VELMORA_BENCH_PLAIN")) PlainOnce(name, r, v.view);
        std::printf("%s: %s, %lld steps\n", name, r.session.state.statusText.c_str(),
                    static_cast<long long>(r.session.driver.lastOutcome().orbitSteps));
        return r.ok ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    std::fprintf(stderr, "no view called %s\n", name);
    return EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* once = std::getenv("VELMORA_BENCH_ONCE")) return RenderOnce(once);
    // Wall time: with two threads the work is on other threads than this one.
    for (const NamedView& v : kViews) {
        const std::string name = v.name;
        benchmark::RegisterBenchmark(("BM_Plain/" + name).c_str(), BM_Plain, v.name, v.view)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_Driver/" + name).c_str(), BM_Driver, v.name, v.view)
            ->ArgName("threads")
            ->Arg(1)
            ->Arg(2)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return EXIT_FAILURE;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
