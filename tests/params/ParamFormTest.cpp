// The parameter windows inside the main window, driven by click and key
// against the in-process simulated amplifier.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "params/Fspinedit.h"
#include "params/ParamForm.h"
#include "params/ParamRules.h"
#include "shell/Mainform.h"
#include "sim/Amplifier.h"
#include "sim/SimLine.h"
#include "tests/support/ScriptedQuestions.h"

namespace {

// The family question's results: BX, DX, FX.
int FamilyAnswer(const std::string& family) {
    return family == "bx" ? mrYes : family == "dx" ? mrNo : mrOk;
}

// A main window on a simulated amplifier, started as the program starts.
struct Bench {
    explicit Bench(const std::string& family, int fxVersion = 0) {
        QDir data(SERVODESK_DATA_DIR);
        for (const QString& name : data.entryList(QDir::Files))
            QFile::copy(data.filePath(name), QDir(folder.path()).filePath(name));
        if (!sim::MakeProfile(family, fxVersion, profile)) qFatal("no simulated amplifier");
        amplifier = std::make_unique<sim::Amplifier>(profile, [this] { return clock.NowMs(); });
        line = std::make_unique<sim::SimLine>(*amplifier, &clock);
        questions.Answer(FamilyAnswer(family));

        MainFormSetup setup;
        setup.StartFolder = folder.path().toStdString() + "/";
        setup.PortOverride = line.get();
        setup.ClockOverride = &clock;
        setup.QuestionsOverride = &questions;
        setup.StartTimers = false;
        form = std::make_unique<TMainForm>(setup);
        form->FormCreate();
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

    // Chooses the group's menu item. Call it as QVERIFY(desk.Open(...)): a
    // window that did not open fails that one test case, while a null
    // window used further on would end the whole test program.
    bool Open(ParamGroup group, const char* item, TParamForm*& window) {
        window = nullptr;
        QAction* action = form->Action(item);
        if (action == nullptr) return false;
        action->trigger();
        window = form->ParamForm(group);
        return window != nullptr;
    }

    int Address(ParamGroup group, int index) const {
        return std::stoi(EntryAddress(form->Map(), group, index), nullptr, 16);
    }

    QTemporaryDir folder;
    ManualClock clock;
    sim::Profile profile;
    std::unique_ptr<sim::Amplifier> amplifier;
    std::unique_ptr<sim::SimLine> line;
    ScriptedQuestions questions;
    std::unique_ptr<TMainForm> form;
};

QRect ValueCell(QTableWidget* grid, int index) {
    return grid->visualItemRect(grid->item(index + 1, 1));
}

// Clicks the value cell of an entry, as the user does.
void ClickValue(QTableWidget* grid, int index) {
    grid->scrollToItem(grid->item(index + 1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, ValueCell(grid, index).center());
}

// Replaces the editor's text by typing.
void TypeInto(TFSpinEdit* editor, const QString& text) {
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, text);
}

TFSpinEdit* EditorOf(TParamForm* window, int index) {
    return window->findChild<TFSpinEdit*>(QString("FSpinEdit%1").arg(index + 1));
}

}  // namespace

class ParamFormTest : public QObject {
    Q_OBJECT

private slots:
    // BX speed entry 5 set to 3000: the grid shows it, the write is queued
    // and the timer writes 3000 at the entry (RAM and EEPROM) and
    // trunc(858993459 / 3000) at "DA".
    void EditAndWriteBxSpeed() {
        Bench desk("bx");
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::Speed, "M22SpeedParam", window));
        QVERIFY(desk.form->State().SpeedFormOpen);
        QTableWidget* grid = window->Grid();
        QCOMPARE(grid->objectName(), QString("SpeedGrid"));
        QCOMPARE(grid->rowCount(), 23);
        QCOMPARE(grid->columnCount(), 3);
        // The whole client area shows inside the frame.
        QCOMPARE(window->widget()->size(), QSize(779, 400));
        QVERIFY(window->rect().contains(window->widget()->geometry()));

        TFSpinEdit* editor = EditorOf(window, 5);
        QVERIFY(!editor->isVisible());
        ClickValue(grid, 5);
        QVERIFY(editor->isVisible());
        QVERIFY(editor->hasFocus());
        QCOMPARE(window->TipMemo()->toPlainText().split('\n').first(),
                 QString::fromStdString(desk.form->Catalogue().Msg(876)));

