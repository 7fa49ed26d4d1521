#pragma once
// Where the picture is shown. The picture itself is the program state's
// PictureBitmap, palette indices that any view can show through the current
// palette; the view only learns what changed and where it is placed.

namespace velmora {

class PictureView {
public:
    virtual ~PictureView() = default;

    // Erases the whole window and paints it again.
    virtual void repaintWindow() = 0;
    // The main window's outer width and the top of its status panel, from
    // which the picture's place is worked out.
    virtual int windowWidth() = 0;
    virtual int panelTop() = 0;

    // PictureBitmap has a new size (and new pixels).
    virtual void pictureResized() = 0;
    // Shows the whole PictureBitmap at the picture's place (the state's xoff,
    // yoff).
    virtual void drawPicture() = 0;
    // Shows column px of PictureBitmap (rows 0..height-1) at window column
    // xoff + px.
    virtual void copyColumnToWindow(int px, int height) = 0;
};

// Keeps the window usable during a long computation.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Handles all pending user events and returns.
    virtual void pumpEvents() = 0;
    // Called every few milliseconds while a run waits for a column that
    // other threads are computing; a window handles its events here too.
    virtual void pumpWhileWaiting() {}
};

}  // namespace velmora
