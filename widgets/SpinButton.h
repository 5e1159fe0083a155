#pragma once
#include <QPointer>
#include <QTimer>
#include <QWidget>

// Up/down spin button: two arrow halves stacked vertically. Pressing a half
// reports one click at once and keeps repeating while the mouse button is
// held over that half. The button never takes the keyboard focus itself; a
// press hands the focus to its focus control (the edit it serves).
class TSpinButton : public QWidget {
    Q_OBJECT
public:
    enum class Half { None, Up, Down };

    explicit TSpinButton(QWidget* parent = nullptr);

    void SetFocusControl(QWidget* control) { focusControl_ = control; }
    QWidget* FocusControl() const { return focusControl_; }

    // Pause before the first repeat and between later repeats, in ms.
    void SetRepeatDelays(int initialMs, int intervalMs);

    Half PressedHalf() const { return pressed_; }
    Half HalfAt(const QPoint& pos) const;

    QSize sizeHint() const override { return {15, 17}; }

signals:
    void upClick();
    void downClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QRect HalfRect(Half half) const;
    void PaintHalf(QPainter& painter, Half half) const;
    void Fire(Half half);
    void Repeat();
    void StopRepeat();

    QPointer<QWidget> focusControl_;
    QTimer repeatTimer_;
    int initialDelayMs_ = 400;
    int repeatIntervalMs_ = 100;
    Half pressed_ = Half::None;
    bool pointerOverPressed_ = false;
};
