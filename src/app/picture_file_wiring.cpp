#include "picture_file_wiring.hpp"

#include <QApplication>
#include <QDir>
#include <QProgressBar>

#include <stdexcept>

#include "fault.hpp"
#include "main_window.hpp"
#include "picture_canvas.hpp"

namespace velmora {

std::string DirectoryOrHome(const std::string& directory) {
    return directory.empty() ? QDir::homePath().toStdString() : directory;
}

PictureFileWiring::PictureFileWiring(Session& session, const Settings& settings, Prompter& prompter,
                                     MainWindow& window)
    : session_(session), settings_(settings), prompter_(prompter) {
    window.setItemHandler(MenuId::SaveAsGif, [this] { SaveasGIF1Click(); });
    window.setItemHandler(MenuId::LoadFromGif, [this] { LoadfromGIF1Click(); });
    window.setItemHandler(MenuId::SaveAsPng, [this] { SaveasPNG1Click(); });
    window.setItemHandler(MenuId::LoadFromPng, [this] { LoadfromPNG1Click(); });
}

void PictureFileWiring::SaveasGIF1Click() {
    if (session_.state.run.Calculating) return;
    const FileDialogRequest request{kSaveCaption, DirectoryOrHome(settings_.gifsavedir), "picture (*.gif)", "gif",
                                    "*.gif"};
    if (const auto name = prompter_.saveFile(request))
        if (session_.files.SaveGif(*name) && onPictureFile) onPictureFile(*name);
}

void PictureFileWiring::LoadfromGIF1Click() {
    if (session_.state.run.Calculating) return;
    const FileDialogRequest request{kLoadCaption, DirectoryOrHome(settings_.gifloaddir),
                                    "picture (*.gif);;picture (*.bmp);;palette (*.vmp)", "", "*.gif"};
    if (const auto name = prompter_.openFile(request)) loadNamedGif(*name);
}

void PictureFileWiring::SaveasPNG1Click() {
    if (session_.state.run.Calculating) return;
    const FileDialogRequest request{kSaveCaption, DirectoryOrHome(settings_.gifsavedir), "picture (*.png)", "png",
                                    "*.png"};
    if (const auto name = prompter_.saveFile(request))
        if (session_.files.SavePng(*name) && onPictureFile) onPictureFile(*name);
}

void PictureFileWiring::LoadfromPNG1Click() {
    if (session_.state.run.Calculating) return;
    const FileDialogRequest request{kLoadPngCaption, DirectoryOrHome(settings_.gifloaddir),
                                    "picture (*.png);;picture (*.gif)", "", "*.png"};
    if (const auto name = prompter_.openFile(request)) loadNamedGif(*name);
}

LoadOutcome PictureFileWiring::loadNamedGif(const std::string& fileName, LoadIntent intent) {
    try {
        LoadOutcome outcome = session_.files.LoadPicture(fileName, intent);
        if (outcome.loaded() && onPictureFile) onPictureFile(fileName);
        return outcome;
    } catch (const FaultError& e) {
        throw std::runtime_error(std::string(e.what()) + ": " + fileName);
    }
}

void WindowFileHost::attach(MainWindow* window) { window_ = window; }

void WindowFileHost::setBusyCursor(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
}

void WindowFileHost::drawSaveMark(int xoff, int yoff, int row) {
    if (window_) window_->canvas()->drawSaveMark(xoff - 10, xoff, yoff + row);
}

void WindowFileHost::showLoadProgress(int maximum) {
    progressMaximum_ = maximum > 0 ? maximum : 1;
    progressPercent_ = 0;
    if (window_) window_->canvas()->showLoadProgress(0);
}

void WindowFileHost::setLoadProgress(int position) {
    const int percent = static_cast<int>(int64_t{position} * 100 / progressMaximum_);
    if (percent == progressPercent_ || !window_) return;
    progressPercent_ = percent;
    PictureCanvas* canvas = window_->canvas();
    canvas->showLoadProgress(percent);
    // The load does not pump events: the bar is painted as it moves.
    canvas->progressBar1()->repaint();
}

void WindowFileHost::hideLoadProgress() {
    if (window_) window_->canvas()->hideLoadProgress();
}

}  // namespace velmora
