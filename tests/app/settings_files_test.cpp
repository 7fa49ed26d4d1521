// Settings, directories, palette files and BMP export as the user meets
// them in the window: the real settings file, the Options items and the
// directory chooser, File > Save/Load Palette and Save as BMP.

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "data_directory.hpp"
#include "directory_chooser_dialog.hpp"
#include "menu_mirror.hpp"
#include "palette_file.hpp"
#include "picture_canvas.hpp"
#include "qsettings_store.hpp"
#include "temp_dir.hpp"
#include "test_support.hpp"

using namespace velmora;
using namespace velmora::testing;

namespace {

void Trigger(StartedProgram& p, const char* name) {
    QAction* action = p.window().menus().action(name);
    if (!action) qFatal("no action %s", name);
    action->trigger();
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// While the chooser is shown: what it shows, then the user's part.
struct ChooserSeen {
    QString caption, label, listDirectory;
};
// The chooser is closed by the frame after `user`, whatever happened.
void OnChooser(StartedProgram& p, ChooserSeen& seen, std::function<void(DirectoryChooserDialog&)> user) {
    QTimer::singleShot(0, [&p, &seen, user] {
        DirectoryChooserDialog& d = p.program.directoryChooser();
        if (QTest::qWaitForWindowExposed(&d)) {
            seen = {d.windowTitle(), d.sdir()->text(),
                    d.directoryListBox1()->currentItem()->data(Qt::UserRole).toString()};
            user(d);
        }
        if (d.isVisible()) d.close();
    });
}

std::vector<uint8_t> Indices(const QImage& image) {
    std::vector<uint8_t> out;
    for (int y = 0; y < image.height(); ++y)
        out.insert(out.end(), image.constScanLine(y), image.constScanLine(y) + image.width());
    return out;
}

}  // namespace

class SettingsFilesTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { std::filesystem::current_path(startDirectory_); }
    void settingsFileFirstAndSecondStart();
    void settingsFileValuesOfOtherTypes();
    void settingsPathThatIsNoSettingsFile();
    void directoryItems();
    void directoryItemsWaitForTheRun();
    void startupFileAndSaveOptions();
    void paletteFiles();
    void paletteLoadDuringRunRecoloursAtOnce();
    void bmpExport();

private:
    std::filesystem::path startDirectory_ = std::filesystem::current_path();
};

void SettingsFilesTest::settingsFileFirstAndSecondStart() {
    // The first start names the picture in the program's data folder and a
    // folder that exists.
    const Settings installed = FirstStartSettings();
    QCOMPARE(QString::fromStdString(installed.startfile), DataDirectory() + "/" + kShippedPictureName);
    QVERIFY(std::filesystem::is_directory(installed.gifsavedir));

    TempDir dir;
    const QString file = QString::fromStdString(dir.file("config/Tarnwick/Velmo32.ini"));
    const Settings first{VELMORA_SHIPPED_PICTURE, dir.path(), dir.path(), dir.path(), dir.path()};
    std::vector<uint8_t> shown;
    for (const Settings& firstStart : {first, Settings{"/elsewhere.gif", "/x", "/x", "/x", "/x"}}) {
        ScriptedPrompter prompter;
        QSettingsStore store(file);
        Program program(prompter, store, firstStart);
        program.start();
        // Both starts show the shipped picture: the second one from the
        // settings the first one created.
        QCOMPARE(program.settings(), first);
        QVERIFY(prompter.shown.empty());
        QCOMPARE(program.CurrentFileName(), first.startfile);
        QCOMPARE(program.state().PictureBitmap.width(), 640);
        if (shown.empty()) shown = program.state().buffer.bytes;
        QVERIFY(program.state().buffer.bytes == shown);
    }
}

