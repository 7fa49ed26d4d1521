#pragma once
// File > "Save Palette" and "Load Palette": the marked entries to and from
// a palette file. Loading works during a run too and recolours the picture
// at once; saving does nothing during a run.

namespace velmora {

class Program;

inline constexpr const char* kPaletteFileFilter = "palette (*.vmp);;All files (*)";

void SavePalette1Click(Program& program);
void LoadPalette1Click(Program& program);
void ConnectPaletteFileCommands(Program& program);

}  // namespace velmora
