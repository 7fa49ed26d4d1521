#pragma once
// The directory chooser of the Options menu. Created at start-up; its drive
// and directory lists come with the settings.

#include <QDialog>

namespace velmora {

class DirectoryChooserDialog : public QDialog {
    Q_OBJECT
public:
    explicit DirectoryChooserDialog(QWidget* parent = nullptr);
};

}  // namespace velmora
