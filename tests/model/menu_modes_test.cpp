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
        InitialiseParametersDialogState(actions);
    }
    std::vector<std::string> checkedUnder(MenuId menu) {
        std::vector<std::string> names;
        for (auto& item : s.menu.item(menu).children)
            if (item->checked) names.push_back(item->name);
        return names;
    }
    std::vector<std::string> captionsUnder(MenuId menu) {
        std::vector<std::string> captions;
        for (auto& item : s.menu.item(menu).children) captions.push_back(item->caption);
        return captions;
    }
    ProgramState s;
    testing::RecordingHost host;
    ModeActions actions{s};
};

TEST_F(Modes, StartUpState) {
    EXPECT_EQ(checkedUnder(MenuId::MandelJulia), std::vector<std::string>{"Julia1"});
    EXPECT_EQ(checkedUnder(MenuId::Function), std::vector<std::string>{"zzc1"});
    EXPECT_EQ(checkedUnder(MenuId::Stalktype), std::vector<std::string>{"Circle1"});
    EXPECT_EQ(checkedUnder(MenuId::Bailout), std::vector<std::string>{"modulus"});
    EXPECT_TRUE(s.menu.isChecked(MenuId::Normal));
    EXPECT_FALSE(s.menu.isChecked(MenuId::Sphere));
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
    using Captions = std::vector<std::string>;
    EXPECT_EQ(captionsUnder(MenuId::MainMenu), (Captions{"", "&File", "Mandel/Julia", "Function", "Bailout",
                                                         "Stalktype", "&Action", "Colours...", "Options", "Help"}));
    EXPECT_EQ(captionsUnder(MenuId::File),
              (Captions{"Save as BMP...", "Save as GIF...", "Save as PNG...", "Load from GIF...", "Load from PNG...",
                        "Export large picture...",
                        "Save Palette", "Load Palette", std::string(44, '-'), "", "", "", "", "", "", "", "",
                        "E&xit"}));
    EXPECT_EQ(captionsUnder(MenuId::Function),
              (Captions{"az^2+b/(z^2)+c*pixel", "z^2+c", "z^z+z^4-z+c", "z^3+c", "z^7+c", "1/f(z*z+c)", "1/z^2+c",
                        "1/(z+c)^2", "1/z^3+c", "1/(z^3+c)", "csin(z)", "c*cos(z)", "cexp(z)", "sinhz+c",
                        "c*tanh(z)", "Pokorny Equations", "Custom"}));
    EXPECT_EQ(captionsUnder(FormulaMenuId(kFormulaRecipF)), (Captions{"f=ident", "f=sin", "f=cos"}));
    EXPECT_EQ(captionsUnder(MenuId::Stalktype),
              (Captions{"No Stalks", "Cross", "hypercross", "Circle", "Annulus", "Converge", "Slope 1", "Slope 2",
                        "Modulus Diff.", "Square band", "Image", "Median"}));
    EXPECT_EQ(captionsUnder(MenuId::Action),
              (Captions{"Run", "Continue", "--------------------------------------------", "Normal", "Sphere",
                        "Inversion", "--------------------------------------------", "Parameters", "Cancel",
                        "Tidy Screen", "Reset range and centre", "Memory Status", "Back", "Forward",
                        "Julia Preview"}));
    EXPECT_EQ(captionsUnder(MenuId::PopupMenu), (Captions{"run", "Continue", "set inverse", "parameters", "palette",
                                                          "stop", "reset range and centre"}));
    const MenuItem& image = s.menu.item(StalkMenuId(kStalkImage));
    EXPECT_FALSE(image.visible);
    EXPECT_FALSE(image.enabled);
}

TEST_F(Modes, FunctionItemsWriteTheirBailout) {
    const struct {
        const char* item;
        uint8_t kind;
        long double bailout;
    } cases[] = {{"zc21", 1, 4.0L},    {"sinzc1", 2, 50.0L},  {"z3c1", 4, 20.0L},   {"z7c1", 5, 200.0L},
                 {"N1zzc1", 6, 50.0L}, {"N1z2c1", 7, 20.0L},  {"N1zc21", 8, 20.0L}, {"N1z3c1", 9, 20.0L},
                 {"N1z3c2", 10, 20.0L}, {"coszc1", 11, 50.0L}, {"expzc1", 12, 5000.0L}, {"sinhzc1", 13, 200.0L},
                 {"tanhzc1", 14, 20.0L}, {"PokornyEquations1", 15, 20.0L}, {"Custom1", 17, 4.0L},
                 {"zzc1", 3, 4.0L}};
    for (const auto& c : cases) {
        actions.mandel_params(true);
        s.params.maxmod = -1.0L;
        ASSERT_TRUE(actions.Trigger(FormulaMenuId(c.kind)));
        EXPECT_EQ(s.params.FunctionKind, c.kind) << c.item;
        EXPECT_EQ(s.params.maxmod, c.bailout) << c.item;
        EXPECT_EQ(checkedUnder(MenuId::Function), std::vector<std::string>{c.item});
        EXPECT_FALSE(s.texts.visible(TextField::cmy)) << c.item;
    }
}

