#pragma once
// Test helpers: a pseudo-terminal whose slave side stands in for a serial
// device, and a temporary folder in which device links ("Com1") are made.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

// The master side is ours; the slave path is the "device" the port opens.
// The slave is not kept open here, so the port is its only user.
class PtyPair {
public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            throw std::runtime_error("cannot create a pseudo-terminal");
        }
        char name[128];
        if (::ptsname_r(master_, name, sizeof name) != 0) {
            throw std::runtime_error("pseudo-terminal has no slave name");
        }
        slavePath_ = name;
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int Master() const { return master_; }

    // Unplugs the "device": the slave side sees a hang-up.
    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

    // Sends bytes to the port.
    void Send(std::string_view bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) throw std::runtime_error("pty write failed");
            done += static_cast<std::size_t>(n);
        }
    }

    // Receives up to count bytes sent by the port, waiting at most timeoutMs.
    std::string Receive(std::size_t count, int timeoutMs) const {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::string bytes;
        while (bytes.size() < count) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) break;
            pollfd waitFor{master_, POLLIN, 0};
            if (::poll(&waitFor, 1, static_cast<int>(left.count())) <= 0) break;
            char chunk[256];
            const std::size_t want = std::min(sizeof chunk, count - bytes.size());
            const ssize_t n = ::read(master_, chunk, want);
            if (n <= 0) break;
            bytes.append(chunk, static_cast<std::size_t>(n));
        }
        return bytes;
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

// A fresh folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "servodesk-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }

    // Points the link `name` in this folder at target, replacing it whole.
    void Link(const std::string& name, const std::string& target) const {
        const std::filesystem::path link = std::filesystem::path(path_) / name;
        const std::filesystem::path temp = std::filesystem::path(path_) / (name + ".new");
        std::filesystem::remove(temp);
        std::filesystem::create_symlink(target, temp);
        std::filesystem::rename(temp, link);
    }

private:
    std::string path_;
};
