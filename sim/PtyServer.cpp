#include "sim/PtyServer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {

namespace {

std::string LinkText(const std::string& path) {
    char target[256] = {};
    const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace

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
    std::string why;
    if (!MayTakeLinkPath(why)) {
        error_ = linkPath_ + ": " + why;
        return false;
    }
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
    // Only a link we may take is in the way here.
    if (unlink(linkPath_.c_str()) != 0 && errno != ENOENT) return Fail("unlink " + linkPath_);
    if (symlink(slavePath_.c_str(), linkPath_.c_str()) != 0) return Fail("symlink " + linkPath_);
    return true;
}

void PtyServer::Unplug() {
    if (master_ >= 0) close(master_);
    master_ = -1;
}

// Like a USB adapter taken away. A user's link to /dev/ttyUSB0 stays and
// dangles; ours must not keep naming the freed pseudo-terminal number, which
// the next program to open a pseudo-terminal may get. So it is pointed at a
// name that cannot exist until replug points it at the new one.
void PtyServer::PullAdapter() {
    const bool ours = LinkIsOurs();
    Unplug();
    if (!ours) return;
    unlink(linkPath_.c_str());
    if (symlink((slavePath_ + "-unplugged").c_str(), linkPath_.c_str()) != 0) {
        error_ = "symlink " + linkPath_ + ": " + std::strerror(errno);
    }
}

std::string PtyServer::LinkTarget() const {
    return LinkText(linkPath_);
}

bool PtyServer::LinkIsOurs() const {
    return !slavePath_.empty() && LinkTarget() == slavePath_;
}

bool PtyServer::MayTakeLinkPath(std::string& why) const {
    return LinkIsOurs() || PathIsFreeForLink(linkPath_, why);
}

bool PtyServer::PathIsFreeForLink(const std::string& path, std::string& why) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return true;
        why = std::strerror(errno);
        return false;
    }
    if (!S_ISLNK(info.st_mode)) {
        why = "exists and is not a link; it is left alone";
        return false;
    }
    struct stat target {};
    if (stat(path.c_str(), &target) != 0 && errno == ENOENT) return true;  // dangling
    why = "is a link to " + LinkText(path) + " that this ampsim did not make; it is left alone";
    return false;
}

void PtyServer::RemoveLink() {
    if (LinkIsOurs() || LinkTarget() == slavePath_ + "-unplugged") unlink(linkPath_.c_str());
}

}  // namespace sim
