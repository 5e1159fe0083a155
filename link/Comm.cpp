#include "link/Comm.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace {

using SteadyClock = std::chrono::steady_clock;

const char* const AlreadyOpenText = "Port already assigned (open) (Error: %d)";
const char* const BuffersText = "Error initializing Read/Write Buffers (Error: %d)";
const char* const DataControlBlockText = "Error updating DataControlBlock (Error: %d)";
const char* const TimeoutsText = "Error updating CommTimeouts (Error: %d)";
const char* const EscapeText = "EscapeCommFunction failure (Error: %d)";
const char* const NotOpenText = "Port not open (Error: %d)";

std::string ErrorText(const char* format, int code) {
    char text[96];
    std::snprintf(text, sizeof text, format, code);
    return text;
}

int MsUntil(SteadyClock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool LineDown(short revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

int SetModemLine(int fd, unsigned long request, int line) {
    return ::ioctl(fd, request, &line);
}

struct EscapeRow {
    TEscapeFunction function;
    int (*run)(int fd);
    bool modemLine;  // a driver without modem lines (a pty) accepts the call silently
};
const EscapeRow EscapeRows[] = {
    {efSetXOff, [](int fd) { return ::tcflow(fd, TCOOFF); }, false},
    {efSetXOn, [](int fd) { return ::tcflow(fd, TCOON); }, false},
    {efSetRTS, [](int fd) { return SetModemLine(fd, TIOCMBIS, TIOCM_RTS); }, true},
    {efClrRTS, [](int fd) { return SetModemLine(fd, TIOCMBIC, TIOCM_RTS); }, true},
    {efSetDTR, [](int fd) { return SetModemLine(fd, TIOCMBIS, TIOCM_DTR); }, true},
    {efClrDTR, [](int fd) { return SetModemLine(fd, TIOCMBIC, TIOCM_DTR); }, true},
    {efSetBreak, [](int fd) { return ::ioctl(fd, TIOCSBRK); }, false},
    {efClrBreak, [](int fd) { return ::ioctl(fd, TIOCCBRK); }, false},
};

// What an escape function is on an RFC 2217 port; empty where the option has
// nothing for it (XON and XOFF are the server's business).
std::string ComPortEscape(TEscapeFunction function) {
    switch (function) {
        case efSetRTS:
            return TelnetComPort::SetRts(true);
        case efClrRTS:
            return TelnetComPort::SetRts(false);
        case efSetDTR:
            return TelnetComPort::SetDtr(true);
        case efClrDTR:
            return TelnetComPort::SetDtr(false);
        case efSetBreak:
            return TelnetComPort::SetBreak(true);
        case efClrBreak:
            return TelnetComPort::SetBreak(false);
        default:
            return {};
    }
}

// How long the server may take to agree to the COM port option.
constexpr std::chrono::milliseconds NegotiationTimeout{1000};

struct ModemStateRow {
    int index;
    int line;
};
const ModemStateRow ModemStateRows[] = {
    {1, TIOCM_CTS},
    {2, TIOCM_DSR},
    {3, TIOCM_RI},
    {4, TIOCM_CD},
};

}  // namespace

// ---- TCommEventChars ------------------------------------------------------

char TCommEventChars::GetEventChar(int index) const {
    return index >= 1 && index <= 5 ? chars_[index - 1] : 0;
}

void TCommEventChars::SetEventChar(int index, char value) {
    if (index < 1 || index > 5) return;
    chars_[index - 1] = value;
    if (owner_) owner_->UpdateDataControlBlockLock();
}

void TCommEventChars::Assign(const TCommEventChars& source) {
    chars_ = source.chars_;
    if (owner_) owner_->UpdateDataControlBlockLock();
}

// ---- construction and settings ---------------------------------------------

TThreadComm::TThreadComm() : eventChars_(std::make_unique<TCommEventChars>(this)) {}

TThreadComm::~TThreadComm() {
    Close();
}

void TThreadComm::CheckOpen() const {
    if (enabled_) throw ECommError(ErrorText(AlreadyOpenText, -1));
}

template <typename T>
void TThreadComm::StoreWhileClosed(T& field, T value) {
    if (!enabled_ && !(field == value)) field = value;
}

template <typename T>
void TThreadComm::StoreAndApply(T& field, T value) {
    if (field == value) return;
    field = value;
    UpdateDataControlBlockLock();
}

void TThreadComm::SetDeviceName(const std::string& name) {
    StoreWhileClosed(deviceName_, name);
}
void TThreadComm::SetReadBufSize(std::uint16_t size) {
    StoreWhileClosed(readBufSize_, size);
}
void TThreadComm::SetWriteBufSize(std::uint16_t size) {
    StoreWhileClosed(writeBufSize_, size);
}
void TThreadComm::SetSuspendTime(std::uint32_t ms) {
    StoreWhileClosed(suspendTime_, ms);
}
void TThreadComm::SetMonitorEvents(TCommEventTypes events) {
    StoreWhileClosed(monitorEvents_, events);
}

void TThreadComm::SetBaudRate(TBaudRate rate) {
    StoreAndApply(baudRate_, rate);
}
void TThreadComm::SetParity(TParity parity) {
    StoreAndApply(parity_, parity);
}
void TThreadComm::SetStopBits(TStopBits stopBits) {
    StoreAndApply(stopBits_, stopBits);
}
void TThreadComm::SetDataBits(TDataBits dataBits) {
    StoreAndApply(dataBits_, dataBits);
}
void TThreadComm::SetOptions(TCommOptions options) {
    StoreAndApply(options_, options);
}
// Not handed to the driver: fcDefault keeps its handshake settings.
void TThreadComm::SetFlowControl(TFlowControl flowControl) {
    StoreAndApply(flowControl_, flowControl);
}

void TThreadComm::UpdateDataControlBlockLock() {
    std::lock_guard guard(lock_);
    UpdateDataControlBlock();
}

void TThreadComm::UpdateDataControlBlock() {
    const int fd = fd_;
    if (!enabled_ || fd < 0) return;
    if (Networked()) {
        // A raw stream carries no settings: the server's own hold there.
        if (!telnet_) return;
        const std::string commands =
            TelnetComPort::LineSettings(baudRate_, dataBits_, parity_, stopBits_);
        if (commands.empty()) throw ECommError(ErrorText(DataControlBlockText, EINVAL));
        SendComPortCommand(commands);
        return;
    }
    const commline::LineSettings settings{baudRate_,
                                          parity_,
                                          stopBits_,
                                          dataBits_,
                                          options_,
                                          eventChars_->XOnChar(),
                                          eventChars_->XOffChar()};
    const int error = commline::ApplyLineSettings(fd, settings);
    if (error != 0) throw ECommError(ErrorText(DataControlBlockText, error));
}

void TThreadComm::UpdateCommTimeouts() {
    const int error = commline::ApplyImmediateReads(fd_);
    if (error != 0) throw ECommError(ErrorText(TimeoutsText, error));
}

// Linux drivers have fixed queues, so there is nothing to size; only a
// request for an empty queue is refused.
bool TThreadComm::RequestQueueSizes() const {
    return readBufSize_ > 0 && writeBufSize_ > 0;
}

// 19200 / bit rate ms per byte: 2 ms at 9600; 0 (no limit) above 19200.
int TThreadComm::WriteMsPerByte() const {
    return 19200 / BaudRateValue(baudRate_);
}

// ---- open and close --------------------------------------------------------

void TThreadComm::Open() {
    std::string error;
    {
        std::lock_guard guard(lock_);
        if (enabled_) {
            error = ErrorText(AlreadyOpenText, -1);
        } else {
            const int fd = OpenDevice();
            if (fd < 0) return;
            fd_ = fd;
            enabled_ = true;
            hungUp_ = false;
            try {
                if (!ConfigureDevice()) error = ErrorText(BuffersText, EINVAL);
            } catch (...) {
                // A port whose settings could not be applied is not left half open.
                CloseDevice();
                throw;
            }
        }
    }
    if (!error.empty()) throw ECommError(error);
}

// The device, exclusively and under its lock file; -1 with the reason kept
// in lastOpenFailure_ when it cannot be had.
int TThreadComm::OpenDevice() {
    netAddress_.reset();
    if (netline::IsNetworkPortName(deviceName_)) return OpenNetwork(netline::ConnectTimeoutMs);
    const std::string path = commline::ResolveDevicePath(deviceName_, searchFolder_);
    lastOpenFailure_ = {PortProblem::None, 0, path, 0};
    int error = 0;
    const int fd = commline::OpenExclusive(path, &error);
    if (fd < 0) {
        lastOpenFailure_.Problem = ProblemForError(error);
        lastOpenFailure_.Error = error;
        return -1;
    }
    if (serialLock_.Acquire(path, lockFolder_) == SerialLock::Result::HeldByOther) {
        commline::CloseExclusive(fd);
        lastOpenFailure_ = {PortProblem::Busy, EBUSY, path, serialLock_.Holder()};
        return -1;
    }
    return fd;
}

// The connection to a device server; -1 with the reason kept in
// lastOpenFailure_ when there is none.
int TThreadComm::OpenNetwork(int timeoutMs) {
    lastOpenFailure_ = {PortProblem::None, 0, deviceName_, 0};
    netAddress_ = netline::ParseNetworkPort(deviceName_);
    int error = EINVAL;
    const int fd = netAddress_ ? netline::Connect(*netAddress_, timeoutMs, &error) : -1;
    if (fd < 0) {
        lastOpenFailure_.Problem =
            netAddress_ ? ProblemForNetworkError(error) : PortProblem::BadNetworkAddress;
        lastOpenFailure_.Error = error;
    }
    return fd;
}

// Time-outs, line settings and the event thread of a freshly opened device.
// Returns false when the queue sizes were refused (the port works anyway).
bool TThreadComm::ConfigureDevice() {
    if (Networked()) {
        ConfigureNetwork();
    } else {
        UpdateCommTimeouts();
    }
    UpdateDataControlBlock();
    const bool queuesSized = RequestQueueSizes();
    {
        std::lock_guard guard(errorMutex_);
        errorBaseline_ = commline::ReadLineCounters(fd_);
        hasLineCounters_ = commline::HasLineCounters(fd_);
    }
    StartEventThread();
    return queuesSized;
}

void TThreadComm::Close() {
    std::lock_guard guard(lock_);
    if (!enabled_) return;
    CloseDevice();
}

void TThreadComm::CloseDevice() {
    StopEventThread();
    const int fd = fd_.exchange(-1);
    if (fd >= 0) {
        // Discarding unsent output also keeps close() from waiting for it.
        if (!Networked()) ::tcflush(fd, TCIOFLUSH);
        commline::CloseExclusive(fd);
    }
    serialLock_.Release();
    netAddress_.reset();
    telnet_.reset();
    enabled_ = false;
    hungUp_ = false;
}

// Watching every arriving byte costs the thread a wake-up and several ioctls
// per byte. Without a handler that is told about arrivals, an arrival would
// only clear the error state, which every Read clears anyway; so the thread
// watches for arrivals only when such a handler is assigned at open time.
// Without any handler it samples nothing and only waits for a hang-up.
TCommEventTypes TThreadComm::ThreadEvents() const {
    if (!OnBreak && !OnCts && !OnDsr && !OnError && !OnRing && !OnRlsd && !OnRxChar && !OnRxFlag &&
        !OnTxEmpty && !OnComStatEvent) {
        return {};
    }
    TCommEventTypes events = monitorEvents_;
    if (!OnRxChar && !OnRxFlag && !OnComStatEvent) {
        events.Exclude(evRxChar);
        events.Exclude(evRxFlag);
    }
    return events;
}

void TThreadComm::StartEventThread() {
    auto handler = [this](TCommEventTypes mask) { HandleCommEvent(this, mask); };
    try {
        eventThread_ =
            std::make_unique<TCommEventThread>(fd_, ThreadEvents(), handler, invoker_, inputTaken_);
    } catch (const std::system_error&) {
        // No thread, no port.
        CloseDevice();
    }
}

void TThreadComm::StopEventThread() {
    if (!eventThread_) return;
    eventThread_->Stop();
    eventThread_.reset();
}

// ---- hang-up and reopen ----------------------------------------------------

// True when the device can be used now; reopens a hung-up device, at most
// once per ReopenInterval.
bool TThreadComm::LineReady() {
    if (!hungUp_ && eventThread_ && eventThread_->SawHangUp()) MarkHungUp();
    if (!hungUp_) return fd_ >= 0;
    const auto now = SteadyClock::now();
    if (now - lastReopenAttempt_ < ReopenInterval) return false;
    lastReopenAttempt_ = now;
    return ReopenDevice();
}

void TThreadComm::MarkHungUp() {
    if (hungUp_) return;
    StopEventThread();
    // Let the dead descriptor go at once: while it is held, a replugged
    // adapter may come back under another name.
    commline::CloseExclusive(fd_.exchange(-1));
    // The device is gone, and with a pseudo-terminal its number goes to the
    // next opener: the lock must not stay behind to refuse that stranger.
    serialLock_.Release();
    hungUp_ = true;
    lastReopenAttempt_ = SteadyClock::now();
}

bool TThreadComm::ReopenDevice() {
    int fd = -1;
    if (Networked()) {
        // A reconnect happens inside a read: it takes no longer than the read may.
        fd = netline::Connect(*netAddress_, ReadTotalTimeoutMs, nullptr);
    } else {
        const std::string path = commline::ResolveDevicePath(deviceName_, searchFolder_);
        fd = commline::OpenExclusive(path);
        if (fd >= 0 && serialLock_.Acquire(path, lockFolder_) == SerialLock::Result::HeldByOther) {
            commline::CloseExclusive(fd);
            fd = -1;
        }
    }
    if (fd < 0) return false;
    fd_ = fd;
    try {
        ConfigureDevice();
    } catch (const ECommError&) {
        commline::CloseExclusive(fd_.exchange(-1));
        return false;
    }
    if (fd_ < 0) return false;
    hungUp_ = false;
    return true;
}

// ---- the network -----------------------------------------------------------

// An RFC 2217 connection starts with the option negotiation; a raw one has none.
void TThreadComm::ConfigureNetwork() {
    telnet_.reset();
    if (netAddress_->Kind == netline::NetKind::Rfc2217) NegotiateComPort(fd_);
}

// Offers the COM port option and waits for the server's answer, answering
// what else it asks meanwhile. A server that refuses the option, or stays
// silent, still carries the data: its own line settings then hold.
void TThreadComm::NegotiateComPort(int fd) {
    telnet_ = std::make_unique<TelnetComPort>();
    const std::string greeting = telnet_->Greeting();
    if (netline::SendAll(fd, greeting.data(), static_cast<int>(greeting.size())) < 0) return;
    const auto deadline = SteadyClock::now() + NegotiationTimeout;
    char chunk[256];
    while (!telnet_->ComPortAgreed() && !telnet_->ComPortRefused()) {
        const int left = MsUntil(deadline);
        pollfd waitFor{fd, POLLIN, 0};
        if (left == 0 || ::poll(&waitFor, 1, left) <= 0) break;
        if (ReadDevice(fd, chunk, sizeof chunk) < 0 && errno != EAGAIN) break;
    }
}

void TThreadComm::SendComPortCommand(const std::string& command) {
    const int fd = fd_;
    if (telnet_ && fd >= 0 && !command.empty())
        netline::SendAll(fd, command.data(), static_cast<int>(command.size()));
}

ssize_t TThreadComm::ReadDevice(int fd, char* buffer, std::size_t count) {
    if (!Networked()) return ::read(fd, buffer, count);
    const ssize_t n = ::recv(fd, buffer, count, MSG_DONTWAIT);
    // A server that sends a reply in two writes with Nagle on waits for the
    // acknowledgement of the first before the second: acknowledge at once
    // rather than after the usual 40 ms (the setting lasts only a while).
    if (n > 0) netline::AcknowledgeAtOnce(fd);
    if (n == 0) {
        errno = ECONNRESET;  // the server closed the connection
        return -1;
    }
    if (n < 0 || !telnet_) return n;
    std::string reply;
    const int data = telnet_->Decode(buffer, static_cast<int>(n), buffer, reply);
    if (!reply.empty()) netline::SendAll(fd, reply.data(), static_cast<int>(reply.size()));
    if (data > 0) return data;
    errno = EAGAIN;  // only Telnet commands: nothing for the reader yet
    return -1;
}

// The request goes out whole or the connection is taken for dropped.
int TThreadComm::WriteNetwork(const char* data, int count) {
    const std::string wire =
        telnet_ ? TelnetComPort::Encode(data, count) : std::string(data, count);
    const int sent = netline::SendAll(fd_, wire.data(), static_cast<int>(wire.size()));
    if (sent == static_cast<int>(wire.size())) return count;
    MarkHungUp();
    return std::clamp(sent, 0, count);
}

// Asks the server to drop what it holds from the drive, then drops what has
// already crossed the network.
void TThreadComm::PurgeNetworkInput() {
    const int fd = fd_;
    SendComPortCommand(TelnetComPort::PurgeReceive());
    char chunk[256];
    while (commline::InputQueueCount(fd) > 0) {
        if (ReadDevice(fd, chunk, sizeof chunk) < 0 && errno != EAGAIN) break;
    }
}

// ---- reading and writing ---------------------------------------------------

int TThreadComm::Read(char* buffer, int count) {
    return ReadWithTrailing(buffer, count, count);
}

int TThreadComm::ReadWithTrailing(char* buffer, int count, int capacity) {
    std::lock_guard guard(lock_);
    if (!enabled_) return -1;
    // Only the error state is cleared here: the queue figures that
    // ClearCommError also gathers cost syscalls on every byte of a reply.
    ResetLineErrors();
    if (count <= 0) return 0;
    if (!LineReady()) return 0;
    const int got = ReadUntilDeadline(buffer, count, std::max(count, capacity));
    if (got > 0) ++*inputTaken_;
    return got;
}

int TThreadComm::ReadTrailing(char* buffer, int count) {
    std::lock_guard guard(lock_);
    const int fd = fd_;
    if (!enabled_ || fd < 0 || count <= 0) return 0;
    const auto now = SteadyClock::now();
    const int got =
        TakeTrailing(fd, buffer, count, std::max(now, EarliestAnswerEnd()) + Trailing());
    wireChars_ += got;
    if (got > 0) ++*inputTaken_;
    return got;
}

// Takes what arrives until `until`. Reads are set up not to wait (VMIN = 0,
// VTIME = 0), so one read() takes what the driver holds. The poll comes
// first: it returns at once for bytes already there, and a quiet line then
// costs no read.
int TThreadComm::TakeTrailing(int fd, char* buffer, int count, SteadyClock::time_point until) {
    const long micros =
        std::chrono::duration_cast<std::chrono::microseconds>(until - SteadyClock::now()).count();
    if (micros <= 0) return 0;
    const timespec wait{micros / 1'000'000, (micros % 1'000'000) * 1000};
    pollfd waitFor{fd, POLLIN, 0};
    if (::ppoll(&waitFor, 1, &wait, nullptr) <= 0 || LineDown(waitFor.revents)) return 0;
    const ssize_t n = ReadDevice(fd, buffer, static_cast<size_t>(count));
    return n > 0 ? static_cast<int>(n) : 0;
}

// Collects count bytes, waiting at most ReadTotalTimeoutMs in all. With room
// beyond count, the bytes that follow them within TrailingMicros are taken
// too.
int TThreadComm::ReadUntilDeadline(char* buffer, int count, int capacity) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(ReadTotalTimeoutMs);
    const int fd = fd_;
    ReadProgress progress;
    progress.count = count;
    progress.trailing = capacity > count;
    // A lone byte is waited for before it is read: a poll returns at once for
    // one already there, so the read that would find nothing is saved.
    bool readFirst = count > 1;
    while (progress.got < count) {
        if (readFirst) {
            const ssize_t n =
                ReadDevice(fd, buffer + progress.got, static_cast<size_t>(capacity - progress.got));
            if (n > 0) {
                progress.got += static_cast<int>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            // With VMIN = 0 a read of 0 is "nothing there" unless poll said the
            // line is down; any hard error means the device has gone.
            if ((n < 0 && errno != EAGAIN) || progress.lineDown) {
                MarkHungUp();
                break;
            }
        }
        readFirst = true;
        const int left = MsUntil(deadline);
        if (left == 0 || !WaitForRest(fd, left, progress)) break;
    }
    wireChars_ += std::min(progress.got, count);
    if (progress.trailing && progress.got >= count && fd_ >= 0) {
        // Listened for: a byte right behind the last one, and anything until
        // the earliest moment these could be an answer to the last write.
        const auto heard =
            progress.heardPastRest ? progress.heardUntil : SteadyClock::now() + Trailing();
        const auto until = std::max(heard, EarliestAnswerEnd() + Trailing());
        const int more =
            progress.got < capacity && until > progress.heardUntil
                ? TakeTrailing(fd, buffer + progress.got, capacity - progress.got, until)
                : 0;
        wireChars_ += more;
        progress.got += more;
    }
    return progress.got;
}

// One wait of a read that lacks bytes; false when the read is to end. The
// characters of a reply come one character time apart, so a read of several
// (the rest of a reply) first sleeps until all should be there, and what
// trails them as well, instead of waking for each; a late straggler is then
// waited for as usual. A hang-up still ends the sleep at once.
bool TThreadComm::WaitForRest(int fd, int leftMs, ReadProgress& progress) {
    const int missing = progress.count - progress.got;
    const bool streaming = (progress.got > 0 || progress.count > 1) && !progress.sleptForRest;
    const long restMicros =
        static_cast<long>(missing) * CharMicros() + (progress.trailing ? TrailingMicros() : 0);
    const long sleepMicros = std::min<long>(restMicros, leftMs * 1000L);
    const timespec wait{sleepMicros / 1'000'000, (sleepMicros % 1'000'000) * 1000};
    pollfd waitFor{fd, static_cast<short>(streaming ? 0 : POLLIN), 0};
    const int ready =
        streaming ? ::ppoll(&waitFor, 1, &wait, nullptr) : ::poll(&waitFor, 1, leftMs);
    progress.heardPastRest =
        streaming && progress.trailing && ready == 0 && sleepMicros == restMicros;
    if (progress.heardPastRest) progress.heardUntil = SteadyClock::now();
    progress.sleptForRest = progress.sleptForRest || streaming;
    if (ready < 0) return errno == EINTR || errno == EAGAIN;
    if (ready == 0) return streaming;
    progress.lineDown = LineDown(waitFor.revents);
    return true;
}

// Wire time of one character: 10 bits at the set rate.
long TThreadComm::CharMicros() const {
    return 10'000'000L / BaudRateValue(baudRate_);
}

// How long after the last byte taken a byte that follows it on the wire is
// waited for: its own character time and half as much again for the driver.
long TThreadComm::TrailingMicros() const {
    return CharMicros() * 3 / 2;
}

std::chrono::microseconds TThreadComm::Trailing() const {
    return std::chrono::microseconds(TrailingMicros());
}

// The written bytes and the ones read since cross the wire one character
// time each, so an answer to the last write cannot be complete before this.
// Bytes that are (the tail of an earlier reply, delivered late in a burst)
// are followed by the true answer, so the look behind them lasts at least
// until then.
SteadyClock::time_point TThreadComm::EarliestAnswerEnd() const {
    return wroteAt_ + std::chrono::microseconds(wireChars_ * CharMicros());
}

int TThreadComm::Write(const char* data, int count) {
    std::lock_guard guard(lock_);
    if (!enabled_) return -1;
    if (count <= 0) return 0;
    if (!LineReady()) return 0;
    wroteAt_ = SteadyClock::now();
    wireChars_ = count;
    return Networked() ? WriteNetwork(data, count) : WriteUntilDeadline(data, count);
}

// Hands all bytes to the driver within WriteMsPerByte() per byte (no limit
// when that is 0). The bytes need not have left the wire yet.
int TThreadComm::WriteUntilDeadline(const char* data, int count) {
    const int msPerByte = WriteMsPerByte();
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(msPerByte * count);
    const int fd = fd_;
    int done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, data + done, static_cast<size_t>(count - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            MarkHungUp();
            break;
        }
        const int left = msPerByte > 0 ? MsUntil(deadline) : -1;
        if (left == 0) break;
        pollfd waitFor{fd, POLLOUT, 0};
        const int ready = ::poll(&waitFor, 1, left);
        if (ready < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (ready <= 0) break;
        if (LineDown(waitFor.revents)) {
            MarkHungUp();
            break;
        }
    }
    return done;
}

// ---- queues and status -----------------------------------------------------

unsigned TThreadComm::ResetLineErrors() {
    const int fd = fd_;
    if (fd < 0 || !hasLineCounters_) return 0;  // nothing to clear, and no syscall per byte
    std::lock_guard guard(errorMutex_);
    const commline::LineCounters now = commline::ReadLineCounters(fd);
    const unsigned errors = commline::ErrorBitsBetween(errorBaseline_, now);
    errorBaseline_ = now;
    return errors;
}

// Reports the error bits since the last call (and so clears them) and the
// queue status. False when there is no device.
bool TThreadComm::ClearCommError(unsigned& errors, TComStat& status) {
    const int fd = fd_;
    errors = 0;
    status = TComStat{};
    if (fd < 0) return false;
    errors = ResetLineErrors();
    status.inQue = commline::InputQueueCount(fd);
    status.outQue = commline::OutputQueueCount(fd);
    status.ctsHold = commline::HardwareHandshake(fd) && (commline::ModemLines(fd) & TIOCM_CTS) == 0;
    return true;
}

// The queue status alone; all zero when there is no device.
TComStat TThreadComm::QueueStatus() {
    unsigned errors = 0;
    TComStat status;
    ClearCommError(errors, status);
    return status;
}

int TThreadComm::InQueCount() {
    return enabled_ ? QueueStatus().inQue : -1;
}

int TThreadComm::OutQueCount() {
    return enabled_ ? QueueStatus().outQue : -1;
}

void TThreadComm::PurgeIn() {
    const int fd = fd_;
    if (!enabled_ || fd < 0) return;
    if (Networked()) {
        PurgeNetworkInput();
    } else {
        ::tcflush(fd, TCIFLUSH);
    }
    ++*inputTaken_;
}

void TThreadComm::PurgeOut() {
    const int fd = fd_;
    if (!enabled_ || fd < 0) return;
    if (Networked()) {
        SendComPortCommand(TelnetComPort::PurgeTransmit());
    } else {
        ::tcflush(fd, TCOFLUSH);
    }
}

bool TThreadComm::GetModemState(int index) {
    if (!enabled_) return false;
    const int lines = commline::ModemLines(fd_);
    if (lines < 0) return false;
    for (const ModemStateRow& row : ModemStateRows) {
        if (row.index == index) return (lines & row.line) != 0;
    }
    return false;
}

bool TThreadComm::GetComState(int index) {
    if (!enabled_) return false;
    const TComStat status = QueueStatus();
    switch (index) {
        case 2:
            return status.dsrHold;
        case 3:
            return status.rlsdHold;
        case 4:
            return status.xoffHold;
        case 5:
            return status.xoffSent;
        default:
            return status.ctsHold;
    }
}

// ---- modem control ---------------------------------------------------------

void TThreadComm::EscapeComm(TEscapeFunction function) {
    std::lock_guard guard(lock_);
    if (!enabled_) throw ECommError(ErrorText(NotOpenText, -1));
    const int fd = fd_;
    // A hung-up port has no line to drive; a reopened device raises DTR and
    // RTS again by itself.
    if (fd < 0) return;
    if (Networked()) {
        SendComPortCommand(ComPortEscape(function));
        return;
    }
    for (const EscapeRow& row : EscapeRows) {
        if (row.function != function) continue;
        if (row.run(fd) == 0) return;
        const int error = errno;
        if (row.modemLine && (error == ENOTTY || error == EINVAL)) return;
        throw ECommError(ErrorText(EscapeText, error));
    }
}

void TThreadComm::SetDTRState(bool on) {
    EscapeComm(on ? efSetDTR : efClrDTR);
}
void TThreadComm::SetRTSState(bool on) {
    EscapeComm(on ? efSetRTS : efClrRTS);
}
void TThreadComm::SetXONState(bool on) {
    EscapeComm(on ? efSetXOn : efSetXOff);
}

void TThreadComm::SetBREAKState(bool on) {
    std::lock_guard guard(lock_);
    EscapeComm(on ? efSetBreak : efClrBreak);
    const int fd = fd_;
    if (fd >= 0 && !Networked()) ::tcflush(fd, TCIOFLUSH);
}

// ---- events ----------------------------------------------------------------

void TThreadComm::HandleCommEvent(TThreadComm* sender, TCommEventTypes mask) {
    unsigned errors = 0;
    TComStat status;
    ClearCommError(errors, status);
    auto notify = [&](TCommEventType event, const TNotifyEvent& handler) {
        if (mask.Contains(event) && handler) handler(sender);
    };
    notify(evBreak, OnBreak);
    notify(evCts, OnCts);
    notify(evDsr, OnDsr);
    if (mask.Contains(evError) && OnError) OnError(sender, errors);
    notify(evRing, OnRing);
    notify(evRlsd, OnRlsd);
    if (mask.Contains(evRxChar) && OnRxChar && status.inQue > 0) OnRxChar(sender, status.inQue);
    notify(evRxFlag, OnRxFlag);
    notify(evTxEmpty, OnTxEmpty);
    if (OnComStatEvent) OnComStatEvent(sender, mask, status);
}
