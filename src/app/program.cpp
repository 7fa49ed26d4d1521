#include "program.hpp"

#include <QApplication>
#include <QLayout>
#include <QScreen>
#include <QTimer>

#include "bmp_export.hpp"
#include "custom_formula_dialog.hpp"
#include "directory_chooser_dialog.hpp"
#include "help_viewer.hpp"
#include "julia_preview_window.hpp"
#include "main_window.hpp"
#include "navigation_wiring.hpp"
#include "recent_files_menu.hpp"
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
      host_(prompter),
      session_({host_, host_, host_, paletteScreen_.screen, fileHost_, customFormulaHost_}),
      palette_(std::make_unique<PaletteWiring>(session_.state, host_, paletteScreen_)) {
    // The window's thread paints and handles input during a run; the
    // columns are computed on threads of their own, so that neither waits
    // for the other.
    session_.driver.setCommitterComputes(false);
}

Program::~Program() {
    if (helpKeys_ && qApp) qApp->removeEventFilter(helpKeys_.get());
}

void Program::start() {
    host_.setApplicationTitle(kApplicationTitle);
    help_ = std::make_unique<HelpViewer>();
    helpKeys_ = std::make_unique<HelpKeyFilter>(*help_);
    qApp->installEventFilter(helpKeys_.get());

    InitialiseMainWindowState(session_.state);
    mainWindow_ = std::make_unique<MainWindow>(session_.state, session_.actions, session_.driver, prompter_, *help_);
    host_.attachMainWindow(mainWindow_.get());
    fileHost_.attach(mainWindow_.get());
    palette_->attachMainWindow(*mainWindow_);
    zoom_ = std::make_unique<ZoomWiring>(session_.state, *mainWindow_->canvas(), session_.driver, prompter_, host_);
    navigation_ = std::make_unique<NavigationWiring>(session_, *mainWindow_, host_, customFormulaHost_, prompter_,
                                                     zoom_.get());
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
    customFormulaHost_.attach(customFormula_);
    paletteEditor_ = new PaletteEditorDialog(mainWindow_.get());
    palette_->attachEditorDialog(*paletteEditor_);
    files_ = std::make_unique<PictureFileWiring>(session_, settings_, prompter_, *mainWindow_);
    createParametersDialog();
    // After the settings are read: a first start has just made their key.
    recent_ = std::make_unique<RecentFilesMenu>(session_.state, settingsStore_, prompter_, *mainWindow_, *files_);
    directoryChooser_ = new DirectoryChooserDialog(session_.state, prompter_, mainWindow_.get());
    MainWindow& window = *mainWindow_;
    ConnectOptionsMenu(window, session_.state, prompter_, settings_, settingsStore_, directoryChooser_->chooser());
    ConnectPaletteFileCommands(window, session_.state, prompter_, settings_, *palette_);
    ConnectBmpExport(window, session_.state, prompter_, directoryChooser_->chooser());
    juliaPreview_ = new JuliaPreviewWindow(session_, mainWindow_.get());
    window.setItemHandler(MenuId::JuliaPreview, [this] { juliaPreview_->open(); });
    navigation_->onPointerPlane = [this](const PlanePosition& point) { juliaPreview_->pointerAt(point); };
    palette_->buildFirstPalette();

    mainWindow_->showMaximized();
}

void Program::createParametersDialog() {
    parameters_ = new ParametersDialog(session_.state, session_.actions, prompter_, mainWindow_.get());
    host_.attachParametersDialog(parameters_);
    // "z^2+c" once more.
    InitialiseParametersDialogState(session_.actions);
    readSettings();
    loadStartupPicture();
}

void Program::readSettings() {
    try {
        InstallSettings(settingsStore_, firstStart_);
    } catch (const std::exception& e) {
        // Without settings the program still starts, with none.
        ReportError(prompter_, session_.state.applicationTitle, e);
    }
    for (const std::string& error : ReadSettings(settingsStore_, settings_))
        ReportError(prompter_, session_.state.applicationTitle, std::runtime_error(error));
}

const std::string& Program::CurrentFileName() const { return session_.files.CurrentFileName(); }

void Program::loadStartupPicture() {
    if (!commandLinePicture_.empty()) {
        loadCommandLinePicture();
        return;
    }
    // No start-up picture named: nothing is loaded and nothing is said. A
    // picture that cannot be read leaves the status line and the current
    // file as they were.
    const std::string& name = settings_.startfile;
    if (name.empty()) return;
    try {
        continueOnceShown(session_.files.LoadGif(name, LoadIntent::KeepAsLoaded));
    } catch (const std::exception& e) {
        prompter_.messageBox(std::string(kRegistryErrorPrefix) + e.what() + ": " + name + " ",
                             session_.state.applicationTitle, MessageButtons::Ok, MessageIcon::Information);
    }
}

void Program::loadCommandLinePicture() {
    // Start-up runs outside the event loop, so the error report that the
    // loop gives an uncaught error is given here.
    try {
        continueOnceShown(files_->loadNamedGif(commandLinePicture_, LoadIntent::KeepAsLoaded));
    } catch (const std::exception& e) {
        ReportError(prompter_, session_.state.applicationTitle, e);
    }
}

// An unfinished picture goes on computing once the window is up, so that it
// can be watched and cancelled however long it takes.
void Program::continueOnceShown(const LoadOutcome& outcome) {
    if (!outcome.loaded() || outcome.finished) return;
    QTimer::singleShot(0, mainWindow_.get(), [this] { session_.driver.Continue(); });
}

}  // namespace velmora
