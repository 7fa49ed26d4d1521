// The palette as the user meets it in the window: the default palette on
// the picture and in the strip, the modeless editor recolouring a picture
// while it is computed, the editor's notices, and the border.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <set>

#include "menu_mirror.hpp"
#include "palette_editor_dialog.hpp"
#include "palette_wiring.hpp"
#include "picture_canvas.hpp"
#include "status_panel.hpp"
#include "test_support.hpp"

using namespace velmora;
using namespace velmora::testing;

namespace {

QAction* Action(StartedProgram& p, const char* name) {
    QAction* action = p.window().menus().action(name);
    if (!action) qFatal("no action %s", name);
    return action;
}

QString Perc(StartedProgram& p) { return p.window().panel()->perc()->text(); }

PaletteWiring& Wiring(StartedProgram& p) { return p.program.palette(); }
PaletteEditorDialog& Dialog(StartedProgram& p) { return p.program.paletteEditor(); }

QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b); }

// A press on the dialog as the platform delivers it: to whatever control
// lies under the point.
void PressOnDialog(PaletteEditorDialog& dialog, QPoint at) {
    QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {}, at);
}

// The dialog's client position of entry n's swatch.
QPoint EntryPoint(int n) { return QPoint(15 + 20 * (n % 15) + 5, 15 + 20 * (n / 15) + 5); }

void OpenEditor(StartedProgram& p) {
    Action(p, "Pal1")->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(&Dialog(p)));
    QTest::qWait(20);
}

std::vector<uint8_t> PixelIndices(const QImage& bitmap) {
    std::vector<uint8_t> out;
    for (int y = 0; y < bitmap.height(); ++y) {
        const uchar* line = bitmap.constScanLine(y);
        out.insert(out.end(), line, line + bitmap.width());
    }
    return out;
}

}  // namespace

class PaletteTest : public QObject {
    Q_OBJECT
private slots:
    void defaultPaletteFromStartUp();
    void recoloursDuringRunWithoutRecomputation();
    void shrunkPictureWhileEditing();
    void editorNotices_data();
    void editorNotices();
    void addedMarkWaitsForNextBuild();
    void editorFollowsLoadedPalettes();
    void fullListReportsRangeCheck();
    void addBorderFromMenu();
};

void PaletteTest::defaultPaletteFromStartUp() {
    StartedProgram p;
    const ColourTable256& table = p.window().canvas()->colourTable();
    QCOMPARE(table[1], Rgb(255, 246, 246));
    QCOMPARE(table[44], Rgb(255, 194, 132));
    QCOMPARE(table[180], Rgb(64, 192, 128));
    QCOMPARE(table[182], Rgb(255, 255, 255));
    QCOMPARE(table[183], Rgb(0, 0, 0));

    // The strip: entries 0..179 in three bands of 60 blocks, 5 x 6 pixels.
    const QImage strip = p.window().panel()->image1()->pixmap().toImage();
    QCOMPARE(strip.size(), QSize(300, 20));
    for (const auto& [x, y, entry] : std::vector<std::tuple<int, int, int>>{
             {5, 0, 1}, {9, 5, 1}, {0, 7, 60}, {5 * 44, 12, 104}, {5 * 59 + 4, 19, 179}, {5 * 15, 14, 135}})
        QCOMPARE(strip.pixel(x, y), table[size_t(entry)]);
    // Image1 shows it whole, from its top-left corner.
    const QImage image1 = p.window().panel()->image1()->grab().toImage();
    QCOMPARE(image1.pixel(5 * 20 + 1, 8), table[80]);
    QCOMPARE(image1.pixel(1, 19), table[120]);
    QCOMPARE(image1.pixel(299, 0), table[59]);

    // A picture is shown through that palette.
    QTest::keyClick(&p.window(), Qt::Key_F2);
    QCOMPARE(Perc(p), QString("Picture completed."));
    const QImage& bitmap = p.window().canvas()->pictureBitmap();
    for (int i = 0; i < 256; ++i) QCOMPARE(bitmap.color(i), table[size_t(i)]);
    QVERIFY(p.prompter.shown.empty());
}

