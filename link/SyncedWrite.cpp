#include "link/SyncedWrite.h"

#include <unistd.h>

#include <cerrno>

bool WriteSynced(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<std::size_t>(n);
    }
    return ::fsync(fd) == 0;
}
