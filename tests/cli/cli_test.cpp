#include <sys/resource.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "column_workers.hpp"
#include "options.hpp"
#include "run_renderer.hpp"
#include "temp_dir.hpp"

namespace velmora {
namespace {

TEST(Renderer, BadValuesAreRefusedWithTheDialogsMessages) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        // A value that is not a number is refused with the dialog's words and
        // the option it was given for.
        {{"--size", "abc"}, "--size: 'abc' is not a valid integer value."},
        {{"--range", "1,5"}, "--range: '1,5' is not a valid floating point value."},
        {{"--centre", "a,b"}, "--centre: 'a' is not a valid floating point value."},
        {{"--centre", "0.5,x"}, "--centre: 'x' is not a valid floating point value."},
        // The driver sizes no picture narrower than a pixel or beyond its
        // buffer limit: 2310 x 1733 is the first width over it.
        {{"--size", "0"}, "--size: 0 is out of range (1 to 2309: a picture holds at most 4000000 pixels; up to 16384 with --png as the only picture output)"},
        {{"--size", "2310"}, "--size: 2310 is out of range (1 to 2309: a picture holds at most 4000000 pixels; up to 16384 with --png as the only picture output)"},
        // Wider pictures and samples are computed in bands, for a PNG alone.
        {{"--size", "16385", "--png", "a.png"}, "--size: 16385 is out of range (1 to 2309: a picture holds at most 4000000 pixels; up to 16384 with --png as the only picture output)"},
        {{"--size", "3000", "--png", "a.png", "--raw", "b.raw"}, "--size: 3000 is out of range (1 to 2309: a picture holds at most 4000000 pixels; up to 16384 with --png as the only picture output)"},
        {{"--samples", "5", "--png", "a.png"}, "--samples: 5 is out of range (1 to 4)"},
        {{"--samples", "2"}, "--samples: needs --png, the only output it writes"},
        {{"--samples", "2", "--png", "a.png", "--gif", "b.gif"}, "--samples: the picture is computed in bands for --png alone; --raw, --gif and --bmp need it whole (at most 2309 pixels wide, one sample)"},
        // Two outputs in one file would keep only one of them.
        {{"--raw", "same.out", "--gif", "./same.out"}, "--gif: ./same.out is also the file of --raw"},
        {{"--julia", "0.5"}, "--julia needs 2 values separated by commas"},
        {{"--function", "z^9+c"}, "--function: unknown value 'z^9+c'"},
        // A loaded picture may hold larger values; the command line offers none.
        {{"--function", "18"}, "--function: 18 is out of range (0 to 17)"},
        {{"--stalk", "12"}, "--stalk: 12 is out of range (0 to 11)"},
        {{"--bailout-test", "max"}, "--bailout-test: unknown value 'max'"},
        {{"--raw", ""}, "--raw: the file name is empty"},
        {{"--frobnicate"}, "unknown option --frobnicate (see --help)"},
        {{"--size"}, "--size needs a value"},
        {{"--threads", "0"}, "--threads: 0 is out of range (1 to 256)"},
    };
    for (const auto& c : cases) {
        const Result r = Render(c.args);
        EXPECT_EQ(r.status, 2) << c.args[0];
        EXPECT_EQ(r.err, std::string("velmora-render: ") + c.message + "\n");
        EXPECT_EQ(r.out, "");
    }
}

// Help is printed, and nothing else done, wherever --help stands.
TEST(Renderer, HelpWinsOverEverything) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--frobnicate", "--help"},
                                                 {"--size", "abc", "--raw", "x.raw", "--help"},
                                                 {"--size", "--help"}}) {
        const Result r = Render(args);
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_EQ(r.out.rfind("Usage: velmora-render", 0), 0u) << args[0];
        EXPECT_EQ(r.err, "") << args[0];
    }
    EXPECT_FALSE(std::filesystem::exists("x.raw"));
}

