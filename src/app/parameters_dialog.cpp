#include "parameters_dialog.hpp"

#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "conversions.hpp"
#include "help_viewer.hpp"
#include "mode_actions.hpp"
#include "parameter_reading.hpp"

namespace velmora {
namespace {

// Where each field sits: row and column pair of the grid, and its hint.
struct Placement {
    TextField field;
    int row, column;
    const char* hint;
};

constexpr Placement kPlacements[] = {
    {TextField::siz, 0, 0, ""},
    {TextField::miter, 1, 0, ""},
    {TextField::p1, 2, 0, "Radius of Orbit path test shell"},
    {TextField::p2, 3, 0, "Thickness of Orbit test shell"},
    {TextField::p3, 4, 0, ""},
    {TextField::maxmod, 5, 0, ""},
    {TextField::Rang, 0, 1, "Current  x range"},
    {TextField::xce, 1, 1, "Centre x value"},
    {TextField::yce, 2, 1, "Centre y value"},
    {TextField::cx, 3, 1, "Julia constant x value"},
    {TextField::cy, 4, 1, "Julia constant y value"},
    {TextField::minit, 5, 1, ""},
    {TextField::amx, 7, 0, ""},
    {TextField::amy, 7, 1, ""},
    {TextField::bmx, 8, 0, ""},
    {TextField::bmy, 8, 1, ""},
    {TextField::cmx, 9, 0, ""},
    {TextField::cmy, 9, 1, ""},
};

constexpr int kGroupCaptionRow = 6;

}  // namespace

ParametersDialog::ParametersDialog(ProgramState& state, ModeActions& actions, Prompter& prompter, QWidget* parent)
    : QDialog(parent), s_(state), actions_(actions), prompter_(prompter) {
    setObjectName("BtnBottomDlg");
    setWindowTitle("SET PARAMETERS");
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    SetHelpContext(this, kHelpParameters);
    // Window-modal, so that the help window stays usable while the dialog is open.
    setWindowModality(Qt::WindowModal);

    buildFields();

    reset_ = new QPushButton("Reset Range and Centre", this);
    reset_->setObjectName("ResetBtn");
    reset_->setToolTip("Sets x-range to 4.0, x,y centres to 0.0");
    run_ = new QPushButton("RUN", this);
    run_->setObjectName("RunBtn");
    run_->setToolTip("Generate Picture");
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OKBtn");
    ok_->setToolTip("Click to accept values");
    // Enter in a text field runs; on a button, Enter chooses that button.
    run_->setDefault(true);
    connect(reset_, &QPushButton::clicked, this, &ParametersDialog::ResetClick);
    connect(run_, &QPushButton::clicked, this, [this] { done(kRun); });
    connect(ok_, &QPushButton::clicked, this, &ParametersDialog::OKBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reset_);
    buttons->addStretch(1);
    buttons->addWidget(run_);
    buttons->addWidget(ok_);
    static_cast<QVBoxLayout*>(layout())->addLayout(buttons);

    const TextField before[] = {TextField::siz, TextField::miter, TextField::p1, TextField::p2,
                                TextField::p3,  TextField::Rang,  TextField::xce, TextField::yce,
                                TextField::cx,  TextField::cy};
    const TextField after[] = {TextField::amx, TextField::amy, TextField::bmx,    TextField::bmy,
                               TextField::cmx, TextField::cmy, TextField::maxmod, TextField::minit};
    QWidget* previous = nullptr;
    const auto chain = [&previous](QWidget* next) {
        if (previous) setTabOrder(previous, next);
        previous = next;
    };
    for (TextField f : before) chain(field(f));
    chain(reset_);
    chain(run_);
    chain(ok_);
    for (TextField f : after) chain(field(f));

    s_.texts.onChanged = [this](TextField f) { fieldChanged(f); };
    s_.texts.onGroupCaptionChanged = [this] { groupCaptionChanged(); };
    for (const auto& info : TextFieldTable()) fieldChanged(info.field);
    groupCaptionChanged();

    field(TextField::siz)->installEventFilter(this);
    ok_->setFocus();
}

ParametersDialog::~ParametersDialog() {
    s_.texts.onChanged = nullptr;
    s_.texts.onGroupCaptionChanged = nullptr;
}

void ParametersDialog::buildFields() {
    auto* outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    outer->addLayout(grid);

    const QFontMetrics metrics(font());
    const int fieldWidth = metrics.horizontalAdvance(QString(22, QChar('0')));
    for (const Placement& p : kPlacements) {
        const TextFieldInfo& info = TextFieldTable()[static_cast<size_t>(ParameterTexts::Index(p.field))];
        const QString name = QString::fromUtf8(info.name.data(), static_cast<qsizetype>(info.name.size()));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setMinimumWidth(fieldWidth);
        auto* caption =
            new QLabel(QString::fromUtf8(info.label.data(), static_cast<qsizetype>(info.label.size())), this);
        caption->setObjectName(name + "Label");
        caption->setBuddy(edit);
        if (*p.hint) {
            caption->setToolTip(p.hint);
            edit->setToolTip(p.hint);
        }
        grid->addWidget(caption, p.row, p.column * 2);
        grid->addWidget(edit, p.row, p.column * 2 + 1);
        fields_[static_cast<size_t>(ParameterTexts::Index(p.field))] = edit;
        labels_[static_cast<size_t>(ParameterTexts::Index(p.field))] = caption;

        const TextField f = p.field;
        connect(edit, &QLineEdit::textChanged, this, [this, f](const QString& text) {
            const std::string value = text.toStdString();
            if (s_.texts.text(f) != value) s_.texts.setText(f, value);
        });
    }
    groupCaption_ = new QLabel("Mandelbrot Params.", this);
    groupCaption_->setObjectName("MandelbrotParamsLabel");
    grid->addWidget(groupCaption_, kGroupCaptionRow, 0, 1, 4);
}

void ParametersDialog::fieldChanged(TextField f) {
    QLineEdit* edit = field(f);
    if (!edit) return;
    const QString text = QString::fromStdString(s_.texts.text(f));
    if (edit->text() != text) edit->setText(text);
    const bool visible = s_.texts.visible(f);
    edit->setVisible(visible);
    label(f)->setVisible(visible);
}

void ParametersDialog::groupCaptionChanged() { groupCaption_->setVisible(s_.texts.groupCaptionVisible()); }

int ParametersDialog::runModal() { return exec(); }

void ParametersDialog::reject() { done(kClosed); }

void ParametersDialog::OKBtnClick() {
    // The result stands before the texts are read: a text that is not a
    // number is reported, the values read before it are kept, and the
    // dialog still closes as accepted.
    setResult(kOk);
    try {
        ReadDialogTexts(s_.texts, s_.params);
    } catch (const std::exception& e) {
        ReportError(prompter_, s_.applicationTitle, e);
    }
    done(kOk);
}

void ParametersDialog::ResetClick() { actions_.ResetRangeAndCentre(false); }

void ParametersDialog::SizeCheck() {
    try {
        const long double size = ParseReal(s_.texts.text(TextField::siz));
        if (size != std::floor(size) || size > 1024.0L) {
            prompter_.messageBox(kSizeMessage, s_.applicationTitle, MessageButtons::Ok, MessageIcon::Information);
            s_.texts.setText(TextField::siz, "200");
        }
    } catch (const std::exception& e) {
        ReportError(prompter_, s_.applicationTitle, e);
    }
}

bool ParametersDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field(TextField::siz) && event->type() == QEvent::FocusOut) {
        // Only a move of the focus to another control of the dialog leaves
        // the field; the dialog losing the focus (closing, a message box)
        // does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible()) SizeCheck();
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace velmora
