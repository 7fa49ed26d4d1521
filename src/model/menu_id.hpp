#pragma once
// The typed names of the menu items. The items of the Function, the f and
// the Stalktype menus are numbered by the value they store, so their records
// in the formula and stalk tables name them without a list of their own.

#include <cstdint>

namespace velmora {

enum class MenuId : uint16_t {
    MainMenu,
    PopupMenu,

    Empty,  // the blank first item of the menu bar
    File,
    SaveAsBmp,
    SaveAsGif,
    SaveAsPng,
    LoadFromGif,
    LoadFromPng,
    ExportLarge,
    SavePalette,
    LoadPalette,
    Exit,

    MandelJulia,
    Julia,
    Mandelbrot,

    Function,
    Bailout,
    BailoutModulus,
    BailoutSumAbs,
    Stalktype,

    Action,
    Run,
    Continue,
    ActionLine1,
    Normal,
    Sphere,
    Inversion,
    ActionLine2,
    Parameters,
    Cancel,
    TidyScreen,
    ResetRange,
    MemoryStatus,

    Colours,
    Palette,
    AddBorder,

    Options,
    ShowExceptions,
    SetDirectories,
    PictureLoadDirectory,
    PictureSaveDirectory,
    PaletteLoadDirectory,
    PaletteSaveDirectory,
    SetStartup,
    OptionsLine,
    SaveOptions,

    Help,
    Contents,
    About,

    PopupRun,
    PopupContinue,
    PopupSetInverse,
    PopupParameters,
    PopupPalette,
    PopupStop,
    PopupResetRange,

    // Added after the items above, so their values stay as they were.
    Back,
    Forward,
    RecentLine,
    RecentFiles,  // the first of kRecentFileItems items, one value each
    RecentFilesEnd = RecentFiles + 8,
    JuliaPreview,

    // Plus the stored value: formula items, f items, stalk items.
    FormulaItems = 0x100,
    FfuncItems = 0x200,
    StalkItems = 0x300,
};

inline constexpr int kRecentFileItems = 8;
constexpr MenuId RecentFileMenuId(int slot) { return MenuId(static_cast<uint16_t>(MenuId::RecentFiles) + slot); }

constexpr MenuId FormulaMenuId(uint8_t kind) { return MenuId(static_cast<uint16_t>(MenuId::FormulaItems) + kind); }
constexpr MenuId FfuncMenuId(uint8_t ffunc) { return MenuId(static_cast<uint16_t>(MenuId::FfuncItems) + ffunc); }
constexpr MenuId StalkMenuId(uint8_t type) { return MenuId(static_cast<uint16_t>(MenuId::StalkItems) + type); }

}  // namespace velmora
