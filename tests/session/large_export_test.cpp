// Large pictures computed in bands: the same picture a run makes, averages
// in linear light, the file left alone by a cancel, and files too large for
// a run loading back as their view.

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <set>

#include "file_test_support.hpp"
#include "large_export.hpp"
#include "little_endian.hpp"
#include "png_codec.hpp"
#include "temp_dir.hpp"

namespace velmora {
namespace {

using testing::FileProgram;

struct Progress : ExportProgress {
    std::function<bool(int, int)> onProgress;
    int last = 0, calls = 0;
    bool keepGoing(int done, int total) override {
        EXPECT_GE(done, last);
        EXPECT_LE(done, total);
        last = done;
        ++calls;
        return onProgress ? onProgress(done, total) : true;
    }
};

struct View {
    const char* name;
    std::function<void(FileProgram&)> set;
};

const View kViews[] = {
    {"Julia z^2+c, circle stalks", [](FileProgram&) {}},
    {"Mandelbrot, no stalks", [](FileProgram& p) {
         p.actions.Mandelbrot();
         p.actions.StalkItem(kStalkNone);
     }},
    {"custom, pixel by pixel", [](FileProgram& p) {
         p.custom("z*z*z+u");
         p.text(TextField::minit, "3");
     }},
    {"inversion", [](FileProgram& p) { p.actions.Inversion(); }},
    {"sphere", [](FileProgram& p) { p.actions.Sphere(); }},
    {"sphere, Mandelbrot", [](FileProgram& p) {
         p.actions.Mandelbrot();
         p.actions.Sphere();
     }},
};

// The file's rows as RGB, read by libpng's own simple reader.
std::vector<uint8_t> RgbRows(const std::vector<uint8_t>& file, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rows(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rows.data(), 0, nullptr)) return {};
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return rows;
}

TEST(LargeExport, OneSampleIsThePictureARunMakes) {
    for (const View& view : kViews) {
        FileProgram run;
        view.set(run);
        run.text(TextField::siz, "37");
        ASSERT_EQ(run.driver.Runclick().end, RunEnd::Completed) << view.name;

        FileProgram exported;
        view.set(exported);
        exported.text(TextField::siz, "120");  // the dialog's size does not matter
        for (int threads : {1, 3}) {
            MemorySink sink;
            Progress progress;
            const ExportOutcome outcome = exported.files.ExportLargePng(sink, {37, 1, threads}, progress);
            ASSERT_TRUE(outcome.written()) << view.name;
            EXPECT_EQ(progress.last, 28);
            MemorySource source(sink.bytes);
            const PngReadResult file = ReadPng(source);
            ASSERT_TRUE(file.accepted) << view.name;
            EXPECT_EQ(file.width, 37);
            EXPECT_EQ(file.height, 28);
            EXPECT_EQ(file.pixels, run.s.buffer.bytes) << view.name << ", " << threads << " threads";
        }
    }
}

// Each pixel of a 3 x 3 export against the picture a run computes at three
// times the width, averaged here in double precision from the formulas.
TEST(LargeExport, SamplesAreAveragedInLinearLight) {
    const auto view = [](FileProgram& p, const char* siz) {
        p.actions.Mandelbrot();
        p.text(TextField::siz, siz);
        p.text(TextField::xce, "-0.745");
        p.text(TextField::yce, "0.1");
        p.text(TextField::Rang, "0.05");
    };
    FileProgram run;
    view(run, "57");  // 42 rows: the file is 19 x 14
    ASSERT_EQ(run.driver.Runclick().end, RunEnd::Completed);
    FileProgram exported;
    view(exported, "200");
    MemorySink sink;
    Progress progress;
    ASSERT_TRUE(exported.files.ExportLargePng(sink, {19, 3, 2}, progress).written());
    int width = 0, height = 0;
    const std::vector<uint8_t> rgb = RgbRows(sink.bytes, width, height);
    ASSERT_EQ(width, 19);
    ASSERT_EQ(height, 14);
    const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    const auto encode = [](double l) { return l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055; };
    std::set<int> values;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int dy = 0; dy < 3; ++dy)
                    for (int dx = 0; dx < 3; ++dx) {
                        const uint8_t index = run.s.buffer.bytes[static_cast<size_t>(3 * y + dy) * 57 + 3 * x + dx];
                        const PaletteEntry& e = run.s.palette.palette.entries[index];
                        sum += linear((c == 0 ? e.red : c == 1 ? e.green : e.blue) / 255.0);
                    }
                const long expected = std::lround(encode(sum / 9) * 255);
                const int got = rgb[(static_cast<size_t>(y) * width + x) * 3 + c];
                EXPECT_LE(std::abs(got - expected), 1) << x << "," << y << " channel " << c << ": " << got << " not " << expected;
                values.insert(got);
            }
    EXPECT_GT(values.size(), 10u);  // the view is not one colour
}

