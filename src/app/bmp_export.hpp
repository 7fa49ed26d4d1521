#pragma once
// File > "Save as BMP...": the picture as shown, its palette indices with
// the current colours, as an 8-bit BMP file. Nothing happens during a run.

namespace velmora {

class Program;

inline constexpr const char* kNoPictureToSaveText = "There is no picture to save.";

void FileSaveAs(Program& program);
void ConnectBmpExport(Program& program);

}  // namespace velmora
