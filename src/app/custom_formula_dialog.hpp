#pragma once
// The custom formula dialog: the formula text and the constants u, v, w.
// Created once at start-up; its fields keep their texts between showings.

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

#include "custom_formula.hpp"

class QLineEdit;
class QPushButton;

namespace velmora {

class CustomFormulaDialog : public QDialog {
    Q_OBJECT
public:
    explicit CustomFormulaDialog(QWidget* parent = nullptr);

    // Shows the dialog modally; the result is not looked at by the caller.
    int runModal();

    // The six constant texts as they stand.
    CustomConstantTexts constantTexts() const;
    // A loaded custom picture puts its constants into the six fields.
    void setConstantTexts(const CustomConstantTexts& texts);
    std::string formulaText() const;
    // A loaded picture puts its formula into the field.
    void setFormulaText(const std::string& text);

    // Called by OK with the formula text, before the dialog closes.
    std::function<void(const std::string&)> onConfirm;

    QLineEdit* formulaField() const { return custfunc_; }
    QLineEdit* constantField(int index) const { return constants_[index]; }
    QPushButton* okButton() const { return ok_; }

    static constexpr int kOk = 1;

private:
    void OKBtnClick();

    QLineEdit* custfunc_ = nullptr;
    QLineEdit* constants_[6] = {};
    QPushButton* ok_ = nullptr;
};

// The dialog as the session asks it. The session is made before the
// window, so the dialog is attached once it exists; until then there is no
// dialog to show and its fields are empty.
class WindowCustomFormula : public CustomFormulaDialogHost {
public:
    void attach(CustomFormulaDialog* dialog);
    std::optional<std::string> askCustomFormula() override;
    CustomConstantTexts constantTexts() const override;
    void setConstantTexts(const CustomConstantTexts& texts) override;
    std::string formulaText() const override;
    void setFormulaText(const std::string& text) override;

private:
    CustomFormulaDialog* dialog_ = nullptr;
    std::optional<std::string> confirmed_;
};

}  // namespace velmora
