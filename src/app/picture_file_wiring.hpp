#pragma once
// Pictures in the desktop program: File > "Save as GIF..." and
// "Load from GIF...", the start-up picture, the hourglass, the save marks,
// ProgressBar1, and the custom formula dialog's field as saved pictures
// carry it.

#include <string>

#include "picture_files.hpp"

namespace velmora {

class Program;

class PictureFileWiring : public PictureFileHost, public CustomFormulaField {
public:
    // After the main window, the custom formula dialog and the palette.
    explicit PictureFileWiring(Program& program);
    PictureFileWiring(const PictureFileWiring&) = delete;
    PictureFileWiring& operator=(const PictureFileWiring&) = delete;

    PictureFiles& files() { return files_; }

    void SaveasGIF1Click();
    void LoadfromGIF1Click();
    // What "Load from GIF..." does once a file is chosen; a picture named on
    // the command line is loaded the same way. File errors are thrown.
    void loadNamedGif(const std::string& fileName);

    static constexpr const char* kSaveCaption = "Save Picture File";
    static constexpr const char* kLoadCaption = "LOAD PICTURE FILE (GIF)";

    void setBusyCursor(bool busy) override;
    void drawSaveMark(int xoff, int yoff, int row) override;
    void showLoadProgress(int maximum) override;
    void setLoadProgress(int position) override;
    void hideLoadProgress() override;
    void marksReplaced() override;

    std::string formulaText() const override;
    void setFormulaText(const std::string& text) override;

private:
    Program& program_;
    PictureFiles files_;
    int progressMaximum_ = 1;
    int progressPercent_ = -1;
};

// A directory setting, or the user's home when it is empty.
std::string DirectoryOrHome(const std::string& directory);

}  // namespace velmora
