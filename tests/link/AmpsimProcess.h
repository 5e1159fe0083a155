#pragma once
// The ampsim program as a child process: its console is a pipe we write
// commands to, its answers a pipe we read them from. Its pseudo-terminal is
// linked as Com1 in a fresh folder, where a TComm finds it by name.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/link/PtyPair.h"

extern char** environ;

class AmpsimProcess {
public:
    // extraArgs: further options such as "--pace".
    AmpsimProcess(const std::string& program, const std::string& family,
                  const std::vector<std::string>& extraArgs = {}) {
        std::vector<std::string> args = {program, "--family", family, "--link",
                                         folder_.Path() + "/Com1"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        Spawn(args);
        if (!WaitFor("linked at", 5000)) {
            throw std::runtime_error("ampsim did not start: " + output_);
        }
    }
    ~AmpsimProcess() { Stop(); }
    AmpsimProcess(const AmpsimProcess&) = delete;
    AmpsimProcess& operator=(const AmpsimProcess&) = delete;

    const std::string& Folder() const { return folder_.Path(); }
    // Everything it has answered so far.
    const std::string& Output() const { return output_; }

    // Sends one console command and waits for the answer that confirms it.
    bool Command(const std::string& line, const std::string& answer, int timeoutMs = 2000) {
        const std::string text = line + "\n";
        if (::write(console_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            return false;
        }
        return WaitFor(answer, timeoutMs);
    }

    // Asks it to quit; ends it by its id if it does not.
    void Stop() {
        if (pid_ <= 0) return;
        if (console_ >= 0) {
            // A failed write needs nothing more: the kill below ends it.
            [[maybe_unused]] const ssize_t written = ::write(console_, "quit\n", 5);
            ::close(console_);
            console_ = -1;
        }
        if (!Reaped(1000)) {
            ::kill(pid_, SIGTERM);
            if (!Reaped(1000)) ::kill(pid_, SIGKILL), Reaped(1000);
        }
        pid_ = -1;
        if (answers_ >= 0) ::close(answers_);
        answers_ = -1;
    }

private:
    void Spawn(const std::vector<std::string>& args) {
        int toChild[2];
        int fromChild[2];
        if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const int failed =
            ::posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(toChild[0]);
        ::close(fromChild[1]);
        console_ = toChild[1];
        answers_ = fromChild[0];
        if (failed != 0) {
            pid_ = -1;
            throw std::runtime_error("cannot start " + args[0]);
        }
    }

    // Reads the child's output until text appears after what was seen before.
    bool WaitFor(const std::string& text, int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            const std::size_t found = output_.find(text, seen_);
            if (found != std::string::npos) {
                seen_ = found + text.size();
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd waitFor{answers_, POLLIN, 0};
            if (::poll(&waitFor, 1, static_cast<int>(left.count())) <= 0) return false;
            char chunk[512];
            const ssize_t n = ::read(answers_, chunk, sizeof chunk);
            if (n <= 0) return false;
            output_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    bool Reaped(int timeoutMs) {
        for (int waited = 0; waited < timeoutMs; waited += 10) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    TempFolder folder_;
    pid_t pid_ = -1;
    int console_ = -1;
    int answers_ = -1;
    std::string output_;
    std::size_t seen_ = 0;
};

// CPU time of this process so far, in seconds.
inline double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}
