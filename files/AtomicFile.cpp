#include "files/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A new file gets the permissions an ordinary create would give it.
mode_t CreateMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// mkstemp's six characters replace XXXXXX in ".NAME.XXXXXX".
constexpr std::size_t TempSuffixLength = 6;

bool IsTempNameOf(const std::string& entry, const std::string& name) {
    const std::string prefix = "." + name + ".";
    if (entry.size() != prefix.size() + TempSuffixLength || entry.rfind(prefix, 0) != 0) {
        return false;
    }
    for (std::size_t i = prefix.size(); i < entry.size(); ++i) {
        if (std::isalnum(static_cast<unsigned char>(entry[i])) == 0) return false;
    }
    return true;
}

// Removes a temporary file that no writer holds: the writer of a live one
// keeps it locked until it is renamed or removed.
void RemoveIfUnheld(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        ::unlink(path.c_str());
    }
    ::close(fd);
}

// A save killed between creating its temporary file and renaming it leaves
// the temporary file behind; the next save of the same name removes it.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsTempNameOf(entry->d_name, name)) RemoveIfUnheld(folder + entry->d_name);
    }
    ::closedir(dir);
}

// The temporary file locked as its writer's; false when a cleaner removed it
// between its creation and the lock (the caller makes another).
bool LockedAndStillThere(int fd, const char* path) {
    if (::flock(fd, LOCK_EX) != 0) return false;
    struct stat held {
    }, named{};
    return ::fstat(fd, &held) == 0 && ::stat(path, &named) == 0 && held.st_ino == named.st_ino &&
           held.st_dev == named.st_dev;
}

int MakeLockedTemp(std::vector<char>& buffer, const std::string& pattern) {
    constexpr int Attempts = 3;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        buffer.assign(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        const int fd = ::mkstemp(buffer.data());
        if (fd < 0 || LockedAndStillThere(fd, buffer.data())) return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

}  // namespace

bool AtomicFile::Create(const std::string& path, std::string& error) {
    Abandon();
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        error = std::strerror(EISDIR);
        return false;
    }
    RemoveStaleTemporaries(FolderOf(path), name);
    std::vector<char> buffer;
    const int fd = MakeLockedTemp(buffer, FolderOf(path) + "." + name + ".XXXXXX");
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat existing {};
    ::fchmod(fd, ::stat(path.c_str(), &existing) == 0 ? existing.st_mode & 07777 : CreateMode());
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        error = std::strerror(errno);
        ::close(fd);
        ::unlink(buffer.data());
        return false;
    }
    path_ = path;
    tempPath_ = buffer.data();
    writeError_ = 0;
    return true;
}

void AtomicFile::WriteLine(const std::string& line) {
    if (file_ == nullptr || writeError_ != 0) return;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
        std::fwrite("\r\n", 1, 2, file_) != 2) {
        writeError_ = errno != 0 ? errno : EIO;
    }
}

bool AtomicFile::Commit(std::string& error) {
    if (file_ == nullptr) {
        error = std::strerror(EBADF);
        return false;
    }
    int failure = writeError_;
    if (failure == 0 && std::fflush(file_) != 0) failure = errno;
    if (failure == 0 && ::fsync(::fileno(file_)) != 0) failure = errno;
    // Renamed while still open and locked, so that no other save takes it
    // for a leftover in between.
    if (failure == 0 && std::rename(tempPath_.c_str(), path_.c_str()) != 0) failure = errno;
    if (failure != 0) ::unlink(tempPath_.c_str());
    if (std::fclose(file_) != 0 && failure == 0) failure = errno;
    file_ = nullptr;
    if (failure != 0) error = std::strerror(failure);
    tempPath_.clear();
    return failure == 0;
}

void AtomicFile::Abandon() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
}
