#include "picture_file_wiring.hpp"

#include <QApplication>
#include <QDir>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QProgressBar>
#include <QProgressDialog>
#include <QSpinBox>

#include <algorithm>
#include <optional>
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
    : session_(session), settings_(settings), prompter_(prompter), window_(window) {
    window.setItemHandler(MenuId::SaveAsGif, [this] { SaveasGIF1Click(); });
    window.setItemHandler(MenuId::LoadFromGif, [this] { LoadfromGIF1Click(); });
    window.setItemHandler(MenuId::SaveAsPng, [this] { SaveasPNG1Click(); });
    window.setItemHandler(MenuId::LoadFromPng, [this] { LoadfromPNG1Click(); });
    window.setItemHandler(MenuId::ExportLarge, [this] { ExportLarge1Click(); });
}

template <class Save>
void PictureFileWiring::saveAs(const char* filter, const char* suffix, Save save) {
    if (session_.state.run.Calculating) return;
    const FileDialogRequest request{kSaveCaption, DirectoryOrHome(settings_.gifsavedir), filter, suffix,
                                    std::string("*.") + suffix};
    if (const auto name = prompter_.saveFile(request))
        if (save(*name) && onPictureFile) onPictureFile(*name);
}

void PictureFileWiring::loadAs(const char* caption, const char* filters, const char* fileName) {
    if (session_.state.run.Calculating) return;
    const FileDialogRequest request{caption, DirectoryOrHome(settings_.gifloaddir), filters, "", fileName};
    if (const auto name = prompter_.openFile(request)) loadNamedGif(*name);
}

void PictureFileWiring::SaveasGIF1Click() {
    saveAs("picture (*.gif)", "gif", [this](const std::string& name) { return session_.files.SaveGif(name); });
}

void PictureFileWiring::LoadfromGIF1Click() {
    loadAs(kLoadCaption, "picture (*.gif);;picture (*.bmp);;palette (*.vmp)", "*.gif");
}

void PictureFileWiring::SaveasPNG1Click() {
    saveAs("picture (*.png)", "png", [this](const std::string& name) { return session_.files.SavePng(name); });
}

void PictureFileWiring::LoadfromPNG1Click() { loadAs(kLoadPngCaption, "picture (*.png);;picture (*.gif)", "*.png"); }

namespace {

// The size and the samples of a large picture; nothing when cancelled.
std::optional<LargeExportRequest> AskLargePicture(QWidget* parent, int width) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Export large picture");
    auto* form = new QFormLayout(&dialog);
    auto* widthBox = new QSpinBox(&dialog);
    widthBox->setRange(1, kLargestExportWidth);
    widthBox->setValue(std::clamp(width, 1, kLargestExportWidth));
    widthBox->setSuffix(" pixels");
    widthBox->setToolTip("The height is three quarters of the width");
    form->addRow("Width:", widthBox);
    auto* samplesBox = new QComboBox(&dialog);
    samplesBox->addItem("1 (palette colours, as the window computes)", 1);
    for (int n = 2; n <= kMostExportSamples; ++n)
        samplesBox->addItem(QString("%1 x %1 (smoothed, 24-bit colour)").arg(n), n);
    form->addRow("Samples per pixel:", samplesBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return LargeExportRequest{widthBox->value(), samplesBox->currentData().toInt(), 0};
}

// The progress dialog: rows written, the time left, and Cancel.
class ExportDialogProgress : public ExportProgress {
public:
    explicit ExportDialogProgress(QWidget* parent) : dialog_("Computing the picture...", "Cancel", 0, 1, parent) {
        dialog_.setWindowTitle("Export large picture");
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(0);
        clock_.start();
    }
    bool keepGoing(int done, int total) override {
        dialog_.setMaximum(total);
        dialog_.setValue(done);
        const std::string left = TimeLeftText(clock_.elapsed() / 1000.0, total > 0 ? double(done) / total : 0.0);
        dialog_.setLabelText(QString("Row %1 of %2\n%3").arg(done).arg(total).arg(QString::fromStdString(left)));
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

private:
    QProgressDialog dialog_;
    QElapsedTimer clock_;
};

}  // namespace

void PictureFileWiring::ExportLarge1Click() {
    if (session_.state.run.Calculating) return;
    const std::optional<LargeExportRequest> request = AskLargePicture(&window_, session_.state.params.siz);
    if (!request) return;
    const FileDialogRequest file{kSaveCaption, DirectoryOrHome(settings_.gifsavedir), "picture (*.png)", "png",
                                 "*.png"};
    const auto name = prompter_.saveFile(file);
    if (!name) return;
    ExportOutcome outcome;
    try {
        ExportDialogProgress progress(&window_);
        outcome = session_.files.ExportLargePng(*name, *request, progress);
    } catch (const ExportError& e) {
        session_.hosts().prompts.messageBox(std::string("Cannot export the picture: ") + e.what(),
                                            session_.state.applicationTitle, MessageButtons::Ok,
                                            MessageIcon::Information);
        return;
    }
    if (outcome.written() && onPictureFile) onPictureFile(*name);
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
