// Listing the serial devices against fake /dev and /sys trees, and against a
// real pseudo-terminal under a by-id name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/PortList.h"
#include "tests/link/PtyPair.h"

namespace fs = std::filesystem;

namespace {

class FakeTree {
public:
    FakeTree() {
        char pattern[] = "/tmp/portlist-XXXXXX";
        root_ = ::mkdtemp(pattern);
        fs::create_directories(root_ / "dev" / "serial" / "by-id");
        fs::create_directories(root_ / "sys" / "class" / "tty");
    }
    ~FakeTree() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    DeviceTree Tree() const { return {(root_ / "dev").string(), (root_ / "sys").string()}; }
    std::string Dev(const std::string& name) const { return (root_ / "dev" / name).string(); }

    void Node(const std::string& name) const { std::ofstream(root_ / "dev" / name) << ""; }
    // A ttyS node with the UART type sysfs reports (0: no UART).
    void Uart(const std::string& name, int type) const {
        Node(name);
        fs::create_directories(root_ / "sys" / "class" / "tty" / name);
        std::ofstream(root_ / "sys" / "class" / "tty" / name / "type") << type << "\n";
    }
    void ById(const std::string& name, const fs::path& target) const {
        fs::create_symlink(target, root_ / "dev" / "serial" / "by-id" / name);
    }

private:
    fs::path root_;
};

std::vector<std::string> Paths(const std::vector<SerialPortEntry>& ports) {
    std::vector<std::string> paths;
    for (const SerialPortEntry& port : ports) paths.push_back(port.Path);
    return paths;
}

TEST(PortListTest, ByIdFirstThenUsbAcmAndUartsInNaturalOrder) {
    FakeTree fake;
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyUSB0", "ttyACM0", "ttyUSBx", "tty0"})
        fake.Node(name);
    fake.Uart("ttyS0", 4);  // a 16550A
    fake.Uart("ttyS1", 0);  // a node without a UART
    fake.Uart("ttyS12", 4);
    fake.ById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "../../ttyUSB2");
    const std::vector<SerialPortEntry> ports = ListSerialPorts(fake.Tree());
    const std::string byId = fake.Dev("serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(Paths(ports), (std::vector<std::string>{byId, fake.Dev("ttyUSB0"),
                                                      fake.Dev("ttyUSB10"), fake.Dev("ttyACM0"),
                                                      fake.Dev("ttyS0"), fake.Dev("ttyS12")}));
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports[0].Device, "ttyUSB2");
    EXPECT_EQ(ports[0].Description, "FTDI FT232R USB UART A50285BI");
    EXPECT_EQ(PortLine(ports[0]), byId + "  FTDI FT232R USB UART A50285BI (ttyUSB2)");
    EXPECT_EQ(PortLine(ports[1]), fake.Dev("ttyUSB0"));
}

TEST(PortListTest, DanglingByIdLinkAndEmptyTreeListNothing) {
    FakeTree fake;
    EXPECT_TRUE(ListSerialPorts(fake.Tree()).empty());
    fake.ById("usb-Gone_Adapter-if00-port0", "../../ttyUSB7");
    EXPECT_TRUE(ListSerialPorts(fake.Tree()).empty());
    EXPECT_TRUE(ListSerialPorts({"/nonexistent/dev", "/nonexistent/sys"}).empty());
}

TEST(PortListTest, AdapterNamesFromByIdNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "FTDI FT232R USB UART A50285BI"},
        {"usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0",
         "Prolific Technology Inc. USB-Serial Controller"},
        {"usb-1a86_USB2.0-Ser_-if00-port0", "1a86 USB2.0-Ser "},
        {"pci-Some_Card", "Some Card"},
    };
    for (const auto& [name, adapter] : cases) EXPECT_EQ(AdapterName(name), adapter) << name;
}

TEST(PortListTest, RealPseudoTerminalUnderByIdName) {
    FakeTree fake;
    PtyPair pty;
    fake.ById("usb-Test_Adapter_0001-if00-port0", pty.SlavePath());
    const std::vector<SerialPortEntry> ports = ListSerialPorts(fake.Tree());
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].Device, pty.SlavePath());  // outside the tree: the whole path
    EXPECT_EQ(ports[0].Description, "Test Adapter 0001");
}

TEST(PortListTest, RecentNetworkPortsNewestFirstWithoutRepeats) {
    std::vector<std::string> recent;
    for (const char* name : {"tcp://a:1", "rfc2217://b:2", "/dev/ttyUSB0", "tcp://a:1", "tcp://c:3",
                             "tcp://d:4", "tcp://e:5", "tcp://f:6"})
        RememberNetworkPort(recent, name);
    EXPECT_EQ(recent, (std::vector<std::string>{"tcp://f:6", "tcp://e:5", "tcp://d:4", "tcp://c:3",
                                                "tcp://a:1"}));
    const auto listed = WithNetworkPorts({{"/dev/ttyS0", "ttyS0", ""}}, {"tcp://f:6"});
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1].Path, "tcp://f:6");
}

}  // namespace
