// The monitoring windows offscreen, on the simulated amplifier: rows disabled
// per family, version and BX mode, Select All and Clear, the I/O panels, the
// alarm slots, and the help buttons.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "monitor/Alarm.h"
#include "monitor/Io.h"
#include "monitor/Monitor.h"
#include "monitor/MonitoringWindows.h"
#include "tests/monitor/MonitorTestSupport.h"
#include "tests/support/ChildPlacementCheck.h"
#include "widgets/StaleLook.h"

namespace {

struct MonitorDesk : MonitorBench {
    explicit MonitorDesk(const std::string& family, int fxVersion = 0, int mode = -1)
        : MonitorBench(family, fxVersion) {
        drive.state.CurrentMode = mode;
        form = new TMonitorForm(drive.state, poll, drive.catalogue);
        form->ChangeLanguage();
        drive.state.MonitorFormOpen = true;
    }
    ~MonitorDesk() { delete form; }
    std::vector<int> DisabledRows() const {
        std::vector<int> rows;
        for (int row = 1; row <= MonitorRowCount; ++row) {
            if (!form->CheckBox(row)->isEnabled()) rows.push_back(row);
        }
        return rows;
    }
    void Click(const char* button) { form->findChild<QPushButton*>(button)->click(); }
    MonitorPoll poll{*drive.link, drive.state, drive.map};
    TMonitorForm* form;
};

QString Help(QWidget* window, const char* button) {
    QString memo;
    QTimer::singleShot(0, [&memo] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        memo = modal->findChild<QPlainTextEdit*>("HelpMemo")->toPlainText();
        modal->findChild<QPushButton*>("OKButton")->click();
    });
    window->findChild<QPushButton*>(button)->click();
    return memo;
}

}  // namespace

class MonitorFormsTest : public QObject {
    Q_OBJECT
private slots:
    void DisabledRowsFollowFamilyVersionAndBxMode() {
        const struct {
            const char* family;
            int version;
            int mode;
            std::vector<int> disabled;
        } cases[] = {
            {"bx", 0, -1, {8, 9, 10, 15, 16, 17}},
            {"bx", 0, 0, {9, 15, 16, 17}},
            {"bx", 0, 2, {9, 10, 15, 16, 17}},
            {"dx", 0, -1, {15, 16, 17}},
            {"fx", 25, -1, {10, 15}},
            {"fx", 31, -1, {10}},
        };
        for (const auto& c : cases) {
            MonitorDesk desk(c.family, c.version, c.mode);
            QCOMPARE(desk.DisabledRows(), c.disabled);
            for (int row : c.disabled) QVERIFY(desk.form->UnitLabel(row)->isHidden());
        }
    }

    void SelectAllChecksOnlyEnabledRowsAndSelectsThemForThePoll() {
        MonitorDesk desk("bx", 0, -1);
        desk.Click("MoniSelectAllBtn");
        for (int row = 1; row <= MonitorRowCount; ++row) {
            const bool enabled = desk.form->CheckBox(row)->isEnabled();
            QCOMPARE(desk.form->CheckBox(row)->isChecked(), enabled);
            QCOMPARE(desk.poll.MonitorSelection[row - 1] == 1, enabled);
            QCOMPARE(desk.form->ValueLabel(row)->isHidden(), !enabled);
        }
        desk.Click("MoniClearBtn");
        for (int row = 1; row <= MonitorRowCount; ++row) {
            QVERIFY(!desk.form->CheckBox(row)->isChecked());
            QCOMPARE(desk.poll.MonitorSelection[row - 1], std::uint8_t{0});
            QVERIFY(desk.form->ValueLabel(row)->isHidden());
        }
    }

    void PolledValuesReachTheLabelsAtTheNextRefresh() {
        MonitorDesk desk("fx", 25);
        desk.SetWord(0x80, 1500);
        desk.form->CheckBox(1)->setChecked(true);
        desk.form->CheckBox(16)->setChecked(true);
        desk.form->RefreshDisplayData();
        desk.poll.MonitorTimerTimer();
        desk.form->RefreshDisplayData();
        QCOMPARE(desk.form->ValueLabel(1)->text(), QString("    1500"));
        QCOMPARE(desk.form->ValueLabel(16)->text(), QString("       0"));
        QCOMPARE(desk.form->ValueLabel(16)->objectName(), QString("Label31"));
        QCOMPARE(desk.form->UnitLabel(17)->objectName(), QString("Label34"));
        // Below version 26 rows 4 and 5 carry the regenerative and overload captions.
        QCOMPARE(desk.form->CheckBox(4)->text().toStdString(), desk.drive.Msg(116));
        QCOMPARE(desk.form->CheckBox(16)->text(), QString("Row 16"));
    }

