#include "link/CommLine.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

namespace commline {
namespace {

// termios speed per TBaudRate member; 0 where termios has no such rate
// (14400, 56000, 128000, 256000). Those are refused rather than run at a
// neighbouring rate, which would only produce garbage on the line.
const speed_t Speeds[] = {B110,   B300,   B600, B1200,  B2400,   B4800, B9600, 0,
                          B19200, B38400, 0,    B57600, B115200, 0,     0};

// Character size per TDataBits member; termios cannot frame 4-bit words.
const tcflag_t CharSizes[] = {0, CS5, CS6, CS7, CS8};

const tcflag_t ParityFlags[] = {
    0,                         // paNone
    PARENB | PARODD,           // paOdd
    PARENB,                    // paEven
    PARENB | CMSPAR | PARODD,  // paMark
    PARENB | CMSPAR,           // paSpace
};

// 1.5 stop bits exist only for 5-bit words, where the UART gives them for
// CSTOPB; so sb15 and sb20 both set CSTOPB.
const tcflag_t StopFlags[] = {0, CSTOPB, CSTOPB};

struct OptionRow {
    TCommOption option;
    tcflag_t inputFlag;  // 0: the Linux driver has no such switch
};
const OptionRow OptionRows[] = {
    {coParityCheck, INPCK}, {coDsrSensitivity, 0}, {coIgnoreXOff, 0},
    {coErrorChar, 0},       {coNullStrip, 0},
};

int ComNumber(const std::string& name) {
    if (name.size() < 4) return 0;
    for (int i = 0; i < 3; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[i])) != "com"[i]) return 0;
    }
    int number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])) || number > 999) return 0;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

void MakeRaw(termios& t) {
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | INPCK);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    t.c_cflag |= CLOCAL | CREAD;
}

}  // namespace

// A name found nowhere is reported where a device of that name would be
// (/dev/ttyUSB7), not in the start-up folder, which nobody meant.
std::string ResolveDevicePath(const std::string& name, const std::string& searchFolder) {
    if (name.find('/') != std::string::npos) return name;
    std::string folder = searchFolder.empty() ? std::string(".") : searchFolder;
    if (folder.back() != '/') folder += '/';
    const std::string candidate = folder + name;
    struct stat info {};
    if (::lstat(candidate.c_str(), &info) == 0) return candidate;
    const int number = ComNumber(name);
    if (number > 0) return "/dev/ttyS" + std::to_string(number - 1);
    for (const char* devices : {"/dev/", "/dev/serial/by-id/"}) {
        if (::lstat((devices + name).c_str(), &info) == 0) return devices + name;
    }
    return "/dev/" + name;
}

int OpenExclusive(const std::string& path, int* failure) {
    int reason = 0;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd < 0) {
        reason = errno;
    } else if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
        reason = ENOTTY;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        reason = errno == ENOTTY ? ENOTTY : EBUSY;
    }
    if (failure) *failure = reason;
    if (reason == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

void CloseExclusive(int fd) {
    if (fd < 0) return;
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

int ApplyLineSettings(int fd, const LineSettings& settings) {
    const speed_t speed = Speeds[settings.baudRate];
    const tcflag_t charSize = CharSizes[settings.dataBits];
    if (speed == 0 || charSize == 0) return EINVAL;
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return errno;
    MakeRaw(t);
    t.c_cflag |= charSize | ParityFlags[settings.parity] | StopFlags[settings.stopBits];
    for (const OptionRow& row : OptionRows) {
        if (settings.options.Contains(row.option)) t.c_iflag |= row.inputFlag;
    }
    t.c_cc[VSTART] = static_cast<cc_t>(settings.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(settings.xoffChar);
    if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) return errno;
    return ::tcsetattr(fd, TCSANOW, &t) == 0 ? 0 : errno;
}

int ApplyImmediateReads(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return errno;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &t) == 0 ? 0 : errno;
}

bool HasLineCounters(int fd) {
    serial_icounter_struct raw{};
    return fd >= 0 && ::ioctl(fd, TIOCGICOUNT, &raw) == 0;
}

LineCounters ReadLineCounters(int fd) {
    serial_icounter_struct raw{};
    LineCounters counters;
    if (fd < 0 || ::ioctl(fd, TIOCGICOUNT, &raw) != 0) return counters;
    counters.breaks = raw.brk;
    counters.frame = raw.frame;
    counters.overrun = raw.overrun;
    counters.parity = raw.parity;
    counters.bufferOverrun = raw.buf_overrun;
    return counters;
}

unsigned ErrorBitsBetween(const LineCounters& before, const LineCounters& after) {
    unsigned bits = 0;
    if (after.bufferOverrun != before.bufferOverrun) bits |= ceRxOver;
    if (after.overrun != before.overrun) bits |= ceOverrun;
    if (after.parity != before.parity) bits |= ceRxParity;
    if (after.frame != before.frame) bits |= ceFrame;
    if (after.breaks != before.breaks) bits |= ceBreak;
    return bits;
}

int ModemLines(int fd) {
    int bits = 0;
    if (fd < 0 || ::ioctl(fd, TIOCMGET, &bits) != 0) return -1;
    return bits;
}

int InputQueueCount(int fd) {
    int count = 0;
    if (fd < 0 || ::ioctl(fd, FIONREAD, &count) != 0) return 0;
    return count;
}

int OutputQueueCount(int fd) {
    int count = 0;
    if (fd < 0 || ::ioctl(fd, TIOCOUTQ, &count) != 0) return 0;
    return count;
}

bool HardwareHandshake(int fd) {
    termios t{};
    return fd >= 0 && ::tcgetattr(fd, &t) == 0 && (t.c_cflag & CRTSCTS) != 0;
}

}  // namespace commline
