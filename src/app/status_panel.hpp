#pragma once
// The status panel at the bottom of the main window (Panel1): the cancel
// label, the status line, the palette strip and the help hint. A click
// anywhere on it asks a running picture to stop.

#include <QFrame>

class QLabel;
class QProgressBar;

namespace velmora {

class StatusPanel : public QFrame {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget* parent = nullptr);

    static constexpr int kHeight = 29;
    static constexpr const char* kCancelText = "Click to cancel (or hit space bar) ";

    QLabel* esc() const { return esc_; }
    QLabel* perc() const { return perc_; }
    QLabel* image1() const { return image1_; }
    QLabel* label1() const { return label1_; }
    QProgressBar* progressBar3() const { return progressBar3_; }
    // The plane point under the pointer, and the time a run has taken and
    // is likely to take still. They take the room the other texts leave and
    // are cut short (with an ellipsis) where it is not enough.
    QLabel* pointerPlace() const { return pointerPlace_; }
    QLabel* runTimes() const { return runTimes_; }
    void setPointerPlace(const QString& text);
    void setRunTimes(const QString& text);
    // The narrowest the panel may be with none of its texts overlapping.
    int narrowestWidth() const;

    // The status line. It widens for a text that does not fit and otherwise
    // keeps its size, so a new text costs a repaint of the line, not a new
    // layout of the panel.
    void setStatusText(const QString& text);

signals:
    void cancelClicked();
    // The status line widened: the panel needs more room.
    void narrowestWidthChanged(int width);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitCancelText();

    QLabel* esc_;
    QLabel* perc_;
    QLabel* image1_;
    QLabel* label1_;
    QProgressBar* progressBar3_;
    QLabel* pointerPlace_;
    QLabel* runTimes_;
};

}  // namespace velmora
