#pragma once
#include <QWidget>

// Percentage gauge: a horizontal bar filled in proportion to Progress between
// MinValue and MaxValue, with the percentage written in its centre. The main
// window shows one as RWGauge during long transfers.
class TGauge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(int Progress READ Progress WRITE SetProgress)
    Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
public:
    explicit TGauge(QWidget* parent = nullptr);

    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    int Progress() const { return progress_; }
    bool ShowText() const { return showText_; }

    // Moving one limit past the other drags the other along, so the range is
    // never inverted; Progress is kept inside the range.
    void SetMinValue(int value);
    void SetMaxValue(int value);
    void SetRange(int minValue, int maxValue);
    void SetProgress(int value);
    void AddProgress(int delta) { SetProgress(progress_ + delta); }
    void SetShowText(bool show);

    // Whole percent done, 0 ... 100.
    int PercentDone() const { return PercentOf(min_, max_, progress_); }
    // An empty range (max == min) has nothing to show and counts as 0 %.
    static int PercentOf(int minValue, int maxValue, int progress);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int min_ = 0;
    int max_ = 100;
    int progress_ = 0;
    bool showText_ = true;
};
