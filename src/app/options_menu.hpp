#pragma once
// The Options menu's settings items: the four working directories through
// the directory chooser (not during a run), the start-up picture through
// the open-file dialog, and "Save options".

#include "directory_chooser.hpp"
#include "program_state.hpp"
#include "prompter.hpp"
#include "settings.hpp"
#include "settings_store.hpp"

namespace velmora {

class MainWindow;

void ConnectOptionsMenu(MainWindow& window, const ProgramState& state, Prompter& prompter, Settings& settings,
                        SettingsStore& store, DirectoryChooser& chooser);

// "Set startup picture filename": the open dialog at the folder of the
// current start-up picture; a confirmed choice becomes the start-up picture.
void Setstartup1Click(Prompter& prompter, Settings& settings);

}  // namespace velmora