// A settings path naming a pipe, a directory, a link to a device or a huge
// file is reported and left as it is; the program starts with defaults
// (without waiting on the pipe).
void SettingsFilesTest::settingsPathThatIsNoSettingsFile() {
    TempDir dir;
    const std::string fifo = dir.file("fifo.ini"), folder = dir.file("folder.ini"), link = dir.file("link.ini"),
                      huge = dir.file("huge.ini");
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(folder);
    std::filesystem::create_symlink("/dev/null", link);
    std::filesystem::resize_file((std::ofstream(huge), huge), 4 << 20);
    for (const std::string& path : {fifo, folder, link, huge}) {
        ScriptedPrompter prompter;
        QSettingsStore store(QString::fromStdString(path));
        Program program(prompter, store, Settings{"", "/x", "/x", "/x", "/x"});
        program.start();
        QCOMPARE(prompter.shown.size(), size_t{1});
        QVERIFY2(prompter.shown[0].text.rfind("The settings file " + path, 0) == 0, prompter.shown[0].text.c_str());
        QCOMPARE(program.settings(), Settings{});
        SaveOptions(store, Settings{"/s.gif", "/a", "/b", "/c", "/d"});
    }
    QVERIFY(std::filesystem::is_fifo(fifo));
    QVERIFY(std::filesystem::is_directory(folder));
    QVERIFY(std::filesystem::is_symlink(link));
    QVERIFY(std::filesystem::is_character_file("/dev/null"));
    QCOMPARE(std::filesystem::file_size(huge), uintmax_t{4 << 20});
}

void SettingsFilesTest::settingsFileValuesOfOtherTypes() {
    TempDir dir;
    const std::string file = dir.file("v.ini");
    std::ofstream(file) << "[Software]\n"
                           "Tarnwick\\Velmo32\\2.01\\STARTFILE=/pics/a, b.gif\n"
                           "Tarnwick\\Velmo32\\2.01\\gifsavedir=@ByteArray(/g)\n"
                           "Tarnwick\\Velmo32\\2.01\\GifLoadDir=/load\n";
    QSettingsStore store(QString::fromStdString(file));
    Settings read;
    const std::vector<std::string> errors = ReadSettings(store, read);
    // An unquoted comma makes a list: not a string, as a byte array is not.
    QCOMPARE(errors, (std::vector<std::string>{"Invalid data type for 'Startfile'",
                                               "Invalid data type for 'gifsavedir'"}));
    QCOMPARE(read.gifloaddir, std::string("/load"));

    // A path that is not UTF-8 (written by another program) names its file.
    const std::string latin1 = dir.file("caf\xe9.gif");
    std::ofstream(dir.file("l.ini")) << "[Software]\nTarnwick\\Velmo32\\2.01\\Startfile=" << latin1 << "\n";
    QSettingsStore latin1Store(QString::fromStdString(dir.file("l.ini")));
    QCOMPARE(latin1Store.readString("Startfile"), std::optional<std::string>(latin1));

    SaveOptions(store, Settings{"/new, start.gif", "/gs", "/gl", "/ps", "/pl"});
    QSettings check(QString::fromStdString(file), QSettings::IniFormat);
    check.beginGroup("Software/Tarnwick/Velmo32/2.01");
    QCOMPARE(check.childKeys().size(), 5);
    QCOMPARE(check.value("STARTFILE").toString(), QString("/new, start.gif"));
    QCOMPARE(check.value("GifLoadDir").toString(), QString("/gl"));

    // A file that cannot be written any more: the error names the value.
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    try {
        SaveOptions(store, Settings{});
        QFAIL("wrote into a folder");
    } catch (const std::runtime_error& e) {
        QVERIFY(std::string(e.what()).starts_with("Failed to set data for 'gifsavedir'"));
    }
}

void SettingsFilesTest::directoryItems() {
    TempDir dir;
    std::filesystem::create_directories(dir.file("a/b"));
    std::filesystem::create_directories(dir.file("a/c"));
    StartedProgram p;
    Settings& settings = p.program.settings();
    ChooserSeen seen;

    // Opened at the folder set, read afresh each time: a folder made since
    // the last opening is listed.
    settings.gifloaddir = dir.file("a");
    for (const char* made : {"", "a/new"}) {
        if (*made) std::filesystem::create_directories(dir.file(made));
        bool listed = false;
        OnChooser(p, seen, [&](DirectoryChooserDialog& d) {
            listed = d.rowOf(dir.file("a/new")) >= 0;
            QTest::mouseClick(d.okButton(), Qt::LeftButton);
        });
        Trigger(p, "Pictureloaddirectory1");
        QCOMPARE(seen.caption, QString("SELECT PICTURE LOAD DIRECTORY"));
        QCOMPARE(seen.label.toStdString(), dir.file("a"));
        QCOMPARE(seen.listDirectory.toStdString(), dir.file("a"));
        QCOMPARE(settings.gifloaddir, dir.file("a"));
        QCOMPARE(listed, *made != 0);
    }

    // Into a folder (Enter opens it and leaves the dialog open), then
    // closed by the frame: still stored.
    settings.palsavedir = dir.file("a");
    OnChooser(p, seen, [&](DirectoryChooserDialog& d) {
        QListWidget* list = d.directoryListBox1();
        list->setCurrentRow(d.rowOf(dir.file("a/c")));
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(d.isVisible());
    });
    Trigger(p, "Palettesavedirectory1");
    QCOMPARE(seen.caption, QString("SELECT PALETTE SAVE DIRECTORY"));
    QCOMPARE(settings.palsavedir, dir.file("a/c"));
    QCOMPARE(p.program.directoryChooser().chooser().ChosenDirectory(), dir.file("a/c"));

    // A folder that has gone: reported, not shown, the setting kept.
    settings.palloaddir = dir.file("gone/x");
    Trigger(p, "Paletteloaddirectory1");
    QCOMPARE(p.prompter.texts(),
             std::vector<std::string>{"Cannot open the folder " + dir.file("gone") + ": File not found."});
    QCOMPARE(settings.palloaddir, dir.file("gone/x"));
}

