#pragma once
// What the render driver and the mode actions need from the screen. The
// window implements it with the toolkit; tests and the command-line renderer
// implement it without one.

#include <string>

#include "colour_value.hpp"

namespace velmora {

enum class MessageButtons { Ok, AbortRetryIgnore };
enum class MessageIcon { None, Information, Warning, Error };
enum class MessageResult { Ok, Abort, Retry, Ignore };

class RenderHost {
public:
    virtual ~RenderHost() = default;

    // Status panel and title.
    virtual void setStatusText(const std::string& text) = 0;  // perc
    virtual void showCancelLabel(bool visible) = 0;          // esc
    virtual void setApplicationTitle(const std::string& title) = 0;

    // Window.
    virtual void repaintWindow() = 0;
    virtual int windowWidth() = 0;
    virtual int panelTop() = 0;

    // The off-screen picture bitmap and its copy on the window.
    virtual void resizePictureBitmap(int width, int height) = 0;
    virtual void setBitmapPalette() = 0;
    virtual void setBitmapPixel(int x, int y, ColourValue colour) = 0;
    // Fills (x0, y0)-(x1, y1), right and bottom edges excluded, and outlines it
    // with the canvas pen.
    virtual void fillBitmapRect(int x0, int y0, int x1, int y1, ColourValue brush) = 0;
    virtual void drawBitmapOnWindow(int xoff, int yoff) = 0;
    // Copies bitmap column px (rows 0..height-1) to window column xoff + px.
    virtual void copyColumnToWindow(int px, int height, int xoff, int yoff) = 0;

    // Handles all pending user events and returns.
    virtual void pumpEvents() = 0;

    virtual MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                                     MessageIcon icon) = 0;

    // The modal parameters dialog; returns its modal result (1 OK, 99 RUN,
    // 2 closed by the frame).
    virtual int showParametersDialog() = 0;

    // Plug-in points of the run: rebuilding the palette during set-up and
    // recording the parameter block at the end.
    virtual void makePalette() {}
    virtual void fillParameterBlock() {}

    // The custom formula is read and compiled when "Custom" is chosen.
    virtual void readCustomFormula() {}

    // Menu states changed (locked or unlocked for a run).
    virtual void menusChanged() {}
};

}  // namespace velmora
