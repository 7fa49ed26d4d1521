#pragma once
// The program object: owns the state and every window, and runs the
// start-up sequence that creates the windows in their fixed order.

#include <memory>
#include <string>

#include "custom_formula_dialog.hpp"
#include "palette_wiring.hpp"
#include "picture_file_wiring.hpp"
#include "prompter.hpp"
#include "session.hpp"
#include "settings.hpp"
#include "window_host.hpp"

namespace velmora {

class CustomFormulaDialog;
class DirectoryChooserDialog;
class HelpKeyFilter;
class HelpViewer;
class JuliaPreviewWindow;
class MainWindow;
class NavigationWiring;
class RecentFilesMenu;
class PaletteEditorDialog;
class ParametersDialog;
class ZoomWiring;

// The desktop program: a session with the window's hosts, and the windows.
class Program {
public:
    // `store` is the per-user settings store; when it holds no settings yet
    // (a user's first start), `firstStart` is written into it.
    Program(Prompter& prompter, SettingsStore& store, Settings firstStart = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Creates the main window, the custom formula dialog, the palette
    // editor, the parameters dialog (which reads the settings, creating
    // them on a first start, and loads the start-up picture) and the
    // directory chooser, then shows the main window maximised. Closing the
    // main window ends the event loop.
    void start();

    // A picture named on the command line: start() loads it in place of the
    // settings' start-up picture, as "Load from GIF..." would, and reports a
    // missing or refused file as that menu item reports it.
    void setCommandLinePicture(const std::string& fileName) { commandLinePicture_ = fileName; }

    Session& session() { return session_; }
    ProgramState& state() { return session_.state; }
    Prompter& prompter() { return prompter_; }
    WindowHost& host() { return host_; }
    ModeActions& actions() { return session_.actions; }
    RenderDriver& driver() { return session_.driver; }
    HelpViewer& help() { return *help_; }
    MainWindow& mainWindow() { return *mainWindow_; }
    CustomFormulaDialog& customFormulaDialog() { return *customFormula_; }
    PaletteEditorDialog& paletteEditor() { return *paletteEditor_; }
    // The palette, its editor and what shows them.
    PaletteWiring& palette() { return *palette_; }
    ParametersDialog& parametersDialog() { return *parameters_; }
    DirectoryChooserDialog& directoryChooser() { return *directoryChooser_; }
    ZoomWiring& zoom() { return *zoom_; }
    // History, wheel, keys and the picture's place.
    NavigationWiring& navigation() { return *navigation_; }
    // Saving and loading pictures.
    PictureFileWiring& pictureFiles() { return *files_; }
    // File's list of the pictures last loaded or saved.
    RecentFilesMenu& recentFiles() { return *recent_; }
    // Action > Julia Preview's window.
    JuliaPreviewWindow& juliaPreview() { return *juliaPreview_; }

    // The five settings as the program holds them now.
    Settings& settings() { return settings_; }
    SettingsStore& settingsStore() { return settingsStore_; }
    // The picture file last loaded (or asked for at start-up).
    const std::string& CurrentFileName() const;

    static constexpr const char* kRegistryErrorPrefix = "Error in Registry...";

private:
    void createParametersDialog();
    void readSettings();
    void loadStartupPicture();
    void loadCommandLinePicture();
    void continueOnceShown(const LoadOutcome& outcome);

    Prompter& prompter_;
    SettingsStore& settingsStore_;
    Settings firstStart_;
    // The hosts the session shows through; made before it, given the
    // windows as they are made.
    WindowHost host_;
    WindowPaletteScreen paletteScreen_{host_};
    WindowFileHost fileHost_;
    WindowCustomFormula customFormulaHost_;
    Session session_;
    Settings settings_;
    std::unique_ptr<HelpViewer> help_;
    std::unique_ptr<HelpKeyFilter> helpKeys_;
    // Outlives the windows that show the palette.
    std::unique_ptr<PaletteWiring> palette_;
    // The dialogs are children of the main window and go with it.
    std::unique_ptr<MainWindow> mainWindow_;
    CustomFormulaDialog* customFormula_ = nullptr;
    PaletteEditorDialog* paletteEditor_ = nullptr;
    ParametersDialog* parameters_ = nullptr;
    DirectoryChooserDialog* directoryChooser_ = nullptr;
    JuliaPreviewWindow* juliaPreview_ = nullptr;
    // Declared after the main window so that it goes first: it draws on
    // the window's client area.
    std::unique_ptr<ZoomWiring> zoom_;
    // Hands the mouse on to the zoom, so it goes first.
    std::unique_ptr<NavigationWiring> navigation_;
    std::unique_ptr<PictureFileWiring> files_;
    std::unique_ptr<RecentFilesMenu> recent_;
    std::string commandLinePicture_;
};

}  // namespace velmora
