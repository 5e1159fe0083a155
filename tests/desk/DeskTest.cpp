// The line's own thread and the desk: jobs one at a time in the order the user
// expects, a window that gets the lock while the line waits, and Cancel
// between entries of a save, a transfer and the reads of Compare and the table.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <vector>

#include "desk/Desk.h"
#include "desk/LineJobs.h"
#include "files/Compare.h"
#include "files/FileCommands.h"
#include "files/TableCommand.h"
#include "link/Procedure.h"
#include "sim/Amplifier.h"
#include "sim/SimLine.h"
#include "tests/support/SimTransfer.h"

namespace {

using namespace std::chrono_literals;

// What ran on the line, in order.
struct Journal {
    void Add(const std::string& name) {
        std::lock_guard<std::mutex> guard(mutex);
        names.push_back(name);
    }
    std::vector<std::string> Names() {
        std::lock_guard<std::mutex> guard(mutex);
        return names;
    }
    std::mutex mutex;
    std::vector<std::string> names;
};

TEST(LineThread, StopsGoAheadOfTicksAndAWaitingTickIsNotQueuedTwice) {
    DeskLock lock;
    LineThread line(lock);
    Journal journal;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    // A tick that holds the line, as a read waiting for its time-out does.
    line.Post({JobKind::Tick, "MonitorTimer", [&] {
                   journal.Add("monitor 1");
                   lock.ReleasedDuring([&] { released.wait(); });
               }});
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(line.Post({JobKind::Tick, "MonitorTimer", [&] { journal.Add("monitor 2"); }}));
    EXPECT_FALSE(line.Post({JobKind::Tick, "MonitorTimer", [&] { journal.Add("monitor 3"); }}));
    EXPECT_TRUE(line.Post({JobKind::Command, {}, [&] { journal.Add("save"); }}));
    EXPECT_TRUE(line.Post({JobKind::Stop, {}, [&] { journal.Add("jog stop"); }}));
    EXPECT_TRUE(line.CommandPending());
    release.set_value();
    line.Drain();
    EXPECT_EQ(journal.Names(),
              (std::vector<std::string>{"monitor 1", "jog stop", "monitor 2", "save"}));
    EXPECT_FALSE(line.CommandPending());
}

TEST(LineThread, TheWindowTakesTheLockWhileTheLineWaitsAndAThrowingJobEndsAlone) {
    DeskLock lock;
    LineThread line(lock);
    std::string failure;
    line.JobFailed = [&](const LineJob&, const std::string& what) { failure = what; };
    std::promise<void> waiting;
    std::promise<void> release;
    auto released = release.get_future();
    line.Post({JobKind::Command, {}, [&] {
                   lock.ReleasedDuring([&] {
                       waiting.set_value();
                       released.wait();
                   });
                   throw std::runtime_error("port gone");
               }});
    waiting.get_future().wait();
    {
        // The line is inside its wait: the window thread gets the lock at once.
        const DeskLock::Scope window(lock);
        EXPECT_TRUE(lock.HeldByThisThread());
    }
    release.set_value();
    bool ranAfter = false;
    line.Post({JobKind::Command, {}, [&] { ranAfter = true; }});
    line.Drain();
    EXPECT_EQ(failure, "port gone");
    EXPECT_TRUE(ranAfter);
}

// The periodic tick gives up at its first silent read; a command does not.
TEST(DeskLine, APeriodicTickStopsAtItsFirstSilentRead) {
    SimDrive drive("fx", 31);
    drive.Connect();
    drive.state.MonitorFormOpen = true;
    drive.state.MonitorBusy = false;
    drive.desk->Monitors.Monitor.MonitorSelection.fill(1);
    drive.amplifier->Faults().SetCablePulled(true);
    const std::uint64_t tickStart = drive.clock.NowMs();
    drive.desk->PostTick("MonitorTimer", [&] { drive.desk->Monitors.Monitor.MonitorTimerTimer(); });
    EXPECT_TRUE(drive.state.CommErrorLatched);
    EXPECT_LT(drive.clock.NowMs() - tickStart, 1500u) << "one time-out, not one per row";
    // A command reads on after a silent request.
    const std::uint64_t commandStart = drive.clock.NowMs();
    drive.desk->PostCommand([&] {
        int value = 0;
        drive.desk->Link.ReadFromRAM("20", WordReplyLength, HexFormat, value);
        drive.desk->Link.ReadFromRAM("21", WordReplyLength, HexFormat, value);
    });
    EXPECT_GE(drive.clock.NowMs() - commandStart, 2000u);
}

// The window reads what the line writes, each under the desk lock; built with
// ThreadSanitizer in the sanitizer lane, where a field touched without the
// lock is a failure.
TEST(DeskLine, TheWindowReadsTheStateWhileTheLinePolls) {
    sim::Profile profile;
    ASSERT_TRUE(sim::MakeProfile("fx", 31, profile));
    ManualClock clock;
    sim::Amplifier amplifier(profile, [&clock] { return clock.NowMs(); });
    sim::SimLine line(amplifier, &clock);
    DeskSetup setup;
    setup.StartFolder = std::string(SERVODESK_DATA_DIR) + "/";
    setup.Port = &line;
    setup.Time = &clock;
    setup.OwnLineThread = true;
    Desk desk(setup);
    {
        const DeskLock::Scope hold(desk.Lock());
        desk.Catalogue.Load(setup.StartFolder, 1);
        desk.State.AmpFamily = Family::Fx;
        desk.State.FxVersion = 31;
        LoadAddressMap(desk.Map, Family::Fx, 31, false);
        desk.State.PollBusy = false;
    }
    desk.PostCommand([&] { desk.ConnectRS232(); });
    int ticksRun = 0;  // written by the line, read by the window, both under the lock
    std::size_t shown = 0;
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < until) {
        desk.PostTick("StsTimer", [&] {
            desk.StatusTick();
            ++ticksRun;
        });
        std::this_thread::sleep_for(1ms);
        const DeskLock::Scope hold(desk.Lock());
        shown += desk.Panel.MainMsg2.size() + desk.Panel.MainMsg4.size();
        if (ticksRun >= 20) break;
    }
    desk.DrainLine();
    EXPECT_TRUE(desk.LinkOpen());
    EXPECT_GE(ticksRun, 20);
    EXPECT_GT(shown, 0u) << "the window saw the texts the line wrote";
    desk.StopLine();
}

