// Why a port did not open, told plainly: missing, permission, busy (with the
// holder from /proc or from a lock file), not a serial port; and the lock
// file convention of serial programs.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "link/Comm.h"
#include "link/MessageCatalogue.h"
#include "link/PortDiagnosis.h"
#include "link/SerialLock.h"
#include "tests/link/PtyPair.h"

namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/portdiag-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string Path(const std::string& name = "") const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// A child process that runs body, reports one line through a pipe and then
// waits to be killed; the line is returned once it is there.
class Child {
public:
    template <typename Body>
    explicit Child(Body body) {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const std::string line = body() + "\n";
            if (::write(fds[1], line.data(), line.size()) < 0) ::_exit(2);
            ::pause();
            ::_exit(0);
        }
        ::close(fds[1]);
        char buffer[1024];
        ssize_t n = 0;
        while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
            line_.append(buffer, static_cast<std::size_t>(n));
            if (line_.back() == '\n') break;
        }
        ::close(fds[0]);
        if (!line_.empty()) line_.pop_back();
    }
    ~Child() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    int Pid() const { return pid_; }
    const std::string& Line() const { return line_; }

private:
    pid_t pid_ = -1;
    std::string line_;
};

int DeadPid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

// A port that opens path with its lock files in lockFolder.
struct TestPort {
    TestPort(const std::string& path, const std::string& lockFolder) {
        comm.SetDeviceName(path);
        comm.SetLockFolder(lockFolder);
    }
    TComm comm;
};

TEST(PortDiagnosisTest, ErrorsMapToProblems) {
    const std::pair<int, PortProblem> cases[] = {
        {0, PortProblem::None},
        {ENOENT, PortProblem::NoSuchDevice},
        {EACCES, PortProblem::PermissionDenied},
        {EBUSY, PortProblem::Busy},
        {ENOTTY, PortProblem::NotSerial},
        {EIO, PortProblem::NoHardware},
        {EROFS, PortProblem::Other},
    };
    for (const auto& [error, problem] : cases) EXPECT_EQ(ProblemForError(error), problem) << error;
}

TEST(PortDiagnosisTest, MissingDeviceNamesTheDevicesThatExist) {
    TempFolder folder;
    fs::create_directories(folder.Path("dev"));
    DiagnosisContext context;
    context.Tree = {folder.Path("dev"), folder.Path("sys")};
    TestPort port("/nonexistent/ttyUSB9", folder.Path());
    port.comm.Open();
    ASSERT_FALSE(port.comm.Enabled());
    const OpenFailure& failure = port.comm.LastOpenFailure();
    EXPECT_EQ(failure.Problem, PortProblem::NoSuchDevice);
    EXPECT_EQ(DescribeOpenFailure("Com1", failure, context),
              "Cannot open Com1 (/nonexistent/ttyUSB9): no such device, and no serial device is "
              "present. Is the adapter plugged in?");
    std::ofstream(folder.Path("dev/ttyUSB0")) << "";
    EXPECT_EQ(DescribeOpenFailure("/nonexistent/ttyUSB9", failure, context),
              "Cannot open /nonexistent/ttyUSB9: no such device. Serial devices present:\n    " +
                  folder.Path("dev/ttyUSB0"));
}

TEST(PortDiagnosisTest, PlainFileAndNonTerminalDeviceAreNotSerialPorts) {
    TempFolder folder;
    std::ofstream(folder.Path("Com1")) << "not a device";
    for (const std::string& path : {folder.Path("Com1"), std::string("/dev/null")}) {
        TestPort port(path, folder.Path());
        port.comm.Open();
        EXPECT_FALSE(port.comm.Enabled()) << path;
        EXPECT_EQ(DescribeOpenFailure("", port.comm.LastOpenFailure()),
                  "Cannot open " + path + ": this is not a serial port.");
    }
}

TEST(PortDiagnosisTest, PermissionDeniedNamesTheGroupAndHowToJoinIt) {
    PtyPair pty;
    // Serial devices belong to the group dialout with mode 0660: make the
    // pseudo-terminal one of them where this process may.
    if (const group* dialout = ::getgrnam("dialout"); dialout && ::getuid() == 0) {
        ASSERT_EQ(::chown(pty.SlavePath().c_str(), 0, dialout->gr_gid), 0);
        ASSERT_EQ(::chmod(pty.SlavePath().c_str(), 0660), 0);
    }
    // Root opens every file, so the open is tried as "nobody" in a child.
    Child child([&] {
        if (::getuid() == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) return std::string("no setuid");
        } else {
            ::chmod(pty.SlavePath().c_str(), 0);
        }
        TestPort port(pty.SlavePath(), "/nonexistent");
        port.comm.Open();
        DiagnosisContext context;
        context.UserName = "engineer";
        return DescribeOpenFailure("", port.comm.LastOpenFailure(), context);
    });
    const std::string group = DeviceGroup(pty.SlavePath());
    ASSERT_FALSE(group.empty());
    if (group == "root") GTEST_SKIP() << "pseudo-terminals belong to root here";
    EXPECT_EQ(child.Line(), "Cannot open " + pty.SlavePath() +
                                ": permission denied. The device belongs to the group \"" + group +
                                "\"; join it with: sudo usermod -aG " + group +
                                " engineer (then log out and in again).");
}