TEST_F(Modes, CoefficientFormulaKeepsBailoutAndGroup) {
    actions.Trigger(FormulaMenuId(kFormulaCExp));
    actions.mandel_params(true);
    actions.Trigger(FormulaMenuId(kFormulaCoefficients));
    EXPECT_EQ(s.params.FunctionKind, 0);
    EXPECT_EQ(s.params.maxmod, 5000.0L);
    EXPECT_TRUE(s.texts.visible(TextField::amx));
}

TEST_F(Modes, FfuncItemsCheckTheirParent) {
    actions.Trigger(FormulaMenuId(kFormulaRecipF));  // opening the sub-menu runs the parent's action
    actions.Trigger(FfuncMenuId(kFfuncCos));
    EXPECT_EQ(s.params.ffunc, 2);
    EXPECT_EQ(s.params.FunctionKind, 6);
    EXPECT_TRUE(s.menu.isChecked(FfuncMenuId(kFfuncCos)));
    EXPECT_FALSE(s.menu.isChecked(FfuncMenuId(kFfuncIdent)));
    EXPECT_TRUE(s.menu.isChecked(FormulaMenuId(kFormulaRecipF)));
    EXPECT_EQ(checkedUnder(MenuId::Function), std::vector<std::string>{"N1zzc1"});
}

TEST_F(Modes, MappingFlagsAndTheirChecks) {
    actions.Trigger(MenuId::Sphere);
    actions.Trigger(MenuId::Inversion);
    EXPECT_TRUE(s.params.sphere);
    EXPECT_TRUE(s.params.inversion);
    EXPECT_FALSE(s.menu.isChecked(MenuId::Sphere));
    EXPECT_TRUE(s.menu.isChecked(MenuId::Inversion));
    EXPECT_EQ(s.params.Mapping(), MappingKind::Sphere);

    actions.Trigger(MenuId::Inversion);
    EXPECT_FALSE(s.params.inversion);
    EXPECT_TRUE(s.params.sphere);
    EXPECT_FALSE(s.menu.isChecked(MenuId::Normal));
    EXPECT_FALSE(s.menu.isChecked(MenuId::Sphere));
    EXPECT_FALSE(s.menu.isChecked(MenuId::Inversion));

    actions.Trigger(MenuId::Normal);
    EXPECT_FALSE(s.params.sphere);
    EXPECT_FALSE(s.params.inversion);
    EXPECT_TRUE(s.menu.isChecked(MenuId::Normal));

    actions.Trigger(MenuId::PopupSetInverse);
    EXPECT_TRUE(s.params.inversion);
    EXPECT_TRUE(s.menu.isChecked(MenuId::Inversion));
    EXPECT_FALSE(s.menu.isChecked(MenuId::Normal));
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
        actions.Trigger(MenuId::Mandelbrot);
        EXPECT_EQ(s.params.sizy, c.sizy);
        EXPECT_EQ(s.params.siz, c.numericSiz);  // the number is left alone
        EXPECT_EQ(s.texts.text(TextField::siz), "200");
    }
    EXPECT_TRUE(s.menu.isChecked(MenuId::Mandelbrot));
    EXPECT_FALSE(s.menu.isChecked(MenuId::Julia));
    EXPECT_EQ(s.params.StalkType, 0);
    EXPECT_TRUE(s.menu.isChecked(StalkMenuId(kStalkNone)));
    EXPECT_EQ(s.texts.text(TextField::Rang), "5");
    EXPECT_EQ(s.texts.text(TextField::p1), "1.0");
    EXPECT_EQ(s.texts.text(TextField::p3), "0.5");
    EXPECT_EQ(s.texts.text(TextField::yce), "0.0");
    EXPECT_TRUE(s.texts.visible(TextField::amx));
    EXPECT_TRUE(s.texts.groupCaptionVisible());

    s.params.xce = 2.0L;
    actions.Trigger(MenuId::Julia);
    EXPECT_TRUE(s.menu.isChecked(MenuId::Julia));
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
    const MenuId guarded[] = {FormulaMenuId(kFormulaZ3), FfuncMenuId(kFfuncSin), MenuId::BailoutSumAbs,
                              MenuId::Mandelbrot,        MenuId::Julia,          MenuId::Normal,
                              MenuId::Sphere,            MenuId::Inversion,      MenuId::ResetRange,
                              MenuId::PopupResetRange,   FormulaMenuId(kFormulaCoefficients)};
    for (const MenuId item : guarded) ASSERT_TRUE(actions.Trigger(item)) << static_cast<int>(item);
    EXPECT_EQ(s.params.FunctionKind, kind);
    EXPECT_EQ(s.params.ffunc, 0);
    EXPECT_EQ(s.params.BailoutKind, 0);
    EXPECT_EQ(s.params.sphere, 0);
    EXPECT_EQ(s.params.inversion, 0);
    EXPECT_TRUE(s.menu.isChecked(MenuId::Julia));
    EXPECT_EQ(s.texts.text(TextField::Rang), "3.3");
    EXPECT_TRUE(host.messages.empty());

    // Not guarded: stalk items, set inverse, show exceptions.
    actions.Trigger(StalkMenuId(kStalkCross));
    EXPECT_EQ(s.params.StalkType, 1);
    actions.Trigger(MenuId::PopupSetInverse);
    EXPECT_EQ(s.params.inversion, 1);
    actions.Trigger(MenuId::ShowExceptions);
    EXPECT_TRUE(s.run.ShowExceptions);
    EXPECT_TRUE(s.menu.isChecked(MenuId::ShowExceptions));
    actions.Trigger(MenuId::ShowExceptions);
    EXPECT_FALSE(s.run.ShowExceptions);
}

