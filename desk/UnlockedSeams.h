#pragma once
#include <type_traits>

#include "desk/DeskLock.h"
#include "link/Clock.h"
#include "link/SerialLine.h"

// The port as the desk's logic sees it: every operation that may wait on the
// wire lets the desk lock go meanwhile, so the window runs while the line waits.
class UnlockedLine : public SerialLine {
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
    UnlockedLine(SerialLine& port, DeskLock& lock) : port_(port), lock_(lock) {}
    SerialLine& Inner() { return port_; }
    const SerialLine& Inner() const { return port_; }

    void Open() override {
        Released([&] { port_.Open(); });
    }
    void Close() override {
        Released([&] { port_.Close(); });
    }
    bool Enabled() const override { return port_.Enabled(); }
    int Write(const char* data, int count) override {
        return Released([&] { return port_.Write(data, count); });
    }
    int Read(char* buffer, int count) override {
        return Released([&] { return port_.Read(buffer, count); });
    }
    void PurgeIn() override {
        Released([&] { port_.PurgeIn(); });
    }
    int ReadTrailing(char* buffer, int count) override {
        return Released([&] { return port_.ReadTrailing(buffer, count); });
    }
    int ReadWithTrailing(char* buffer, int count, int capacity) override {
        return Released([&] { return port_.ReadWithTrailing(buffer, count, capacity); });
    }
    void SetDeviceName(const std::string& name) override { port_.SetDeviceName(name); }
    std::string GetDeviceName() const override { return port_.GetDeviceName(); }
    void SetBaudRate(TBaudRate rate) override { port_.SetBaudRate(rate); }
    void SetParity(TParity parity) override { port_.SetParity(parity); }
    void SetStopBits(TStopBits stopBits) override { port_.SetStopBits(stopBits); }
    void SetDataBits(TDataBits dataBits) override { port_.SetDataBits(dataBits); }
    void SetRTSState(bool on) override { port_.SetRTSState(on); }
    void SetDTRState(bool on) override { port_.SetDTRState(on); }

private:
    SerialLine& port_;
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
