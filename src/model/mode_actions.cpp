#include "mode_actions.hpp"

#include "conversions.hpp"
#include "parameter_reading.hpp"

namespace velmora {

long double ModeActions::DefaultBailout(uint8_t kind) {
    switch (kind) {
    case kFormulaZPowZ: return 4.0L;
    case kFormulaCSin: return 50.0L;
    case kFormulaZ2: return 4.0L;
    case kFormulaZ3: return 20.0L;
    case kFormulaZ7: return 200.0L;
    case kFormulaRecipF: return 50.0L;
    case kFormulaRecipZ2: return 20.0L;
    case kFormulaRecipZC2: return 20.0L;
    case kFormulaRecipZ3: return 20.0L;
    case kFormulaRecipZ3C: return 20.0L;
    case kFormulaCCos: return 50.0L;
    case kFormulaCExp: return 5000.0L;
    case kFormulaSinh: return 200.0L;
    case kFormulaCTanh: return 20.0L;
    case kFormulaPokorny: return 20.0L;
    case kFormulaCustom: return 4.0L;
    default: return -1.0L;
    }
}

MenuItem* ModeActions::ItemWithValue(size_t topPosition, int value) {
    MenuItem& top = s_.menu.mainMenu().child(topPosition);
    for (auto& item : top.children)
        if (item->value == value) return item.get();
    return nullptr;
}

MenuItem* ModeActions::FunctionMenuItem(uint8_t kind) { return ItemWithValue(kMenuFunction, kind); }
MenuItem* ModeActions::StalkMenuItem(uint8_t stalkType) { return ItemWithValue(kMenuStalktype, stalkType); }

void ModeActions::FunctionItem(uint8_t kind, FormulaChoice choice) {
    if (busy()) return;
    MenuItem* item = FunctionMenuItem(kind);
    if (!item) return;
    s_.params.FunctionKind = kind;
    // The coefficient formula keeps the bailout and the group as they are.
    if (kind != kFormulaCoefficients) {
        s_.params.maxmod = DefaultBailout(kind);
        uncheckfunctionmenus();
    }
    s_.menu.setChecked(*item, true);
    if (kind == kFormulaCustom && reader_) reader_->readCustomFormula(choice);
}

void ModeActions::FfuncItem(uint8_t ffunc) {
    if (busy()) return;
    MenuItem* parent = FunctionMenuItem(kFormulaRecipF);
    s_.params.ffunc = ffunc;
    uncheckfunctionmenus();
    for (auto& item : parent->children)
        if (item->value == ffunc) s_.menu.setChecked(*item, true);
    s_.menu.setChecked(*parent, true);
}

void ModeActions::StalkItem(uint8_t stalkType) {
    MenuItem* item = StalkMenuItem(stalkType);
    if (!item) return;
    s_.params.StalkType = stalkType;
    s_.menu.setChecked(*item, true);
}

void ModeActions::BailoutItem(uint8_t kind) {
    if (busy()) return;
    MenuItem* item = ItemWithValue(kMenuBailout, kind);
    if (!item) return;
    s_.params.BailoutKind = kind;
    s_.menu.setChecked(*item, true);
}

void ModeActions::ResetRangeAndCentre(bool fromMainWindow) {
    if (fromMainWindow && busy()) return;
    s_.params.Rang = 4.0L;
    s_.texts.setText(TextField::Rang, FormatFixed(s_.params.Rang, 20, 17));
    s_.params.xce = 0.0L;
    s_.params.yce = 0.0L;
    s_.texts.setText(TextField::xce, FormatFixed(0.0L, 20, 17));
    s_.texts.setText(TextField::yce, FormatFixed(0.0L, 20, 17));
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
    s_.menu.setChecked("Normal1", true);
}

void ModeActions::Sphere() {
    if (busy()) return;
    s_.params.sphere = !s_.params.sphere;
    MenuItem& item = s_.menu.item("Sphere1");
    s_.menu.setChecked(item, !item.checked);
}

void ModeActions::Inversion() {
    if (busy()) return;
    s_.params.inversion = !s_.params.inversion;
    MenuItem& item = s_.menu.item("Inversion1");
    s_.menu.setChecked(item, !item.checked);
}

void ModeActions::SetInverse() {
    s_.params.inversion = 1;
    s_.menu.setChecked("Inversion1", true);
}

void ModeActions::ShowExceptionsItem() {
    MenuItem& item = s_.menu.item("Shexc");
    s_.run.ShowExceptions = !item.checked;
    s_.menu.setChecked(item, !item.checked);
}

void ModeActions::mandel_params(bool visible) {
    for (TextField f : {TextField::amx, TextField::amy, TextField::bmx, TextField::bmy, TextField::cmx,
                        TextField::cmy})
        s_.texts.setVisible(f, visible);
    s_.texts.setGroupCaptionVisible(visible);
}

bool ModeActions::Trigger(const std::string& name) {
    MenuItem* item = s_.menu.find(name);
    if (!item) return false;
    const MenuItem* parent = item->parent;
    const MenuItem& main = s_.menu.mainMenu();
    if (parent == &main.child(kMenuFunction)) {
        FunctionItem(static_cast<uint8_t>(item->value));
        return true;
    }
    if (parent && parent->name == "N1zzc1") {
        FfuncItem(static_cast<uint8_t>(item->value));
        return true;
    }
    if (parent == &main.child(kMenuStalktype)) {
        // The hidden "Image" item has no action.
        if (item->value != kStalkImage) StalkItem(static_cast<uint8_t>(item->value));
        return true;
    }
    if (parent == &main.child(kMenuBailout)) {
        BailoutItem(static_cast<uint8_t>(item->value));
        return true;
    }
    if (name == "Julia1") Julia();
    else if (name == "Mandelbrot1") Mandelbrot();
    else if (name == "Normal1") Normal();
    else if (name == "Sphere1") Sphere();
    else if (name == "Inversion1") Inversion();
    else if (name == "runinverse1") SetInverse();
    else if (name == "Shexc") ShowExceptionsItem();
    else if (name == "Reset1" || name == "resetrange2") ResetRangeAndCentre(true);
    else return false;
    return true;
}

}  // namespace velmora
