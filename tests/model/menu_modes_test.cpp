#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mode_actions.hpp"
#include "recording_host.hpp"
#include "startup.hpp"

namespace velmora {
namespace {

class Modes : public ::testing::Test {
protected:
    Modes() {
        InitialiseMainWindowState(s);
        InitialiseParametersDialogState(s, actions);
    }
    std::vector<std::string> checkedUnder(size_t top) {
        std::vector<std::string> names;
        for (auto& item : s.menu.mainMenu().child(top).children)
            if (item->checked) names.push_back(item->name);
        return names;
    }
    ProgramState s;
    testing::RecordingHost host;
    ModeActions actions{s};
};

TEST_F(Modes, StartUpState) {
    EXPECT_EQ(checkedUnder(kMenuMandelJulia), std::vector<std::string>{"Julia1"});
    EXPECT_EQ(checkedUnder(kMenuFunction), std::vector<std::string>{"zzc1"});
    EXPECT_EQ(checkedUnder(kMenuStalktype), std::vector<std::string>{"Circle1"});
    EXPECT_EQ(checkedUnder(kMenuBailout), std::vector<std::string>{"modulus"});
    EXPECT_TRUE(s.menu.isChecked("Normal1"));
    EXPECT_FALSE(s.menu.isChecked("Sphere1"));
    EXPECT_EQ(s.params.FunctionKind, 3);
    EXPECT_EQ(s.params.StalkType, 2);
    EXPECT_EQ(s.params.maxmod, 4.0L);
    EXPECT_EQ(s.params.miter, 50);
    EXPECT_EQ(s.params.invr, 1.0L);
    EXPECT_EQ(s.params.LastColumnDone, 10000);
    EXPECT_FALSE(s.texts.visible(TextField::amx));
    EXPECT_FALSE(s.texts.groupCaptionVisible());
    EXPECT_EQ(s.texts.text(TextField::cx), "-0.775");
    EXPECT_EQ(s.texts.text(TextField::Rang), "3.3");
    EXPECT_EQ(s.statusText.size(), 32u);
}

TEST_F(Modes, MenuLayoutByPosition) {
    const MenuItem& main = s.menu.mainMenu();
    const char* tops[] = {"", "&File", "Mandel/Julia", "Function", "Bailout", "Stalktype",
                          "&Action", "Colours...", "Options", "Help"};
    ASSERT_EQ(main.count(), 10u);
    for (size_t i = 0; i < main.count(); ++i) EXPECT_EQ(main.child(i).caption, tops[i]);
    EXPECT_EQ(main.child(kMenuFile).child(4).caption, "Load Palette");
    const char* formulas[] = {"az^2+b/(z^2)+c*pixel", "z^2+c", "z^z+z^4-z+c", "z^3+c", "z^7+c", "1/f(z*z+c)",
                              "1/z^2+c", "1/(z+c)^2", "1/z^3+c", "1/(z^3+c)", "csin(z)", "c*cos(z)",
                              "cexp(z)", "sinhz+c", "c*tanh(z)", "Pokorny Equations", "Custom"};
    ASSERT_EQ(main.child(kMenuFunction).count(), 17u);
    for (size_t i = 0; i < 17; ++i) EXPECT_EQ(main.child(kMenuFunction).child(i).caption, formulas[i]);
    const char* action[] = {"Run", "Continue", "--------------------------------------------", "Normal", "Sphere",
                            "Inversion", "--------------------------------------------", "Parameters", "Cancel",
                            "Tidy Screen", "Reset range and centre", "Memory Status"};
    ASSERT_EQ(main.child(kMenuAction).count(), 12u);
    for (size_t i = 0; i < 12; ++i) EXPECT_EQ(main.child(kMenuAction).child(i).caption, action[i]);
    const char* popup[] = {"run", "Continue", "set inverse", "parameters", "palette", "stop",
                           "reset range and centre"};
    ASSERT_EQ(s.menu.popupMenu().count(), 7u);
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(s.menu.popupMenu().child(i).caption, popup[i]);
    const MenuItem& image = s.menu.item("Image2");
    EXPECT_FALSE(image.visible);
    EXPECT_FALSE(image.enabled);
}

TEST_F(Modes, FunctionItemsWriteTheirBailout) {
    const struct {
        const char* item;
        int kind;
        long double bailout;
    } cases[] = {{"zc21", 1, 4.0L},    {"sinzc1", 2, 50.0L},  {"z3c1", 4, 20.0L},   {"z7c1", 5, 200.0L},
                 {"N1zzc1", 6, 50.0L}, {"N1z2c1", 7, 20.0L},  {"N1zc21", 8, 20.0L}, {"N1z3c1", 9, 20.0L},
                 {"N1z3c2", 10, 20.0L}, {"coszc1", 11, 50.0L}, {"expzc1", 12, 5000.0L}, {"sinhzc1", 13, 200.0L},
                 {"tanhzc1", 14, 20.0L}, {"PokornyEquations1", 15, 20.0L}, {"Custom1", 17, 4.0L},
                 {"zzc1", 3, 4.0L}};
    for (const auto& c : cases) {
        actions.mandel_params(true);
        s.params.maxmod = -1.0L;
        ASSERT_TRUE(actions.Trigger(c.item));
        EXPECT_EQ(s.params.FunctionKind, c.kind) << c.item;
        EXPECT_EQ(s.params.maxmod, c.bailout) << c.item;
        EXPECT_EQ(checkedUnder(kMenuFunction), std::vector<std::string>{c.item});
        EXPECT_FALSE(s.texts.visible(TextField::cmy)) << c.item;
    }
}

TEST_F(Modes, CoefficientFormulaKeepsBailoutAndGroup) {
    actions.Trigger("expzc1");
    actions.mandel_params(true);
    actions.Trigger("az2bzcpixel1");
    EXPECT_EQ(s.params.FunctionKind, 0);
    EXPECT_EQ(s.params.maxmod, 5000.0L);
    EXPECT_TRUE(s.texts.visible(TextField::amx));
}

TEST_F(Modes, FfuncItemsCheckTheirParent) {
    actions.Trigger("N1zzc1");  // opening the sub-menu runs the parent's action
    actions.Trigger("fcos1");
    EXPECT_EQ(s.params.ffunc, 2);
    EXPECT_EQ(s.params.FunctionKind, 6);
    EXPECT_TRUE(s.menu.isChecked("fcos1"));
    EXPECT_FALSE(s.menu.isChecked("fident1"));
    EXPECT_TRUE(s.menu.isChecked("N1zzc1"));
    EXPECT_EQ(checkedUnder(kMenuFunction), std::vector<std::string>{"N1zzc1"});
}

TEST_F(Modes, MappingFlagsAndTheirChecks) {
    actions.Trigger("Sphere1");
    actions.Trigger("Inversion1");
    EXPECT_TRUE(s.params.sphere);
    EXPECT_TRUE(s.params.inversion);
    EXPECT_FALSE(s.menu.isChecked("Sphere1"));
    EXPECT_TRUE(s.menu.isChecked("Inversion1"));
    EXPECT_EQ(s.params.Mapping(), MappingKind::Sphere);

    actions.Trigger("Inversion1");
    EXPECT_FALSE(s.params.inversion);
    EXPECT_TRUE(s.params.sphere);
    EXPECT_FALSE(s.menu.isChecked("Normal1"));
    EXPECT_FALSE(s.menu.isChecked("Sphere1"));
    EXPECT_FALSE(s.menu.isChecked("Inversion1"));

    actions.Trigger("Normal1");
    EXPECT_FALSE(s.params.sphere);
    EXPECT_FALSE(s.params.inversion);
    EXPECT_TRUE(s.menu.isChecked("Normal1"));

    actions.Trigger("runinverse1");
    EXPECT_TRUE(s.params.inversion);
    EXPECT_TRUE(s.menu.isChecked("Inversion1"));
    EXPECT_FALSE(s.menu.isChecked("Normal1"));
    EXPECT_EQ(s.params.Mapping(), MappingKind::Inversion);
}

TEST_F(Modes, MandelbrotItem) {
    const struct {
        const char* siz;
        int32_t numericSiz, sizy;
    } cases[] = {{"201", 201, 151}, {"202", 202, 152}};
    for (const auto& c : cases) {
        s.params.siz = c.numericSiz;
        s.texts.setText(TextField::siz, c.siz);
        actions.Trigger("Mandelbrot1");
        EXPECT_EQ(s.params.sizy, c.sizy);
        EXPECT_EQ(s.params.siz, c.numericSiz);  // the number is left alone
        EXPECT_EQ(s.texts.text(TextField::siz), "200");
    }
    EXPECT_TRUE(s.menu.isChecked("Mandelbrot1"));
    EXPECT_FALSE(s.menu.isChecked("Julia1"));
    EXPECT_EQ(s.params.StalkType, 0);
    EXPECT_TRUE(s.menu.isChecked("NoStalks1"));
    EXPECT_EQ(s.texts.text(TextField::Rang), "5");
    EXPECT_EQ(s.texts.text(TextField::p1), "1.0");
    EXPECT_EQ(s.texts.text(TextField::p3), "0.5");
    EXPECT_EQ(s.texts.text(TextField::yce), "0.0");
    EXPECT_TRUE(s.texts.visible(TextField::amx));
    EXPECT_TRUE(s.texts.groupCaptionVisible());

    s.params.xce = 2.0L;
    actions.Trigger("Julia1");
    EXPECT_TRUE(s.menu.isChecked("Julia1"));
    EXPECT_EQ(s.params.Rang, 4.0L);
    EXPECT_EQ(s.params.xce, 0.0L);
    EXPECT_EQ(s.texts.text(TextField::Rang), " 4.00000000000000000");
    EXPECT_EQ(s.texts.text(TextField::xce), " 0.00000000000000000");
    EXPECT_EQ(s.texts.text(TextField::yce), " 0.00000000000000000");
}

TEST_F(Modes, BusyRuleRefusesSilently) {
    s.run.Calculating = true;
    const ProgramState& before = s;
    const uint8_t kind = before.params.FunctionKind;
    const char* guarded[] = {"z3c1", "fsin1", "sumabs", "Mandelbrot1", "Julia1", "Normal1",
                             "Sphere1", "Inversion1", "Reset1", "resetrange2", "az2bzcpixel1"};
    for (const char* item : guarded) ASSERT_TRUE(actions.Trigger(item)) << item;
    EXPECT_EQ(s.params.FunctionKind, kind);
    EXPECT_EQ(s.params.ffunc, 0);
    EXPECT_EQ(s.params.BailoutKind, 0);
    EXPECT_EQ(s.params.sphere, 0);
    EXPECT_EQ(s.params.inversion, 0);
    EXPECT_TRUE(s.menu.isChecked("Julia1"));
    EXPECT_EQ(s.texts.text(TextField::Rang), "3.3");
    EXPECT_TRUE(host.messages.empty());

    // Not guarded: stalk items, set inverse, show exceptions.
    actions.Trigger("Cross1");
    EXPECT_EQ(s.params.StalkType, 1);
    actions.Trigger("runinverse1");
    EXPECT_EQ(s.params.inversion, 1);
    actions.Trigger("Shexc");
    EXPECT_TRUE(s.run.ShowExceptions);
    EXPECT_TRUE(s.menu.isChecked("Shexc"));
    actions.Trigger("Shexc");
    EXPECT_FALSE(s.run.ShowExceptions);
}

TEST_F(Modes, StalkItemsAndHiddenImage) {
    const struct {
        const char* item;
        int value;
    } cases[] = {{"NoStalks1", 0}, {"Cross1", 1}, {"hypercross1", 11}, {"Circle1", 2}, {"Annulus1", 3},
                 {"Converge1", 4}, {"Slope1", 5}, {"Slope21", 6}, {"ModulusDiff1", 7}, {"absxabsy1", 8},
                 {"Median1", 10}};
    for (const auto& c : cases) {
        actions.Trigger(c.item);
        EXPECT_EQ(s.params.StalkType, c.value);
        EXPECT_EQ(checkedUnder(kMenuStalktype), std::vector<std::string>{c.item});
    }
    actions.Trigger("Image2");  // no action
    EXPECT_EQ(s.params.StalkType, 10);
}

TEST_F(Modes, RadioRuleClearsOnlyTheSameGroupUnderTheSameParent) {
    MenuItem& action = s.menu.mainMenu().child(kMenuAction);
    s.menu.setChecked("Sphere1", true);
    EXPECT_FALSE(s.menu.isChecked("Normal1"));
    // "Run" shares group 4 but is no radio item: never cleared, never clears.
    s.menu.setChecked(action.child(0), true);
    EXPECT_TRUE(s.menu.isChecked("Sphere1"));
    s.menu.setChecked("Normal1", true);
    EXPECT_TRUE(action.child(0).checked);
    // Stalktype is group 4 too, under another parent.
    EXPECT_TRUE(s.menu.isChecked("Circle1"));
}

TEST_F(Modes, RunLockAndUnlock) {
    s.menu.lockForRun();
    const MenuItem& main = s.menu.mainMenu();
    std::vector<std::string> enabled;
    for (auto& top : main.children) {
        if (top->enabled) enabled.push_back("[" + top->caption + "]");
        for (auto& sub : top->children)
            if (sub->enabled) enabled.push_back(sub->caption);
    }
    for (auto& p : s.menu.popupMenu().children)
        if (p->enabled) enabled.push_back("popup " + p->caption);
    const std::vector<std::string> expected = {"[]", "[&File]", "Load Palette", "[&Action]", "Cancel",
                                               "Tidy Screen", "[Colours...]", "Palette", "popup palette",
                                               "popup stop"};
    EXPECT_EQ(enabled, expected);

    s.menu.unlockAll();
    for (auto& top : main.children) {
        EXPECT_TRUE(top->enabled);
        for (auto& sub : top->children) EXPECT_TRUE(sub->enabled) << sub->caption;
    }
    for (auto& p : s.menu.popupMenu().children) EXPECT_TRUE(p->enabled);
}

}  // namespace
}  // namespace velmora
