#pragma once
// The palette tests' screen: a recorder of the palette layer's own calls,
// with the shared recorders of the picture view and the user prompts.

#include <string>
#include <utility>
#include <vector>

#include "index_image.hpp"
#include "palette_host.hpp"
#include "recording_host.hpp"

namespace velmora::testing {

struct ShownMessage {
    std::string text, caption;
    MessageIcon icon;
    friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

class RecordingPaletteHost : public PaletteHost, public RecordingView, public RecordingPrompts {
public:
    void paletteChanged(const PaletteObject& palette) override { shownSerials.push_back(palette.serial()); }
    void showStrip(const IndexImage& strip) override {
        ++stripsShown;
        lastStripSize = {strip.width(), strip.height()};
    }
    void drawPicturePreview() override { ++previews; }

    operator PaletteScreen() { return {*this, *this, *this}; }

    // The messages shown, each with one OK button.
    std::vector<ShownMessage> shown() const {
        std::vector<ShownMessage> out;
        for (const auto& m : messages) {
            if (m.buttons == MessageButtons::Ok) out.push_back({m.text, m.caption, m.icon});
        }
        return out;
    }

    std::vector<uint64_t> shownSerials;
    int stripsShown = 0;
    std::pair<int, int> lastStripSize{0, 0};
    int previews = 0;
};

class RecordingEditorView : public PaletteEditorView {
public:
    void showEditor() override { visible = true; }
    void hideEditor() override {
        visible = false;
        if (onHide) onHide();
    }
    void drawGrid(const IndexImage&) override { ++gridDraws; }
    void setColourEdits(int red, int green, int blue) override {
        edits = {red, green, blue};
        // A real spin edit reports every value it is given.
        if (onColourEdits) onColourEdits(red, green, blue);
    }
    void setIndexTexts(const std::string& index, const std::string& previous) override {
        indextxt = index;
        oindex = previous;
    }

    bool visible = false;
    int gridDraws = 0;
    std::vector<int> edits;
    std::string indextxt = "0", oindex = "0";
    std::function<void(int, int, int)> onColourEdits;
    std::function<void()> onHide;
};

}  // namespace velmora::testing
