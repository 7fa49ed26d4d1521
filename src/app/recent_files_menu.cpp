#include "recent_files_menu.hpp"

#include <QFileInfo>
#include <QString>

#include "main_window.hpp"
#include "picture_file_wiring.hpp"

namespace velmora {

RecentFilesMenu::RecentFilesMenu(ProgramState& state, SettingsStore& store, Prompter& prompter, MainWindow& window,
                                 PictureFileWiring& files)
    : s_(state), store_(store), prompter_(prompter), files_(files) {
    recent_.read(store_);
    for (size_t slot = 0; slot < RecentFiles::kMaxFiles; ++slot)
        window.setItemHandler(RecentFileMenuId(static_cast<int>(slot)), [this, slot] { choose(slot); });
    files_.onPictureFile = [this](const std::string& path) { remember(path); };
    showItems();
}

void RecentFilesMenu::showItems() {
    const auto& list = recent_.files();
    s_.menu.item(MenuId::RecentLine).visible = !list.empty();
    if (s_.menu.onChanged) s_.menu.onChanged(s_.menu.item(MenuId::RecentLine));
    for (size_t slot = 0; slot < RecentFiles::kMaxFiles; ++slot) {
        MenuItem& item = s_.menu.item(RecentFileMenuId(static_cast<int>(slot)));
        item.visible = slot < list.size();
        // "&" would mark an access key in a file's name.
        QString name = slot < list.size() ? QString::fromStdString(list[slot]) : QString();
        name.replace('&', QStringLiteral("&&"));
        item.caption = QString("&%1 %2").arg(slot + 1).arg(name).toStdString();
        if (s_.menu.onChanged) s_.menu.onChanged(item);
    }
}

void RecentFilesMenu::keep() {
    showItems();
    try {
        recent_.write(store_);
    } catch (const std::exception& e) {
        // The list still works for this session.
        ReportError(prompter_, s_.applicationTitle, e);
    }
}

void RecentFilesMenu::remember(const std::string& path) {
    recent_.add(path);
    keep();
}

void RecentFilesMenu::choose(size_t slot) {
    if (s_.run.Calculating || slot >= recent_.files().size()) return;
    const std::string path = recent_.files()[slot];
    const QFileInfo file(QString::fromStdString(path));
    if (!file.isFile()) {
        prompter_.messageBox("The picture " + path + " is no longer there; it is taken off the list.",
                             s_.applicationTitle, MessageButtons::Ok, MessageIcon::Information);
        recent_.remove(path);
        keep();
        return;
    }
    files_.loadNamedGif(path);
}

}  // namespace velmora
