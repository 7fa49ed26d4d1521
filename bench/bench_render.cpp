// The render driver on two Mandelbrot views of 800 x 600 pixels and 1000
// iterations, on one thread and on two, beside plain loops over the same
// pixels in this binary: one with no fault detection at all (the yardstick
// the driver's ratios are taken against), and one that tests the
// floating-point status flags after every step (the straightforward way to
// find a faulting step). Each reports orbit steps per second.
//
// "shallow" is the whole set (centre -0.5, range 3); "deep" is a view
// 1e-6 wide in the seahorse valley where five pixels in six stay bounded.
//
// The driver's steps are those of the orbits the picture stands for: a
// bounded orbit that comes back to a value it had (most in the shallow view,
// none in the deep one) is not stepped on to its limit but its last z worked
// out from the cycle, so there the driver makes fewer steps than it counts.
// The plain loop makes every step it counts.

#include <benchmark/benchmark.h>

#include <cfenv>
#include <cstdint>
#include <string>
#include <vector>

#include "headless_session.hpp"
#include "mode_actions.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace {

using namespace velmora;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kIterations = 1000;

struct View {
    const char* xce;
    const char* yce;
    const char* range;
};

constexpr View kShallow{"-0.5", "0", "3"};
constexpr View kDeep{"-0.7436438870371587", "0.1318259042053120", "1e-6"};

void BM_Driver(benchmark::State& state, View view) {
    int64_t steps = 0;
    for (auto _ : state) {
        HeadlessSession session;
        ProgramState& s = session.state;
        session.actions.Mandelbrot();
        session.actions.StalkItem(kStalkNone);
        session.driver.setThreads(static_cast<int>(state.range(0)));
        s.texts.setText(TextField::siz, std::to_string(kWidth));
        s.texts.setText(TextField::miter, std::to_string(kIterations));
        s.texts.setText(TextField::Rang, view.range);
        s.texts.setText(TextField::xce, view.xce);
        s.texts.setText(TextField::yce, view.yce);
        session.driver.Runclick();
        if (s.statusText != "Picture completed.") state.SkipWithError("the picture did not complete");
        steps += session.driver.lastOutcome().orbitSteps;
        benchmark::DoNotOptimize(s.buffer.bytes.data());
    }
    state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

// The plane point as the driver forms it, from the view's numbers.
struct Plane {
    long double xce, yce, step;
    explicit Plane(View v)
        : xce(std::stold(v.xce)), yce(std::stold(v.yce)), step(std::stold(v.range) / kWidth) {}
    long double x(int col) const { return static_cast<long double>(col - kWidth / 2) * step + xce; }
    long double y(int row) const { return static_cast<long double>(row - kHeight / 2) * step + yce; }
};

template <bool kFlagsEveryStep>
int64_t PlainRender(const Plane& plane, uint8_t* out) {
    int64_t steps = 0;
    for (int col = 0; col < kWidth; ++col) {
        for (int row = 0; row < kHeight; ++row) {
            const long double x = plane.x(col), y = plane.y(row);
            long double zr = x, zi = y, modulus = 0.0L;
            int iteration = 1;
            bool faulted = false;
            if (kFlagsEveryStep) std::feclearexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID);
            do {
                const long double re = zr * zr - zi * zi + x;
                zi = zr * zi + zi * zr + y;
                zr = re;
                modulus = zr * zr + zi * zi;
                if (kFlagsEveryStep && std::fetestexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID)) {
                    faulted = true;
                    break;
                }
                ++iteration;
            } while (iteration <= kIterations && modulus <= 4.0L);
            steps += iteration - 1;
            out[row * kWidth + col] = static_cast<uint8_t>(faulted ? 0 : iteration);
        }
    }
    return steps;
}

template <bool kFlagsEveryStep>
void BM_Plain(benchmark::State& state, View view) {
    static std::vector<uint8_t> buffer(static_cast<size_t>(kWidth) * kHeight);
    const Plane plane(view);
    int64_t steps = 0;
    for (auto _ : state) {
        steps += PlainRender<kFlagsEveryStep>(plane, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

void BM_PlainLoop(benchmark::State& state, View view) { BM_Plain<false>(state, view); }
void BM_FlagsEveryStep(benchmark::State& state, View view) { BM_Plain<true>(state, view); }

// Wall time: with two threads the work is on other threads than this one.
BENCHMARK_CAPTURE(BM_Driver, shallow, kShallow)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PlainLoop, shallow, kShallow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Driver, deep, kDeep)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PlainLoop, deep, kDeep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_FlagsEveryStep, shallow, kShallow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
