#include "palette_file_commands.hpp"

#include "main_window.hpp"
#include "palette_file.hpp"
#include "palette_wiring.hpp"

namespace velmora {
namespace {

void SavePalette1Click(const ProgramState& state, Prompter& prompter, const Settings& settings) {
    if (state.run.Calculating) return;
    // A name typed without an extension gets ".vmp", so that the file shows
    // among palettes, not among pictures.
    const std::optional<std::string> name = prompter.saveFile(
        {"SAVE PALETTE", settings.palsavedir, kPaletteFileFilter, kPaletteFileSuffix, "*.vmp"});
    if (name) SavePaletteFile(*name, state.palette.marks);
}

void LoadPalette1Click(const ProgramState& state, Prompter& prompter, const Settings& settings,
                       PaletteWiring& palette) {
    const std::optional<std::string> name = prompter.openFile(
        {"LOAD PALETTE", settings.palloaddir, kPaletteFileFilter, kPaletteFileSuffix, "*.vmp"});
    if (!name) return;
    // Read and checked whole before the marks change: a file that is
    // refused leaves the palette as it was.
    palette.takeMarks(LoadPaletteFile(*name, state.palette.marks));
}

}  // namespace

void ConnectPaletteFileCommands(MainWindow& window, const ProgramState& state, Prompter& prompter,
                                const Settings& settings, PaletteWiring& palette) {
    window.setItemHandler(MenuId::SavePalette,
                          [&state, &prompter, &settings] { SavePalette1Click(state, prompter, settings); });
    window.setItemHandler(MenuId::LoadPalette, [&state, &prompter, &settings, &palette] {
        LoadPalette1Click(state, prompter, settings, palette);
    });
}

}  // namespace velmora
