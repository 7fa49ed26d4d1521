#pragma once
// The main menu and the pop-up menu as plain data: captions, check marks,
// radio groups, enabled and visible states. The window mirrors this model.

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "menu_id.hpp"

namespace velmora {

struct MenuItem {
    MenuId id{};
    std::string name;      // the item's object name in the window
    std::string caption;   // "&" marks the access key
    std::string shortcut;  // "F2", "Space", "Alt+X", or empty
    bool checked = false;
    bool radioItem = false;
    int groupIndex = 0;
    bool enabled = true;
    bool visible = true;
    int value = -1;  // the mode value an item stores (formula, stalk type ...)
    MenuItem* parent = nullptr;
    std::vector<std::unique_ptr<MenuItem>> children;

    MenuItem& child(size_t position) const { return *children.at(position); }
    size_t count() const { return children.size(); }
};

class MenuModel {
public:
    MenuModel();
    MenuModel(const MenuModel&) = delete;
    MenuModel& operator=(const MenuModel&) = delete;

    MenuItem& mainMenu() { return main_; }
    MenuItem& popupMenu() { return popup_; }
    const MenuItem& mainMenu() const { return main_; }
    const MenuItem& popupMenu() const { return popup_; }

    // The item of that identifier in either menu (or either menu itself);
    // item() throws std::out_of_range when there is none.
    MenuItem& item(MenuId id);
    const MenuItem& item(MenuId id) const;
    MenuItem* find(MenuId id);

    // Checking or unchecking a radio item of a non-zero group first clears
    // every other radio item of that group under the same parent.
    void setChecked(MenuItem& item, bool checked);
    void setChecked(MenuId id, bool checked) { setChecked(item(id), checked); }
    bool isChecked(MenuId id) const { return item(id).checked; }

    void setEnabled(MenuItem& item, bool enabled);

    // Disables every top item, every sub-item of a top item and every pop-up
    // item, then enables what stays usable during a run.
    void lockForRun();
    // Enables every top item, every sub-item of a top item and every pop-up
    // item, except the items that have nothing to act on.
    void unlockAll();
    // An item with nothing to act on (Back at the oldest view, say) stays
    // greyed, also when the menus unlock after a run; made available, it is
    // enabled unless a run has the menus locked.
    void setAvailable(MenuId id, bool available);

    // Called after every change of an item's state.
    std::function<void(MenuItem&)> onChanged;

private:
    void notify(MenuItem& item) {
        if (onChanged) onChanged(item);
    }
    MenuItem main_;
    MenuItem popup_;
    std::set<MenuId> unavailable_;
    bool locked_ = false;
};

}  // namespace velmora
