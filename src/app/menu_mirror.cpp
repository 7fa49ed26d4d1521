#include "menu_mirror.hpp"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>

namespace velmora {

MenuMirror::MenuMirror(MenuModel& model, QMenuBar* bar, QWidget* popupParent)
    : QObject(bar), model_(model), bar_(bar), popup_(new QMenu(popupParent)) {
    popup_->setObjectName("PopupMenu1");
    // The order of the items is part of their identity, so the menus stay in
    // the window even where the desktop offers a global menu bar.
    bar_->setNativeMenuBar(false);

    for (auto& top : model_.mainMenu().children) {
        QAction* action = nullptr;
        if (top->children.empty()) {
            action = bar_->addAction(QString::fromStdString(top->caption));
        } else {
            QMenu* menu = bar_->addMenu(QString::fromStdString(top->caption));
            buildChildren(*top, menu);
            action = menu->menuAction();
            MenuItem* item = top.get();
            connect(menu, &QMenu::aboutToShow, this, [this, item] { chosen(*item); });
        }
        bind(*top, action);
    }
    buildChildren(model_.popupMenu(), popup_);

    model_.onChanged = [this](MenuItem& item) { sync(item); };
    syncAll();
}

MenuMirror::~MenuMirror() { model_.onChanged = nullptr; }

void MenuMirror::buildChildren(MenuItem& parent, QMenu* menu) {
    // Radio items show as such: one group per radio group under a parent.
    // The group may be left with nothing checked, as the model allows.
    std::unordered_map<int, QActionGroup*> groups;
    for (auto& child : parent.children) {
        QAction* action = addItem(*child, menu);
        if (child->radioItem && child->groupIndex != 0) {
            QActionGroup*& group = groups[child->groupIndex];
            if (!group) {
                group = new QActionGroup(menu);
                group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            }
            group->addAction(action);
        }
    }
}

QAction* MenuMirror::addItem(MenuItem& item, QMenu* menu) {
    QAction* action = nullptr;
    MenuItem* target = &item;
    if (item.children.empty()) {
        action = menu->addAction(QString::fromStdString(item.caption));
        connect(action, &QAction::triggered, this, [this, target] { chosen(*target); });
    } else {
        QMenu* sub = menu->addMenu(QString::fromStdString(item.caption));
        buildChildren(item, sub);
        action = sub->menuAction();
        connect(sub, &QMenu::aboutToShow, this, [this, target] { chosen(*target); });
    }
    if (!item.shortcut.empty()) action->setShortcut(QKeySequence(QString::fromStdString(item.shortcut)));
    bind(item, action);
    return action;
}

void MenuMirror::bind(MenuItem& item, QAction* action) {
    action->setObjectName(QString::fromStdString(item.name));
    actions_[&item] = action;
    byName_[item.name] = action;
}

QAction* MenuMirror::action(const std::string& name) const {
    const auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

QAction* MenuMirror::action(const MenuItem& item) const {
    const auto it = actions_.find(&item);
    return it == actions_.end() ? nullptr : it->second;
}

void MenuMirror::sync(const MenuItem& item) {
    QAction* action = this->action(item);
    if (!action) return;
    const QSignalBlocker quiet(action);
    // Only a checked item is checkable, so an unchecked one shows no empty
    // box or circle.
    // Captions change too (the recent pictures).
    const QString caption = QString::fromStdString(item.caption);
    if (action->text() != caption) action->setText(caption);
    action->setCheckable(item.checked);
    action->setChecked(item.checked);
    action->setEnabled(item.enabled);
    action->setVisible(item.visible);
}

void MenuMirror::syncTree(const MenuItem& item) {
    for (const auto& child : item.children) {
        sync(*child);
        syncTree(*child);
    }
}

void MenuMirror::syncAll() {
    syncTree(model_.mainMenu());
    syncTree(model_.popupMenu());
}

void MenuMirror::chosen(MenuItem& item) {
    // The toolkit flips the check of a checkable action before it reports
    // the choice; the action decides, the model says.
    if (onItem) onItem(item.id);
    sync(item);
}

}  // namespace velmora