    void CloseClearsTheOpenFlagAndHelpShowsItsLines() {
        MonitorDesk desk("dx");
        const QString memo = Help(desk.form, "MoniHelpBtn");
        QCOMPARE(memo.toStdString(), desk.drive.Msg(381) + "\n\n" + desk.drive.Msg(382));
        desk.form->show();
        QPointer<TMonitorForm> form = desk.form;
        desk.Click("MoniCloseBtn");
        QVERIFY(!desk.drive.state.MonitorFormOpen);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(form.isNull());
        desk.form = nullptr;
    }

    void IoPanelsAreUnknownUntilReadThenFollowTheWords() {
        MonitorBench bench("fx", 31);
        IODisplayPoll poll(*bench.drive.link, bench.drive.state, bench.drive.map);
        poll.Open();
        bench.drive.state.IOFormOpen = true;
        TIOForm form(bench.drive.state, poll, bench.drive.catalogue);
        form.ChangeLanguage();
        QCOMPARE(form.Panel(0)->text(), QString("----"));
        QCOMPARE(form.Redraws(), 0);

        bench.SetWord(0xC5, 0x0200);
        bench.SetWord(0xC6, 0x0000);
        poll.IODispalyTimerTimer();
        form.RefreshIODisplay();
        QCOMPARE(form.Panel(0)->text().toStdString(), bench.drive.Msg(83));
        QVERIFY(form.Panel(0)->styleSheet().contains("red"));
        QCOMPARE(form.Panel(1)->text().toStdString(), bench.drive.Msg(82));
        QVERIFY(form.Panel(1)->styleSheet().contains("lime"));
        QCOMPARE(form.Redraws(), IoPanelCount);

        // The same words again: nothing is redrawn.
        poll.IODispalyTimerTimer();
        form.RefreshIODisplay();
        QCOMPARE(form.Redraws(), IoPanelCount);

        // A language change keeps an input that is on red, with the on text.
        bench.drive.catalogue.Load(bench.drive.state.StartFolder, 0);
        form.ChangeLanguage();
        QCOMPARE(form.Panel(0)->text().toStdString(), bench.drive.Msg(83));
        QVERIFY(form.Panel(0)->styleSheet().contains("red"));
        QCOMPARE(form.findChild<QLabel*>("InputLabel1")->text().toStdString(),
                 bench.drive.Msg(202));
        const QString memo = Help(&form, "IOHelpBtn");
        QCOMPARE(memo.toStdString(), bench.drive.Msg(383) + "\n\n" + bench.drive.Msg(384));
    }

