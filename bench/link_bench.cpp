// Exchange rate through TComm against ampsim paced at 9600 bit/s: each kind
// of exchange timed against the time its characters need on the wire, plus
// the CPU time this process spends per exchange. Goals: the median exchange
// within 1.05 of its wire time with a quiet character after each reply, and
// at most 0.05 ms of CPU an exchange.
// With --port the same runs go through a serial device server afterwards:
// "tcp" or "rfc2217" starts ser2net on local ports in front of ampsim's
// pseudo-terminal; a whole URL names a server already serving it. Goals
// there: the median within 1.10 of the direct one, CPU within 1.5.
// Usage: link_bench [TURNAROUND_MS] [--port tcp|rfc2217|URL]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "link/DriveLink.h"
#include "link/NetLine.h"
#include "tests/link/Ser2netProcess.h"

namespace {

constexpr double kCharMs = 10.0 * 1000.0 / 9600.0;  // 10 bits a character

// Characters on the wire of each exchange, request and reply.
constexpr int kWordReadChars = 6 + 7;
constexpr int kLongReadChars = 6 + 11;
constexpr int kMailboxWriteChars = 10 + 1;
// Two mailbox writes, one poll of the command word, the read of the value.
constexpr int kEepReadChars = 2 * kMailboxWriteChars + 2 * kWordReadChars;
constexpr int kEepReadExchanges = 4;

struct Run {
    const char* name;
    int count;
    int chars;
    int exchanges;  // request/reply pairs in one run, each with a turnaround
    std::function<int(DriveLink&, int&)> exchange;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times this process's threads gave up the processor to wait: its wake-ups.
long WakeUps() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) sum += v;
    return sum / static_cast<double>(values.size());
}

// Medians of one run.
struct Figures {
    double wallMs = 0;
    double cpuMs = 0;
    bool met = false;
};

// Wall and CPU time of each run in ms. On a shared machine the median is
// what the link costs; the mean also carries the other programs' bursts.
Figures Measure(DriveLink& link, DriveState& state, const Run& run, int turnaroundMs) {
    int failures = 0;
    std::vector<double> wall;
    std::vector<double> cpu;
    const long wakeUpsStart = WakeUps();
    for (int i = 0; i < run.count; ++i) {
        int value = 0;
        const double cpuStart = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (run.exchange(link, value) != 1) ++failures;
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        cpu.push_back((ProcessCpuSeconds() - cpuStart) * 1e3 / run.exchanges);
        state.CommErrorLatched = false;
    }
    const double wakeUps =
        static_cast<double>(WakeUps() - wakeUpsStart) / (run.count * run.exchanges);
    const double wireMs = run.chars * kCharMs;
    const double boundMs = wireMs + run.exchanges * turnaroundMs;
    // A reply is known to stand alone only once the character time after it
    // has passed quietly: a byte right behind it needs that long to arrive.
    const double listenBoundMs = boundMs + run.exchanges * kCharMs;
    const double wallMs = Median(wall);
    const double cpuMs = Median(cpu);
    const bool met = wallMs <= 1.05 * listenBoundMs && cpuMs <= 0.05 && failures == 0;
    std::printf(
        "%-10s %4d x: median %6.2f ms (mean %6.2f); wire %6.2f ms (%d chars) + turnaround %d ms "
        "= %6.2f ms, ratio %.3f; with a quiet character after each reply %6.2f ms, ratio %.3f; "
        "CPU median %.3f ms/exchange (mean %.3f), %.2f wake-ups/exchange; failures %d %s\n",
        run.name, run.count, wallMs, Mean(wall), wireMs, run.chars, run.exchanges * turnaroundMs,
        boundMs, wallMs / boundMs, listenBoundMs, wallMs / listenBoundMs, cpuMs, Mean(cpu), wakeUps,
        failures, met ? "ok" : "MISSED");
    return {wallMs, cpuMs, met};
}

// The same run through the network port, against the direct figures.
bool MeasureAgainst(DriveLink& link, DriveState& state, const Run& run, int turnaroundMs,
                    const Figures& direct) {
    const Figures networked = Measure(link, state, run, turnaroundMs);
    const double wallRatio = networked.wallMs / direct.wallMs;
    const double cpuRatio = networked.cpuMs / direct.cpuMs;
    const bool met = wallRatio <= 1.10 && cpuRatio <= 1.5;
    std::printf("%-10s against direct: wall %.3f (goal 1.10), CPU %.3f (goal 1.5) %s\n", run.name,
                wallRatio, cpuRatio, met ? "ok" : "MISSED");
    return met;
}

// The --port argument, or empty.
std::string PortArgument(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--port") return argv[i + 1];
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    const bool turnaroundGiven = argc > 1 && std::string(argv[1]) != "--port";
    const int turnaroundMs = turnaroundGiven ? bench::IntArgument(argc, argv, 1, 2) : 2;
    const std::string portArgument = PortArgument(argc, argv);
    AmpsimProcess ampsim(bench::AmpsimPath, "bx", bench::PacedArgs(turnaroundMs));
    TComm port;
    if (!bench::OpenAmpsimPort(ampsim, port)) {
        std::fputs("link_bench: cannot open the simulated amplifier's port\n", stderr);
        return 1;
    }
    SystemClock clock;
    DriveState state;
    MainPanel panel;
    MessageCatalogue catalogue;
    DriveLink link(port, clock, state, panel, catalogue);

    const Run runs[] = {
        {"word read", 500, kWordReadChars, 1,
         [](DriveLink& l, int& v) { return l.ReadFromRAM("40", 7, 1, v); }},
        {"long read", 200, kLongReadChars, 1,
         [](DriveLink& l, int& v) { return l.ReadFromRAML("40", 11, 1, v); }},
        {"EEP read", 100, kEepReadChars, kEepReadExchanges,
         [](DriveLink& l, int& v) { return l.ReadFromEEP("21", 7, 1, v); }},
    };
    std::printf(
        "link_bench: TComm against ampsim --pace --turnaround %d (9600 bit/s, %.3f ms a "
        "character)\n",
        turnaroundMs, kCharMs);
    bool allMet = true;
    std::vector<Figures> direct;
    for (const Run& run : runs) {
        direct.push_back(Measure(link, state, run, turnaroundMs));
        allMet = direct.back().met && allMet;
    }
    port.Close();
    if (portArgument.empty()) return allMet ? 0 : 1;

    // ser2net opens the device only for a client, so the port closed above
    // is free for it now.
    std::unique_ptr<Ser2netProcess> server;
    std::string url = portArgument;
    if (!netline::IsNetworkPortName(url)) {
        server = std::make_unique<Ser2netProcess>(ampsim.Folder() + "/Com1", ampsim.Folder());
        url = url == "tcp" ? server->RawUrl() : server->TelnetUrl();
    }
    port.SetDeviceName(url);
    if (!OpenWithLineSettings(port)) {
        std::fprintf(stderr, "link_bench: cannot open %s\n", url.c_str());
        return 1;
    }
    std::printf("link_bench: the same through %s\n", url.c_str());
    for (std::size_t i = 0; i < std::size(runs); ++i)
        allMet = MeasureAgainst(link, state, runs[i], turnaroundMs, direct[i]) && allMet;
    port.Close();
    return allMet ? 0 : 1;
}
