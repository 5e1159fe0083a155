// Not a test: the monitor, I/O and alarm windows on the in-process simulated
// amplifier with moving values, to look at them.
//   monitor_demo bx|dx|fx|kqrv|lqrv|yz [FX_VERSION] [LANGUAGE 0 Japanese, 1 English]
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>
#include <QTimer>
#include <string>

#include "monitor/MonitoringWindows.h"
#include "shell/StatusPoll.h"
#include "tests/support/SimDrive.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string family = argc > 1 ? argv[1] : "fx";
    const int fxVersion = argc > 2 ? std::stoi(argv[2]) : 0;
    const int language = argc > 3 ? std::stoi(argv[3]) : 1;

    SimDrive drive(family, fxVersion);
    drive.catalogue.Load(drive.state.StartFolder, language);
    drive.Connect();
    DriveState& state = drive.state;
    state.PollBusy = state.ParamWriteBusy = false;
    state.MonitorBusy = state.IODisplayBusy = state.AlarmBusy = false;
    // Something to watch: the servo on, a BX jog at 1500 r/min, two alarms.
    drive.amplifier->RaiseAlarm(5);
    drive.amplifier->RaiseAlarm(3);
    drive.amplifier->RaiseAlarm(0);
    drive.amplifier->SetServo(true);
    drive.amplifier->SetRam(0x2E, 8192);
    drive.amplifier->SetRam(0x76, 1);
    StatusPoll status(*drive.link, drive.state, drive.panel, drive.catalogue, drive.map,
                      *drive.identification);
    status.StsTimerTimer();

    LongOperation operation;
    Monitoring monitoring(*drive.link, state, drive.map, drive.panel, drive.catalogue, operation);

    QMainWindow window;
    auto* area = new QMdiArea;
    window.setCentralWidget(area);
    window.resize(1270, 880);
    auto* monitor = CreateMonitorForm(monitoring, state, drive.catalogue);
    auto* io = CreateIOForm(monitoring, state, drive.catalogue);
    auto* alarm = CreateAlarmForm(monitoring, state, drive.catalogue);
    for (MonitoringWindow* form : std::initializer_list<MonitoringWindow*>{monitor, io, alarm}) {
        area->addSubWindow(form);
        form->ChangeLanguage();
    }
    state.MonitorFormOpen = state.IOFormOpen = state.AlarmFormOpen = true;
    monitor->MoniSelectAllBtnClick();
    window.show();
    monitor->move(0, 0);
    io->move(590, 0);
    alarm->move(590, 455);

    // The simulated amplifier follows real time.
    QElapsedTimer elapsed;
    elapsed.start();
    std::uint64_t last = 0;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&] {
        const auto now = static_cast<std::uint64_t>(elapsed.elapsed());
        drive.clock.Advance(now - last);
        last = now;
    });
    clock.start(20);
    QTimer monitorTimer;
    QObject::connect(&monitorTimer, &QTimer::timeout,
                     [&] { monitoring.Monitor.MonitorTimerTimer(); });
    monitorTimer.start(500);
    QTimer ioTimer;
    QObject::connect(&ioTimer, &QTimer::timeout, [&] { monitoring.IO.IODispalyTimerTimer(); });
    ioTimer.start(600);
    return QApplication::exec();
}
