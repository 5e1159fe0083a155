#include "link/SerialLock.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string NodeName(const std::string& devicePath) {
    std::error_code error;
    fs::path node = fs::canonical(devicePath, error);
    if (error) node = devicePath;
    const std::string text = node.string();
    std::string name = text.rfind("/dev/", 0) == 0 ? text.substr(5) : node.filename().string();
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    return name;
}

// The process id in a lock file: ten-character text (the usual form) or,
// from old programs, a binary int. 0 when unreadable.
int PidInFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (content.size() == sizeof(int) && (content.back() != '\n')) {
        int pid = 0;
        std::copy(content.begin(), content.end(), reinterpret_cast<char*>(&pid));
        return pid > 0 ? pid : 0;
    }
    const long pid = std::strtol(content.c_str(), nullptr, 10);
    return pid > 0 && pid < 1 << 30 ? static_cast<int>(pid) : 0;
}

bool Alive(int pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

bool WriteLock(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    const bool written = ::write(fd, text, static_cast<size_t>(length)) == length;
    ::close(fd);
    if (!written) ::unlink(path.c_str());
    return written;
}

}  // namespace

std::string SerialLock::FileName(const std::string& devicePath) {
    return "LCK.." + NodeName(devicePath);
}

int SerialLock::LiveHolder(const std::string& devicePath, const std::string& folder) {
    const int pid = PidInFile(folder + "/" + FileName(devicePath));
    return Alive(pid) ? pid : 0;
}

SerialLock::Result SerialLock::Acquire(const std::string& devicePath, const std::string& folder) {
    Release();
    holder_ = 0;
    if (::access(folder.c_str(), W_OK) != 0) return Result::NotUsed;
    const std::string path = folder + "/" + FileName(devicePath);
    // Two tries: the second after a stale lock was removed.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (WriteLock(path)) {
            file_ = path;
            return Result::Taken;
        }
        if (errno != EEXIST) return Result::NotUsed;
        const int pid = PidInFile(path);
        if (pid == ::getpid()) return Result::NotUsed;  // this process holds the device already
        if (Alive(pid)) {
            holder_ = pid;
            return Result::HeldByOther;
        }
        ::unlink(path.c_str());
    }
    return Result::NotUsed;
}

void SerialLock::Release() {
    if (file_.empty()) return;
    if (PidInFile(file_) == ::getpid()) ::unlink(file_.c_str());
    file_.clear();
}