// The widest picture the option allows is one the driver sizes.
TEST(Renderer, TheLargestSizeRenders) {
    const Result r = Render({"--size", "2309", "--iterations", "1", "--stats"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("size 2309x1732\n"), std::string::npos) << r.out;
}

TEST(Renderer, HelpNamesEveryOption) {
    const Result r = Render({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--size", "--iterations", "--min-iterations", "--bailout ", "--range", "--centre",
                               "--julia", "--p1", "--p2", "--p3", "--coef-a", "--coef-b", "--coef-c",
                               "--mandelbrot", "--function", "--stalk", "--bailout-test", "--ffunc", "--sphere",
                               "--inversion ", "--inversion-circle", "--raw", "--palette", "--save-palette", "--bmp",
                               "--stats", "--threads"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    // The default number of threads is the machine's, and the help says it.
    EXPECT_NE(r.out.find("(default " + std::to_string(DefaultThreadCount()) + ", the cores"), std::string::npos);
}

TEST(Renderer, RendersAndWritesTheBuffer) {
    const TempDir dir;
    const std::string path = dir.file("pic.raw");
    const Result r = Render({"--size", "40", "--mandelbrot", "--function", "z^2+c", "--stats", "--raw", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Picture completed.");
    EXPECT_NE(r.out.find("size 40x30"), std::string::npos);
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 40u * 30u);
    // The Mandelbrot view centred on 0 holds interior pixels (181) in its middle.
    EXPECT_EQ(static_cast<unsigned char>(bytes[15 * 40 + 20]), 181);

    // A smaller picture replaces the whole file.
    ASSERT_EQ(Render({"--size", "8", "--raw", path}).status, 0);
    EXPECT_EQ(ReadFile(path).size(), 8u * 6u);
}

TEST(Renderer, OptionOrderDoesNotMatter) {
    const TempDir dir;
    const std::string a = dir.file("a.raw"), b = dir.file("b.raw");
    ASSERT_EQ(Render({"--size", "24", "--mandelbrot", "--range", "3", "--raw", a}).status, 0);
    ASSERT_EQ(Render({"--range", "3", "--raw", b, "--mandelbrot", "--size", "24"}).status, 0);
    EXPECT_EQ(ReadFile(a).size(), 24u * 18u);
    EXPECT_EQ(ReadFile(a), ReadFile(b));
}

TEST(Renderer, FfuncChoosesTheReciprocalFormula) {
    const TempDir dir;
    const std::string a = dir.file("f1.raw"), b = dir.file("f2.raw"), c = dir.file("f3.raw");
    ASSERT_EQ(Render({"--size", "24", "--ffunc", "sin", "--raw", a}).status, 0);
    ASSERT_EQ(Render({"--size", "24", "--function", "1/f(z*z+c)", "--ffunc", "sin", "--raw", b}).status, 0);
    EXPECT_EQ(ReadFile(a), ReadFile(b));
    ASSERT_EQ(Render({"--size", "24", "--function", "1/f(z*z+c)", "--raw", c}).status, 0);
    EXPECT_NE(ReadFile(a), ReadFile(c));  // f = sin differs from f = ident
}

TEST(Renderer, FaultsGoToStandardErrorAndFail) {
    const struct {
        std::vector<std::string> args;
        const char* out;
        const char* err;
    } cases[] = {
        // A fault that stops the run after set-up (the third stalk parameter
        // doubled beyond the extended range).
        {{"--size", "8", "--p3", "1e4932"},
         "Picture generation halted.\n",
         "velmora-render: Floating point overflow\n"},
    };
    for (const auto& c : cases) {
        const TempDir dir;
        const std::string kept = dir.file("kept.raw"), fresh = dir.file("fresh.raw");
        std::ofstream(kept) << "old picture";
        for (const std::string& path : {kept, fresh}) {
            std::vector<std::string> args = c.args;
            args.insert(args.end(), {"--raw", path});
            const Result r = Render(args);
            EXPECT_EQ(r.status, 1) << c.args[1];
            EXPECT_EQ(r.out, c.out);
            EXPECT_EQ(r.err, c.err);
        }
        // A failed render leaves an existing file as it was and makes none.
        EXPECT_EQ(ReadFile(kept), "old picture") << c.args[1];
        EXPECT_EQ(dir.names(), std::vector<std::string>{"kept.raw"}) << c.args[1];
    }
}

// A disk that fills up while the picture is written (here: a file size
// limit) leaves the old file whole and no new one beside it.
TEST(Renderer, FullDiskKeepsTheOldFile) {
    const TempDir dir;
    const std::string kept = dir.file("kept.raw");
    std::ofstream(kept) << "old picture";
    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto xfsz = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Result r = Render({"--size", "64", "--raw", kept});
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, xfsz);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "velmora-render: --raw: Cannot save " + kept + ": Disk full\n");
    EXPECT_EQ(ReadFile(kept), "old picture");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"kept.raw"});
}