void PaletteTest::recoloursDuringRunWithoutRecomputation() {
    StartedProgram p;
    QTest::keyClick(&p.window(), Qt::Key_F2);
    const std::vector<uint8_t> reference = p.state().buffer.bytes;
    const ColourTable256 before = p.window().canvas()->colourTable();

    // Halfway through the next run, the editor turns mark 0 from white to
    // cyan, which recolours entries 0..28.
    bool done = false, sameBuffer = false, sameBitmap = false, stillRunning = false;
    int columnsDone = 0;
    std::vector<std::pair<QPoint, int>> computedPixels;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        const QString perc = Perc(p);
        if (done || !perc.endsWith("% completed") || perc.split(' ', Qt::SkipEmptyParts)[0].toInt() < 50) return;
        done = true;
        watcher.stop();
        stillRunning = p.state().run.Calculating;
        columnsDone = perc.split(' ', Qt::SkipEmptyParts)[0].toInt() * 2;

        Action(p, "Pal1")->trigger();
        const std::vector<uint8_t> buffer = p.state().buffer.bytes;
        const std::vector<uint8_t> pixels = PixelIndices(p.window().canvas()->pictureBitmap());
        PressOnDialog(Dialog(p), EntryPoint(0));
        Dialog(p).sred()->setValue(0);
        sameBuffer = p.state().buffer.bytes == buffer;
        sameBitmap = PixelIndices(p.window().canvas()->pictureBitmap()) == pixels;
        // Computed pixels whose entry changed colour.
        for (int x = 0; x < columnsDone - 1; x += 3)
            for (int y = 0; y < 150; y += 3) {
                const int index = buffer[size_t(y * 200 + x)];
                if (index <= 28) computedPixels.push_back({QPoint(x, y), index});
            }
    });
    p.program.host().setPumpInterval(std::chrono::nanoseconds(0));
    watcher.start();
    QTest::keyClick(&p.window(), Qt::Key_F2);

    QVERIFY(done);
    QVERIFY(stillRunning);
    QVERIFY(sameBuffer);
    QVERIFY(sameBitmap);
    QCOMPARE(Wiring(p).state().marks.at(1), (MarkedIndex{0, 0, 255, 255}));
    QCOMPARE(Dialog(p).indextxt()->text(), QString("0"));

    // The run went on to the same picture, shown in the new colours.
    QCOMPARE(Perc(p), QString("Picture completed."));
    QVERIFY(p.state().buffer.bytes == reference);
    const ColourTable256& after = p.window().canvas()->colourTable();
    QCOMPARE(after[0], Rgb(0, 255, 255));
    QCOMPARE(after[14], Rgb(123, 132, 132));  // 14/29 of the way from cyan to red
    QVERIFY(after[0] != before[0]);
    for (int i = 29; i < 256; ++i) QCOMPARE(after[size_t(i)], before[size_t(i)]);
    const QImage& bitmap = p.window().canvas()->pictureBitmap();
    for (int i = 0; i < 256; ++i) QCOMPARE(bitmap.color(i), after[size_t(i)]);
    const QImage strip = p.window().panel()->image1()->pixmap().toImage();
    QCOMPARE(strip.pixel(0, 0), Rgb(0, 255, 255));

    QVERIFY(!computedPixels.empty());
    const QImage shown = p.window().canvas()->grab().toImage();
    for (const auto& [at, index] : computedPixels) {
        // The editor's shrunk copy covers the window's top-left corner.
        if (p.state().xoff + at.x() < 200 && p.state().yoff + at.y() < 150) continue;
        QCOMPARE(shown.pixel(p.state().xoff + at.x(), p.state().yoff + at.y()), after[size_t(index)]);
    }
    QVERIFY(p.prompter.shown.empty());
}

