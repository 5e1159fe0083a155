#include "link/NetLine.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace netline {
namespace {

struct SchemeRow {
    const char* Prefix;
    NetKind Kind;
};
const SchemeRow kSchemes[] = {
    {"tcp://", NetKind::Raw},
    {"rfc2217://", NetKind::Rfc2217},
};

const SchemeRow* SchemeOf(const std::string& name) {
    for (const SchemeRow& row : kSchemes) {
        if (name.rfind(row.Prefix, 0) == 0) return &row;
    }
    return nullptr;
}

std::optional<int> PortNumber(const std::string& text) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int port = std::atoi(text.c_str());
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

// Waits for a non-blocking connect; 0 or the errno it ended with.
int FinishConnect(int fd, int timeoutMs) {
    pollfd waitFor{fd, POLLOUT, 0};
    int ready = 0;
    do {
        ready = ::poll(&waitFor, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) return ETIMEDOUT;
    if (ready < 0) return errno;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
    return error;
}

int ConnectOne(const addrinfo& candidate, int timeoutMs, int& error) {
    const int fd =
        ::socket(candidate.ai_family, candidate.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                 candidate.ai_protocol);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    error = ::connect(fd, candidate.ai_addr, candidate.ai_addrlen) == 0 ? 0 : errno;
    if (error == EINPROGRESS) error = FinishConnect(fd, timeoutMs);
    if (error != 0) {
        ::close(fd);
        return -1;
    }
    // A request is a few bytes and its answer is waited for: send each at once.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    AcknowledgeAtOnce(fd);
    return fd;
}

}  // namespace

bool IsNetworkPortName(const std::string& name) {
    return SchemeOf(name) != nullptr;
}

std::optional<NetAddress> ParseNetworkPort(const std::string& name) {
    const SchemeRow* scheme = SchemeOf(name);
    if (scheme == nullptr) return std::nullopt;
    std::string rest = name.substr(std::string(scheme->Prefix).size());
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    NetAddress address;
    address.Kind = scheme->Kind;
    std::size_t colon = 0;
    if (!rest.empty() && rest[0] == '[') {  // [::1]:2000
        const std::size_t close = rest.find(']');
        if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            return std::nullopt;
        address.Host = rest.substr(1, close - 1);
        colon = close + 1;
    } else {
        colon = rest.rfind(':');
        if (colon == std::string::npos) return std::nullopt;
        address.Host = rest.substr(0, colon);
        if (address.Host.find(':') != std::string::npos) return std::nullopt;
    }
    const std::optional<int> port = PortNumber(rest.substr(colon + 1));
    if (address.Host.empty() || !port) return std::nullopt;
    address.Port = *port;
    return address;
}

int Connect(const NetAddress& address, int timeoutMs, int* failure) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(address.Port);
    int error = EADDRNOTAVAIL;
    int fd = -1;
    if (::getaddrinfo(address.Host.c_str(), service.c_str(), &hints, &found) == 0) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (const addrinfo* candidate = found; candidate && fd < 0;
             candidate = candidate->ai_next) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) {
                error = ETIMEDOUT;
                break;
            }
            fd = ConnectOne(*candidate, static_cast<int>(left), error);
        }
        ::freeaddrinfo(found);
    }
    if (failure) *failure = fd >= 0 ? 0 : error;
    return fd;
}

void AcknowledgeAtOnce(int fd) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

int SendAll(int fd, const char* data, int count) {
    int done = 0;
    while (done < count) {
        const ssize_t n = ::send(fd, data + done, static_cast<size_t>(count - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd waitFor{fd, POLLOUT, 0};
            if (::poll(&waitFor, 1, 1000) > 0 && (waitFor.revents & POLLOUT)) continue;
        }
        return done > 0 ? done : -1;
    }
    return done;
}

}  // namespace netline

// ---- Telnet with the COM port option ---------------------------------------

namespace {

constexpr unsigned char Iac = 255;
constexpr unsigned char Dont = 254;
constexpr unsigned char Do = 253;
constexpr unsigned char Wont = 252;
constexpr unsigned char Will = 251;
constexpr unsigned char Sb = 250;
constexpr unsigned char Se = 240;

constexpr unsigned char OptBinary = 0;
constexpr unsigned char OptSuppressGoAhead = 3;
constexpr unsigned char OptComPort = 44;

// COM port commands, client to server; the server answers with each plus 100.
constexpr unsigned char SetBaudRate = 1;
constexpr unsigned char SetDataSize = 2;
constexpr unsigned char SetParity = 3;
constexpr unsigned char SetStopSize = 4;
constexpr unsigned char SetControl = 5;
constexpr unsigned char PurgeData = 12;
constexpr unsigned char ServerOffset = 100;

// Values of SET-CONTROL.
constexpr unsigned char NoFlowControl = 1;
constexpr unsigned char BreakOn = 5;
constexpr unsigned char BreakOff = 6;
constexpr unsigned char DtrOn = 8;
constexpr unsigned char DtrOff = 9;
constexpr unsigned char RtsOn = 11;
constexpr unsigned char RtsOff = 12;

// Values of PURGE-DATA.
constexpr unsigned char PurgeReceiveBuffer = 1;
constexpr unsigned char PurgeTransmitBuffer = 2;

// Parity codes per TParity member, stop-size codes per TStopBits member,
// data sizes per TDataBits member (0: the option has none).
const unsigned char ParityCodes[] = {1, 2, 3, 4, 5};
const unsigned char StopSizeCodes[] = {1, 3, 2};
const unsigned char DataSizes[] = {0, 5, 6, 7, 8};

bool Accepted(unsigned char verb, unsigned char option) {
    if (option == OptBinary || option == OptSuppressGoAhead) return true;
    return verb == Do && option == OptComPort;
}

std::string Command(unsigned char verb, unsigned char option) {
    return {static_cast<char>(Iac), static_cast<char>(verb), static_cast<char>(option)};
}

std::string ComPortCommand(unsigned char command, const std::string& value) {
    std::string text = {static_cast<char>(Iac), static_cast<char>(Sb),
                        static_cast<char>(OptComPort), static_cast<char>(command)};
    text += TelnetComPort::Encode(value.data(), static_cast<int>(value.size()));
    text += static_cast<char>(Iac);
    text += static_cast<char>(Se);
    return text;
}

std::string Byte(unsigned char value) {
    return std::string(1, static_cast<char>(value));
}

}  // namespace

