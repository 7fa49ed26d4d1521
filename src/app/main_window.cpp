#include "main_window.hpp"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "help_viewer.hpp"
#include "menu_mirror.hpp"
#include "mode_actions.hpp"
#include "picture_canvas.hpp"
#include "render_driver.hpp"
#include "status_panel.hpp"

namespace velmora {

MainWindow::MainWindow(ProgramState& state, ModeActions& actions, RenderDriver& driver, Prompter& prompter,
                       HelpViewer& help)
    : s_(state), actions_(actions), driver_(driver), prompter_(prompter), help_(help) {
    setObjectName("MainForm");
    setWindowTitle(kCaption);
    QFont font("Arial");
    font.setPixelSize(10);
    font.setBold(true);
    setFont(font);
    SetHelpContext(this, kHelpContext);

    canvas_ = new PictureCanvas(s_, this);
    setCentralWidget(canvas_);
    panel()->setStatusText(QString::fromStdString(s_.statusText));
    connect(panel(), &StatusPanel::cancelClicked, this, &MainWindow::Cancel);
    connect(canvas_, &PictureCanvas::popupRequested, this, &MainWindow::showPopup);

    menus_ = new MenuMirror(s_.menu, menuBar(), this);
    menus_->onItem = [this](MenuId id) { triggerItem(id); };

    const auto run = [this] { driver_.Runclick(); };
    const auto resume = [this] { driver_.Continue(); };
    const auto params = [this] { driver_.Params(); };
    const auto cancel = [this] { Cancel(); };
    handlers_ = {
        {MenuId::Run, run},
        {MenuId::PopupRun, run},
        {MenuId::Continue, resume},
        {MenuId::PopupContinue, resume},
        {MenuId::Parameters, params},
        {MenuId::PopupParameters, params},
        {MenuId::Cancel, cancel},
        {MenuId::PopupStop, cancel},
        {MenuId::TidyScreen, [this] { TidyScreen(); }},
        {MenuId::MemoryStatus, [this] { MemoryStatus(); }},
        {MenuId::About, [this] { About(); }},
        {MenuId::Contents, [this] { Contents(); }},
        {MenuId::Exit, [this] { close(); }},
    };
}

MainWindow::~MainWindow() = default;

StatusPanel* MainWindow::panel() const { return canvas_->panel(); }

void MainWindow::setItemHandler(MenuId id, std::function<void()> handler) { handlers_[id] = std::move(handler); }

void MainWindow::triggerItem(MenuId id) {
    try {
        const auto it = handlers_.find(id);
        if (it != handlers_.end()) {
            if (it->second) it->second();
        } else {
            actions_.Trigger(id);
        }
    } catch (const std::exception& e) {
        ReportError(prompter_, s_.applicationTitle, e);
    }
}

void MainWindow::Cancel() { s_.run.CancelRequested = true; }

void MainWindow::TidyScreen() { canvas_->tidy(); }

void MainWindow::MemoryStatus() { canvas_->showTextLines(MemoryReportLines(memoryQuery())); }

std::string MainWindow::AboutText() {
    return "A Windows 95 32-bit fractal picture generator for Julia and Mandelbrot sets.\r\n\r\n"
           "Version 2.01\r\n\r\n"
           "Written by the Velmora 32 developers.\r\n\r\n"
           "Stalk colouring builds on the orbit-trap \"stalks\" of Clifford A. Pickover.\r\n"
           "Thanks to the fractal programmers whose orbit-trap methods it follows,\r\n"
           "and to every user who suggested changes.\r\n";
}

void MainWindow::About() {
    if (s_.run.Calculating) return;
    prompter_.messageBox(AboutText(), s_.applicationTitle, MessageButtons::Ok, MessageIcon::None);
}

void MainWindow::Contents() {
    if (s_.run.Calculating) return;
    help_.showContents();
}

void MainWindow::showPopup(QPoint globalPosition) {
    QMenu* popup = menus_->popupMenu();
    // Centred on the pointer; popup() rather than exec() so a run goes on
    // while the menu is open.
    const int width = popup->sizeHint().width();
    popup->popup(QPoint(globalPosition.x() - width / 2, globalPosition.y()));
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->text() == QStringLiteral(" ")) {
        Cancel();
        event->accept();
        return;
    }
    bool used = false;
    try {
        used = onKey && onKey(event);
    } catch (const std::exception& e) {
        ReportError(prompter_, s_.applicationTitle, e);
        used = true;
    }
    if (used) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && onActivated) {
        try {
            onActivated();
        } catch (const std::exception& e) {
            ReportError(prompter_, s_.applicationTitle, e);
        }
    }
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (s_.run.Calculating) {
        event->ignore();
        prompter_.messageBox("Cannot close whilst calculating !", "Warning", MessageButtons::Ok, MessageIcon::Warning);
        return;
    }
    releaseResources();
    event->accept();
    emit closed();
}

void MainWindow::releaseResources() {
    s_.buffer.release();
    s_.PictureBitmap = IndexImage(0, 0, 0);
    s_.BitmapWidth = 0;
}

}  // namespace velmora
