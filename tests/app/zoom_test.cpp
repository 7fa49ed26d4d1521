// Zooming and placing the inversion circle with the mouse in the main window:
// what the band and the circle do to the pixels the user sees, the run a drag
// starts, and the gestures that must not zoom.

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <functional>

#include "conversions.hpp"
#include "parameters_dialog.hpp"
#include "picture_canvas.hpp"
#include "status_panel.hpp"
#include "test_support.hpp"
#include "zoom_wiring.hpp"

using namespace velmora;
using namespace velmora::testing;

Q_DECLARE_METATYPE(Qt::MouseButton)

namespace {

// Mouse events go through the window, as the platform delivers them; points
// are in the client area's coordinates, where the picture lies at xoff, yoff.
QPoint InWindow(StartedProgram& p, QPoint client) { return p.window().canvas()->mapTo(&p.window(), client); }

void Press(StartedProgram& p, QPoint at, Qt::KeyboardModifiers modifiers = {},
           Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(p.window().windowHandle(), button, modifiers, InWindow(p, at));
}

void Move(StartedProgram& p, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseEvent(QTest::MouseMove, p.window().windowHandle(), Qt::NoButton, modifiers, InWindow(p, at));
}

void Release(StartedProgram& p, QPoint at, Qt::KeyboardModifiers modifiers = {},
             Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseRelease(p.window().windowHandle(), button, modifiers, InWindow(p, at));
}

// What the client area shows.
QImage OnScreen(StartedProgram& p) {
    return p.window().canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A band or circle flips the top bit of each channel: every channel moves
// by 128, so the mark shows on any colour, the grey window included.
QRgb Inverse(QRgb pixel) { return pixel ^ 0x00808080; }

QImage WithInverted(QImage image, const QRect& area) {
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x) image.setPixel(x, y, Inverse(image.pixel(x, y)));
    return image;
}

// Every pixel whose centre lies clearly inside the circle is inverted, every
// one clearly outside it is as it was, and those near the rim are one or the
// other.
void VerifyCircle(const QImage& before, const QImage& shown, QPoint centre, int radius) {
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            const double distance = std::hypot(x + 0.5 - centre.x(), y + 0.5 - centre.y());
            const QRgb was = before.pixel(x, y), is = shown.pixel(x, y);
            if (distance < radius - 1)
                QVERIFY2(is == Inverse(was), qPrintable(QString("(%1, %2) not inverted").arg(x).arg(y)));
            else if (distance > radius + 1)
                QVERIFY2(is == was, qPrintable(QString("(%1, %2) changed").arg(x).arg(y)));
            else
                QVERIFY(is == was || is == Inverse(was));
        }
}

void DrawPicture(StartedProgram& p) {
    QTest::keyClick(&p.window(), Qt::Key_F2);
    QCOMPARE(p.window().canvas()->pictureBitmap().size(), QSize(200, 150));
    p.program.host().resetPumpStatistics();
}

QString Perc(StartedProgram& p) { return p.window().panel()->perc()->text(); }

std::vector<std::string> ViewTexts(StartedProgram& p) {
    const ParameterTexts& t = p.state().texts;
    return {t.text(TextField::Rang), t.text(TextField::xce), t.text(TextField::yce)};
}

}  // namespace

class ZoomTest : public QObject {
    Q_OBJECT
private slots:
    void dragZoomsAndRuns_data();
    void dragZoomsAndRuns();
    void selectionsThatDoNotZoom();
    void shiftDragPlacesTheInversionCircle();
    void eventsDuringARunAreIgnored();
    void dragBeforeAnyPictureDoesNothing();
    void marksShowOnEveryColour();
};

void ZoomTest::dragZoomsAndRuns_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    // The middle button drags the view instead (explorer_window_test).
    QTest::newRow("left button") << Qt::LeftButton;
}

