#pragma once
// A simulated drive with the monitoring logic on it: identified as start-up
// does, busy flags cleared, the wire log empty.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/SimDrive.h"
#include "tests/support/Wire.h"

// Runs a handler as a repeating QTimer would: every periodMs, and once at
// once after a handler that ran past its next time, which is not made up.
class TimerSteps {
public:
    TimerSteps(ManualClock& clock, int periodMs)
        : clock_(clock), periodMs_(static_cast<std::uint64_t>(periodMs)), next_(clock.NowMs()) {}
    template <class Handler>
    void Run(int ms, Handler handler) {
        const std::uint64_t end = next_ + static_cast<std::uint64_t>(ms);
        while (next_ < end) {
            if (clock_.NowMs() < next_) clock_.Advance(next_ - clock_.NowMs());
            handler();
            next_ = std::max(next_ + periodMs_, clock_.NowMs());
        }
    }

private:
    ManualClock& clock_;
    std::uint64_t periodMs_;
    std::uint64_t next_;
};

struct MonitorBench {
    explicit MonitorBench(const std::string& family, int fxVersion = 0) : drive(family, fxVersion) {
        drive.Connect();
        drive.state.MonitorBusy = drive.state.IODisplayBusy = drive.state.AlarmBusy = false;
        drive.line->ClearLog();
    }

    std::vector<std::string> Wire() const { return DecodeRequests(drive.line->Requests()); }
    std::vector<std::string> Operations() const { return FoldMailbox(Wire()); }

    void SetWord(int address, std::uint16_t value) { drive.amplifier->SetRam(address, value); }
    // A long as the amplifier keeps it: high word at address, low word after it.
    void SetLong(int address, std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        SetWord(address, static_cast<std::uint16_t>(bits >> 16));
        SetWord(address + 1, static_cast<std::uint16_t>(bits & 0xFFFF));
    }

    SimDrive drive;
};
