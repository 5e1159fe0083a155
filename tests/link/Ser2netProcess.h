#pragma once
// Debian's ser2net in the foreground, serving one device on two local ports:
// a raw TCP accepter and a Telnet accepter with RFC 2217. It is started and
// stopped by the test, and can be restarted on the same ports.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class Ser2netProcess {
public:
    // The ser2net program, or empty when it is not installed.
    static std::string Program() {
        for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net"}) {
            if (::access(path, X_OK) == 0) return path;
        }
        return {};
    }

    Ser2netProcess(const std::string& device, const std::string& folder)
        : config_(folder + "/ser2net.yaml"), rawPort_(FreePort()), telnetPort_(FreePort()) {
        // Without the character delay ser2net passes each byte on as it comes
        // instead of waiting two character times after the last: the set-up
        // for a request/reply protocol.
        const std::string connector = "    connector: serialdev," + device + ",9600n81,local\n" +
                                      "    options:\n      chardelay: false\n";
        std::ofstream(config_) << "connection: &raw\n"
                               << "    accepter: tcp,127.0.0.1," << rawPort_ << "\n"
                               << connector << "connection: &telnet\n"
                               << "    accepter: telnet(rfc2217),tcp,127.0.0.1," << telnetPort_
                               << "\n"
                               << connector;
        Start();
    }
    ~Ser2netProcess() { Stop(); }
    Ser2netProcess(const Ser2netProcess&) = delete;
    Ser2netProcess& operator=(const Ser2netProcess&) = delete;

    std::string RawUrl() const { return "tcp://127.0.0.1:" + std::to_string(rawPort_); }
    std::string TelnetUrl() const { return "rfc2217://127.0.0.1:" + std::to_string(telnetPort_); }

    // Starts it and waits until both ports accept; false when they do not.
    bool Start() {
        const std::string program = Program();
        std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>("-n"),
                                   const_cast<char*>("-c"), const_cast<char*>(config_.c_str()),
                                   nullptr};
        // Its complaints about mDNS and the like are of no interest here.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int failed =
            ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) {
            pid_ = -1;
            return false;
        }
        return Accepting(rawPort_) && Accepting(telnetPort_);
    }

    // Ends it by its id: the connections it carried drop.
    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        for (int waited = 0; waited < 2000; waited += 10) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    // A port nothing listens on now (the kernel's pick for a bound socket).
    static int FreePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        ::close(fd);
        return ntohs(address.sin_port);
    }

    // Looks for the listening socket in /proc/net/tcp rather than connecting:
    // a connection would make ser2net open the device.
    static bool Accepting(int port) {
        char wanted[32];
        std::snprintf(wanted, sizeof wanted, "0100007F:%04X 00000000:0000 0A", port);
        for (int waited = 0; waited < 5000; waited += 20) {
            std::ifstream table("/proc/net/tcp");
            for (std::string line; std::getline(table, line);) {
                if (line.find(wanted) != std::string::npos) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::string config_;
    int rawPort_;
    int telnetPort_;
    pid_t pid_ = -1;
};
