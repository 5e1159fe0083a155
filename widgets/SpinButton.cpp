#include "widgets/SpinButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    resize(15, 17);
    repeatTimer_.setSingleShot(false);
    connect(&repeatTimer_, &QTimer::timeout, this, &TSpinButton::Repeat);
}

void TSpinButton::SetRepeatDelays(int initialMs, int intervalMs) {
    initialDelayMs_ = initialMs;
    repeatIntervalMs_ = intervalMs;
}

// The upper half takes the middle row when the height is odd, so both halves
// keep a usable arrow even at small sizes.
QRect TSpinButton::HalfRect(Half half) const {
    const int upHeight = (height() + 1) / 2;
    if (half == Half::Up) return {0, 0, width(), upHeight};
    if (half == Half::Down) return {0, upHeight, width(), height() - upHeight};
    return {};
}

TSpinButton::Half TSpinButton::HalfAt(const QPoint& pos) const {
    if (HalfRect(Half::Up).contains(pos)) return Half::Up;
    if (HalfRect(Half::Down).contains(pos)) return Half::Down;
    return Half::None;
}

void TSpinButton::PaintHalf(QPainter& painter, Half half) const {
    const bool sunken = pressed_ == half && pointerOverPressed_;
    const QRect face = HalfRect(half);
    painter.fillRect(face, palette().color(sunken ? QPalette::Mid : QPalette::Button));

    // Both arrows get the size the smaller half allows, so they look alike
    // when the height is odd; a pressed half shifts its arrow by one pixel.
    const int side = std::max(3, std::min(width() - 6, height() / 2 - 4));
    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = QRect(0, 0, side, side);
    arrow.rect.moveCenter(face.center() + (sunken ? QPoint(1, 1) : QPoint(0, 0)));
    const auto element =
        half == Half::Up ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown;
    style()->drawPrimitive(element, &arrow, &painter, this);
}

void TSpinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintHalf(painter, Half::Up);
    PaintHalf(painter, Half::Down);
    // Separator lines: against the edit on the left and between the halves.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, 0, 0, height() - 1);
    const int split = HalfRect(Half::Down).top();
    painter.drawLine(0, split, width() - 1, split);
}

void TSpinButton::Fire(Half half) {
    if (half == Half::Up) emit upClick();
    if (half == Half::Down) emit downClick();
}

void TSpinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const Half half = HalfAt(event->position().toPoint());
    if (half == Half::None) return;
    if (focusControl_ && !focusControl_->hasFocus() && focusControl_->isEnabled())
        focusControl_->setFocus(Qt::MouseFocusReason);
    pressed_ = half;
    pointerOverPressed_ = true;
    update();
    repeatTimer_.start(initialDelayMs_);
    Fire(half);
}

void TSpinButton::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_ == Half::None) return;
    const bool over = HalfAt(event->position().toPoint()) == pressed_;
    if (over != pointerOverPressed_) {
        pointerOverPressed_ = over;
        update();
    }
}

void TSpinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) StopRepeat();
}

// Repeats only while the pointer stays over the half that was pressed, so
// sliding off the button pauses the stepping without losing the press.
void TSpinButton::Repeat() {
    if (pressed_ == Half::None) {
        repeatTimer_.stop();
        return;
    }
    repeatTimer_.setInterval(repeatIntervalMs_);
    if (pointerOverPressed_) Fire(pressed_);
}

void TSpinButton::StopRepeat() {
    repeatTimer_.stop();
    pressed_ = Half::None;
    pointerOverPressed_ = false;
    update();
}

// A button that is disabled or hidden while held must not keep stepping.
void TSpinButton::hideEvent(QHideEvent* event) {
    StopRepeat();
    QWidget::hideEvent(event);
}

void TSpinButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) StopRepeat();
    QWidget::changeEvent(event);
}
