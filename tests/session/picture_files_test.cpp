// The parameter block, and saving and loading whole pictures: what comes
// back, what continues, and what a refused or unreadable file leaves alone.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cfloat>
#include <cstring>
#include <filesystem>

#include "conversions.hpp"
#include "fault.hpp"
#include "file_stream.hpp"
#include "file_test_support.hpp"
#include "little_endian.hpp"

namespace velmora {
namespace {

using testing::FileProgram;

std::vector<bool> Checks(const MenuItem& item) {
    std::vector<bool> out;
    for (const auto& child : item.children) {
        out.push_back(child->checked);
        const std::vector<bool> below = Checks(*child);
        out.insert(out.end(), below.begin(), below.end());
    }
    return out;
}

// Everything a load may change.
struct Fingerprint {
    std::array<uint8_t, kParameterBlockSize> state{}, block{};
    std::vector<uint8_t> buffer, bitmap;
    std::vector<std::string> texts;
    std::vector<bool> checks;
    std::string custfunc;
    CustomConstantTexts constants;
    std::array<uint8_t, kCustomCodeCapacity> code{};
    int sphere = 0, inversion = 0, xoff = 0, yoff = 0, bitmapWidth = 0;
    friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
};

Fingerprint Take(FileProgram& p) {
    Fingerprint f;
    ParameterBlock b;
    FillParameterBlock(b, p.s, p.formula.text);
    f.state = b.bytes;
    f.block = p.files.block().bytes;
    f.buffer = p.s.buffer.bytes;
    f.bitmap = p.s.PictureBitmap.pixels();
    for (const TextFieldInfo& t : TextFieldTable()) f.texts.push_back(p.s.texts.text(t.field));
    f.checks = Checks(p.s.menu.mainMenu());
    f.custfunc = p.s.params.custfunc;
    f.constants = p.formula.constants;
    f.code = p.s.params.CustomCode;
    f.sphere = p.s.params.sphere;
    f.inversion = p.s.params.inversion;
    f.xoff = p.s.xoff;
    f.yoff = p.s.yoff;
    f.bitmapWidth = p.s.BitmapWidth;
    return f;
}

TEST(ParameterBlock, SinglesFromTexts) {
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"0.1", 0.1f}, {" -2.5e1xyz", -25.0f}, {"1e", 1.0f}, {".5", 0.5f}, {"abc", 0.0f},
        {"", 0.0f},    {"1e99", FLT_MAX},      {"-1e5000", -FLT_MAX},
    };
    for (const auto& c : cases) EXPECT_EQ(SingleFromText(c.text), c.value) << c.text;
}

TEST(ParameterBlock, FillLaysOutEveryField) {
    FileProgram p;
    PictureParameters& q = p.s.params;
    p.actions.Mandelbrot();
    p.actions.Sphere();
    p.actions.Inversion();  // both set: the block records Sphere
    q.siz = 300;
    q.sizy = 225;
    q.LastColumnDone = 117;
    q.FunctionKind = 16;
    q.ffunc = 2;
    q.xce = -0.75L;
    q.Rang = 1e-12L;
    q.miter = 500;
    q.StalkType = 11;
    q.BailoutKind = 1;
    q.maxmod = 1e300L;
    q.invr = 0.25L;
    p.s.texts.setText(TextField::p1, "0.1");
    p.s.texts.setText(TextField::cmy, "not a number");
    p.formula.text = "z*z+u";
    ParameterBlock b;
    b.bytes[4] = b.bytes[409] = b.bytes[459] = b.bytes[461 + 4 * 14] = 0xAA;  // not the fill's to write
    FillParameterBlock(b, p.s, p.formula.text);

    const uint8_t* at = b.bytes.data();
    EXPECT_EQ(std::string(at, at + 4), std::string("\3VM1"));
    const struct {
        size_t offset;
        int64_t value;
    } ints[] = {
        {block::kSiz, 300}, {block::kSizy, 225}, {block::kLastColumnDone, 117}, {block::kMiter, 500},
    };
    for (const auto& c : ints) EXPECT_EQ(GetI32(at + c.offset), c.value) << c.offset;
    const struct {
        size_t offset;
        uint8_t value;
    } bytes[] = {
        {4, 0xAA}, {block::kSetKind, 1}, {block::kFunctionKind, 16}, {block::kFfunc, 2}, {block::kStalkType, 11},
        {block::kBailoutKind, 1}, {block::kMapping, 1}, {block::kMarkCount, 14}, {409, 0xAA}, {459, 0xAA},
        {461 + 4 * 14, 0xAA}, {461, 0}, {462, 255}, {461 + 4 * 13, 255},
    };
    for (const auto& c : bytes) EXPECT_EQ(at[c.offset], c.value) << c.offset;
    EXPECT_EQ(std::string(at + block::kCustomFormula, at + block::kCustomFormula + 6), std::string("\5z*z+u"));
    EXPECT_EQ(std::memcmp(at + block::kXce, &q.xce, 10), 0);
    EXPECT_EQ(std::memcmp(at + block::kRang, &q.Rang, 10), 0);
    EXPECT_EQ(std::memcmp(at + block::kMaxmod, &q.maxmod, 10), 0);
    EXPECT_EQ(std::memcmp(at + block::kInvr, &q.invr, 10), 0);
    EXPECT_EQ(GetSingle(at + block::kSingles), 0.1f);
    EXPECT_EQ(GetSingle(at + block::kSingles + 8 * 4), 0.0f);  // cmy could not be read
}

