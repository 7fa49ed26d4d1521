// The main window as a user meets it: start-up, menus, runs, cancelling,
// the close rule, the busy rule, Memory Status and help.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

#include <set>

#include "help_viewer.hpp"
#include "menu_mirror.hpp"
#include "parameters_dialog.hpp"
#include "picture_canvas.hpp"
#include "status_panel.hpp"
#include "test_support.hpp"

using namespace velmora;
using namespace velmora::testing;

namespace {

QString Perc(StartedProgram& p) { return p.window().panel()->perc()->text(); }

QAction* Action(StartedProgram& p, const char* name) {
    QAction* action = p.window().menus().action(name);
    if (!action) qFatal("no action %s", name);
    return action;
}

// Every action under a menu, depth first, with its model item.
void CollectActions(const QList<QAction*>& actions, const MenuItem& parent,
                    std::vector<std::pair<QAction*, const MenuItem*>>& out) {
    QCOMPARE(actions.size(), static_cast<qsizetype>(parent.count()));
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const MenuItem& item = parent.child(static_cast<size_t>(i));
        out.emplace_back(actions[i], &item);
        if (QMenu* sub = actions[i]->menu()) CollectActions(sub->actions(), item, out);
    }
}

std::vector<std::pair<QAction*, const MenuItem*>> AllActions(StartedProgram& p) {
    std::vector<std::pair<QAction*, const MenuItem*>> out;
    CollectActions(p.window().menuBar()->actions(), p.state().menu.mainMenu(), out);
    CollectActions(p.window().menus().popupMenu()->actions(), p.state().menu.popupMenu(), out);
    return out;
}

std::vector<uint8_t> RunToCompletion(StartedProgram& p) {
    QTest::keyClick(&p.window(), Qt::Key_F2);
    return p.state().buffer.bytes;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startUpState();
    void menuStructure();
    void runFromF2();
    void cancelDuringRun_data();
    void cancelDuringRun();
    void screenShowsTheBitmapOnceRunEnds_data();
    void screenShowsTheBitmapOnceRunEnds();
    void closeRefusedDuringRun();
    void busyRuleDuringRun();
    void memoryStatus();
    void helpOpensAtContext();
};

