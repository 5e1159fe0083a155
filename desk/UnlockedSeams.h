#pragma once
#include <type_traits>

#include "desk/DeskLock.h"
#include "link/Clock.h"
#include "link/SerialLine.h"

// The port as the desk's logic sees it: every operation that may wait on the
// wire lets the desk lock go meanwhile, so the window runs while the line waits.
class UnlockedLine : public ForwardingLine {
    // Runs work with the desk lock let go; gives back its result.
    template <class Work>
    auto Released(Work&& work) {
        using Result = decltype(work());
        if constexpr (std::is_void_v<Result>) {
            lock_.ReleasedDuring(work);
        } else {
            Result result{};
            lock_.ReleasedDuring([&] { result = work(); });
            return result;
        }
    }

public:
    UnlockedLine(SerialLine& port, DeskLock& lock) : ForwardingLine(port), lock_(lock) {}

    void Open() override {
        Released([&] { ForwardingLine::Open(); });
    }
    void Close() override {
        Released([&] { ForwardingLine::Close(); });
    }
    int Write(const char* data, int count) override {
        return Released([&] { return ForwardingLine::Write(data, count); });
    }
    int Read(char* buffer, int count) override {
        return Released([&] { return ForwardingLine::Read(buffer, count); });
    }
    void PurgeIn() override {
        Released([&] { ForwardingLine::PurgeIn(); });
    }
    int ReadTrailing(char* buffer, int count) override {
        return Released([&] { return ForwardingLine::ReadTrailing(buffer, count); });
    }
    int ReadWithTrailing(char* buffer, int count, int capacity) override {
        return Released([&] { return ForwardingLine::ReadWithTrailing(buffer, count, capacity); });
    }

private:
    DeskLock& lock_;
};

// The clock as the desk's logic sees it: a pause lets the desk lock go.
class UnlockedClock : public Clock {
public:
    UnlockedClock(Clock& clock, DeskLock& lock) : clock_(clock), lock_(lock) {}
    std::uint64_t NowMs() override { return clock_.NowMs(); }
    void WaitMs(int ms) override {
        lock_.ReleasedDuring([&] { clock_.WaitMs(ms); });
    }

private:
    Clock& clock_;
    DeskLock& lock_;
};
