#include "params/Fspinedit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>

#include "widgets/SpinButton.h"

namespace {

// The character a keystroke types, if any: Return and Backspace as their
// control characters, otherwise printable text typed without Ctrl/Alt/Meta.
QString TypedText(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return QStringLiteral("\r");
    if (event->key() == Qt::Key_Backspace) return QStringLiteral("\b");
    const auto commandKeys = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const QString text = event->text();
    if (text.isEmpty() || (event->modifiers() & commandKeys)) return {};
    const bool printable =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
    return printable ? text : QString();
}

bool IsPasteOrCut(const QKeyEvent* event) {
    return event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut);
}

// Keys that delete text without typing a character.
bool DeletesText(const QKeyEvent* event) {
    return event->key() == Qt::Key_Delete || event->matches(QKeySequence::DeleteEndOfWord) ||
           event->matches(QKeySequence::DeleteStartOfWord) ||
           event->matches(QKeySequence::DeleteEndOfLine) ||
           event->matches(QKeySequence::DeleteCompleteLine);
}

// Focus lost to a popup or to another top-level window is not leaving the
// editor: the user comes back to it as it was.
bool LeavesTheEditor(Qt::FocusReason reason) {
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

}  // namespace

TFSpinEdit::TFSpinEdit(QWidget* parent)
    : QLineEdit(parent), spinButton_(new TSpinButton(this)), beep_([] { QApplication::beep(); }) {
    setText(QStringLiteral("0"));
    // Dropped text would be a paste by another road.
    setAcceptDrops(false);
    setTextMargins(0, 0, kButtonWidth + 2, 0);
    setMinimumHeight(MinimumHeight());

    spinButton_->setObjectName(QStringLiteral("SpinButton"));
    spinButton_->setCursor(Qt::ArrowCursor);
    spinButton_->SetFocusControl(this);
    spinButton_->resize(kButtonWidth, 17);
    connect(spinButton_, &TSpinButton::upClick, this, &TFSpinEdit::UpClick);
    connect(spinButton_, &TSpinButton::downClick, this, &TFSpinEdit::DownClick);
    connect(this, &QLineEdit::textChanged, this, &TFSpinEdit::changed);
    PlaceSpinButton();
}

QString TFSpinEdit::FormatValue(double x) {
    return QString::number(x, 'g', 15);
}

