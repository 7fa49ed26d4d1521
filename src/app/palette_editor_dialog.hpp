#pragma once
// The modeless palette editor. Created at start-up; its grid and controls
// come with the palette editor.

#include <QDialog>

namespace velmora {

class PaletteEditorDialog : public QDialog {
    Q_OBJECT
public:
    explicit PaletteEditorDialog(QWidget* parent = nullptr);
};

}  // namespace velmora
