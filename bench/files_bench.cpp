// Whole-set save, transfer and verified transfer per family through TComm
// against ampsim paced at 9600 bit/s: the time taken against the characters' wire time, one
// turnaround per exchange and the pauses the procedure waits, and the CPU
// time this process spends per exchange.
// Usage: files_bench [TURNAROUND_MS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "files/FileCommands.h"
#include "link/DriveLink.h"
#include "tests/support/ScriptedQuestions.h"

namespace {

using bench::CharMs;

// The system clock, adding up the pauses it is asked for.
class CountingClock : public Clock {
public:
    std::uint64_t NowMs() override { return clock_.NowMs(); }
    void WaitMs(int ms) override {
        waitedMs_ += ms > 0 ? ms : 0;
        clock_.WaitMs(ms);
    }
    long long waitedMs_ = 0;

private:
    SystemClock clock_;
};

struct Member {
    const char* family;
    const char* version;
};

bool Measure(const char* what, const std::string& logPath, int before, double wallMs, double cpuMs,
             long long pausedMs, int turnaroundMs) {
    const bench::Wire wire = bench::ReadLog(logPath, before);
    const double boundMs = wire.chars * CharMs + wire.exchanges * turnaroundMs + pausedMs;
    const double ratio = wallMs / boundMs;
    const double cpuPer = wire.exchanges > 0 ? cpuMs / wire.exchanges : 0.0;
    const bool met = ratio <= 1.05 && cpuPer <= 0.1;
    std::printf(
        "  %-5s %5d exchanges: %8.0f ms; wire %7.0f ms + turnaround %5d ms + pauses %6lld ms = "
        "%8.0f ms; ratio %.3f; CPU %.3f ms/exchange %s\n",
        what, wire.exchanges, wallMs, wire.chars * CharMs, wire.exchanges * turnaroundMs, pausedMs,
        boundMs, ratio, cpuPer, met ? "ok" : "MISSED");
    return met;
}

bool Bench(const Member& member, int turnaroundMs) {
    std::vector<std::string> args = bench::PacedArgs(turnaroundMs);
    if (member.version[0] != '\0') args.insert(args.end(), {"--fx-version", member.version});
    const std::string logPath = "/tmp/files_bench_" + std::to_string(::getpid()) + ".log";
    args.insert(args.end(), {"--log", logPath});
    AmpsimProcess ampsim(bench::AmpsimPath, member.family, args);
    TComm port;
    if (!bench::OpenAmpsimPort(ampsim, port)) return false;
    CountingClock clock;
    DriveState state;
    MainPanel panel;
    MessageCatalogue catalogue;
    DriveLink link(port, clock, state, panel, catalogue);
    AddressMap map;
    Identification identification(link, port, state, panel, catalogue, map);
    bench::StartAs(member.family, state, catalogue, map, identification);
    ScriptedQuestions ask;
    ask.SetFallback(mrNo);
    LongOperation longOperation;
    TransferSeams seams{link,   state, panel, clock, ask, [&](int n) { return catalogue.Msg(n); },
                        nullptr};
    ParamFileCommands commands(seams, longOperation);
    const std::string file = ampsim.Folder() + "/set" + FileKindFor(state).Extension;
    std::printf("%s%s%s (%s):\n", member.family, member.version[0] ? " " : "", member.version,
                FileKindFor(state).Name);

    // The transfer alone, then verified: the read-back is timed against the
    // wire time of the writes, the reads back and the pauses.
    state.PreviewBeforeTransfer = false;
    TransferSafety safety;
    safety.Backup = false;
    commands.SetSafety(safety);
    enum class Step { Save, Open, Verified };
    bool met = true;
    for (const Step step : {Step::Save, Step::Open, Step::Verified}) {
        state.VerifyAfterTransfer = step == Step::Verified;
        ask.AnswerFile(file);
        const int before = bench::LogLines(logPath);
        clock.waitedMs_ = 0;
        const double cpuStart = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        step == Step::Save ? commands.M32SaveClick() : commands.M31OpenClick();
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        const double cpuMs = (ProcessCpuSeconds() - cpuStart) * 1e3;
        const OpenOutcome& open = commands.LastOpen();
        const bool ok = step == Step::Save ? commands.LastSave().Written
                                           : open.Passes == 1 && open.FailedWrites == 0 &&
                                                 open.Mismatched == 0 && open.VerifyFailed == 0;
        const char* name = step == Step::Save ? "save" : step == Step::Open ? "open" : "verif";
        if (!ok) std::printf("  %s FAILED\n", name);
        met = Measure(name, logPath, before, wallMs, cpuMs, clock.waitedMs_, turnaroundMs) && ok &&
              met;
    }
    port.Close();
    std::remove(logPath.c_str());
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    const int turnaroundMs = bench::IntArgument(argc, argv, 1, 2);
    std::printf("files_bench: TComm against ampsim --pace --turnaround %d (9600 bit/s)\n",
                turnaroundMs);
    const Member members[] = {{"bx", ""},   {"dx", ""},   {"fx", "25"},
                              {"fx", "31"}, {"kqrv", ""}, {"yz", ""}};
    bool allMet = true;
    for (const Member& member : members) allMet = Bench(member, turnaroundMs) && allMet;
    return allMet ? 0 : 1;
}
