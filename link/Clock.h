#pragma once
#include <cstdint>

// Time source for WaitMs and every protocol pause. Tests replace it so that
// nothing waits for real.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint64_t NowMs() = 0;
    // Returns once at least ms milliseconds have passed. Window events are
    // not processed meanwhile.
    virtual void WaitMs(int ms) = 0;
};

// The monotonic system clock; waits by sleeping rather than spinning.
class SystemClock : public Clock {
public:
    std::uint64_t NowMs() override;
    void WaitMs(int ms) override;
};

// A clock for tests: WaitMs advances the time at once and records the wait.
class ManualClock : public Clock {
public:
    std::uint64_t NowMs() override { return now_; }
    void WaitMs(int ms) override {
        now_ += ms > 0 ? static_cast<std::uint64_t>(ms) : 0;
        totalWaited_ += ms > 0 ? ms : 0;
    }
    void Advance(std::uint64_t ms) { now_ += ms; }
    long long TotalWaited() const { return totalWaited_; }

private:
    std::uint64_t now_ = 0;
    long long totalWaited_ = 0;
};
