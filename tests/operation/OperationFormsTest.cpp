#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "link/MessageCatalogue.h"
#include "operation/Autotune.h"
#include "operation/Directrw.h"
#include "operation/Jog.h"
#include "params/Fspinedit.h"
#include "tests/operation/RecordingDrive.h"
#include "tests/support/ChildPlacementCheck.h"
#include "widgets/StaleLook.h"

namespace {

template <typename T>
T* Child(QWidget* window, const char* name) {
    T* child = window->findChild<T*>(name);
    if (!child) qFatal("no control %s", name);
    return child;
}

// The windows open inside an MDI area, as in the main window.
struct FormBench {
    FormBench() {
        catalogue.LoadFile(std::string(SERVODESK_DATA_DIR) + "/Message.E");
        LoadAddressMap(map, 0, 25, false);
        state.JogBusy = state.AutoTuneBusy = state.DirectSetBusy = false;
        area.resize(900, 700);
        area.show();
    }
    template <typename Form>
    Form* Open(Form* form, bool& openFlag) {
        area.addSubWindow(form);
        form->ChangeLanguage();
        form->show();
        openFlag = true;
        return form;
    }
    MessageCatalogue catalogue;
    RecordingDrive drive;
    DriveState state;
    AddressMap map;
    QMdiArea area;
};

}  // namespace

class OperationFormsTest : public QObject {
    Q_OBJECT
private slots:
    void JogCloseIsRefusedUntilTheStopIsAcknowledged();
    void JogSpeedZeroStartsNothing();
    void TuneFailureShowsInRedAndCancelWithdrawsTheCommand();
    void TuneResultShowsTheGainsAndOKStores();
    void DirectFxHasNoRamHalfAndShowsTheParameterNumber();
    void DirectBxRefusesAMinusAndShowsWhatAReadDelivered();
    void EveryWindowTakesItsTextsAndClosingClearsItsFlagAndTimer();
    void WindowsOpenCentredWithAFixedBorder();
};

void OperationFormsTest::JogCloseIsRefusedUntilTheStopIsAcknowledged() {
    FormBench bench;
    JogControl jog(bench.drive, bench.state, bench.map);
    bench.drive.Set("EEP 2E", {1000});
    QVERIFY(jog.ReadSavedSpeed());
    QPointer<TJogForm> form =
        bench.Open(new TJogForm(jog, bench.state, bench.catalogue), bench.state.JogFormOpen);
    QCOMPARE(Child<TFSpinEdit>(form, "JogSpeedEdit")->text(), QString("183"));
    Child<QPushButton>(form, "CWBtn")->click();
    QVERIFY(!Child<QPushButton>(form, "JogCloseBtn")->isEnabled());
    jog.JogTimerTimer();
    QVERIFY(!form->close());
    QVERIFY(bench.state.JogFormOpen);

    bench.drive.Failing.insert("W 76");
    Child<QPushButton>(form, "StopBtn")->click();
    jog.JogTimerTimer();
    form->JogRefreshDataTimerTimer();
    QVERIFY(!Child<QPushButton>(form, "CWBtn")->isEnabled());
    QVERIFY(
        Child<QLabel>(form, "JogStatusLabel")->text().contains(bench.catalogue.Msg(76).c_str()));
    QVERIFY(!form->close());

    bench.drive.Failing.clear();
    jog.JogTimerTimer();
    form->JogRefreshDataTimerTimer();
    QVERIFY(Child<QPushButton>(form, "CWBtn")->isEnabled());
    QVERIFY(Child<QLabel>(form, "JogStatusLabel")->text().isEmpty());
    Child<QPushButton>(form, "JogCloseBtn")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull());
    QVERIFY(!bench.state.JogFormOpen);
}

void OperationFormsTest::JogSpeedZeroStartsNothing() {
    FormBench bench;
    JogControl jog(bench.drive, bench.state, bench.map);
    TJogForm* form =
        bench.Open(new TJogForm(jog, bench.state, bench.catalogue), bench.state.JogFormOpen);
    Child<TFSpinEdit>(form, "JogSpeedEdit")->setText("0");
    Child<QPushButton>(form, "CCWBtn")->click();
    QVERIFY(Child<QPushButton>(form, "CCWBtn")->isEnabled());
    QVERIFY(!Child<QPushButton>(form, "StopBtn")->isEnabled());
    QVERIFY(!jog.Globals().JogStartRequest);
}