std::optional<double> TFSpinEdit::ParseValue(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

double TFSpinEdit::GetValue() {
    if (const auto value = ParseValue(text())) return *value;
    setText(FormatValue(minValue_));
    return minValue_;
}

void TFSpinEdit::SetValue(double x) {
    previousValue_ = GetValue();
    setText(FormatValue(CheckValue(x)));
}

double TFSpinEdit::CheckValue(double x) const {
    // Written so that a NaN, which compares false, is refused too.
    if (!(x >= minValue_ && x <= maxValue_)) return previousValue_;
    return x;
}

bool TFSpinEdit::IsValidChar(QChar ch) const {
    return (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || ch == QLatin1Char('-') ||
           ch == QLatin1Char('.') || ch == QLatin1Char('\r') || ch == QLatin1Char('\b');
}

void TFSpinEdit::UpClick() {
    Step(increment_);
}

void TFSpinEdit::DownClick() {
    Step(-increment_);
}

void TFSpinEdit::Step(double delta) {
    if (text().isEmpty()) setText(FormatValue(minValue_));
    if (isReadOnly()) {
        Beep();
        return;
    }
    // The sum is taken to the 15 digits the text can show before the limit
    // check, so binary noise (0.2 + 0.1 = 0.30000000000000004) cannot keep a
    // step from reaching a limit it lands on.
    const double stepped = GetValue() + delta;
    SetValue(ParseValue(FormatValue(stepped)).value_or(stepped));
}

void TFSpinEdit::Beep() const {
    if (beep_) beep_();
}

bool TFSpinEdit::TypingAllowed(const QString& typed) const {
    if (!std::all_of(typed.begin(), typed.end(), [this](QChar c) { return IsValidChar(c); }))
        return false;
    // With the editor disabled only Return, which changes no text, gets through.
    return editorEnabled_ || typed == QStringLiteral("\r");
}

bool TFSpinEdit::FitsMaxLength(const QString& typed) const {
    if (maxLength_ == 0 || typed == QStringLiteral("\r") || typed == QStringLiteral("\b"))
        return true;
    return text().length() - selectedText().length() + typed.length() <= maxLength_;
}

void TFSpinEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) UpClick();
    if (event->key() == Qt::Key_Down) DownClick();
    emit keyDown(event->key(), event->modifiers());

    const QString typed = TypedText(event);
    const bool refused = IsPasteOrCut(event) || (!editorEnabled_ && DeletesText(event)) ||
                         (!typed.isEmpty() && !(TypingAllowed(typed) && FitsMaxLength(typed)));
    if (refused) {
        Beep();
        event->accept();
        return;
    }
    if (!typed.isEmpty()) {
        bool swallow = false;
        emit keyPress(typed.front(), &swallow);
        if (swallow) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

// Text composed by an input method obeys the same character rules as keys.
void TFSpinEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (!commit.isEmpty() && !(TypingAllowed(commit) && FitsMaxLength(commit))) {
        Beep();
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void TFSpinEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (LeavesTheEditor(event->reason())) emit entered();
}

void TFSpinEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (LeavesTheEditor(event->reason())) emit exited();
}

void TFSpinEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

// The middle button pastes the X selection; that paste is refused too.
void TFSpinEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

// Built here rather than taken from the standard menu, whose Cut and Paste
// entries cannot be told apart reliably once translated. The captions are the
// standard menu's, so that Qt's translation of the chosen language names them.
QMenu* TFSpinEdit::CreateContextMenu() {
    auto* menu = new QMenu(this);
    const bool editable = !isReadOnly();
    const auto add = [menu](const QString& name, const QString& caption, bool enabled,
                            QKeySequence::StandardKey key, auto slot) {
        QAction* action = menu->addAction(caption, slot);
        action->setObjectName(name);
        action->setEnabled(enabled);
        action->setShortcut(key);
        return action;
    };
    add(QStringLiteral("edit-undo"), QLineEdit::tr("&Undo"), editable && isUndoAvailable(),
        QKeySequence::Undo, [this] { undo(); });
    add(QStringLiteral("edit-redo"), QLineEdit::tr("&Redo"), editable && isRedoAvailable(),
        QKeySequence::Redo, [this] { redo(); });
    menu->addSeparator();
    add(QStringLiteral("edit-copy"), QLineEdit::tr("&Copy"), hasSelectedText(), QKeySequence::Copy,
        [this] { copy(); });
    add(QStringLiteral("edit-delete"), QLineEdit::tr("Delete"),
        editable && editorEnabled_ && hasSelectedText(), QKeySequence::UnknownKey,
        [this] { del(); });
    menu->addSeparator();
    add(QStringLiteral("select-all"), QLineEdit::tr("Select All"), !text().isEmpty(),
        QKeySequence::SelectAll, [this] { selectAll(); });
    return menu;
}

void TFSpinEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreateContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// Font height plus a quarter of the smaller of the application's and the
// editor's font heights, four border lines and two pixels.
int TFSpinEdit::MinimumHeight() const {
    const int fontHeight = fontMetrics().height();
    const int appFontHeight = QFontMetrics(QApplication::font()).height();
    return fontHeight + std::min(appFontHeight, fontHeight) / 4 + 4 + 2;
}

void TFSpinEdit::PlaceSpinButton() {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    spinButton_->setGeometry(width() - frame - kButtonWidth, frame, kButtonWidth,
                             height() - 2 * frame);
}

void TFSpinEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceSpinButton();
}

void TFSpinEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        setMinimumHeight(MinimumHeight());
        PlaceSpinButton();
    }
}
