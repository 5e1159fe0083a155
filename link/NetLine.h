#pragma once
// A port reached over the network: a serial device server (ser2net or a
// vendor box) in front of the amplifier's RS-232 port. "tcp://HOST:PORT" is
// a raw TCP stream of the serial bytes; "rfc2217://HOST:PORT" is Telnet with
// the COM port control option, which also carries the line settings, the
// purges and the modem lines.
#include <optional>
#include <string>

#include "link/CommTypes.h"

namespace netline {

enum class NetKind { Raw, Rfc2217 };

struct NetAddress {
    NetKind Kind = NetKind::Raw;
    std::string Host;  // without the brackets of an IPv6 literal
    int Port = 0;
};

// True for a name that asks for the network ("tcp://", "rfc2217://"), well
// formed or not: such a name is never looked up as a device.
bool IsNetworkPortName(const std::string& name);
// The address of a well-formed network port name.
std::optional<NetAddress> ParseNetworkPort(const std::string& name);

// How long a connect may take when a port is opened.
inline constexpr int ConnectTimeoutMs = 3000;

// Connects a non-blocking TCP socket within timeoutMs. Returns the socket,
// or -1 with *failure set: the errno of the failed connect (ECONNREFUSED,
// EHOSTUNREACH, ENETUNREACH, ETIMEDOUT ...), or EADDRNOTAVAIL when the host
// name does not resolve.
int Connect(const NetAddress& address, int timeoutMs, int* failure);

// Turns off delayed acknowledgement for the next segments received.
void AcknowledgeAtOnce(int fd);

// Sends all bytes without raising SIGPIPE on a closed connection; the bytes
// sent, or -1 with errno when the connection failed before any was.
int SendAll(int fd, const char* data, int count);

}  // namespace netline

// The Telnet side of an RFC 2217 port: the option negotiation, the COM port
// commands, and the data stream with its 0xFF bytes doubled on the wire.
// It holds no socket: what it takes and gives are bytes, so it can be fed
// from a socket and tested on its own.
class TelnetComPort {
public:
    // What the client sends first: it will do the COM port option.
    std::string Greeting();

    // Takes bytes from the server; returns the data bytes among them (with
    // doubled 0xFF undoubled) in out, which must hold count bytes. Commands
    // are consumed; the answers they need are appended to reply. A command
    // split across two calls is completed by the next.
    int Decode(const char* in, int count, char* out, std::string& reply);
    // The data as sent: every 0xFF doubled.
    static std::string Encode(const char* data, int count);

    // The commands that set the line; empty for a setting the option cannot
    // carry (4 data bits).
    static std::string LineSettings(TBaudRate rate, TDataBits dataBits, TParity parity,
                                    TStopBits stopBits);
    static std::string PurgeReceive();   // the server's buffer of bytes from the drive
    static std::string PurgeTransmit();  // the server's buffer of bytes to the drive
    static std::string SetDtr(bool on);
    static std::string SetRts(bool on);
    static std::string SetBreak(bool on);

    // True once the server has agreed to the COM port option.
    bool ComPortAgreed() const { return comPortAgreed_; }
    // True once the server has refused it: a plain Telnet server.
    bool ComPortRefused() const { return comPortRefused_; }
    // The bit rate the server last reported as set (0 before any).
    long ReportedBaudRate() const { return reportedBaudRate_; }

private:
    enum class State { Data, Command, Option, Sub, SubCommand };
    void Negotiate(unsigned char verb, unsigned char option, std::string& reply);
    void Subnegotiation();

    State state_ = State::Data;
    unsigned char verb_ = 0;
    std::string sub_;
    bool comPortAgreed_ = false;
    bool comPortRefused_ = false;
    // Options we have agreed to, each way, so an echo of our own agreement
    // is not answered again (that would loop).
    bool weDo_[256] = {};
    bool weWill_[256] = {};
    long reportedBaudRate_ = 0;
};