class DeskCancel : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("deskcancel_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    std::filesystem::path folder_;
};

// The user presses Cancel once the command has asked whether to go on this
// many times: between that many entries and the next.
std::function<bool()> CancelAfter(int entries) {
    auto asked = std::make_shared<int>(0);
    return [asked, entries] { return ++*asked > entries; };
}

TEST_F(DeskCancel, ACancelledSaveLeavesTheOldFileAlone) {
    SimTransfer bench("fx", 31);
    const std::string path = Path("old.dat");
    std::ofstream(path, std::ios::binary) << "the old file\r\n";
    bench.seams.Cancelled = CancelAfter(10);
    ParamFileCommands commands(bench.seams, bench.longOperation);
    bench.ask.AnswerFile(path);
    commands.M32SaveClick();
    EXPECT_TRUE(commands.LastSave().Cancelled);
    EXPECT_FALSE(commands.LastSave().Written);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the old file\r\n");
    EXPECT_EQ(bench.sim.line->Requests().size(), 10u) << "no read after Cancel";
}

TEST_F(DeskCancel, ACancelledTransferStopsBeforeItsNextWriteAndReadsBackWhatItWrote) {
    SimTransfer bench("fx", 31);
    const std::string path = Path("set.dat");
    bench.ask.AnswerFile(path);
    ParamFileCommands(bench.seams, bench.longOperation).M32SaveClick();
    bench.sim.state.PreviewBeforeTransfer = false;
    bench.sim.state.VerifyAfterTransfer = true;
    bench.sim.line->ClearLog();
    bench.seams.Cancelled = CancelAfter(5);
    ParamFileCommands commands(bench.seams, bench.longOperation);
    TransferSafety safety;
    safety.Backup = false;
    commands.SetSafety(safety);
    bench.ask.AnswerFile(path);
    commands.M31OpenClick();
    // Addresses written (checksum commands aside) and read back, in order.
    std::vector<std::string> written;
    std::vector<std::string> readBack;
    for (const std::string& request : bench.sim.line->Requests()) {
        const std::string address = request.substr(2, 2);
        if (request.rfind("W5", 0) == 0 && address != "C0") written.push_back(address);
        if (request.rfind("R5", 0) == 0) readBack.push_back(address);
    }
    EXPECT_LE(written.size(), 5u) << "the writes stop at Cancel";
    ASSERT_FALSE(readBack.empty()) << "what was written is read back";
    for (const std::string& address : readBack) {
        EXPECT_NE(std::find(written.begin(), written.end(), address), written.end()) << address;
    }
    EXPECT_EQ(bench.sim.line->Requests().back().substr(0, 4), "R50E") << "read-back comes last";
    const auto& log = bench.sim.panel.Memo1;
    const std::string told = bench.sim.Msg(1330);
    const bool logged = std::any_of(log.begin(), log.end(), [&](const std::string& line) {
        return line.find(told.substr(0, told.find('%'))) != std::string::npos;
    });
    EXPECT_TRUE(logged) << "the log says the transfer was cancelled";
}

