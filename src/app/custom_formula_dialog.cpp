#include "custom_formula_dialog.hpp"

#include <utility>

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "help_viewer.hpp"
#include "program.hpp"

namespace velmora {

CustomFormulaDialog::CustomFormulaDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("custfuncdlg");
    setWindowTitle("Enter Custom Formula and Constants");
    SetHelpContext(this, kHelpCustomFormula);
    // Window-modal, so that the help window opened with F1 stays usable while
    // the dialog is open.
    setWindowModality(Qt::WindowModal);

    custfunc_ = new QLineEdit(kCustomFormulaInitialText, this);
    custfunc_->setObjectName("custfunc");
    custfunc_->setMinimumWidth(320);
    SetHelpContext(custfunc_, kHelpCustomFormulaField);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Function", this), 0, 0);
    grid->addWidget(custfunc_, 0, 1, 1, 2);
    grid->addWidget(new QLabel("Real", this), 1, 1);
    grid->addWidget(new QLabel("Imag", this), 1, 2);
    const char* rows[] = {"u", "v", "w"};
    const char* names[] = {"uccx", "uccy", "vccx", "vccy", "wccx", "wccy"};
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(new QLabel(rows[row], this), row + 2, 0);
        for (int part = 0; part < 2; ++part) {
            QLineEdit*& field = constants_[row * 2 + part];
            field = new QLineEdit("0.0", this);
            field->setObjectName(names[row * 2 + part]);
            grid->addWidget(field, row + 2, part + 1);
        }
    }

    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OKBtn");
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &CustomFormulaDialog::OKBtnClick);

    auto* bottom = new QLabel("Press F1 for help.", this);
    bottom->setFrameShape(QFrame::Panel);
    bottom->setFrameShadow(QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(ok_, 0, Qt::AlignHCenter);
    layout->addWidget(bottom);
}

int CustomFormulaDialog::runModal() { return exec(); }

CustomConstantTexts CustomFormulaDialog::constantTexts() const {
    CustomConstantTexts t;
    std::string* targets[] = {&t.uccx, &t.uccy, &t.vccx, &t.vccy, &t.wccx, &t.wccy};
    for (int i = 0; i < 6; ++i) *targets[i] = constants_[i]->text().toStdString();
    return t;
}

void CustomFormulaDialog::setConstantTexts(const CustomConstantTexts& t) {
    const std::string* sources[] = {&t.uccx, &t.uccy, &t.vccx, &t.vccy, &t.wccx, &t.wccy};
    for (int i = 0; i < 6; ++i) constants_[i]->setText(QString::fromStdString(*sources[i]));
}

std::string CustomFormulaDialog::formulaText() const { return custfunc_->text().toStdString(); }

void CustomFormulaDialog::setFormulaText(const std::string& text) {
    custfunc_->setText(QString::fromStdString(text));
}

void CustomFormulaDialog::OKBtnClick() {
    if (onConfirm) onConfirm(formulaText());
    done(kOk);
}

void WindowCustomFormula::attach(CustomFormulaDialog* dialog) {
    dialog_ = dialog;
    if (dialog_) dialog_->onConfirm = [this](const std::string& text) { confirmed_ = text; };
}

std::optional<std::string> WindowCustomFormula::askCustomFormula() {
    confirmed_.reset();
    if (dialog_) dialog_->runModal();
    return std::exchange(confirmed_, std::nullopt);
}

CustomConstantTexts WindowCustomFormula::constantTexts() const {
    return dialog_ ? dialog_->constantTexts() : CustomConstantTexts{};
}

void WindowCustomFormula::setConstantTexts(const CustomConstantTexts& texts) {
    if (dialog_) dialog_->setConstantTexts(texts);
}

std::string WindowCustomFormula::formulaText() const { return dialog_ ? dialog_->formulaText() : std::string(); }

void WindowCustomFormula::setFormulaText(const std::string& text) {
    if (dialog_) dialog_->setFormulaText(text);
}

}  // namespace velmora
