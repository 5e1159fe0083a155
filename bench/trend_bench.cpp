// The trend window's cost with eight quantities at 100 ms.
// 1. Live: ServoDesk's status poll and the trend's sampler and window against
//    ampsim paced at 9600 bit/s, in real time: CPU per sample, the period
//    achieved, and the share of one core this process takes.
// 2. Full window: ten minutes of samples from the in-process simulator (no
//    waiting), then the CPU time of a redraw with 8 x 6000 points, of a full
//    rebuild (resume, new selection), and the memory held after 10, 20 and 30
//    minutes of samples.
// Usage: trend_bench [LIVE_SECONDS]
#include <qcustomplot.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/BenchSupport.h"
#include "ctl/ServoCtl.h"
#include "link/Comm.h"
#include "link/DriveLink.h"
#include "link/Identification.h"
#include "monitor/Trend.h"
#include "shell/StatusPoll.h"
#include "tests/monitor/MonitorTestSupport.h"
#include "tests/support/ScriptedQuestions.h"

namespace {

constexpr int Rows = 8;
constexpr int PeriodMs = 100;
constexpr double RedrawGoalMs = 5.0;
constexpr double CoreGoalPercent = 5.0;

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
    }
    return 0;
}

void SelectEight(TTrendForm& form) {
    for (int row = 1; row <= Rows; ++row) form.CheckBox(row)->click();
}

struct Live : bench::AmpOnPort {
    Live() : AmpOnPort("fx", Args()) {
        bench::StartAs("fx", state, catalogue, map, identification);
        IdentifyAmplifier({link, clock, state, panel, map, identification, port, catalogue});
        state.PollBusy = state.ParamWriteBusy = state.MonitorBusy = false;
        ampsim.Command("servo on", "servo");
    }
    static std::vector<std::string> Args() {
        std::vector<std::string> args = bench::PacedArgs(2);
        args.insert(args.end(), {"--fx-version", "31"});
        return args;
    }
};

bool MeasureLive(int seconds) {
    Live live;
    MonitorPoll poll(live.link, live.state, live.map);
    TrendSampler sampler(poll, live.state, live.clock);
    StatusPoll status(live.link, live.state, live.panel, live.catalogue, live.map,
                      live.identification);
    ScriptedQuestions ask;
    TTrendForm* form = CreateTrendForm(live.state, sampler, live.catalogue, ask);
    live.state.TrendFormOpen = true;
    form->resize(1000, 620);
    form->show();
    sampler.SetPeriodMs(PeriodMs);
    SelectEight(*form);
    form->findChild<QComboBox*>("WindowBox")->setCurrentIndex(5);  // 10 min
    QTimer stsTimer;
    QObject::connect(&stsTimer, &QTimer::timeout, [&] { status.StsTimerTimer(); });
    QTimer trendTimer;
    QObject::connect(&trendTimer, &QTimer::timeout, [&] { sampler.TrendTimerTimer(); });
    stsTimer.start(200);
    trendTimer.start(TrendSampler::TimerMs);
    const double cpuStart = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // An event loop of its own: quitting the application would close the window.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpuMs = (ProcessCpuSeconds() - cpuStart) * 1e3;
    const double share = cpuMs / static_cast<double>(wall.elapsed()) * 100.0;
    const std::size_t samples = sampler.Samples().Size();
    const bool met = share < CoreGoalPercent;
    std::printf(
        "live    8 rows at %d ms for %d s: %zu samples, achieved period %d ms (wire %d ms a "
        "sample, %s), CPU %.3f ms a sample with the status poll and redraws, %.2f %% of one "
        "core %s\n",
        PeriodMs, seconds, samples, sampler.AchievedPeriodMs(), sampler.WireMs(),
        sampler.TooSlow() ? "reported too slow" : "fits", cpuMs / samples, share,
        met ? "ok" : "MISSED");
    delete form;
    return met;
}

// Samples for ms of simulated time, with a redraw every redrawMs.
void Fill(SimDrive& drive, TimerSteps& timer, TrendSampler& sampler, TTrendForm& form, int ms,
          int redrawMs = TTrendForm::RefreshMs) {
    int ticks = 0;
    timer.Run(ms, [&] {
        sampler.TrendTimerTimer();
        drive.line->ClearLog();  // the simulated line's own record of requests
        if (++ticks % (redrawMs / TrendSampler::TimerMs) == 0) form.RefreshDisplayData();
    });
}

