// The render driver on a fixed Mandelbrot view, beside two plain loops over
// the same pixels: one with no fault detection at all, and one that tests the
// floating-point status flags after every step (the straightforward way to
// find a faulting step). Each reports orbit steps per second.

#include <benchmark/benchmark.h>

#include <cfenv>
#include <cstdint>

#include "headless_session.hpp"
#include "mode_actions.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace {

using namespace velmora;

constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr int kIterations = 1000;
constexpr long double kRange = 3.0L;
constexpr long double kCentreX = -0.5L;

struct View {
    long double step = kRange / kWidth;
    long double x(int col) const { return static_cast<long double>(col - kWidth / 2) * step + kCentreX; }
    long double y(int row) const { return static_cast<long double>(row - kHeight / 2) * step; }
};

void BM_Driver(benchmark::State& state) {
    int64_t steps = 0;
    for (auto _ : state) {
        HeadlessSession session;
        ProgramState& s = session.state;
        ModeActions& actions = session.actions;
        RenderDriver& driver = session.driver;
        actions.Mandelbrot();
        s.texts.setText(TextField::siz, std::to_string(kWidth));
        s.texts.setText(TextField::miter, std::to_string(kIterations));
        s.texts.setText(TextField::Rang, "3");
        s.texts.setText(TextField::xce, "-0.5");
        driver.Runclick();
        steps += driver.orbitSteps();
        benchmark::DoNotOptimize(s.buffer.bytes.data());
    }
    state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

template <bool kFlagsEveryStep>
int64_t PlainRender(uint8_t* out) {
    const View view;
    int64_t steps = 0;
    for (int col = 0; col < kWidth; ++col) {
        for (int row = 0; row < kHeight; ++row) {
            const long double x = view.x(col), y = view.y(row);
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
void BM_Plain(benchmark::State& state) {
    static uint8_t buffer[kWidth * kHeight];
    int64_t steps = 0;
    for (auto _ : state) {
        steps += PlainRender<kFlagsEveryStep>(buffer);
        benchmark::DoNotOptimize(buffer);
    }
    state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Driver)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plain<false>)->Name("BM_PlainLoop")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plain<true>)->Name("BM_FlagsEveryStep")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