void SettingsFilesTest::directoryItemsWaitForTheRun() {
    StartedProgram p;
    const Settings before = p.program.settings();
    DuringNextRun(p.program, [&] {
        for (const MenuId item : {MenuId::PictureLoadDirectory, MenuId::PictureSaveDirectory,
                                  MenuId::PaletteLoadDirectory, MenuId::PaletteSaveDirectory, MenuId::SaveAsBmp,
                                  MenuId::SavePalette})
            p.window().triggerItem(item);
    });
    QTest::keyClick(&p.window(), Qt::Key_F2);
    QVERIFY(!p.program.directoryChooser().isVisible());
    QVERIFY(p.prompter.fileRequests.empty());
    QVERIFY(p.prompter.shown.empty());
    QCOMPARE(p.program.settings(), before);
}

void SettingsFilesTest::startupFileAndSaveOptions() {
    StartedProgram p;
    Settings& settings = p.program.settings();
    settings.startfile = "/pictures/old/start.gif";
    p.prompter.files = {std::nullopt, std::string("/pictures/new.gif")};
    Trigger(p, "Setstartup1");
    QCOMPARE(settings.startfile, std::string("/pictures/old/start.gif"));
    Trigger(p, "Setstartup1");
    QCOMPARE(settings.startfile, std::string("/pictures/new.gif"));
    QCOMPARE(p.prompter.fileRequests[0].caption, std::string("SET STARTUP FILE"));
    QCOMPARE(p.prompter.fileRequests[0].directory, std::string("/pictures/old"));

    settings.gifsavedir = "/gs";
    p.settings.writesBeforeFailure = 2;
    Trigger(p, "Saveoptions1");
    QCOMPARE(p.settings.get("gifsavedir"), std::string("/gs"));
    QCOMPARE(p.settings.get("startfile"), std::string(""));
    QCOMPARE(p.prompter.shown.size(), size_t(1));
    QCOMPARE(p.prompter.shown[0].text, std::string("Failed to set data for 'palsavedir'."));
    QCOMPARE(p.prompter.shown[0].icon, MessageIcon::Error);
    p.settings.writesBeforeFailure = -1;
    Trigger(p, "Saveoptions1");
    QCOMPARE(p.settings.get("Startfile"), std::string("/pictures/new.gif"));
}

