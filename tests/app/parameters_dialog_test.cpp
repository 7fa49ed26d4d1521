// The parameters dialog: its results, what OK reads, the size check, Reset,
// the Mandelbrot group, and its fields kept in step with the parameter texts.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "help_viewer.hpp"
#include "parameters_dialog.hpp"
#include "status_panel.hpp"
#include "test_support.hpp"

using namespace velmora;
using namespace velmora::testing;

namespace {

ParametersDialog& Dialog(StartedProgram& p) { return p.program.parametersDialog(); }

// The offscreen platform does not activate a dialog when it is shown, as a
// desktop does.
void Activate(QWidget& window) {
    window.activateWindow();
    if (!QTest::qWaitFor([&] { return window.isActiveWindow(); })) qWarning("window did not become active");
}

void SetField(StartedProgram& p, TextField f, const QString& text) {
    QLineEdit* edit = Dialog(p).field(f);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

}  // namespace

class ParametersDialogTest : public QObject {
    Q_OBJECT
private slots:
    void layoutAndHints();
    void results_data();
    void results();
    void okReadsUntilTheFirstBadText();
    void sizeCheck_data();
    void sizeCheck();
    void sizeCheckOnlyWhenTheFieldIsLeft();
    void resetRangeAndCentre();
    void mandelbrotGroupFollowsTheFormula();
    void fieldsAndTextsStayInStep();
};

void ParametersDialogTest::layoutAndHints() {
    StartedProgram p;
    ParametersDialog& d = Dialog(p);
    QCOMPARE(d.windowTitle(), QString("SET PARAMETERS"));
    QVERIFY(d.font().bold());
    QCOMPARE(d.label(TextField::p1)->toolTip(), QString("Radius of Orbit path test shell"));
    QCOMPARE(d.label(TextField::Rang)->toolTip(), QString("Current  x range"));
    QCOMPARE(d.resetButton()->toolTip(), QString("Sets x-range to 4.0, x,y centres to 0.0"));
    QVERIFY(d.runButton()->isDefault());
    QCOMPARE(d.focusWidget(), static_cast<QWidget*>(d.okButton()));
    QCOMPARE(HelpContextOf(d.field(TextField::cx)), 2);

    // Tab order, with the coefficient group shown so that none is skipped.
    p.window().triggerItem(MenuId::Mandelbrot);
    QStringList order;
    QWidget* w = d.field(TextField::siz);
    for (int i = 0; i < 21; ++i, w = w->nextInFocusChain()) {
        while (!(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
        order << (qobject_cast<QPushButton*>(w) ? static_cast<QPushButton*>(w)->text() : w->objectName());
    }
    QCOMPARE(order, (QStringList{"siz", "miter", "p1", "p2", "p3", "Rang", "xce", "yce", "cx", "cy",
                                 "Reset Range and Centre", "RUN", "OK", "amx", "amy", "bmx", "bmy", "cmx", "cmy",
                                 "maxmod", "minit"}));
}

void ParametersDialogTest::results_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("runs");
    QTest::newRow("RUN button") << 0 << 99 << true;
    QTest::newRow("Enter in a field") << 1 << 99 << true;
    QTest::newRow("OK button") << 2 << 1 << false;
    QTest::newRow("Enter on OK") << 3 << 1 << false;
    QTest::newRow("closed by its frame") << 4 << 2 << false;
}

void ParametersDialogTest::results() {
    QFETCH(int, how);
    QFETCH(int, result);
    QFETCH(bool, runs);
    StartedProgram p;
    ParametersDialog& d = Dialog(p);
    int shownResult = -1;
    QObject::connect(&d, &QDialog::finished, [&](int r) { shownResult = r; });
    QTimer::singleShot(0, [&] {
        switch (how) {
        case 0: QTest::mouseClick(d.runButton(), Qt::LeftButton); break;
        case 1:
            Activate(d);
            d.field(TextField::miter)->setFocus();
            QTest::keyClick(d.field(TextField::miter), Qt::Key_Return);
            break;
        case 2: QTest::mouseClick(d.okButton(), Qt::LeftButton); break;
        case 3:
            d.okButton()->setFocus();
            QTest::keyClick(d.okButton(), Qt::Key_Return);
            break;
        case 4: d.close(); break;
        }
    });
    QTest::keyClick(&p.window(), Qt::Key_F3);
    QCOMPARE(shownResult, result);
    QCOMPARE(p.window().panel()->perc()->text() == "Picture completed.", runs);
    QCOMPARE(p.state().params.siz, result == 2 ? 0 : 200);
    QVERIFY(p.prompter.shown.empty());
}

void ParametersDialogTest::okReadsUntilTheFirstBadText() {
    StartedProgram p;
    ProgramState& s = p.state();
    SetField(p, TextField::siz, "300");
    SetField(p, TextField::cx, "-0.5");
    SetField(p, TextField::cy, "abc");
    SetField(p, TextField::Rang, "7");
    SetField(p, TextField::miter, "80");
    int result = -1;
    QTimer::singleShot(0, [&] { QTest::mouseClick(Dialog(p).okButton(), Qt::LeftButton); });
    result = Dialog(p).runModal();

    QCOMPARE(result, 1);
    QCOMPARE(s.params.siz, 300);
    QCOMPARE(s.params.cx, -0.5L);
    QCOMPARE(s.params.Rang, 0.0L);  // after the bad text: unchanged
    QCOMPARE(s.params.miter, 50);
    QCOMPARE(p.prompter.shown.size(), size_t(1));
    const Shown& error = p.prompter.shown[0];
    QCOMPARE(error.text, std::string("'abc' is not a valid floating point value."));
    QCOMPARE(error.caption, std::string("Velmora 32 Version 2.01"));
    QCOMPARE(error.icon, MessageIcon::Error);
    QCOMPARE(error.buttons, MessageButtons::Ok);
}

void ParametersDialogTest::sizeCheck_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("message");
    const QString size = ParametersDialog::kSizeMessage;
    QTest::newRow("too large") << "1025" << "200" << size;
    QTest::newRow("not whole") << "512.5" << "200" << size;
    QTest::newRow("exponent") << "2e3" << "200" << size;
    QTest::newRow("largest") << "1024" << "1024" << "";
    QTest::newRow("zero") << "0" << "0" << "";
    QTest::newRow("negative") << "-3" << "-3" << "";
    QTest::newRow("whole real") << "300.0" << "300.0" << "";
    QTest::newRow("not a number") << "12a" << "12a" << "'12a' is not a valid floating point value.";
}

void ParametersDialogTest::sizeCheck() {
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(QString, message);
    StartedProgram p;
    ParametersDialog& d = Dialog(p);
    d.show();
    Activate(d);
    d.field(TextField::siz)->setFocus();
    SetField(p, TextField::siz, typed);
    QTest::keyClick(d.field(TextField::siz), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(d.field(TextField::miter)));

    QCOMPARE(d.field(TextField::siz)->text(), after);
    QCOMPARE(QString::fromStdString(p.state().texts.text(TextField::siz)), after);
    QCOMPARE(p.prompter.shown.size(), size_t(message.isEmpty() ? 0 : 1));
    if (!message.isEmpty()) {
        QCOMPARE(QString::fromStdString(p.prompter.shown[0].text), message);
        QCOMPARE(p.prompter.shown[0].caption, std::string("Velmora 32 Version 2.01"));
        QCOMPARE(p.prompter.shown[0].icon, message == ParametersDialog::kSizeMessage ? MessageIcon::Information
                                                                                     : MessageIcon::Error);
    }
    d.close();
}

void ParametersDialogTest::sizeCheckOnlyWhenTheFieldIsLeft() {
    // Enter in the size field runs at once: the dialog closes, nothing is
    // checked, and the run takes the size as typed.
    StartedProgram p;
    ParametersDialog& d = Dialog(p);
    SetField(p, TextField::miter, "1");
    QTimer::singleShot(0, [&] {
        Activate(d);
        d.field(TextField::siz)->setFocus();
        SetField(p, TextField::siz, "1025");
        QTest::keyClick(d.field(TextField::siz), Qt::Key_Return);
    });
    QTest::keyClick(&p.window(), Qt::Key_F3);
    QVERIFY(p.prompter.shown.empty());
    QCOMPARE(p.state().params.siz, 1025);
    QCOMPARE(p.state().params.LastColumnDone, 1024);
}

void ParametersDialogTest::resetRangeAndCentre() {
    StartedProgram p;
    ParametersDialog& d = Dialog(p);
    SetField(p, TextField::Rang, "0.01");
    SetField(p, TextField::xce, "-1.25");
    SetField(p, TextField::yce, "0.3");
    d.show();
    QTest::mouseClick(d.resetButton(), Qt::LeftButton);
    QVERIFY(d.isVisible());
    const QString four = " 4.00000000000000000", zero = " 0.00000000000000000";
    QCOMPARE(four.size(), 20);
    QCOMPARE(d.field(TextField::Rang)->text(), four);
    QCOMPARE(d.field(TextField::xce)->text(), zero);
    QCOMPARE(d.field(TextField::yce)->text(), zero);
    QCOMPARE(p.state().params.Rang, 4.0L);
    QCOMPARE(p.state().params.xce, 0.0L);
    d.close();

    // F6 does the same from the main window.
    SetField(p, TextField::Rang, "2");
    QTest::keyClick(&p.window(), Qt::Key_F6);
    QCOMPARE(d.field(TextField::Rang)->text(), four);
}

void ParametersDialogTest::mandelbrotGroupFollowsTheFormula() {
    StartedProgram p;
    ParametersDialog& d = Dialog(p);
    const auto groupShown = [&] {
        bool all = d.groupCaption()->isVisibleTo(&d), none = !all;
        for (TextField f : {TextField::amx, TextField::amy, TextField::bmx, TextField::bmy, TextField::cmx,
                            TextField::cmy}) {
            const bool shown = d.field(f)->isVisibleTo(&d) && d.label(f)->isVisibleTo(&d);
            all = all && shown;
            none = none && !d.field(f)->isVisibleTo(&d) && !d.label(f)->isVisibleTo(&d);
        }
        if (!all && !none) qWarning("the group is partly shown");
        return all;
    };
    QVERIFY(!groupShown());
    QTest::keyClick(&p.window(), Qt::Key_F4);
    QVERIFY(groupShown());
    QCOMPARE(d.field(TextField::Rang)->text(), QString("5"));
    QCOMPARE(d.field(TextField::yce)->text(), QString("0.0"));
    p.window().triggerItem(FormulaMenuId(kFormulaCoefficients));
    QVERIFY(groupShown());
    p.window().triggerItem(FormulaMenuId(kFormulaZ2));
    QVERIFY(!groupShown());
}

void ParametersDialogTest::fieldsAndTextsStayInStep() {
    StartedProgram p;
    ProgramState& s = p.state();
    // Typed by the user: the run reads it.
    SetField(p, TextField::siz, "64");
    QCOMPARE(s.texts.text(TextField::siz), std::string("64"));
    // Written by the run: the field shows it. A Mandelbrot run hands its
    // centre to the Julia constant.
    QTest::keyClick(&p.window(), Qt::Key_F4);
    SetField(p, TextField::siz, "40");
    SetField(p, TextField::xce, "-0.75");
    QTest::keyClick(&p.window(), Qt::Key_F2);
    QCOMPARE(p.window().panel()->perc()->text(), QString("Picture completed."));
    QCOMPARE(s.params.siz, 40);
    QCOMPARE(Dialog(p).field(TextField::cx)->text(), QString("-0.75"));
    QCOMPARE(Dialog(p).field(TextField::cy)->text(), QString("0.0"));
}

QTEST_MAIN(ParametersDialogTest)
#include "parameters_dialog_test.moc"
