#pragma once
// The main window: menus, picture, status panel, and the small actions that
// belong to no other part of the program (cancel, tidy screen, memory
// status, about, help, exit and the close rule).

#include <QMainWindow>

#include <functional>
#include <map>
#include <string>

#include "memory_status.hpp"
#include "program_state.hpp"
#include "prompter.hpp"

namespace velmora {

class HelpViewer;
class MenuMirror;
class ModeActions;
class PictureCanvas;
class RenderDriver;
class StatusPanel;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(ProgramState& state, ModeActions& actions, RenderDriver& driver, Prompter& prompter,
               HelpViewer& help);
    ~MainWindow() override;

    static constexpr const char* kCaption = "Velmora 32 (V 1.02)";
    static constexpr int kHelpContext = 1;

    PictureCanvas* canvas() const { return canvas_; }
    StatusPanel* panel() const;
    MenuMirror& menus() const { return *menus_; }

    // The action of a menu item, for items whose work lives elsewhere (files,
    // palette, directories ...). Replaces any handler the item had.
    void setItemHandler(MenuId id, std::function<void()> handler);
    // Runs an item's action as choosing it does, whether or not the item is
    // enabled; an error goes to the application's error report.
    void triggerItem(MenuId id);

    void Cancel();
    void TidyScreen();
    void MemoryStatus();
    void About();
    void Contents();

    // Called when the window becomes the active window (the palette is
    // realised then).
    std::function<void()> onActivated;
    // Keys the window itself has no use for (navigation); returns whether
    // the key was used.
    std::function<bool(QKeyEvent*)> onKey;
    // Where Memory Status takes its figures from.
    std::function<MemoryFigures()> memoryQuery = QueryMemoryStatus;

    static std::string AboutText();

signals:
    // The window has closed; the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void showPopup(QPoint globalPosition);
    void releaseResources();

    ProgramState& s_;
    ModeActions& actions_;
    RenderDriver& driver_;
    Prompter& prompter_;
    HelpViewer& help_;
    PictureCanvas* canvas_;
    MenuMirror* menus_;
    std::map<MenuId, std::function<void()>> handlers_;
};

}  // namespace velmora
