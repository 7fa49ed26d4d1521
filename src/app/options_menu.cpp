#include "options_menu.hpp"

#include "directory_rules.hpp"
#include "main_window.hpp"

namespace velmora {

void Setstartup1Click(Prompter& prompter, Settings& settings) {
    const std::optional<std::string> chosen = prompter.openFile(
        {"SET STARTUP FILE", DirectoryPart(settings.startfile), "picture (*.gif);;All files (*)", "", "*.gif"});
    if (chosen) settings.startfile = *chosen;
}

void ConnectOptionsMenu(MainWindow& window, const ProgramState& state, Prompter& prompter, Settings& settings,
                        SettingsStore& store, DirectoryChooser& chooser) {
    for (const DirectoryItem& item : kDirectoryItems) {
        window.setItemHandler(item.item, [&state, &settings, &chooser, item] {
            if (state.run.Calculating) return;
            chooser.ChooseDirectory(settings.*item.setting, item.caption);
        });
    }
    window.setItemHandler(MenuId::SetStartup, [&prompter, &settings] { Setstartup1Click(prompter, settings); });
    window.setItemHandler(MenuId::SaveOptions, [&store, &settings] { SaveOptions(store, settings); });
}

}  // namespace velmora
