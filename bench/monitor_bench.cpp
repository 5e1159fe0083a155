// The data monitor against ampsim paced at 9600 bit/s: for a full selection
// on each family, the wire time of one tick against its 500 ms period, the
// refresh interval achieved, and the CPU time of this process per tick and per
// exchange; then the idle load with the monitor window open and no row
// selected, with the status poll running as in ServoDesk.
// Usage: monitor_bench [TICKS] [TURNAROUND_MS]
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"
#include "ctl/ServoCtl.h"
#include "link/DriveLink.h"
#include "monitor/Monitor.h"
#include "monitor/MonitorPoll.h"
#include "shell/StatusPoll.h"

namespace {

using bench::CharMs;
constexpr int WordReadChars = 6 + 7;
constexpr int LongReadChars = 6 + 11;
constexpr int PeriodMs = 500;

struct Case {
    const char* name;
    const char* family;
    int fxVersion;
    int rowsUpTo;  // rows 1 ... rowsUpTo the family has reads for
};

std::vector<std::string> AmpsimArgs(const Case& c, int turnaroundMs) {
    std::vector<std::string> args = bench::PacedArgs(turnaroundMs);
    args.insert(args.end(), {"--fx-version", std::to_string(c.fxVersion ? c.fxVersion : 31)});
    return args;
}

// One amplifier on its own ampsim, identified as start-up does.
struct Bench : bench::AmpOnPort {
    Bench(const Case& c, int turnaroundMs) : AmpOnPort(c.family, AmpsimArgs(c, turnaroundMs)) {
        SetFamily(c.family, state);
        IdentifyAmplifier({link, clock, state, panel, map, identification, port, catalogue});
        state.PollBusy = state.ParamWriteBusy = state.MonitorBusy = false;
        state.MonitorFormOpen = true;
    }
};

// Characters and exchanges a tick makes for the selection, as the poll reads.
void WireOfTick(const MonitorPoll& poll, MonitorVariant variant, int& chars, int& exchanges) {
    chars = exchanges = 0;
    for (int row = 1; row <= MonitorRowCount; ++row) {
        if (!poll.MonitorSelection[row - 1] || (row == 8 && poll.MonitorSelection[6])) continue;
        for (const MonitorRead& read : MonitorReadsOf(row, variant)) {
            if (read.Kind == MonitorReadKind::Word) chars += WordReadChars, ++exchanges;
            if (read.Kind == MonitorReadKind::Long) chars += LongReadChars, ++exchanges;
        }
    }
}

double NowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool MeasureFullSelection(const Case& c, int ticks, int turnaroundMs) {
    Bench bench(c, turnaroundMs);
    MonitorPoll poll(bench.link, bench.state, bench.map);
    for (int row = 1; row <= c.rowsUpTo; ++row) {
        if (c.fxVersion && row == 10) continue;  // no such row in the FX group
        if (c.fxVersion && c.fxVersion < 26 && row == 15) continue;
        poll.MonitorSelection[row - 1] = 1;
    }
    const MonitorVariant variant = MonitorVariantOf(bench.state.AmpFamily, bench.state.FxVersion);
    int chars = 0;
    int exchanges = 0;
    WireOfTick(poll, variant, chars, exchanges);
    const double wireMs = chars * CharMs + exchanges * turnaroundMs;

    double busiestMs = 0;
    double totalTickMs = 0;
    double firstTickStart = 0;
    double lastTickStart = 0;
    int failures = 0;
    const double cpuStart = ProcessCpuSeconds();
    const double start = NowMs();
    for (int tick = 0; tick < ticks; ++tick) {
        // A 500 ms timer: the next tick is due one period after this one was;
        // an overrun tick is followed at once.
        const double due = start + tick * static_cast<double>(PeriodMs);
        const double wait = due - NowMs();
        if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(wait));
        const double tickStart = NowMs();
        if (tick == 0) firstTickStart = tickStart;
        lastTickStart = tickStart;
        poll.MonitorTimerTimer();
        const double tickMs = NowMs() - tickStart;
        busiestMs = std::max(busiestMs, tickMs);
        totalTickMs += tickMs;
        failures += poll.LastTickFailures;
        bench.state.CommErrorLatched = false;
    }
    const double intervalMs = (lastTickStart - firstTickStart) / (ticks - 1);
    const double cpuPerTick = (ProcessCpuSeconds() - cpuStart) * 1e3 / ticks;
    const double cpuPerExchange = cpuPerTick / exchanges;
    const double ratio = totalTickMs / ticks / wireMs;
    const bool fits = wireMs <= PeriodMs;
    const bool met = ratio <= 1.05 && cpuPerExchange <= 0.1 && failures == 0;
    std::printf(
        "%-6s %2d exchanges, %3d chars: wire %6.1f ms of the %d ms period (%s); tick %6.1f ms "
        "(slowest %6.1f), ratio %.3f; refresh every %6.1f ms; CPU %.3f ms/tick, %.3f "
        "ms/exchange; failures %d %s\n",
        c.name, exchanges, chars, wireMs, PeriodMs, fits ? "fits" : "DOES NOT FIT",
        totalTickMs / ticks, busiestMs, ratio, intervalMs, cpuPerTick, cpuPerExchange, failures,
        met ? "ok" : "MISSED");
    return met;
}

// ServoDesk's timers with the monitor window open and no row selected: the
// status poll every 200 ms, the monitor poll every 500 ms, the window refresh.
bool MeasureIdle(int argc, char** argv, int seconds) {
    const Case fx{"fx 31", "fx", 31, 17};
    Bench bench(fx, 2);
    QApplication app(argc, argv);
    MonitorPoll poll(bench.link, bench.state, bench.map);
    StatusPoll status(bench.link, bench.state, bench.panel, bench.catalogue, bench.map,
                      bench.identification);
    TMonitorForm form(bench.state, poll, bench.catalogue);
    QTimer stsTimer;
    QObject::connect(&stsTimer, &QTimer::timeout, [&] { status.StsTimerTimer(); });
    QTimer monitorTimer;
    QObject::connect(&monitorTimer, &QTimer::timeout, [&] { poll.MonitorTimerTimer(); });
    stsTimer.start(200);
    monitorTimer.start(PeriodMs);
    const double cpuStart = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    QApplication::exec();
    const double share = (ProcessCpuSeconds() - cpuStart) / (wall.elapsed() / 1000.0) * 100.0;
    const bool met = share < 1.0;
    std::printf(
        "idle    monitor open, no row selected, status poll running: %.2f %% of one core "
        "over %d s %s\n",
        share, seconds, met ? "ok" : "MISSED");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    const int ticks = std::max(2, bench::IntArgument(argc, argv, 1, 10));
    const int turnaroundMs = bench::IntArgument(argc, argv, 2, 2);
    std::printf(
        "monitor_bench: %d ticks a family, ampsim --pace --turnaround %d (9600 bit/s, "
        "%.3f ms a character)\n",
        ticks, turnaroundMs, CharMs);
    const Case cases[] = {
        {"bx", "bx", 0, 14},
        {"dx", "dx", 0, 14},
        {"fx 25", "fx", 25, 17},
        {"fx 31", "fx", 31, 17},
    };
    bool allMet = true;
    for (const Case& c : cases) allMet = MeasureFullSelection(c, ticks, turnaroundMs) && allMet;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    allMet = MeasureIdle(argc, argv, 5) && allMet;
    return allMet ? 0 : 1;
}
