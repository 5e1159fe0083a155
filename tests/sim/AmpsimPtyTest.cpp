// Runs the real ampsim on a pseudo-terminal and talks to it through its link.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string AmpsimPath() {
    const char* overridePath = std::getenv("AMPSIM");
    return overridePath ? overridePath : AMPSIM_PATH;
}

// ampsim as a child process with a pipe to its standard input.
class AmpsimProcess {
public:
    AmpsimProcess(const std::string& family, const fs::path& link, const fs::path& log,
                  const std::vector<std::string>& extraOptions = {}) {
        int input[2];
        if (pipe(input) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(input[0], STDIN_FILENO);
            close(input[0]);
            close(input[1]);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDOUT_FILENO);
            const std::string path = AmpsimPath();
            std::vector<std::string> args = {path, "--family", family,  "--link",
                                             link, "--pace",   "--log", log};
            args.insert(args.end(), extraOptions.begin(), extraOptions.end());
            std::vector<char*> argv;
            for (std::string& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(path.c_str(), argv.data());
            _exit(127);
        }
        close(input[0]);
        stdin_ = input[1];
    }
    ~AmpsimProcess() {
        if (stdin_ >= 0) close(stdin_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    void Command(const std::string& line) {
        const std::string text = line + "\n";
        ASSERT_EQ(write(stdin_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
};

bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 300; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

int OpenRaw(const fs::path& link) {
    const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return -1;
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd, TCSANOW, &settings);
    return fd;
}

// Reads up to count bytes, waiting at most timeoutMs for each.
std::string ReadReply(int fd, std::size_t count, int timeoutMs = 1000) {
    std::string reply;
    while (reply.size() < count) {
        pollfd request{fd, POLLIN, 0};
        if (poll(&request, 1, timeoutMs) <= 0) break;
        char byte;
        if (read(fd, &byte, 1) != 1) break;
        reply += byte;
    }
    return reply;
}

std::string Exchange(const fs::path& link, const std::string& request) {
    const int fd = OpenRaw(link);
    if (fd < 0) return "<no device>";
    const std::string reply =
        write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())
            ? ReadReply(fd, 7)
            : "<write failed>";
    close(fd);
    return reply;
}

TEST(AmpsimOnPty, AnswersAndSurvivesUnplugAndReplug) {
    const fs::path folder = fs::temp_directory_path() / ("ampsim-test-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path link = folder / "Com1";
    const fs::path log = folder / "ampsim.log";
    {
        AmpsimProcess ampsim("bx", link, log);
        ASSERT_TRUE(ampsim.Running());
        ASSERT_TRUE(WaitFor([&] { return fs::exists(link); })) << "no link from " << AmpsimPath();

        EXPECT_EQ(Exchange(link, "R568F5"), "%0000E5");
        // The peer closed the slave once: ampsim keeps serving the next opener.
        EXPECT_EQ(Exchange(link, "R568F5"), "%0000E5");

        // An open port sees the hang-up when the adapter goes away.
        const int fd = OpenRaw(link);
        ASSERT_GE(fd, 0);
        const std::string oldTarget = fs::read_symlink(link);
        ampsim.Command("unplug");
        EXPECT_TRUE(WaitFor([&] {
            pollfd request{fd, POLLIN, 0};
            return poll(&request, 1, 0) > 0 && (request.revents & (POLLHUP | POLLERR));
        }));
        close(fd);

        ampsim.Command("replug");
        ASSERT_TRUE(WaitFor([&] { return Exchange(link, "R568F5") == "%0000E5"; }));
        EXPECT_TRUE(fs::is_symlink(link));
        (void)oldTarget;  // the new pty may reuse the number of the old one

        ampsim.Command("fault noreply");
        ampsim.Command("status");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(Exchange(link, "R568F5"), "");
    }
    std::ifstream logFile(log);
    std::stringstream text;
    text << logFile.rdbuf();
    EXPECT_NE(text.str().find("\tR568F5\t%0000E5\t-"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\tR568F5\t-\tnoreply"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\t#\tunplug"), std::string::npos) << text.str();
    fs::remove_all(folder);
}

TEST(AmpsimOnPty, SeedOptionIsAccepted) {
    const fs::path folder = fs::temp_directory_path() / ("ampsim-seed-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path link = folder / "Com1";
    {
        AmpsimProcess ampsim("fx", link, folder / "ampsim.log", {"--seed", "5"});
        ASSERT_TRUE(WaitFor([&] { return fs::exists(link); })) << "ampsim refused --seed";
        EXPECT_EQ(Exchange(link, "R58B01").substr(0, 5), "%1D4C");
    }
    fs::remove_all(folder);
}

// Runs ampsim to its end (it ends at once when it refuses its options).
int ExitStatusOf(const std::vector<std::string>& options) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, STDIN_FILENO);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        std::vector<std::string> args = {AmpsimPath()};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    for (int i = 0; i < 300 && waitpid(pid, &status, WNOHANG) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (waitpid(pid, &status, WNOHANG) == 0) {  // still serving: it took the path
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

TEST(AmpsimOnPty, LinkPathHoldingTheUsersFileIsAUsageErrorAndStays) {
    const fs::path folder = fs::temp_directory_path() / ("ampsim-link-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path link = folder / "Com1";
    const fs::path notes = folder / "notes.txt";
    std::ofstream(notes) << "keep me\n";
    struct Case {
        const char* what;
        std::function<void()> make;
    };
    const Case refused[] = {
        {"a regular file", [&] { std::ofstream(link) << "keep me\n"; }},
        {"a directory", [&] { fs::create_directory(link); }},
        {"a link to a live file", [&] { fs::create_symlink(notes, link); }},
    };
    for (const Case& c : refused) {
        c.make();
        const auto before = fs::symlink_status(link).type();
        EXPECT_EQ(ExitStatusOf({"--family", "bx", "--link", link}), 2) << c.what;
        EXPECT_EQ(fs::symlink_status(link).type(), before) << c.what;
        fs::remove_all(link);
    }
    EXPECT_EQ(std::ifstream(notes).get(), 'k');
    // A dangling link, as an ampsim killed outright leaves it, is taken over.
    fs::create_symlink(folder / "gone", link);
    {
        AmpsimProcess ampsim("bx", link, folder / "ampsim.log");
        EXPECT_TRUE(WaitFor([&] { return Exchange(link, "R568F5") == "%0000E5"; }));
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    fs::remove_all(folder);
}

TEST(AmpsimOnPty, MalformedConsoleCommandsAreRefusedWithoutStoppingTheServer) {
    const fs::path folder =
        fs::temp_directory_path() / ("ampsim-console-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path link = folder / "Com1";
    {
        AmpsimProcess ampsim("bx", link, folder / "ampsim.log");
        ASSERT_TRUE(WaitFor([&] { return fs::exists(link); }));
        for (const char* command : {"fault random abc", "fault random 99999999999999999999",
                                    "fault random 7 lots", "fault random -3"}) {
            ampsim.Command(command);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        // None of them started the corruption, and ampsim still answers.
        EXPECT_EQ(Exchange(link, "R568F5"), "%0000E5");
        EXPECT_EQ(Exchange(link, "R568F5"), "%0000E5");
    }
    fs::remove_all(folder);
}

}  // namespace
