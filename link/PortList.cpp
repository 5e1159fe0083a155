#include "link/PortList.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

#include "link/NetLine.h"

namespace fs = std::filesystem;

namespace {

// Families of plain device nodes, in listing order. ttyS nodes exist for
// every possible UART, so only those with hardware behind them are listed.
struct NodeFamily {
    const char* Prefix;
    bool NeedsUart;
};
constexpr NodeFamily kFamilies[] = {{"ttyUSB", false}, {"ttyACM", false}, {"ttyS", true}};

// "ttyUSB2" before "ttyUSB10".
bool NaturalLess(const std::string& a, const std::string& b) {
    const auto digits = [](const std::string& s) {
        std::size_t at = s.size();
        while (at > 0 && std::isdigit(static_cast<unsigned char>(s[at - 1]))) --at;
        return at;
    };
    const std::size_t da = digits(a), db = digits(b);
    if (a.compare(0, da, b, 0, db) != 0 || da == a.size() || db == b.size()) return a < b;
    return std::stoul(a.substr(da)) < std::stoul(b.substr(db));
}

std::vector<std::string> SortedNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

// "ttyUSB0" for the prefix "ttyUSB", not "ttyUSB" alone nor "ttyUSBx".
bool IsNumbered(const std::string& name, const std::string& prefix) {
    if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size()) return false;
    return std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

// sysfs tells the UART type without opening the device; "0" is no UART.
// Without sysfs the driver is asked.
bool HasUart(const DeviceTree& tree, const std::string& name) {
    std::ifstream type(tree.Sys + "/class/tty/" + name + "/type");
    int value = 0;
    if (type >> value) return value != PORT_UNKNOWN;
    const int fd = ::open((tree.Dev + "/" + name).c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    serial_struct info{};
    const bool uart = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return uart;
}

// The node a by-id link points at, named relative to the device folder
// ("ttyUSB0", "pts/3"); empty for a dangling link.
std::string NodeBehind(const fs::path& link, const std::string& devFolder) {
    std::error_code error;
    const fs::path target = fs::canonical(link, error);
    if (error) return {};
    const fs::path dev = fs::weakly_canonical(devFolder, error);
    const fs::path relative = target.lexically_relative(dev);
    if (error || relative.empty() || *relative.begin() == "..") return target.string();
    return relative.string();
}

}  // namespace

std::string AdapterName(const std::string& byIdName) {
    std::string name = byIdName;
    for (const char* bus : {"usb-", "pci-", "platform-"}) {
        if (name.rfind(bus, 0) == 0) name.erase(0, std::char_traits<char>::length(bus));
    }
    const std::size_t interface = name.rfind("-if");
    if (interface != std::string::npos) name.erase(interface);
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

std::vector<SerialPortEntry> ListSerialPorts(const DeviceTree& tree) {
    std::vector<SerialPortEntry> ports;
    std::set<std::string> covered;
    const fs::path byId = fs::path(tree.Dev) / "serial" / "by-id";
    for (const std::string& name : SortedNames(byId)) {
        const std::string node = NodeBehind(byId / name, tree.Dev);
        if (node.empty()) continue;  // a dangling link: the adapter is gone
        ports.push_back({(byId / name).string(), node, AdapterName(name)});
        covered.insert(node);
    }
    for (const NodeFamily& family : kFamilies) {
        for (const std::string& name : SortedNames(tree.Dev)) {
            if (!IsNumbered(name, family.Prefix) || covered.count(name)) continue;
            if (family.NeedsUart && !HasUart(tree, name)) continue;
            ports.push_back({tree.Dev + "/" + name, name, ""});
        }
    }
    return ports;
}

std::string PortLine(const SerialPortEntry& entry) {
    if (entry.Description.empty()) return entry.Path;
    return entry.Path + "  " + entry.Description + " (" + entry.Device + ")";
}

std::string PortDisplayName(const std::string& path) {
    const fs::path device(path);
    if (device.parent_path().filename() == "by-id") return AdapterName(device.filename().string());
    return path;
}

void RememberNetworkPort(std::vector<std::string>& recent, const std::string& name) {
    if (!netline::IsNetworkPortName(name)) return;
    recent.erase(std::remove(recent.begin(), recent.end(), name), recent.end());
    recent.insert(recent.begin(), name);
    if (recent.size() > MaxRecentNetworkPorts) recent.resize(MaxRecentNetworkPorts);
}

std::vector<SerialPortEntry> WithNetworkPorts(std::vector<SerialPortEntry> ports,
                                              const std::vector<std::string>& recent) {
    for (const std::string& name : recent) ports.push_back({name, "", ""});
    return ports;
}