bool MeasureFullWindow() {
    SimDrive drive("fx", 31);
    drive.Connect();
    drive.state.MonitorBusy = false;
    drive.amplifier->SetServo(true);
    drive.line->SetWireTime(false);  // ten minutes of samples without their wire time
    MonitorPoll poll(*drive.link, drive.state, drive.map);
    TrendSampler sampler(poll, drive.state, drive.clock);
    ScriptedQuestions ask;
    const long rssStart = ResidentKb();
    TTrendForm* form = CreateTrendForm(drive.state, sampler, drive.catalogue, ask);
    drive.state.TrendFormOpen = true;
    form->resize(1000, 620);
    form->show();
    sampler.SetPeriodMs(PeriodMs);
    SelectEight(*form);
    form->findChild<QComboBox*>("WindowBox")->setCurrentIndex(5);  // 10 min
    TimerSteps timer(drive.clock, TrendSampler::TimerMs);
    long rss[4] = {};
    for (long& kb : rss) {
        Fill(drive, timer, sampler, *form, 600000, 10000);
        kb = ResidentKb() - rssStart;
    }
    int points = 0;
    for (int g = 0; g < form->Plot()->graphCount(); ++g)
        points += form->Plot()->graph(g)->dataCount();

    constexpr int Samples = 200;
    double cpuStart = ProcessCpuSeconds();
    Fill(drive, timer, sampler, *form, Samples * PeriodMs, 1000000);
    const double perSampleMs = (ProcessCpuSeconds() - cpuStart) * 1e3 / Samples;
    constexpr int Redraws = 100;
    cpuStart = ProcessCpuSeconds();
    for (int i = 0; i < Redraws; ++i) form->Redraw();
    const double redrawMs = (ProcessCpuSeconds() - cpuStart) * 1e3 / Redraws;
    form->findChild<QComboBox*>("WindowBox")->setCurrentIndex(2);  // 1 min
    cpuStart = ProcessCpuSeconds();
    for (int i = 0; i < Redraws; ++i) form->Redraw();
    const double minuteRedrawMs = (ProcessCpuSeconds() - cpuStart) * 1e3 / Redraws;
    form->findChild<QComboBox*>("WindowBox")->setCurrentIndex(5);
    cpuStart = ProcessCpuSeconds();
    Fill(drive, timer, sampler, *form, 60000);
    const double refreshPerSecondMs = (ProcessCpuSeconds() - cpuStart) * 1e3 / 60;
    cpuStart = ProcessCpuSeconds();
    for (int i = 0; i < 10; ++i) form->findChild<QPushButton*>("PauseBtn")->click();
    const double rebuildMs = (ProcessCpuSeconds() - cpuStart) * 1e3 / 5;
    const std::size_t heldBytes = sampler.Samples().Capacity() * sizeof(TrendSample) +
                                  static_cast<std::size_t>(points) * sizeof(QCPGraphData);
    // The heap settles after the first windows: the last ten minutes add nothing
    // worth a window's samples.
    const bool bounded = rss[3] - rss[2] < static_cast<long>(heldBytes / 1024 / 4);
    const bool met = redrawMs < RedrawGoalMs && bounded;
    std::printf(
        "window  8 rows x %d points (10 min at %d ms): redraw %.2f ms CPU (goal < %.0f), "
        "(1 min window: %.2f ms), rebuild %.2f ms, sample %.3f ms (in-process amplifier); sampling "
        "and refreshing a full "
        "window: %.1f ms CPU a second (%.2f %% of one core)\n",
        points / Rows, PeriodMs, redrawMs, RedrawGoalMs, minuteRedrawMs, rebuildMs, perSampleMs,
        refreshPerSecondMs, refreshPerSecondMs / 10.0);
    std::printf(
        "memory  samples and series hold %.0f KiB; resident growth after 10 / 20 / 30 / 40 min "
        "of samples: %ld / %ld / %ld / %ld KiB (%s) %s\n",
        heldBytes / 1024.0, rss[0], rss[1], rss[2], rss[3], bounded ? "bounded" : "GROWING",
        met ? "ok" : "MISSED");
    delete form;
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    const int liveSeconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 20;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool met = MeasureFullWindow();
    met = MeasureLive(liveSeconds) && met;
    return met ? 0 : 1;
}
