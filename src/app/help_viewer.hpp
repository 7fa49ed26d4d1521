#pragma once
// The help window and the help contexts of the program's windows and
// fields: F1 opens the help at the context of the field or window that has
// the focus.

#include <QObject>
#include <QWidget>

class QTextBrowser;

namespace velmora {

// Help context numbers of the program.
inline constexpr int kHelpMainWindow = 1;
inline constexpr int kHelpParameters = 2;
inline constexpr int kHelpCustomFormula = 10;
inline constexpr int kHelpCustomFormulaField = 12;

// A widget without a context of its own uses the nearest one of its parents;
// 0 when none has one.
void SetHelpContext(QWidget* widget, int context);
int HelpContextOf(const QWidget* widget);

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    static constexpr const char* kHelpFile = "Vm32201.hlp";

    void showContents();
    // Opens the help at a context; an unknown context opens the contents.
    void showContext(int context);
    // The context the help was last opened at (0 for the contents).
    int currentContext() const { return current_; }
    QTextBrowser* browser() const { return browser_; }

private:
    void present();

    QTextBrowser* browser_;
    int current_ = 0;
};

// Catches F1 anywhere in the program and opens the help at the context of
// the focused field or the active window.
class HelpKeyFilter : public QObject {
    Q_OBJECT
public:
    HelpKeyFilter(HelpViewer& viewer, QObject* parent = nullptr) : QObject(parent), viewer_(viewer) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HelpViewer& viewer_;
};

}  // namespace velmora