void PaletteTest::shrunkPictureWhileEditing() {
    StartedProgram p;
    QTest::keyClick(&p.window(), Qt::Key_F2);
    const ProgramState& s = p.state();
    QVERIFY(s.xoff >= 200);  // the corner is free of the picture itself
    const QColor grey(128, 128, 128);
    QCOMPARE(p.window().canvas()->grab().toImage().pixelColor(100, 75), grey);

    OpenEditor(p);
    QVERIFY(Dialog(p).isVisible());
    QVERIFY(Wiring(p).editor().previewShown());
    // The 200 x 150 picture fills the corner pixel for pixel.
    QImage shown = p.window().canvas()->grab().toImage();
    const ColourTable256& table = p.window().canvas()->colourTable();
    for (int y = 0; y < 150; y += 5)
        for (int x = 0; x < 200; x += 5) QCOMPARE(shown.pixel(x, y), table[s.buffer.bytes[size_t(y * 200 + x)]]);

    // The grid shows the palette: the swatch of entry 44 and an unmarked,
    // white-framed cell; a marked cell is framed black.
    const QImage& grid = Dialog(p).gridImage();
    QCOMPARE(grid.pixel(20 * (44 % 15) + 10, 20 * (44 / 15) + 10), table[44]);
    QCOMPARE(grid.pixel(20 * 2 + 10, 2), Rgb(255, 255, 255));    // entry 2, top edge
    QCOMPARE(grid.pixel(20 * 14 + 10, 20 + 2), Rgb(0, 0, 0));     // entry 29, top edge

    QTest::mouseClick(Dialog(p).okButton(), Qt::LeftButton);
    QVERIFY(!Dialog(p).isVisible());
    QVERIFY(!Wiring(p).editor().previewShown());
    QTRY_COMPARE(p.window().canvas()->grab().toImage().pixelColor(100, 75), grey);
    QVERIFY(p.prompter.shown.empty());
}

void PaletteTest::editorNotices_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("notice");
    QTest::newRow("pick white") << 182 << "" << "Entry cannot be modified";
    QTest::newRow("pick black") << 183 << "" << "Entry cannot be modified";
    QTest::newRow("mark 192") << 192 << "add" << "Entry cannot be marked.";
    QTest::newRow("unmark 181") << 181 << "delete" << "Entry cannot be deleted as an index.";
    QTest::newRow("mark a marked entry") << 29 << "add" << "";
    QTest::newRow("unmark an unmarked entry") << 5 << "delete" << "";
}

void PaletteTest::editorNotices() {
    QFETCH(int, entry);
    QFETCH(QString, button);
    QFETCH(QString, notice);
    StartedProgram p;
    OpenEditor(p);
    const MarkedIndexList marks = Wiring(p).state().marks;

    PressOnDialog(Dialog(p), EntryPoint(entry));
    QCOMPARE(Wiring(p).editor().SelectedIndex(), entry);
    if (button == "add") QTest::mouseClick(Dialog(p).addButton(), Qt::LeftButton);
    if (button == "delete") QTest::mouseClick(Dialog(p).deleteButton(), Qt::LeftButton);

    if (notice.isEmpty()) {
        QVERIFY(p.prompter.shown.empty());
    } else {
        QCOMPARE(p.prompter.shown.size(), size_t(1));
        QCOMPARE(QString::fromStdString(p.prompter.shown[0].text), notice);
        QCOMPARE(p.prompter.shown[0].caption, std::string("Palette Notice"));
        QCOMPARE(p.prompter.shown[0].buttons, MessageButtons::Ok);
        QCOMPARE(p.prompter.shown[0].icon, MessageIcon::None);
    }
    QVERIFY(SameMarks(Wiring(p).state().marks, marks));
    // A refused pick leaves the index shown as it was.
    QCOMPARE(Dialog(p).indextxt()->text(), QString::number(entry >= 182 ? 0 : entry));
}

