#pragma once
// The serial port over termios: exclusive open, raw line settings, reads
// with a whole-reply time-out, modem lines, and an event thread that hands
// line events to the main thread.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "link/CommEventThread.h"
#include "link/CommLine.h"
#include "link/NetLine.h"
#include "link/PortDiagnosis.h"
#include "link/SerialLine.h"
#include "link/SerialLock.h"

// Misuse of the port and failed driver settings.
class ECommError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr TCommEventTypes AllCommEvents{evBreak, evCts,    evDsr,    evError,  evRing,
                                               evRlsd,  evRxChar, evRxFlag, evTxEmpty};

// Escape functions of EscapeComm.
enum TEscapeFunction {
    efSetXOff,  // act as if XOFF had been received: hold output
    efSetXOn,   // act as if XON had been received: resume output
    efSetRTS,
    efClrRTS,
    efSetDTR,
    efClrDTR,
    efSetBreak,
    efClrBreak,
};

// The driver's queue status. Linux reports no hold reasons other than a
// CTS hold under hardware handshake; the other flags stay false.
struct TComStat {
    bool ctsHold = false;
    bool dsrHold = false;
    bool rlsdHold = false;
    bool xoffHold = false;
    bool xoffSent = false;
    int inQue = 0;
    int outQue = 0;
};

class TThreadComm;

// The five special characters. Only XOn and XOff have a termios slot; the
// others are kept for the caller.
class TCommEventChars {
public:
    explicit TCommEventChars(TThreadComm* owner) : owner_(owner) {}

    char XOnChar() const { return chars_[0]; }
    char XOffChar() const { return chars_[1]; }
    char ErrorChar() const { return chars_[2]; }
    char EofChar() const { return chars_[3]; }
    char EvtChar() const { return chars_[4]; }

    // index 1 = XOnChar ... 5 = EvtChar; others read 0 and are ignored.
    char GetEventChar(int index) const;
    void SetEventChar(int index, char value);
    void Assign(const TCommEventChars& source);

private:
    TThreadComm* owner_;
    std::array<char, 5> chars_{17, 19, 0, 0, 0};
};

using TNotifyEvent = std::function<void(TThreadComm* sender)>;
using TCommErrorEvent = std::function<void(TThreadComm* sender, unsigned errors)>;
using TCommRxCharEvent = std::function<void(TThreadComm* sender, int count)>;
using TCommStatEvent =
    std::function<void(TThreadComm* sender, TCommEventTypes mask, const TComStat& status)>;

// All behaviour of the port.
//
// Hang-up: when the device goes away (an unplugged USB adapter, a closed
// pty master) the port closes the dead descriptor and marks itself hung up.
// Enabled stays true, because the port is still logically open and must be
// closed before it is renamed; reads and writes fail at once (0) and, at most
// once a second, try to reopen the same device name. So the status poll's
// retries bring the link back by themselves once the adapter is back.
//
// A device name "tcp://HOST:PORT" or "rfc2217://HOST:PORT" opens a serial
// device server over the network instead (see NetLine.h); the reads, writes,
// time-outs and hang-ups above it behave as for a local device, and a
// dropped connection is a hang-up whose reopen is a reconnect.
class TThreadComm : public SerialLine {
public:
    static constexpr int ReadTotalTimeoutMs = 1000;
    static constexpr std::chrono::milliseconds ReopenInterval{1000};

    TThreadComm();
    ~TThreadComm() override;
    TThreadComm(const TThreadComm&) = delete;
    TThreadComm& operator=(const TThreadComm&) = delete;

    void Open() override;
    void Close() override;
    bool Enabled() const override { return enabled_; }

    int Write(const char* data, int count) override;
    int Read(char* buffer, int count) override;
    int ReadTrailing(char* buffer, int count) override;
    int ReadWithTrailing(char* buffer, int count, int capacity) override;
    int InQueCount();
    int OutQueCount();
    void PurgeIn() override;
    void PurgeOut();

    // Device name, queue sizes, SuspendTime and MonitorEvents change only
    // while closed; line settings apply at once when open. A rate or word size
    // termios lacks (14400, 56000, 128000, 256000 bit/s; 4 data bits) raises
    // "Error updating DataControlBlock (Error: 22)" when applied.
    void SetDeviceName(const std::string& name) override;
    std::string GetDeviceName() const override { return deviceName_; }
    void SetBaudRate(TBaudRate rate) override;
    void SetParity(TParity parity) override;
    void SetStopBits(TStopBits stopBits) override;
    void SetDataBits(TDataBits dataBits) override;
    // A driver without modem lines (a pty) accepts DTR and RTS silently.
    void SetRTSState(bool on) override;
    void SetDTRState(bool on) override;
    void SetXONState(bool on);
    void SetBREAKState(bool on);
    void EscapeComm(TEscapeFunction function);

