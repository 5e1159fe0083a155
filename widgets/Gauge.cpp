#include "widgets/Gauge.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cstdint>

TGauge::TGauge(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int TGauge::PercentOf(int minValue, int maxValue, int progress) {
    if (maxValue <= minValue) return 0;
    // 64-bit so that large ranges (byte counts of a file) cannot overflow.
    const std::int64_t done = std::clamp(progress, minValue, maxValue) - std::int64_t{minValue};
    const std::int64_t span = std::int64_t{maxValue} - minValue;
    return static_cast<int>(done * 100 / span);
}

void TGauge::SetMinValue(int value) {
    SetRange(value, std::max(value, max_));
}

void TGauge::SetMaxValue(int value) {
    SetRange(std::min(value, min_), value);
}

void TGauge::SetRange(int minValue, int maxValue) {
    min_ = minValue;
    max_ = std::max(minValue, maxValue);
    progress_ = std::clamp(progress_, min_, max_);
    update();
}

void TGauge::SetProgress(int value) {
    const int clamped = std::clamp(value, min_, max_);
    if (clamped == progress_) return;
    progress_ = clamped;
    update();
}

void TGauge::SetShowText(bool show) {
    showText_ = show;
    update();
}

QSize TGauge::sizeHint() const {
    return {200, fontMetrics().height() + 8};
}

QSize TGauge::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 8,
            fontMetrics().height() + 4};
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = 1;
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);

    const QRect inside = rect().adjusted(1, 1, -1, -1);
    const QRect bar(inside.left(), inside.top(), inside.width() * PercentDone() / 100,
                    inside.height());
    painter.fillRect(inside, palette().base());
    painter.fillRect(bar, palette().highlight());
    if (!showText_) return;

    // The text is drawn twice, clipped to the bar and to the rest, so it stays
    // readable where the bar passes under it.
    const QString text = QString::number(PercentDone()) + QLatin1Char('%');
    painter.setClipRect(bar);
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.drawText(inside, Qt::AlignCenter, text);
    painter.setClipRect(QRect(bar.right() + 1, inside.top(), inside.width(), inside.height()));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(inside, Qt::AlignCenter, text);
}
