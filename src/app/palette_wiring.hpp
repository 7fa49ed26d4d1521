#pragma once
// The palette in the desktop program: the palette state beside the program
// state, the editor, and the screen they draw on (the main window's picture,
// the strip in the status panel, the editor dialog).
//
// Every image that holds palette indices is shown through the current
// palette object's colours, so a new palette recolours the picture at once,
// also in the middle of a run, without touching the picture buffer.

#include <QPointer>

#include <functional>

#include "palette_headers.hpp"
#include "program_state.hpp"
#include "window_host.hpp"

namespace velmora {

class MainWindow;
class PaletteEditorDialog;

// The picture's top-left corner of the window, into which the editor shows
// the picture shrunk while it changes colours.
inline constexpr int kPreviewWidth = 200;
inline constexpr int kPreviewHeight = 150;

class WindowPaletteHost : public PaletteHost {
public:
    // Made before the palette state it shows; attachPalette() gives it.
    void attachPalette(const PaletteState& palette) { palette_ = &palette; }

    void attach(MainWindow* window, PaletteEditorDialog* dialog);

    void paletteChanged(const PaletteObject& palette) override;
    void showStrip(const IndexImage& strip) override;
    void drawPicturePreview() override;

    // The strip is taken from Image1 when the window closes.
    void releaseStrip();

    // After the views have the new palette.
    std::function<void()> onPaletteChanged;

private:
    void renderStrip(const IndexImage& strip, const ColourTable& colours);

    const PaletteState* palette_ = nullptr;
    QPointer<MainWindow> window_;
    QPointer<PaletteEditorDialog> dialog_;
    bool stripShown_ = false;
    ColourTable stripColours_{};
};

// The window's prompts as the palette uses them: a message box asked for
// from inside the editor dialog's paint opens once the paint is over, since
// a box would run its own event loop in the middle of painting.
class PalettePrompts : public UserPrompts {
public:
    explicit PalettePrompts(WindowHost& host) : host_(host) {}
    void attach(MainWindow* window, PaletteEditorDialog* dialog);

    void setStatusText(const std::string& text) override;
    void showCancelLabel(bool visible) override;
    void setApplicationTitle(const std::string& title) override;
    MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                             MessageIcon icon) override;
    int showParametersDialog() override;

private:
    WindowHost& host_;
    QPointer<MainWindow> window_;
    QPointer<PaletteEditorDialog> dialog_;
};

// What the palette shows through in the window, made before the session
// that builds the palette.
struct WindowPaletteScreen {
    explicit WindowPaletteScreen(WindowHost& host) : prompts(host), screen{paletteHost, host, prompts} {}
    WindowPaletteHost paletteHost;
    PalettePrompts prompts;
    PaletteScreen screen;
};

class PaletteWiring {
public:
    PaletteWiring(ProgramState& state, WindowHost& host, WindowPaletteScreen& screen);
    ~PaletteWiring() { paletteHost_.onPaletteChanged = nullptr; }
    PaletteWiring(const PaletteWiring&) = delete;
    PaletteWiring& operator=(const PaletteWiring&) = delete;

    // The palette enters the main window: the picture takes its colours,
    // Colours > Palette, the pop-up "palette" and Colours > "add border" get
    // their actions, activation realises the palette, every run builds it,
    // and the editor's shrunk picture is drawn over the window.
    void attachMainWindow(MainWindow& window);
    // The editor dialog, created at start-up after the main window.
    void attachEditorDialog(PaletteEditorDialog& dialog);
    // Start-up ends: unless the start-up picture brought a palette, the
    // default marks' palette is built now, so that the strip and the first
    // picture show it whether or not the window is ever activated.
    void buildFirstPalette();

    // Marks from a palette file or a loaded picture: taken as they are, then
    // built (a build failure is reported by the builder). Returns whether
    // the build succeeded.
    bool takeMarks(const MarkedIndexList& marks);

    PaletteState& state() { return s_.palette; }
    PaletteEditor& editor() { return editor_; }

private:
    // The dialog is made after the editor; until then the editor's view does
    // nothing.
    class DialogView : public PaletteEditorView {
    public:
        void showEditor() override;
        void hideEditor() override;
        void drawGrid(const IndexImage& grid) override;
        void setColourEdits(int red, int green, int blue) override;
        void setIndexTexts(const std::string& indextxt, const std::string& oindex) override;
        QPointer<PaletteEditorDialog> dialog;
    };

    ProgramState& s_;
    WindowHost& host_;
    WindowPaletteHost& paletteHost_;
    PalettePrompts& prompts_;
    PaletteScreen screen_;
    DialogView view_;
    PaletteEditor editor_;
    QPointer<MainWindow> window_;
    QPointer<PaletteEditorDialog> dialog_;
};

}  // namespace velmora
