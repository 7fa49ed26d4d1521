#pragma once
// File > "Save Palette" and "Load Palette": the marked entries to and from
// a palette file. Loading works during a run too and recolours the picture
// at once; saving does nothing during a run.

#include "program_state.hpp"
#include "prompter.hpp"
#include "settings.hpp"

namespace velmora {

class MainWindow;
class PaletteWiring;

inline constexpr const char* kPaletteFileFilter = "palette (*.vmp);;All files (*)";

void ConnectPaletteFileCommands(MainWindow& window, const ProgramState& state, Prompter& prompter,
                                const Settings& settings, PaletteWiring& palette);

}  // namespace velmora
