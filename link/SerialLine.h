#pragma once
#include <string>

#include "link/CommTypes.h"

// The few port operations the command protocol needs. TComm implements it over
// termios; tests plug in a line that talks to an in-process simulated amplifier.
class SerialLine {
public:
    virtual ~SerialLine() = default;

    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual bool Enabled() const = 0;

    // Bytes written, or -1 when the port is closed.
    virtual int Write(const char* data, int count) = 0;
    // Waits at most 1000 ms in all for count bytes; returns the bytes read
    // (0 after the time-out), or -1 when the port is closed.
    virtual int Read(char* buffer, int count) = 0;
    virtual void PurgeIn() = 0;
    // Takes up to count bytes that have arrived or arrive within about one
    // character time: what follows a reply on the wire. A line that cannot
    // tell returns 0.
    virtual int ReadTrailing(char* buffer, int count) {
        (void)buffer;
        (void)count;
        return 0;
    }
    // Reads like Read, then takes what follows those count bytes on the wire
    // within about one character time, up to capacity bytes in all: the bytes
    // read, or -1 when the port is closed. A port may wait for both in one
    // wake-up.
    virtual int ReadWithTrailing(char* buffer, int count, int capacity) {
        const int got = Read(buffer, count);
        if (got < count || capacity <= count) return got;
        return got + ReadTrailing(buffer + got, capacity - got);
    }

    virtual void SetDeviceName(const std::string& name) = 0;
    virtual std::string GetDeviceName() const = 0;
    virtual void SetBaudRate(TBaudRate rate) = 0;
    virtual void SetParity(TParity parity) = 0;
    virtual void SetStopBits(TStopBits stopBits) = 0;
    virtual void SetDataBits(TDataBits dataBits) = 0;
    virtual void SetRTSState(bool on) = 0;
    virtual void SetDTRState(bool on) = 0;
};

// A line that passes every operation on to another: a base for lines that
// watch or wrap a few operations and leave the rest as they are.
class ForwardingLine : public SerialLine {
public:
    explicit ForwardingLine(SerialLine& inner) : inner_(inner) {}
    SerialLine& Inner() { return inner_; }
    const SerialLine& Inner() const { return inner_; }

    void Open() override { inner_.Open(); }
    void Close() override { inner_.Close(); }
    bool Enabled() const override { return inner_.Enabled(); }
    int Write(const char* data, int count) override { return inner_.Write(data, count); }
    int Read(char* buffer, int count) override { return inner_.Read(buffer, count); }
    void PurgeIn() override { inner_.PurgeIn(); }
    int ReadTrailing(char* buffer, int count) override {
        return inner_.ReadTrailing(buffer, count);
    }
    int ReadWithTrailing(char* buffer, int count, int capacity) override {
        return inner_.ReadWithTrailing(buffer, count, capacity);
    }
    void SetDeviceName(const std::string& name) override { inner_.SetDeviceName(name); }
    std::string GetDeviceName() const override { return inner_.GetDeviceName(); }
    void SetBaudRate(TBaudRate rate) override { inner_.SetBaudRate(rate); }
    void SetParity(TParity parity) override { inner_.SetParity(parity); }
    void SetStopBits(TStopBits stopBits) override { inner_.SetStopBits(stopBits); }
    void SetDataBits(TDataBits dataBits) override { inner_.SetDataBits(dataBits); }
    void SetRTSState(bool on) override { inner_.SetRTSState(on); }
    void SetDTRState(bool on) override { inner_.SetDTRState(on); }

private:
    SerialLine& inner_;
};
