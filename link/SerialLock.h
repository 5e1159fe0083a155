#pragma once
// The lock file convention of serial programs (terminal programs, modem
// tools): /var/lock/LCK..ttyUSB0 holds the holder's process id as ten
// characters and a line break. Honoured where the folder is writable, so
// that ServoDesk and a terminal program do not talk over each other.
#include <string>

inline constexpr char kLockFolder[] = "/var/lock";

class SerialLock {
public:
    enum class Result {
        Taken,       // the lock file is ours
        NotUsed,     // the folder is missing or not writable: no lock, no hindrance
        HeldByOther  // a live process holds it: Holder() says which
    };

    SerialLock() = default;
    ~SerialLock() { Release(); }
    SerialLock(const SerialLock&) = delete;
    SerialLock& operator=(const SerialLock&) = delete;

    // Takes the lock for the device at path (links are followed); a lock
    // left by a process that is gone is removed first.
    Result Acquire(const std::string& devicePath, const std::string& folder = kLockFolder);
    // Removes the lock file if it is ours.
    void Release();
    int Holder() const { return holder_; }

    // "LCK..ttyUSB0"; a node below /dev/ has its slashes turned to "_" ("LCK..pts_3").
    static std::string FileName(const std::string& devicePath);
    // The live process holding the device's lock file, or 0.
    static int LiveHolder(const std::string& devicePath, const std::string& folder = kLockFolder);

private:
    std::string file_;
    int holder_ = 0;
};
