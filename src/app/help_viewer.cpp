#include "help_viewer.hpp"

#include <QApplication>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace velmora {
namespace {

constexpr const char* kContextProperty = "velmoraHelpContext";

QString AnchorOf(int context) { return QStringLiteral("context-%1").arg(context); }

}  // namespace

void SetHelpContext(QWidget* widget, int context) { widget->setProperty(kContextProperty, context); }

int HelpContextOf(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        const int context = widget->property(kContextProperty).toInt();
        if (context != 0) return context;
    }
    return 0;
}

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpViewer");
    setWindowTitle("Velmora 32 Help");
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    browser_->setSource(QUrl(QStringLiteral("qrc:/help/velmora32.html")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(640, 560);
}

void HelpViewer::showContents() {
    current_ = 0;
    browser_->scrollToAnchor(QStringLiteral("contents"));
    present();
}

void HelpViewer::showContext(int context) {
    const bool known = context == kHelpMainWindow || context == kHelpParameters || context == kHelpCustomFormula ||
                       context == kHelpCustomFormulaField;
    if (!known) {
        showContents();
        return;
    }
    current_ = context;
    browser_->scrollToAnchor(AnchorOf(context));
    present();
}

void HelpViewer::present() {
    show();
    raise();
    activateWindow();
}

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
            // The key goes to the field that has the focus.
            QWidget* focus = qobject_cast<QWidget*>(watched);
            if (!focus) focus = QApplication::focusWidget();
            if (!focus) focus = QApplication::activeWindow();
            viewer_.showContext(HelpContextOf(focus));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velmora
