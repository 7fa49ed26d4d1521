#pragma once
// The window's menu bar and pop-up menu, built from the menu model and kept
// in step with it: every caption, shortcut, check mark, enabled and visible
// state is the model's, item for item.

#include <QObject>

#include <functional>
#include <string>
#include <unordered_map>

#include "menu_model.hpp"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace velmora {

class MenuMirror : public QObject {
    Q_OBJECT
public:
    MenuMirror(MenuModel& model, QMenuBar* bar, QWidget* popupParent);
    ~MenuMirror() override;

    // The action of a model item (a menu's own action for items with a
    // sub-menu), or nullptr.
    QAction* action(const std::string& name) const;
    QAction* action(const MenuItem& item) const;
    QMenu* popupMenu() const { return popup_; }

    // Copies every state of the model onto the actions.
    void syncAll();

    // Called with the item when an item is chosen, and when a sub-menu
    // opens (an item with a sub-menu acts as it opens).
    std::function<void(MenuId)> onItem;

private:
    void buildChildren(MenuItem& parent, QMenu* menu);
    QAction* addItem(MenuItem& item, QMenu* menu);
    void bind(MenuItem& item, QAction* action);
    void sync(const MenuItem& item);
    void syncTree(const MenuItem& item);
    void chosen(MenuItem& item);

    MenuModel& model_;
    QMenuBar* bar_;
    QMenu* popup_;
    std::unordered_map<const MenuItem*, QAction*> actions_;
    std::unordered_map<std::string, QAction*> byName_;
};

}  // namespace velmora
