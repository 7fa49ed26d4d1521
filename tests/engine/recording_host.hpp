#pragma once
// A host that records what the driver shows, answers message boxes from a
// queue and can run code on every event pump (to cancel mid-run, say).

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "render_host.hpp"

namespace velmora::testing {

class RecordingHost : public RenderHost {
public:
    struct Message {
        std::string text, caption;
        MessageButtons buttons;
    };

    void setStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void showCancelLabel(bool visible) override { cancelLabelVisible = visible; }
    void setApplicationTitle(const std::string& t) override { title = t; }
    void repaintWindow() override { ++repaints; }
    int windowWidth() override { return width; }
    int panelTop() override { return top; }
    void resizePictureBitmap(int w, int h) override { bitmapSizes.emplace_back(w, h); }
    void setBitmapPalette() override {}
    void setBitmapPixel(int x, int y, ColourValue c) override { bitmap[{x, y}] = c; }
    void fillBitmapRect(int x0, int y0, int x1, int y1, ColourValue brush) override {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) bitmap[{x, y}] = brush;
    }
    void drawBitmapOnWindow(int, int) override {}
    void copyColumnToWindow(int px, int, int, int) override { copiedColumns.push_back(px); }
    void pumpEvents() override {
        ++pumps;
        if (onPump) onPump();
    }
    MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                             MessageIcon) override {
        messages.push_back({text, caption, buttons});
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
    void makePalette() override { ++palettesMade; }
    void fillParameterBlock() override { ++blocksFilled; }

    std::string lastStatus() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }

    int width = 800, top = 600;
    std::vector<std::string> statusTexts;
    bool cancelLabelVisible = false;
    std::string title;
    int repaints = 0, pumps = 0, dialogShown = 0, dialogResult = 2, palettesMade = 0, blocksFilled = 0;
    std::vector<std::pair<int, int>> bitmapSizes;
    std::map<std::pair<int, int>, ColourValue> bitmap;
    std::vector<int> copiedColumns;
    std::vector<Message> messages;
    std::vector<MessageResult> answers;
    std::function<void()> onPump;
};

}  // namespace velmora::testing
