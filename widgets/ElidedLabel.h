#pragma once
#include <QLabel>

// One line of text, such as a long file path, that gives up its middle rather
// than its start and end when the label is narrower than the text; the whole
// text is the tooltip. It asks for no width of its own, so a long path never
// widens the window that holds it.
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;
    void SetFullText(const QString& text);
    QString FullText() const { return full_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();
    QString full_;
};
