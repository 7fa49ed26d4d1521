#include "picture_file_wiring.hpp"

#include <QApplication>
#include <QDir>
#include <QProgressBar>

#include "custom_formula_dialog.hpp"
#include "main_window.hpp"
#include "palette_wiring.hpp"
#include "picture_canvas.hpp"
#include "program.hpp"

namespace velmora {

std::string DirectoryOrHome(const std::string& directory) {
    return directory.empty() ? QDir::homePath().toStdString() : directory;
}

PictureFileWiring::PictureFileWiring(Program& program)
    : program_(program),
      files_(program.state(), program.actions(), program.driver(), *this,
             {program.host(), program.host(), *this}) {
    program.driver().addObserver(files_);
    program.mainWindow().setItemHandler(MenuId::SaveAsGif, [this] { SaveasGIF1Click(); });
    program.mainWindow().setItemHandler(MenuId::LoadFromGif, [this] { LoadfromGIF1Click(); });
}

void PictureFileWiring::SaveasGIF1Click() {
    if (program_.state().run.Calculating) return;
    const FileDialogRequest request{kSaveCaption, DirectoryOrHome(program_.settings().gifsavedir),
                                    "picture (*.gif)", "gif", "*.gif"};
    if (const auto name = program_.prompter().saveFile(request)) files_.SaveGif(*name);
}

void PictureFileWiring::LoadfromGIF1Click() {
    PictureParameters& p = program_.state().params;
    if (p.Calculating) return;
    const FileDialogRequest request{kLoadCaption, DirectoryOrHome(program_.settings().gifloaddir),
                                    "picture (*.gif);;picture (*.bmp);;palette (*.vmp)", "", "*.gif"};
    if (const auto name = program_.prompter().openFile(request))
        loadNamedGif(*name);
    else
        p.KeepBuffer = false;
}

void PictureFileWiring::loadNamedGif(const std::string& fileName) {
    PictureParameters& p = program_.state().params;
    // The picture keeps its buffer for the continuation; whatever happens,
    // the next run after it starts afresh.
    struct KeepBufferWhileLoading {
        bool& flag;
        ~KeepBufferWhileLoading() { flag = false; }
    } keep{p.KeepBuffer};
    p.KeepBuffer = true;
    files_.LoadGif(fileName);
}

void PictureFileWiring::setBusyCursor(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
}

void PictureFileWiring::drawSaveMark(int xoff, int yoff, int row) {
    program_.mainWindow().canvas()->drawSaveMark(xoff - 10, xoff, yoff + row);
}

void PictureFileWiring::showLoadProgress(int maximum) {
    progressMaximum_ = maximum > 0 ? maximum : 1;
    progressPercent_ = 0;
    program_.mainWindow().canvas()->showLoadProgress(0);
}

void PictureFileWiring::setLoadProgress(int position) {
    const int percent = static_cast<int>(int64_t{position} * 100 / progressMaximum_);
    if (percent == progressPercent_) return;
    progressPercent_ = percent;
    PictureCanvas* canvas = program_.mainWindow().canvas();
    canvas->showLoadProgress(percent);
    // The load does not pump events: the bar is painted as it moves.
    canvas->progressBar1()->repaint();
}

void PictureFileWiring::hideLoadProgress() { program_.mainWindow().canvas()->hideLoadProgress(); }

void PictureFileWiring::marksReplaced() { program_.palette().takeMarks(program_.state().palette.marks); }

std::string PictureFileWiring::formulaText() const { return program_.customFormulaDialog().formulaText(); }

void PictureFileWiring::setFormulaText(const std::string& text) { program_.customFormulaDialog().setFormulaText(text); }

}  // namespace velmora