    bool GetModemState(int index);
    bool GetComState(int index);

    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }
    // Raises when the port is open.
    void CheckOpen() const;

    void HandleCommEvent(TThreadComm* sender, TCommEventTypes mask);
    // Re-applies the line settings under the lock, when open.
    void UpdateDataControlBlockLock();

    // Folder where bare device names are looked up (the start-up folder).
    void SetSearchFolder(std::string folder) { searchFolder_ = std::move(folder); }
    // How events reach the main thread; without one the event thread calls
    // the handlers itself, and they must then not call back into the port.
    void SetMainThreadInvoker(MainThreadInvoker invoker) { invoker_ = std::move(invoker); }
    bool HungUp() const { return hungUp_; }
    // Why the last Open left the port closed (Problem None after a good open).
    const OpenFailure& LastOpenFailure() const { return lastOpenFailure_; }
    // Folder of the serial lock files; one that is not writable means none.
    void SetLockFolder(std::string folder) { lockFolder_ = std::move(folder); }

protected:
    std::uint32_t GetReadTimeout() const { return readTimeout_; }
    void SetReadTimeout(std::uint32_t ms) { readTimeout_ = ms; }
    std::uint32_t GetWriteTimeout() const { return writeTimeout_; }
    void SetWriteTimeout(std::uint32_t ms) { writeTimeout_ = ms; }
    std::uint16_t GetReadBufSize() const { return readBufSize_; }
    void SetReadBufSize(std::uint16_t size);
    std::uint16_t GetWriteBufSize() const { return writeBufSize_; }
    void SetWriteBufSize(std::uint16_t size);
    std::uint32_t GetSuspendTime() const { return suspendTime_; }
    void SetSuspendTime(std::uint32_t ms);
    TCommEventTypes GetMonitorEvents() const { return monitorEvents_; }
    void SetMonitorEvents(TCommEventTypes events);
    TBaudRate GetBaudRate() const { return baudRate_; }
    TParity GetParity() const { return parity_; }
    TStopBits GetStopBits() const { return stopBits_; }
    TDataBits GetDataBits() const { return dataBits_; }
    TCommEventChars& EventChars() { return *eventChars_; }
    TCommOptions GetOptions() const { return options_; }
    void SetOptions(TCommOptions options);
    TFlowControl GetFlowControl() const { return flowControl_; }
    void SetFlowControl(TFlowControl flowControl);

    void UpdateDataControlBlock();
    void UpdateCommTimeouts();

    TNotifyEvent OnBreak;
    TNotifyEvent OnCts;
    TNotifyEvent OnDsr;
    TNotifyEvent OnRing;
    TNotifyEvent OnRlsd;
    TCommErrorEvent OnError;
    TCommRxCharEvent OnRxChar;
    TNotifyEvent OnRxFlag;
    TNotifyEvent OnTxEmpty;
    TCommStatEvent OnComStatEvent;

