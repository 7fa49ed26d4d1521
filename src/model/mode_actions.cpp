#include "mode_actions.hpp"

#include "conversions.hpp"
#include "formula_table.hpp"
#include "parameter_reading.hpp"

namespace velmora {

long double ModeActions::DefaultBailout(uint8_t kind) {
    const FormulaRecord* r = FindFormula(kind);
    return r && r->bailout ? *r->bailout : -1.0L;
}

void ModeActions::FunctionItem(uint8_t kind, ChosenBy choice) {
    if (busy()) return;
    MenuItem* item = FunctionMenuItem(kind);
    if (!item) return;
    s_.params.FunctionKind = kind;
    // The coefficient formula keeps the bailout and the group as they are.
    if (const FormulaRecord* r = FindFormula(kind); r && r->bailout) {
        s_.params.maxmod = *r->bailout;
        uncheckfunctionmenus();
    }
    s_.menu.setChecked(*item, true);
    if (kind == kFormulaCustom && reader_) reader_->readCustomFormula(choice);
}

void ModeActions::FfuncItem(uint8_t ffunc) {
    if (busy()) return;
    s_.params.ffunc = ffunc;
    uncheckfunctionmenus();
    if (MenuItem* item = s_.menu.find(FfuncMenuId(ffunc))) s_.menu.setChecked(*item, true);
    s_.menu.setChecked(FormulaMenuId(kFormulaRecipF), true);
}

void ModeActions::StalkItem(uint8_t stalkType) {
    MenuItem* item = StalkMenuItem(stalkType);
    if (!item) return;
    s_.params.StalkType = stalkType;
    s_.menu.setChecked(*item, true);
}

void ModeActions::BailoutItem(uint8_t kind) {
    if (busy()) return;
    if (kind != kBailoutModulus && kind != kBailoutSumAbs) return;
    s_.params.BailoutKind = kind;
    s_.menu.setChecked(kind == kBailoutModulus ? MenuId::BailoutModulus : MenuId::BailoutSumAbs, true);
}

void WriteDefaultRangeAndCentre(ParameterTexts& texts, PictureParameters& params) {
    params.Rang = 4.0L;
    texts.setText(TextField::Rang, FormatFixed(params.Rang, 20, 17));
    params.xce = 0.0L;
    params.yce = 0.0L;
    texts.setText(TextField::xce, FormatFixed(0.0L, 20, 17));
    texts.setText(TextField::yce, FormatFixed(0.0L, 20, 17));
}

void ModeActions::ResetRangeAndCentre(bool fromMainWindow) {
    if (fromMainWindow && busy()) return;
    WriteDefaultRangeAndCentre(s_.texts, s_.params);
}

void ModeActions::Julia() {
    if (busy()) return;
    SetSetKind(s_, SetKind::Julia);
    ResetRangeAndCentre(false);
}

void ModeActions::Mandelbrot() {
    if (busy()) return;
    SetSetKind(s_, SetKind::Mandelbrot);
    StalkItem(kStalkNone);
    ParameterTexts& t = s_.texts;
    t.setText(TextField::siz, "200");
    s_.params.sizy = HeightForWidth(s_.params.siz);
    t.setText(TextField::cx, "0");
    t.setText(TextField::cy, "0");
    t.setText(TextField::Rang, "5");
    t.setText(TextField::p2, "0.5");
    t.setText(TextField::p1, "1.0");
    t.setText(TextField::p3, "0.5");
    t.setText(TextField::miter, "50");
    t.setText(TextField::amx, "1");
    t.setText(TextField::amy, "0");
    t.setText(TextField::bmx, "0");
    t.setText(TextField::bmy, "0");
    t.setText(TextField::cmx, "1");
    t.setText(TextField::cmy, "0");
    t.setText(TextField::xce, "0");
    t.setText(TextField::yce, "0.0");
    s_.params.xce = 0.0L;
    s_.params.yce = 0.0L;
    mandel_params(true);
}

void ModeActions::Normal() {
    if (busy()) return;
    s_.params.inversion = 0;
    s_.params.sphere = 0;
    s_.menu.setChecked(MenuId::Normal, true);
}

void ModeActions::Sphere() {
    if (busy()) return;
    s_.params.sphere = !s_.params.sphere;
    MenuItem& item = s_.menu.item(MenuId::Sphere);
    s_.menu.setChecked(item, !item.checked);
}

void ModeActions::Inversion() {
    if (busy()) return;
    s_.params.inversion = !s_.params.inversion;
    MenuItem& item = s_.menu.item(MenuId::Inversion);
    s_.menu.setChecked(item, !item.checked);
}

void ModeActions::SetInverse() {
    s_.params.inversion = 1;
    s_.menu.setChecked(MenuId::Inversion, true);
}

void ModeActions::ShowExceptionsItem() {
    MenuItem& item = s_.menu.item(MenuId::ShowExceptions);
    s_.run.ShowExceptions = !item.checked;
    s_.menu.setChecked(item, !item.checked);
}

void ModeActions::mandel_params(bool visible) {
    for (TextField f : {TextField::amx, TextField::amy, TextField::bmx, TextField::bmy, TextField::cmx,
                        TextField::cmy})
        s_.texts.setVisible(f, visible);
    s_.texts.setGroupCaptionVisible(visible);
}

bool ModeActions::Trigger(MenuId id) {
    const MenuItem* item = s_.menu.find(id);
    if (!item) return false;
    const MenuId parent = item->parent ? item->parent->id : MenuId::MainMenu;
    const auto value = static_cast<uint8_t>(item->value);
    if (parent == FormulaMenuId(kFormulaRecipF)) {
        FfuncItem(value);
        return true;
    }
    switch (parent) {
    case MenuId::Function: FunctionItem(value); return true;
    case MenuId::Bailout: BailoutItem(value); return true;
    case MenuId::Stalktype:
        // A hidden item has no action.
        if (item->visible) StalkItem(value);
        return true;
    default: break;
    }
    switch (id) {
    case MenuId::Julia: Julia(); return true;
    case MenuId::Mandelbrot: Mandelbrot(); return true;
    case MenuId::Normal: Normal(); return true;
    case MenuId::Sphere: Sphere(); return true;
    case MenuId::Inversion: Inversion(); return true;
    case MenuId::PopupSetInverse: SetInverse(); return true;
    case MenuId::ShowExceptions: ShowExceptionsItem(); return true;
    case MenuId::ResetRange:
    case MenuId::PopupResetRange: ResetRangeAndCentre(true); return true;
    default: return false;
    }
}

}  // namespace velmora
