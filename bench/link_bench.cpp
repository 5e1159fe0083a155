// Exchange rate through TComm against ampsim paced at 9600 bit/s: each kind
// of exchange timed against the time its characters need on the wire, plus
// the CPU time this process spends per exchange.
// Usage: link_bench [TURNAROUND_MS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "bench/BenchSupport.h"
#include "link/DriveLink.h"

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

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Measure(DriveLink& link, DriveState& state, const Run& run, int turnaroundMs) {
    int failures = 0;
    const double cpuStart = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < run.count; ++i) {
        int value = 0;
        if (run.exchange(link, value) != 1) ++failures;
        state.CommErrorLatched = false;
    }
    const double wallMs = Seconds(start) * 1e3 / run.count;
    const double cpuMs = (ProcessCpuSeconds() - cpuStart) * 1e3 / (run.count * run.exchanges);
    const double wireMs = run.chars * kCharMs;
    const double boundMs = wireMs + run.exchanges * turnaroundMs;
    const double ratio = wallMs / boundMs;
    const bool met = ratio <= 1.10 && cpuMs < 0.2 && failures == 0;
    std::printf(
        "%-10s %4d x: %7.2f ms each; wire %6.2f ms (%d chars) + turnaround %d ms = %6.2f "
        "ms; ratio %.3f; CPU %.3f ms/exchange; failures %d %s\n",
        run.name, run.count, wallMs, wireMs, run.chars, run.exchanges * turnaroundMs, boundMs,
        ratio, cpuMs, failures, met ? "ok" : "MISSED");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    const int turnaroundMs = bench::IntArgument(argc, argv, 1, 2);
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
    for (const Run& run : runs) allMet = Measure(link, state, run, turnaroundMs) && allMet;
    port.Close();
    return allMet ? 0 : 1;
}