    void AlarmSlotsShowCodesTextsAndDashesAndClearGoesThroughTheTimer() {
        MonitorBench bench("dx");
        bench.SetWord(0x80, 0x1403);
        LongOperation operation;
        AlarmHistory history(*bench.drive.link, bench.drive.state, bench.drive.map,
                             bench.drive.panel, bench.drive.catalogue, operation);
        bench.drive.amplifier->SetObserver([&](const sim::ExchangeRecord& record) {
            if (DecodeRequest(record.request) == "R 83")
                bench.drive.amplifier->InjectFault(sim::Fault::NoReply, 1);
        });
        history.ReadAlarmCode();
        bench.drive.amplifier->SetObserver(nullptr);
        bench.drive.state.AlarmFormOpen = true;
        TAlarmForm form(bench.drive.state, history, bench.drive.catalogue);
        form.ChangeLanguage();
        QCOMPARE(form.CodeLabel(1)->text(), QString("0003"));
        QCOMPARE(form.MessageLabel(1)->text().toStdString(), bench.drive.Msg(154));
        QCOMPARE(form.CodeLabel(2)->text(), QString("0014"));
        QCOMPARE(form.MessageLabel(2)->text().toStdString(), bench.drive.Msg(120));
        QCOMPARE(form.CodeLabel(9)->text(), QString("----"));
        QCOMPARE(form.MessageLabel(9)->text(), QString());
        QCOMPARE(form.findChild<QLabel*>("AlarmUnread")->text(), QString());

        form.findChild<QPushButton*>("AlarmClearBtn")->click();
        QVERIFY(history.AlarmResetRequest);
        QCOMPARE(form.CodeLabel(1)->text(), QString("0003"));  // not before the timer
        bench.drive.state.CommErrorLatched = false;
        history.AlarmTimerTimer();
        form.RefreshDataTimer();
        QVERIFY(!history.AlarmDataReady);
        for (int slot = 1; slot <= AlarmSlotCount; ++slot) {
            QCOMPARE(form.CodeLabel(slot)->text(), QString("0000"));
        }
        const QString memo = Help(&form, "AlarmHelpBtn");
        QCOMPARE(memo.toStdString(), bench.drive.Msg(385) + "\n\n" + bench.drive.Msg(386));
    }
    void AlarmWindowSaysWhenTheHistoryCouldNotBeRead() {
        MonitorBench bench("fx", 31);
        LongOperation operation;
        AlarmHistory history(*bench.drive.link, bench.drive.state, bench.drive.map,
                             bench.drive.panel, bench.drive.catalogue, operation);
        bench.drive.amplifier->InjectFault(sim::Fault::NoReply, 1);  // the pointer
        history.ReadAlarmCode();
        bench.drive.state.AlarmFormOpen = true;
        TAlarmForm form(bench.drive.state, history, bench.drive.catalogue);
        form.ChangeLanguage();
        for (int slot = 1; slot <= AlarmSlotCount; ++slot) {
            QCOMPARE(form.CodeLabel(slot)->text(), QString("----"));
        }
        QCOMPARE(form.findChild<QLabel*>("AlarmUnread")->text().toStdString(),
                 bench.drive.Msg(1100));
    }
    void FactoriesDoWhatTheMenuItemsDoBeforeTheWindowExists() {
        MonitorBench bench("fx", 31);
        LongOperation operation;
        Monitoring monitoring(*bench.drive.link, bench.drive.state, bench.drive.map,
                              bench.drive.panel, bench.drive.catalogue, operation);
        bench.drive.amplifier->RaiseAlarm(6);
        monitoring.Alarm.AlarmDataReady = true;
        std::unique_ptr<TAlarmForm> alarm(
            CreateAlarmForm(monitoring, bench.drive.state, bench.drive.catalogue));
        QVERIFY(!monitoring.Alarm.AlarmDataReady);
        QCOMPARE(alarm->CodeLabel(1)->text(), QString("0006"));
        QCOMPARE(alarm->MessageLabel(1)->text().toStdString(), bench.drive.Msg(164));

        bench.drive.state.ServoWord = 0x1234;
        std::unique_ptr<TIOForm> io(
            CreateIOForm(monitoring, bench.drive.state, bench.drive.catalogue));
        QCOMPARE(bench.drive.state.ServoWord, 0);
        QVERIFY(!monitoring.IO.InputsKnown());

        monitoring.Monitor.MonitorValues[0] = 321;
        std::unique_ptr<TMonitorForm> monitor(
            CreateMonitorForm(monitoring, bench.drive.state, bench.drive.catalogue));
        monitor->CheckBox(1)->setChecked(true);
        monitor->RefreshDisplayData();
        QCOMPARE(monitor->ValueLabel(1)->text(), QString("     321"));
    }
    // The data monitor opens fixed and centred; the I/O and alarm windows are
    // fixed too (their contents do not grow).
    void WindowsHaveAFixedBorderAndTheMonitorOpensCentred() {
        MonitorBench bench("fx", 31);
        LongOperation operation;
        Monitoring monitoring(*bench.drive.link, bench.drive.state, bench.drive.map,
                              bench.drive.panel, bench.drive.catalogue, operation);
        QMdiArea area;
        area.resize(1000, 760);
        area.show();
        QMdiSubWindow* monitor =
            CreateMonitorForm(monitoring, bench.drive.state, bench.drive.catalogue);
        QMdiSubWindow* io = CreateIOForm(monitoring, bench.drive.state, bench.drive.catalogue);
        for (QMdiSubWindow* window : {monitor, io}) {
            area.addSubWindow(window);
            window->show();
            QVERIFY2(HasFixedBorder(*window), qPrintable(window->objectName()));
        }
        QVERIFY(IsCentredInArea(*monitor));
    }
    // While the link is latched the values shown are the last ones read.
    void LatchedValuesAreDrawnStale() {
        MonitorBench bench("fx", 31);
        LongOperation operation;
        Monitoring monitoring(*bench.drive.link, bench.drive.state, bench.drive.map,
                              bench.drive.panel, bench.drive.catalogue, operation);
        std::unique_ptr<TMonitorForm> monitor(
            CreateMonitorForm(monitoring, bench.drive.state, bench.drive.catalogue));
        std::unique_ptr<TIOForm> io(
            CreateIOForm(monitoring, bench.drive.state, bench.drive.catalogue));
        monitor->CheckBox(1)->setChecked(true);
        for (bool latched : {true, false}) {
            bench.drive.state.CommErrorLatched = latched;
            monitor->RefreshDisplayData();
            io->RefreshIODataTimer();
            QCOMPARE(ShownStale(*monitor->ValueLabel(1)), latched);
            QCOMPARE(ShownStale(*io->Panel(0)), latched);
        }
    }
};

QTEST_MAIN(MonitorFormsTest)
#include "MonitorFormsTest.moc"
