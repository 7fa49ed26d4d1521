#pragma once
// What the palette layer needs from the screen beyond the picture view and
// the user prompts. The main window implements PaletteHost, the editor
// dialog PaletteEditorView; tests record the calls.
//
// There is no hardware palette: the picture, the strip and the grid hold
// palette indices and are shown through a colour table, so "realising" the
// palette means giving those images the new colours and redrawing them.

#include <string>

#include "index_image.hpp"
#include "palette.hpp"
#include "picture_view.hpp"
#include "user_prompts.hpp"

namespace velmora {

class PaletteHost {
public:
    virtual ~PaletteHost() = default;

    // A new palette object is in use: every image that holds palette indices
    // (picture bitmap, strip, grid) takes its colours and is redrawn where it
    // is shown. Must not paint the editor dialog synchronously.
    virtual void paletteChanged(const PaletteObject& palette) = 0;
    // The strip's pixels were drawn: show it in Image1 at (0, 0), 300 x 20.
    virtual void showStrip(const IndexImage& strip) = 0;
    // The picture bitmap shrunk into (0, 0)-(200, 150) of the window.
    virtual void drawPicturePreview() = 0;
};

// Everything the palette layer shows through.
struct PaletteScreen {
    PaletteHost& palette;
    PictureView& picture;
    UserPrompts& prompts;
};

class PaletteEditorView {
public:
    virtual ~PaletteEditorView() = default;

    virtual void showEditor() = 0;  // visible and in front; modeless
    virtual void hideEditor() = 0;  // the view's hide then calls FormHide
    // Draw the grid on the dialog at (10, 10). When called from the dialog's
    // own paint, paint it there and then rather than asking for a repaint.
    virtual void drawGrid(const IndexImage& grid) = 0;
    // Load the three spin edits. Their change events come back to the
    // editor, which ignores them while it loads them.
    virtual void setColourEdits(int red, int green, int blue) = 0;
    // The texts of `indextxt` (selected entry) and `oindex` (previous one).
    virtual void setIndexTexts(const std::string& indextxt, const std::string& oindex) = 0;
};

}  // namespace velmora
