// The floating-point spin edit driven by keys and clicks as a user would.
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

#include "params/Fspinedit.h"
#include "widgets/SpinButton.h"

namespace {

// An editor in a shown, active window with a second focusable widget, and a
// beep counter in place of the system sound.
struct Fixture {
    QWidget window;
    TFSpinEdit* edit = new TFSpinEdit(&window);
    QLineEdit* other = new QLineEdit(&window);
    int beeps = 0;

    Fixture(double minValue, double maxValue, double increment = 1.0) {
        edit->setGeometry(10, 10, 166, 25);
        other->setGeometry(10, 50, 100, 25);
        edit->SetMinValue(minValue);
        edit->SetMaxValue(maxValue);
        edit->SetIncrement(increment);
        edit->SetBeep([this] { ++beeps; });
        window.resize(300, 100);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window)) qFatal("test window never became active");
        edit->setFocus(Qt::OtherFocusReason);
    }
    void Type(const QString& keys) { QTest::keyClicks(edit, keys); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(edit, key, mods); }
    void ClickButton(bool up) {
        TSpinButton* button = edit->SpinButton();
        const int y = up ? 2 : button->height() - 3;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, y));
    }
};

QRect CursorRect(TFSpinEdit* edit) {
    return edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
}

}  // namespace

class FSpinEditTest : public QObject {
    Q_OBJECT
private slots:
    void TypingAcceptsOnlyNumberCharacters();
    void ReturnAndBackspaceAreAcceptedAndReported();
    void MaxLengthLimitsTypingNotSetText();
    void EditorDisabledRefusesTyping();
    void ArrowKeysStepAndStopAtLimits();
    void SpinButtonStepsAndStopsAtLimits();
    void StepsWithThousandthIncrement();
    void StepReachesALimitDespiteRounding();
    void EmptyTextStepsFromMinimum();
    void ReadOnlyStepBeepsAndKeepsValue();
    void SetValueRefusesValuesOutsideLimits();
    void CheckValueAtAndBeyondLimits();
    void EqualLimitsAdmitOnlyThatValue();
    void TextThatIsNotANumberBecomesMinimum();
    void FormatsShortestWithFifteenDigits();
    void PasteAndCutKeysAreRefused();
    void ContextMenuOffersNoCutOrPaste();
    void MiddleButtonDoesNotPaste();
    void TextStaysClearOfButtonAtEveryWidth();
    void HeightIsRaisedToMinimum();
    void FocusChangesEmitEnteredAndExited();
    void DoubleClickIsReported();
};

void FSpinEditTest::TypingAcceptsOnlyNumberCharacters() {
    Fixture f(-100, 100);
    f.edit->clear();
    f.Type(QStringLiteral("1.5"));
    QCOMPARE(f.edit->text(), QStringLiteral("1.5"));
    QCOMPARE(f.beeps, 0);
    f.Type(QStringLiteral(","));
    QCOMPARE(f.edit->text(), QStringLiteral("1.5"));
    QCOMPARE(f.beeps, 1);
    f.Type(QStringLiteral("a+ e"));
    QCOMPARE(f.edit->text(), QStringLiteral("1.5"));
    QCOMPARE(f.beeps, 5);
    // Signs and points are not checked for position or count while typing.
    f.Type(QStringLiteral("-.-"));
    QCOMPARE(f.edit->text(), QStringLiteral("1.5-.-"));
    QCOMPARE(f.beeps, 5);
    // Keys that type nothing (cursor movement, Delete) are not refused.
    f.Key(Qt::Key_Home);
    f.Key(Qt::Key_Delete);
    QCOMPARE(f.edit->text(), QStringLiteral(".5-.-"));
    QCOMPARE(f.beeps, 5);
}

void FSpinEditTest::ReturnAndBackspaceAreAcceptedAndReported() {
    Fixture f(0, 100);
    QList<QChar> pressed;
    bool swallowReturn = false;
    QObject::connect(f.edit, &TFSpinEdit::keyPress, [&](QChar key, bool* swallow) {
        pressed.append(key);
        if (key == QLatin1Char('\r')) *swallow = swallowReturn;
    });
    QSignalSpy returns(f.edit, &QLineEdit::returnPressed);
    QSignalSpy keyDowns(f.edit, &TFSpinEdit::keyDown);
    f.edit->setText(QStringLiteral("12"));
    f.Key(Qt::Key_Backspace);
    QCOMPARE(f.edit->text(), QStringLiteral("1"));
    f.Key(Qt::Key_Return);
    QCOMPARE(returns.count(), 1);
    swallowReturn = true;
    f.Key(Qt::Key_Return);
    QCOMPARE(returns.count(), 1);
    QCOMPARE(f.beeps, 0);
    QCOMPARE(pressed, (QList<QChar>{QLatin1Char('\b'), QLatin1Char('\r'), QLatin1Char('\r')}));
    QCOMPARE(keyDowns.count(), 3);
    QCOMPARE(keyDowns.at(1).at(0).toInt(), int(Qt::Key_Return));
    // A refused character reaches neither the owner nor the text.
    f.Type(QStringLiteral("x"));
    QCOMPARE(pressed.size(), 3);
}