void PaletteTest::addedMarkWaitsForNextBuild() {
    StartedProgram p;
    OpenEditor(p);
    PaletteState& palette = Wiring(p).state();

    PressOnDialog(Dialog(p), EntryPoint(1));
    QCOMPARE(Dialog(p).sred()->value(), 255);
    QCOMPARE(Dialog(p).Sgreen()->value(), 246);
    QCOMPARE(Dialog(p).Sblue()->value(), 246);
    QCOMPARE(Dialog(p).gridImage().pixel(30, 2), Rgb(255, 255, 255));
    const uint64_t builds = palette.builds;
    // Clicking the button redraws it; that is no paint of the dialog and
    // builds nothing.
    QTest::mouseClick(Dialog(p).addButton(), Qt::LeftButton);
    QTest::qWait(50);
    QCOMPARE(palette.marks.count, 15);
    QCOMPARE(palette.marks.at(2), (MarkedIndex{1, 255, 246, 246}));
    QCOMPARE(palette.builds, builds);
    // The new mark's cell is framed black at once.
    QCOMPARE(Dialog(p).gridImage().pixel(30, 2), Rgb(0, 0, 0));

    // A spin change rebuilds: entry 1 is now a mark of its own colour.
    Dialog(p).Sgreen()->stepDown();
    QCOMPARE(palette.marks.at(2), (MarkedIndex{1, 255, 226, 246}));
    QVERIFY(palette.builds > builds);
    QCOMPARE(p.window().canvas()->colourTable()[1], Rgb(255, 226, 246));
    // A typed value outside 0..255 is not taken: "300" stops at "30".
    QSpinBox* blue = Dialog(p).Sblue();
    blue->setFocus();
    blue->selectAll();
    QTest::keyClicks(blue, "300");
    QCOMPARE(blue->value(), 30);
    QCOMPARE(palette.marks.at(2).blue, uint8_t(30));
    QCOMPARE(p.window().canvas()->colourTable()[1], Rgb(255, 226, 30));
    QVERIFY(p.prompter.shown.empty());
}

// A palette that comes from a file shows in the colour edits at once, and
// an arrow click goes on from there.
void PaletteTest::editorFollowsLoadedPalettes() {
    StartedProgram p;
    QTest::keyClick(&p.window(), Qt::Key_F2);
    OpenEditor(p);
    PaletteState& palette = Wiring(p).state();
    PressOnDialog(Dialog(p), EntryPoint(1));
    QTest::mouseClick(Dialog(p).addButton(), Qt::LeftButton);
    Dialog(p).Sgreen()->stepDown();
    QCOMPARE(palette.marks.at(2), (MarkedIndex{1, 255, 226, 246}));
    const QString file = QDir::temp().filePath("velmora-editor-palette.gif");
    p.prompter.files.push_back(file.toStdString());
    p.window().triggerItem(MenuId::SaveAsGif);
    MarkedIndexList other = palette.marks;
    other.at(2) = {1, 10, 20, 30};

    const struct {
        const char* name;
        std::function<void()> load;
        MarkedIndex loaded;
    } cases[] = {
        {"palette file", [&] { Wiring(p).takeMarks(other); }, {1, 10, 20, 30}},
        {"picture",
         [&] {
             p.prompter.files.push_back(file.toStdString());
             p.window().triggerItem(MenuId::LoadFromGif);
         },
         {1, 255, 226, 246}},
    };
    for (const auto& c : cases) {
        c.load();
        QCOMPARE(palette.marks.at(2), c.loaded);
        QCOMPARE(Dialog(p).sred()->value(), int(c.loaded.red));
        QCOMPARE(Dialog(p).Sgreen()->value(), int(c.loaded.green));
        QCOMPARE(Dialog(p).Sblue()->value(), int(c.loaded.blue));
        Dialog(p).Sgreen()->stepUp();
        QCOMPARE(palette.marks.at(2), (MarkedIndex{1, c.loaded.red, uint8_t(c.loaded.green + 20), c.loaded.blue}));
    }
    QVERIFY(p.prompter.shown.empty());
    QFile::remove(file);
}

