#include "menu_model.hpp"

#include <initializer_list>
#include <stdexcept>

#include "picture_parameters.hpp"

namespace velmora {
namespace {

struct ItemDef {
    const char* name;
    const char* caption;
    const char* shortcut = "";
    int value = -1;
};

MenuItem& Add(MenuItem& parent, const ItemDef& def, bool radio = false, int group = 0) {
    auto item = std::make_unique<MenuItem>();
    item->name = def.name;
    item->caption = def.caption;
    item->shortcut = def.shortcut;
    item->value = def.value;
    item->radioItem = radio;
    item->groupIndex = group;
    item->parent = &parent;
    parent.children.push_back(std::move(item));
    return *parent.children.back();
}

void AddRadios(MenuItem& parent, int group, std::initializer_list<ItemDef> items) {
    for (const ItemDef& def : items) Add(parent, def, true, group);
}

const char* const kSeparator = "--------------------------------------------";

void BuildMain(MenuItem& m) {
    Add(m, {"N0", ""});

    MenuItem& file = Add(m, {"File1", "&File"});
    Add(file, {"SaveasBMP1", "Save as BMP..."});
    Add(file, {"SaveasGIF1", "Save as GIF..."});
    Add(file, {"LoadfromGIF1", "Load from GIF..."});
    Add(file, {"SavePalette1", "Save Palette"});
    Add(file, {"LoadPalette1", "Load Palette"});
    Add(file, {"Exit1", "E&xit", "Alt+X"});

    MenuItem& setKind = Add(m, {"MandelJulia1", "Mandel/Julia"});
    AddRadios(setKind, 2, {{"Julia1", "Julia"}, {"Mandelbrot1", "Mandelbrot", "F4"}});

    MenuItem& function = Add(m, {"Function1", "Function"});
    AddRadios(function, 6,
              {{"az2bzcpixel1", "az^2+b/(z^2)+c*pixel", "", kFormulaCoefficients},
               {"zzc1", "z^2+c", "", kFormulaZ2},
               {"zc21", "z^z+z^4-z+c", "", kFormulaZPowZ},
               {"z3c1", "z^3+c", "", kFormulaZ3},
               {"z7c1", "z^7+c", "", kFormulaZ7},
               {"N1zzc1", "1/f(z*z+c)", "", kFormulaRecipF}});
    MenuItem& recipF = *function.children.back();
    AddRadios(recipF, 7,
              {{"fident1", "f=ident", "", kFfuncIdent},
               {"fsin1", "f=sin", "", kFfuncSin},
               {"fcos1", "f=cos", "", kFfuncCos}});
    AddRadios(function, 6,
              {{"N1z2c1", "1/z^2+c", "", kFormulaRecipZ2},
               {"N1zc21", "1/(z+c)^2", "", kFormulaRecipZC2},
               {"N1z3c1", "1/z^3+c", "", kFormulaRecipZ3},
               {"N1z3c2", "1/(z^3+c)", "", kFormulaRecipZ3C},
               {"sinzc1", "csin(z)", "", kFormulaCSin},
               {"coszc1", "c*cos(z)", "", kFormulaCCos},
               {"expzc1", "cexp(z)", "", kFormulaCExp},
               {"sinhzc1", "sinhz+c", "", kFormulaSinh},
               {"tanhzc1", "c*tanh(z)", "", kFormulaCTanh},
               {"PokornyEquations1", "Pokorny Equations", "", kFormulaPokorny},
               {"Custom1", "Custom", "", kFormulaCustom}});

    MenuItem& bailout = Add(m, {"Bailout1", "Bailout"});
    AddRadios(bailout, 5,
              {{"modulus", "sqr(z.x) + sqr(z.y)", "", kBailoutModulus},
               {"sumabs", "abs(z.x) + abs(z.y)", "", kBailoutSumAbs}});

    MenuItem& stalks = Add(m, {"Stalktype1", "Stalktype"});
    AddRadios(stalks, 4,
              {{"NoStalks1", "No Stalks", "", kStalkNone},
               {"Cross1", "Cross", "", kStalkCross},
               {"hypercross1", "hypercross", "", kStalkHypercross},
               {"Circle1", "Circle", "", kStalkCircle},
               {"Annulus1", "Annulus", "", kStalkAnnulus},
               {"Converge1", "Converge", "", kStalkConverge},
               {"Slope1", "Slope 1", "", kStalkSlope1},
               {"Slope21", "Slope 2", "", kStalkSlope2},
               {"ModulusDiff1", "Modulus Diff.", "", kStalkModulusDiff},
               {"absxabsy1", "Square band", "", kStalkSquareBand},
               {"Image2", "Image", "", kStalkImage},
               {"Median1", "Median", "", kStalkMedian}});
    MenuItem& image = stalks.child(10);
    image.visible = false;
    image.enabled = false;

    MenuItem& action = Add(m, {"Action1", "&Action"});
    Add(action, {"Run1", "Run", "F2"}, false, 4);
    Add(action, {"Restart1", "Continue"}, false, 4);
    Add(action, {"N1", kSeparator}, false, 4).enabled = false;
    AddRadios(action, 4, {{"Normal1", "Normal"}, {"Sphere1", "Sphere"}, {"Inversion1", "Inversion"}});
    Add(action, {"N2", kSeparator}, false, 4).enabled = false;
    Add(action, {"Parameters1", "Parameters", "F3"}, false, 4);
    Add(action, {"Cancel1", "Cancel", "Space"}, false, 4);
    Add(action, {"TidyScreen1", "Tidy Screen", "F5"}, false, 4);
    Add(action, {"Reset1", "Reset range and centre", "F6"}, false, 4);
    Add(action, {"MemoryStatus1", "Memory Status", "F7"}, false, 4);

    MenuItem& colours = Add(m, {"Colours1", "Colours..."});
    Add(colours, {"Pal1", "Palette"});
    Add(colours, {"addborder1", "add border"});

    MenuItem& options = Add(m, {"Options1", "Options"});
    Add(options, {"Shexc", "Show exceptions"});
    MenuItem& dirs = Add(options, {"SetDirectories1", "Set  Directories for saving/loading"});
    Add(dirs, {"Pictureloaddirectory1", "Picture load directory"});
    Add(dirs, {"Picturesavedirectory1", "Picture save directory"});
    Add(dirs, {"Paletteloaddirectory1", "Palette load directory"});
    Add(dirs, {"Palettesavedirectory1", "Palette save directory"});
    Add(options, {"Setstartup1", "Set startup picture filename"});
    Add(options, {"N3", ""});
    Add(options, {"Saveoptions1", "Save options"});

    MenuItem& help = Add(m, {"Help1", "Help"});
    Add(help, {"Contents1", "Contents"});
    Add(help, {"About1", "About"});
}

void BuildPopup(MenuItem& p) {
    Add(p, {"run1", "run"});
    Add(p, {"Restart2", "Continue"});
    Add(p, {"runinverse1", "set inverse"});
    Add(p, {"parameters2", "parameters"});
    Add(p, {"palette2", "palette"});
    Add(p, {"stop1", "stop"});
    Add(p, {"resetrange2", "reset range and centre"});
}

MenuItem* FindIn(MenuItem& root, const std::string& name) {
    for (auto& c : root.children) {
        if (c->name == name) return c.get();
        if (MenuItem* found = FindIn(*c, name)) return found;
    }
    return nullptr;
}

}  // namespace

MenuModel::MenuModel() {
    main_.name = "MainMenu1";
    popup_.name = "PopupMenu1";
    BuildMain(main_);
    BuildPopup(popup_);
    // The stored layout: the first formula item, the first stalk item and the
    // first item of every other group carry the check mark until start-up
    // moves them.
    item("az2bzcpixel1").checked = true;
    item("fident1").checked = true;
    item("modulus").checked = true;
    item("NoStalks1").checked = true;
    item("Julia1").checked = true;
    item("Normal1").checked = true;
}

MenuItem* MenuModel::find(const std::string& name) {
    if (MenuItem* found = FindIn(main_, name)) return found;
    return FindIn(popup_, name);
}

MenuItem& MenuModel::item(const std::string& name) {
    if (MenuItem* found = find(name)) return *found;
    throw std::out_of_range("no menu item " + name);
}

const MenuItem& MenuModel::item(const std::string& name) const {
    return const_cast<MenuModel*>(this)->item(name);
}

void MenuModel::setChecked(MenuItem& target, bool checked) {
    if (target.checked == checked) return;
    if (target.radioItem && target.groupIndex != 0 && target.parent) {
        for (auto& sibling : target.parent->children) {
            if (sibling.get() != &target && sibling->radioItem && sibling->groupIndex == target.groupIndex &&
                sibling->checked) {
                sibling->checked = false;
                notify(*sibling);
            }
        }
    }
    target.checked = checked;
    notify(target);
}

void MenuModel::setEnabled(MenuItem& target, bool enabled) {
    if (target.enabled == enabled) return;
    target.enabled = enabled;
    notify(target);
}

void MenuModel::lockForRun() {
    for (auto& top : main_.children) {
        setEnabled(*top, false);
        for (auto& sub : top->children) setEnabled(*sub, false);
    }
    for (auto& p : popup_.children) setEnabled(*p, false);

    setEnabled(main_.child(kMenuEmpty), true);
    MenuItem& file = main_.child(kMenuFile);
    setEnabled(file, true);
    setEnabled(file.child(4), true);  // Load Palette
    setEnabled(item("palette2"), true);
    setEnabled(item("stop1"), true);
    MenuItem& action = main_.child(kMenuAction);
    setEnabled(action, true);
    setEnabled(item("Cancel1"), true);
    setEnabled(item("TidyScreen1"), true);
    MenuItem& colours = main_.child(kMenuColours);
    setEnabled(colours, true);
    setEnabled(colours.child(0), true);  // Palette
}

void MenuModel::unlockAll() {
    for (auto& top : main_.children) {
        setEnabled(*top, true);
        for (auto& sub : top->children) setEnabled(*sub, true);
    }
    for (auto& p : popup_.children) setEnabled(*p, true);
}

}  // namespace velmora
