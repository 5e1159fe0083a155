#pragma once
#include <QLineEdit>
#include <QString>
#include <functional>
#include <optional>

class QMenu;
class TSpinButton;

// Single-line editor of a decimal number with an up/down spin button at its
// right edge. The number lives only in the text and is parsed whenever it is
// asked for. Values outside MinValue ... MaxValue are refused rather than
// clamped: the text falls back to what it held before. Only digits, "-", "."
// Return and Backspace can be typed; paste and cut are never performed.
class TFSpinEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString EditMask READ EditMask WRITE SetEditMask)
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE SetEditorEnabled)
    Q_PROPERTY(double Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(double MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(double MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(double Value READ GetValue WRITE SetValue)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
public:
    static constexpr int kButtonWidth = 15;

    explicit TFSpinEdit(QWidget* parent = nullptr);

    // The text as a number; text that is not a number is replaced by
    // MinValue, which is returned.
    double GetValue();
    // Shows CheckValue(x); remembers the value held before.
    void SetValue(double x);
    // x when MinValue <= x <= MaxValue, else the value held before the last
    // SetValue. MinValue == MaxValue admits that single value only.
    double CheckValue(double x) const;
    double PreviousValue() const { return previousValue_; }

    virtual bool IsValidChar(QChar ch) const;
    virtual void UpClick();
    virtual void DownClick();

    QString EditMask() const { return editMask_; }
    void SetEditMask(const QString& mask) { editMask_ = mask; }
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool enabled) { editorEnabled_ = enabled; }
    double Increment() const { return increment_; }
    void SetIncrement(double step) { increment_ = step; }
    double MinValue() const { return minValue_; }
    void SetMinValue(double value) { minValue_ = value; }
    double MaxValue() const { return maxValue_; }
    void SetMaxValue(double value) { maxValue_ = value; }
    // Longest text the user can type; 0 = unlimited. Texts set by the
    // program are never cut.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length) { maxLength_ = length > 0 ? length : 0; }

    // General number format: shortest form with up to 15 significant digits,
    // "." as the decimal point whatever the locale (1.0 -> "1").
    static QString FormatValue(double x);
    static std::optional<double> ParseValue(const QString& text);

    // Height below which the text would be cut; smaller heights are raised.
    int MinimumHeight() const;
    TSpinButton* SpinButton() const { return spinButton_; }
    // The standard edit menu without Cut and Paste.
    QMenu* CreateContextMenu();
    // Refused input calls this; QApplication::beep unless replaced (tests).
    void SetBeep(std::function<void()> beep) { beep_ = std::move(beep); }

signals:
    void changed();
    void entered();
    void exited();
    void doubleClicked();
    // Every key, before the edit handles it (Qt key codes: Qt::Key_Return).
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    // Every accepted typed character ('\r' for Return, '\b' for Backspace);
    // setting *swallow to true keeps it from the edit.
    void keyPress(QChar key, bool* swallow);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Step(double delta);
    void Beep() const;
    bool TypingAllowed(const QString& typed) const;
    bool FitsMaxLength(const QString& typed) const;
    void PlaceSpinButton();

    TSpinButton* spinButton_;
    std::function<void()> beep_;
    QString editMask_;
    bool editorEnabled_ = true;
    double increment_ = 1.0;
    double maxValue_ = 0.0;
    double minValue_ = 0.0;
    double previousValue_ = 0.0;
    int maxLength_ = 0;
};