void PaletteTest::fullListReportsRangeCheck() {
    StartedProgram p;
    MarkedIndexList full;
    full.count = 30;
    for (int k = 1; k <= 29; ++k) full.at(k) = {uint8_t(2 * (k - 1)), uint8_t(8 * k), 0, uint8_t(255 - 8 * k)};
    full.at(30) = {255, 0, 0, 0};
    QVERIFY(Wiring(p).takeMarks(full));
    QCOMPARE(p.window().canvas()->colourTable()[2], Rgb(16, 0, 239));

    OpenEditor(p);
    PressOnDialog(Dialog(p), EntryPoint(1));
    QTest::mouseClick(Dialog(p).addButton(), Qt::LeftButton);
    QCOMPARE(p.prompter.shown.size(), size_t(1));
    QCOMPARE(p.prompter.shown[0].text, std::string("Range check error."));
    QCOMPARE(p.prompter.shown[0].caption, p.state().applicationTitle);
    QCOMPARE(p.prompter.shown[0].icon, MessageIcon::Error);
    QVERIFY(SameMarks(Wiring(p).state().marks, full));

    // Marks that repeat an index cannot be built; the colours stay.
    MarkedIndexList repeated = full;
    repeated.at(2).index = 0;
    const ColourTable256 colours = p.window().canvas()->colourTable();
    QVERIFY(!Wiring(p).takeMarks(repeated));
    QCOMPARE(p.prompter.shown.size(), size_t(2));
    QCOMPARE(p.prompter.shown[1].text, std::string("Error in making palette...Invalid floating point operation "));
    QVERIFY(p.window().canvas()->colourTable() == colours);

    // A failure the dialog's own paint runs into is reported once the paint
    // is over, not from inside it.
    MarkedIndexList other = full;
    other.at(5).index = other.at(4).index;
    Wiring(p).state().marks = other;
    Dialog(p).repaint();
    QVERIFY(Wiring(p).state().lastReportedFailure.has_value());
    QCOMPARE(p.prompter.shown.size(), size_t(2));
    QTRY_COMPARE(p.prompter.shown.size(), size_t(3));
    QCOMPARE(p.prompter.shown[2].text, std::string("Error in making palette...Invalid floating point operation "));
}

void PaletteTest::addBorderFromMenu() {
    StartedProgram p;
    Action(p, "addborder1")->trigger();
    QCOMPARE(Perc(p), QString("No picture to add a border to."));
    QVERIFY(!p.state().buffer.present);

    QTest::keyClick(&p.window(), Qt::Key_F2);
    const std::vector<uint8_t> picture = p.state().buffer.bytes;
    Action(p, "addborder1")->trigger();
    const std::vector<uint8_t>& buffer = p.state().buffer.bytes;
    const auto at = [&](int x, int y) { return int(buffer[size_t(y * 200 + x)]); };
    // Black 183 outside, white 182 inside; the top has the sixth black row.
    for (int x : {0, 50, 199}) {
        for (int y : {0, 5, 145, 149}) QCOMPARE(at(x, y), 183);
        for (int y : {6, 10, 139, 144}) QCOMPARE(at(x, y), x < 5 || x > 194 ? 183 : 182);
    }
    for (int y : {11, 75, 140}) {
        for (int x : {0, 4, 195, 199}) QCOMPARE(at(x, y), 183);
        for (int x : {5, 10, 189, 194}) QCOMPARE(at(x, y), 182);
    }
    // Inside the frame the picture is as it was computed.
    for (int y = 11; y <= 138; ++y)
        for (int x = 11; x <= 188; ++x) QCOMPARE(at(x, y), int(picture[size_t(y * 200 + x)]));

    // The bitmap carries the same frame, shown black and white.
    const QImage& bitmap = p.window().canvas()->pictureBitmap();
    QVERIFY(PixelIndices(bitmap) == buffer);
    QTest::qWait(20);
    const QImage shown = p.window().canvas()->grab().toImage();
    const int xoff = p.state().xoff, yoff = p.state().yoff;
    QCOMPARE(shown.pixel(xoff + 2, yoff + 75), Rgb(0, 0, 0));
    QCOMPARE(shown.pixel(xoff + 7, yoff + 75), Rgb(255, 255, 255));

    // Applying it again changes nothing.
    const std::vector<uint8_t> once = buffer;
    Action(p, "addborder1")->trigger();
    QVERIFY(p.state().buffer.bytes == once);
    QVERIFY(p.prompter.shown.empty());
}

QTEST_MAIN(PaletteTest)
#include "palette_test.moc"
