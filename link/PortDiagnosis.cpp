#include "link/PortDiagnosis.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"
#include "link/NetLine.h"

using namespace CatalogueTexts;

namespace fs = std::filesystem;

namespace {

struct ErrorRow {
    int Error;
    PortProblem Problem;
};
const ErrorRow kErrorRows[] = {
    {ENOENT, PortProblem::NoSuchDevice},
    {ENODEV, PortProblem::NoSuchDevice},
    {EACCES, PortProblem::PermissionDenied},
    {EPERM, PortProblem::PermissionDenied},
    {EBUSY, PortProblem::Busy},
    {ENOTTY, PortProblem::NotSerial},
    {EISDIR, PortProblem::NotSerial},
    {ENXIO, PortProblem::NoHardware},
    {EIO, PortProblem::NoHardware},
};

const ErrorRow kNetworkErrorRows[] = {
    {EADDRNOTAVAIL, PortProblem::UnknownHost},    {ECONNREFUSED, PortProblem::ConnectionRefused},
    {EHOSTUNREACH, PortProblem::HostUnreachable}, {ENETUNREACH, PortProblem::HostUnreachable},
    {EHOSTDOWN, PortProblem::HostUnreachable},    {ETIMEDOUT, PortProblem::ConnectTimedOut},
};

// Every text of the diagnosis with the English kept for servoctl; %1 and %2
// stand for the device, the group, the user or the processes.
struct TextRow {
    int Message;
    const char* English;
};
const TextRow kTexts[] = {
    {MsgCannotOpen, "Cannot open %1:"},
    {MsgCannotOpenNamed, "Cannot open %1 (%2):"},
    {MsgNoDeviceAtAll,
     "no such device, and no serial device is present. Is the adapter plugged in?"},
    {MsgNoDeviceListed, "no such device. Serial devices present:"},
    {MsgPermissionAsk, "permission denied. Ask the administrator for access to %1."},
    {MsgPermissionGroup,
     "permission denied. The device belongs to the group \"%1\"; join it with: sudo usermod "
     "-aG %1 %2 (then log out and in again)."},
    {MsgPermissionRelogin,
     "permission denied. You are in the group \"%1\", but this session started before you "
     "joined it: log out and in again."},
    {MsgBusy, "the device is busy: another program is using it."},
    {MsgBusyHolders, "the device is busy: it is in use by process %1."},
    {MsgNotSerial, "this is not a serial port."},
    {MsgNoHardware, "no serial hardware answers behind this device."},
    {MsgNetRefused,
     "host %1 refused the connection to port %2. Is the serial device server running, and "
     "does it serve this port?"},
    {MsgNetUnreachable,
     "host %1 cannot be reached (port %2). Check the address and the network connection."},
    {MsgNetTimedOut,
     "host %1 did not answer on port %2 within 3 seconds. Check the address and that the "
     "server is switched on."},
    {MsgNetUnknownHost,
     "the host name %1 is not known (port %2). Check the spelling, or give its IP address."},
    {MsgNetBadAddress, "this is not a network port. Write tcp://HOST:PORT or rfc2217://HOST:PORT."},
    {MsgNetOther, "no connection to host %1, port %2: %3."},
};

// The network problems: each one text, with the host and the port.
struct NetworkTextRow {
    PortProblem Problem;
    int Message;
};
const NetworkTextRow kNetworkTexts[] = {
    {PortProblem::ConnectionRefused, MsgNetRefused},
    {PortProblem::HostUnreachable, MsgNetUnreachable},
    {PortProblem::ConnectTimedOut, MsgNetTimedOut},
    {PortProblem::UnknownHost, MsgNetUnknownHost},
};

std::string Say(const DiagnosisContext& context, int message,
                const std::vector<std::string>& values = {}) {
    std::string text = context.Catalogue ? context.Catalogue->Msg(message) : std::string();
    if (text.empty()) {
        for (const TextRow& row : kTexts) {
            if (row.Message == message) text = row.English;
        }
    }
    return Filled(text, values);
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string Heading(const std::string& portName, const std::string& path,
                    const DiagnosisContext& context) {
    if (portName.empty() || portName == path) return Say(context, MsgCannotOpen, {path}) + " ";
    return Say(context, MsgCannotOpenNamed, {portName, path}) + " ";
}

std::string CurrentUser() {
    if (const passwd* user = ::getpwuid(::getuid())) return user->pw_name;
    return "$USER";
}

std::string MissingText(const DiagnosisContext& context) {
    // One device a line: by-id names are long.
    std::string present;
    for (const SerialPortEntry& port : ListSerialPorts(context.Tree))
        present += "\n    " + PortLine(port);
    if (present.empty()) return Say(context, MsgNoDeviceAtAll);
    return Say(context, MsgNoDeviceListed) + present;
}

// Whether the user database lists the user in the group.
bool UserListedInGroup(const std::string& user, const std::string& groupName) {
    const passwd* account = ::getpwnam(user.c_str());
    const group* entry = ::getgrnam(groupName.c_str());
    if (!account || !entry) return false;
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(user.c_str(), account->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(user.c_str(), account->pw_gid, groups.data(), &count) < 0) return false;
    }
    groups.resize(static_cast<std::size_t>(count));
    return std::find(groups.begin(), groups.end(), entry->gr_gid) != groups.end();
}

// Whether this process already has the group: a group joined after logging
// in reaches only sessions started later.
bool SessionHasGroup(const std::string& groupName) {
    const group* entry = ::getgrnam(groupName.c_str());
    if (!entry) return false;
    if (::getegid() == entry->gr_gid) return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
    const int got = ::getgroups(count, groups.data());
    groups.resize(static_cast<std::size_t>(std::max(got, 0)));
    return std::find(groups.begin(), groups.end(), entry->gr_gid) != groups.end();
}

std::string PermissionText(const std::string& path, const DiagnosisContext& context) {
    const std::string group = DeviceGroup(path);
    const std::string user = context.UserName.empty() ? CurrentUser() : context.UserName;
    if (group.empty() || group == "root") return Say(context, MsgPermissionAsk, {path});
    const auto listed = context.UserListedInGroup ? context.UserListedInGroup : UserListedInGroup;
    const auto session = context.SessionHasGroup ? context.SessionHasGroup : SessionHasGroup;
    if (listed(user, group) && !session(group)) return Say(context, MsgPermissionRelogin, {group});
    return Say(context, MsgPermissionGroup, {group, user});
}

std::string BusyText(const OpenFailure& failure, const DiagnosisContext& context) {
    std::vector<std::string> holders;
    for (int pid : ProcessesHolding(failure.Path, context.ProcFolder))
        holders.push_back(ProcessText(pid, context.ProcFolder));
    if (holders.empty() && failure.LockHolder > 0)
        holders.push_back(ProcessText(failure.LockHolder, context.ProcFolder));
    if (holders.empty()) return Say(context, MsgBusy);
    return Say(context, MsgBusyHolders, {Joined(holders)});
}

std::string NetworkText(const OpenFailure& failure, const DiagnosisContext& context) {
    const std::optional<netline::NetAddress> address = netline::ParseNetworkPort(failure.Path);
    if (!address) return Say(context, MsgNetBadAddress);
    const std::vector<std::string> values = {address->Host, std::to_string(address->Port),
                                             std::strerror(failure.Error)};
    for (const NetworkTextRow& row : kNetworkTexts) {
        if (row.Problem == failure.Problem) return Say(context, row.Message, values);
    }
    return Say(context, MsgNetOther, values);
}

}  // namespace

