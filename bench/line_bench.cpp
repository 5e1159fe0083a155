// transfer-line on many stations at once: one FX and one BX file into 8
// ampsim instances paced at 9600 bit/s at the same time, and into 1. Each
// port has its own thread, so 8 should take little longer than 1: the goal
// is a wall time of 8 at most 1.15 of 1. Also the CPU time this process
// spends per exchange, over all ports.
// Usage: line_bench [PORTS] [TURNAROUND_MS]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "ctl/CtlLine.h"

namespace {

constexpr double WallGoal = 1.15;

struct Run {
    double wallMs = 0;
    double cpuMs = 0;
    int exchanges = 0;
    int status = -1;
};

struct Station {
    std::unique_ptr<AmpsimProcess> ampsim;
    std::string log;
    std::unique_ptr<CtlStation> ctl;
};

std::vector<Station> StartStations(int count, const std::string& family,
                                   const std::vector<std::string>& args,
                                   const CtlOptions& options) {
    std::vector<Station> stations(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Station& s = stations[static_cast<std::size_t>(i)];
        s.log = "/tmp/line_bench_" + std::to_string(::getpid()) + "_" + std::to_string(i) + ".log";
        std::vector<std::string> own = args;
        own.insert(own.end(), {"--log", s.log});
        s.ampsim = std::make_unique<AmpsimProcess>(bench::AmpsimPath, family, own);
        s.ctl = MakeStation(s.ampsim->Folder() + "/Com1", options, bench::DataFolder);
        std::string error;
        if (!s.ctl->Open(error)) std::fprintf(stderr, "%s\n", error.c_str());
    }
    return stations;
}

Run TransferOn(std::vector<Station>& stations, std::size_t count, const CtlCommand& command) {
    std::vector<LinePort> ports;
    std::vector<int> before;
    for (std::size_t i = 0; i < count; ++i) {
        ports.push_back({stations[i].ctl->PortName(), stations[i].ctl->Drive()});
        before.push_back(bench::LogLines(stations[i].log));
    }
    std::ostringstream out, err;
    Run run;
    const double cpuStart = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    run.status = RunTransferLine(
        ports, command, out, err, [] { return false; }, false);
    run.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.cpuMs = (ProcessCpuSeconds() - cpuStart) * 1e3;
    for (std::size_t i = 0; i < count; ++i) {
        run.exchanges += bench::ReadLog(stations[i].log, before[i]).exchanges;
    }
    if (run.status != CtlOk) std::printf("    status %d: %s", run.status, err.str().c_str());
    return run;
}

void Report(const char* what, std::size_t ports, const Run& run) {
    std::printf("  %-3s x%zu: %8.0f ms, %6d exchanges, CPU %.3f ms/exchange\n", what, ports,
                run.wallMs, run.exchanges, run.exchanges > 0 ? run.cpuMs / run.exchanges : 0.0);
}

bool Bench(const char* family, const char* version, int ports, int turnaroundMs) {
    std::vector<std::string> args = bench::PacedArgs(turnaroundMs);
    if (version[0] != '\0') args.insert(args.end(), {"--fx-version", version});
    CtlOptions options;
    options.Family = family;
    std::vector<Station> stations = StartStations(ports, family, args, options);
    const std::string file = stations[0].ampsim->Folder() + "/line.dat";
    std::ostringstream out, err;
    ServoCtl saver(stations[0].ctl->Drive(), out, err);
    if (saver.Execute({"save", file}) != CtlOk) {
        std::printf("%s: the save failed: %s", family, err.str().c_str());
        return false;
    }
    CtlCommand command;
    std::string error;
    ParseCommand({"transfer-line", file, "--count", "1", "--reset", "no"}, command, error);
    std::printf("%s%s%s:\n", family, version[0] ? " " : "", version);
    const Run one = TransferOn(stations, 1, command);
    Report("one", 1, one);
    const Run all = TransferOn(stations, stations.size(), command);
    Report("all", stations.size(), all);
    const double ratio = all.wallMs / one.wallMs;
    const bool met = ratio <= WallGoal && one.status == CtlOk && all.status == CtlOk;
    std::printf("  wall %zu / 1 = %.3f (goal <= %.2f) %s\n", stations.size(), ratio, WallGoal,
                met ? "ok" : "MISSED");
    for (const Station& s : stations) std::remove(s.log.c_str());
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    const int ports = bench::IntArgument(argc, argv, 1, 8);
    const int turnaroundMs = bench::IntArgument(argc, argv, 2, 2);
    // The production record of these runs is no one's.
    const std::string data = "/tmp/line_bench_" + std::to_string(::getpid());
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    std::printf("line_bench: transfer-line into %d ampsim --pace --turnaround %d at once, and 1\n",
                ports, turnaroundMs);
    bool met = Bench("fx", "31", ports, turnaroundMs);
    met = Bench("bx", "", ports, turnaroundMs) && met;
    std::error_code ignored;
    std::filesystem::remove_all(data, ignored);
    return met ? 0 : 1;
}
