// The five settings through a store in memory, the directory rules, and
// the directory chooser's choice on real folders.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "directory_chooser.hpp"
#include "directory_rules.hpp"
#include "memory_settings_store.hpp"
#include "recent_files.hpp"
#include "settings.hpp"
#include "temp_dir.hpp"

using namespace velmora;
using velmora::testing::MemorySettingsStore;

namespace {

MemorySettingsStore StoreWith(std::initializer_list<std::pair<std::string, std::string>> values) {
    MemorySettingsStore store;
    store.exists = true;
    for (const auto& [name, value] : values) store.put(name, value);
    return store;
}

const std::string kLong = "/home/someone/" + std::string(100, 'p') + "/pictures";

}  // namespace

TEST(SettingsTest, ReadsFiveValuesWholeAndCaseBlind) {
    MemorySettingsStore store = StoreWith({{"STARTFILE", kLong + "/start.gif"},
                                           {"gifsavedir", "/g/save"},
                                           {"GifLoadDir", "/g/load"},
                                           {"palsavedir", kLong}});
    Settings s;
    s.palloaddir = "stale";
    EXPECT_TRUE(ReadSettings(store, s).empty());
    EXPECT_EQ(s, (Settings{kLong + "/start.gif", "/g/save", "/g/load", kLong, ""}));
}

TEST(SettingsTest, WithoutTheKeyNothingIsReadOrWritten) {
    MemorySettingsStore store;
    store.put("Startfile", "/x.gif");  // unreachable without the key
    Settings s{"a", "b", "c", "d", "e"};
    EXPECT_TRUE(ReadSettings(store, s).empty());
    EXPECT_EQ(s, (Settings{"a", "b", "c", "d", "e"}));
    SaveOptions(store, s);
    EXPECT_TRUE(store.written.empty());
}

TEST(SettingsTest, UnreadableValueIsReportedAndTheRestStillRead) {
    MemorySettingsStore store = StoreWith({{"Startfile", "/s.gif"}, {"gifsavedir", "x"}, {"palloaddir", "/p"}});
    store.notStrings.insert("gifsavedir");
    Settings s;
    EXPECT_EQ(ReadSettings(store, s), std::vector<std::string>{"Invalid data type for 'gifsavedir'"});
    EXPECT_EQ(s, (Settings{"/s.gif", "", "", "", "/p"}));
}

TEST(SettingsTest, SaveOptionsWritesInOrderAndStartfileIsTheValueReadAsStartfile) {
    MemorySettingsStore store = StoreWith({{"Startfile", "/old.gif"}});
    const Settings saved{"/new.gif", "/gs", "/gl", "/ps", kLong};
    SaveOptions(store, saved);
    EXPECT_EQ(store.written,
              (std::vector<std::string>{"gifsavedir", "gifloaddir", "palsavedir", "palloaddir", "startfile"}));
    EXPECT_EQ(store.values.size(), 5u);
    Settings read;
    ReadSettings(store, read);
    EXPECT_EQ(read, saved);
}

TEST(SettingsTest, InstallerCreatesTheKeyOnlyOnce) {
    MemorySettingsStore store;
    const Settings initial{"/usr/share/start.gif", "/home/u/Pictures", "/home/u/Pictures", "/home/u/Pictures",
                           "/home/u/Pictures"};
    EXPECT_TRUE(InstallSettings(store, initial));
    Settings read;
    ReadSettings(store, read);
    EXPECT_EQ(read, initial);
    EXPECT_FALSE(InstallSettings(store, Settings{"/other.gif", "", "", "", ""}));
    EXPECT_EQ(store.get("startfile"), "/usr/share/start.gif");
}

TEST(DirectoryRulesTest, DirectoryAndDriveParts) {
    const std::vector<std::string> volumes{"/", "/home", "/media/usb"};
    struct Case {
        std::string path, directory, drive;
    };
    for (const Case& c : std::vector<Case>{
             {"/home/u/pics", "/home/u", "/home"},
             {"/home", "/", "/home"},
             {"/homework/a", "/homework", "/"},
             {"/media/usb/x/", "/media/usb/x", "/media/usb"},
             {"/", "/", "/"},
             {"pics", "", ""},
             {"", "", ""},
         }) {
        EXPECT_EQ(DirectoryPart(c.path), c.directory) << c.path;
        EXPECT_EQ(DrivePart(c.path, volumes), c.drive) << c.path;
    }
    EXPECT_EQ(DrivePart("/a", {"/media/usb"}), "");
}

namespace {

class FakeChooserView : public DirectoryChooserView {
public:
    std::vector<std::string> volumes() override { return volumeList; }
    void setCaption(const std::string& c) override { caption = c; }
    void showDrive(const std::string& v) override { drive = v; }
    void showDirectory(const std::string& d) override { directory = d; }
    void setLabel(const std::string& text) override { label = text; }
    void showModal() override {
        ++shown;
        labelWhenShown = label;
        directoryWhenShown = directory;
        if (user) user();
    }

    std::vector<std::string> volumeList{"/"};
    std::string caption, drive, directory, label, labelWhenShown, directoryWhenShown;
    int shown = 0;
    std::function<void()> user;
};

// The chooser moves the working directory as it moves its list.
struct DirectoryChooserTest : ::testing::Test {
    DirectoryChooserTest() {
        std::filesystem::create_directories(root.file("a/b"));
        std::filesystem::create_directories(root.file("a/c"));
        chooser.create();
        start = chooser.listDirectory();
    }
    ~DirectoryChooserTest() override { std::filesystem::current_path(before); }