private:
    template <typename T>
    void StoreWhileClosed(T& field, T value);
    template <typename T>
    void StoreAndApply(T& field, T value);

    bool RequestQueueSizes() const;
    void StartEventThread();
    TCommEventTypes ThreadEvents() const;
    void StopEventThread();
    void CloseDevice();
    int OpenDevice();
    bool ConfigureDevice();
    bool LineReady();
    bool ReopenDevice();
    void MarkHungUp();
    bool ClearCommError(unsigned& errors, TComStat& status);
    TComStat QueueStatus();
    // Clears the error state alone; returns the error bits since the last clear.
    unsigned ResetLineErrors();
    // Where a read stands between its waits.
    struct ReadProgress {
        int count = 0;
        bool trailing = false;  // room beyond count: what follows is taken too
        int got = 0;
        bool lineDown = false;
        bool sleptForRest = false;
        // The last wait was the sleep for the rest, which also covered the
        // wait for what follows it.
        bool heardPastRest = false;
        std::chrono::steady_clock::time_point heardUntil;
    };
    // One read of what the device holds, as read() does: for a network port
    // the data with the Telnet commands taken out, and a closed connection an
    // error (ECONNRESET) rather than "nothing there".
    ssize_t ReadDevice(int fd, char* buffer, std::size_t count);
    bool Networked() const { return netAddress_.has_value(); }
    int OpenNetwork(int timeoutMs);
    void ConfigureNetwork();
    void NegotiateComPort(int fd);
    // Sends a COM port command on an RFC 2217 port; nothing on a raw one.
    void SendComPortCommand(const std::string& command);
    int WriteNetwork(const char* data, int count);
    void PurgeNetworkInput();
    int ReadUntilDeadline(char* buffer, int count, int capacity);
    bool WaitForRest(int fd, int leftMs, ReadProgress& progress);
    int TakeTrailing(int fd, char* buffer, int count, std::chrono::steady_clock::time_point until);
    int WriteUntilDeadline(const char* data, int count);
    int WriteMsPerByte() const;
    long CharMicros() const;
    long TrailingMicros() const;
    std::chrono::microseconds Trailing() const;
    std::chrono::steady_clock::time_point EarliestAnswerEnd() const;

    std::string deviceName_ = "Com2";
    std::atomic<int> fd_{-1};
    std::atomic<bool> enabled_{false};
    std::uint32_t readTimeout_ = 1000;
    std::uint32_t writeTimeout_ = 1000;
    std::uint16_t readBufSize_ = 4096;
    std::uint16_t writeBufSize_ = 2048;
    std::uint32_t suspendTime_ = 5;
    TCommEventTypes monitorEvents_ = AllCommEvents;
    TBaudRate baudRate_ = br9600;
    TParity parity_ = paNone;
    TStopBits stopBits_ = sb10;
    TDataBits dataBits_ = da8;
    std::unique_ptr<TCommEventChars> eventChars_;
    TCommOptions options_;
    TFlowControl flowControl_ = fcDefault;

    std::recursive_mutex lock_;
    std::unique_ptr<TCommEventThread> eventThread_;
    MainThreadInvoker invoker_;
    std::string searchFolder_ = ".";
    std::atomic<bool> hungUp_{false};
    // Counts reads and purges that took input, for the event thread.
    std::shared_ptr<std::atomic<unsigned>> inputTaken_ = std::make_shared<std::atomic<unsigned>>(0);
    std::chrono::steady_clock::time_point lastReopenAttempt_;
    // When the last write began, and the characters written then and read since.
    std::chrono::steady_clock::time_point wroteAt_;
    long wireChars_ = 0;
    // Error counters at the last ClearCommError: the "error state".
    std::mutex errorMutex_;
    commline::LineCounters errorBaseline_;
    std::atomic<bool> hasLineCounters_{false};
    OpenFailure lastOpenFailure_;
    // Set while a network port is open (taken from the name at open).
    std::optional<netline::NetAddress> netAddress_;
    std::unique_ptr<TelnetComPort> telnet_;  // per connection, RFC 2217 only
    std::string lockFolder_ = kLockFolder;
    SerialLock serialLock_;
};

// The port with its settings and event handlers published.
class TComm : public TThreadComm {
public:
    using TThreadComm::EventChars;
    using TThreadComm::GetBaudRate;
    using TThreadComm::GetDataBits;
    using TThreadComm::GetFlowControl;
    using TThreadComm::GetMonitorEvents;
    using TThreadComm::GetOptions;
    using TThreadComm::GetParity;
    using TThreadComm::GetReadBufSize;
    using TThreadComm::GetReadTimeout;
    using TThreadComm::GetStopBits;
    using TThreadComm::GetSuspendTime;
    using TThreadComm::GetWriteBufSize;
    using TThreadComm::GetWriteTimeout;
    using TThreadComm::SetFlowControl;
    using TThreadComm::SetMonitorEvents;
    using TThreadComm::SetOptions;
    using TThreadComm::SetReadBufSize;
    using TThreadComm::SetReadTimeout;
    using TThreadComm::SetSuspendTime;
    using TThreadComm::SetWriteBufSize;
    using TThreadComm::SetWriteTimeout;

    using TThreadComm::OnBreak;
    using TThreadComm::OnComStatEvent;
    using TThreadComm::OnCts;
    using TThreadComm::OnDsr;
    using TThreadComm::OnError;
    using TThreadComm::OnRing;
    using TThreadComm::OnRlsd;
    using TThreadComm::OnRxChar;
    using TThreadComm::OnRxFlag;
    using TThreadComm::OnTxEmpty;
};
