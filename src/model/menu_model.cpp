#include "menu_model.hpp"

#include <initializer_list>
#include <stdexcept>

#include "formula_table.hpp"
#include "stalk_table.hpp"

namespace velmora {
namespace {

struct ItemDef {
    MenuId id;
    const char* name;
    const char* caption;
    const char* shortcut = "";
    int value = -1;
};

MenuItem& Add(MenuItem& parent, const ItemDef& def, bool radio = false, int group = 0) {
    auto item = std::make_unique<MenuItem>();
    item->id = def.id;
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

void AddFormulas(MenuItem& function) {
    for (const FormulaRecord& r : kFormulas) {
        if (!r.hasMenuItem()) continue;
        MenuItem& item = Add(function, {FormulaMenuId(r.kind), r.item, r.caption, "", r.kind}, true, 6);
        for (const FormulaChoice& choice : r.choices)
            Add(item, {FfuncMenuId(choice.value), choice.item, choice.caption, "", choice.value}, true, 7);
    }
}

void AddStalks(MenuItem& stalks) {
    for (const StalkRecord& r : kStalks) {
        MenuItem& item = Add(stalks, {StalkMenuId(r.type), r.item, r.caption, "", r.type}, true, 4);
        item.visible = r.visible;
        item.enabled = r.visible;
    }
}

void BuildMain(MenuItem& m) {
    Add(m, {MenuId::Empty, "N0", ""});

    MenuItem& file = Add(m, {MenuId::File, "File1", "&File"});
    Add(file, {MenuId::SaveAsBmp, "SaveasBMP1", "Save as BMP..."});
    Add(file, {MenuId::SaveAsGif, "SaveasGIF1", "Save as GIF...", "Ctrl+S"});
    Add(file, {MenuId::SaveAsPng, "SaveasPNG1", "Save as PNG..."});
    Add(file, {MenuId::LoadFromGif, "LoadfromGIF1", "Load from GIF...", "Ctrl+O"});
    Add(file, {MenuId::LoadFromPng, "LoadfromPNG1", "Load from PNG..."});
    Add(file, {MenuId::ExportLarge, "ExportLarge1", "Export large picture..."});
    Add(file, {MenuId::SavePalette, "SavePalette1", "Save Palette"});
    Add(file, {MenuId::LoadPalette, "LoadPalette1", "Load Palette"});
    // The pictures last loaded or saved: hidden until there are some.
    Add(file, {MenuId::RecentLine, "RecentLine1", kSeparator}).visible = false;
    for (int slot = 0; slot < kRecentFileItems; ++slot) {
        static const char* const kNames[kRecentFileItems] = {"Recent1", "Recent2", "Recent3", "Recent4",
                                                             "Recent5", "Recent6", "Recent7", "Recent8"};
        Add(file, {RecentFileMenuId(slot), kNames[slot], ""}).visible = false;
    }
    Add(file, {MenuId::Exit, "Exit1", "E&xit", "Alt+X"});

    MenuItem& setKind = Add(m, {MenuId::MandelJulia, "MandelJulia1", "Mandel/Julia"});
    AddRadios(setKind, 2, {{MenuId::Julia, "Julia1", "Julia"}, {MenuId::Mandelbrot, "Mandelbrot1", "Mandelbrot", "F4"}});

    AddFormulas(Add(m, {MenuId::Function, "Function1", "Function"}));

    MenuItem& bailout = Add(m, {MenuId::Bailout, "Bailout1", "Bailout"});
    AddRadios(bailout, 5,
              {{MenuId::BailoutModulus, "modulus", "sqr(z.x) + sqr(z.y)", "", kBailoutModulus},
               {MenuId::BailoutSumAbs, "sumabs", "abs(z.x) + abs(z.y)", "", kBailoutSumAbs}});

    AddStalks(Add(m, {MenuId::Stalktype, "Stalktype1", "Stalktype"}));

    MenuItem& action = Add(m, {MenuId::Action, "Action1", "&Action"});
    Add(action, {MenuId::Run, "Run1", "Run", "F2"}, false, 4);
    Add(action, {MenuId::Continue, "Restart1", "Continue"}, false, 4);
    Add(action, {MenuId::ActionLine1, "N1", kSeparator}, false, 4).enabled = false;
    AddRadios(action, 4,
              {{MenuId::Normal, "Normal1", "Normal"},
               {MenuId::Sphere, "Sphere1", "Sphere"},
               {MenuId::Inversion, "Inversion1", "Inversion"}});
    Add(action, {MenuId::ActionLine2, "N2", kSeparator}, false, 4).enabled = false;
    Add(action, {MenuId::Parameters, "Parameters1", "Parameters", "F3"}, false, 4);
    Add(action, {MenuId::Cancel, "Cancel1", "Cancel", "Space"}, false, 4);
    Add(action, {MenuId::TidyScreen, "TidyScreen1", "Tidy Screen", "F5"}, false, 4);
    Add(action, {MenuId::ResetRange, "Reset1", "Reset range and centre", "F6"}, false, 4);
    Add(action, {MenuId::MemoryStatus, "MemoryStatus1", "Memory Status", "F7"}, false, 4);
    Add(action, {MenuId::Back, "Back1", "Back", "Alt+Left"}, false, 4);
    Add(action, {MenuId::Forward, "Forward1", "Forward", "Alt+Right"}, false, 4);
    Add(action, {MenuId::JuliaPreview, "JuliaPreview1", "Julia Preview", "F8"}, false, 4);

    MenuItem& colours = Add(m, {MenuId::Colours, "Colours1", "Colours..."});
    Add(colours, {MenuId::Palette, "Pal1", "Palette"});
    Add(colours, {MenuId::AddBorder, "addborder1", "add border"});

    MenuItem& options = Add(m, {MenuId::Options, "Options1", "Options"});
    Add(options, {MenuId::ShowExceptions, "Shexc", "Show exceptions"});
    MenuItem& dirs = Add(options, {MenuId::SetDirectories, "SetDirectories1", "Set  Directories for saving/loading"});
    Add(dirs, {MenuId::PictureLoadDirectory, "Pictureloaddirectory1", "Picture load directory"});
    Add(dirs, {MenuId::PictureSaveDirectory, "Picturesavedirectory1", "Picture save directory"});
    Add(dirs, {MenuId::PaletteLoadDirectory, "Paletteloaddirectory1", "Palette load directory"});
    Add(dirs, {MenuId::PaletteSaveDirectory, "Palettesavedirectory1", "Palette save directory"});
    Add(options, {MenuId::SetStartup, "Setstartup1", "Set startup picture filename"});
    Add(options, {MenuId::OptionsLine, "N3", ""});
    Add(options, {MenuId::SaveOptions, "Saveoptions1", "Save options"});

    MenuItem& help = Add(m, {MenuId::Help, "Help1", "Help"});
    Add(help, {MenuId::Contents, "Contents1", "Contents"});
    Add(help, {MenuId::About, "About1", "About"});
}

void BuildPopup(MenuItem& p) {
    Add(p, {MenuId::PopupRun, "run1", "run"});
    Add(p, {MenuId::PopupContinue, "Restart2", "Continue"});
    Add(p, {MenuId::PopupSetInverse, "runinverse1", "set inverse"});
    Add(p, {MenuId::PopupParameters, "parameters2", "parameters"});
    Add(p, {MenuId::PopupPalette, "palette2", "palette"});
    Add(p, {MenuId::PopupStop, "stop1", "stop"});
    Add(p, {MenuId::PopupResetRange, "resetrange2", "reset range and centre"});
}

MenuItem* FindIn(MenuItem& root, MenuId id) {
    if (root.id == id) return &root;
    for (auto& c : root.children)
        if (MenuItem* found = FindIn(*c, id)) return found;
    return nullptr;
}

}  // namespace

MenuModel::MenuModel() {
    main_.id = MenuId::MainMenu;
    main_.name = "MainMenu1";
    popup_.id = MenuId::PopupMenu;
    popup_.name = "PopupMenu1";
    BuildMain(main_);
    BuildPopup(popup_);
    // The stored layout: the first formula item, the first stalk item and the
    // first item of every other group carry the check mark until start-up
    // moves them.
    for (MenuId first : {FormulaMenuId(kFormulaCoefficients), FfuncMenuId(kFfuncIdent), MenuId::BailoutModulus,
                         StalkMenuId(kStalkNone), MenuId::Julia, MenuId::Normal})
        item(first).checked = true;
}

MenuItem* MenuModel::find(MenuId id) {
    if (MenuItem* found = FindIn(main_, id)) return found;
    return FindIn(popup_, id);
}

MenuItem& MenuModel::item(MenuId id) {
    if (MenuItem* found = find(id)) return *found;
    throw std::out_of_range("no menu item " + std::to_string(static_cast<int>(id)));
}

const MenuItem& MenuModel::item(MenuId id) const { return const_cast<MenuModel*>(this)->item(id); }

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

void MenuModel::setAvailable(MenuId id, bool available) {
    if (available)
        unavailable_.erase(id);
    else
        unavailable_.insert(id);
    MenuItem& target = item(id);
    setEnabled(target, available && !locked_);
}

void MenuModel::lockForRun() {
    locked_ = true;
    for (auto& top : main_.children) {
        setEnabled(*top, false);
        for (auto& sub : top->children) setEnabled(*sub, false);
    }
    for (auto& p : popup_.children) setEnabled(*p, false);

    for (MenuId usable : {MenuId::Empty, MenuId::File, MenuId::LoadPalette, MenuId::PopupPalette, MenuId::PopupStop,
                          MenuId::Action, MenuId::Cancel, MenuId::TidyScreen, MenuId::Colours, MenuId::Palette})
        setEnabled(item(usable), true);
    // The preview computes apart from the run, so it stays at hand during one.
    setEnabled(item(MenuId::JuliaPreview), !unavailable_.count(MenuId::JuliaPreview));
}

void MenuModel::unlockAll() {
    locked_ = false;
    for (auto& top : main_.children) {
        setEnabled(*top, true);
        for (auto& sub : top->children) setEnabled(*sub, !unavailable_.count(sub->id));
    }
    for (auto& p : popup_.children) setEnabled(*p, true);
}

}  // namespace velmora