void SettingsFilesTest::paletteFiles() {
    TempDir dir;
    StartedProgram p;
    p.program.settings().palsavedir = dir.path();
    p.program.settings().palloaddir = "/palettes";
    const MarkedIndexList defaults = p.state().palette.marks;

    p.prompter.files = {dir.file("saved.vmp")};
    Trigger(p, "SavePalette1");
    const FileDialogRequest& save = p.prompter.fileRequests.back();
    QCOMPARE(save.caption, std::string("SAVE PALETTE"));
    QCOMPARE(save.directory, dir.path());
    QCOMPARE(save.defaultSuffix, std::string("vmp"));
    const PaletteFileRecord record = EncodePaletteFile(defaults);
    QVERIFY(ReadFile(dir.file("saved.vmp")) == std::string(record.begin(), record.end()));

    // Refused files change nothing and say why.
    std::vector<uint8_t> one(kPaletteFileSize, 0);
    one[0] = 2;
    one[1] = 100;
    one[2] = 255;
    one[5] = 255;
    WriteBytes(dir.file("short.vmp"), std::vector<uint8_t>(one.begin(), one.end() - 1));
    one[0] = 0;
    WriteBytes(dir.file("zero.vmp"), one);
    one[0] = 2;
    WriteBytes(dir.file("one.vmp"), one);
    p.prompter.files = {dir.file("short.vmp"), dir.file("zero.vmp"), std::nullopt, dir.file("missing.vmp")};
    for (int i = 0; i < 4; ++i) Trigger(p, "LoadPalette1");
    QCOMPARE(p.prompter.texts(), (std::vector<std::string>{
                                     "Read beyond end of file.",
                                     dir.file("zero.vmp") + " is not a usable palette file: it holds 0 marked "
                                                            "entries, and a palette has 1 to 30.",
                                     "File not found."}));
    QVERIFY(SameMarks(p.state().palette.marks, defaults));
    QCOMPARE(p.prompter.fileRequests.back().caption, std::string("LOAD PALETTE"));
    QCOMPARE(p.prompter.fileRequests.back().directory, std::string("/palettes"));

    // One mark and the terminator: only 182 and 183 change at the build.
    const ColourTable256 before = p.window().canvas()->colourTable();
    p.prompter.files = {dir.file("one.vmp")};
    Trigger(p, "LoadPalette1");
    QCOMPARE(p.state().palette.marks.count, 2);
    QCOMPARE(p.window().canvas()->colourTable(), before);

    // A save that fails leaves no file and says which and why.
    p.prompter.shown.clear();
    p.prompter.files = {dir.file("no/folder/p.vmp")};
    Trigger(p, "SavePalette1");
    QCOMPARE(p.prompter.texts(), std::vector<std::string>{"Cannot save " + dir.file("no/folder/p.vmp") +
                                                          ": File not found."});
}

void SettingsFilesTest::paletteLoadDuringRunRecoloursAtOnce() {
    TempDir dir;
    StartedProgram p;
    MarkedIndexList cyan = p.state().palette.marks;
    cyan.at(1) = {0, 0, 255, 255};
    const PaletteFileRecord record = EncodePaletteFile(cyan);
    WriteBytes(dir.file("cyan.vmp"), std::vector<uint8_t>(record.begin(), record.end()));
    p.prompter.files = {dir.file("cyan.vmp")};
    bool running = false;
    QRgb shown = 0;
    DuringNextRun(p.program, [&] {
        p.window().triggerItem(MenuId::LoadPalette);
        running = p.state().run.Calculating;
        shown = p.window().canvas()->colourTable()[0];
    });
    QTest::keyClick(&p.window(), Qt::Key_F2);
    QVERIFY(running);
    QCOMPARE(shown, qRgb(0, 255, 255));
    QCOMPARE(p.window().canvas()->colourTable()[0], qRgb(0, 255, 255));
    QCOMPARE(p.state().statusText, std::string("Picture completed."));
}

void SettingsFilesTest::bmpExport() {
    TempDir dir;
    StartedProgram p;
    Trigger(p, "SaveasBMP1");
    QCOMPARE(p.prompter.texts(), std::vector<std::string>{"There is no picture to save."});
    QVERIFY(p.prompter.fileRequests.empty());

    QTest::keyClick(&p.window(), Qt::Key_F2);
    p.prompter.files = {dir.file("pic.bmp"), dir.file("none/pic.bmp")};
    Trigger(p, "SaveasBMP1");
    const FileDialogRequest& request = p.prompter.fileRequests.back();
    QCOMPARE(request.caption, std::string("Save Picture File"));
    QCOMPARE(request.directory, p.program.directoryChooser().chooser().ChosenDirectory());
    QCOMPARE(request.defaultSuffix, std::string("bmp"));

    const QImage read(QString::fromStdString(dir.file("pic.bmp")));
    QCOMPARE(read.format(), QImage::Format_Indexed8);
    QCOMPARE(read.size(), QSize(200, 150));
    QVERIFY(Indices(read) == p.state().PictureBitmap.pixels());
    const ColourTable256& colours = p.window().canvas()->colourTable();
    QCOMPARE(read.colorCount(), 256);
    for (int i = 0; i < 256; ++i) QCOMPARE(read.color(i), colours[size_t(i)]);

    Trigger(p, "SaveasBMP1");
    QCOMPARE(p.prompter.shown.back().text, "Cannot save " + dir.file("none/pic.bmp") + ": File not found.");
    QVERIFY(!std::filesystem::exists(dir.file("none")));
}

QTEST_MAIN(SettingsFilesTest)
#include "settings_files_test.moc"
