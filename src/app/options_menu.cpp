#include "options_menu.hpp"

#include "directory_chooser_dialog.hpp"
#include "directory_rules.hpp"
#include "main_window.hpp"
#include "program.hpp"

namespace velmora {

void Setstartup1Click(Program& program) {
    Settings& settings = program.settings();
    const std::optional<std::string> chosen = program.prompter().openFile(
        {"SET STARTUP FILE", DirectoryPart(settings.startfile), "picture (*.gif);;All files (*)", "", "*.gif"});
    if (chosen) settings.startfile = *chosen;
}

void ConnectOptionsMenu(Program& program) {
    MainWindow& window = program.mainWindow();
    for (const DirectoryItem& item : kDirectoryItems) {
        window.setItemHandler(item.item, [&program, item] {
            if (program.state().run.Calculating) return;
            program.directoryChooser().chooser().ChooseDirectory(program.settings().*item.setting, item.caption);
        });
    }
    window.setItemHandler(MenuId::SetStartup, [&program] { Setstartup1Click(program); });
    window.setItemHandler(MenuId::SaveOptions, [&program] { SaveOptions(program.settingsStore(), program.settings()); });
}

}  // namespace velmora
