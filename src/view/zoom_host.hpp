#pragma once
// What the mouse zoom needs from the main window. The window implements it
// with the toolkit; tests implement it with a recording fake. Messages go
// through the user prompts.

namespace velmora {

class ZoomHost {
public:
    virtual ~ZoomHost() = default;

    // Inverts every pixel of the window's client area in columns
    // x .. x + width - 1 and rows y .. y + height - 1 (clipped to the window).
    // Inverting the same rectangle again restores it, which is how the band
    // is taken away. Width and height are always at least 1.
    virtual void invertRect(int x, int y, int width, int height) = 0;

    // Inverts every pixel inside the ellipse inscribed in the box from
    // (left, top) to (right, bottom), right and bottom edges excluded; the
    // same call again restores the pixels. Always left < right, top < bottom.
    virtual void invertEllipse(int left, int top, int right, int bottom) = 0;

    // Width of the displayed picture bitmap in pixels (0 while there is none).
    virtual int pictureWidth() = 0;

    // Ends the mouse grab taken by the button press.
    virtual void releaseMouseCapture() = 0;

    // Starts a run with the parameter texts as they stand; returns when the
    // run has ended.
    virtual void startRun() = 0;
};

}  // namespace velmora