// A block applied to a program: numbers, menus, texts and marks as the
// saved program had them, in the block's formats.
TEST(ParameterBlock, ApplyRestoresTheProgram) {
    FileProgram saved;
    saved.actions.FunctionItem(kFormulaRecipF);
    saved.actions.FfuncItem(kFfuncCos);
    saved.actions.StalkItem(kStalkMedian);
    saved.actions.BailoutItem(kBailoutSumAbs);
    saved.actions.Sphere();
    saved.actions.Inversion();
    saved.s.params.siz = 40;
    saved.s.params.sizy = 30;
    saved.s.params.Rang = 3.3L;
    saved.s.params.cx = -0.775L;
    saved.s.params.maxmod = 4.0L;
    saved.s.params.miter = 50;
    saved.s.texts.setText(TextField::p2, "0.1");
    saved.s.palette.marks.at(2).red = 7;
    ParameterBlock b;
    FillParameterBlock(b, saved.s, saved.formula.text);

    FileProgram loaded;
    ASSERT_TRUE(ApplyParameterBlock(b, loaded.s, loaded.actions, loaded.formula));
    const PictureParameters& q = loaded.s.params;
    EXPECT_EQ(q.FunctionKind, kFormulaRecipF);
    EXPECT_EQ(q.ffunc, kFfuncCos);
    EXPECT_EQ(q.StalkType, kStalkMedian);
    EXPECT_EQ(q.BailoutKind, kBailoutSumAbs);
    EXPECT_EQ(q.sphere, 1);
    EXPECT_EQ(q.inversion, 0);  // keeps its value: the block records only Sphere
    EXPECT_EQ(q.Rang, 3.3L);
    EXPECT_TRUE(SameMarks(loaded.s.palette.marks, saved.s.palette.marks));
    EXPECT_EQ(Checks(loaded.s.menu.mainMenu()), [&] {
        saved.s.menu.setChecked(MenuId::Sphere, true);  // the Inversion check goes with the block's Sphere
        return Checks(saved.s.menu.mainMenu());
    }());
    const struct {
        TextField field;
        const char* text;
    } texts[] = {
        {TextField::siz, "40"},        {TextField::miter, "50"},       {TextField::maxmod, "   4.0"},
        {TextField::Rang, " 3.30000000000"}, {TextField::cx, "-0.77500000000"}, {TextField::p2, " 0.10000"},
        {TextField::p1, " 1.00000"},    {TextField::cmy, " 0.00000"},
    };
    for (const auto& t : texts) EXPECT_EQ(loaded.s.texts.text(t.field), t.text) << t.text;

    // Kind 16 checks no Function item; an unknown tag changes nothing.
    b.bytes[block::kFunctionKind] = 16;
    ASSERT_TRUE(ApplyParameterBlock(b, loaded.s, loaded.actions, loaded.formula));
    EXPECT_EQ(loaded.s.params.FunctionKind, 16);
    EXPECT_TRUE(loaded.s.menu.isChecked(FormulaMenuId(kFormulaRecipF)));
    b.bytes[1] = 'v';
    b.bytes[block::kFunctionKind] = 3;
    EXPECT_FALSE(ApplyParameterBlock(b, loaded.s, loaded.actions, loaded.formula));
    EXPECT_EQ(loaded.s.params.FunctionKind, 16);
}

