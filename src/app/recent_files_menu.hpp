#pragma once
// File's list of the pictures last loaded or saved: its items, kept in the
// settings store, and what choosing one does.

#include <string>

#include "prompter.hpp"
#include "recent_files.hpp"
#include "settings_store.hpp"

namespace velmora {

class MainWindow;
class PictureFileWiring;
struct ProgramState;

class RecentFilesMenu {
public:
    RecentFilesMenu(ProgramState& state, SettingsStore& store, Prompter& prompter, MainWindow& window,
                    PictureFileWiring& files);

    // A picture was loaded or saved under this name.
    void remember(const std::string& path);
    // The item in that place: its picture is loaded, or, gone, taken off.
    void choose(size_t slot);
    const RecentFiles& files() const { return recent_; }

private:
    void showItems();
    void keep();

    ProgramState& s_;
    SettingsStore& store_;
    Prompter& prompter_;
    PictureFileWiring& files_;
    RecentFiles recent_;
};

}  // namespace velmora
