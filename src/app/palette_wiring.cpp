#include "palette_wiring.hpp"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include "main_window.hpp"
#include "palette_editor_dialog.hpp"
#include "picture_canvas.hpp"
#include "status_panel.hpp"
#include "window_host.hpp"

namespace velmora {

// --- WindowPaletteHost ---------------------------------------------------

void WindowPaletteHost::attach(MainWindow* window, PaletteEditorDialog* dialog) {
    window_ = window;
    dialog_ = dialog;
}


void WindowPaletteHost::paletteChanged(const PaletteObject& palette) {
    if (!window_) return;
    const ColourTable& colours = palette.colours();
    // The picture bitmap takes the colours and is redrawn; its pixels, like
    // the buffer's, stay as they are.
    if (window_->canvas()->colourTable() != colours) window_->canvas()->setColourTable(colours);
    if (stripShown_ && palette_ && stripColours_ != colours) renderStrip(palette_->PaletteStripBitmap, colours);
    // The dialog's own paint redraws its grid itself; asking it to paint
    // again from there would never end.
    if (dialog_ && dialog_->isVisible() && !dialog_->painting()) dialog_->recolourGrid();
    if (onPaletteChanged) onPaletteChanged();
}

void WindowPaletteHost::showStrip(const IndexImage& strip) {
    if (!window_ || !palette_) return;
    stripShown_ = true;
    renderStrip(strip, DisplayColours(*palette_));
}

void WindowPaletteHost::renderStrip(const IndexImage& strip, const ColourTable& colours) {
    QImage indexed(strip.pixels().data(), strip.width(), strip.height(), strip.width(), QImage::Format_Indexed8);
    indexed.setColorTable(QList<QRgb>(colours.begin(), colours.end()));
    QLabel* image1 = window_->panel()->image1();
    image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image1->setPixmap(QPixmap::fromImage(indexed));
    stripColours_ = colours;
}

void WindowPaletteHost::releaseStrip() {
    stripShown_ = false;
    if (window_) window_->panel()->image1()->clear();
}

void WindowPaletteHost::drawPicturePreview() {
    if (window_) window_->canvas()->update(QRect(0, 0, kPreviewWidth, kPreviewHeight));
}

// --- PalettePrompts --------------------------------------------------------

void PalettePrompts::attach(MainWindow* window, PaletteEditorDialog* dialog) {
    window_ = window;
    dialog_ = dialog;
}

void PalettePrompts::setStatusText(const std::string& text) { host_.setStatusText(text); }
void PalettePrompts::showCancelLabel(bool visible) { host_.showCancelLabel(visible); }
void PalettePrompts::setApplicationTitle(const std::string& title) { host_.setApplicationTitle(title); }
int PalettePrompts::showParametersDialog() { return host_.showParametersDialog(); }

MessageResult PalettePrompts::messageBox(const std::string& text, const std::string& caption,
                                         MessageButtons buttons, MessageIcon icon) {
    if (dialog_ && dialog_->painting() && window_) {
        QTimer::singleShot(0, window_.data(), [this, text, caption, buttons, icon] {
            host_.messageBox(text, caption, buttons, icon);
        });
        return MessageResult::Ok;
    }
    return host_.messageBox(text, caption, buttons, icon);
}

// --- PaletteWiring ---------------------------------------------------------

void PaletteWiring::DialogView::showEditor() {
    if (dialog) dialog->showEditor();
}
void PaletteWiring::DialogView::hideEditor() {
    if (dialog) dialog->hideEditor();
}
void PaletteWiring::DialogView::drawGrid(const IndexImage& grid) {
    if (dialog) dialog->drawGrid(grid);
}
void PaletteWiring::DialogView::setColourEdits(int red, int green, int blue) {
    if (dialog) dialog->setColourEdits(red, green, blue);
}
void PaletteWiring::DialogView::setIndexTexts(const std::string& indextxt, const std::string& oindex) {
    if (dialog) dialog->setIndexTexts(indextxt, oindex);
}

PaletteWiring::PaletteWiring(ProgramState& state, WindowHost& host, WindowPaletteScreen& screen)
    : s_(state),
      host_(host),
      paletteHost_(screen.paletteHost),
      prompts_(screen.prompts),
      screen_(screen.screen),
      editor_(state, screen_, view_) {
    paletteHost_.attachPalette(state.palette);
    paletteHost_.onPaletteChanged = [this] { editor_.paletteChanged(); };
}

void PaletteWiring::attachMainWindow(MainWindow& window) {
    window_ = &window;
    paletteHost_.attach(&window, dialog_.data());
    prompts_.attach(&window, dialog_.data());
    // Until the first build the picture shows the palette record as it is.
    window.canvas()->setColourTable(DisplayColours(s_.palette));

    const auto showEditor = [this] { editor_.Pal1Click(); };
    window.setItemHandler(MenuId::Palette, showEditor);
    window.setItemHandler(MenuId::PopupPalette, showEditor);
    window.setItemHandler(MenuId::AddBorder, [this] { addborder1Click(s_, screen_); });

    std::function<void()> earlier = window.onActivated;
    window.onActivated = [this, earlier] {
        if (earlier) earlier();
        FormActivate(s_, screen_);
    };

    // While the editor changes colours, the picture is shown shrunk into the
    // window's top-left corner, over whatever is there, until it hides.
    PictureCanvas* canvas = window.canvas();
    canvas->addOverlay([this, canvas](QPainter& painter) {
        if (!editor_.previewShown()) return;
        const QImage picture = canvas->pictureBitmap();
        if (picture.isNull()) return;
        // Shrinking the indexed image first keeps the cost to the 200 x 150
        // pixels drawn, whatever the picture's size.
        const QImage shrunk =
            picture.scaled(kPreviewWidth, kPreviewHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        painter.drawImage(QPoint(0, 0), shrunk);
    });

    QObject::connect(&window, &MainWindow::closed, &window, [this] {
        paletteHost_.releaseStrip();
        s_.palette.handle.reset();
    });
}

void PaletteWiring::attachEditorDialog(PaletteEditorDialog& dialog) {
    dialog_ = &dialog;
    view_.dialog = &dialog;
    paletteHost_.attach(window_.data(), &dialog);
    prompts_.attach(window_.data(), &dialog);
    dialog.attach(&editor_, &s_.palette);
    dialog.reportError = [this](const std::exception& e) {
        host_.messageBox(std::string(e.what()) + ".", s_.applicationTitle, MessageButtons::Ok, MessageIcon::Error);
    };
}

void PaletteWiring::buildFirstPalette() {
    if (!s_.palette.handle) MakePalette(s_, screen_, BuildReport::UnlessRepeated);
}

bool PaletteWiring::takeMarks(const MarkedIndexList& marks) {
    s_.palette.marks = marks;
    return MakePalette(s_, screen_);
}

}  // namespace velmora