// Without the file's texts, each number goes into its text in the fixed
// format when that reads back to the block's value, else with the digits it
// needs: a run reads the picture's own numbers.
TEST(ParameterBlock, TextsReadBackToTheBlocksNumbers) {
    const struct {
        TextField field;
        long double value;
        const char* text;
    } cases[] = {
        {TextField::Rang, 3.3L, " 3.30000000000"},
        {TextField::Rang, 3.3333e-10L, "    3.3333e-10"},
        {TextField::Rang, 4e-12L, "         4e-12"},
        {TextField::xce, -0.743643887037158704752191506114774L, "-0.74364388703715870473"},
        {TextField::cy, -0.0L, "-0.00000000000"},
        {TextField::maxmod, 2.25L, "  2.25"},
        {TextField::maxmod, 4.0L, "   4.0"},
        {TextField::p1, 0.1L, " 0.10000"},
        {TextField::p1, 0.33333333L, "0.33333334"},
        {TextField::p2, 1e-7L, "   1e-07"},
    };
    for (const auto& c : cases) {
        FileProgram saved;
        PictureParameters& q = saved.s.params;
        long double* extended[] = {&q.Rang, &q.xce, &q.yce, &q.cx, &q.cy, &q.maxmod};
        const TextField fields[] = {TextField::Rang, TextField::xce, TextField::yce, TextField::cx, TextField::cy,
                                    TextField::maxmod};
        for (size_t i = 0; i < std::size(fields); ++i)
            if (fields[i] == c.field) *extended[i] = c.value;
        if (c.field == TextField::p1 || c.field == TextField::p2) saved.text(c.field, FormatFixed(c.value, 0, 12));
        ParameterBlock b;
        FillParameterBlock(b, saved.s, saved.formula.text);
        FileProgram loaded;
        ASSERT_TRUE(ApplyParameterBlock(b, loaded.s, loaded.actions, loaded.formula));
        EXPECT_EQ(loaded.s.texts.text(c.field), c.text);
    }
}

// The file's texts come back as they were typed, where they describe the
// picture; a text edited after the picture was made gives way to the
// picture's value.
TEST(ParameterBlock, FileTextsWhereTheyDescribeThePicture) {
    FileProgram saved;
    saved.s.params.Rang = 0.1L;
    saved.text(TextField::p1, "0.33333333");
    saved.text(TextField::minit, "7");
    ParameterBlock b;
    FillParameterBlock(b, saved.s, saved.formula.text);
    PictureTexts texts = TakePictureTexts(saved.s.texts, {}, "");
    texts.dialog[size_t(ParameterTexts::Index(TextField::Rang))] = ".1";
    texts.dialog[size_t(ParameterTexts::Index(TextField::xce))] = "0.5";  // not the picture's 0
    texts.dialog[size_t(ParameterTexts::Index(TextField::miter))] = "50x";

    FileProgram loaded;
    ASSERT_TRUE(ApplyParameterBlock(b, loaded.s, loaded.actions, loaded.formula, &texts));
    const struct {
        TextField field;
        const char* text;
    } expected[] = {
        {TextField::Rang, ".1"}, {TextField::p1, "0.33333333"}, {TextField::minit, "7"},
        {TextField::xce, " 0.00000000000"}, {TextField::miter, "50"},
    };
    for (const auto& e : expected) EXPECT_EQ(loaded.s.texts.text(e.field), e.text) << e.text;
}

