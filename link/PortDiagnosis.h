#pragma once
// Why a serial device did not open, in words a user can act on. The port
// records the reason of its last failed open; the main window and servoctl
// turn it into the same text.
#include <functional>
#include <string>
#include <vector>

#include "link/PortList.h"

class MessageCatalogue;

enum class PortProblem {
    None,
    NoSuchDevice,      // nothing at the path
    PermissionDenied,  // the user may not open it
    Busy,              // another program has it open or locked
    NotSerial,         // a file or device that is no serial port
    NoHardware,        // the node exists but nothing answers behind it
    // A network port ("tcp://", "rfc2217://"):
    BadNetworkAddress,  // the name is not HOST:PORT
    UnknownHost,        // the host name does not resolve
    ConnectionRefused,  // the host answers, but nothing serves that port
    HostUnreachable,    // no route to the host
    ConnectTimedOut,    // no answer within the connect time-out
    Other
};

struct OpenFailure {
    PortProblem Problem = PortProblem::None;
    int Error = 0;       // the errno behind it
    std::string Path;    // the device that was tried
    int LockHolder = 0;  // the process whose lock file refused the open
};

PortProblem ProblemForError(int error);
// The problem behind a failed connect (its errno; EADDRNOTAVAIL for a host
// name that does not resolve).
PortProblem ProblemForNetworkError(int error);

// Processes (other than this one) with the device open, found in /proc.
std::vector<int> ProcessesHolding(const std::string& devicePath,
                                  const std::string& procFolder = "/proc");
// "1234 (minicom)", or the number alone when /proc has no name for it.
std::string ProcessText(int pid, const std::string& procFolder = "/proc");
// The group that owns the device file ("dialout"), or empty.
std::string DeviceGroup(const std::string& devicePath);

// What the diagnosis looks at besides the failure itself.
struct DiagnosisContext {
    DeviceTree Tree;
    std::string ProcFolder = "/proc";
    std::string UserName;  // empty: the user running this process
    // The texts in the user's language; without a catalogue, or with one
    // that lacks the lines, they are the English that servoctl prints.
    const MessageCatalogue* Catalogue = nullptr;
    // Group membership in the user database and in this session; empty: the
    // system's. Tests replace them.
    std::function<bool(const std::string& user, const std::string& group)> UserListedInGroup;
    std::function<bool(const std::string& group)> SessionHasGroup;
};

// "Cannot open COM1 (/dev/ttyS0): ..." with the reason and what to do.
std::string DescribeOpenFailure(const std::string& portName, const OpenFailure& failure,
                                const DiagnosisContext& context = {});