PortProblem ProblemForNetworkError(int error) {
    for (const ErrorRow& row : kNetworkErrorRows) {
        if (row.Error == error) return row.Problem;
    }
    return PortProblem::Other;
}

PortProblem ProblemForError(int error) {
    if (error == 0) return PortProblem::None;
    for (const ErrorRow& row : kErrorRows) {
        if (row.Error == error) return row.Problem;
    }
    return PortProblem::Other;
}

std::vector<int> ProcessesHolding(const std::string& devicePath, const std::string& procFolder) {
    std::error_code error;
    const fs::path device = fs::canonical(devicePath, error);
    if (error) return {};
    std::vector<int> pids;
    const int self = static_cast<int>(::getpid());
    for (const fs::directory_entry& process : fs::directory_iterator(procFolder, error)) {
        const std::string name = process.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const int pid = std::stoi(name);
        if (pid == self) continue;
        std::error_code fdError;
        for (const fs::directory_entry& fd :
             fs::directory_iterator(process.path() / "fd", fdError)) {
            std::error_code linkError;
            if (fs::read_symlink(fd.path(), linkError) == device) {
                pids.push_back(pid);
                break;
            }
        }
    }
    return pids;
}

std::string ProcessText(int pid, const std::string& procFolder) {
    std::ifstream in(procFolder + "/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? std::to_string(pid) : std::to_string(pid) + " (" + name + ")";
}

std::string DeviceGroup(const std::string& devicePath) {
    struct stat info {};
    if (::stat(devicePath.c_str(), &info) != 0) return {};
    if (const group* owner = ::getgrgid(info.st_gid)) return owner->gr_name;
    return std::to_string(info.st_gid);
}

std::string DescribeOpenFailure(const std::string& portName, const OpenFailure& failure,
                                const DiagnosisContext& context) {
    std::string reason;
    switch (failure.Problem) {
        case PortProblem::None:
            return {};
        case PortProblem::NoSuchDevice:
            reason = MissingText(context);
            break;
        case PortProblem::PermissionDenied:
            reason = PermissionText(failure.Path, context);
            break;
        case PortProblem::Busy:
            reason = BusyText(failure, context);
            break;
        case PortProblem::NotSerial:
            reason = Say(context, MsgNotSerial);
            break;
        case PortProblem::NoHardware:
            reason = Say(context, MsgNoHardware);
            break;
        case PortProblem::BadNetworkAddress:
        case PortProblem::UnknownHost:
        case PortProblem::ConnectionRefused:
        case PortProblem::HostUnreachable:
        case PortProblem::ConnectTimedOut:
            reason = NetworkText(failure, context);
            break;
        case PortProblem::Other:
            reason = netline::IsNetworkPortName(failure.Path)
                         ? NetworkText(failure, context)
                         : std::string(std::strerror(failure.Error)) + ".";
            break;
    }
    return Heading(portName, failure.Path, context) + reason;
}