// A saved picture, loaded into a program whose texts and custom constants
// differ, goes on exactly as the saving program would have: the continued
// picture is the one computed whole, and every text comes back as typed.
TEST(PictureFiles, LoadedPictureContinuesAsSaved) {
    const struct {
        const char* name;
        std::vector<std::pair<TextField, const char*>> texts;
        const char* formula;  // custom when set
    } cases[] = {
        {"deep range", {{TextField::Rang, "3.3333e-10"}, {TextField::xce, "-0.743643887037151"},
                        {TextField::yce, "0.13182590420533"}, {TextField::miter, "400"}}, nullptr},
        {"range below the decimals", {{TextField::Rang, "4e-12"}, {TextField::xce, "-0.75"}, {TextField::yce, "0.1"}}, nullptr},
        {"bailout", {{TextField::maxmod, "2.25"}, {TextField::cx, "0.285"}, {TextField::cy, "0.01"}}, nullptr},
        {"stalk parameter", {{TextField::p1, "0.33333333"}, {TextField::p2, "0.123456789"}}, nullptr},
        {"custom with constants and minimum", {{TextField::minit, "3"}, {TextField::Rang, "2.5"}}, "z*z*u+c*v-w"},
    };
    for (const auto& c : cases) {
        auto prepare = [&](FileProgram& p) {
            p.actions.Mandelbrot();
            if (std::string(c.name) == "stalk parameter") p.actions.StalkItem(kStalkCross);
            for (const auto& [field, text] : c.texts) p.text(field, text);
            if (c.formula) p.custom(c.formula);
        };
        FileProgram whole;
        prepare(whole);
        whole.driver.Runclick();

        FileProgram halted;
        prepare(halted);
        int pixels = 0;
        halted.host.onPump = [&] {
            if (++pixels == 12 * 30 + 5) halted.s.run.CancelRequested = true;
        };
        halted.driver.Runclick();
        ASSERT_LT(halted.s.params.LastColumnDone, 39) << c.name;
        const std::vector<uint8_t> file = halted.save();

        FileProgram loaded;
        loaded.text(TextField::minit, "0");
        MemorySource source(file);
        const LoadOutcome outcome = loaded.files.LoadGif(source, "halted.gif");
        ASSERT_TRUE(outcome.loaded()) << c.name;
        EXPECT_EQ(outcome.continuation.end, RunEnd::Completed) << c.name;
        EXPECT_EQ(loaded.s.buffer.bytes, whole.s.buffer.bytes) << c.name;
        for (const TextFieldInfo& t : TextFieldTable())
            EXPECT_EQ(loaded.s.texts.text(t.field), halted.s.texts.text(t.field)) << c.name << " " << t.name;
        EXPECT_EQ(loaded.formula.constants, halted.formula.constants) << c.name;
        EXPECT_EQ(loaded.s.params.CustomCode, halted.s.params.CustomCode) << c.name;
    }
}

