#include "program.hpp"

#include <QApplication>
#include <QLayout>
#include <QScreen>

#include "bmp_export.hpp"
#include "custom_formula_dialog.hpp"
#include "directory_chooser_dialog.hpp"
#include "help_viewer.hpp"
#include "main_window.hpp"
#include "options_menu.hpp"
#include "palette_editor_dialog.hpp"
#include "custom_formula.hpp"
#include "palette_file_commands.hpp"
#include "palette_wiring.hpp"
#include "parameters_dialog.hpp"
#include "picture_file_wiring.hpp"
#include "startup.hpp"
#include "zoom_wiring.hpp"

namespace velmora {

Program::Program(Prompter& prompter, SettingsStore& store, Settings firstStart)
    : prompter_(prompter),
      settingsStore_(store),
      firstStart_(std::move(firstStart)),
      host_(state_, prompter),
      actions_(state_, this),
      driver_(state_, host_, host_, host_),
      palette_(std::make_unique<PaletteWiring>(state_, host_)) {
    driver_.addObserver(palette_->runObserver());
}

Program::~Program() {
    if (helpKeys_ && qApp) qApp->removeEventFilter(helpKeys_.get());
}

void Program::start() {
    host_.setApplicationTitle(kApplicationTitle);
    help_ = std::make_unique<HelpViewer>();
    helpKeys_ = std::make_unique<HelpKeyFilter>(*help_);
    qApp->installEventFilter(helpKeys_.get());

    InitialiseMainWindowState(state_);
    mainWindow_ = std::make_unique<MainWindow>(state_, actions_, driver_, prompter_, *help_);
    host_.attachMainWindow(mainWindow_.get());
    palette_->attachMainWindow(*mainWindow_);
    zoom_ = std::make_unique<ZoomWiring>(state_, *mainWindow_->canvas(), driver_, prompter_, host_);
    // Sized like the maximised window already, so that a picture started
    // during start-up is placed as it will be seen.
    if (QScreen* screen = mainWindow_->screen()) mainWindow_->setGeometry(screen->availableGeometry());
    // A hidden window lays out its canvas only when asked to.
    mainWindow_->layout()->activate();
    QObject::connect(mainWindow_.get(), &MainWindow::closed, mainWindow_.get(), [this] {
        help_->close();
        QCoreApplication::quit();
    });

    customFormula_ = new CustomFormulaDialog(mainWindow_.get());
    ConnectCustomFormula(*this);
    paletteEditor_ = new PaletteEditorDialog(mainWindow_.get());
    palette_->attachEditorDialog(*paletteEditor_);
    files_ = std::make_unique<PictureFileWiring>(*this);
    createParametersDialog();
    directoryChooser_ = new DirectoryChooserDialog(state_, prompter_, mainWindow_.get());
    ConnectOptionsMenu(*this);
    ConnectPaletteFileCommands(*this);
    ConnectBmpExport(*this);
    palette_->buildFirstPalette();

    mainWindow_->showMaximized();
}

void Program::readCustomFormula() {
    // A picture being loaded brings its own formula: no dialog then.
    if (!state_.params.KeepBuffer) customFormula_->runModal();
    ReadAndCompileCustomFormula(state_, host_, customFormula_->constantTexts());
}

void Program::createParametersDialog() {
    parameters_ = new ParametersDialog(state_, actions_, prompter_, mainWindow_.get());
    host_.attachParametersDialog(parameters_);
    // "z^2+c" once more, and KeepBuffer for the picture about to be loaded.
    InitialiseParametersDialogState(state_, actions_);
    readSettings();
    loadStartupPicture();
}

void Program::readSettings() {
    try {
        InstallSettings(settingsStore_, firstStart_);
    } catch (const std::exception& e) {
        // Without settings the program still starts, with none.
        ReportError(prompter_, state_.applicationTitle, e);
    }
    for (const std::string& error : ReadSettings(settingsStore_, settings_))
        ReportError(prompter_, state_.applicationTitle, std::runtime_error(error));
}

const std::string& Program::CurrentFileName() const { return files_->files().CurrentFileName(); }

void Program::loadStartupPicture() {
    if (!commandLinePicture_.empty()) {
        loadCommandLinePicture();
        return;
    }
    PictureFiles& files = files_->files();
    files.setCurrentFileName(settings_.startfile);
    // No start-up picture named: nothing is loaded, nothing is said, and no
    // picture is waiting to be kept by the first run.
    if (settings_.startfile.empty()) {
        state_.params.KeepBuffer = false;
        return;
    }
    try {
        files.LoadGif(settings_.startfile);
    } catch (const std::exception& e) {
        prompter_.messageBox(std::string(kRegistryErrorPrefix) + e.what() + " ", state_.applicationTitle,
                          MessageButtons::Ok, MessageIcon::Information);
    }
}

void Program::loadCommandLinePicture() {
    // Start-up runs outside the event loop, so the error report that the
    // loop gives an uncaught error is given here.
    try {
        files_->loadNamedGif(commandLinePicture_);
    } catch (const std::exception& e) {
        ReportError(prompter_, state_.applicationTitle, e);
    }
}

}  // namespace velmora
