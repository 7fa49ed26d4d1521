#pragma once
// Pictures in the desktop program: File > "Save as GIF..." and
// "Load from GIF...", and what a save or load shows in the window: the
// hourglass, the save marks and ProgressBar1.

#include <QPointer>
#include <functional>
#include <string>

#include "picture_files.hpp"
#include "prompter.hpp"
#include "session.hpp"
#include "settings.hpp"

namespace velmora {

class MainWindow;

class WindowFileHost : public PictureFileHost {
public:
    // The session is made before the window: until it is attached a save or
    // load shows nothing beyond the status line.
    void attach(MainWindow* window);

    void setBusyCursor(bool busy) override;
    void drawSaveMark(int xoff, int yoff, int row) override;
    void showLoadProgress(int maximum) override;
    void setLoadProgress(int position) override;
    void hideLoadProgress() override;

private:
    QPointer<MainWindow> window_;
    int progressMaximum_ = 1;
    int progressPercent_ = -1;
};

class PictureFileWiring {
public:
    PictureFileWiring(Session& session, const Settings& settings, Prompter& prompter, MainWindow& window);
    PictureFileWiring(const PictureFileWiring&) = delete;
    PictureFileWiring& operator=(const PictureFileWiring&) = delete;

    void SaveasGIF1Click();
    void LoadfromGIF1Click();
    void SaveasPNG1Click();
    void LoadfromPNG1Click();
    // File > "Export large picture...": width and samples, the file, then
    // the export with a progress dialog that can cancel.
    void ExportLarge1Click();
    // What "Load from GIF..." and "Load from PNG..." do once a file is
    // chosen, the file's first bytes telling which it is; a picture named on
    // the command line is loaded the same way. A file that cannot be read
    // throws an error that names it.
    LoadOutcome loadNamedGif(const std::string& fileName, LoadIntent intent = LoadIntent::ContinueUnfinished);

    // A picture was saved or loaded under this name.
    std::function<void(const std::string&)> onPictureFile;

    static constexpr const char* kSaveCaption = "Save Picture File";
    static constexpr const char* kLoadCaption = "LOAD PICTURE FILE (GIF)";
    static constexpr const char* kLoadPngCaption = "LOAD PICTURE FILE (PNG)";

private:
    // The save dialog for pictures of one kind, then `save` of the name chosen.
    template <class Save>
    void saveAs(const char* filter, const char* suffix, Save save);
    // The load dialog, then a load of the name chosen, whatever its kind.
    void loadAs(const char* caption, const char* filters, const char* fileName);

    Session& session_;
    const Settings& settings_;
    Prompter& prompter_;
    MainWindow& window_;
};

// A directory setting, or the user's home when it is empty.
std::string DirectoryOrHome(const std::string& directory);

}  // namespace velmora