// Compare's read and the parameter table's read end at Cancel: nothing more is
// read, and the result says the read stopped where it did.
TEST_F(DeskCancel, CancelEndsTheReadsOfCompareAndOfTheTableBetweenTwoEntries) {
    constexpr int Entries = 10;
    struct Case {
        const char* name;
        // Runs the read; gives how many entries its result holds, -1 when the
        // result does not say it stopped.
        std::function<int(SimTransfer&, const std::string& file)> run;
    };
    const Case cases[] = {
        {"compare",
         [](SimTransfer& bench, const std::string& file) {
             const Comparison c =
                 CompareCommand(bench.seams, bench.longOperation).Compare(file, false);
             EXPECT_TRUE(!c.Notes.empty() && c.Notes.front() == bench.sim.Msg(1191))
                 << "a Cancel is not told as a fault";
             return c.Aborted ? static_cast<int>(c.Rows.size()) : -1;
         }},
        {"table",
         [](SimTransfer& bench, const std::string&) {
             ParamTableCommand table(bench.seams, bench.longOperation);
             if (table.FillFromAmplifier()) return -1;
             const auto& asked = bench.ask.AskedQuestions();
             EXPECT_TRUE(!asked.empty() &&
                         asked.back().text.find(bench.sim.Msg(167)) == std::string::npos)
                 << "a Cancel is not told as a communication error";
             return table.Last().ReadStoppedAt - TableFirstIndex;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimTransfer bench("fx", 31);
        const std::string file = Path(std::string(c.name) + ".dat");
        bench.ask.AnswerFile(file);
        ParamFileCommands(bench.seams, bench.longOperation).M32SaveClick();
        bench.sim.line->ClearLog();
        std::size_t sentAtCancel = 0;
        int reads = 0;
        bench.seams.Cancelled = [&, asked = 0]() mutable {
            reads = static_cast<int>(bench.sim.line->Requests().size());
            if (++asked <= Entries) return false;
            if (sentAtCancel == 0) sentAtCancel = bench.sim.line->Requests().size();
            return true;
        };
        const int held = c.run(bench, file);
        ASSERT_GT(sentAtCancel, 0u);
        EXPECT_EQ(bench.sim.line->Requests().size(), sentAtCancel) << "no read after Cancel";
        EXPECT_EQ(held, reads) << "the result stops at the entry Cancel came before";
    }
}

}  // namespace