TEST(PictureFiles, SavedPictureLoadsBackWhole) {
    FileProgram saved;
    saved.actions.Mandelbrot();
    saved.s.texts.setText(TextField::siz, "41");
    saved.formula.text = "z*z*z+c";
    saved.actions.FunctionItem(kFormulaCustom);
    saved.actions.StalkItem(kStalkCross);
    saved.driver.Runclick();
    ASSERT_EQ(saved.s.statusText, "Picture completed.");
    const std::vector<uint8_t> file = saved.save();
    EXPECT_EQ(saved.s.statusText, "saved.gif");
    EXPECT_EQ(saved.fileHost.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(saved.fileHost.markRows.size(), 31u);
    EXPECT_EQ(saved.fileHost.markX, saved.s.xoff - 10);

    FileProgram loaded;
    loaded.formula.text = "something else";
    ASSERT_EQ(loaded.load(file), LoadResult::Loaded);
    EXPECT_TRUE(loaded.host.messages.empty());
    EXPECT_EQ(loaded.formula.dialogsShown, 0);
    EXPECT_EQ(loaded.s.statusText, "loaded.gif");
    EXPECT_EQ(loaded.files.CurrentFileName(), "/pictures/loaded.gif");
    EXPECT_EQ(loaded.fileHost.progressMaximum, 31);
    EXPECT_EQ(loaded.fileHost.progress.size(), 31u);
    EXPECT_FALSE(loaded.fileHost.progressShown);
    EXPECT_EQ(loaded.s.palette.builds, 1u);
    EXPECT_EQ(loaded.s.PictureBitmap.pixels(), saved.s.buffer.bytes);  // indices as they are
    EXPECT_EQ(loaded.files.block().bytes, saved.files.block().bytes);
    // Both programs now describe the same picture.
    Fingerprint a = Take(saved), b = Take(loaded);
    a.block = b.block;
    EXPECT_EQ(a.state, b.state);
    EXPECT_EQ(a.buffer, b.buffer);
    EXPECT_EQ(a.checks, b.checks);
    EXPECT_EQ(a.custfunc, "z*z*z+c");
    EXPECT_EQ(b.custfunc, "z*z*z+c");
    EXPECT_EQ(loaded.s.params.CustomCode, saved.s.params.CustomCode);
    // Loading the same custom picture again and again keeps compiling.
    for (int i = 0; i < 30; ++i) ASSERT_EQ(loaded.load(file), LoadResult::Loaded);
    EXPECT_TRUE(loaded.host.messages.empty());
}

TEST(PictureFiles, UnfinishedPictureContinuesAfterLoading) {
    FileProgram whole;
    whole.driver.Runclick();

    FileProgram halted;
    int pixels = 0;
    halted.host.onPump = [&] {
        if (++pixels == 12 * 30 + 5) halted.s.run.CancelRequested = true;
    };
    halted.driver.Runclick();
    ASSERT_EQ(halted.s.statusText, "Picture generation halted.");
    ASSERT_EQ(halted.s.params.LastColumnDone, 12);
    const std::vector<uint8_t> file = halted.save();

    FileProgram loaded;
    MemorySource source(file);
    const LoadOutcome outcome = loaded.files.LoadGif(source, "halted.gif");
    ASSERT_TRUE(outcome.loaded());
    EXPECT_FALSE(outcome.finished);
    EXPECT_EQ(outcome.continuation.end, RunEnd::Completed);
    EXPECT_GT(outcome.continuation.orbitSteps, 0);
    EXPECT_EQ(loaded.s.statusText, "Picture completed.");
    EXPECT_EQ(loaded.s.params.LastColumnDone, 39);
    EXPECT_EQ(loaded.host.copiedColumns.front(), 12);
    EXPECT_EQ(loaded.s.buffer.bytes, whole.s.buffer.bytes);

    // Loaded to be rendered anew, it stays as it was saved.
    FileProgram kept;
    MemorySource again(file);
    EXPECT_EQ(kept.files.LoadGif(again, "halted.gif", LoadIntent::KeepAsLoaded).continuation.end, RunEnd::NotStarted);
    EXPECT_EQ(kept.s.params.LastColumnDone, 12);
    EXPECT_EQ(kept.s.buffer.bytes, halted.s.buffer.bytes);
}

TEST(PictureFiles, RefusedFileChangesNothing) {
    FileProgram other;
    other.actions.FunctionItem(kFormulaCExp);
    other.s.texts.setText(TextField::siz, "20");
    other.driver.Runclick();
    const std::vector<uint8_t> good = other.save();
    size_t end = 0;
    testing::SubBlockLengths(good, end);
    auto patched = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> f = good;
        f.at(at) = value;
        return f;
    };
    const size_t blockAt = end + 14;
    auto patchedMany = [&](std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
        std::vector<uint8_t> f = good;
        for (auto [at, value] : bytes) f.at(at) = value;
        return f;
    };
    // A custom picture whose formula, or one of whose constants, does not
    // compile.
    FileProgram custom;
    custom.text(TextField::siz, "20");
    custom.custom("z*z+u");
    custom.driver.Runclick();
    const std::vector<uint8_t> customFile = custom.save();
    size_t customEnd = 0;
    testing::SubBlockLengths(customFile, customEnd);
    std::vector<uint8_t> badFormula = customFile;
    badFormula.at(customEnd + 14 + block::kCustomFormula + 5) = '(';
    std::vector<uint8_t> badConstant;
    {
        MemorySource source(customFile);
        const GifReadResult r = ReadGif(source);
        PictureTexts texts = *r.texts;
        texts.constants.vccy = "1..5";
        MemorySink sink;
        WriteGif(sink, GifImage{r.pixels.data(), r.width, r.height, {}}, r.block, &texts);
        badConstant = sink.bytes;
    }
    const std::vector<std::string> notValid = {kNotValidGifMessage};
    const struct {
        const char* name;
        std::vector<uint8_t> file;
        std::vector<std::string> messages;
    } cases[] = {
        {"GIF89a", patched(4, '9'), notValid},
        {"16 colours", patched(10, 0xF3), notValid},
        {"code stream", patched(testing::kImageDataOffset + 1, 0), notValid},
        {"identifier", patched(end + 5, 'x'), {kForeignGifMessage, kNotValidGifMessage}},
        {"31 marks", patched(end + 14 + block::kMarkCount, 31), notValid},
        {"no marks", patched(blockAt + block::kMarkCount, 0), notValid},
        {"two marks on one entry", patched(blockAt + block::kMarks + 4, 0), notValid},
        {"damaged tag", patched(blockAt + 3, '2'), notValid},
        {"infinite range", patchedMany({{blockAt + block::kRang + 8, 0xFF}, {blockAt + block::kRang + 9, 0x7F},
                                        {blockAt + block::kRang + 7, 0x80}, {blockAt + block::kRang + 6, 0}}), notValid},
        {"interlaced", patched(13 + 768 + 9, 0x40), notValid},
        {"short code stream", patched(testing::kImageDataOffset + 12, 0xFF), notValid},
        {"formula", badFormula, {"Cannot load /pictures/loaded.gif: its custom formula 'z*z+(' does not compile: "
                                 "two of its parts cannot follow each other"}},
        {"constant", badConstant, {"Cannot load /pictures/loaded.gif: its custom formula constant v ('1..5') is not a number"}},
        {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 100), notValid},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 10), notValid},
    };
    for (const auto& c : cases) {
        // A halted picture of another size, which a load must not continue.
        FileProgram p;
        int pixels = 0;
        p.host.onPump = [&] {
            if (++pixels == 100) p.s.run.CancelRequested = true;
        };
        p.driver.Runclick();
        p.host.onPump = nullptr;
        p.files.setCurrentFileName("/old/current.gif");
        const Fingerprint before = Take(p);
        p.host.messages.clear();
        const int pumps = p.host.pumps;
        EXPECT_EQ(p.load(c.file), LoadResult::Rejected) << c.name;
        std::vector<std::string> shown;
        for (const auto& m : p.host.messages) shown.push_back(m.text);
        EXPECT_EQ(shown, c.messages) << c.name;
        EXPECT_TRUE(Take(p) == before) << c.name;
        EXPECT_EQ(p.host.pumps, pumps) << c.name;
        EXPECT_EQ(p.s.statusText, kPictureHaltedText) << c.name;  // as it was
        EXPECT_EQ(p.files.CurrentFileName(), "/old/current.gif");
        EXPECT_FALSE(p.fileHost.progressShown);
        EXPECT_EQ(p.fileHost.busy.back(), false);
    }
}

