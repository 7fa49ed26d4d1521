#include "qt_prompter.hpp"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace velmora {
namespace {

QWidget* DialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// Where the dialog opens: the directory, with the initial name in its name
// field (a pattern such as "*.gif" there filters the list once confirmed).
QString StartPath(const FileDialogRequest& request) {
    const QString directory = QString::fromStdString(request.directory);
    if (request.fileName.empty()) return directory;
    return QDir(directory).filePath(QString::fromStdString(request.fileName));
}

QMessageBox::Icon IconOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// Texts are kept with the CR LF line ends the program writes; the box
// wants plain line feeds.
QString DisplayText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

}  // namespace

MessageResult QtPrompter::messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                                  MessageIcon icon) {
    const QMessageBox::StandardButtons set = buttons == MessageButtons::AbortRetryIgnore
                                                 ? QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore
                                                 : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(IconOf(icon), DisplayText(caption), DisplayText(text), set, DialogParent());
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Abort: return MessageResult::Abort;
    case QMessageBox::Retry: return MessageResult::Retry;
    case QMessageBox::Ignore: return MessageResult::Ignore;
    default: return buttons == MessageButtons::AbortRetryIgnore ? MessageResult::Ignore : MessageResult::Ok;
    }
}

std::optional<std::string> QtPrompter::openFile(const FileDialogRequest& request) {
    QFileDialog dialog(DialogParent(), QString::fromStdString(request.caption), StartPath(request),
                       QString::fromStdString(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // A name typed without an extension is looked for with this one.
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtPrompter::saveFile(const FileDialogRequest& request) {
    QFileDialog dialog(DialogParent(), QString::fromStdString(request.caption), StartPath(request),
                       QString::fromStdString(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace velmora
