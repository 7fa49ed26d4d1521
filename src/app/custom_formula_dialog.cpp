#include "custom_formula_dialog.hpp"

#include "help_viewer.hpp"

namespace velmora {

CustomFormulaDialog::CustomFormulaDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("custfuncdlg");
    setWindowTitle("Enter Custom Formula and Constants");
    SetHelpContext(this, kHelpCustomFormula);
}

}  // namespace velmora