TEST(PictureFiles, FilesThatCannotBeWrittenOrRead) {
    const std::string dir = ::testing::TempDir() + "velmora_files_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir + "/taken.gif");
    FileProgram p;
    p.driver.Runclick();
    ShowStatus(p.s, p.host, "Picture completed.");
    const struct {
        std::string path, message;
    } unwritable[] = {
        {dir + "/missing/a.gif", "Cannot save " + dir + "/missing/a.gif: File not found"},
        // The new file cannot take the place of a directory: it goes again.
        {dir + "/taken.gif", "Cannot save " + dir + "/taken.gif: File access denied"},
    };
    for (const auto& c : unwritable) {
        try {
            p.files.SaveGif(c.path);
            ADD_FAILURE() << c.path;
        } catch (const FileWriteError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
        EXPECT_EQ(p.s.statusText, "Picture completed.");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // only taken.gif

    ASSERT_TRUE(p.files.SaveGif(dir + "/good.gif"));
    EXPECT_TRUE(p.files.LoadGif(dir + "/good.gif").loaded());
    EXPECT_THROW(p.files.LoadGif(dir + "/gone.gif"), FaultError);
    // Only a regular file is read: a pipe with no writer does not hold the
    // load up, and a device or a folder is no picture.
    ASSERT_EQ(::mkfifo((dir + "/pipe.gif").c_str(), 0600), 0);
    for (const std::string& notAFile : {dir + "/pipe.gif", std::string("/dev/zero"), dir}) {
        try {
            p.files.LoadGif(notAFile);
            ADD_FAILURE() << notAFile;
        } catch (const FaultError& e) {
            EXPECT_STREQ(e.what(), "File access denied") << notAFile;
        }
    }
    EXPECT_EQ(p.s.statusText, "good.gif");
    std::filesystem::remove_all(dir);

    FileProgram empty;
    EXPECT_FALSE(empty.files.SaveGif(dir + "/nothing.gif"));
    ASSERT_EQ(empty.host.messages.size(), 1u);
    EXPECT_EQ(empty.host.messages[0].text, kNoPictureMessage);
}

}  // namespace
}  // namespace velmora
