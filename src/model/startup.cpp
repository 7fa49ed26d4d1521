#include "startup.hpp"

namespace velmora {

void InitialiseMainWindowState(ProgramState& s) {
    PictureParameters& p = s.params;
    p.xce = p.yce = 0.0L;
    s.run.Calculating = false;
    p.FunctionKind = kFormulaZ2;
    p.maxmod = 4.0L;
    SetSetKind(s, SetKind::Julia);
    s.menu.setChecked(FormulaMenuId(kFormulaZ2), true);
    p.StalkType = kStalkCircle;
    s.menu.setChecked(StalkMenuId(kStalkCircle), true);
    p.miter = 50;
    p.inversion = p.sphere = 0;
    p.invr = 1.0L;
    p.invx = p.invy = 0.0L;
    p.LastColumnDone = 10000;
    p.BailoutKind = kBailoutModulus;
    s.menu.setChecked(MenuId::BailoutModulus, true);
    p.CustomCodeLength = 1;
}

void InitialiseParametersDialogState(ModeActions& actions) {
    actions.FunctionItem(kFormulaZ2);
}

void InitialiseWithoutPicture(ProgramState& s, ModeActions& actions) {
    InitialiseMainWindowState(s);
    InitialiseParametersDialogState(actions);
}

}  // namespace velmora
