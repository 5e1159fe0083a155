// How late the window's event loop answers while the line works: the real
// main window (offscreen) against ampsim paced at 9600 bit/s, with a probe
// timer every 10 ms whose lateness is recorded, scenario by scenario (the trend
// with 8 rows at 100 ms among them).
//   ui_latency_bench [--inline] [--japanese] [--shot FILE.png]
// --inline runs every exchange on the window thread, as before the line had
// its own thread, for the figures to compare against; --shot saves a picture
// of the window one second into the save, with its gauge and Cancel.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "monitor/Trend.h"
#include "shell/DeskApplication.h"
#include "shell/Mainform.h"
#include "tests/support/ScriptedQuestions.h"

namespace {

constexpr int ProbeMs = 10;
constexpr int AnswerFX = 1;
constexpr int TrendRows = 8;
constexpr int TrendPeriodMs = 100;

struct Figures {
    double p50 = 0, p99 = 0, max = 0;
};

Figures Summarise(std::vector<double> late) {
    if (late.empty()) return {};
    std::sort(late.begin(), late.end());
    const auto at = [&](double q) { return late[static_cast<std::size_t>(q * (late.size() - 1))]; };
    return {at(0.50), at(0.99), late.back()};
}

// Runs the event loop for ms while the probe measures; during() starts the
// scenario and done() tells when a command scenario has ended.
Figures Measure(int ms, const std::function<void()>& during,
                const std::function<bool()>& done = {}) {
    std::vector<double> late;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        late.push_back(std::max(0.0, (now - last) / 1e6 - ProbeMs));
        last = now;
    });
    probe.start(ProbeMs);
    QTimer::singleShot(0, during);
    while (clock.elapsed() < ms && !(done && clock.elapsed() > 200 && done())) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    probe.stop();
    return Summarise(late);
}

void Print(const char* scenario, const Figures& f) {
    std::printf("%-34s p50 %7.1f ms  p99 %7.1f ms  max %7.1f ms\n", scenario, f.p50, f.p99, f.max);
    std::fflush(stdout);
}

// The trend window with as many rows as it takes at its shortest period,
// chosen as the user does, in its own controls.
void ChooseTrendRows(TTrendForm& trend) {
    for (int row = 1; row <= TrendRows; ++row) trend.CheckBox(row)->click();
    auto* period = trend.findChild<QComboBox*>("PeriodBox");
    period->setCurrentIndex(period->findData(TrendPeriodMs));
}

void CopyDataFiles(const std::string& to, int language) {
    for (const auto& entry : std::filesystem::directory_iterator(bench::DataFolder)) {
        if (!entry.is_regular_file()) continue;
        std::filesystem::copy_file(entry.path(), to + "/" + entry.path().filename().string(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    std::ofstream(to + "/Init.ini")
        << "SelectCOM=0\nLanguage=" << language << "\nPreviousFamily=1\n";
}

}  // namespace

int main(int argc, char** argv) {
    bool inlineLine = false;
    int language = 1;
    std::string shot;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--inline") == 0) inlineLine = true;
        if (std::strcmp(argv[i], "--japanese") == 0) language = 0;
        if (std::strcmp(argv[i], "--shot") == 0 && i + 1 < argc) shot = argv[++i];
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    DeskApplication app(argc, argv);
    AmpsimProcess ampsim(bench::AmpsimPath, "fx", {"--fx-version", "31", "--pace"});
    CopyDataFiles(ampsim.Folder(), language);

    ScriptedQuestions questions;
    questions.Answer(AnswerFX);
    MainFormSetup setup;
    setup.StartFolder = ampsim.Folder() + "/";
    setup.QuestionsOverride = &questions;
    setup.LineThread = !inlineLine;
    TMainForm form(setup);
    if (!inlineLine) app.SetDeskLock(&form.GetDesk().Lock());
    form.show();
    form.FormCreate();
    Desk& desk = form.GetDesk();
    const auto idle = [&] {
        const DeskLock::Scope hold(desk.Lock());
        return !desk.LongOp.Running() && !desk.Line().CommandPending();
    };
    std::printf("ui_latency_bench: %s, ampsim paced, FX 31\n",
                inlineLine ? "exchanges on the window thread" : "the line's own thread");

    Measure(1500, [] {});  // start-up and the first identification
    Print("status poll only", Measure(5000, [] {}));

    form.Action("M11Monitor")->trigger();
    desk.Monitors.Monitor.MonitorSelection.fill(1);
    Print("data monitor, every row", Measure(5000, [] {}));

    Print("7 s cable pull, monitor open", Measure(9000, [&] {
              ampsim.Command("pull", "cable pulled");
              QTimer::singleShot(7000, [&] { ampsim.Command("plug", "cable in"); });
          }));
    Measure(3000, [] {});  // recovery
    desk.Monitors.Monitor.MonitorSelection.fill(0);

    form.Action("M15Trend")->trigger();
    auto* trend = qobject_cast<TTrendForm*>(form.ChildWindowOf("M15Trend"));
    Print("trend, 8 rows at 100 ms", Measure(10000, [&] { ChooseTrendRows(*trend); }));
    {
        const DeskLock::Scope hold(desk.Lock());
        std::printf("  achieved period %d ms, %zu samples\n", desk.Trend.AchievedPeriodMs(),
                    desk.Trend.Samples().Size());
    }
    trend->close();

    Print("speed group read", Measure(
                                  15000, [&] { form.Action("M22SpeedParam")->trigger(); },
                                  [&] { return form.ChildWindowOf("M22SpeedParam") != nullptr; }));

    const std::string file = ampsim.Folder() + "/bench.dat";
    questions.AnswerFile(file);
    if (!shot.empty()) {
        QTimer::singleShot(700, [&] {
            const bool saved = form.grab().save(QString::fromStdString(shot));
            std::printf("picture %s: %s\n", shot.c_str(), saved ? "saved" : "not saved");
            std::fflush(stdout);
        });
    }
    Print("whole-set save", Measure(
                                60000, [&] { form.Action("M32Save")->trigger(); }, idle));
    std::printf("  saved: %s\n", desk.FileCommands.LastSave().Written ? "yes" : "no");
    std::fflush(stdout);

    {
        const DeskLock::Scope hold(desk.Lock());
        desk.State.PreviewBeforeTransfer = false;
    }
    questions.AnswerFile(file);
    for (int i = 0; i < 4; ++i) questions.Answer(mrNo);  // identity, reset, repeat
    Print("open, preview off", Measure(
                                   60000, [&] { form.Action("M31Open")->trigger(); }, idle));
    desk.StopLine();
    app.SetDeskLock(nullptr);
    return 0;
}
