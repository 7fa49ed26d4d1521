#pragma once
// A host without a window: window operations do nothing, message boxes are
// remembered (and answered with Ignore, so a run never stops on a fault
// message), and the custom formula dialog is always confirmed with its
// texts.

#include <string>
#include <vector>

#include "custom_formula.hpp"
#include "palette_host.hpp"
#include "picture_files.hpp"
#include "picture_view.hpp"
#include "session.hpp"
#include "user_prompts.hpp"

namespace velmora {

class HeadlessHost : public UserPrompts, public PictureView, public EventPump, public PaletteHost,
                     public PictureFileHost {
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
    void drawPicture() override {}
    void copyColumnToWindow(int, int) override {}
    void pumpEvents() override {}
    MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                             MessageIcon icon) override;
    int showParametersDialog() override { return 2; }
    void paletteChanged(const PaletteObject&) override {}
    void showStrip(const IndexImage&) override {}
    void drawPicturePreview() override {}
    void setBusyCursor(bool) override {}
    void drawSaveMark(int, int, int) override {}
    void showLoadProgress(int) override {}
    void setLoadProgress(int) override {}
    void hideLoadProgress() override {}

    SessionHosts hosts() { return {*this, *this, *this, {*this, *this, *this}, *this, customFormula}; }

    std::string status;
    std::string title;
    std::vector<Message> messages;
    HeadlessCustomFormula customFormula;
};

}  // namespace velmora
