#pragma once
// The custom formula dialog. Created at start-up; its fields and the reading
// of the formula come with the custom formula compiler.

#include <QDialog>

namespace velmora {

class CustomFormulaDialog : public QDialog {
    Q_OBJECT
public:
    explicit CustomFormulaDialog(QWidget* parent = nullptr);
};

}  // namespace velmora
