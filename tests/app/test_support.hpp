#pragma once
// What the window tests share: a prompter that answers from a script and
// remembers what was shown, and a started program.

#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "main_window.hpp"
#include "program.hpp"
#include "prompter.hpp"
#include "memory_settings_store.hpp"

namespace velmora::testing {

struct Shown {
    std::string text, caption;
    MessageButtons buttons;
    MessageIcon icon;
};

class ScriptedPrompter : public Prompter {
public:
    MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                          MessageIcon icon) override {
        shown.push_back({text, caption, buttons, icon});
        if (!answers.empty()) {
            const MessageResult answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == MessageButtons::AbortRetryIgnore ? MessageResult::Ignore : MessageResult::Ok;
    }
    std::optional<std::string> openFile(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return nextFile();
    }
    std::optional<std::string> saveFile(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return nextFile();
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const Shown& s : shown) out.push_back(s.text);
        return out;
    }

    std::vector<Shown> shown;
    std::deque<MessageResult> answers;
    std::vector<FileDialogRequest> fileRequests;
    std::deque<std::optional<std::string>> files;

private:
    std::optional<std::string> nextFile() {
        if (files.empty()) return std::nullopt;
        auto file = files.front();
        files.pop_front();
        return file;
    }
};

// A settings store that holds the key with these five values.
class FixedSettings : public MemorySettingsStore {
public:
    explicit FixedSettings(const Settings& settings) {
        exists = true;
        put("Startfile", settings.startfile);
        put("gifsavedir", settings.gifsavedir);
        put("gifloaddir", settings.gifloaddir);
        put("palsavedir", settings.palsavedir);
        put("palloaddir", settings.palloaddir);
    }
};

// A program started as the user starts it, with a settings store in memory
// that its first start fills with empty values.
struct StartedProgram {
    ScriptedPrompter prompter;
    MemorySettingsStore settings;
    Program program{prompter, settings};

    StartedProgram() {
        program.start();
        MainWindow& window = program.mainWindow();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window)) qWarning("main window did not become active");
    }
    ProgramState& state() { return program.state(); }
    MainWindow& window() { return program.mainWindow(); }
};

// Runs `work` from the event pump of the run that is about to start, at its
// first pixel.
inline void DuringNextRun(Program& program, std::function<void()> work) {
    program.host().setPumpInterval(std::chrono::nanoseconds(0));
    QTimer::singleShot(0, [&program, work = std::move(work)] {
        work();
        program.host().setPumpInterval(WindowHost::kDefaultPumpInterval);
    });
}

}  // namespace velmora::testing
