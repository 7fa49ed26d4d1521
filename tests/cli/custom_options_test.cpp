#include <gtest/gtest.h>

#include <cstdio>
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
    std::vector<char> picture;
};

Result Render(std::vector<std::string> args, const std::string& name) {
    const std::string path = ::testing::TempDir() + "velmora_custom_" + name + ".raw";
    std::remove(path.c_str());
    const std::vector<std::string> common = {"--size", "48", "--iterations", "40", "--raw", path};
    args.insert(args.end(), common.begin(), common.end());
    std::ostringstream out, err;
    Result r{RunRenderer(args, out, err), out.str(), err.str(), {}};
    std::ifstream file(path, std::ios::binary);
    r.picture.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    return r;
}

TEST(CustomOptions, CustomFormulaDrawsLikeTheBuiltInOne) {
    const Result builtIn = Render({"--function", "z^2+c"}, "builtin");
    ASSERT_EQ(builtIn.status, 0) << builtIn.err;
    ASSERT_EQ(builtIn.picture.size(), 48u * 36u);

    const Result custom = Render({"--custom", "z*z+c"}, "custom");
    ASSERT_EQ(custom.status, 0) << custom.err;
    EXPECT_EQ(custom.picture, builtIn.picture);

    // u takes the place of the Julia constant.
    const Result withU = Render({"--custom", "z*z+u", "--u", "-0.775,0.25", "--julia", "5,5"}, "u");
    ASSERT_EQ(withU.status, 0) << withU.err;
    EXPECT_EQ(withU.picture, builtIn.picture);

    // Choosing Custom by its caption compiles the dialog's start text.
    const Result byCaption = Render({"--function", "Custom"}, "caption");
    const Result initial = Render({"--custom", "z*z+sin(c)"}, "initial");
    ASSERT_EQ(byCaption.status, 0) << byCaption.err;
    EXPECT_EQ(byCaption.picture, initial.picture);
    EXPECT_NE(initial.picture, builtIn.picture);
}

TEST(CustomOptions, BadInputStopsBeforeRendering) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--custom", "2z"}, "Invalid function expression ?\n"},
        {{"--custom", "z*z+c", "--v", "1,x"}, "'x' is not a valid floating point value.\n"},
        {{"--custom", "z*z+c", "--w", "1"}, "--w needs 2 values separated by commas\n"},
    };
    for (const Case& c : cases) {
        const Result r = Render(c.args, "bad");
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.err, c.message);
        EXPECT_TRUE(r.picture.empty()) << c.message;
    }
}

}  // namespace
}  // namespace velmora
