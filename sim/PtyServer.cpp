#include "sim/PtyServer.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {

PtyServer::~PtyServer() {
    RemoveLink();
    Unplug();
}

bool PtyServer::Fail(const std::string& what) {
    error_ = what + ": " + std::strerror(errno);
    Unplug();
    return false;
}

bool PtyServer::Plug() {
    Unplug();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0) return Fail("posix_openpt");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) return Fail("grantpt/unlockpt");
    const char* name = ptsname(master_);
    if (name == nullptr) return Fail("ptsname");
    slavePath_ = name;
    // Raw on the slave side: no echo of requests back to us, no line editing.
    termios settings{};
    if (tcgetattr(master_, &settings) == 0) {
        cfmakeraw(&settings);
        cfsetispeed(&settings, B9600);
        cfsetospeed(&settings, B9600);
        tcsetattr(master_, TCSANOW, &settings);
    }
    // Replace whatever is at the link path (an old link of ours or another).
    if (unlink(linkPath_.c_str()) != 0 && errno != ENOENT) return Fail("unlink " + linkPath_);
    if (symlink(slavePath_.c_str(), linkPath_.c_str()) != 0) return Fail("symlink " + linkPath_);
    return true;
}

// Like a USB adapter taken away. The link stays, as a user's link to
// /dev/ttyUSB0 would; replugging points it at the new pseudo-terminal.
void PtyServer::Unplug() {
    if (master_ >= 0) close(master_);
    master_ = -1;
}

void PtyServer::RemoveLink() {
    char target[256] = {};
    const ssize_t length = readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (length > 0 && slavePath_ == std::string(target, static_cast<std::size_t>(length))) {
        unlink(linkPath_.c_str());
    }
}

}  // namespace sim