TEST_F(Modes, StalkItemsAndHiddenImage) {
    const struct {
        const char* item;
        uint8_t value;
    } cases[] = {{"NoStalks1", 0}, {"Cross1", 1}, {"hypercross1", 11}, {"Circle1", 2}, {"Annulus1", 3},
                 {"Converge1", 4}, {"Slope1", 5}, {"Slope21", 6}, {"ModulusDiff1", 7}, {"absxabsy1", 8},
                 {"Median1", 10}};
    for (const auto& c : cases) {
        actions.Trigger(StalkMenuId(c.value));
        EXPECT_EQ(s.params.StalkType, c.value);
        EXPECT_EQ(checkedUnder(MenuId::Stalktype), std::vector<std::string>{c.item});
    }
    actions.Trigger(StalkMenuId(kStalkImage));  // no action
    EXPECT_EQ(s.params.StalkType, 10);
}

TEST_F(Modes, RadioRuleClearsOnlyTheSameGroupUnderTheSameParent) {
    s.menu.setChecked(MenuId::Sphere, true);
    EXPECT_FALSE(s.menu.isChecked(MenuId::Normal));
    // "Run" shares group 4 but is no radio item: never cleared, never clears.
    s.menu.setChecked(MenuId::Run, true);
    EXPECT_TRUE(s.menu.isChecked(MenuId::Sphere));
    s.menu.setChecked(MenuId::Normal, true);
    EXPECT_TRUE(s.menu.isChecked(MenuId::Run));
    // Stalktype is group 4 too, under another parent.
    EXPECT_TRUE(s.menu.isChecked(StalkMenuId(kStalkCircle)));
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
        for (auto& sub : top->children)
            EXPECT_TRUE(sub->enabled || sub->id == MenuId::JuliaPreview) << sub->caption;
    }
    for (auto& p : s.menu.popupMenu().children) EXPECT_TRUE(p->enabled);
}

// The Julia preview's points are those of a Mandelbrot picture; it computes
// apart from the run, so a run does not lock it.
TEST_F(Modes, JuliaPreviewOnlyOverMandelbrot) {
    const MenuItem& preview = s.menu.item(MenuId::JuliaPreview);
    const struct {
        MenuId kind;
        bool locked, enabled;
    } cases[] = {{MenuId::Mandelbrot, false, true},
                 {MenuId::Mandelbrot, true, true},
                 {MenuId::Julia, false, false},
                 {MenuId::Julia, true, false}};
    for (const auto& c : cases) {
        actions.Trigger(c.kind);
        if (c.locked) s.menu.lockForRun();
        EXPECT_EQ(preview.enabled, c.enabled) << int(c.kind) << c.locked;
        s.menu.unlockAll();
    }
}

}  // namespace
}  // namespace velmora
