#pragma once
// Hosts for the palette tests: they record what the palette layer asks the
// screen to do, and keep a picture bitmap of palette indices.

#include <functional>
#include <string>
#include <vector>

#include "index_image.hpp"
#include "palette_host.hpp"

namespace velmora::testing {

struct ShownMessage {
    std::string text, caption;
    MessageIcon icon;
    friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

class RecordingPaletteHost : public PaletteHost {
public:
    void paletteChanged(const PaletteObject& palette) override { shownSerials.push_back(palette.serial()); }
    void showStrip(const IndexImage& strip) override {
        ++stripsShown;
        lastStripSize = {strip.width(), strip.height()};
    }
    void drawPicture(int xoff, int yoff) override { pictureDrawnAt.push_back({xoff, yoff}); }
    void repaintWindow() override { ++windowRepaints; }
    void drawPicturePreview() override { ++previews; }
    void fillPictureRect(int x0, int y0, int x1, int y1, uint8_t index) override {
        bitmap.fillRect(x0, y0, x1, y1, index);
    }
    void setStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    std::string applicationTitle() override { return title; }

    struct Point {
        int x, y;
        friend bool operator==(const Point&, const Point&) = default;
    };

    std::string title = "Velmora 32 Version 2.01";
    std::vector<uint64_t> shownSerials;
    int stripsShown = 0;
    Point lastStripSize{0, 0};
    std::vector<Point> pictureDrawnAt;
    int windowRepaints = 0;
    int previews = 0;
    IndexImage bitmap{0, 0, 0};
    std::vector<std::string> statusTexts;
    std::vector<ShownMessage> messages;
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