    std::filesystem::path before = std::filesystem::current_path();
    TempDir root;
    FakeChooserView view;
    DirectoryChooser chooser{view};
    std::string start;
};

}  // namespace

TEST_F(DirectoryChooserTest, OpensAtTheFolderSetAndConfirmingAtOnceKeepsIt) {
    EXPECT_EQ(view.label, "");  // ChosenDirectory is empty until the list moves
    const struct {
        std::string setting, shown;
    } cases[] = {
        {root.file("a/b"), root.file("a/b")},
        {root.file("a/b"), root.file("a/b")},  // where the list already is
        {root.file("a/gone"), root.file("a")},  // a folder since removed: the one that held it
        {root.file("a/c/"), root.file("a/c")},
    };
    for (const auto& c : cases) {
        std::string setting = c.setting;
        chooser.ChooseDirectory(setting, "SELECT PICTURE LOAD DIRECTORY");
        EXPECT_EQ(view.caption, "SELECT PICTURE LOAD DIRECTORY");
        EXPECT_EQ(view.labelWhenShown, c.shown) << c.setting;
        EXPECT_EQ(view.directoryWhenShown, c.shown) << c.setting;
        EXPECT_EQ(setting, c.shown) << c.setting;
        EXPECT_EQ(std::filesystem::current_path().string(), c.shown) << c.setting;
    }
}

TEST_F(DirectoryChooserTest, NavigationAndClicksSetTheChoice) {
    const struct {
        const char* name;
        std::function<void(DirectoryChooser&)> user;
        std::string expected;
    } cases[] = {
        {"opened a folder", [&](DirectoryChooser& c) { c.directoryOpened(root.file("a/c")); }, root.file("a/c")},
        {"opened a parent", [&](DirectoryChooser& c) { c.directoryOpened(root.file("a/..")); }, root.path()},
        // Back to the directory the list last showed on that volume.
        {"changed drive", [](DirectoryChooser& c) { c.driveSelected("/"); }, start},
        {"clicked the list", [](DirectoryChooser& c) { c.listClicked(); }, root.file("a/b")},
    };
    view.volumeList = {"/", root.path()};
    for (const auto& c : cases) {
        std::string setting = root.file("a/b");
        view.user = [&] { c.user(chooser); };
        chooser.ChooseDirectory(setting, "SELECT PALETTE SAVE DIRECTORY");
        EXPECT_EQ(setting, c.expected) << c.name;
        EXPECT_EQ(view.label, c.expected) << c.name;
    }
}

TEST_F(DirectoryChooserTest, MissingFolderIsReportedAndNothingShownOrChanged) {
    std::string setting = root.file("gone/x");
    EXPECT_THROW(chooser.ChooseDirectory(setting, "SELECT PICTURE SAVE DIRECTORY"), std::runtime_error);
    EXPECT_EQ(setting, root.file("gone/x"));
    EXPECT_EQ(view.shown, 0);
}

TEST_F(DirectoryChooserTest, EmptySettingOpensWhereTheListIsAndStoresIt) {
    std::string setting;
    chooser.ChooseDirectory(setting, "SELECT PALETTE LOAD DIRECTORY");
    EXPECT_EQ(view.shown, 1);
    EXPECT_EQ(setting, chooser.listDirectory());
    EXPECT_FALSE(setting.empty());
}

namespace velmora {
namespace {

TEST(RecentFilesTest, NewestFirstOnceEachAtMostEight) {
    RecentFiles recent;
    for (const char* f : {"a.gif", "b.gif", "a.gif", "", "c.gif"}) recent.add(f);
    EXPECT_EQ(recent.files(), (std::vector<std::string>{"c.gif", "a.gif", "b.gif"}));
    for (int i = 0; i < 10; ++i) recent.add("p" + std::to_string(i) + ".gif");
    ASSERT_EQ(recent.files().size(), RecentFiles::kMaxFiles);
    EXPECT_EQ(recent.files().front(), "p9.gif");
    EXPECT_EQ(recent.files().back(), "p2.gif");
    recent.remove("p5.gif");
    EXPECT_EQ(recent.files().size(), RecentFiles::kMaxFiles - 1);
}

TEST(RecentFilesTest, KeptInTheStoreBesideTheSettings) {
    testing::MemorySettingsStore store;
    RecentFiles recent;
    recent.add("one.gif");
    recent.write(store);  // no key yet: nothing written
    EXPECT_TRUE(store.written.empty());

    store.exists = true;
    recent.add("two.gif");
    recent.write(store);
    EXPECT_EQ(store.get("recent1"), "two.gif");
    EXPECT_EQ(store.get("recent2"), "one.gif");
    EXPECT_EQ(store.get("recent8"), "");

    // Unreadable, empty and repeated values are skipped.
    store.put("recent3", "two.gif");
    store.put("recent4", "x");
    store.notStrings.insert("recent4");
    store.put("recent5", "five.gif");
    RecentFiles read;
    read.read(store);
    EXPECT_EQ(read.files(), (std::vector<std::string>{"two.gif", "one.gif", "five.gif"}));
}

}  // namespace
}  // namespace velmora
