// The custom formula dialog behind the "Custom" item.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "custom_formula_dialog.hpp"
#include "help_viewer.hpp"
#include "menu_mirror.hpp"
#include "test_support.hpp"

namespace velmora {

class CustomFormulaTest : public QObject {
    Q_OBJECT
private:
    // Answers the dialog the "Custom" item is about to show.
    static void AnswerDialog(Program& p, const QString& formula, const QString& uReal, bool confirm) {
        QTimer::singleShot(0, [&p, formula, uReal, confirm] {
            CustomFormulaDialog& d = p.customFormulaDialog();
            QVERIFY(d.isVisible());
            d.formulaField()->setText(formula);
            d.constantField(0)->setText(uReal);
            if (confirm)
                QTest::mouseClick(d.okButton(), Qt::LeftButton);
            else
                d.reject();
        });
    }
    static void ChooseCustom(testing::StartedProgram& p) { p.window().menus().action("Custom1")->trigger(); }

private slots:
    void confirmedFormulaIsCompiledAndShown() {
        testing::StartedProgram p;
        AnswerDialog(p.program, "z^2+c", "0.5", true);
        ChooseCustom(p);
        const PictureParameters& params = p.state().params;
        QCOMPARE(params.FunctionKind, uint8_t{17});
        QCOMPARE(params.custfunc, std::string("z^2+c"));
        QCOMPARE(int(params.CustomCodeLength), 5);
        const uint8_t expected[] = {10, 2, 19, 14, 15};
        for (int i = 0; i < 5; ++i) QCOMPARE(int(params.CustomCode[i]), int(expected[i]));
        QCOMPARE(params.u.re, 0.5L);
        QCOMPARE(p.state().statusText, std::string("z2^c+"));
        QVERIFY(p.prompter.shown.empty());
        QCOMPARE(p.program.customFormulaDialog().windowTitle(), QString("Enter Custom Formula and Constants"));
    }

    void badFormulaIsRefusedWithTheMessage() {
        testing::StartedProgram p;
        AnswerDialog(p.program, "2z", "0.0", true);
        ChooseCustom(p);
        QCOMPARE(p.prompter.shown.size(), size_t{1});
        QCOMPARE(p.prompter.shown[0].text, std::string("Invalid function expression ?"));
        QCOMPARE(p.prompter.shown[0].caption, std::string("ERROR"));
        QCOMPARE(p.state().params.FunctionKind, uint8_t{17});
        QCOMPARE(int(p.state().params.CustomCodeLength), 1);  // the start-up program is kept
    }

    void badConstantStopsBeforeCompiling() {
        testing::StartedProgram p;
        AnswerDialog(p.program, "z*z+u", "abc", true);
        ChooseCustom(p);
        QCOMPARE(p.prompter.shown.size(), size_t{1});
        QCOMPARE(p.prompter.shown[0].text, std::string("'abc' is not a valid floating point value."));
        QCOMPARE(p.prompter.shown[0].caption, p.state().applicationTitle);
        QCOMPARE(int(p.state().params.CustomCodeLength), 1);
    }

    void closedDialogStillCompilesTheHeldText() {
        testing::StartedProgram p;
        AnswerDialog(p.program, "z*z+c", "0.0", true);
        ChooseCustom(p);
        // Closing without OK keeps custfunc, which compiles again to the
        // same program.
        AnswerDialog(p.program, "garbage", "0.0", false);
        ChooseCustom(p);
        QCOMPARE(p.state().params.custfunc, std::string("z*z+c"));
        QCOMPARE(p.state().statusText, std::string("zz*c+"));
        QVERIFY(p.prompter.shown.empty());
    }

    void loadingPictureCompilesWithoutTheDialog() {
        testing::StartedProgram p;
        p.state().params.custfunc = "z*z+sin(c)";
        // A dialog shown here would block the test.
        p.program.actions().FunctionItem(kFormulaCustom, ChosenBy::LoadedPicture);
        QCOMPARE(p.state().statusText, std::string("zz*csin(+"));
        QVERIFY(!p.program.customFormulaDialog().isVisible());
    }

    void helpOpenedFromTheDialogStaysUsable() {
        testing::StartedProgram p;
        HelpViewer& help = p.program.help();
        // The toolkit tells a window when a modal dialog blocks its input.
        struct BlockWatch : QObject {
            bool blocked = false;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::WindowBlocked) blocked = true;
                if (e->type() == QEvent::WindowUnblocked) blocked = false;
                return false;
            }
        } watch;
        help.installEventFilter(&watch);
        int context = 0;
        bool blockedWhileOpen = true;
        QTimer::singleShot(0, [&] {
            CustomFormulaDialog& d = p.program.customFormulaDialog();
            d.formulaField()->setFocus();
            QTest::keyClick(d.formulaField(), Qt::Key_F1);
            context = help.currentContext();
            blockedWhileOpen = !help.isVisible() || watch.blocked;
            d.reject();
        });
        ChooseCustom(p);
        QCOMPARE(context, 12);
        QVERIFY(!blockedWhileOpen);
    }

    void customRunDrawsAPicture() {
        testing::StartedProgram p;
        AnswerDialog(p.program, "z*z+c", "0.0", true);
        ChooseCustom(p);
        p.state().texts.setText(TextField::siz, "40");
        p.program.driver().Runclick();
        QCOMPARE(p.state().statusText, std::string("Picture completed."));
        QCOMPARE(p.state().buffer.bytes.size(), size_t{40 * 30});
    }
};

}  // namespace velmora

QTEST_MAIN(velmora::CustomFormulaTest)
#include "custom_formula_test.moc"
