#pragma once
// Thin POSIX layer under the serial port: device lookup, exclusive open,
// termios line settings and the driver's status queries. No state here.
#include <cstdint>
#include <string>

#include "link/CommTypes.h"
#include "link/EnumSet.h"

using TCommOptions = EnumSet<TCommOption>;

namespace commline {

// The file to open for a port name. A name with a slash is a path. A bare
// name is looked up as a file or link in searchFolder (so a link "Com1" can
// point at a USB adapter); failing that "ComN" means /dev/ttyS<N-1>, and any
// other bare name is a node in /dev or a name in /dev/serial/by-id.
std::string ResolveDevicePath(const std::string& name, const std::string& searchFolder);

// Opens a character device non-blocking and takes it exclusively: flock keeps
// out every other opener (root included), TIOCEXCL keeps out plain opens.
// Returns the descriptor, or -1 when the device is missing, busy or no tty;
// then *failure (when given) holds the reason as an errno: the open's own,
// ENOTTY for a file that is no character device, EBUSY for a held device.
int OpenExclusive(const std::string& path, int* failure = nullptr);
// Gives up exclusivity and closes.
void CloseExclusive(int fd);

struct LineSettings {
    TBaudRate baudRate;
    TParity parity;
    TStopBits stopBits;
    TDataBits dataBits;
    TCommOptions options;
    char xonChar;
    char xoffChar;
};

// Raw mode with the given framing; handshake flags stay as the device had
// them. Returns 0 or the errno (EINVAL for a rate or size termios lacks).
int ApplyLineSettings(int fd, const LineSettings& settings);
// Reads return at once with what is there; the port does its own waiting.
int ApplyImmediateReads(int fd);

// Error counters of the driver (TIOCGICOUNT). Ptys have none: all stay 0.
struct LineCounters {
    int breaks = 0;
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int bufferOverrun = 0;
};
LineCounters ReadLineCounters(int fd);
// False for devices without error counters (pseudo-terminals, some adapters).
bool HasLineCounters(int fd);

// Error bits in the order of the classic comm error word.
enum TCommErrorBit : unsigned {
    ceRxOver = 0x01,
    ceOverrun = 0x02,
    ceRxParity = 0x04,
    ceFrame = 0x08,
    ceBreak = 0x10,
};
unsigned ErrorBitsBetween(const LineCounters& before, const LineCounters& after);

// TIOCM_* bits of the modem lines, or -1 when the driver has none.
int ModemLines(int fd);
// Bytes waiting in the input / output queue; 0 when the query fails.
int InputQueueCount(int fd);
int OutputQueueCount(int fd);
// True when hardware handshake (CRTSCTS) is on.
bool HardwareHandshake(int fd);

}  // namespace commline
