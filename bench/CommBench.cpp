// CPU cost of an open serial port on a pseudo-terminal: idle, with unread
// input waiting, and hung up while the status poll keeps trying; plus the
// round-trip time of one request/reply on the pty.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "link/Comm.h"
#include "tests/link/PtyPair.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs step until wall time is up and reports the process CPU share.
void MeasureCpu(const char* what, std::chrono::milliseconds wall,
                const std::function<void()>& step) {
    const double cpuStart = CpuSeconds();
    const auto start = SteadyClock::now();
    while (SteadyClock::now() - start < wall) step();
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    std::printf("%-44s CPU %6.3f %% of wall time over %.1f s\n", what,
                100.0 * (CpuSeconds() - cpuStart) / seconds, seconds);
}

void MeasureRoundTrip(TComm& port, const PtyPair& pty) {
    const int rounds = 200;
    char reply[8];
    const auto start = SteadyClock::now();
    for (int i = 0; i < rounds; ++i) {
        port.Write("R568F5", 6);
        pty.Receive(6, 200);
        pty.Send("%001234");
        port.Read(reply, 7);
    }
    const double us = std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count();
    std::printf("%-44s %8.1f us per exchange (%d rounds)\n", "request/reply round trip on a pty",
                us / rounds, rounds);
}

}  // namespace

int main() {
    TempFolder folder;
    auto pty = std::make_unique<PtyPair>();
    folder.Link("Com1", pty->SlavePath());
    TComm port;
    port.SetSearchFolder(folder.Path());
    port.SetDeviceName("Com1");
    port.Open();
    if (!port.Enabled()) {
        std::fprintf(stderr, "cannot open the pty\n");
        return 1;
    }

    MeasureCpu("idle open port", 3s, [] { std::this_thread::sleep_for(100ms); });
    pty->Send("unread reply bytes");
    MeasureCpu("open port with unread input", 2s, [] { std::this_thread::sleep_for(100ms); });
    port.PurgeIn();
    MeasureRoundTrip(port, *pty);

    pty->CloseMaster();
    folder.Link("Com1", folder.Path() + "/unplugged");
    char reply[7];
    MeasureCpu("hung up, exchange every 200 ms", 2s, [&] {
        port.Write("R568F5", 6);
        port.Read(reply, 7);
        std::this_thread::sleep_for(200ms);
    });
    // How long one failed exchange takes while the adapter is away.
    int failed = 0;
    const auto start = SteadyClock::now();
    while (SteadyClock::now() - start < 1s) {
        port.Write("R568F5", 6);
        port.Read(reply, 7);
        ++failed;
    }
    const double us = std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count();
    std::printf("%-44s %8.1f us per exchange (%d rounds)\n", "hung up, failed exchange",
                us / failed, failed);
    port.Close();
    return 0;
}