TEST(Renderer, EveryFailedOutputIsReported) {
    const TempDir dir;
    const std::string missing = dir.file("missing/pic.raw");
    const struct {
        std::string raw;
        const char* out;
        std::string err;
    } cases[] = {
        // Found before rendering.
        {missing, "", "velmora-render: --raw: Cannot save " + missing + ": File not found\n"},
        {dir.file(""), "", "velmora-render: --raw: Cannot save " + dir.file("") + ": File access denied\n"},
        // Found when the picture is written: the data must not vanish silently.
        {"/dev/full", "Picture completed.\n", "velmora-render: --raw: Cannot save /dev/full: Disk full\n"},
    };
    for (const auto& c : cases) {
        const Result r = Render({"--size", "16", "--raw", c.raw});
        EXPECT_EQ(r.status, 1) << c.raw;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }

    std::ostringstream fullOut, err;
    fullOut.setstate(std::ios::badbit);
    EXPECT_EQ(RunRenderer({"--size", "8", "--stats"}, fullOut, err), 1);
    EXPECT_EQ(err.str(), "velmora-render: cannot write to standard output\n");
}

TEST(Renderer, PaletteFilesAndBmp) {
    const TempDir dir;
    const std::string saved = dir.file("default.vmp"), bmp = dir.file("pic.bmp"), raw = dir.file("pic.raw");
    ASSERT_EQ(Render({"--size", "16", "--save-palette", saved, "--bmp", bmp, "--raw", raw}).status, 0);
    const std::string palette = ReadFile(saved);
    ASSERT_EQ(palette.size(), 125u);
    EXPECT_EQ(palette.substr(0, 5), std::string("\x0E\x00\xFF\xFF\xFF", 5));
    // The BMP holds the buffer's indices, bottom row first, in the built
    // palette's colours: entry 15 of the default marks is (255, 123, 123).
    const std::string picture = ReadFile(bmp), indices = ReadFile(raw);
    ASSERT_EQ(picture.size(), 1078u + 16u * 12u);
    EXPECT_EQ(picture.substr(1078, 16), indices.substr(11 * 16, 16));
    EXPECT_EQ(picture.substr(54 + 4 * 15, 4), std::string("\x7B\x7B\xFF\x00", 4));

    // A palette of one cyan mark at 0 and the terminator colours nothing
    // else: entry 15 keeps the colour a build never gave it (black).
    std::string cyan(125, '\0');
    cyan.replace(0, 9, std::string("\x02\x00\x00\xFF\xFF\xFF\x00\x00\x00", 9));
    std::ofstream(dir.file("cyan.vmp"), std::ios::binary) << cyan;
    ASSERT_EQ(Render({"--size", "16", "--palette", dir.file("cyan.vmp"), "--save-palette", saved, "--bmp", bmp})
                  .status,
              0);
    EXPECT_EQ(ReadFile(saved), cyan);
    EXPECT_EQ(ReadFile(bmp).substr(54 + 4 * 15, 4), std::string("\0\0\0\0", 4));

    const std::string missing = dir.file("none.vmp");
    std::ofstream(dir.file("short.vmp")) << "short";
    std::ofstream(dir.file("31.vmp")) << '\x1F' << std::string(124, '\x05');
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } failures[] = {
        {{"--palette", missing}, 2, "--palette: cannot read '" + missing + "': File not found"},
        {{"--palette", dir.file("short.vmp")}, 2,
         "--palette: cannot read '" + dir.file("short.vmp") + "': Read beyond end of file"},
        {{"--palette", dir.file("31.vmp")}, 2,
         "--palette: " + dir.file("31.vmp") + " is not a usable palette file: it holds 31 marked entries, and a "
                                               "palette has 1 to 30"},
        {{"--bmp", ""}, 2, "--bmp: the file name is empty"},
        {{"--save-palette", dir.file("no/p.vmp")}, 1, "--save-palette: Cannot save " + dir.file("no/p.vmp") +
                                                        ": File not found"},
        {{"--bmp", dir.file("no/pic.bmp")}, 1, "--bmp: Cannot save " + dir.file("no/pic.bmp") + ": File not found"},
    };
    for (const auto& f : failures) {
        std::vector<std::string> args{"--size", "8"};
        args.insert(args.end(), f.args.begin(), f.args.end());
        const Result r = Render(args);
        EXPECT_EQ(r.status, f.status) << f.err;
        EXPECT_EQ(r.err, "velmora-render: " + f.err + "\n");
    }
}

}  // namespace
}  // namespace velmora
