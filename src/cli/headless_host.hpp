#pragma once
// A host without a window: window operations do nothing, message
// boxes are remembered (and answered with Ignore, so a run never stops on a
// fault message).

#include <string>
#include <vector>

#include "picture_view.hpp"
#include "user_prompts.hpp"

namespace velmora {

class HeadlessHost : public UserPrompts, public PictureView, public EventPump {
public:
    struct Message {
        std::string text, caption;
        MessageButtons buttons;
    };

    void setStatusText(const std::string& text) override { status = text; }
    void showCancelLabel(bool) override {}
    void setApplicationTitle(const std::string& t) override { title = t; }
    void repaintWindow() override {}
    int windowWidth() override { return 1024; }
    int panelTop() override { return 739; }
    void pictureResized() override {}
    void drawPicture(int, int) override {}
    void copyColumnToWindow(int, int, int, int) override {}
    void pumpEvents() override {}
    MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                             MessageIcon icon) override;
    int showParametersDialog() override { return 2; }

    std::string status;
    std::string title;
    std::vector<Message> messages;
};

}  // namespace velmora
