#include "palette_editor_dialog.hpp"

namespace velmora {

PaletteEditorDialog::PaletteEditorDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("OKBottomDlg");
    setWindowTitle("Palette");
}

}  // namespace velmora