void FSpinEditTest::MaxLengthLimitsTypingNotSetText() {
    Fixture f(-3000, 3000);
    f.edit->SetMaxLength(4);
    f.edit->clear();
    f.Type(QStringLiteral("12345"));
    QCOMPARE(f.edit->text(), QStringLiteral("1234"));
    QCOMPARE(f.beeps, 1);
    f.edit->selectAll();
    f.Type(QStringLiteral("9"));
    QCOMPARE(f.edit->text(), QStringLiteral("9"));
    f.edit->SetValue(-3000);
    QCOMPARE(f.edit->text(), QStringLiteral("-3000"));
    f.Key(Qt::Key_Backspace);
    QCOMPARE(f.edit->text(), QStringLiteral("-300"));
    f.edit->SetMaxLength(0);
    f.Type(QStringLiteral("0000"));
    QCOMPARE(f.edit->text(), QStringLiteral("-3000000"));
}

void FSpinEditTest::EditorDisabledRefusesTyping() {
    Fixture f(0, 10);
    f.edit->SetEditorEnabled(false);
    f.edit->setText(QStringLiteral("5"));
    f.Type(QStringLiteral("7"));
    f.Key(Qt::Key_Backspace);
    f.Key(Qt::Key_Home);
    f.Key(Qt::Key_Delete);
    QCOMPARE(f.edit->text(), QStringLiteral("5"));
    QCOMPARE(f.beeps, 3);
    f.Key(Qt::Key_Up);
    QCOMPARE(f.edit->text(), QStringLiteral("6"));
}

void FSpinEditTest::ArrowKeysStepAndStopAtLimits() {
    Fixture f(1, 10);
    f.edit->setText(QStringLiteral("10"));
    f.Key(Qt::Key_Up);
    QCOMPARE(f.edit->text(), QStringLiteral("10"));
    f.Key(Qt::Key_Down);
    QCOMPARE(f.edit->text(), QStringLiteral("9"));
    f.edit->setText(QStringLiteral("2"));
    f.Key(Qt::Key_Down);
    f.Key(Qt::Key_Down);
    QCOMPARE(f.edit->text(), QStringLiteral("1"));
    QCOMPARE(f.beeps, 0);
}

void FSpinEditTest::SpinButtonStepsAndStopsAtLimits() {
    Fixture f(-2, 2, 2);
    f.ClickButton(true);
    QCOMPARE(f.edit->text(), QStringLiteral("2"));
    f.ClickButton(true);
    QCOMPARE(f.edit->text(), QStringLiteral("2"));
    f.ClickButton(false);
    f.ClickButton(false);
    QCOMPARE(f.edit->text(), QStringLiteral("-2"));
    f.ClickButton(false);
    QCOMPARE(f.edit->text(), QStringLiteral("-2"));
    // The button leaves the keyboard focus in the editor.
    QVERIFY(f.edit->hasFocus());
}

void FSpinEditTest::StepsWithThousandthIncrement() {
    Fixture f(0, 1, 0.001);
    f.Key(Qt::Key_Up);
    f.Key(Qt::Key_Up);
    QCOMPARE(f.edit->text(), QStringLiteral("0.002"));
    f.edit->setText(QStringLiteral("0.5"));
    f.Key(Qt::Key_Down);
    QCOMPARE(f.edit->text(), QStringLiteral("0.499"));
    f.edit->setText(QStringLiteral("0.999"));
    f.Key(Qt::Key_Up);
    QCOMPARE(f.edit->text(), QStringLiteral("1"));
    f.Key(Qt::Key_Up);
    QCOMPARE(f.edit->text(), QStringLiteral("1"));
    QCOMPARE(f.edit->GetValue(), 1.0);
}

void FSpinEditTest::StepReachesALimitDespiteRounding() {
    // 0.2 + 0.1 is 0.30000000000000004 in binary, just above the limit.
    Fixture f(0, 0.3, 0.1);
    f.edit->setText(QStringLiteral("0.2"));
    f.Key(Qt::Key_Up);
    QCOMPARE(f.edit->text(), QStringLiteral("0.3"));
    f.edit->SetMinValue(0.3);
    f.edit->SetMaxValue(0.7);
    f.edit->setText(QStringLiteral("0.4"));
    f.Key(Qt::Key_Down);
    QCOMPARE(f.edit->text(), QStringLiteral("0.3"));
}

