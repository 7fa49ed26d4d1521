#pragma once
// The main of a benchmark that opens the program's window: off screen when
// there is no display, the window made on first use and gone before the
// application object.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <memory>

namespace velmora::bench {

template <class Desktop>
int RunWindowBenchmarks(int argc, char** argv, std::unique_ptr<Desktop>& desktop) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    desktop.reset();
    return 0;
}

}  // namespace velmora::bench