void OperationFormsTest::TuneFailureShowsInRedAndCancelWithdrawsTheCommand() {
    FormBench bench;
    TuneMachine machine(bench.drive, bench.state, bench.map);
    QPointer<TAutoTuneForm> form = bench.Open(
        new TAutoTuneForm(machine, bench.state, bench.catalogue), bench.state.AutoTuneFormOpen);
    Child<QRadioButton>(form, "RadioButton2")->setChecked(true);
    Child<QPushButton>(form, "StartBtn")->click();
    QCOMPARE(machine.Globals().TuneMode, 2);
    QLabel* hint = Child<QLabel>(form, "TuneStatus");
    QCOMPARE(hint->text(), QString());  // not "Idle" while it runs
    QVERIFY(Child<QWidget>(form, "TunePanel")->isVisible());
    QVERIFY(!Child<QPushButton>(form, "TuneCloseBtn")->isEnabled());

    machine.Globals().TuneState = TuneFailed;
    machine.Globals().TuneRunning = false;
    form->ShowTuneStatusTimerTimer();
    QLabel* status = Child<QLabel>(form, "TuneStatus1");
    QCOMPARE(status->text(), QString::fromStdString(bench.catalogue.Msg(376)));
    QVERIFY(status->styleSheet().contains("red"));
    form->ChangeLanguage();
    QCOMPARE(hint->text(), QString());  // nor after the failed run

    Child<QPushButton>(form, "CancelBtn")->click();
    QCOMPARE(bench.drive.Log, (std::vector<std::string>{"WEEP 0D 0", "W 0D 0"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull());
    QVERIFY(!bench.state.AutoTuneFormOpen);
}

void OperationFormsTest::TuneResultShowsTheGainsAndOKStores() {
    FormBench bench;
    TuneMachine machine(bench.drive, bench.state, bench.map);
    TAutoTuneForm* form = bench.Open(new TAutoTuneForm(machine, bench.state, bench.catalogue),
                                     bench.state.AutoTuneFormOpen);
    Child<QPushButton>(form, "StartBtn")->click();
    machine.Globals().TuneState = TuneResultReady;
    machine.Globals().TuneResultP = 250;
    machine.Globals().TuneResultI = 0;
    form->ShowTuneStatusTimerTimer();
    QCOMPARE(Child<QLabel>(form, "P_Gain_Label")->text(),
             QString::fromStdString(bench.catalogue.Msg(299) + ":25000:"));
    QCOMPARE(Child<QLabel>(form, "I_Gain_Label")->text(),
             QString::fromStdString(bench.catalogue.Msg(300) + ":----:"));
    QPushButton* ok = Child<QPushButton>(form, "OKBtn");
    QVERIFY(ok->isEnabled());
    ok->click();
    QCOMPARE(machine.Globals().TuneState, int(TuneStoring));
    QVERIFY(!ok->isEnabled());
}

void OperationFormsTest::DirectFxHasNoRamHalfAndShowsTheParameterNumber() {
    FormBench bench;
    bench.state.AmpFamily = 2;
    DirectAccess access(bench.drive, bench.state, bench.catalogue);
    TDirectRWForm* form = bench.Open(new TDirectRWForm(access, bench.state, bench.catalogue),
                                     bench.state.DirectRWFormOpen);
    QVERIFY(!Child<QWidget>(form, "RAM_Add_SpinEdit")->isEnabled());
    QVERIFY(!Child<QWidget>(form, "RAMReadBtn")->isEnabled());
    QVERIFY(Child<QLabel>(form, "Label8")->isVisible());
    TFSpinEdit* address = Child<TFSpinEdit>(form, "ROM_Add_SpinEdit");
    address->setFocus();
    address->selectAll();
    QTest::keyClicks(address, "20");
    QCOMPARE(Child<QLabel>(form, "Label8")->text(), QString("08"));
    QCOMPARE(Child<QLineEdit>(form, "ROM_Address")->text(), QString("14"));
}

void OperationFormsTest::DirectBxRefusesAMinusAndShowsWhatAReadDelivered() {
    FormBench bench;
    DirectAccess access(bench.drive, bench.state, bench.catalogue);
    TDirectRWForm* form = bench.Open(new TDirectRWForm(access, bench.state, bench.catalogue),
                                     bench.state.DirectRWFormOpen);
    QVERIFY(Child<QWidget>(form, "RAM_Add_SpinEdit")->isEnabled());
    QVERIFY(!Child<QLabel>(form, "Label8")->isVisible());
    TFSpinEdit* value = Child<TFSpinEdit>(form, "ROM_Val_SpinEdit");
    value->setFocus();
    value->selectAll();
    QTest::keyClicks(value, "-");
    Child<QPushButton>(form, "ROMWriteBtn")->click();
    QCOMPARE(value->text(), QString("-"));
    access.DirectSetTimer();
    QVERIFY(bench.drive.Log.empty());
    form->DataFreshTimer();
    QLabel* results = Child<QLabel>(form, "DirectResultLabel");
    QVERIFY(results->text().contains(bench.catalogue.Msg(1101).c_str()));
    value->selectAll();
    QTest::keyClicks(value, "5");
    Child<QPushButton>(form, "ROMWriteBtn")->click();
    access.DirectSetTimer();
    form->DataFreshTimer();
    QVERIFY(!results->text().contains(bench.catalogue.Msg(1101).c_str()));

    bench.drive.Set("64", {-2});
    Child<TFSpinEdit>(form, "RAM_Add_SpinEdit")->setText("100");
    Child<QPushButton>(form, "RAMReadBtn")->click();
    access.DirectSetTimer();
    form->DataFreshTimer();
    QCOMPARE(Child<TFSpinEdit>(form, "RAM_Val_SpinEdit")->text(), QString("-2"));
    QCOMPARE(Child<QLineEdit>(form, "RAM_Value")->text(), QString("FFFE"));
}

void OperationFormsTest::EveryWindowTakesItsTextsAndClosingClearsItsFlagAndTimer() {
    FormBench bench;
    JogControl jog(bench.drive, bench.state, bench.map);
    TuneMachine machine(bench.drive, bench.state, bench.map);
    DirectAccess access(bench.drive, bench.state, bench.catalogue);
    struct Row {
        const char* timer;
        const char* control;  // a named control and its catalogue line
        int message;
        bool& openFlag;
        std::function<OperationWindow*()> create;
    };
    DriveState& state = bench.state;
    const MessageCatalogue& catalogue = bench.catalogue;
    const Row rows[] = {
        {"JogRefreshDataTimer", "SpdLabel", 352, state.JogFormOpen,
         [&] { return new TJogForm(jog, state, catalogue); }},
        {"ShowTuneStatusTimer", "TitleLabel", 357, state.AutoTuneFormOpen,
         [&] { return new TAutoTuneForm(machine, state, catalogue); }},
        {"DataFresh", "DRWCloseBtn", 346, state.DirectRWFormOpen,
         [&] { return new TDirectRWForm(access, state, catalogue); }},
    };
    for (const Row& row : rows) {
        OperationWindow* form = bench.Open(row.create(), row.openFlag);
        int closedCalls = 0;
        form->SetClosedHandler([&] { ++closedCalls; });
        auto* timer = Child<QTimer>(form, row.timer);
        QVERIFY2(timer->isActive(), row.timer);
        QWidget* control = Child<QWidget>(form, row.control);
        const QString text = qobject_cast<QLabel*>(control)
                                 ? qobject_cast<QLabel*>(control)->text()
                                 : qobject_cast<QPushButton*>(control)->text();
        QCOMPARE(text, QString::fromStdString(bench.catalogue.Msg(row.message)));
        QVERIFY(form->close());
        QVERIFY2(!row.openFlag, row.timer);
        QVERIFY(!timer->isActive());
        QCOMPARE(closedCalls, 1);
    }
}

void OperationFormsTest::WindowsOpenCentredWithAFixedBorder() {
    FormBench bench;
    JogControl jog(bench.drive, bench.state, bench.map);
    TuneMachine machine(bench.drive, bench.state, bench.map);
    DirectAccess access(bench.drive, bench.state, bench.catalogue);
    bool open = false;
    const std::vector<QMdiSubWindow*> windows{
        bench.Open(new TJogForm(jog, bench.state, bench.catalogue), open),
        bench.Open(new TAutoTuneForm(machine, bench.state, bench.catalogue), open),
        bench.Open(new TDirectRWForm(access, bench.state, bench.catalogue), open)};
    for (QMdiSubWindow* window : windows) {
        QVERIFY2(HasFixedBorder(*window), qPrintable(window->objectName()));
        QVERIFY2(IsCentredInArea(*window), qPrintable(window->objectName()));
    }
    // The jog values are drawn stale while the link is latched.
    auto* jogForm = static_cast<TJogForm*>(windows[0]);
    for (bool latched : {true, false}) {
        bench.state.CommErrorLatched = latched;
        jogForm->JogRefreshDataTimerTimer();
        QCOMPARE(ShownStale(*Child<QLabel>(jogForm, "Label5")), latched);
    }
}

QTEST_MAIN(OperationFormsTest)
#include "OperationFormsTest.moc"