std::string TelnetComPort::Greeting() {
    weWill_[OptComPort] = true;
    return Command(Will, OptComPort);
}

std::string TelnetComPort::Encode(const char* data, int count) {
    std::string wire;
    wire.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        wire += data[i];
        if (static_cast<unsigned char>(data[i]) == Iac) wire += data[i];
    }
    return wire;
}

int TelnetComPort::Decode(const char* in, int count, char* out, std::string& reply) {
    int taken = 0;
    for (int i = 0; i < count; ++i) {
        const auto byte = static_cast<unsigned char>(in[i]);
        switch (state_) {
            case State::Data:
                if (byte == Iac) {
                    state_ = State::Command;
                } else {
                    out[taken++] = in[i];
                }
                break;
            case State::Command:
                state_ = State::Data;
                if (byte == Iac) {
                    out[taken++] = in[i];
                } else if (byte >= Will) {
                    verb_ = byte;
                    state_ = State::Option;
                } else if (byte == Sb) {
                    sub_.clear();
                    state_ = State::Sub;
                }  // any other command (NOP, GA ...) carries nothing for us
                break;
            case State::Option:
                Negotiate(verb_, byte, reply);
                state_ = State::Data;
                break;
            case State::Sub:
                if (byte == Iac) {
                    state_ = State::SubCommand;
                } else {
                    sub_ += in[i];
                }
                break;
            case State::SubCommand:
                if (byte == Iac) {
                    sub_ += in[i];
                    state_ = State::Sub;
                } else {
                    Subnegotiation();
                    state_ = State::Data;
                }
                break;
        }
    }
    return taken;
}

// Agrees to the options it uses and refuses the others; an option already in
// the state asked for is not answered again, so no negotiation loops.
void TelnetComPort::Negotiate(unsigned char verb, unsigned char option, std::string& reply) {
    switch (verb) {
        case Do:
            if (!Accepted(Do, option)) {
                reply += Command(Wont, option);
                break;
            }
            if (option == OptComPort) comPortAgreed_ = true;
            if (!weWill_[option]) reply += Command(Will, option);
            weWill_[option] = true;
            break;
        case Dont:
            if (option == OptComPort) {
                comPortRefused_ = true;
                if (comPortAgreed_) reply += Command(Wont, option);
                comPortAgreed_ = false;
            } else if (weWill_[option]) {
                reply += Command(Wont, option);
            }
            weWill_[option] = false;
            break;
        case Will:
            if (!Accepted(Will, option)) {
                reply += Command(Dont, option);
                break;
            }
            if (!weDo_[option]) reply += Command(Do, option);
            weDo_[option] = true;
            break;
        case Wont:
            if (weDo_[option]) reply += Command(Dont, option);
            weDo_[option] = false;
            break;
    }
}

// The server's answers to the COM port commands; the bit rate is kept.
void TelnetComPort::Subnegotiation() {
    if (sub_.size() < 2 || static_cast<unsigned char>(sub_[0]) != OptComPort) return;
    if (static_cast<unsigned char>(sub_[1]) == SetBaudRate + ServerOffset && sub_.size() >= 6) {
        long rate = 0;
        for (std::size_t i = 2; i < 6; ++i) rate = rate * 256 + static_cast<unsigned char>(sub_[i]);
        reportedBaudRate_ = rate;
    }
}

std::string TelnetComPort::LineSettings(TBaudRate rate, TDataBits dataBits, TParity parity,
                                        TStopBits stopBits) {
    if (DataSizes[dataBits] == 0) return {};
    const auto bits = static_cast<unsigned long>(BaudRateValue(rate));
    std::string value;
    for (int shift = 24; shift >= 0; shift -= 8) value += static_cast<char>((bits >> shift) & 0xFF);
    return ComPortCommand(SetBaudRate, value) +
           ComPortCommand(SetDataSize, Byte(DataSizes[dataBits])) +
           ComPortCommand(SetParity, Byte(ParityCodes[parity])) +
           ComPortCommand(SetStopSize, Byte(StopSizeCodes[stopBits])) +
           ComPortCommand(SetControl, Byte(NoFlowControl));
}

std::string TelnetComPort::PurgeReceive() {
    return ComPortCommand(PurgeData, Byte(PurgeReceiveBuffer));
}
std::string TelnetComPort::PurgeTransmit() {
    return ComPortCommand(PurgeData, Byte(PurgeTransmitBuffer));
}
std::string TelnetComPort::SetDtr(bool on) {
    return ComPortCommand(SetControl, Byte(on ? DtrOn : DtrOff));
}
std::string TelnetComPort::SetRts(bool on) {
    return ComPortCommand(SetControl, Byte(on ? RtsOn : RtsOff));
}
std::string TelnetComPort::SetBreak(bool on) {
    return ComPortCommand(SetControl, Byte(on ? BreakOn : BreakOff));
}
