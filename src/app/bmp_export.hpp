#pragma once
// File > "Save as BMP...": the picture as shown, its palette indices with
// the current colours, as an 8-bit BMP file. Nothing happens during a run.

#include "directory_chooser.hpp"
#include "program_state.hpp"
#include "prompter.hpp"

namespace velmora {

class MainWindow;

inline constexpr const char* kNoPictureToSaveText = "There is no picture to save.";

void ConnectBmpExport(MainWindow& window, const ProgramState& state, Prompter& prompter,
                      const DirectoryChooser& chooser);

}  // namespace velmora
