#pragma once
// Every iteration formula as one record: the value pictures store, its menu
// item, the bailout its item writes and the column loops that can run it.
// The menus, the command line, the golden pictures and the fuzz harnesses
// all read this table, so adding a formula is adding one record here (and
// its step in formulas.hpp).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "kinds.hpp"

namespace velmora {

// The column loops that can compute a formula besides the one-pixel loop.
enum class FormulaLanes : uint8_t {
    OnePixel,       // measured slower side by side: keeps its own loop
    Lockstep,       // three orbits side by side in C++
    LockstepOrX87,  // also the x87 lanes, under the modulus test
    Compiled,       // the custom program's lanes, once it compiles
};

// A value chosen in a formula item's sub-menu (the f of 1/f(z*z+c)).
struct FormulaChoice {
    uint8_t value;
    const char* item;
    const char* caption;
};

struct FormulaRecord {
    uint8_t kind;
    const char* item;     // the menu item's identifier; nullptr: no menu item
    const char* caption;  // the menu caption, also accepted by --function
    // Written into maxmod when the item is chosen; empty: the item leaves
    // maxmod (and the coefficient group) as they are.
    std::optional<long double> bailout;
    FormulaLanes lanes;
    std::span<const FormulaChoice> choices{};  // a sub-menu's radio items

    constexpr bool hasMenuItem() const { return item != nullptr; }
};

inline constexpr FormulaChoice kFfuncChoices[] = {
    {kFfuncIdent, "fident1", "f=ident"},
    {kFfuncSin, "fsin1", "f=sin"},
    {kFfuncCos, "fcos1", "f=cos"},
};

// In menu order; the formula without a menu item comes last.
inline constexpr FormulaRecord kFormulas[] = {
    {kFormulaCoefficients, "az2bzcpixel1", "az^2+b/(z^2)+c*pixel", std::nullopt, FormulaLanes::Lockstep},
    {kFormulaZ2, "zzc1", "z^2+c", 4.0L, FormulaLanes::LockstepOrX87},
    {kFormulaZPowZ, "zc21", "z^z+z^4-z+c", 4.0L, FormulaLanes::Lockstep},
    {kFormulaZ3, "z3c1", "z^3+c", 20.0L, FormulaLanes::Lockstep},
    {kFormulaZ7, "z7c1", "z^7+c", 200.0L, FormulaLanes::Lockstep},
    {kFormulaRecipF, "N1zzc1", "1/f(z*z+c)", 50.0L, FormulaLanes::Lockstep, kFfuncChoices},
    {kFormulaRecipZ2, "N1z2c1", "1/z^2+c", 20.0L, FormulaLanes::Lockstep},
    {kFormulaRecipZC2, "N1zc21", "1/(z+c)^2", 20.0L, FormulaLanes::Lockstep},
    {kFormulaRecipZ3, "N1z3c1", "1/z^3+c", 20.0L, FormulaLanes::Lockstep},
    {kFormulaRecipZ3C, "N1z3c2", "1/(z^3+c)", 20.0L, FormulaLanes::Lockstep},
    {kFormulaCSin, "sinzc1", "csin(z)", 50.0L, FormulaLanes::Lockstep},
    {kFormulaCCos, "coszc1", "c*cos(z)", 50.0L, FormulaLanes::Lockstep},
    {kFormulaCExp, "expzc1", "cexp(z)", 5000.0L, FormulaLanes::Lockstep},
    {kFormulaSinh, "sinhzc1", "sinhz+c", 200.0L, FormulaLanes::Lockstep},
    {kFormulaCTanh, "tanhzc1", "c*tanh(z)", 20.0L, FormulaLanes::Lockstep},
    {kFormulaPokorny, "PokornyEquations1", "Pokorny Equations", 20.0L, FormulaLanes::Lockstep},
    {kFormulaCustom, "Custom1", "Custom", 4.0L, FormulaLanes::Compiled},
    // Only a loaded picture selects it.
    {kFormulaNewton, nullptr, nullptr, std::nullopt, FormulaLanes::Lockstep},
};

// The record of a formula value, or nullptr for a value no formula has.
constexpr const FormulaRecord* FindFormula(int kind) {
    for (const FormulaRecord& r : kFormulas)
        if (r.kind == kind) return &r;
    return nullptr;
}

// The column loops of a formula value; a value no formula has leaves z as
// it is, which the lockstep lanes do as well as one pixel.
constexpr FormulaLanes LanesOf(int kind) {
    const FormulaRecord* r = FindFormula(kind);
    return r ? r->lanes : FormulaLanes::Lockstep;
}

// The highest value a formula has.
inline constexpr uint8_t kHighestFormulaKind = [] {
    uint8_t highest = 0;
    for (const FormulaRecord& r : kFormulas)
        if (r.kind > highest) highest = r.kind;
    return highest;
}();

}  // namespace velmora
