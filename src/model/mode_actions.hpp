#pragma once
// The menu actions that change picture modes: formula, f, bailout, stalk
// type, set kind and mapping, plus the options that go with them.

#include "program_state.hpp"

namespace velmora {

// Who chose a formula: the user from the menu, or a picture being loaded,
// which brings its own custom formula (and so shows no dialog).
enum class ChosenBy { Menu, LoadedPicture };

// Reads and compiles the custom formula once "Custom" is chosen, after the
// formula's dialog when the user chose it.
class CustomFormulaReader {
public:
    virtual ~CustomFormulaReader() = default;
    virtual void readCustomFormula(ChosenBy choice) = 0;
};

// Range 4 about (0, 0): where a reset or a new Julia view starts, written to
// the texts and the numbers alike.
void WriteDefaultRangeAndCentre(ParameterTexts& texts, PictureParameters& params);

class ModeActions {
public:
    explicit ModeActions(ProgramState& state, CustomFormulaReader* reader = nullptr) : s_(state), reader_(reader) {}

    // Runs the action bound to a menu item; returns false when the item has
    // no mode action here (run, files, palette ... belong elsewhere).
    bool Trigger(MenuId id);

    // Any Function item, by its value.
    void FunctionItem(uint8_t kind, ChosenBy choice = ChosenBy::Menu);
    void FfuncItem(uint8_t ffunc);    // "f=ident", "f=sin", "f=cos"
    void StalkItem(uint8_t stalkType);
    void BailoutItem(uint8_t kind);
    void Julia();
    void Mandelbrot();
    void Normal();
    void Sphere();
    void Inversion();
    void SetInverse();
    void ShowExceptionsItem();

    // Range and centre back to 4 and (0, 0), numbers and texts; does nothing
    // during a run when `fromMainWindow`.
    void ResetRangeAndCentre(bool fromMainWindow);

    // Shows or hides the coefficient group of the parameters dialog.
    void mandel_params(bool visible);
    void uncheckfunctionmenus() { mandel_params(false); }

    // The bailout value a Function item writes, or a negative value when the
    // item leaves it unchanged.
    static long double DefaultBailout(uint8_t kind);
    // Menu item of a formula / stalk type value, or nullptr.
    MenuItem* FunctionMenuItem(uint8_t kind) { return s_.menu.find(FormulaMenuId(kind)); }
    MenuItem* StalkMenuItem(uint8_t stalkType) { return s_.menu.find(StalkMenuId(stalkType)); }

private:
    bool busy() const { return s_.run.Calculating; }

    ProgramState& s_;
    CustomFormulaReader* reader_;
};

}  // namespace velmora