// A user who joined the group in this session's lifetime needs a new login,
// not the usermod command again.
TEST(PortDiagnosisTest, AMemberWhoseSessionPredatesTheGroupIsToldToLogInAgain) {
    TempFolder folder;
    const std::string device = folder.Path("ttyUSB0");
    std::ofstream(device) << "";
    if (const group* dialout = ::getgrnam("dialout"); dialout && ::getuid() == 0) {
        ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
    }
    const std::string group = DeviceGroup(device);
    if (group.empty() || group == "root") GTEST_SKIP() << "no group to join here";
    const std::string relogin =
        "Cannot open " + device + ": permission denied. You are in the group \"" + group +
        "\", but this session started before you joined it: log out and in again.";
    const std::string join = "Cannot open " + device +
                             ": permission denied. The device belongs to the group \"" + group +
                             "\"; join it with: sudo usermod -aG " + group +
                             " engineer (then log out and in again).";
    struct Case {
        bool listed, session;
        const std::string& text;
    };
    for (const Case& c :
         {Case{true, false, relogin}, Case{false, false, join}, Case{true, true, join}}) {
        DiagnosisContext context;
        context.UserName = "engineer";
        context.UserListedInGroup = [&](const std::string& user, const std::string& g) {
            return c.listed && user == "engineer" && g == group;
        };
        context.SessionHasGroup = [&](const std::string&) { return c.session; };
        EXPECT_EQ(
            DescribeOpenFailure("", {PortProblem::PermissionDenied, EACCES, device, 0}, context),
            c.text)
            << c.listed << c.session;
    }
}

TEST(PortDiagnosisTest, BusyNamesTheProcessThatHoldsTheDevice) {
    PtyPair pty;
    TempFolder folder;
    Child holder([&] {
        const int fd = commline::OpenExclusive(pty.SlavePath());
        return std::string(fd >= 0 ? "open" : "failed");
    });
    ASSERT_EQ(holder.Line(), "open");
    TestPort port(pty.SlavePath(), folder.Path());
    port.comm.Open();
    ASSERT_FALSE(port.comm.Enabled());
    EXPECT_EQ(port.comm.LastOpenFailure().Problem, PortProblem::Busy);
    EXPECT_EQ(ProcessesHolding(pty.SlavePath()), std::vector<int>{holder.Pid()});
    const std::string text = DescribeOpenFailure("Com2", port.comm.LastOpenFailure());
    EXPECT_EQ(text, "Cannot open Com2 (" + pty.SlavePath() +
                        "): the device is busy: it is in use by process " +
                        ProcessText(holder.Pid()) + ".");
    EXPECT_NE(ProcessText(holder.Pid()).find(" ("), std::string::npos);  // with its name
}

// A failure the diagnosis can describe without touching a device: the lock
// file of process 4242, whose name a fake /proc gives.
struct BusyCase {
    BusyCase() {
        fs::create_directories(proc.Path("4242"));
        std::ofstream(proc.Path("4242/comm")) << "minicom\n";
        context.ProcFolder = proc.Path();
    }
    std::string Describe(const MessageCatalogue* catalogue) {
        context.Catalogue = catalogue;
        return DescribeOpenFailure("Com1", {PortProblem::Busy, EBUSY, "/nonexistent/x", 4242},
                                   context);
    }
    TempFolder proc;
    DiagnosisContext context;
};

TEST(PortDiagnosisTest, TextsAreInTheUsersLanguage) {
    BusyCase busy;
    const std::pair<int, std::string> cases[] = {
        {0,
         "/nonexistent/x) を開けません: デバイスは使用中です: プロセス 4242 (minicom) "
         "が使っています。"},
        {1, "/nonexistent/x): the device is busy: it is in use by process 4242 (minicom)."},
        {2, "/nonexistent/x): 设备忙: 进程 4242 (minicom) 正在使用它。"},
    };
    for (const auto& [language, tail] : cases) {
        MessageCatalogue catalogue;
        ASSERT_TRUE(catalogue.Load(SERVODESK_DATA_DIR "/", language));
        const std::string text = busy.Describe(&catalogue);
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << language;
    }
    EXPECT_EQ(busy.Describe(nullptr),
              "Cannot open Com1 (/nonexistent/x): the device is busy: it is in use by process "
              "4242 (minicom).");
}

// A catalogue of older installation files, without the lines, keeps the
// English; a placeholder without a value is left as written.
TEST(PortDiagnosisTest, MissingLinesAndStrayPlaceholdersAreHarmless) {
    BusyCase busy;
    const std::string path = busy.proc.Path("Message.E");
    {
        std::ofstream out(path);
        for (int n = 1; n <= 1022; ++n) out << n << " text\n";
    }
    MessageCatalogue older;
    ASSERT_TRUE(older.LoadFile(path));
    EXPECT_EQ(busy.Describe(&older), busy.Describe(nullptr));
    {
        std::ofstream out(path, std::ios::app);
        for (int n = 1023; n <= 1029; ++n) out << n << " text\n";
        out << "1030 %3 held by %1 %\n";
    }
    MessageCatalogue stray;
    ASSERT_TRUE(stray.LoadFile(path));
    EXPECT_EQ(busy.Describe(&stray), "text %3 held by 4242 (minicom) %");
}

