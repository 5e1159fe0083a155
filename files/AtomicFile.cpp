#include "files/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace

bool AtomicFile::Create(const std::string& path, std::string& error) {
    Abandon();
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        error = std::strerror(EISDIR);
        return false;
    }
    std::string pattern = FolderOf(path) + "." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
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
    if (std::fclose(file_) != 0 && failure == 0) failure = errno;
    file_ = nullptr;
    if (failure == 0 && std::rename(tempPath_.c_str(), path_.c_str()) != 0) failure = errno;
    if (failure != 0) {
        error = std::strerror(failure);
        ::unlink(tempPath_.c_str());
    }
    tempPath_.clear();
    return failure == 0;
}

void AtomicFile::Abandon() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
}
