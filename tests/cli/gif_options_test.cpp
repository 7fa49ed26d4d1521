// --gif and --from: the renderer writes and reads the window's picture files.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "file_stream.hpp"
#include "run_renderer.hpp"
#include "temp_dir.hpp"
#include "test_session.hpp"

namespace velmora {
namespace {

TEST(GifOptions, WrittenPictureLoadsBackAndRendersAnew) {
    TempDir dir;
    const std::string a = dir.file("a.gif"), b = dir.file("b.gif"), big = dir.file("big.gif");
    ASSERT_EQ(Render({"--mandelbrot", "--size", "80", "--function", "Custom", "--custom", "z*z*z+c", "--gif", a,
                      "--raw", dir.file("a.raw")})
                  .status,
              0);
    // Loaded and written again without a change (the thread count is not a
    // picture option): the same bytes.
    const Result again = Render({"--from", a, "--threads", "1", "--gif", b, "--raw", dir.file("b.raw")});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "Picture completed.\n");
    EXPECT_EQ(ReadFile(a), ReadFile(b));
    EXPECT_EQ(ReadFile(dir.file("a.raw")), ReadFile(dir.file("b.raw")));
    // A picture option renders the loaded view anew.
    const Result larger = Render({"--from", a, "--size", "160", "--gif", big, "--raw", dir.file("big.raw"), "--stats"});
    EXPECT_EQ(larger.status, 0) << larger.err;
    EXPECT_NE(larger.out.find("size 160x120"), std::string::npos) << larger.out;
    EXPECT_EQ(ReadFile(dir.file("big.raw")).size(), 160u * 120u);
}

// An unfinished picture goes on where it stopped; what is printed is that
// run's end, steps and time.
TEST(GifOptions, UnfinishedPictureIsContinuedAndCounted) {
    TempDir dir;
    testing::TestSession halted;
    halted.text(TextField::siz, "160");
    int pixels = 0;
    halted.host.onPump = [&] {
        if (++pixels == 20 * 120) halted.s.run.CancelRequested = true;
    };
    ASSERT_EQ(halted.driver.Runclick().end, RunEnd::Halted);
    {
        FileSink sink(dir.file("halted.gif"));
        halted.files.SaveGif(sink, dir.file("halted.gif"));
        sink.commit();
    }
    const Result r = Render({"--from", dir.file("halted.gif"), "--stats"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Picture completed.\nsize 160x120\norbit steps ", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("orbit steps 0\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("seconds 0\n"), std::string::npos) << r.out;
}

// A device is written in place and a link is followed: neither is replaced
// by a new file.
TEST(GifOptions, DevicesAndLinksStayWhatTheyAre) {
    TempDir dir;
    EXPECT_EQ(Render({"--size", "8", "--gif", "/dev/null"}).status, 0);
    const Result full = Render({"--size", "8", "--gif", "/dev/full"});
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("Disk full"), std::string::npos) << full.err;
    for (const char* device : {"/dev/null", "/dev/full"})
        EXPECT_TRUE(std::filesystem::is_character_file(device)) << device;

    const std::string real = dir.file("real.gif"), link = dir.file("link.gif");
    std::filesystem::create_symlink(real, link);
    ASSERT_EQ(Render({"--size", "8", "--gif", link}).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(real).substr(0, 6), "GIF87a");
}

// One rule for links for every output: a link to nothing gets the file it
// names, a link loop names no file and is refused before any rendering.
TEST(GifOptions, DanglingLinksAndLinkLoops) {
    for (const char* option : {"--raw", "--gif"}) {
        TempDir dir;
        const std::string dangling = dir.file("dangling"), target = dir.file("target");
        std::filesystem::create_symlink(target, dangling);
        const Result made = Render({"--size", "8", option, dangling});
        EXPECT_EQ(made.status, 0) << option << made.err;
        EXPECT_TRUE(std::filesystem::is_symlink(dangling)) << option;
        const std::string written = ReadFile(target);
        if (std::string(option) == "--raw")
            EXPECT_EQ(written.size(), 48u);
        else
            EXPECT_EQ(written.substr(0, 6), "GIF87a");

        const std::string a = dir.file("a"), b = dir.file("b");
        std::filesystem::create_symlink(b, a);
        std::filesystem::create_symlink(a, b);
        const Result loop = Render({"--size", "8", option, a});
        EXPECT_EQ(loop.status, 1) << option;
        EXPECT_EQ(loop.out, "") << option;
        EXPECT_EQ(loop.err, "velmora-render: " + std::string(option) + ": Cannot save " + a +
                                ": Too many levels of symbolic links\n");
        EXPECT_TRUE(std::filesystem::is_symlink(a) && std::filesystem::is_symlink(b)) << option;
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"a", "b", "dangling", "target"})) << option;
    }
}

// A loaded picture wider than the driver sizes is refused as the loaded
// picture's, not as an option nobody gave.
TEST(GifOptions, LoadedPictureTooLargeToRender) {
    TempDir dir;
    const std::string wide = dir.file("wide.gif");
    {
        testing::TestSession t;
        t.text(TextField::siz, "8");
        ASSERT_EQ(t.driver.Runclick().end, RunEnd::Completed);
        t.s.buffer.width = 32767;
        t.s.buffer.height = 1;
        t.s.buffer.bytes.assign(32767, 5);
        t.s.params.LastColumnDone = 10;  // unfinished: a load continues it
        FileSink sink(wide);
        ASSERT_TRUE(t.files.SaveGif(sink, wide));
        sink.commit();
    }
    const std::string refused = "velmora-render: --from: the loaded picture's size, 32767x24575, was refused (at "
                                "most 4000000 pixels): Range error - 205\n";
    for (const std::vector<std::string>& more : {std::vector<std::string>{}, {"--iterations", "5"}}) {
        std::vector<std::string> args{"--from", wide, "--raw", dir.file("wide.raw")};
        args.insert(args.end(), more.begin(), more.end());
        const Result r = Render(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, refused);
        EXPECT_FALSE(std::filesystem::exists(dir.file("wide.raw")));
    }
    const Result resized = Render({"--from", wide, "--size", "8", "--raw", dir.file("wide.raw")});
    EXPECT_EQ(resized.status, 0) << resized.err;
    EXPECT_EQ(ReadFile(dir.file("wide.raw")).size(), 48u);
}

TEST(GifOptions, RefusedAndUnwritableFiles) {
    TempDir dir;
    std::ofstream(dir.file("not.gif")) << "GIF89a and then some";
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"--from", dir.file("not.gif")},
         "velmora-render: --from: '" + dir.file("not.gif") + "': Not a valid Velmora 32 Version 2.01 GIF file\n"},
        {{"--from", dir.file("gone.gif")},
         "velmora-render: --from: cannot read '" + dir.file("gone.gif") + "': File not found\n"},
        {{"--gif", dir.file("no/such.gif")},
         "velmora-render: --gif: Cannot save " + dir.file("no/such.gif") + ": File not found\n"},
    };
    for (const auto& c : cases) {
        const Result r = Render(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
    }
}

}  // namespace
}  // namespace velmora
