// Pictures as PNG files: what comes back, and what is refused.

#include <gtest/gtest.h>

#include <cstring>

#include "file_test_support.hpp"
#include "png_codec.hpp"

namespace velmora {
namespace {

using testing::FileProgram;

std::vector<uint8_t> SavePng(FileProgram& p) {
    MemorySink sink;
    EXPECT_TRUE(p.files.SavePng(sink, "/pictures/saved.png"));
    return sink.bytes;
}

// A PNG of the given layout with one row pattern, as other programs make.
std::vector<uint8_t> OtherPng(PngLayout layout) {
    MemorySink sink;
    PngWriter writer(sink, layout);
    const std::vector<uint8_t> row(static_cast<size_t>(layout.width) * (layout.rgb ? 3 : 1), 7);
    for (int y = 0; y < layout.height; ++y) writer.writeRow(row.data());
    writer.finish();
    return sink.bytes;
}

TEST(PngFiles, HalfwayPictureLoadsBackAndGoesOnAsSaved) {
    FileProgram whole;
    whole.custom("z*z*z+u");
    whole.text(TextField::minit, "3");
    whole.driver.Runclick();

    FileProgram halted;
    halted.custom("z*z*z+u");
    halted.text(TextField::minit, "3");
    int pixels = 0;
    halted.host.onPump = [&] {
        if (++pixels == 9 * 30 + 4) halted.s.run.CancelRequested = true;
    };
    ASSERT_EQ(halted.driver.Runclick().end, RunEnd::Halted);
    const std::vector<uint8_t> file = SavePng(halted);
    ASSERT_TRUE(LooksLikePng(file.data(), file.size()));

    FileProgram loaded;
    MemorySource source(file);
    const LoadOutcome outcome = loaded.files.LoadPng(source, "halted.png");
    ASSERT_TRUE(outcome.loaded());
    EXPECT_EQ(outcome.continuation.end, RunEnd::Completed);
    EXPECT_EQ(loaded.s.buffer.bytes, whole.s.buffer.bytes);
    EXPECT_EQ(loaded.s.texts.text(TextField::minit), "3");
    EXPECT_EQ(loaded.formula.constants.uccx, "0.3");
    EXPECT_EQ(loaded.s.statusText, "Picture completed.");
}

// Refused files change nothing and say why; the bytes of each case are
// made by the writer, so only the named fault differs from a good file.
TEST(PngFiles, FilesWithoutOurParametersAreRefused) {
    FileProgram saved;
    saved.driver.Runclick();
    const std::vector<uint8_t> good = SavePng(saved);
    PngLayout picture;
    picture.width = 40;
    picture.height = 30;
    picture.parameters = EncodePngParameters(saved.files.block(), nullptr);
    std::vector<uint8_t> flipped = good;
    flipped[flipped.size() / 2] ^= 0x20;
    const struct {
        const char* name;
        std::vector<uint8_t> file;
    } cases[] = {
        {"no parameters", OtherPng([&] { PngLayout l = picture; l.parameters.clear(); return l; }())},
        {"a short chunk", OtherPng([&] { PngLayout l = picture; l.parameters.resize(680); return l; }())},
        {"damaged texts", OtherPng([&] { PngLayout l = picture; l.parameters.push_back(9); return l; }())},
        {"another size", OtherPng([&] { PngLayout l = picture; l.width = 41; return l; }())},
        {"true colour, another size", OtherPng([&] { PngLayout l = picture; l.rgb = true; l.height = 31; return l; }())},
        {"a cut file", std::vector<uint8_t>(good.begin(), good.end() - 40)},
        {"a flipped byte", flipped},
        {"a GIF", FileProgram().save()},
    };
    for (const auto& c : cases) {
        FileProgram p;
        p.driver.Runclick();
        const std::vector<uint8_t> before = p.s.buffer.bytes;
        MemorySource source(c.file);
        EXPECT_FALSE(p.files.LoadPng(source, "other.png").loaded()) << c.name;
        EXPECT_EQ(p.s.buffer.bytes, before) << c.name;
        ASSERT_EQ(p.host.messages.size(), 1u) << c.name;
        EXPECT_EQ(p.host.messages[0].text, kNotValidPngMessage) << c.name;
    }
    // The same picture with its parameters is taken.
    FileProgram p;
    const std::vector<uint8_t> ours = OtherPng(picture);
    MemorySource source(ours);
    EXPECT_TRUE(p.files.LoadPng(source, "ours.png").loaded());
}

}  // namespace
}  // namespace velmora
