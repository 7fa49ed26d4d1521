#pragma once
// The "SET PARAMETERS" dialog: the editor of the eighteen parameter texts.
// Its fields and the program's parameter texts are kept in step both ways,
// so the render driver, which reads and writes the texts, and the user, who
// edits the fields, always see the same values.

#include <QDialog>

#include <array>

#include "parameter_texts.hpp"
#include "program_state.hpp"
#include "prompter.hpp"

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

class ModeActions;

class ParametersDialog : public QDialog {
    Q_OBJECT
public:
    ParametersDialog(ProgramState& state, ModeActions& actions, Prompter& prompter, QWidget* parent = nullptr);
    ~ParametersDialog() override;

    // Modal results.
    static constexpr int kOk = 1;
    static constexpr int kRun = 99;
    static constexpr int kClosed = 2;

    static constexpr const char* kSizeMessage = "SIZE must be integer and not greater than 1024 resetting to 200";

    // Shows the dialog modally and returns its result.
    int runModal();

    QLineEdit* field(TextField f) const { return fields_[static_cast<size_t>(ParameterTexts::Index(f))]; }
    QLabel* label(TextField f) const { return labels_[static_cast<size_t>(ParameterTexts::Index(f))]; }
    QLabel* groupCaption() const { return groupCaption_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* runButton() const { return run_; }
    QPushButton* resetButton() const { return reset_; }

    void OKBtnClick();
    void ResetClick();
    // The check made when the size field is left.
    void SizeCheck();

    // Closing by the frame (or Escape) gives its own result.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFields();
    void fieldChanged(TextField f);
    void groupCaptionChanged();

    ProgramState& s_;
    ModeActions& actions_;
    Prompter& prompter_;
    std::array<QLineEdit*, kTextFieldCount> fields_{};
    std::array<QLabel*, kTextFieldCount> labels_{};
    QLabel* groupCaption_ = nullptr;
    QPushButton* reset_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace velmora
