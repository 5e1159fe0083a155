// Network ports against a socket double: a listening socket on the loopback
// that plays the device server byte by byte, so the Telnet side of an
// RFC 2217 port can be checked on the wire.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <string>
#include <vector>

#include "link/Comm.h"
#include "link/NetLine.h"

namespace {

const char Iac = '\xFF';
const char Sb = '\xFA';
const char Se = '\xF0';
const char Will = '\xFB';
const char Wont = '\xFC';
const char Do = '\xFD';
const char Dont = '\xFE';
const char ComPort = 44;

std::string Cmd(char verb, char option) {
    return {Iac, verb, option};
}
std::string Sub(const std::string& body) {
    return std::string{Iac, Sb, ComPort} + body + std::string{Iac, Se};
}

// The server side of one connection at a time.
class ServerDouble {
public:
    ServerDouble() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(listener_, 2);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~ServerDouble() {
        CloseClient();
        ::close(listener_);
    }

    std::string Url(const std::string& scheme) const {
        return scheme + "://127.0.0.1:" + std::to_string(port_);
    }
    int Port() const { return port_; }

    bool Accept() {
        pollfd waitFor{listener_, POLLIN, 0};
        if (::poll(&waitFor, 1, 3000) <= 0) return false;
        client_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        return client_ >= 0;
    }
    void Send(const std::string& bytes) {
        ASSERT_EQ(::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    // Everything the client sends until it has been quiet for quietMs.
    std::string Received(int quietMs = 100) {
        std::string bytes;
        char chunk[256];
        pollfd waitFor{client_, POLLIN, 0};
        while (::poll(&waitFor, 1, quietMs) > 0) {
            const ssize_t n = ::recv(client_, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            bytes.append(chunk, static_cast<std::size_t>(n));
        }
        return bytes;
    }
    void CloseClient() {
        if (client_ >= 0) ::close(client_);
        client_ = -1;
    }

private:
    int listener_ = -1;
    int client_ = -1;
    int port_ = 0;
};

bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

std::size_t Count(const std::string& haystack, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1))
        ++count;
    return count;
}

// Opens the port while the double answers the way ser2net does: it asks for
// the COM port option on its own, and offers and asks for options the
// client has no use for.
std::string OpenRfc2217(TComm& port, ServerDouble& server) {
    auto serve = std::async(std::launch::async, [&server] {
        if (!server.Accept()) return std::string();
        server.Send(Cmd(Will, 1) + Cmd(Do, 24) + Cmd(Do, ComPort) + Cmd(Will, 0));
        return server.Received();
    });
    port.SetDeviceName(server.Url("rfc2217"));
    port.SetBaudRate(br9600);
    port.SetDataBits(da8);
    port.SetParity(paNone);
    port.Open();
    return serve.get();
}

TEST(NetLineTest, NamesOfNetworkPorts) {
    struct Case {
        const char* name;
        bool valid;
        netline::NetKind kind;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"tcp://192.168.1.20:4001", true, netline::NetKind::Raw, "192.168.1.20", 4001},
        {"rfc2217://box.local:2000/", true, netline::NetKind::Rfc2217, "box.local", 2000},
        {"tcp://[::1]:7000", true, netline::NetKind::Raw, "::1", 7000},
        {"tcp://host", false, {}, "", 0},
        {"tcp://:2000", false, {}, "", 0},
        {"tcp://host:0", false, {}, "", 0},
        {"tcp://host:65536", false, {}, "", 0},
        {"rfc2217://host:20x0", false, {}, "", 0},
        {"tcp://::1:7000", false, {}, "", 0},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(netline::IsNetworkPortName(c.name)) << c.name;
        const auto address = netline::ParseNetworkPort(c.name);
        ASSERT_EQ(address.has_value(), c.valid) << c.name;
        if (!c.valid) continue;
        EXPECT_EQ(address->Kind, c.kind) << c.name;
        EXPECT_EQ(address->Host, c.host) << c.name;
        EXPECT_EQ(address->Port, c.port) << c.name;
    }
    for (const char* device : {"Com1", "/dev/ttyUSB0", "tcp:/host:1", "ttyS0"})
        EXPECT_FALSE(netline::IsNetworkPortName(device)) << device;
}

// Commands and doubled 0xFF split at every possible place between two reads
// give the same data as in one piece.
TEST(NetLineTest, TelnetStreamDecodesTheSameWhereverItIsSplit) {
    const std::string wire = std::string("%1") + Iac + Iac + "2" +
                             Sub(std::string{'e', 0, 0, 0x25, '\x80'}) + Cmd(Will, 3) +
                             std::string{Iac, '\xF1'} + "3" + Iac + Iac;
    const std::string data = std::string("%1") + '\xFF' + "23" + '\xFF';
    for (std::size_t split = 0; split <= wire.size(); ++split) {
        TelnetComPort telnet;
        std::string reply;
        std::vector<char> out(wire.size());
        const int first = telnet.Decode(wire.data(), static_cast<int>(split), out.data(), reply);
        const int second = telnet.Decode(wire.data() + split, static_cast<int>(wire.size() - split),
                                         out.data() + first, reply);
        EXPECT_EQ(std::string(out.data(), static_cast<std::size_t>(first + second)), data)
            << "split at " << split;
        EXPECT_EQ(reply, Cmd(Do, 3)) << "split at " << split;
        EXPECT_EQ(telnet.ReportedBaudRate(), 9600) << "split at " << split;
    }
}

TEST(NetLineTest, Rfc2217NegotiatesSetsTheLineAndRefusesTheRest) {
    ServerDouble server;
    TComm port;
    const std::string opening = OpenRfc2217(port, server);
    ASSERT_TRUE(port.Enabled());
    EXPECT_EQ(Count(opening, Cmd(Will, ComPort)), 1u) << "offered once, not again on DO";
    EXPECT_TRUE(Contains(opening, Cmd(Dont, 1))) << "echo refused";
    EXPECT_TRUE(Contains(opening, Cmd(Wont, 24))) << "terminal type refused";
    EXPECT_TRUE(Contains(opening, Cmd(Do, 0))) << "binary accepted";
    // 9600 bit/s, 8 data bits, no parity, 1 stop bit, no flow control.
    EXPECT_TRUE(Contains(opening, Sub(std::string{1, 0, 0, 0x25, '\x80'}) + Sub({2, 8}) +
                                      Sub({3, 1}) + Sub({4, 1}) + Sub({5, 1})));

    port.SetRTSState(true);
    port.SetDTRState(true);
    port.PurgeIn();
    EXPECT_EQ(server.Received(), Sub({5, 11}) + Sub({5, 8}) + Sub({12, 1}));

    ASSERT_EQ(port.Write("W\xFF", 2), 2);
    EXPECT_EQ(server.Received(), std::string("W") + Iac + Iac);

    server.Send(std::string("%1") + Iac + Iac + Sub(std::string{'e', 0, 0, 0x25, '\x80'}) +
                Cmd(Do, 5) + "2");
    char reply[4] = {};
    ASSERT_EQ(port.Read(reply, 4), 4);
    EXPECT_EQ(std::string(reply, 4), std::string("%1\xFF") + "2");
    EXPECT_EQ(server.Received(), Cmd(Wont, 5)) << "a request mid-data is answered too";

    // The server going away is a hang-up, as an unplugged adapter is.
    server.CloseClient();
    EXPECT_EQ(port.Read(reply, 1), 0);
    EXPECT_TRUE(port.HungUp());
    EXPECT_TRUE(port.Enabled());
    port.Close();
}

// A raw port passes every byte as it is, 0xFF included, and sends no
// Telnet commands for settings, purges or modem lines.
TEST(NetLineTest, RawPortPassesBytesUnchanged) {
    ServerDouble server;
    TComm port;
    port.SetDeviceName(server.Url("tcp"));
    port.Open();
    ASSERT_TRUE(port.Enabled());
    ASSERT_TRUE(server.Accept());
    port.SetDTRState(true);
    port.PurgeIn();
    ASSERT_EQ(port.Write("R\xFF", 2), 2);
    EXPECT_EQ(server.Received(), "R\xFF");
    server.Send(std::string("%\xFF\xFF"));
    char reply[3] = {};
    ASSERT_EQ(port.Read(reply, 3), 3);
    EXPECT_EQ(std::string(reply, 3), "%\xFF\xFF");
    port.Close();
}

TEST(NetLineTest, RefusedConnectionIsTheOpenFailure) {
    int closedPort = 0;
    {
        ServerDouble gone;
        closedPort = gone.Port();
    }
    TComm port;
    port.SetDeviceName("tcp://127.0.0.1:" + std::to_string(closedPort));
    port.Open();
    EXPECT_FALSE(port.Enabled());
    EXPECT_EQ(port.LastOpenFailure().Problem, PortProblem::ConnectionRefused);
    EXPECT_EQ(port.LastOpenFailure().Path, "tcp://127.0.0.1:" + std::to_string(closedPort));

    port.SetDeviceName("rfc2217://127.0.0.1");
    port.Open();
    EXPECT_EQ(port.LastOpenFailure().Problem, PortProblem::BadNetworkAddress);
}

}  // namespace
