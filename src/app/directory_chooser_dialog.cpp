#include "directory_chooser_dialog.hpp"

namespace velmora {

// Each use of the chooser sets its caption.
DirectoryChooserDialog::DirectoryChooserDialog(QWidget* parent) : QDialog(parent) { setObjectName("OKBottomDlg1"); }

}  // namespace velmora
