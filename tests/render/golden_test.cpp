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
#include <span>
#include <string>
#include <vector>

#include "custom_formula.hpp"
#include "formula_table.hpp"
#include "mode_actions.hpp"
#include "pixel.hpp"
#include "test_session.hpp"
#include "render_driver.hpp"
#include "stalk_table.hpp"
#include "startup.hpp"

namespace velmora {
namespace {

// The program after start-up, at 40 x 30.
struct Picture : testing::TestSession {
    Picture() { text(TextField::siz, "40"); }
    void item(MenuId id) { actions.Trigger(id); }
};

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

struct Golden {
    std::string name;
    std::function<void(Picture&)> set;
    uint64_t hash;
};

// Kinds without a menu item (formula 16 and up, the hidden image stalk and
// unknown types) are set as a loaded picture would set them.
void Formula(Picture& g, int kind) {
    const FormulaRecord* r = FindFormula(kind);
    if (r && r->hasMenuItem())
        g.actions.FunctionItem(static_cast<uint8_t>(kind));
    else
        g.s.params.FunctionKind = static_cast<uint8_t>(kind);
}

void Stalk(Picture& g, int type) {
    const StalkRecord* r = FindStalk(type);
    if (r && r->visible)
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
        g.item(MenuId::Mandelbrot);
        g.text(TextField::siz, "40");
        Formula(g, kind);
    };
}

std::function<void(Picture&)> Custom(const char* formula, bool mandelbrot) {
    return [=](Picture& g) {
        if (mandelbrot) {
            g.item(MenuId::Mandelbrot);
            g.text(TextField::siz, "40");
        }
        g.custom(formula);
    };
}

// Every formula but the custom one (its pictures follow its formulas):
// Julia with the Circle stalk, and the Mandelbrot item's view.
struct FormulaPictures {
    uint8_t kind;
    uint64_t julia, mandel;
};
const FormulaPictures kFormulaPictures[] = {
    {0, 0xda45135e132a98a5ull, 0x1ce113b3ad604cdeull},
    {1, 0xd3c1964f04a4a80cull, 0xb5e15a485a1c70c9ull},
    {2, 0x6c726c798285444full, 0xf8ade3275daf34edull},
    {3, 0xc14a295d7d12fb13ull, 0x0cccc187e8d88e2dull},
    {4, 0xc2cc6dd3f625f365ull, 0x9335885444a98ba2ull},
    {5, 0xacb6437acd16928eull, 0xc7440533ae373082ull},
    {6, 0x407c6eb6c2127fe8ull, 0x48cec971a669fc56ull},
    {7, 0xf49fbaac9bec6b7aull, 0xa84317649138fddfull},
    {8, 0xd72a701588fa0382ull, 0xe6abc8b7148c70adull},
    {9, 0x9696c6f2c3b69f67ull, 0x4299ed1611a7b436ull},
    {10, 0x975bd792c17d1bc1ull, 0xc67aa0029d235ab5ull},
    {11, 0xa02eb6c06acb6400ull, 0x541f0c19dc22ff56ull},
    {12, 0x053a23c7589e87dcull, 0xf07aa1452ada148aull},
    {13, 0x3921545b71e26e45ull, 0xd497d7ec6aab383eull},
    {14, 0x69b22228b8468c9bull, 0xdce9a6bc879ecd9eull},
    {15, 0x057ba17ac56410b7ull, 0x5a145f36eb0d6245ull},
    {16, 0x74ad19d1fc9860a6ull, 0xa9185c10ca8a9918ull},
};

// Every stalk type on z^2+c, Julia. Circle with minimum iterations (the plain
// Circle is z^2+c's Julia picture above); the image trap with a wider radius.
struct StalkPicture {
    uint8_t type;
    uint64_t hash;
};
const StalkPicture kStalkPictures[] = {
    {kStalkNone, 0x16652a825bf5dc51ull},
    {kStalkCross, 0x4df012c06be9e050ull},
    {kStalkCircle, 0x31293a3ce6ba9941ull},
    {kStalkAnnulus, 0x061e6753ae829d17ull},
    {kStalkConverge, 0xd5e01ce6ad0412f7ull},
    {kStalkSlope1, 0x7b76769fc7ad7c04ull},
    {kStalkSlope2, 0xfcf171c5e50129c4ull},
    {kStalkModulusDiff, 0x57d114c217412af7ull},
    {kStalkSquareBand, 0x934dd6b1459e7b1bull},
    {kStalkImage, 0x9de14cddc8b9281eull},
    {kStalkMedian, 0xe3e0cf0744bd9d59ull},
    {kStalkHypercross, 0xf395ea605b19be13ull},
};

template <class Picture, class Value>
const Picture* PictureOf(std::span<const Picture> pictures, Value Picture::*value, int key) {
    for (const Picture& p : pictures)
        if (p.*value == key) return &p;
    return nullptr;
}

// One case per record of the formula and stalk tables, so a new record
// needs its golden pictures.
void AddRecordCases(std::vector<Golden>& table) {
    for (const FormulaRecord& r : kFormulas) {
        if (r.kind == kFormulaCustom) continue;
        const FormulaPictures* p = PictureOf<FormulaPictures>(kFormulaPictures, &FormulaPictures::kind, r.kind);
        if (!p) {
            ADD_FAILURE() << "formula " << int(r.kind) << " has no golden pictures";
            continue;
        }
        table.push_back({"julia f" + std::to_string(r.kind), Julia(r.kind, kStalkCircle), p->julia});
        table.push_back({"mandel f" + std::to_string(r.kind), Mandel(r.kind), p->mandel});
    }
    for (const StalkRecord& r : kStalks) {
        const StalkPicture* p = PictureOf<StalkPicture>(kStalkPictures, &StalkPicture::type, r.type);
        if (!p) {
            ADD_FAILURE() << "stalk type " << int(r.type) << " has no golden picture";
            continue;
        }
        const uint8_t type = r.type;
        table.push_back({std::string("stalk ") + r.caption,
                         [type](Picture& g) {
                             Julia(kFormulaZ2, type)(g);
                             if (type == kStalkCircle) g.text(TextField::minit, "2");
                             if (type == kStalkImage) g.text(TextField::p1, "8");
                         },
                         p->hash});
    }
}

const std::vector<Golden>& Table() {
    static const std::vector<Golden> table = [] {
        std::vector<Golden> t;
        AddRecordCases(t);
        t.insert(t.end(), {
        {"julia f200", Julia(200, kStalkCircle), 0x6c4b5526045b3305ull},
        {"mandel f6 sin",
         [](Picture& g) {
             Mandel(6)(g);
             g.item(FfuncMenuId(kFfuncSin));
         },
         0x7a1f8d4a0b19f344ull},
        {"julia f6 cos",
         [](Picture& g) {
             g.actions.FunctionItem(kFormulaRecipF);
             g.item(FfuncMenuId(kFfuncCos));
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
        // A stalk type no record has tests nothing.
        {"stalk 12", Julia(3, 12), 0x7137a5f34500e4e3ull},
        // The other escape test, minimum iterations and the colour scale.
        {"sumabs cross",
         [](Picture& g) {
             Julia(3, kStalkCross)(g);
             g.item(MenuId::BailoutSumAbs);
         },
         0xa4e4c078ba654557ull},
        {"sumabs mandel p3",
         [](Picture& g) {
             Mandel(3)(g);
             g.item(MenuId::BailoutSumAbs);
             g.text(TextField::p3, "0.7");
             g.text(TextField::minit, "5");
         },
         0x7fea17c62c4b486cull},
        // Mappings.
        {"sphere", [](Picture& g) { g.item(MenuId::Sphere); }, 0x5505fcfb16d81cfeull},
        {"inversion",
         [](Picture& g) {
             g.item(MenuId::Inversion);
             g.s.params.invx = 0.25L;
             g.s.params.invy = -0.1L;
             g.s.params.invr = 0.8L;
         },
         0xeef1435244dbcb16ull},
        {"sphere and inversion mandel",
         [](Picture& g) {
             Mandel(3)(g);
             g.item(MenuId::Sphere);
             g.item(MenuId::Inversion);
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
        });
        return t;
    }();
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
        if (print) std::printf("%s: 0x%016llxull\n", golden.name.c_str(), static_cast<unsigned long long>(hash));
        else EXPECT_EQ(hash, golden.hash) << golden.name;
    }
}

}  // namespace
}  // namespace velmora
