#pragma once
// The modeless palette editor ("Palette"): the grid of entries 0..183, the
// selected index, the three colour spin edits and the buttons that mark and
// unmark entries. The dialog only shows things and passes its events on; the
// palette editor decides what they do.

#include <QDialog>
#include <QImage>

#include <functional>

#include "palette_headers.hpp"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace velmora {

class PaletteEditor;
class PaletteGridView;
struct PaletteState;

class PaletteEditorDialog : public QDialog, public PaletteEditorView {
    Q_OBJECT
public:
    explicit PaletteEditorDialog(QWidget* parent = nullptr);
    ~PaletteEditorDialog() override;

    static constexpr int kClientWidth = 415;
    static constexpr int kClientHeight = 301;

    // The editor whose handlers this dialog's events run, and the palette
    // whose colours the grid shows. Until then the dialog does nothing.
    void attach(PaletteEditor* editor, PaletteState* palette);
    // Where an error escaping a handler is reported.
    std::function<void(const std::exception&)> reportError;

    // PaletteEditorView
    void showEditor() override;
    void hideEditor() override;
    void drawGrid(const IndexImage& grid) override;
    void setColourEdits(int red, int green, int blue) override;
    void setIndexTexts(const std::string& indextxt, const std::string& oindex) override;

    // The palette changed elsewhere (a run, the main window's activation):
    // the grid shows the new colours, without a paint of the dialog.
    void recolourGrid();
    // True while the dialog's own paint runs the editor.
    bool painting() const { return painting_; }

    QSpinBox* sred() const { return sred_; }
    QSpinBox* Sgreen() const { return sgreen_; }
    QSpinBox* Sblue() const { return sblue_; }
    QLineEdit* indextxt() const { return indextxt_; }
    QLineEdit* oindex() const { return oindex_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* deleteButton() const { return delete_; }
    // The grid as it is shown, 305 x 266, at (10, 10) of the dialog.
    QWidget* gridView() const;
    const QImage& gridImage() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void run(const std::function<void(PaletteEditor&)>& handler);
    QLabel* addLabel(const char* name, const char* text, int x, int y);
    QSpinBox* addSpin(const char* name, int x, int y);

    PaletteEditor* editor_ = nullptr;
    PaletteState* palette_ = nullptr;
    bool painting_ = false;

    PaletteGridView* grid_;
    QLineEdit* indextxt_;
    QLineEdit* oindex_;
    QSpinBox* sred_;
    QSpinBox* sgreen_;
    QSpinBox* sblue_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* add_;
    QPushButton* delete_;
};

}  // namespace velmora