TEST(LargeExport, CancelOrRefusalLeavesTheFileAsItWas) {
    TempDir dir;
    const std::string path = dir.file("big.png");
    { std::ofstream(path) << "before"; }
    FileProgram p;
    Progress progress;
    progress.onProgress = [](int, int) { return false; };
    EXPECT_FALSE(p.files.ExportLargePng(path, {400, 2, 2}, progress).written());
    EXPECT_THROW(p.files.ExportLargePng(path, {kLargestExportWidth + 1, 1, 2}, progress), ExportError);
    EXPECT_THROW(p.files.ExportLargePng(path, {40, 5, 2}, progress), ExportError);
    p.text(TextField::Rang, "wide");
    EXPECT_THROW(p.files.ExportLargePng(path, {40, 1, 2}, progress), ExportError);
    EXPECT_EQ(ReadFile(path), "before");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"big.png"});
}

// A file larger than a run makes, or in RGB, gives its view at a width a
// run makes, computed anew.
TEST(LargeExport, FilesARunCannotHoldLoadAsTheirView) {
    FileProgram source("48");
    source.text(TextField::miter, "77");
    source.driver.Runclick();
    struct Case {
        const char* name;
        int width;
        bool rgb;
        int expectedWidth;
    } cases[] = {
        {"larger than a run", 2400, false, LargestPictureWidth()},
        {"RGB", 48, true, 48},
    };
    for (const Case& c : cases) {
        ParameterBlock block = source.files.block();
        PutI32(block.bytes.data() + block::kSiz, c.width);
        PutI32(block.bytes.data() + block::kSizy, HeightForWidth(c.width));
        PngLayout layout;
        layout.width = c.width;
        layout.height = HeightForWidth(c.width);
        layout.rgb = c.rgb;
        layout.parameters = EncodePngParameters(block, nullptr);
        MemorySink sink;
        PngWriter writer(sink, layout);
        const std::vector<uint8_t> row(static_cast<size_t>(layout.width) * 3, 7);
        for (int y = 0; y < layout.height; ++y) writer.writeRow(row.data());
        writer.finish();

        FileProgram p;
        MemorySource file(sink.bytes);
        const LoadOutcome outcome = p.files.LoadPng(file, "big.png", LoadIntent::KeepAsLoaded);
        ASSERT_TRUE(outcome.loaded()) << c.name;
        EXPECT_EQ(outcome.continuation.end, RunEnd::NotStarted) << c.name;
        EXPECT_EQ(p.s.params.siz, c.expectedWidth) << c.name;
        EXPECT_EQ(p.s.texts.text(TextField::siz), std::to_string(c.expectedWidth)) << c.name;
        EXPECT_EQ(p.s.params.miter, 77) << c.name;
        if (c.width != 48) continue;
        // Continued, it is the picture computed anew.
        FileProgram q;
        MemorySource again(sink.bytes);
        EXPECT_EQ(q.files.LoadPng(again, "small.png").continuation.end, RunEnd::Completed);
        EXPECT_EQ(q.s.buffer.bytes, source.s.buffer.bytes);
    }
}

}  // namespace
}  // namespace velmora
