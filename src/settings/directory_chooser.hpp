#pragma once
// The directory chooser of the Options menu, without its window: a drive
// selector (the mounted volumes), a directory list, the label that shows the
// choice, and ChosenDirectory, the directory it last reported. The
// directory items of the Options menu run ChooseDirectory; the dialog passes
// the user's navigation back in.

#include <map>
#include <string>
#include <vector>

#include "menu_id.hpp"
#include "settings.hpp"

namespace velmora {

class DirectoryChooserView {
public:
    virtual ~DirectoryChooserView() = default;
    // The roots of the mounted volumes, the drive selector's choices.
    virtual std::vector<std::string> volumes() = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void showDrive(const std::string& volume) = 0;
    // The list shows this directory, its parents and its folders.
    virtual void showDirectory(const std::string& directory) = 0;
    virtual void setLabel(const std::string& text) = 0;  // sdir
    // Modal; its result does not matter: closing by the frame keeps the
    // choice as OK does.
    virtual void showModal() = 0;
};

class DirectoryChooser {
public:
    explicit DirectoryChooser(DirectoryChooserView& view) : view_(view) {}

    // Created at start-up: the list at the working directory, the label
    // showing ChosenDirectory (empty until the list first moves).
    void create();

    // One directory item for `setting`: the caption; the drive of the
    // setting; the list at the setting's folder, read afresh (at the folder
    // above it when that one has gone); the label showing it; the dialog;
    // then the setting becomes ChosenDirectory. So confirming at once keeps
    // the setting. When neither folder can be entered, the error of the one
    // above is thrown before anything is shown, and the setting stays as it
    // was. An empty setting (or one without a folder) opens where the list
    // is, and that is what confirming stores.
    void ChooseDirectory(std::string& setting, const std::string& caption);

    // The user's navigation.
    void driveSelected(const std::string& volume);
    void directoryOpened(const std::string& directory);
    void listClicked();

    const std::string& ChosenDirectory() const { return chosen_; }
    const std::string& listDirectory() const { return directory_; }
    const std::string& drive() const { return drive_; }

private:
    // Moves the list (and the process's working directory) there; throws
    // when it cannot. A move updates ChosenDirectory and the label.
    void moveList(const std::string& directory);
    void report(const std::string& directory);

    DirectoryChooserView& view_;
    std::string drive_;
    std::string directory_;
    std::string chosen_;
    // The directory the list last showed on each volume, where a change of
    // drive takes it back to.
    std::map<std::string, std::string> lastOnDrive_;
};

// The Options menu's directory items: menu item, setting, chooser caption.
struct DirectoryItem {
    MenuId item;
    std::string Settings::*setting;
    const char* caption;
};
inline constexpr DirectoryItem kDirectoryItems[] = {
    {MenuId::PictureLoadDirectory, &Settings::gifloaddir, "SELECT PICTURE LOAD DIRECTORY"},
    {MenuId::PictureSaveDirectory, &Settings::gifsavedir, "SELECT PICTURE SAVE DIRECTORY"},
    {MenuId::PaletteLoadDirectory, &Settings::palloaddir, "SELECT PALETTE LOAD DIRECTORY"},
    {MenuId::PaletteSaveDirectory, &Settings::palsavedir, "SELECT PALETTE SAVE DIRECTORY"},
};

}  // namespace velmora