void ZoomTest::dragZoomsAndRuns() {
    QFETCH(Qt::MouseButton, button);
    StartedProgram p;
    DrawPicture(p);
    ProgramState& s = p.state();
    const long double rang = s.params.Rang, xce = s.params.xce, yce = s.params.yce;
    const std::vector<uint8_t> first = s.buffer.bytes;

    // Near the picture's right edge and 10 rows below its middle, so that the
    // band covers picture and grey background alike.
    const QPoint anchor(s.xoff + 190, s.yoff + 85);
    const QImage before = OnScreen(p);
    QCOMPARE(before.pixel(anchor + QPoint(35, 0)), qRgb(128, 128, 128));

    Press(p, anchor, {}, button);
    QCOMPARE(OnScreen(p), before);
    Move(p, anchor + QPoint(25, -60));
    QCOMPARE(OnScreen(p), WithInverted(before, QRect(anchor.x() - 25, anchor.y() - 19, 50, 38)));
    // The earlier band goes as the new one comes; the pointer's height does
    // not matter.
    Move(p, anchor + QPoint(40, 50));
    const QImage banded = OnScreen(p);
    QCOMPARE(banded, WithInverted(before, QRect(anchor.x() - 40, anchor.y() - 30, 80, 60)));
    QCOMPARE(banded.pixel(anchor + QPoint(35, 0)), qRgb(0, 0, 0));
    // Back on the anchor's column, every pixel is as it was.
    Move(p, anchor + QPoint(0, 20));
    QCOMPARE(OnScreen(p), before);
    Move(p, anchor + QPoint(40, 0));

    bool calculating = false, marksGone = false;
    long double runRang = 0, runXce = 0, runYce = 0;
    DuringNextRun(p.program, [&] {
        calculating = s.run.Calculating;
        marksGone = p.program.zoom().marks().untouched();
        runRang = s.params.Rang;
        runXce = s.params.xce;
        runYce = s.params.yce;
    });
    Release(p, anchor + QPoint(40, 0), {}, button);

    // The press point becomes the centre, the band's width the range; the
    // vertical offset is scaled by the width too.
    const long double newRang = 80.0L * rang / 200, newXce = 90.0L * rang / 200 + xce,
                      newYce = 10.0L * rang / 200 + yce;
    QCOMPARE(s.texts.text(TextField::Rang), FormatFixed(newRang, 20, 17));
    QCOMPARE(s.texts.text(TextField::xce), FormatFixed(newXce, 20, 18));
    QCOMPARE(s.texts.text(TextField::yce), FormatFixed(newYce, 20, 18));
    ParametersDialog& dialog = p.program.parametersDialog();
    QCOMPARE(dialog.field(TextField::Rang)->text().toStdString(), s.texts.text(TextField::Rang));
    QCOMPARE(dialog.field(TextField::xce)->text().toStdString(), s.texts.text(TextField::xce));

    // The run started at once, from those texts, on an erased window.
    QVERIFY(calculating);
    QVERIFY(marksGone);
    QVERIFY(std::fabs(runRang - newRang) < 1e-16L);
    QVERIFY(std::fabs(runXce - newXce) < 1e-17L);
    QVERIFY(std::fabs(runYce - newYce) < 1e-17L);
    QCOMPARE(Perc(p), QString("Picture completed."));
    QCOMPARE(s.params.LastColumnDone, 199);
    QVERIFY(s.buffer.bytes != first);
    QVERIFY(!s.run.Calculating);
    QVERIFY(p.prompter.shown.empty());

    // The new picture shows plain: no trace of the band.
    const QImage after = OnScreen(p);
    QCOMPARE(after.pixel(anchor + QPoint(35, 0)), qRgb(128, 128, 128));
    const ColourTable256& table = p.window().canvas()->colourTable();
    for (int y = anchor.y() - 30; y < anchor.y() + 30; ++y)
        for (int x = anchor.x() - 40; x < s.xoff + 200; ++x)
            QCOMPARE(after.pixel(x, y), table[s.buffer.bytes[size_t((y - s.yoff) * 200 + (x - s.xoff))]]);
}

void ZoomTest::selectionsThatDoNotZoom() {
    StartedProgram p;
    DrawPicture(p);
    const std::vector<std::string> texts = ViewTexts(p);
    const QPoint anchor(p.state().xoff + 100, p.state().yoff + 75);
    const QImage before = OnScreen(p);

    // Only vertical movement: no band, and the release says so.
    Press(p, anchor);
    Move(p, anchor + QPoint(0, 40));
    QCOMPARE(OnScreen(p), before);
    Release(p, anchor + QPoint(0, 40));
    QCOMPARE(p.prompter.shown.size(), size_t(1));
    QCOMPARE(p.prompter.shown[0].text, std::string("Area selected is of zero size."));
    QCOMPARE(p.prompter.shown[0].caption, std::string("Mouse selection error"));
    QCOMPARE(p.prompter.shown[0].buttons, MessageButtons::Ok);

    // A click is a zero-size selection too.
    Press(p, anchor + QPoint(5, 5));
    Release(p, anchor + QPoint(5, 5));
    QCOMPARE(p.prompter.shown.size(), size_t(2));
    QCOMPARE(p.prompter.shown[1].text, std::string("Area selected is of zero size."));

    // The right button belongs to the pop-up menu (sent to the client area
    // directly, so that no menu opens and takes the rest of the drag).
    PictureCanvas* canvas = p.window().canvas();
    QTest::mousePress(canvas, Qt::RightButton, {}, anchor);
    QTest::mouseEvent(QTest::MouseMove, canvas, Qt::NoButton, {}, anchor + QPoint(40, 0));
    QCOMPARE(OnScreen(p), before);
    QTest::mouseRelease(canvas, Qt::RightButton, {}, anchor + QPoint(40, 0));

    QCOMPARE(p.prompter.shown.size(), size_t(2));
    QCOMPARE(ViewTexts(p), texts);
    QCOMPARE(p.program.host().pumpStatistics().calls, int64_t(0));  // no run
    QCOMPARE(OnScreen(p), before);
}

