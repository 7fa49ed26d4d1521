// Golden pictures: small headless renders over every formula, stalk type,
// escape test and mapping, each compared with the hash of the picture it
// made when it was last known to be right. Any change that alters a single
// pixel of any of them fails here; a deliberate change updates the hash.
//
// VELMORA_GOLDEN_PRINT=1 prints the table's hashes as they are now.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "custom_formula.hpp"
#include "mode_actions.hpp"
#include "pixel.hpp"
#include "test_session.hpp"
#include "render_driver.hpp"
#include "startup.hpp"

namespace velmora {
namespace {

// The program after start-up, at 40 x 30.
struct Picture : testing::TestSession {
    Picture() { text(TextField::siz, "40"); }
    void item(const char* name) { actions.Trigger(name); }
};

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

struct Golden {
    const char* name;
    std::function<void(Picture&)> set;
    uint64_t hash;
};

// Kinds without a menu item (formula 16 and up, the hidden image stalk and
// unknown types) are set as a loaded picture would set them.
void Formula(Picture& g, int kind) {
    if (g.actions.FunctionMenuItem(static_cast<uint8_t>(kind)))
        g.actions.FunctionItem(static_cast<uint8_t>(kind));
    else
        g.s.params.FunctionKind = static_cast<uint8_t>(kind);
}

void Stalk(Picture& g, int type) {
    if (type != kStalkImage && g.actions.StalkMenuItem(static_cast<uint8_t>(type)))
        g.actions.StalkItem(static_cast<uint8_t>(type));
    else
        g.s.params.StalkType = static_cast<uint8_t>(type);
}

// Julia at the dialog's start view with the given formula and stalk type.
std::function<void(Picture&)> Julia(int kind, int stalk) {
    return [=](Picture& g) {
        Formula(g, kind);
        Stalk(g, stalk);
    };
}

// The Mandelbrot item's view (no stalks) with the given formula.
std::function<void(Picture&)> Mandel(int kind) {
    return [=](Picture& g) {
        g.item("Mandelbrot1");
        g.text(TextField::siz, "40");
        Formula(g, kind);
    };
}

std::function<void(Picture&)> Custom(const char* formula, bool mandelbrot) {
    return [=](Picture& g) {
        if (mandelbrot) {
            g.item("Mandelbrot1");
            g.text(TextField::siz, "40");
        }
        g.custom(formula);
    };
}

const std::vector<Golden>& Table() {
    static const std::vector<Golden> table = {
        // Every formula, Julia with the Circle stalk and Mandelbrot without stalks.
        {"julia f0", Julia(0, kStalkCircle), 0xda45135e132a98a5ull},
        {"julia f1", Julia(1, kStalkCircle), 0xd3c1964f04a4a80cull},
        {"julia f2", Julia(2, kStalkCircle), 0x6c726c798285444full},
        {"julia f3", Julia(3, kStalkCircle), 0xc14a295d7d12fb13ull},
        {"julia f4", Julia(4, kStalkCircle), 0xc2cc6dd3f625f365ull},
        {"julia f5", Julia(5, kStalkCircle), 0xacb6437acd16928eull},
        {"julia f6", Julia(6, kStalkCircle), 0x407c6eb6c2127fe8ull},
        {"julia f7", Julia(7, kStalkCircle), 0xf49fbaac9bec6b7aull},
        {"julia f8", Julia(8, kStalkCircle), 0xd72a701588fa0382ull},
        {"julia f9", Julia(9, kStalkCircle), 0x9696c6f2c3b69f67ull},
        {"julia f10", Julia(10, kStalkCircle), 0x975bd792c17d1bc1ull},
        {"julia f11", Julia(11, kStalkCircle), 0xa02eb6c06acb6400ull},
        {"julia f12", Julia(12, kStalkCircle), 0x053a23c7589e87dcull},
        {"julia f13", Julia(13, kStalkCircle), 0x3921545b71e26e45ull},
        {"julia f14", Julia(14, kStalkCircle), 0x69b22228b8468c9bull},
        {"julia f15", Julia(15, kStalkCircle), 0x057ba17ac56410b7ull},
        {"julia f16", Julia(16, kStalkCircle), 0x74ad19d1fc9860a6ull},
        {"julia f200", Julia(200, kStalkCircle), 0x6c4b5526045b3305ull},
        {"mandel f0", Mandel(0), 0x1ce113b3ad604cdeull},
        {"mandel f1", Mandel(1), 0xb5e15a485a1c70c9ull},
        {"mandel f2", Mandel(2), 0xf8ade3275daf34edull},
        {"mandel f3", Mandel(3), 0x0cccc187e8d88e2dull},
        {"mandel f4", Mandel(4), 0x9335885444a98ba2ull},
        {"mandel f5", Mandel(5), 0xc7440533ae373082ull},
        {"mandel f6", Mandel(6), 0x48cec971a669fc56ull},
        {"mandel f7", Mandel(7), 0xa84317649138fddfull},
        {"mandel f8", Mandel(8), 0xe6abc8b7148c70adull},
        {"mandel f9", Mandel(9), 0x4299ed1611a7b436ull},
        {"mandel f10", Mandel(10), 0xc67aa0029d235ab5ull},
        {"mandel f11", Mandel(11), 0x541f0c19dc22ff56ull},
        {"mandel f12", Mandel(12), 0xf07aa1452ada148aull},
        {"mandel f13", Mandel(13), 0xd497d7ec6aab383eull},
        {"mandel f14", Mandel(14), 0xdce9a6bc879ecd9eull},
        {"mandel f15", Mandel(15), 0x5a145f36eb0d6245ull},
        {"mandel f16", Mandel(16), 0xa9185c10ca8a9918ull},
        {"mandel f6 sin",
         [](Picture& g) {
             Mandel(6)(g);
             g.item("fsin1");
         },
         0x7a1f8d4a0b19f344ull},
        {"julia f6 cos",
         [](Picture& g) {
             g.actions.FunctionItem(kFormulaRecipF);
             g.item("fcos1");
         },
         0xa3d83919983f4c2full},
        {"mandel f0 coefficients",
         [](Picture& g) {
             Mandel(0)(g);
             g.text(TextField::amx, "0.5");
             g.text(TextField::bmy, "0.01");
             g.text(TextField::cmx, "1.5");
         },
         0xe48c52369f3ce01cull},
        // The custom formula: its operations and the power and root rules.
        {"custom z*z+sin(c)", Custom("z*z+sin(c)", true), 0x69b238742bf29066ull},
        {"custom z^2+c", Custom("z^2+c", true), 0x87726c98b17ca447ull},
        {"custom sinh cosh tanh", Custom("sinh(z)+cosh(c)*tanh(z)-u", false), 0xcb9c9d5284d87839ull},
        {"custom sqrt tan exp", Custom("sqrt(z)+tan(c)/exp(z)+v", false), 0x18a19a6f466274f2ull},
        {"custom sqr atna div", Custom("sqr(z)/(z+w)+atna(c)", true), 0x487abd20abfa7130ull},
        {"custom cos digits", Custom("cos(z)*c+9-8", true), 0x3dd57031ee3071ccull},
        {"custom sinh exp fault", Custom("sinh(exp(z)-exp(z))", false), 0x7c56b874a84db5e5ull},
        // Every stalk type on z^2+c, Julia.
        {"stalk none", Julia(3, kStalkNone), 0x16652a825bf5dc51ull},
        {"stalk cross", Julia(3, kStalkCross), 0x4df012c06be9e050ull},
        {"stalk circle minit",
         [](Picture& g) {
             Julia(3, kStalkCircle)(g);
             g.text(TextField::minit, "2");
         },
         0x31293a3ce6ba9941ull},
        {"stalk annulus", Julia(3, kStalkAnnulus), 0x061e6753ae829d17ull},
        {"stalk converge", Julia(3, kStalkConverge), 0xd5e01ce6ad0412f7ull},
        {"stalk slope1", Julia(3, kStalkSlope1), 0x7b76769fc7ad7c04ull},
        {"stalk slope2", Julia(3, kStalkSlope2), 0xfcf171c5e50129c4ull},
        {"stalk modulus diff", Julia(3, kStalkModulusDiff), 0x57d114c217412af7ull},
        {"stalk square band", Julia(3, kStalkSquareBand), 0x934dd6b1459e7b1bull},
        {"stalk image",
         [](Picture& g) {
             Julia(3, kStalkImage)(g);
             g.text(TextField::p1, "8");
         },
         0x9de14cddc8b9281eull},
        {"stalk median", Julia(3, kStalkMedian), 0xe3e0cf0744bd9d59ull},
        {"stalk hypercross", Julia(3, kStalkHypercross), 0xf395ea605b19be13ull},
        {"stalk 12", Julia(3, 12), 0x7137a5f34500e4e3ull},
        // The other escape test, minimum iterations and the colour scale.
        {"sumabs cross",
         [](Picture& g) {
             Julia(3, kStalkCross)(g);
             g.item("sumabs");
         },
         0xa4e4c078ba654557ull},
        {"sumabs mandel p3",
         [](Picture& g) {
             Mandel(3)(g);
             g.item("sumabs");
             g.text(TextField::p3, "0.7");
             g.text(TextField::minit, "5");
         },
         0x7fea17c62c4b486cull},
        // Mappings.
        {"sphere", [](Picture& g) { g.item("Sphere1"); }, 0x5505fcfb16d81cfeull},
        {"inversion",
         [](Picture& g) {
             g.item("Inversion1");
             g.s.params.invx = 0.25L;
             g.s.params.invy = -0.1L;
             g.s.params.invr = 0.8L;
         },
         0xeef1435244dbcb16ull},
        {"sphere and inversion mandel",
         [](Picture& g) {
             Mandel(3)(g);
             g.item("Sphere1");
             g.item("Inversion1");
         },
         0xa03db982813cef96ull},
        // Views where orbits fault.
        {"huge range", [](Picture& g) { g.text(TextField::Rang, "1e4000"); }, 0x4af147158e2bd752ull},
        {"huge bailout mandel z7",
         [](Picture& g) {
             Mandel(5)(g);
             g.text(TextField::maxmod, "1e4900");
             g.text(TextField::miter, "200");
         },
         0x2a0a937ad0c0a4c8ull},
        {"sinh far right",
         [](Picture& g) {
             Julia(13, kStalkNone)(g);
             g.text(TextField::Rang, "40000");
             g.text(TextField::xce, "5000");
             g.text(TextField::maxmod, "1e1000");
             g.text(TextField::miter, "60");
         },
         0x24e79067523d03f3ull},
        {"cexp far left",
         [](Picture& g) {
             Julia(12, kStalkNone)(g);
             g.text(TextField::Rang, "40000");
             g.text(TextField::yce, "-12000");
             g.text(TextField::maxmod, "1e4000");
         },
         0xa334551eea2d1929ull},
        {"zpowz default", Julia(1, kStalkNone), 0x70b56664c00b30a1ull},
        {"tanh huge", [](Picture& g) {
             Julia(14, kStalkCross)(g);
             g.text(TextField::Rang, "1e5");
             g.text(TextField::maxmod, "1e4000");
         },
         0x035fe54c068cd278ull},
    };
    return table;
}

TEST(Golden, PicturesAreUnchanged) {
    const bool print = std::getenv("VELMORA_GOLDEN_PRINT") != nullptr;
    for (const Golden& golden : Table()) {
        Picture g;
        golden.set(g);
        g.driver.Runclick();
        ASSERT_EQ(g.s.statusText, "Picture completed.") << golden.name;
        // The fast path and the checked path agree on every pixel, faulting
        // ones included.
        const RunContext& rc = g.driver.runContext();
        for (int col = 0; col < rc.siz; ++col)
            for (int row = 0; row < rc.sizy; ++row) {
                const PixelOutcome fast = ComputePixel(rc, col, row), checked = ComputePixelChecked(rc, col, row);
                ASSERT_TRUE(fast.colour == checked.colour && fast.px == checked.px && fast.py == checked.py &&
                            fast.orbitFault == checked.orbitFault && fast.colourFault == checked.colourFault &&
                            fast.steps == checked.steps)
                    << golden.name << " pixel " << col << "," << row;
            }
        const uint64_t hash = Fnv1a(g.s.buffer.bytes);
        if (print) std::printf("%s: 0x%016llxull\n", golden.name, static_cast<unsigned long long>(hash));
        else EXPECT_EQ(hash, golden.hash) << golden.name;
    }
}

}  // namespace
}  // namespace velmora