        TypeInto(editor, "3000");
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!editor->hasFocus());
        QCOMPARE(grid->item(6, 1)->text(), QString("3000"));
        const auto& pending = desk.form->Writer().PendingWrite();
        QCOMPARE(pending.size(), std::size_t{1});
        QCOMPARE(pending.front().Index, 5);
        QCOMPARE(pending.front().Raw, 3000);
        QCOMPARE(pending.front().WriteMode, WriteSpeedBx);

        desk.form->WriteParamTimerTimer();
        QVERIFY(!desk.form->Writer().WritePending());
        const int address = desk.Address(ParamGroup::Speed, 5);
        QCOMPARE(int(desk.amplifier->Ram(address)), 3000);
        QCOMPARE(int(desk.amplifier->Eeprom(address)), 3000);
        const int da = (desk.amplifier->Ram(0xDA) << 16) | desk.amplifier->Ram(0xDB);
        QCOMPARE(da, 286331);
    }

    // Only looking at a cell writes nothing: the cell shows a rounded value,
    // and leaving its editor unchanged must not replace the amplifier's
    // setting by the rounding (nor write a follow-up).
    void LeavingAnUnchangedEditorWritesNothing() {
        struct Case {
            ParamGroup group;
            const char* item;
            int index;
            std::uint16_t raw;
            const char* shown;
        };
        const Case cases[] = {
            {ParamGroup::System, "M21SystemParam", 8, 100, "1"},
            {ParamGroup::System, "M21SystemParam", 1, 15, "2"},
            {ParamGroup::Torque, "M23TorqueParam", 1, 1000, "128"},
            {ParamGroup::Position, "M24PositionParam", 8, 1, "0"},
        };
        for (const Case& c : cases) {
            Bench desk("bx");
            const int address = desk.Address(c.group, c.index);
            desk.amplifier->SetEeprom(address, c.raw);
            desk.amplifier->SetRam(address, c.raw);
            TParamForm* window = nullptr;
            QVERIFY(desk.Open(c.group, c.item, window));
            QCOMPARE(window->Grid()->item(c.index + 1, 1)->text(), QString(c.shown));
            const long requests = desk.amplifier->RequestCount();
            ClickValue(window->Grid(), c.index);
            QVERIFY(window->Editor(c.index)->hasFocus());
            ClickValue(window->Grid(), c.index - 1);
            window->close();
            desk.form->WriteParamTimerTimer();
            QCOMPARE(desk.amplifier->RequestCount(), requests);
            QCOMPARE(int(desk.amplifier->Eeprom(address)), int(c.raw));
        }
    }

    // A cleared editor writes the minimum; a typed value above the maximum
    // writes the maximum and the grid shows it.
    void ClearedAndTooLargeAreClamped() {
        Bench desk("bx");
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::Speed, "M22SpeedParam", window));
        QTableWidget* grid = window->Grid();
        TFSpinEdit* editor = EditorOf(window, 5);  // 1 ... 10000
        ClickValue(grid, 5);
        TypeInto(editor, "");
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(desk.form->Writer().PendingWrite().back().Raw, 1);
        QCOMPARE(grid->item(6, 1)->text(), QString("1"));

        ClickValue(grid, 5);
        TypeInto(editor, "99999");
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(desk.form->Writer().PendingWrite().back().Raw, 10000);
        QCOMPARE(grid->item(6, 1)->text(), QString("10000"));
        QCOMPARE(editor->text(), QString("10000"));

        desk.form->WriteParamTimerTimer();
        QCOMPARE(int(desk.amplifier->Ram(desk.Address(ParamGroup::Speed, 5))), 10000);
    }

    // The first speed editor stores and queues on Return and keeps the focus.
    void SpeedFirstEditorTakesReturnInPlace() {
        Bench desk("dx");
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::Speed, "M22SpeedParam", window));
        QTableWidget* grid = window->Grid();
        TFSpinEdit* editor = EditorOf(window, 0);
        ClickValue(grid, 0);
        TypeInto(editor, "-1234");
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(editor->hasFocus());
        QCOMPARE(desk.form->Writer().PendingWrite().size(), std::size_t{1});
        QCOMPARE(desk.form->Writer().PendingWrite().front().Raw, -1234);
        QCOMPARE(desk.form->Writer().PendingWrite().front().WriteMode, WriteRamOnly);
    }

    // A disabled entry has empty cells and its editor never shows.
    void DisabledEntryStaysEmpty() {
        Bench desk("bx");
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::Speed, "M22SpeedParam", window));
        QTableWidget* grid = window->Grid();
        QVERIFY(!EntryEnabled(desk.form->Map(), ParamGroup::Speed, 15));
        for (int column = 0; column < 3; ++column)
            QCOMPARE(grid->item(16, column)->text(), QString());
        ClickValue(grid, 15);
        QVERIFY(!EditorOf(window, 15)->isVisible());
        QVERIFY(desk.form->Writer().PendingWrite().empty());
        // The enabled neighbour is filled.
        QVERIFY(!grid->item(15, 0)->text().isEmpty());
        QVERIFY(!grid->item(15, 2)->text().isEmpty());
    }

    // The editor covers its cell and the grid lines after it, and its font
    // lets it keep the row height.
    void EditorSitsOverItsCell() {
        for (const char* family : {"bx", "dx", "fx"}) {
            Bench desk(family);
            TParamForm* window = nullptr;
            QVERIFY(desk.Open(ParamGroup::System, "M21SystemParam", window));
            QTableWidget* grid = window->Grid();
            for (int index : {0, 8, 16}) {
                if (!EntryEnabled(desk.form->Map(), ParamGroup::System, index)) continue;
                ClickValue(grid, index);
                TFSpinEdit* editor = EditorOf(window, index);
                const QRect cell = ValueCell(grid, index);
                QVERIFY(editor->isVisible());
                QCOMPARE(editor->mapTo(grid, QPoint(0, 0)),
                         grid->viewport()->mapTo(grid, cell.topLeft()));
                QCOMPARE(editor->size(), QSize(grid->columnWidth(1), TParamForm::RowHeight));
                QVERIFY(editor->MinimumHeight() <= TParamForm::RowHeight);
            }
        }
    }

    // A failed group read beeps and shows message 167 as an error with one
    // button captioned by message 73; the window stays closed.
    void FailedReadLeavesWindowClosed() {
        Bench desk("bx");
        desk.amplifier->SetCablePulled(true);
        const std::size_t asked = desk.questions.AskedQuestions().size();
        TParamForm* window = nullptr;
        QVERIFY(!desk.Open(ParamGroup::Torque, "M23TorqueParam", window));
        QVERIFY(!desk.form->State().TorqueFormOpen);
        QCOMPARE(desk.questions.AskedQuestions().size(), asked + 1);
        const auto& question = desk.questions.Last();
        QVERIFY(question.custom);
        QCOMPARE(question.text, desk.form->Catalogue().Msg(167));
        QCOMPARE(question.kind, DialogKind::Error);
        QCOMPARE(question.buttons, std::vector<int>{0});
        QCOMPARE(desk.questions.Beeps(), 1);
        QCOMPARE(question.captions.First, 73);
        QVERIFY(desk.form->findChild<QTableWidget*>("TorqueGrid") == nullptr);
    }

    // Close clears the open flag; while the window is open a second choice of
    // the item neither reads nor opens another window.
    void CloseClearsFlagAndReopenReadsAgain() {
        Bench desk("dx");
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::Position, "M24PositionParam", window));
        const long requests = desk.amplifier->RequestCount();
        TParamForm* again = nullptr;
        QVERIFY(desk.Open(ParamGroup::Position, "M24PositionParam", again));
        QCOMPARE(again, window);
        QCOMPARE(desk.amplifier->RequestCount(), requests);
        QCOMPARE(desk.form->findChildren<TParamForm*>().size(), qsizetype{1});

        QPointer<TParamForm> watched(window);
        QTest::mouseClick(window->findChild<QPushButton*>("PosParCloseBtn"), Qt::LeftButton);
        QVERIFY(!desk.form->State().PositionFormOpen);
        QTRY_VERIFY(watched.isNull());
        QVERIFY(desk.Open(ParamGroup::Position, "M24PositionParam", again));
        QVERIFY(desk.amplifier->RequestCount() > requests);
    }

    // An edit queued when the window closes reaches the amplifier before
    // the next group read, so reopening shows it rather than the old value.
    void QueuedEditSurvivesReopen() {
        Bench desk("dx");
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::Torque, "M23TorqueParam", window));
        QTableWidget* grid = window->Grid();
        ClickValue(grid, 0);
        TypeInto(EditorOf(window, 0), "4321");
        window->findChild<QPushButton*>("TrqParCloseBtn")->click();
        QVERIFY(desk.form->Writer().WritePending());
        QVERIFY(desk.Open(ParamGroup::Torque, "M23TorqueParam", window));
        QVERIFY(!desk.form->Writer().WritePending());
        grid = window->Grid();
        QCOMPARE(grid->item(1, 1)->text(), QString("4321"));
        QCOMPARE(int(desk.amplifier->Ram(desk.Address(ParamGroup::Torque, 0))), 4321);
    }

    // A write the amplifier did not take turns the value cell red until a
    // later write of the entry succeeds.
    void FailedWriteIsMarked() {
        Bench desk("dx");
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::Speed, "M22SpeedParam", window));
        QTableWidget* grid = window->Grid();
        const QBrush plain = grid->item(3, 1)->background();
        ClickValue(grid, 2);
        TypeInto(EditorOf(window, 2), "100");
        QTest::keyClick(EditorOf(window, 2), Qt::Key_Return);
        desk.amplifier->SetCablePulled(true);
        desk.form->WriteParamTimerTimer();
        window->RefreshDisplayData();
        QVERIFY(grid->item(3, 1)->background() != plain);
        QCOMPARE(grid->item(3, 1)->text(), QString("100"));

        // Entered and left unchanged: nothing is written, the mark stays.
        desk.amplifier->SetCablePulled(false);
        desk.form->State().CommErrorLatched = false;
        ClickValue(grid, 2);
        QTest::keyClick(EditorOf(window, 2), Qt::Key_Return);
        desk.form->WriteParamTimerTimer();
        window->RefreshDisplayData();
        QVERIFY(grid->item(3, 1)->background() != plain);

        ClickValue(grid, 2);
        TypeInto(EditorOf(window, 2), "101");
        QTest::keyClick(EditorOf(window, 2), Qt::Key_Return);
        desk.form->WriteParamTimerTimer();
        window->RefreshDisplayData();
        QCOMPARE(grid->item(3, 1)->background(), plain);
    }

    // A value that cannot be shown ("----") is not written when its editor
    // is entered and left without typing.
    void PlaceholderLeftUntouchedWritesNothing() {
        Bench desk("bx");
        desk.amplifier->SetEeprom(desk.Address(ParamGroup::Speed, 11), 0);
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::Speed, "M22SpeedParam", window));
        QTableWidget* grid = window->Grid();
        QCOMPARE(grid->item(12, 1)->text(), QString(ValuePlaceholder));
        ClickValue(grid, 11);
        QCOMPARE(EditorOf(window, 11)->text(), QString());
        ClickValue(grid, 12);
        const auto& pending = desk.form->Writer().PendingWrite();
        QVERIFY(std::none_of(pending.begin(), pending.end(),
                             [](const ParamWriteRecord& r) { return r.Index == 11; }));
        QCOMPARE(grid->item(12, 1)->text(), QString(ValuePlaceholder));
    }

    // FX Position entries 4 and 5 are one word: going straight from an edit
    // of entry 4 to entry 5 starts entry 5 from the new value, so leaving it
    // unchanged does not write the old one back.
    void EntryAtTheSameAddressStartsFromTheEdit() {
        Bench desk("fx", 30);
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::Position, "M24PositionParam", window));
        QTableWidget* grid = window->Grid();
        ClickValue(grid, 4);
        TypeInto(EditorOf(window, 4), "123");
        ClickValue(grid, 5);
        QCOMPARE(EditorOf(window, 5)->text(), QString("123"));
        ClickValue(grid, 6);
        QCOMPARE(grid->item(6, 1)->text(), QString("123"));
        desk.form->WriteParamTimerTimer();
        QCOMPARE(int(desk.amplifier->Ram(desk.Address(ParamGroup::Position, 5))), 123);
    }

    // The range cell shows the limits SetSpinEditValue is given, in the
    // entry's range format, as the editor enforces them.
    void RangeCellShowsTheLimitsGiven() {
        Bench desk("dx");
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::System, "M21SystemParam", window));
        QTableWidget* grid = window->Grid();
        window->SetSpinEditValue(10, 431, 433, 50, 2.5);
        QVERIFY(grid->item(11, 2)->text().startsWith("2.5 -- 50.0 "));
        QCOMPARE(EditorOf(window, 10)->MaxValue(), 50.0);
        QCOMPARE(EditorOf(window, 10)->MinValue(), 2.5);
    }

    // Names, titles and buttons follow the language; entries the amplifier
    // lacks have no name.
    void ChangeLanguageFillsTexts() {
        Bench desk("fx", 25);
        TParamForm* window = nullptr;
        QVERIFY(desk.Open(ParamGroup::Speed, "M22SpeedParam", window));
        QTableWidget* grid = window->Grid();
        const MessageCatalogue& catalogue = desk.form->Catalogue();
        QCOMPARE(grid->item(0, 0)->text().toStdString(), catalogue.Msg(231));
        QCOMPARE(grid->item(1, 0)->text().toStdString(), catalogue.Msg(234));
        QCOMPARE(grid->item(16, 0)->text().toStdString(), catalogue.Msg(249));  // entry 15
        QCOMPARE(grid->item(14, 0)->text(), QString());  // entry 13 before version 27
        QCOMPARE(window->findChild<QPushButton*>("SpdParHelpBtn")->text().toStdString(),
                 catalogue.Msg(343));

        desk.form->LanguageClick(0);
        QCOMPARE(grid->item(0, 0)->text().toStdString(), desk.form->Catalogue().Msg(231));
        QCOMPARE(window->findChild<QPushButton*>("SpdParCloseBtn")->text().toStdString(),
                 desk.form->Catalogue().Msg(346));
        QVERIFY(grid->item(0, 0)->text() != QString("Speed parameter"));
    }
};

QTEST_MAIN(ParamFormTest)
#include "ParamFormTest.moc"
