// The explorer's loop in the window: history, the wheel about its anchor,
// keys and the move drag, the picture's place on resize, and the status
// panel's texts. Runs on the offscreen platform and again on a real X server
// (run_under_xvfb.sh).
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

#include "conversions.hpp"
#include "julia_preview.hpp"
#include "julia_preview_window.hpp"
#include "menu_mirror.hpp"
#include "navigation_wiring.hpp"
#include "parameter_reading.hpp"
#include "plane_navigation.hpp"
#include "status_panel.hpp"
#include "test_support.hpp"

using namespace velmora;
using namespace velmora::testing;

namespace {

QPoint InWindow(StartedProgram& p, QPoint client) { return p.window().canvas()->mapTo(&p.window(), client); }

void Wheel(StartedProgram& p, QPoint client, int angle) {
    QWheelEvent event(QPointF(client), QPointF(p.window().canvas()->mapToGlobal(client)), QPoint(),
                      QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(p.window().canvas(), &event);
}

// The view the texts describe, as the next run reads it.
ViewGeometry TextView(StartedProgram& p) {
    PictureParameters params;
    RunNumbers numbers;
    ReadRunTexts(p.state().texts, params, numbers);
    return {params.siz, params.sizy, p.state().xoff, p.state().yoff, params.xce, params.yce, params.Rang};
}

QString Perc(StartedProgram& p) { return p.window().panel()->perc()->text(); }
bool Enabled(StartedProgram& p, MenuId id) { return p.window().menus().action(p.state().menu.item(id))->isEnabled(); }

void Run(StartedProgram& p) {
    QTest::keyClick(&p.window(), Qt::Key_F2);
    QCOMPARE(Perc(p), QString("Picture completed."));
}

}  // namespace

class NavigationTest : public QObject {
    Q_OBJECT
private slots:
    void backAndForwardStepThroughTheViewsRun();
    void wheelZoomsAboutThePointer();
    void wheelDuringARunStartsTheNewView();
    void keysAndDragMoveTheView();
    void resizePlacesThePictureWithScrollBars();
    void panelShowsPointerAndTimesWithoutOverlap();
    void refusedPictureChangesNothingShown();
    void stoppedPictureShowsWhatASaveHolds();
    void recentPicturesAndFileShortcuts();
    void juliaPreviewFollowsThePointerAndAClickRunsIt();
};

void NavigationTest::backAndForwardStepThroughTheViewsRun() {
    StartedProgram p;
    QVERIFY(!Enabled(p, MenuId::Back));
    QVERIFY(!Enabled(p, MenuId::Forward));
    Run(p);
    const std::string rangA = p.state().texts.text(TextField::Rang);
    QTest::keyClick(&p.window(), Qt::Key_Plus);
    const std::string rangB = p.state().texts.text(TextField::Rang);
    QCOMPARE(ParseReal(rangB), ParseReal(rangA) / 2);
    p.program.actions().StalkItem(kStalkCross);  // a menu choice is part of the view
    QTest::keyClick(&p.window(), Qt::Key_Right);
    const std::string xceC = p.state().texts.text(TextField::xce);
    QCOMPARE(p.program.navigation().history().size(), size_t(3));
    QVERIFY(Enabled(p, MenuId::Back));
    QVERIFY(!Enabled(p, MenuId::Forward));

    QTest::keyClick(&p.window(), Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(p.state().texts.text(TextField::Rang), rangB);
    QCOMPARE(int(p.state().params.StalkType), int(kStalkCircle));
    QVERIFY(p.window().menus().action("Circle1")->isChecked());
    QCOMPARE(Perc(p), QString("Picture completed."));
    QTest::keyClick(&p.window(), Qt::Key_Backspace);
    QCOMPARE(p.state().texts.text(TextField::Rang), rangA);
    QVERIFY(!Enabled(p, MenuId::Back));
    QVERIFY(Enabled(p, MenuId::Forward));
    QTest::keyClick(&p.window(), Qt::Key_Backspace);  // nothing before: nothing happens
    QCOMPARE(p.state().texts.text(TextField::Rang), rangA);
    QTest::keyClick(&p.window(), Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(&p.window(), Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(p.state().texts.text(TextField::xce), xceC);
    QVERIFY(p.window().menus().action("Cross1")->isChecked());

    // A new view after Back drops the views ahead.
    p.window().triggerItem(MenuId::Back);
    QTest::keyClick(&p.window(), Qt::Key_Minus);
    QCOMPARE(p.program.navigation().history().size(), size_t(3));
    QVERIFY(!Enabled(p, MenuId::Forward));

    // Locked during a run like their neighbours.
    bool backDuringRun = true;
    DuringNextRun(p.program, [&] { backDuringRun = Enabled(p, MenuId::Back); });
    Run(p);
    QVERIFY(!backDuringRun);
    QVERIFY(Enabled(p, MenuId::Back));
}

void NavigationTest::wheelZoomsAboutThePointer() {
    StartedProgram p;
    Run(p);
    const struct {
        QPoint offset;
        std::vector<int> angles;  // wheel events before the run starts
        int factor;
    } cases[] = {{{40, 30}, {120}, 2}, {{170, 120}, {120, 120}, 4}, {{100, 75}, {-120}, -2}, {{20, 140}, {60, 60}, 2}};
    for (const auto& c : cases) {
        const ViewGeometry before = TextView(p);
        const QPoint at(p.state().xoff + c.offset.x(), p.state().yoff + c.offset.y());
        const PlanePosition anchor = PlanePointAt(before, at.x(), at.y());
        const size_t views = p.program.navigation().history().size();
        for (int angle : c.angles) Wheel(p, at, angle);
        QTRY_COMPARE(Perc(p), QString("Picture completed."));
        QTRY_COMPARE(p.program.navigation().history().size(), views + 1);  // one run for all the notches
        const ViewGeometry after = TextView(p);
        QCOMPARE(after.Rang, c.factor > 0 ? before.Rang / c.factor : before.Rang * -c.factor);
        const PlanePosition kept = PlanePointAt(after, at.x(), at.y());
        const long double pixel = after.Rang / after.siz;
        QVERIFY(std::fabs(kept.x - anchor.x) < pixel * 1e-6L);
        QVERIFY(std::fabs(kept.y - anchor.y) < pixel * 1e-6L);
        QCOMPARE(p.state().params.Rang, after.Rang);
    }
    // Off the picture the wheel does nothing.
    const std::string rang = p.state().texts.text(TextField::Rang);
    Wheel(p, QPoint(2, 2), 120);
    QTest::qWait(50);
    QCOMPARE(p.state().texts.text(TextField::Rang), rang);
}

void NavigationTest::wheelDuringARunStartsTheNewView() {
    StartedProgram p;
    Run(p);
    const long double rang = p.state().params.Rang;
    const QPoint centre(p.state().xoff + 100, p.state().yoff + 75);
    DuringNextRun(p.program, [&] {
        Wheel(p, centre, 120);
        Wheel(p, centre, 120);
    });
    QTest::keyClick(&p.window(), Qt::Key_F2);
    QTRY_VERIFY(!p.state().run.Calculating && ParseReal(p.state().texts.text(TextField::Rang)) == rang / 4);
    QTRY_COMPARE(Perc(p), QString("Picture completed."));
    QCOMPARE(p.state().params.LastColumnDone, 199);
}

void NavigationTest::keysAndDragMoveTheView() {
    StartedProgram p;
    Run(p);
    const ViewGeometry g = TextView(p);
    const long double step = g.Rang / g.siz;
    const struct {
        Qt::Key key;
        long double dx, dy;
    } keys[] = {{Qt::Key_Left, -g.Rang / 4, 0}, {Qt::Key_Down, 0, g.Rang * 3 / 16}, {Qt::Key_Right, g.Rang / 4, 0},
                {Qt::Key_Up, 0, -g.Rang * 3 / 16}};
    for (const auto& k : keys) {
        const ViewGeometry before = TextView(p);
        QTest::keyClick(&p.window(), k.key);
        const ViewGeometry after = TextView(p);
        QVERIFY(std::fabs(after.xce - (before.xce + k.dx)) < step * 1e-6L);
        QVERIFY(std::fabs(after.yce - (before.yce + k.dy)) < step * 1e-6L);
        QCOMPARE(after.Rang, before.Rang);
    }
    // A middle drag, with Ctrl or without: the plane follows the pointer by
    // the distance dragged, and the range stays.
    for (Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
        const ViewGeometry before = TextView(p);
        const QPoint from(p.state().xoff + 50, p.state().yoff + 50), to = from + QPoint(40, -20);
        QTest::mousePress(p.window().windowHandle(), Qt::MiddleButton, modifiers, InWindow(p, from));
        QTest::mouseEvent(QTest::MouseMove, p.window().windowHandle(), Qt::MiddleButton, modifiers, InWindow(p, to));
        QTest::mouseRelease(p.window().windowHandle(), Qt::MiddleButton, modifiers, InWindow(p, to));
        QTRY_COMPARE(Perc(p), QString("Picture completed."));
        const ViewGeometry after = TextView(p);
        QVERIFY(std::fabs(after.xce - (before.xce - 40 * step)) < step * 1e-6L);
        QVERIFY(std::fabs(after.yce - (before.yce + 20 * step)) < step * 1e-6L);
        QCOMPARE(after.Rang, before.Rang);
    }
}

void NavigationTest::resizePlacesThePictureWithScrollBars() {
    StartedProgram p;
    MainWindow& w = p.window();
    Run(p);
    w.showNormal();
    const NavigationWiring& nav = p.program.navigation();
    for (QSize size : {QSize(900, 500), QSize(1000, 160), QSize(1100, 600)}) {
        w.resize(size);
        QTRY_COMPARE(w.size(), size);
        QTRY_COMPARE(p.state().xoff, (w.frameGeometry().width() - 200) / 2);
        QCOMPARE(p.state().yoff, (w.panel()->y() - 150) / 2);
        const bool larger = 150 > w.panel()->y();
        QCOMPARE(nav.verticalBar()->isVisible(), larger);
        if (larger) {
            QCOMPARE(nav.verticalBar()->maximum(), 150 - w.panel()->y());
            nav.verticalBar()->setValue(0);
            QCOMPARE(p.state().yoff, 0);
            nav.verticalBar()->setValue(nav.verticalBar()->maximum());
            QCOMPARE(p.state().yoff + 150, w.panel()->y());
        }
    }
}

void NavigationTest::panelShowsPointerAndTimesWithoutOverlap() {
    StartedProgram p;
    MainWindow& w = p.window();
    Run(p);
    StatusPanel* panel = w.panel();
    QVERIFY(panel->runTimes()->text().startsWith("took "));
    const QPoint at(p.state().xoff + 10, p.state().yoff + 140);
    QTest::mouseEvent(QTest::MouseMove, w.windowHandle(), Qt::NoButton, {}, InWindow(p, at));
    const PlanePosition plane = PlanePointAt(ShownGeometry(p.state()), at.x(), at.y());
    QTRY_VERIFY(panel->pointerPlace()->text().startsWith("x " + QString::fromStdString(FormatFixed(plane.x, 0, 3))));
    QVERIFY(panel->pointerPlace()->text().contains("y " + QString::fromStdString(FormatFixed(plane.y, 0, 3))));
    QCOMPARE(Perc(p), QString("Picture completed."));

    w.showNormal();
    p.state().statusText = "";
    panel->setStatusText(QString(60, 'W'));  // a status line that widens
    for (int width : {w.minimumSizeHint().width(), 0, 1200}) {
        w.resize(width, 400);
        QTest::qWait(20);
        std::vector<QRect> shown;
        for (QWidget* child : panel->findChildren<QWidget*>())
            if (child->isVisible() && child->width() > 0) shown.push_back(child->geometry());
        for (size_t i = 0; i < shown.size(); ++i)
            for (size_t j = i + 1; j < shown.size(); ++j) QVERIFY(!shown[i].intersects(shown[j]));
    }
}

void NavigationTest::refusedPictureChangesNothingShown() {
    StartedProgram p;
    Run(p);
    const QString file = QDir::temp().filePath("velmora-refused.gif");
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("GIF89a not a picture of ours");
    }
    for (const char* before : {"Picture completed.", "Picture generation halted."}) {
        ShowStatus(p.state(), p.program.host(), before);
        p.prompter.files.push_back(file.toStdString());
        p.window().triggerItem(MenuId::LoadFromGif);
        QCOMPARE(Perc(p), QString(before));
    }
    QFile::remove(file);
}

void NavigationTest::stoppedPictureShowsWhatASaveHolds() {
    StartedProgram p;
    Run(p);
    QTest::keyClick(&p.window(), Qt::Key_Plus);
    DuringNextRun(p.program, [&] { p.window().Cancel(); });
    QTest::keyClick(&p.window(), Qt::Key_Minus);
    QCOMPARE(Perc(p), QString("Picture generation halted."));
    QVERIFY(p.state().params.LastColumnDone < 199);
    const IndexImage& shown = p.state().PictureBitmap;
    QVERIFY(std::equal(p.state().buffer.bytes.begin(), p.state().buffer.bytes.end(), shown.pixels().begin()));
}

void NavigationTest::recentPicturesAndFileShortcuts() {
    StartedProgram p;
    Run(p);
    MenuMirror& menus = p.window().menus();
    QCOMPARE(menus.action("SaveasGIF1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(menus.action("LoadfromGIF1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QVERIFY(!menus.action("Recent1")->isVisible());
    const QString first = QDir::temp().filePath("velmora-recent-1.gif");
    const QString second = QDir::temp().filePath("velmora-recent-2.gif");
    for (const QString& file : {first, second}) {
        p.prompter.files.push_back(file.toStdString());
        p.window().triggerItem(MenuId::SaveAsGif);
    }
    QCOMPARE(menus.action("Recent1")->text(), "&1 " + second);
    QCOMPARE(menus.action("Recent2")->text(), "&2 " + first);
    QVERIFY(!menus.action("Recent3")->isVisible());
    QCOMPARE(p.settings.get("recent1"), second.toStdString());

    // Choosing one loads it; a picture gone is reported and taken off.
    p.window().triggerItem(RecentFileMenuId(1));
    QCOMPARE(p.program.CurrentFileName(), first.toStdString());
    QCOMPARE(menus.action("Recent1")->text(), "&1 " + first);
    QFile::remove(second);
    p.prompter.shown.clear();
    p.window().triggerItem(RecentFileMenuId(1));
    QCOMPARE(p.prompter.shown.size(), size_t(1));
    QVERIFY(p.prompter.shown[0].text.find("no longer there") != std::string::npos);
    QCOMPARE(p.settings.get("recent2"), std::string());
    QVERIFY(!menus.action("Recent2")->isVisible());
    QCOMPARE(p.program.CurrentFileName(), first.toStdString());
    QFile::remove(first);
}

void NavigationTest::juliaPreviewFollowsThePointerAndAClickRunsIt() {
    StartedProgram p;
    QVERIFY(!Enabled(p, MenuId::JuliaPreview));  // the start-up picture is a Julia set
    QTest::keyClick(&p.window(), Qt::Key_F4);
    QVERIFY(Enabled(p, MenuId::JuliaPreview));
    bool enabledDuringRun = false;
    DuringNextRun(p.program, [&] { enabledDuringRun = Enabled(p, MenuId::JuliaPreview); });
    Run(p);
    QVERIFY(enabledDuringRun);

    QTest::keyClick(&p.window(), Qt::Key_F8);
    JuliaPreviewWindow& preview = p.program.juliaPreview();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    // The pointer passes over two points; the one it stops at is shown.
    PlanePosition point;
    for (QPoint offset : {QPoint(30, 20), QPoint(60, 70)}) {
        const QPoint at(p.state().xoff + offset.x(), p.state().yoff + offset.y());
        QTest::mouseMove(p.window().windowHandle(), InWindow(p, at));
        point = PlanePointAt(ShownGeometry(p.state()), at.x(), at.y());
    }
    QTRY_VERIFY(preview.shown() && preview.shown()->cx == point.x && preview.shown()->cy == point.y);
    const std::optional<JuliaPreviewPicture> expected =
        RenderJuliaPreview(MakeJuliaPreviewJob(p.state(), point.x, point.y));
    QVERIFY(preview.shown()->picture == expected->picture);
    QCOMPARE(preview.picture()->pixmap().size(), QSize(200, 150));

    // A click makes it the picture, with the Julia item's view.
    QTest::mouseClick(preview.picture(), Qt::LeftButton, {}, QPoint(100, 75));
    QTRY_COMPARE(Perc(p), QString("Picture completed."));
    QCOMPARE(p.state().setKind, SetKind::Julia);
    QCOMPARE(p.state().params.cx, point.x);
    QCOMPARE(p.state().params.cy, point.y);
    QCOMPARE(p.state().params.Rang, 4.0L);
    QCOMPARE(p.state().params.xce, 0.0L);
    QVERIFY(p.state().PictureBitmap == expected->picture);
    QVERIFY(!Enabled(p, MenuId::JuliaPreview));
}

QTEST_MAIN(NavigationTest)
#include "explorer_window_test.moc"
