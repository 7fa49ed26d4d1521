#include "view_history.hpp"

#include <algorithm>

namespace velmora {
namespace {

void CollectChecks(const MenuItem& item, std::vector<std::pair<MenuId, bool>>& out) {
    for (const auto& child : item.children) {
        if (child->radioItem) out.emplace_back(child->id, child->checked);
        CollectChecks(*child, out);
    }
}

}  // namespace

ViewRecord CaptureView(const ProgramState& s, const CustomFormulaField& formula) {
    ViewRecord v;
    for (int i = 0; i < kTextFieldCount; ++i) v.texts[static_cast<size_t>(i)] = s.texts.text(TextField(i));
    v.coefficientsShown = s.texts.groupCaptionVisible();
    v.setKind = s.setKind;
    for (MenuId menu : {MenuId::MandelJulia, MenuId::Function, MenuId::Bailout, MenuId::Stalktype})
        CollectChecks(s.menu.item(menu), v.checks);
    for (MenuId mapping : {MenuId::Normal, MenuId::Sphere, MenuId::Inversion})
        v.checks.emplace_back(mapping, s.menu.isChecked(mapping));
    const PictureParameters& p = s.params;
    v.FunctionKind = p.FunctionKind;
    v.ffunc = p.ffunc;
    v.StalkType = p.StalkType;
    v.BailoutKind = p.BailoutKind;
    v.sphere = p.sphere;
    v.inversion = p.inversion;
    v.invx = p.invx;
    v.invy = p.invy;
    v.invr = p.invr;
    v.custfunc = p.custfunc;
    v.formulaText = formula.formulaText();
    v.u = p.u;
    v.v = p.v;
    v.w = p.w;
    v.CustomCode = p.CustomCode;
    v.CustomCodeLength = p.CustomCodeLength;
    return v;
}

void RestoreView(ProgramState& s, CustomFormulaField& formula, const ViewRecord& v) {
    for (int i = 0; i < kTextFieldCount; ++i) s.texts.setText(TextField(i), v.texts[static_cast<size_t>(i)]);
    for (TextField f : {TextField::amx, TextField::amy, TextField::bmx, TextField::bmy, TextField::cmx,
                        TextField::cmy})
        s.texts.setVisible(f, v.coefficientsShown);
    s.texts.setGroupCaptionVisible(v.coefficientsShown);
    SetSetKind(s, v.setKind);
    // Marks go first, so that checking a radio item cannot clear one that
    // was checked a moment before.
    for (const auto& [id, checked] : v.checks)
        if (!checked) s.menu.setChecked(id, false);
    for (const auto& [id, checked] : v.checks)
        if (checked) s.menu.setChecked(id, true);
    PictureParameters& p = s.params;
    p.FunctionKind = v.FunctionKind;
    p.ffunc = v.ffunc;
    p.StalkType = v.StalkType;
    p.BailoutKind = v.BailoutKind;
    p.sphere = v.sphere;
    p.inversion = v.inversion;
    p.invx = v.invx;
    p.invy = v.invy;
    p.invr = v.invr;
    p.custfunc = v.custfunc;
    formula.setFormulaText(v.formulaText);
    p.u = v.u;
    p.v = v.v;
    p.w = v.w;
    p.CustomCode = v.CustomCode;
    p.CustomCodeLength = v.CustomCodeLength;
}

void ViewHistory::record(const ViewRecord& view) {
    if (!views_.empty() && views_[position_] == view) return;
    if (!views_.empty()) views_.erase(views_.begin() + static_cast<std::ptrdiff_t>(position_) + 1, views_.end());
    views_.push_back(view);
    if (views_.size() > capacity_) views_.erase(views_.begin(), views_.begin() + static_cast<std::ptrdiff_t>(views_.size() - capacity_));
    position_ = views_.size() - 1;
}

const ViewRecord* ViewHistory::back() {
    if (!canGoBack()) return nullptr;
    return &views_[--position_];
}

const ViewRecord* ViewHistory::forward() {
    if (!canGoForward()) return nullptr;
    return &views_[++position_];
}

}  // namespace velmora
