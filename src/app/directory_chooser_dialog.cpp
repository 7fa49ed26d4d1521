#include "directory_chooser_dialog.hpp"

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStorageInfo>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora {
namespace {

constexpr int kPathRole = Qt::UserRole;

// Enter opens the current folder, as a double click does, and stays with
// the list instead of choosing the dialog's default button.
class DirectoryList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
            emit itemActivated(currentItem());
            event->accept();
            return;
        }
        QListWidget::keyPressEvent(event);
    }
};

}  // namespace

DirectoryChooserDialog::DirectoryChooserDialog(const ProgramState& state, Prompter& prompter, QWidget* parent)
    : QDialog(parent), s_(state), prompter_(prompter) {
    setObjectName("OKBottomDlg1");
    drives_ = new QComboBox(this);
    drives_->setObjectName("DriveComboBox1");
    list_ = new DirectoryList(this);
    list_->setObjectName("DirectoryListBox1");
    list_->setMinimumSize(320, 240);
    sdir_ = new QLabel(this);
    sdir_->setObjectName("sdir");
    sdir_->setAutoFillBackground(true);
    QPalette white = sdir_->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    sdir_->setPalette(white);
    sdir_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName("OKBtn");
    ok_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(drives_);
    layout->addWidget(list_);
    layout->addWidget(sdir_);
    layout->addWidget(ok_, 0, Qt::AlignHCenter);

    connect(ok_, &QPushButton::clicked, this, [this] { done(kOk); });
    connect(drives_, &QComboBox::activated, this,
            [this](int index) { guarded([&] { chooser_.driveSelected(drives_->itemText(index).toStdString()); }); });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        guarded([&] { chooser_.directoryOpened(item->data(kPathRole).toString().toStdString()); });
    });
    connect(list_, &QListWidget::itemClicked, this, [this] { guarded([&] { chooser_.listClicked(); }); });

    chooser_.create();
}

template <class Action>
void DirectoryChooserDialog::guarded(Action action) {
    try {
        action();
    } catch (const std::exception& e) {
        ReportError(prompter_, s_.applicationTitle, e);
    }
}

std::vector<std::string> DirectoryChooserDialog::volumes() {
    std::vector<std::string> roots{"/"};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady()) roots.push_back(volume.rootPath().toStdString());
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return roots;
}

void DirectoryChooserDialog::setCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

void DirectoryChooserDialog::showDrive(const std::string& volume) {
    drives_->clear();
    for (const std::string& root : volumes()) drives_->addItem(QString::fromStdString(root));
    drives_->setCurrentIndex(drives_->findText(QString::fromStdString(volume)));
}

void DirectoryChooserDialog::showDirectory(const std::string& directory) {
    list_->clear();
    // The way down from the root, each folder indented one step further,
    // then the folders inside the directory.
    const QString path = QString::fromStdString(directory);
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString walked;
    const auto add = [this](const QString& text, const QString& target, int depth) {
        auto* item = new QListWidgetItem(QString(2 * depth, QLatin1Char(' ')) + text, list_);
        item->setData(kPathRole, target);
        item->setToolTip(target);
    };
    add(QStringLiteral("/"), QStringLiteral("/"), 0);
    for (int i = 0; i < parts.size(); ++i) {
        walked += QLatin1Char('/') + parts[i];
        add(parts[i], walked, i + 1);
    }
    list_->setCurrentRow(list_->count() - 1);
    const QString base = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    const QStringList folders = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& folder : folders) add(folder, base + folder, static_cast<int>(parts.size()) + 1);
}

int DirectoryChooserDialog::rowOf(const std::string& directory) const {
    const QString target = QString::fromStdString(directory);
    for (int row = 0; row < list_->count(); ++row)
        if (list_->item(row)->data(kPathRole).toString() == target) return row;
    return -1;
}

void DirectoryChooserDialog::setLabel(const std::string& text) { sdir_->setText(QString::fromStdString(text)); }

void DirectoryChooserDialog::showModal() {
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

}  // namespace velmora
