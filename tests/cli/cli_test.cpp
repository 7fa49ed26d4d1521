#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "options.hpp"

namespace velmora {
namespace {

struct Result {
    int status;
    std::string out, err;
};

Result Render(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunRenderer(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(Renderer, BadValuesAreRefusedWithTheDialogsMessages) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--size", "abc"}, "'abc' is not a valid integer value.\n"},
        {{"--range", "1,5"}, "'1,5' is not a valid floating point value.\n"},
        {{"--centre", "0.5,x"}, "'x' is not a valid floating point value.\n"},
        {{"--julia", "0.5"}, "--julia needs 2 values separated by commas\n"},
        {{"--function", "z^9+c"}, "--function: unknown value 'z^9+c'\n"},
        {{"--stalk", "256"}, "--stalk: unknown value '256'\n"},
        {{"--bailout-test", "max"}, "--bailout-test: unknown value 'max'\n"},
        {{"--frobnicate"}, "unknown option --frobnicate (see --help)\n"},
        {{"--size"}, "--size needs a value\n"},
    };
    for (const auto& c : cases) {
        const Result r = Render(c.args);
        EXPECT_EQ(r.status, 2) << c.args[0];
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
}

TEST(Renderer, HelpNamesEveryOption) {
    const Result r = Render({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--size", "--iterations", "--min-iterations", "--bailout ", "--range", "--centre",
                               "--julia", "--p1", "--p2", "--p3", "--coef-a", "--coef-b", "--coef-c",
                               "--mandelbrot", "--function", "--stalk", "--bailout-test", "--ffunc", "--sphere",
                               "--inversion ", "--inversion-circle", "--raw", "--stats"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

TEST(Renderer, RendersAndWritesTheBuffer) {
    const std::string path = (std::filesystem::temp_directory_path() / "velmora_cli_test.raw").string();
    const Result r = Render({"--size", "40", "--mandelbrot", "--function", "z^2+c", "--stats", "--raw", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Picture completed.");
    EXPECT_NE(r.out.find("size 40x30"), std::string::npos);
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 40u * 30u);
    // The Mandelbrot view centred on 0 holds interior pixels (181) in its middle.
    EXPECT_EQ(static_cast<unsigned char>(bytes[15 * 40 + 20]), 181);
    std::remove(path.c_str());
}

TEST(Renderer, OptionOrderDoesNotMatter) {
    const std::string a = (std::filesystem::temp_directory_path() / "velmora_cli_a.raw").string();
    const std::string b = (std::filesystem::temp_directory_path() / "velmora_cli_b.raw").string();
    ASSERT_EQ(Render({"--size", "24", "--mandelbrot", "--range", "3", "--raw", a}).status, 0);
    ASSERT_EQ(Render({"--range", "3", "--raw", b, "--mandelbrot", "--size", "24"}).status, 0);
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    const std::string da((std::istreambuf_iterator<char>(fa)), {}), db((std::istreambuf_iterator<char>(fb)), {});
    EXPECT_EQ(da.size(), 24u * 18u);
    EXPECT_EQ(da, db);
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST(Renderer, FfuncChoosesTheReciprocalFormula) {
    const std::string a = (std::filesystem::temp_directory_path() / "velmora_cli_f1.raw").string();
    const std::string b = (std::filesystem::temp_directory_path() / "velmora_cli_f2.raw").string();
    ASSERT_EQ(Render({"--size", "24", "--ffunc", "sin", "--raw", a}).status, 0);
    ASSERT_EQ(Render({"--size", "24", "--function", "1/f(z*z+c)", "--ffunc", "sin", "--raw", b}).status, 0);
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    const std::string da((std::istreambuf_iterator<char>(fa)), {}), db((std::istreambuf_iterator<char>(fb)), {});
    EXPECT_EQ(da, db);
    const std::string c = (std::filesystem::temp_directory_path() / "velmora_cli_f3.raw").string();
    ASSERT_EQ(Render({"--size", "24", "--function", "1/f(z*z+c)", "--raw", c}).status, 0);
    std::ifstream fc(c, std::ios::binary);
    const std::string dc((std::istreambuf_iterator<char>(fc)), {});
    EXPECT_NE(da, dc);  // f = sin differs from f = ident
    for (const std::string& path : {a, b, c}) std::remove(path.c_str());
}

TEST(Renderer, SetUpFaultIsTheResult) {
    const Result r = Render({"--size", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Range error - 205\n");
}

}  // namespace
}  // namespace velmora
