#pragma once
// What a benchmark that opens the program's window shares: a prompter that
// answers every question at once, the started program, and the main (off
// screen when there is no display, the window made on first use and gone
// before the application object).

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "program.hpp"
#include "prompter.hpp"
#include "settings_store.hpp"

namespace velmora::bench {

// Ignores what it is told and chooses nothing.
class SilentPrompter : public Prompter {
public:
    MessageResult messageBox(const std::string&, const std::string&, MessageButtons buttons, MessageIcon) override {
        return buttons == MessageButtons::AbortRetryIgnore ? MessageResult::Ignore : MessageResult::Ok;
    }
    std::optional<std::string> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

// The program with its window started, answering nothing and storing no
// setting.
struct WindowProgram {
    SilentPrompter prompter;
    NoSettingsStore settings;
    Program program{prompter, settings};
    WindowProgram() { program.start(); }
};

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
