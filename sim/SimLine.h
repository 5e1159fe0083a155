#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/SerialLine.h"
#include "sim/Amplifier.h"

namespace sim {

// A serial line wired straight to an in-process amplifier: no pseudo-terminal
// and no real waiting. Written bytes reach the amplifier at once; a read takes
// the reply bytes that are due and, when fewer than asked are there, returns
// what it has after advancing the clock by the time-out. With a clock, each
// byte on the wire also advances it by its 9600 bit/s wire time, so mailbox
// and tuning delays of the amplifier pass as on a real line.
class SimLine : public SerialLine {
public:
    static constexpr int kTimeoutMs = 1000;

    struct Exchange {
        std::string written;
        std::string read;
    };

    explicit SimLine(Amplifier& amplifier, ManualClock* clock = nullptr);

    void Open() override;
    void Close() override { open_ = false; }
    bool Enabled() const override { return open_; }
    int Write(const char* data, int count) override;
    int Read(char* buffer, int count) override;
    // What is left of the replies taken, and replies due within a character
    // time and a half (the clock moves on to them).
    int ReadTrailing(char* buffer, int count) override;
    void PurgeIn() override;

    void SetDeviceName(const std::string& name) override { deviceName_ = name; }
    std::string GetDeviceName() const override { return deviceName_; }
    void SetBaudRate(TBaudRate rate) override { baudRate_ = rate; }
    void SetParity(TParity parity) override { parity_ = parity; }
    void SetStopBits(TStopBits stopBits) override { stopBits_ = stopBits; }
    void SetDataBits(TDataBits dataBits) override { dataBits_ = dataBits; }
    void SetRTSState(bool on) override { rts_ = on; }
    void SetDTRState(bool on) override { dtr_ = on; }

    // The USB adapter taken away: open fails, reads and writes return -1.
    void SetUnplugged(bool unplugged);
    void SetWireTime(bool on) { wireTime_ = on; }

    // One entry per Write, with the bytes read after it.
    const std::vector<Exchange>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    // The written requests in order, for assertions.
    std::vector<std::string> Requests() const;
    int Timeouts() const { return timeouts_; }

    TBaudRate BaudRate() const { return baudRate_; }
    TParity Parity() const { return parity_; }
    TDataBits DataBits() const { return dataBits_; }
    TStopBits StopBits() const { return stopBits_; }
    bool Rts() const { return rts_; }
    bool Dtr() const { return dtr_; }

private:
    void PassWireTime(int bytes);
    void Fetch();
    int Take(char* buffer, int count);

    Amplifier& amplifier_;
    ManualClock* clock_;
    bool open_ = false;
    bool unplugged_ = false;
    bool wireTime_ = true;
    long wireMicros_ = 0;
    std::string inbox_;
    std::vector<Exchange> log_;
    int timeouts_ = 0;
    std::string deviceName_ = "Com1";
    TBaudRate baudRate_ = br9600;
    TParity parity_ = paNone;
    TStopBits stopBits_ = sb10;
    TDataBits dataBits_ = da8;
    bool rts_ = false;
    bool dtr_ = false;
};

// Clock, amplifier and line wired together for tests:
//   sim::SimRig rig("bx");  DriveLink link(rig.line, rig.clock, ...);
struct SimRig {
    explicit SimRig(const std::string& family, int fxVersion = 0);

    ManualClock clock;
    Profile profile;
    Amplifier amplifier;
    SimLine line;
};

}  // namespace sim
