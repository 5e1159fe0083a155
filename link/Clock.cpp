#include "link/Clock.h"

#include <chrono>
#include <thread>

std::uint64_t SystemClock::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemClock::WaitMs(int ms) {
    const std::uint64_t start = NowMs();
    while (ms > 0 && NowMs() - start < static_cast<std::uint64_t>(ms)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