void MainWindowTest::startUpState() {
    StartedProgram p;
    MainWindow& w = p.window();
    QCOMPARE(w.windowTitle(), QString("Velmora 32 (V 1.02)"));
    QCOMPARE(w.windowIconText(), QString("Velmora 32 Version 2.01"));
    QCOMPARE(p.state().applicationTitle, std::string("Velmora 32 Version 2.01"));
    QVERIFY(w.isMaximized());
    QVERIFY(w.font().bold());
    QCOMPARE(w.font().pixelSize(), 10);
    QCOMPARE(w.canvas()->palette().color(QPalette::Window), QColor(128, 128, 128));
    QCOMPARE(HelpContextOf(&w), 1);

    StatusPanel* panel = w.panel();
    QCOMPARE(panel->height(), 29);
    QCOMPARE(panel->y() + panel->height(), w.canvas()->height());
    QCOMPARE(panel->width(), w.canvas()->width());
    QCOMPARE(Perc(p), QString("*************Status*************"));
    QVERIFY(!panel->esc()->isVisible());
    QCOMPARE(panel->esc()->text(), QString("Click to cancel (or hit space bar) "));
    // The cancel text shows whole in the window's font.
    const QLabel* esc = panel->esc();
    const int flags = int(esc->alignment()) | (esc->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect cancelText = esc->fontMetrics().boundingRect(esc->contentsRect(), flags, esc->text());
    QVERIFY2(esc->contentsRect().contains(cancelText),
             qPrintable(QString("%1 x %2 needed").arg(cancelText.width()).arg(cancelText.height())));
    QCOMPARE(panel->image1()->size(), QSize(304, 20));
    QCOMPARE(panel->label1()->text(), QString("Press F1 for help"));
    QVERIFY(!panel->progressBar3()->isVisible());
    // The load progress bar shows only while a picture loads.
    QProgressBar* load = w.canvas()->progressBar1();
    QVERIFY(!load->isVisible());
    w.canvas()->showLoadProgress(40);
    QVERIFY(load->isVisible());
    QCOMPARE(load->value(), 40);
    QVERIFY(load->geometry().bottom() < panel->y());
    w.canvas()->hideLoadProgress();
    QVERIFY(!load->isVisible());

    const PictureParameters& params = p.state().params;
    QCOMPARE(int(params.FunctionKind), 3);
    QCOMPARE(int(params.StalkType), 2);
    QCOMPARE(params.maxmod, 4.0L);
    QCOMPARE(params.miter, 50);
    QCOMPARE(params.LastColumnDone, 10000);
    QVERIFY(!p.state().run.Calculating);
    QVERIFY(p.prompter.shown.empty());
    QVERIFY(!p.program.parametersDialog().groupCaption()->isVisibleTo(&p.program.parametersDialog()));
}

void MainWindowTest::menuStructure() {
    StartedProgram p;
    const auto actions = AllActions(p);
    std::set<std::string> checked;
    for (const auto& [action, item] : actions) {
        QCOMPARE(action->text().toStdString(), item->caption);
        QCOMPARE(action->shortcut(), QKeySequence(QString::fromStdString(item->shortcut)));
        QCOMPARE(action->isChecked(), item->checked);
        QCOMPARE(action->isVisible(), item->visible);
        // The toolkit counts a hidden action as disabled.
        QCOMPARE(action->isEnabled(), item->enabled && item->visible);
        if (action->isChecked()) checked.insert(item->name);
    }
    QCOMPARE(checked, (std::set<std::string>{"Julia1", "zzc1", "fident1", "modulus", "Circle1", "Normal1"}));

    QStringList top;
    for (QAction* a : p.window().menuBar()->actions()) top << a->text();
    QCOMPARE(top, (QStringList{"", "&File", "Mandel/Julia", "Function", "Bailout", "Stalktype", "&Action",
                               "Colours...", "Options", "Help"}));

    QStringList actionMenu, shortcuts;
    for (QAction* a : Action(p, "Action1")->menu()->actions()) {
        actionMenu << a->text();
        shortcuts << a->shortcut().toString();
    }
    const QString line(44, '-');
    QCOMPARE(actionMenu, (QStringList{"Run", "Continue", line, "Normal", "Sphere", "Inversion", line, "Parameters",
                                      "Cancel", "Tidy Screen", "Reset range and centre", "Memory Status", "Back",
                                      "Forward", "Julia Preview"}));
    QCOMPARE(shortcuts, (QStringList{"F2", "", "", "", "", "", "", "F3", "Space", "F5", "F6", "F7", "Alt+Left",
                                     "Alt+Right", "F8"}));
    QVERIFY(!Action(p, "N1")->isEnabled());
    QCOMPARE(Action(p, "Mandelbrot1")->shortcut(), QKeySequence(Qt::Key_F4));
    QCOMPARE(Action(p, "Exit1")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
    QVERIFY(!Action(p, "Image2")->isVisible());
    QCOMPARE(Action(p, "Function1")->menu()->actions().size(), 17);
    QCOMPARE(Action(p, "Stalktype1")->menu()->actions().size(), 12);

    QStringList popup;
    for (QAction* a : p.window().menus().popupMenu()->actions()) popup << a->text();
    QCOMPARE(popup, (QStringList{"run", "Continue", "set inverse", "parameters", "palette", "stop",
                                 "reset range and centre"}));

    // The right mouse button opens the pop-up menu, centred on the pointer.
    QMenu* popupMenu = p.window().menus().popupMenu();
    const QPoint at(300, 200);
    // Through the window, as the platform delivers it.
    QTest::mouseClick(p.window().windowHandle(), Qt::RightButton, {}, p.window().canvas()->mapTo(&p.window(), at));
    QTRY_VERIFY(popupMenu->isVisible());
    const QPoint pointer = p.window().canvas()->mapToGlobal(at);
    QCOMPARE(popupMenu->geometry().top(), pointer.y());
    QVERIFY(qAbs(popupMenu->geometry().center().x() - pointer.x()) <= 1);
    popupMenu->hide();

    // A check the user moves is the model's: choosing Sphere, then Inversion.
    Action(p, "Sphere1")->trigger();
    Action(p, "Inversion1")->trigger();
    QVERIFY(Action(p, "Inversion1")->isChecked());
    QVERIFY(!Action(p, "Sphere1")->isChecked());
    QVERIFY(!Action(p, "Normal1")->isChecked());
    QCOMPARE(int(p.state().params.sphere), 1);
    // Opening the f sub-menu chooses its formula.
    emit Action(p, "N1zzc1")->menu()->aboutToShow();
    QCOMPARE(int(p.state().params.FunctionKind), 6);
    QVERIFY(Action(p, "N1zzc1")->isChecked());
    QVERIFY(!Action(p, "zzc1")->isChecked());
}

void MainWindowTest::runFromF2() {
    StartedProgram p;
    QTest::keyClick(&p.window(), Qt::Key_F2);

    const ProgramState& s = p.state();
    QCOMPARE(Perc(p), QString("Picture completed."));
    QCOMPARE(p.window().windowIconText(), QString("Velmora 32 201.b"));
    QVERIFY(!p.window().panel()->esc()->isVisible());
    QCOMPARE(s.params.LastColumnDone, 199);
    QCOMPARE(s.xoff, (p.window().frameGeometry().width() - 200) / 2);
    QCOMPARE(s.yoff, (p.window().panel()->y() - 150) / 2);
    // Back and Forward stay greyed with nothing to go to, the Julia preview
    // over a Julia picture.
    for (const auto& [action, item] : AllActions(p))
        QVERIFY(action->isEnabled() || !item->visible || item->id == MenuId::Back || item->id == MenuId::Forward ||
                item->id == MenuId::JuliaPreview);

    // The bitmap holds the buffer, and the window shows the bitmap where the
    // picture belongs.
    const QImage& bitmap = p.window().canvas()->pictureBitmap();
    QCOMPARE(bitmap.size(), QSize(200, 150));
    QCOMPARE(bitmap.format(), QImage::Format_Indexed8);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) QCOMPARE(bitmap.pixelIndex(x, y), int(s.buffer.bytes[size_t(y * 200 + x)]));
    const QImage shown = p.window().canvas()->grab().toImage();
    const ColourTable256& table = p.window().canvas()->colourTable();
    std::set<int> indices;
    for (int y = 0; y < 150; y += 7)
        for (int x = 0; x < 200; x += 7) {
            const int index = s.buffer.bytes[size_t(y * 200 + x)];
            indices.insert(index);
            QCOMPARE(shown.pixel(s.xoff + x, s.yoff + y), table[size_t(index)]);
        }
    QVERIFY(indices.size() > 10);  // a picture, not a blank
}

void MainWindowTest::cancelDuringRun_data() {
    QTest::addColumn<int>("trigger");
    QTest::newRow("space bar") << 0;
    QTest::newRow("status panel click") << 1;
    QTest::newRow("cancel label click") << 2;
    QTest::newRow("Cancel menu item") << 3;
    QTest::newRow("pop-up stop") << 4;
}

void MainWindowTest::cancelDuringRun() {
    QFETCH(int, trigger);
    StartedProgram p;
    const std::vector<uint8_t> complete = RunToCompletion(p);

    bool escShown = false;
    DuringNextRun(p.program, [&] {
        MainWindow& w = p.window();
        escShown = w.panel()->esc()->isVisible();
        switch (trigger) {
        case 0: QTest::keyClick(&w, Qt::Key_Space); break;
        case 1: QTest::mouseClick(w.panel(), Qt::LeftButton, {}, QPoint(w.panel()->width() - 5, 5)); break;
        case 2: QTest::mouseClick(w.panel()->esc(), Qt::LeftButton); break;
        case 3: Action(p, "Cancel1")->trigger(); break;
        case 4: Action(p, "stop1")->trigger(); break;
        }
    });
    QTest::keyClick(&p.window(), Qt::Key_F2);
    QVERIFY(escShown);
    QCOMPARE(Perc(p), QString("Picture generation halted."));
    // The column being computed is finished first.
    QCOMPARE(p.state().params.LastColumnDone, 0);

    Action(p, "Restart1")->trigger();
    QCOMPARE(Perc(p), QString("Picture completed."));
    QCOMPARE(p.state().params.LastColumnDone, 199);
    QVERIFY(p.state().buffer.bytes == complete);
    QVERIFY(p.prompter.shown.empty());
}

void MainWindowTest::screenShowsTheBitmapOnceRunEnds_data() {
    QTest::addColumn<int>("repaintMs");
    QTest::addColumn<bool>("halt");
    QTest::newRow("repaints at every pump") << 0 << false;
    QTest::newRow("repaints throttled") << 30 << false;
    QTest::newRow("halted after its first column") << 30 << true;
}

// However the new columns were gathered into repaints, what the screen
// shows (not a fresh rendering of the window) is the bitmap, to the last
// column, once the event loop has run after the run.
void MainWindowTest::screenShowsTheBitmapOnceRunEnds() {
    QFETCH(int, repaintMs);
    QFETCH(bool, halt);
    StartedProgram p;
    WindowHost& host = p.program.host();
    host.setRepaintInterval(std::chrono::milliseconds(repaintMs));
    if (halt)
        DuringNextRun(p.program, [&] { QTest::keyClick(&p.window(), Qt::Key_Space); });
    else
        host.setPumpInterval(std::chrono::nanoseconds(0));
    QTest::keyClick(&p.window(), Qt::Key_F2);
    host.setPumpInterval(WindowHost::kDefaultPumpInterval);
    QCOMPARE(p.state().params.LastColumnDone, halt ? 0 : 199);
    QCoreApplication::processEvents();

    const ProgramState& s = p.state();
    MainWindow& w = p.window();
    const QImage shown = w.screen()->grabWindow(w.winId()).toImage();
    const QPoint origin = w.canvas()->mapTo(&w, QPoint(s.xoff, s.yoff));
    const ColourTable256& table = w.canvas()->colourTable();
    const IndexImage& bitmap = s.PictureBitmap;
    int differing = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            differing += shown.pixel(origin + QPoint(x, y)) != table[bitmap.pixels()[size_t(y * bitmap.width() + x)]];
    QCOMPARE(differing, 0);
}

void MainWindowTest::closeRefusedDuringRun() {
    StartedProgram p;
    QSignalSpy closed(&p.window(), &MainWindow::closed);
    bool refused = false, stillShown = false;
    DuringNextRun(p.program, [&] {
        refused = !p.window().close();
        stillShown = p.window().isVisible();
        QTest::keyClick(&p.window(), Qt::Key_Space);
    });
    QTest::keyClick(&p.window(), Qt::Key_F2);
    QVERIFY(refused);
    QVERIFY(stillShown);
    QCOMPARE(closed.count(), 0);
    QCOMPARE(p.prompter.shown.size(), size_t(1));
    QCOMPARE(p.prompter.shown[0].text, std::string("Cannot close whilst calculating !"));
    QCOMPARE(p.prompter.shown[0].caption, std::string("Warning"));
    QCOMPARE(p.prompter.shown[0].buttons, MessageButtons::Ok);

    // Once the picture has stopped, the same close ends the program.
    QVERIFY(p.window().close());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(p.prompter.shown.size(), size_t(1));
}

void MainWindowTest::busyRuleDuringRun() {
    StartedProgram p;
    ProgramState& s = p.state();
    const std::string rang = s.texts.text(TextField::Rang);
    std::map<std::string, bool> enabled;
    DuringNextRun(p.program, [&] {
        for (const char* name : {"N0", "File1", "LoadPalette1", "SaveasGIF1", "MandelJulia1", "Function1",
                                 "zzc1", "Action1", "Run1", "Cancel1", "TidyScreen1", "Parameters1",
                                 "Colours1", "Pal1", "addborder1", "Help1", "run1", "palette2", "stop1"})
            enabled[name] = Action(p, name)->isEnabled();
        MainWindow& w = p.window();
        w.triggerItem(FormulaMenuId(kFormulaZ3));   // busy: ignored
        w.triggerItem(StalkMenuId(kStalkCross));  // not guarded
        w.triggerItem(MenuId::About);
        w.triggerItem(MenuId::Contents);
        w.triggerItem(MenuId::ResetRange);
        w.triggerItem(MenuId::Mandelbrot);
        w.triggerItem(MenuId::Run);  // a second run does not start
        w.triggerItem(MenuId::Parameters);
        w.triggerItem(MenuId::TidyScreen);
        w.triggerItem(MenuId::Cancel);
    });
    QTest::keyClick(&p.window(), Qt::Key_F2);

    const std::map<std::string, bool> expected{
        {"N0", true},          {"File1", true},     {"LoadPalette1", true}, {"SaveasGIF1", false},
        {"MandelJulia1", false}, {"Function1", false}, {"zzc1", false},        {"Action1", true},
        {"Run1", false},       {"Cancel1", true},   {"TidyScreen1", true},  {"Parameters1", false},
        {"Colours1", true},    {"Pal1", true},      {"addborder1", false},  {"Help1", false},
        {"run1", false},       {"palette2", true},  {"stop1", true}};
    QVERIFY(enabled == expected);

    QCOMPARE(int(s.params.FunctionKind), 3);
    QCOMPARE(s.params.maxmod, 4.0L);
    QCOMPARE(int(s.params.StalkType), 1);
    QVERIFY(Action(p, "Cross1")->isChecked());
    QVERIFY(Action(p, "Julia1")->isChecked());
    QCOMPARE(s.texts.text(TextField::Rang), rang);
    QVERIFY(!p.program.help().isVisible());
    QCOMPARE(p.prompter.shown.size(), size_t(1));
    QCOMPARE(p.prompter.shown[0].text, std::string("Cannot change parameters whilst calculating"));
    QCOMPARE(p.prompter.shown[0].icon, MessageIcon::Information);
    QCOMPARE(Perc(p), QString("Picture generation halted."));
}

void MainWindowTest::memoryStatus() {
    // Figures beyond 32 bits print in full.
    const std::string meminfo =
        "MemTotal:       16777216 kB\n"
        "MemFree:         1048576 kB\n"
        "MemAvailable:    4194304 kB\n"
        "SwapTotal:       2097152 kB\n"
        "SwapFree:        2097152 kB\n";
    const MemoryFigures figures = MemoryFiguresFrom(meminfo, 1073741824, 140737488351232);
    QCOMPARE(MemoryReportLines(figures),
             (std::vector<std::string>{"length         32", "load         75", "Total Physical 17179869184",
                                       "Available Physical 4294967296", "Total Page File 19327352832",
                                       "Available Page File 6442450944", "Total Virtual 140737488351232",
                                       "Available Virtual 140736414609408"}));
    // A file without the newer fields, or with nonsense in them, gives zeros.
    const MemoryFigures old = MemoryFiguresFrom("MemTotal: 2048 kB\nMemFree: 1024 kB\nSwapTotal: x kB\n", 0, 0);
    QCOMPARE(old.availablePhysical, uint64_t(1048576));
    QCOMPARE(old.load, uint64_t(50));
    QCOMPARE(old.totalPageFile, uint64_t(2097152));

    StartedProgram p;
    p.window().memoryQuery = [&] { return figures; };
    QTest::keyClick(&p.window(), Qt::Key_F7);
    QCOMPARE(p.window().canvas()->textLines(), MemoryReportLines(figures));
    QTest::keyClick(&p.window(), Qt::Key_F5);
    QVERIFY(p.window().canvas()->textLines().empty());

    // This machine's own figures.
    const std::vector<std::string> lines = MemoryReportLines(QueryMemoryStatus());
    QCOMPARE(lines.size(), size_t(8));
    QCOMPARE(lines[0], std::string("length         32"));
    QVERIFY(QueryMemoryStatus().totalPhysical > QueryMemoryStatus().availablePhysical / 2);
}

void MainWindowTest::helpOpensAtContext() {
    StartedProgram p;
    HelpViewer& help = p.program.help();
    QTest::keyClick(&p.window(), Qt::Key_F1);
    QVERIFY(help.isVisible());
    QCOMPARE(help.currentContext(), 1);
    QVERIFY(help.browser()->toPlainText().contains("SET PARAMETERS"));

    ParametersDialog& dialog = p.program.parametersDialog();
    int contextInDialog = -1;
    QTimer::singleShot(0, [&] {
        dialog.field(TextField::Rang)->setFocus();
        QTest::keyClick(dialog.field(TextField::Rang), Qt::Key_F1);
        contextInDialog = help.currentContext();
        dialog.close();
    });
    dialog.runModal();
    QCOMPARE(contextInDialog, 2);

    p.window().triggerItem(MenuId::Contents);
    QCOMPARE(help.currentContext(), 0);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
