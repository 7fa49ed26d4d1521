#pragma once
// The directory chooser of the Options menu (TOKBottomDlg1): a drive
// selector listing the mounted volumes, the directory list, the white label
// that shows the choice, and OK. The dialog only shows things and passes
// the user's navigation on; the chooser decides what they mean.

#include <QDialog>

#include "directory_chooser.hpp"
#include "program_state.hpp"
#include "prompter.hpp"

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace velmora {

class DirectoryChooserDialog : public QDialog, public DirectoryChooserView {
    Q_OBJECT
public:
    // Errors of the user's navigation (a folder that has gone) are reported
    // with the application's error report.
    DirectoryChooserDialog(const ProgramState& state, Prompter& prompter, QWidget* parent = nullptr);

    static constexpr int kOk = 1;

    DirectoryChooser& chooser() { return chooser_; }

    QComboBox* driveComboBox1() const { return drives_; }
    QListWidget* directoryListBox1() const { return list_; }
    QLabel* sdir() const { return sdir_; }
    QPushButton* okButton() const { return ok_; }
    // The list's row that opens `directory`, or -1.
    int rowOf(const std::string& directory) const;

    // DirectoryChooserView
    std::vector<std::string> volumes() override;
    void setCaption(const std::string& caption) override;
    void showDrive(const std::string& volume) override;
    void showDirectory(const std::string& directory) override;
    void setLabel(const std::string& text) override;
    void showModal() override;

private:
    template <class Action>
    void guarded(Action action);

    const ProgramState& s_;
    Prompter& prompter_;
    DirectoryChooser chooser_{*this};
    QComboBox* drives_;
    QListWidget* list_;
    QLabel* sdir_;
    QPushButton* ok_;
};

}  // namespace velmora