TEST(PortDiagnosisTest, LiveLockFileIsRespected) {
    PtyPair pty;
    TempFolder locks;
    Child holder([] { return std::string("ready"); });
    char content[16];
    std::snprintf(content, sizeof content, "%10d\n", holder.Pid());
    std::ofstream(locks.Path(SerialLock::FileName(pty.SlavePath()))) << content;

    TestPort port(pty.SlavePath(), locks.Path());
    port.comm.Open();
    ASSERT_FALSE(port.comm.Enabled());
    EXPECT_EQ(port.comm.LastOpenFailure().LockHolder, holder.Pid());
    EXPECT_EQ(DescribeOpenFailure("", port.comm.LastOpenFailure()),
              "Cannot open " + pty.SlavePath() + ": the device is busy: it is in use by process " +
                  ProcessText(holder.Pid()) + ".");
    // The device itself was let go again.
    const int fd = commline::OpenExclusive(pty.SlavePath());
    EXPECT_GE(fd, 0);
    commline::CloseExclusive(fd);
}

TEST(PortDiagnosisTest, StaleLockFileIsReplacedAndOursRemovedAtClose) {
    PtyPair pty;
    TempFolder locks;
    const std::string lockFile = locks.Path(SerialLock::FileName(pty.SlavePath()));
    std::ofstream(lockFile) << "  " << DeadPid() << "\n";

    TestPort port(pty.SlavePath(), locks.Path());
    port.comm.Open();
    ASSERT_TRUE(port.comm.Enabled());
    std::ifstream in(lockFile);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    char expected[16];
    std::snprintf(expected, sizeof expected, "%10d\n", static_cast<int>(::getpid()));
    EXPECT_EQ(text, expected);
    EXPECT_EQ(SerialLock::LiveHolder(pty.SlavePath(), locks.Path()), ::getpid());
    port.comm.Close();
    EXPECT_FALSE(fs::exists(lockFile));
}

TEST(PortDiagnosisTest, NoLockFolderMeansNoLock) {
    PtyPair pty;
    TestPort port(pty.SlavePath(), "/nonexistent/lock");
    port.comm.Open();
    EXPECT_TRUE(port.comm.Enabled());
    EXPECT_EQ(port.comm.LastOpenFailure().Problem, PortProblem::None);
}

TEST(PortDiagnosisTest, LockFileNames) {
    EXPECT_EQ(SerialLock::FileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    PtyPair pty;  // /dev/pts/N
    EXPECT_EQ(SerialLock::FileName(pty.SlavePath()),
              "LCK.." + pty.SlavePath().substr(5).replace(3, 1, "_"));
}

}  // namespace

// A network port that does not connect is told with its host and port, in
// the user's language.
TEST(PortDiagnosisTest, NetworkFailuresNameTheHostAndPort) {
    struct Case {
        int error;
        const char* english;
        const char* japanese;
    };
    const Case cases[] = {
        {ECONNREFUSED, "host box7 refused the connection to port 4001.",
         "ホスト box7 がポート 4001 への接続を拒否しました。"},
        {EHOSTUNREACH, "host box7 cannot be reached (port 4001).",
         "ホスト box7 に到達できません (ポート 4001)。"},
        {ETIMEDOUT, "host box7 did not answer on port 4001 within 3 seconds.",
         "ホスト box7 はポート 4001 で 3 秒以内に応答しませんでした。"},
        {EADDRNOTAVAIL, "the host name box7 is not known (port 4001).",
         "ホスト名 box7 が見つかりません (ポート 4001)。"},
        {ENETDOWN, "no connection to host box7, port 4001: Network is down.",
         "ホスト box7、ポート 4001"},
    };
    MessageCatalogue japanese;
    ASSERT_TRUE(japanese.Load(SERVODESK_DATA_DIR "/", 0));
    DiagnosisContext inJapanese;
    inJapanese.Catalogue = &japanese;
    for (const Case& c : cases) {
        const OpenFailure failure{ProblemForNetworkError(c.error), c.error, "tcp://box7:4001", 0};
        const std::string english = DescribeOpenFailure("tcp://box7:4001", failure);
        EXPECT_EQ(english.rfind("Cannot open tcp://box7:4001: ", 0), 0u) << english;
        EXPECT_NE(english.find(c.english), std::string::npos) << english;
        const std::string translated = DescribeOpenFailure("tcp://box7:4001", failure, inJapanese);
        EXPECT_NE(translated.find(c.japanese), std::string::npos) << translated;
    }
    const OpenFailure malformed{PortProblem::BadNetworkAddress, EINVAL, "tcp://box7", 0};
    EXPECT_EQ(DescribeOpenFailure("tcp://box7", malformed),
              "Cannot open tcp://box7: this is not a network port. Write tcp://HOST:PORT or "
              "rfc2217://HOST:PORT.");
}