void ZoomTest::shiftDragPlacesTheInversionCircle() {
    StartedProgram p;
    DrawPicture(p);
    ProgramState& s = p.state();
    const std::vector<std::string> texts = ViewTexts(p);
    const long double rang = s.params.Rang, xce = s.params.xce, yce = s.params.yce;
    const QPoint anchor(s.xoff + 120, s.yoff + 65);
    const QImage before = OnScreen(p);

    Press(p, anchor, Qt::ShiftModifier);
    Move(p, anchor + QPoint(30, 7), Qt::ShiftModifier);
    VerifyCircle(before, OnScreen(p), anchor, 30);
    if (QTest::currentTestFailed()) return;
    Move(p, anchor + QPoint(10, 0), Qt::ShiftModifier);
    const QImage circled = OnScreen(p);
    VerifyCircle(before, circled, anchor, 10);
    if (QTest::currentTestFailed()) return;
    Release(p, anchor + QPoint(10, 0), Qt::ShiftModifier);

    QCOMPARE(s.params.invr, -10.0L * rang / 200);
    QCOMPARE(s.params.invx, 20.0L * rang / 200 + xce);
    QCOMPARE(s.params.invy, -10.0L * rang / 200 + yce);
    // No run, no change of view; the circle stays until the window is erased.
    QCOMPARE(p.program.host().pumpStatistics().calls, int64_t(0));
    QCOMPARE(ViewTexts(p), texts);
    QVERIFY(p.prompter.shown.empty());
    QCOMPARE(OnScreen(p), circled);
    QTest::keyClick(&p.window(), Qt::Key_F5);
    QCOMPARE(OnScreen(p), before);

    // A Shift-click without movement: a circle of radius zero on the click.
    Press(p, anchor + QPoint(-20, 10), Qt::ShiftModifier);
    Release(p, anchor + QPoint(-20, 10), Qt::ShiftModifier);
    QCOMPARE(s.params.invr, 0.0L);
    QCOMPARE(s.params.invx, xce);
    QCOMPARE(s.params.invy, yce);
    QCOMPARE(OnScreen(p), before);
}

void ZoomTest::eventsDuringARunAreIgnored() {
    StartedProgram p;
    DrawPicture(p);
    const std::vector<std::string> texts = ViewTexts(p);
    const QPoint anchor(p.state().xoff + 100, p.state().yoff + 75);
    bool banded = true;
    DuringNextRun(p.program, [&] {
        Press(p, anchor);
        Move(p, anchor + QPoint(40, 0));
        banded = !p.program.zoom().marks().untouched();
        Release(p, anchor + QPoint(40, 0));
    });
    QTest::keyClick(&p.window(), Qt::Key_F2);

    QVERIFY(!banded);
    QVERIFY(!p.program.zoom().controller().selection().active);
    QCOMPARE(ViewTexts(p), texts);
    QVERIFY(p.prompter.shown.empty());
    QCOMPARE(Perc(p), QString("Picture completed."));
}

void ZoomTest::dragBeforeAnyPictureDoesNothing() {
    StartedProgram p;
    const std::vector<std::string> texts = ViewTexts(p);
    const QPoint anchor(300, 200);
    const QImage before = OnScreen(p);
    Press(p, anchor);
    Move(p, anchor + QPoint(40, 0));
    QCOMPARE(OnScreen(p), before);
    Release(p, anchor + QPoint(40, 0));
    QVERIFY(p.prompter.shown.empty());
    QCOMPARE(ViewTexts(p), texts);
    QCOMPARE(p.program.host().pumpStatistics().calls, int64_t(0));
}

void ZoomTest::marksShowOnEveryColour() {
    // Every value of every channel, in the format windows are drawn in: each
    // channel of a marked pixel moves by exactly 128.
    QImage colours(256, 2, QImage::Format_RGB32);
    for (int v = 0; v < 256; ++v) {
        colours.setPixel(v, 0, qRgb(v, v, v));
        colours.setPixel(v, 1, qRgb(255 - v, (v * 37) & 255, v));
    }
    InvertedPixels marks;
    marks.invertRect(colours.rect(), colours.size());
    QImage shown = colours;
    {
        QPainter painter(&shown);
        marks.paint(painter);
    }
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 256; ++x) QCOMPARE(shown.pixel(x, y), Inverse(colours.pixel(x, y)));
}

QTEST_MAIN(ZoomTest)
#include "zoom_test.moc"