void FSpinEditTest::EmptyTextStepsFromMinimum() {
    Fixture f(-3000, 3000);
    f.edit->clear();
    f.Key(Qt::Key_Up);
    QCOMPARE(f.edit->text(), QStringLiteral("-2999"));
    f.edit->clear();
    f.ClickButton(false);  // below the minimum: refused, text stays at it
    QCOMPARE(f.edit->text(), QStringLiteral("-3000"));
}

void FSpinEditTest::ReadOnlyStepBeepsAndKeepsValue() {
    Fixture f(0, 10);
    f.edit->setText(QStringLiteral("4"));
    f.edit->setReadOnly(true);
    f.Key(Qt::Key_Up);
    f.ClickButton(false);
    QCOMPARE(f.edit->text(), QStringLiteral("4"));
    QCOMPARE(f.beeps, 2);
}

void FSpinEditTest::SetValueRefusesValuesOutsideLimits() {
    TFSpinEdit edit;
    edit.SetMinValue(0);
    edit.SetMaxValue(10);
    edit.SetValue(5);
    QCOMPARE(edit.text(), QStringLiteral("5"));
    edit.SetValue(11);
    QCOMPARE(edit.text(), QStringLiteral("5"));
    edit.SetValue(-0.5);
    QCOMPARE(edit.text(), QStringLiteral("5"));
    edit.SetValue(std::nan(""));
    QCOMPARE(edit.text(), QStringLiteral("5"));
    QCOMPARE(edit.PreviousValue(), 5.0);
    edit.SetValue(10);
    QCOMPARE(edit.text(), QStringLiteral("10"));
    QCOMPARE(edit.PreviousValue(), 5.0);
    QCOMPARE(edit.GetValue(), 10.0);
}

void FSpinEditTest::CheckValueAtAndBeyondLimits() {
    TFSpinEdit edit;
    edit.SetMinValue(-1.5);
    edit.SetMaxValue(2.5);
    edit.SetValue(1);
    edit.SetValue(2);  // previous value is now 1
    QCOMPARE(edit.CheckValue(-1.5), -1.5);
    QCOMPARE(edit.CheckValue(2.5), 2.5);
    QCOMPARE(edit.CheckValue(0.25), 0.25);
    QCOMPARE(edit.CheckValue(2.5000001), 1.0);
    QCOMPARE(edit.CheckValue(-1.6), 1.0);
    QCOMPARE(edit.CheckValue(INFINITY), 1.0);
    QCOMPARE(edit.CheckValue(std::nan("")), 1.0);
}

void FSpinEditTest::EqualLimitsAdmitOnlyThatValue() {
    TFSpinEdit edit;  // both limits 0
    QCOMPARE(edit.text(), QStringLiteral("0"));
    edit.SetValue(5);
    QCOMPARE(edit.text(), QStringLiteral("0"));
    edit.UpClick();
    QCOMPARE(edit.text(), QStringLiteral("0"));
    edit.SetMinValue(7);
    edit.SetMaxValue(7);
    edit.SetValue(7);
    QCOMPARE(edit.text(), QStringLiteral("7"));
    edit.SetValue(7.5);
    QCOMPARE(edit.text(), QStringLiteral("7"));
}

void FSpinEditTest::TextThatIsNotANumberBecomesMinimum() {
    TFSpinEdit edit;
    edit.SetMinValue(2);
    edit.SetMaxValue(50);
    for (const char* bad : {"abc", "", "-", ".", "1.2.3", "--4", "inf", "nan"}) {
        edit.setText(QString::fromLatin1(bad));
        QCOMPARE(edit.GetValue(), 2.0);
        QCOMPARE(edit.text(), QStringLiteral("2"));
    }
    // Refused SetValue on such a text falls back to the repaired minimum.
    edit.setText(QStringLiteral("x"));
    edit.SetValue(100);
    QCOMPARE(edit.text(), QStringLiteral("2"));
    edit.setText(QStringLiteral(" -0.25e1 "));
    QCOMPARE(edit.GetValue(), -2.5);
}

void FSpinEditTest::FormatsShortestWithFifteenDigits() {
    QCOMPARE(TFSpinEdit::FormatValue(1.0), QStringLiteral("1"));
    QCOMPARE(TFSpinEdit::FormatValue(0.001), QStringLiteral("0.001"));
    QCOMPARE(TFSpinEdit::FormatValue(-3000), QStringLiteral("-3000"));
    QCOMPARE(TFSpinEdit::FormatValue(0.1 + 0.2), QStringLiteral("0.3"));
    QCOMPARE(TFSpinEdit::FormatValue(1.0 / 3), QStringLiteral("0.333333333333333"));
    QCOMPARE(TFSpinEdit::FormatValue(123456.789), QStringLiteral("123456.789"));
    // The decimal point does not follow the user's locale.
    QLocale::setDefault(QLocale(QLocale::German));
    QCOMPARE(TFSpinEdit::FormatValue(2.5), QStringLiteral("2.5"));
    QLocale::setDefault(QLocale::c());
}

