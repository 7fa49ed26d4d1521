#include "palette_file_commands.hpp"

#include "main_window.hpp"
#include "palette_file.hpp"
#include "palette_wiring.hpp"
#include "program.hpp"

namespace velmora {

void SavePalette1Click(Program& program) {
    if (program.state().run.Calculating) return;
    // A name typed without an extension gets ".vmp", so that the file shows
    // among palettes, not among pictures.
    const std::optional<std::string> name = program.prompter().saveFile(
        {"SAVE PALETTE", program.settings().palsavedir, kPaletteFileFilter, kPaletteFileSuffix, "*.vmp"});
    if (name) SavePaletteFile(*name, program.state().palette.marks);
}

void LoadPalette1Click(Program& program) {
    const std::optional<std::string> name = program.prompter().openFile(
        {"LOAD PALETTE", program.settings().palloaddir, kPaletteFileFilter, kPaletteFileSuffix, "*.vmp"});
    if (!name) return;
    // Read and checked whole before the marks change: a file that is
    // refused leaves the palette as it was.
    program.palette().takeMarks(LoadPaletteFile(*name, program.state().palette.marks));
}

void ConnectPaletteFileCommands(Program& program) {
    MainWindow& window = program.mainWindow();
    window.setItemHandler(MenuId::SavePalette, [&program] { SavePalette1Click(program); });
    window.setItemHandler(MenuId::LoadPalette, [&program] { LoadPalette1Click(program); });
}

}  // namespace velmora
