#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "options.hpp"
#include "temp_dir.hpp"

namespace velmora {
namespace {

struct Result {
    int status;
    std::string out, err;
    std::string picture;
};

Result Render(std::vector<std::string> args) {
    const TempDir dir;
    const std::string path = dir.file("picture.raw");
    const std::vector<std::string> common = {"--size", "48", "--iterations", "40", "--raw", path};
    args.insert(args.end(), common.begin(), common.end());
    std::ostringstream out, err;
    const int status = RunRenderer(args, out, err);
    return {status, out.str(), err.str(), ReadFile(path)};
}

TEST(CustomOptions, CustomFormulaDrawsLikeTheBuiltInOne) {
    const Result builtIn = Render({"--function", "z^2+c"});
    ASSERT_EQ(builtIn.status, 0) << builtIn.err;
    ASSERT_EQ(builtIn.picture.size(), 48u * 36u);

    const Result custom = Render({"--custom", "z*z+c"});
    ASSERT_EQ(custom.status, 0) << custom.err;
    EXPECT_EQ(custom.picture, builtIn.picture);

    // u takes the place of the Julia constant.
    const Result withU = Render({"--custom", "z*z+u", "--u", "-0.775,0.25", "--julia", "5,5"});
    ASSERT_EQ(withU.status, 0) << withU.err;
    EXPECT_EQ(withU.picture, builtIn.picture);

    // Choosing Custom by its caption compiles the dialog's start text.
    const Result byCaption = Render({"--function", "Custom"});
    const Result initial = Render({"--custom", "z*z+sin(c)"});
    ASSERT_EQ(byCaption.status, 0) << byCaption.err;
    EXPECT_EQ(byCaption.picture, initial.picture);
    EXPECT_NE(initial.picture, builtIn.picture);
}

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

TEST(CustomOptions, BadInputStopsBeforeRendering) {
    const std::string kInvalid = "velmora-render: --custom: Invalid function expression ?\nvelmora-render: ";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        // Why and where, after the window's message.
        {{"--custom", "2z"}, kInvalid + "--custom: at character 2: 'z' cannot follow what comes before it\n"},
        // Bytes that are no formula are refused, not run as an empty program.
        {{"--custom", std::string(255, '\x93')},
         kInvalid + "--custom: at character 1: unknown text '" + Repeat("\\x93", 10) + "'\n"},
        {{"--custom", "z*z+C"}, kInvalid + "--custom: at character 5: unknown text 'C'\n"},
        {{"--custom", "sin(z)*(z+c"}, kInvalid + "--custom: at the end: a bracket is left open\n"},
        {{"--custom", "z+c)*z"}, kInvalid + "--custom: at character 4: ')' closes no open bracket\n"},
        {{"--custom", "z*z+"}, kInvalid + "--custom: at the end: the formula is incomplete\n"},
        {{"--custom", ""}, kInvalid + "--custom: the formula is empty\n"},
        // 49 tokens: the added pair of brackets takes the formula over 50.
        {{"--custom", Repeat("z+", 24) + "z"}, kInvalid + "--custom: at character 50: more than 48 tokens\n"},
        {{"--custom", "z*z+c", "--v", "1,x"}, "velmora-render: --v: 'x' is not a valid floating point value.\n"},
        {{"--custom", "z*z+c", "--w", "1"}, "velmora-render: --w needs 2 values separated by commas\n"},
    };
    for (const Case& c : cases) {
        const Result r = Render(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.err, c.message);
        EXPECT_TRUE(r.picture.empty()) << c.message;
    }
}

}  // namespace
}  // namespace velmora
