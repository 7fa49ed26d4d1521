#pragma once
// The shared recording fakes of the screen. RecordingPrompts records what the
// user is told and asked (texts, captions, buttons) and answers message
// boxes from a queue; RecordingView records where the picture goes and can
// run code on every event pump (to cancel mid-run, say); RecordingHost is
// both, and observes runs, for the render driver.

#include <functional>
#include <string>
#include <vector>

#include "picture_view.hpp"
#include "run_observer.hpp"
#include "user_prompts.hpp"

namespace velmora::testing {

class RecordingPrompts : public UserPrompts {
public:
    struct Message {
        std::string text, caption;
        MessageButtons buttons;
        MessageIcon icon;
    };

    void setStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void showCancelLabel(bool visible) override { cancelLabelVisible = visible; }
    void setApplicationTitle(const std::string& t) override { title = t; }
    MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                             MessageIcon icon) override {
        messages.push_back({text, caption, buttons, icon});
        if (!answers.empty()) {
            const MessageResult r = answers.front();
            answers.erase(answers.begin());
            return r;
        }
        return buttons == MessageButtons::AbortRetryIgnore ? MessageResult::Retry : MessageResult::Ok;
    }
    int showParametersDialog() override {
        ++dialogShown;
        return dialogResult;
    }

    std::string lastStatus() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }

    std::vector<std::string> statusTexts;
    bool cancelLabelVisible = false;
    std::string title;
    std::vector<Message> messages;
    std::vector<MessageResult> answers;
    int dialogShown = 0, dialogResult = 2;
};

class RecordingView : public PictureView, public EventPump {
public:
    void repaintWindow() override { ++repaints; }
    int windowWidth() override { return width; }
    int panelTop() override { return top; }
    void pictureResized() override { ++resizes; }
    void drawPicture() override { ++draws; }
    void copyColumnToWindow(int px, int) override { copiedColumns.push_back(px); }
    void pumpEvents() override {
        ++pumps;
        if (onPump) onPump();
    }

    int width = 800, top = 600;
    int repaints = 0, resizes = 0, pumps = 0;
    int draws = 0;
    std::vector<int> copiedColumns;
    std::function<void()> onPump;
};

class RecordingHost : public RecordingPrompts, public RecordingView, public RunObserver {
public:
    void runSettingUp() override { ++palettesMade; }
    void runEnded() override { ++blocksFilled; }
    int palettesMade = 0, blocksFilled = 0;
};

}  // namespace velmora::testing