void FSpinEditTest::PasteAndCutKeysAreRefused() {
    Fixture f(0, 1000);
    QGuiApplication::clipboard()->setText(QStringLiteral("987"));
    f.edit->setText(QStringLiteral("12"));
    f.edit->selectAll();
    f.Key(Qt::Key_V, Qt::ControlModifier);
    f.Key(Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(f.edit->text(), QStringLiteral("12"));
    f.Key(Qt::Key_X, Qt::ControlModifier);
    f.Key(Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(f.edit->text(), QStringLiteral("12"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("987"));
    QCOMPARE(f.beeps, 4);
    // Copy stays available.
    f.edit->selectAll();
    f.Key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("12"));
}

void FSpinEditTest::ContextMenuOffersNoCutOrPaste() {
    Fixture f(0, 1000);
    QGuiApplication::clipboard()->setText(QStringLiteral("987"));
    f.edit->selectAll();
    std::unique_ptr<QMenu> menu(f.edit->CreateContextMenu());
    QStringList names;
    for (const QAction* action : menu->actions()) names << action->objectName();
    QCOMPARE(names, (QStringList{"edit-undo", "edit-redo", "", "edit-copy", "edit-delete", "",
                                 "select-all"}));
    for (const QAction* action : menu->actions()) {
        const QKeySequence shortcut = action->shortcut();
        QVERIFY(shortcut != QKeySequence(QKeySequence::Paste));
        QVERIFY(shortcut != QKeySequence(QKeySequence::Cut));
    }
    // What the menu does offer works on the editor.
    menu->actions().at(3)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("0"));
    menu->actions().at(4)->trigger();
    QCOMPARE(f.edit->text(), QString());
}

void FSpinEditTest::MiddleButtonDoesNotPaste() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) QSKIP("no selection clipboard on this platform");
    Fixture f(0, 1000);
    clipboard->setText(QStringLiteral("987"), QClipboard::Selection);
    f.edit->setText(QStringLiteral("12"));
    QTest::mouseClick(f.edit, Qt::MiddleButton, {}, QPoint(5, 5));
    QCOMPARE(f.edit->text(), QStringLiteral("12"));
}

void FSpinEditTest::TextStaysClearOfButtonAtEveryWidth() {
    Fixture f(0, 1e30);
    f.edit->setText(QStringLiteral("12345678901234567890123456789"));
    for (int width : {45, 60, 80, 166, 300}) {
        f.edit->resize(width, 25);
        QApplication::processEvents();
        const QRect button = f.edit->SpinButton()->geometry();
        QVERIFY2(button.right() < width, qPrintable(QString::number(width)));
        QVERIFY(button.left() > width - TFSpinEdit::kButtonWidth - 5);
        QCOMPARE(button.top() + button.bottom(), f.edit->height() - 1);  // centred
        QVERIFY(button.height() >= f.edit->height() - 6);
        f.edit->end(false);
        QVERIFY2(CursorRect(f.edit).right() < button.left(), qPrintable(QString::number(width)));
    }
}

void FSpinEditTest::HeightIsRaisedToMinimum() {
    TFSpinEdit edit;
    edit.resize(100, 4);
    QCOMPARE(edit.height(), edit.MinimumHeight());
    QVERIFY(edit.MinimumHeight() > edit.fontMetrics().height());
    QFont large = edit.font();
    large.setPixelSize(30);
    edit.setFont(large);
    QVERIFY(edit.MinimumHeight() >= 30);
    QCOMPARE(edit.height(), edit.MinimumHeight());
    QCOMPARE(edit.SpinButton()->geometry().bottom(), edit.height() - 1 - edit.SpinButton()->y());
}

void FSpinEditTest::FocusChangesEmitEnteredAndExited() {
    Fixture f(0, 10);
    QSignalSpy entered(f.edit, &TFSpinEdit::entered);
    QSignalSpy exited(f.edit, &TFSpinEdit::exited);
    f.other->setFocus(Qt::TabFocusReason);
    QCOMPARE(exited.count(), 1);
    f.edit->setFocus(Qt::MouseFocusReason);
    QCOMPARE(entered.count(), 1);
    // A popup taking the focus for a moment is not leaving the editor.
    QFocusEvent popupOut(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(f.edit, &popupOut);
    QCOMPARE(exited.count(), 1);
}

void FSpinEditTest::DoubleClickIsReported() {
    Fixture f(0, 10);
    QSignalSpy doubles(f.edit, &TFSpinEdit::doubleClicked);
    QTest::mouseDClick(f.edit, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(doubles.count(), 1);
}

QTEST_MAIN(FSpinEditTest)
#include "FSpinEditTest.moc"
