// Not a test: the trend window on the in-process simulated BX amplifier while
// the motor jogs forward, stops, jogs back and stops, with motor speed and
// torque command plotted; saves a picture of the main window and quits.
//   trend_demo OUT.png [LANGUAGE 0 Japanese, 1 English, 2 Chinese] [SECONDS] [STATE]
//              [WIDTH HEIGHT of the main window, 1270 780 unless given]
// STATE: rows (default), none (no row chosen), slow (eight rows at 100 ms, too
// many for the period), record (recording to a long path), both (slow and record).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <string>

#include "monitor/Trend.h"
#include "shell/StatusPoll.h"
#include "tests/support/ScriptedQuestions.h"
#include "tests/support/SimDrive.h"

namespace {

// What the jog does from each second on: speed word "2E", jog word "76".
struct JogStep {
    int fromS;
    int speed;
    int jog;
};
const JogStep Script[] = {{1, 8192, 1}, {6, 8192, 0}, {10, -5000, 1}, {15, -5000, 0}};

// A path as long as a measurement archive's, to show how the window fits it.
const char* const LongRecordFolder =
    "/tmp/trend_demo/measurements/line-3/station-12/2024-05-17/servo-axis-4";

// Chooses the rows and period the state shows, and starts recording if it does.
void ShowState(TTrendForm* form, ScriptedQuestions& ask, const std::string& shown) {
    const bool slow = shown == "slow" || shown == "both";
    const int rows = shown == "none" ? 0 : slow ? 8 : 2;
    form->findChild<QComboBox*>("PeriodBox")->setCurrentIndex(slow ? 0 : 1);  // 100 or 200 ms
    for (int row = 1; row <= rows; ++row) form->CheckBox(row)->click();
    if (shown == "record" || shown == "both") {
        std::filesystem::create_directories(LongRecordFolder);
        ask.AnswerFile(std::string(LongRecordFolder) + "/trend-run-0042.csv");
        form->findChild<QPushButton*>("RecordBtn")->click();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? argv[1] : "/tmp/trend.png";
    const int language = argc > 2 ? std::stoi(argv[2]) : 1;
    const int seconds = argc > 3 ? std::stoi(argv[3]) : 20;
    const std::string shown = argc > 4 ? argv[4] : "rows";

    SimDrive drive("bx");
    drive.catalogue.Load(drive.state.StartFolder, language);
    drive.Connect();
    DriveState& state = drive.state;
    state.PollBusy = state.ParamWriteBusy = state.MonitorBusy = false;
    drive.line->SetWireTime(false);  // the amplifier's time is the real time alone
    StatusPoll status(*drive.link, state, drive.panel, drive.catalogue, drive.map,
                      *drive.identification);
    status.StsTimerTimer();

    MonitorPoll poll(*drive.link, state, drive.map);
    TrendSampler sampler(poll, state, drive.clock);
    ScriptedQuestions ask;
    QMainWindow window;
    auto* area = new QMdiArea;
    window.setCentralWidget(area);
    window.resize(argc > 6 ? std::stoi(argv[5]) : 1270, argc > 6 ? std::stoi(argv[6]) : 780);
    TTrendForm* form = CreateTrendForm(state, sampler, drive.catalogue, ask);
    area->addSubWindow(form);
    form->ChangeLanguage();
    state.TrendFormOpen = true;
    ShowState(form, ask, shown);
    form->findChild<QComboBox*>("WindowBox")->setCurrentIndex(1);  // 30 s
    window.show();
    form->show();

    // The simulated amplifier follows real time; the jog follows the script.
    QElapsedTimer elapsed;
    elapsed.start();
    std::uint64_t last = 0;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&] {
        const auto now = static_cast<std::uint64_t>(elapsed.elapsed());
        drive.clock.Advance(now - last);
        last = now;
        for (const JogStep& step : Script) {
            if (static_cast<int>(now / 1000) == step.fromS) {
                drive.amplifier->SetRam(0x2E, static_cast<std::uint16_t>(step.speed));
                drive.amplifier->SetRam(0x76, static_cast<std::uint16_t>(step.jog));
            }
        }
    });
    clock.start(20);
    QTimer trendTimer;
    QObject::connect(&trendTimer, &QTimer::timeout, [&] { sampler.TrendTimerTimer(); });
    trendTimer.start(TrendSampler::TimerMs);
    QTimer::singleShot(seconds * 1000, [&] {
        window.grab().save(out);
        QApplication::quit();
    });
    return QApplication::exec();
}
