#include "palette_editor_dialog.hpp"

#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>


namespace velmora {

// The grid, drawn through the palette's current colours. It paints only
// itself: redrawing it is not a paint of the dialog, so marking an entry does
// not rebuild the palette. Presses on it belong to the dialog's surface and
// go on to the dialog.
class PaletteGridView : public QWidget {
public:
    explicit PaletteGridView(QWidget* parent) : QWidget(parent) {
        setObjectName("PaletteGrid");
        setAttribute(Qt::WA_OpaquePaintEvent);
        setGeometry(kGridLeft, kGridTop, kGridWidth, kGridHeight);
        image_ = QImage(kGridWidth, kGridHeight, QImage::Format_RGB32);
        image_.fill(Qt::white);
    }

    void show(const IndexImage& grid, const ColourTable& colours) {
        // The index image has no row padding; 305 is not a multiple of 4, so
        // the row length is given explicitly.
        QImage indexed(grid.pixels().data(), grid.width(), grid.height(), grid.width(), QImage::Format_Indexed8);
        indexed.setColorTable(QList<QRgb>(colours.begin(), colours.end()));
        QImage rendered = indexed.convertToFormat(QImage::Format_RGB32);
        // Repainting what is already shown would only cost time.
        if (rendered == image_) return;
        image_ = std::move(rendered);
        update();
    }
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.drawImage(0, 0, image_);
    }

private:
    QImage image_;
};

PaletteEditorDialog::PaletteEditorDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("OKBottomDlg");
    setWindowTitle("Palette");
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
    setFixedSize(kClientWidth, kClientHeight);
    // The controls keep their places; a small plain font lets the button
    // captions fit them.
    QFont plain = font();
    plain.setBold(false);
    plain.setPixelSize(10);
    setFont(plain);

    grid_ = new PaletteGridView(this);

    addLabel("Label4", "Index", 352, 35)->resize(47, 16);
    indextxt_ = new QLineEdit("0", this);
    indextxt_->setObjectName("indextxt");
    indextxt_->setGeometry(349, 51, 40, 21);
    indextxt_->setEnabled(false);
    oindex_ = new QLineEdit("0", this);
    oindex_->setObjectName("oindex");
    oindex_->setGeometry(314, 19, 40, 21);
    oindex_->setEnabled(false);
    oindex_->hide();

    addLabel("Label1", "Red", 341, 81);
    sred_ = addSpin("sred", 340, 96);
    addLabel("Label2", "Green", 341, 128);
    sgreen_ = addSpin("Sgreen", 340, 143);
    addLabel("Label3", "Blue", 341, 174);
    sblue_ = addSpin("Sblue", 340, 189);

    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OKBtn");
    ok_->setGeometry(332, 227, 75, 24);
    ok_->setDefault(true);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("CancelBtn");
    cancel_->setGeometry(139, 198, 75, 24);
    cancel_->hide();
    add_ = new QPushButton("Add as a marked Index", this);
    add_->setObjectName("Addindex");
    add_->setGeometry(9, 277, 139, 21);
    delete_ = new QPushButton("Delete as a marked Index", this);
    delete_->setObjectName("Deleteindex");
    delete_->setGeometry(159, 276, 139, 21);

    const auto spin = [this](QSpinBox* box, ColourEdit edit) {
        connect(box, &QSpinBox::valueChanged, this,
                [this, edit](int value) { run([edit, value](PaletteEditor& e) { e.ChangecolorClick(edit, value); }); });
    };
    spin(sred_, ColourEdit::Red);
    spin(sgreen_, ColourEdit::Green);
    spin(sblue_, ColourEdit::Blue);
    connect(add_, &QPushButton::clicked, this, [this] { run([](PaletteEditor& e) { e.AddindexClick(); }); });
    connect(delete_, &QPushButton::clicked, this, [this] { run([](PaletteEditor& e) { e.DeleteindexClick(); }); });
    connect(ok_, &QPushButton::clicked, this, [this] { run([](PaletteEditor& e) { e.OKBtnClick(); }); });
}

PaletteEditorDialog::~PaletteEditorDialog() = default;

QLabel* PaletteEditorDialog::addLabel(const char* name, const char* text, int x, int y) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    // A press on a label is the label's, not one on the dialog's surface.
    label->installEventFilter(this);
    return label;
}

QSpinBox* PaletteEditorDialog::addSpin(const char* name, int x, int y) {
    auto* box = new QSpinBox(this);
    box->setObjectName(name);
    box->setGeometry(x, y, 57, 30);
    // The range keeps a typed value outside a colour from ever being taken.
    box->setRange(0, 255);
    box->setSingleStep(PaletteEditor::kSpinStep);
    box->setValue(0);
    return box;
}

void PaletteEditorDialog::attach(PaletteEditor* editor, PaletteState* palette) {
    editor_ = editor;
    palette_ = palette;
    if (palette_) grid_->show(PaletteGrid(*palette_), DisplayColours(*palette_));
}

QWidget* PaletteEditorDialog::gridView() const { return grid_; }

const QImage& PaletteEditorDialog::gridImage() const { return grid_->image(); }

void PaletteEditorDialog::run(const std::function<void(PaletteEditor&)>& handler) {
    if (!editor_) return;
    try {
        handler(*editor_);
    } catch (const std::exception& e) {
        if (reportError) reportError(e);
    }
}

void PaletteEditorDialog::showEditor() {
    show();
    raise();
    activateWindow();
}

void PaletteEditorDialog::hideEditor() { hide(); }

void PaletteEditorDialog::drawGrid(const IndexImage& grid) {
    if (palette_) grid_->show(grid, DisplayColours(*palette_));
}

void PaletteEditorDialog::recolourGrid() {
    if (palette_) grid_->show(PaletteGrid(*palette_), DisplayColours(*palette_));
}

void PaletteEditorDialog::setColourEdits(int red, int green, int blue) {
    sred_->setValue(red);
    sgreen_->setValue(green);
    sblue_->setValue(blue);
}

void PaletteEditorDialog::setIndexTexts(const std::string& indextxt, const std::string& oindex) {
    indextxt_->setText(QString::fromStdString(indextxt));
    oindex_->setText(QString::fromStdString(oindex));
}

void PaletteEditorDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // The toolkit also paints the dialog under a control that redraws itself
    // (a button going down, a spin edit taking the focus). That is no paint
    // of the dialog's own surface and must not rebuild the palette.
    QRegion own = event->region();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible()) own -= child->geometry();
    if (own.isEmpty() || painting_) return;
    painting_ = true;
    run([](PaletteEditor& e) { e.FormPaint(); });
    painting_ = false;
}

void PaletteEditorDialog::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    run([at](PaletteEditor& e) { e.OKBtnMouseDown(at.x(), at.y()); });
    event->accept();
}

void PaletteEditorDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // Minimising the program hides the dialog too; only a hide of the dialog
    // itself takes the shrunk picture away.
    if (!event->spontaneous()) run([](PaletteEditor& e) { e.FormHide(); });
}

bool PaletteEditorDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) return true;
    return QDialog::eventFilter(watched, event);
}

}  // namespace velmora
