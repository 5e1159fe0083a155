#pragma once
// Which serial devices this machine has, in the order a user looks for them:
// USB adapters under their stable /dev/serial/by-id names (with the adapter's
// name), then ttyUSB*, ttyACM* and the ttyS* that have a UART behind them.
#include <string>
#include <vector>

struct SerialPortEntry {
    std::string Path;         // the name to open: /dev/serial/by-id/... or /dev/ttyUSB0
    std::string Device;       // the device node behind it: "ttyUSB0"
    std::string Description;  // the adapter's name for by-id entries, else empty
};

// Where the device and sysfs trees are; tests lay out fake ones.
struct DeviceTree {
    std::string Dev = "/dev";
    std::string Sys = "/sys";
};

std::vector<SerialPortEntry> ListSerialPorts(const DeviceTree& tree = {});

// "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" -> "FTDI FT232R USB UART A50285BI".
std::string AdapterName(const std::string& byIdName);

// What the main window shows for a device: the adapter's name for a by-id
// path, the path itself otherwise.
std::string PortDisplayName(const std::string& path);

// The network ports used last, newest first: a network port name
// ("tcp://...", "rfc2217://...") moves to the front, and at most
// MaxRecentNetworkPorts are kept. Other names leave the list as it is.
inline constexpr std::size_t MaxRecentNetworkPorts = 5;
void RememberNetworkPort(std::vector<std::string>& recent, const std::string& name);
// The devices present followed by the recent network ports, for the port dialog.
std::vector<SerialPortEntry> WithNetworkPorts(std::vector<SerialPortEntry> ports,
                                              const std::vector<std::string>& recent);

// One line per port: the path, and after two blanks what it is. Shared by
// servoctl ports and the port dialog.
std::string PortLine(const SerialPortEntry& entry);
