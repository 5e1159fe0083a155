// The serial port against real pseudo-terminals.
#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/Comm.h"
#include "tests/link/PtyPair.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

long long MsSince(SteadyClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start)
        .count();
}

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Waits up to timeout for condition, checking every few ms.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = SteadyClock::now() + timeout;
    while (!condition()) {
        if (SteadyClock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::string ThrownText(const std::function<void()>& action) {
    try {
        action();
    } catch (const ECommError& error) {
        return error.what();
    }
    return "";
}

void OpenOn(TComm& port, const PtyPair& pty) {
    port.SetDeviceName(pty.SlavePath());
    port.Open();
    ASSERT_TRUE(port.Enabled());
}

// One request/reply round as the command protocol does it; true when the
// reply came back whole.
bool Exchange(TComm& port, const PtyPair& pty) {
    const std::string request = "R568F5";
    if (port.Write(request.data(), static_cast<int>(request.size())) != 6) return false;
    if (pty.Receive(6, 200) != request) return false;
    pty.Send("%001234");
    char reply[8] = {};
    return port.Read(reply, 7) == 7 && std::string(reply, 7) == "%001234";
}

}  // namespace

TEST(CommClosedPort, MissingDeviceStaysClosedAndEverythingFailsQuietly) {
    TComm port;
    port.SetDeviceName("/nonexistent/ttyUSB9");
    EXPECT_NO_THROW(port.Open());
    EXPECT_FALSE(port.Enabled());

    char buffer[4];
    const auto start = SteadyClock::now();
    EXPECT_EQ(port.Read(buffer, 4), -1);
    EXPECT_EQ(port.Write("R5", 2), -1);
    EXPECT_LT(MsSince(start), 50);
    EXPECT_EQ(port.InQueCount(), -1);
    EXPECT_EQ(port.OutQueCount(), -1);
    EXPECT_FALSE(port.GetModemState(1));
    EXPECT_FALSE(port.GetComState(1));
    EXPECT_NO_THROW(port.PurgeIn());
    EXPECT_NO_THROW(port.Close());
    EXPECT_EQ(ThrownText([&] { port.SetDTRState(true); }), "Port not open (Error: -1)");
}

TEST(CommClosedPort, NonTerminalCharacterDeviceIsNotOpened) {
    TComm port;
    port.SetDeviceName("/dev/null");
    EXPECT_NO_THROW(port.Open());
    EXPECT_FALSE(port.Enabled());
}

TEST(CommSettings, DefaultsAndEventCharacters) {
    TComm port;
    EXPECT_EQ(port.GetDeviceName(), "Com2");
    EXPECT_EQ(port.GetReadBufSize(), 4096);
    EXPECT_EQ(port.GetWriteBufSize(), 2048);
    EXPECT_EQ(port.GetSuspendTime(), 5u);
    EXPECT_EQ(port.GetMonitorEvents(), AllCommEvents);
    EXPECT_EQ(port.GetBaudRate(), br9600);
    EXPECT_EQ(port.GetParity(), paNone);
    EXPECT_EQ(port.GetStopBits(), sb10);
    EXPECT_EQ(port.GetDataBits(), da8);
    EXPECT_EQ(port.GetFlowControl(), fcDefault);
    EXPECT_TRUE(port.GetOptions().Empty());

    TCommEventChars& chars = port.EventChars();
    EXPECT_EQ(chars.XOnChar(), 17);
    EXPECT_EQ(chars.XOffChar(), 19);
    chars.SetEventChar(5, 'E');
    chars.SetEventChar(0, 'x');  // outside 1..5: ignored
    chars.SetEventChar(6, 'x');
    EXPECT_EQ(chars.EvtChar(), 'E');
    EXPECT_EQ(chars.GetEventChar(0), 0);

    TCommEventChars copy(nullptr);
    copy.Assign(chars);
    for (int index = 1; index <= 5; ++index) {
        EXPECT_EQ(copy.GetEventChar(index), chars.GetEventChar(index)) << index;
    }
}

TEST(CommOpen, SecondOpenRaisesAndFirstStaysUsable) {
    PtyPair pty;
    TComm port;
    OpenOn(port, pty);
    EXPECT_EQ(ThrownText([&] { port.Open(); }), "Port already assigned (open) (Error: -1)");
    EXPECT_EQ(ThrownText([&] { port.CheckOpen(); }), "Port already assigned (open) (Error: -1)");
    EXPECT_TRUE(port.Enabled());
    EXPECT_TRUE(Exchange(port, pty));
}

TEST(CommOpen, DeviceHeldByAnotherPortIsRefusedUntilReleased) {
    PtyPair pty;
    TComm first;
    TComm second;
    OpenOn(first, pty);
    second.SetDeviceName(pty.SlavePath());
    EXPECT_NO_THROW(second.Open());
    EXPECT_FALSE(second.Enabled());
    // The refused opener must not have disturbed the holder.
    EXPECT_TRUE(Exchange(first, pty));

    first.Close();
    second.Open();
    EXPECT_TRUE(second.Enabled());
}

TEST(CommOpen, DeviceNameAndQueueSizesAreKeptWhileOpen) {
    PtyPair pty;
    TComm port;
    OpenOn(port, pty);
    port.SetDeviceName("Com5");
    port.SetReadBufSize(16);
    EXPECT_EQ(port.GetDeviceName(), pty.SlavePath());
    EXPECT_EQ(port.GetReadBufSize(), 4096);
    port.Close();
    port.SetDeviceName("Com5");
    EXPECT_EQ(port.GetDeviceName(), "Com5");
}

TEST(CommOpen, BareNamesAreLookedUpInTheSearchFolder) {
    PtyPair pty;
    TempFolder folder;
    folder.Link("Com1", pty.SlavePath());
    TComm port;
    port.SetSearchFolder(folder.Path());
    port.SetDeviceName("Com1");
    port.Open();
    ASSERT_TRUE(port.Enabled());
    EXPECT_TRUE(Exchange(port, pty));

    EXPECT_EQ(commline::ResolveDevicePath("Com1", folder.Path()), folder.Path() + "/Com1");
    EXPECT_EQ(commline::ResolveDevicePath("Com3", folder.Path()), "/dev/ttyS2");
    EXPECT_EQ(commline::ResolveDevicePath("COM8", folder.Path()), "/dev/ttyS7");
    EXPECT_EQ(commline::ResolveDevicePath("/dev/ttyUSB0", folder.Path()), "/dev/ttyUSB0");
    EXPECT_EQ(commline::ResolveDevicePath("ttyUSB7", folder.Path()), "/dev/ttyUSB7");
    EXPECT_EQ(commline::ResolveDevicePath("Com1", folder.Path() + "/"), folder.Path() + "/Com1");
}

TEST(CommExchange, BytesPassRawInBothDirections) {
    PtyPair pty;
    TComm port;
    OpenOn(port, pty);
    // Raw: no CR/LF translation, no echo, nothing swallowed.
    const std::string request = "W5681234\r\n\x03";
    ASSERT_EQ(port.Write(request.data(), static_cast<int>(request.size())),
              static_cast<int>(request.size()));
    EXPECT_EQ(pty.Receive(request.size() + 4, 200), request);

    // A reply that arrives in pieces is collected into one read.
    auto sender = std::async(std::launch::async, [&] {
        pty.Send("%00");
        std::this_thread::sleep_for(60ms);
        pty.Send("12\r3\n");
    });
    char reply[8] = {};
    EXPECT_EQ(port.Read(reply, 8), 8);
    sender.get();
    EXPECT_EQ(std::string(reply, 8), "%0012\r3\n");
}

// What follows the bytes asked for is taken with them when there is room,
// whether the rest came at once or in pieces; a plain read leaves it queued.
TEST(CommExchange, ReadWithTrailingTakesWhatFollowsTheBytesAskedFor) {
    PtyPair pty;
    TComm port;
    OpenOn(port, pty);
    char reply[12] = {};
    pty.Send("%001234XY");
    ASSERT_TRUE(WaitUntil([&] { return port.InQueCount() == 9; }, 1s));
    EXPECT_EQ(port.ReadWithTrailing(reply, 7, 12), 9);
    EXPECT_EQ(std::string(reply, 9), "%001234XY");

    pty.Send("%001234");
    EXPECT_EQ(port.ReadWithTrailing(reply, 7, 12), 7);

    auto sender = std::async(std::launch::async, [&] {
        pty.Send("%00");
        std::this_thread::sleep_for(60ms);
        pty.Send("1234Z");
    });
    EXPECT_EQ(port.ReadWithTrailing(reply, 7, 12), 8);
    sender.get();
    EXPECT_EQ(std::string(reply, 8), "%001234Z");

    pty.Send("%001234XY");
    ASSERT_TRUE(WaitUntil([&] { return port.InQueCount() == 9; }, 1s));
    EXPECT_EQ(port.Read(reply, 7), 7);
    EXPECT_EQ(port.InQueCount(), 2);
}

// Bytes back sooner than an answer to the written request could be (the tail
// of an earlier reply, held up and then delivered in a burst) are no answer to
// it: the look behind them lasts until a true answer could be complete, and
// so sees that answer coming.
TEST(CommExchange, WhatFollowsAReplyBackTooSoonIsSeen) {
    PtyPair pty;
    TComm port;
    OpenOn(port, pty);
    port.SetBaudRate(br1200);  // 8.3 ms a character: 13 of them before an answer is whole
    ASSERT_EQ(port.Write("R568F5", 6), 6);
    ASSERT_EQ(pty.Receive(6, 200), "R568F5");
    auto sender = std::async(std::launch::async, [&] {
        pty.Send("%001234");
        std::this_thread::sleep_for(20ms);
        pty.Send("X");
    });
    char first = 0;
    char rest[10] = {};
    EXPECT_EQ(port.Read(&first, 1), 1);
    EXPECT_EQ(port.ReadWithTrailing(rest, 6, 10), 7);
    sender.get();
    EXPECT_EQ(std::string(rest, 7), "001234X");
}

TEST(CommExchange, ReadWithNothingArrivingReturnsZeroAfterOneSecond) {
    PtyPair pty;
    TComm port;
    OpenOn(port, pty);
    char reply[7];
    auto start = SteadyClock::now();
    EXPECT_EQ(port.Read(reply, 0), 0);
    EXPECT_LT(MsSince(start), 50);

    start = SteadyClock::now();
    EXPECT_EQ(port.Read(reply, 7), 0);
    const long long waited = MsSince(start);
    std::printf("read time-out after %lld ms\n", waited);
    EXPECT_GE(waited, 1000);
    EXPECT_LT(waited, 1100);
}

TEST(CommExchange, PurgeInDiscardsPendingInput) {
    PtyPair pty;
    TComm port;
    OpenOn(port, pty);
    pty.Send("stale reply");
    ASSERT_TRUE(WaitUntil([&] { return port.InQueCount() == 11; }, 1s));
    port.PurgeIn();
    EXPECT_EQ(port.InQueCount(), 0);
    EXPECT_TRUE(Exchange(port, pty));
}

TEST(CommLineSettings, RateTermiosLacksIsRefusedAndLineStaysUsable) {
    PtyPair pty;
    TComm port;
    OpenOn(port, pty);
    EXPECT_EQ(ThrownText([&] { port.SetBaudRate(br14400); }),
              "Error updating DataControlBlock (Error: 22)");
    port.SetBaudRate(br19200);
    port.SetBaudRate(br9600);
    EXPECT_TRUE(Exchange(port, pty));
}

TEST(CommModemLines, PtyAcceptsDtrRtsAndReportsNoUnknownLines) {
    PtyPair pty;
    TComm port;
    OpenOn(port, pty);
    EXPECT_NO_THROW(port.SetRTSState(true));
    EXPECT_NO_THROW(port.SetDTRState(true));
    EXPECT_NO_THROW(port.SetDTRState(false));
    EXPECT_NO_THROW(port.SetXONState(true));
    EXPECT_FALSE(port.GetModemState(0));
    EXPECT_FALSE(port.GetModemState(5));
    EXPECT_FALSE(port.GetComState(1));
    EXPECT_TRUE(Exchange(port, pty));
}

TEST(CommEvents, HandlersRunInOrderForTheirEvents) {
    PtyPair pty;
    TComm port;
    port.SetMonitorEvents({});  // only the direct calls below dispatch
    OpenOn(port, pty);
    std::vector<std::string> calls;
    int rxCount = -1;
    auto record = [&](const char* name) {
        return [&calls, name](TThreadComm*) { calls.push_back(name); };
    };
    port.OnBreak = record("Break");
    port.OnCts = record("Cts");
    port.OnDsr = record("Dsr");
    port.OnError = [&](TThreadComm*, unsigned) { calls.push_back("Error"); };
    port.OnRing = record("Ring");
    port.OnRlsd = record("Rlsd");
    port.OnRxChar = [&](TThreadComm*, int count) {
        calls.push_back("RxChar");
        rxCount = count;
    };
    port.OnRxFlag = record("RxFlag");
    port.OnTxEmpty = record("TxEmpty");
    port.OnComStatEvent = [&](TThreadComm*, TCommEventTypes, const TComStat&) {
        calls.push_back("ComStat");
    };

    // No input waiting: OnRxChar is skipped even though its bit is set.
    port.HandleCommEvent(&port, AllCommEvents);
    EXPECT_EQ(calls, (std::vector<std::string>{"Break", "Cts", "Dsr", "Error", "Ring", "Rlsd",
                                               "RxFlag", "TxEmpty", "ComStat"}));

    pty.Send("abc");
    ASSERT_TRUE(WaitUntil([&] { return port.InQueCount() == 3; }, 1s));
    calls.clear();
    port.HandleCommEvent(&port, TCommEventTypes{evRxChar, evDsr});
    EXPECT_EQ(calls, (std::vector<std::string>{"Dsr", "RxChar", "ComStat"}));
    EXPECT_EQ(rxCount, 3);
}

TEST(CommEvents, ArrivalIsReportedOnceThroughTheInvoker) {
    PtyPair pty;
    TComm port;
    std::atomic<int> invocations{0};
    std::atomic<int> arrivals{0};
    port.SetMainThreadInvoker([&](std::function<void()> work) {
        ++invocations;
        work();
    });
    port.OnRxChar = [&](TThreadComm*, int) { ++arrivals; };
    OpenOn(port, pty);

    pty.Send("%0012");
    ASSERT_TRUE(WaitUntil([&] { return arrivals == 1; }, 1s));
    // Unread input must not be reported again and again.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(arrivals, 1);
    EXPECT_EQ(invocations, 1);

    char reply[5];
    ASSERT_EQ(port.Read(reply, 5), 5);
    pty.Send("%0034");
    EXPECT_TRUE(WaitUntil([&] { return arrivals == 2; }, 1s));
}

TEST(CommClose, ReturnsPromptlyWhileTheEventThreadWaitsForTheMainThread) {
    PtyPair pty;
    TComm port;
    // Like a blocking queued call: the work runs only when the main thread
    // gets round to it, and the event thread waits until then.
    std::mutex queueMutex;
    std::deque<std::packaged_task<void()>> queue;
    port.SetMainThreadInvoker([&](std::function<void()> work) {
        std::packaged_task<void()> task(std::move(work));
        auto done = task.get_future();
        {
            std::lock_guard guard(queueMutex);
            queue.push_back(std::move(task));
        }
        done.wait();
    });
    std::atomic<int> arrivals{0};
    port.OnRxChar = [&](TThreadComm*, int) { ++arrivals; };
    OpenOn(port, pty);
    pty.Send("x");
    ASSERT_TRUE(WaitUntil(
        [&] {
            std::lock_guard guard(queueMutex);
            return !queue.empty();
        },
        1s));

    const auto start = SteadyClock::now();
    port.Close();
    EXPECT_LT(MsSince(start), 100);
    EXPECT_FALSE(port.Enabled());

    // The late hand-over finds the port detached and calls nothing.
    std::lock_guard guard(queueMutex);
    for (auto& task : queue) task();
    EXPECT_EQ(arrivals, 0);
}

TEST(CommHangUp, FailsFastWithoutSpinningAndRecoversOnTheSameName) {
    TempFolder folder;
    auto pty = std::make_unique<PtyPair>();
    folder.Link("Com1", pty->SlavePath());
    TComm port;
    port.SetSearchFolder(folder.Path());
    port.SetDeviceName("Com1");
    port.Open();
    ASSERT_TRUE(port.Enabled());
    ASSERT_TRUE(Exchange(port, *pty));

    // Unplug: the adapter's device is gone.
    pty->CloseMaster();
    folder.Link("Com1", folder.Path() + "/unplugged");
    char reply[7];
    const auto start = SteadyClock::now();
    EXPECT_EQ(port.Read(reply, 7), 0);
    EXPECT_LT(MsSince(start), 100);
    EXPECT_TRUE(port.HungUp());
    EXPECT_TRUE(port.Enabled());

    // The status poll keeps trying every few ticks while the adapter is away.
    const double cpuStart = ProcessCpuSeconds();
    const auto wallStart = SteadyClock::now();
    while (MsSince(wallStart) < 1500) {
        EXPECT_EQ(port.Write("R568F5", 6), 0);
        EXPECT_EQ(port.Read(reply, 7), 0);
        std::this_thread::sleep_for(20ms);
    }
    const double cpuShare =
        (ProcessCpuSeconds() - cpuStart) / (static_cast<double>(MsSince(wallStart)) / 1000.0);
    std::printf("CPU while hung up: %.1f %% of wall time\n", cpuShare * 100.0);
    EXPECT_LT(cpuShare, 0.30);

    // Plug back in (under a new pty) and keep polling.
    pty = std::make_unique<PtyPair>();
    folder.Link("Com1", pty->SlavePath());
    bool recovered = false;
    const auto pluggedAt = SteadyClock::now();
    while (!recovered && MsSince(pluggedAt) < 2500) {
        recovered = Exchange(port, *pty);
        if (!recovered) std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(recovered);
    EXPECT_FALSE(port.HungUp());

    const auto closeStart = SteadyClock::now();
    port.Close();
    EXPECT_LT(MsSince(closeStart), 100);
    EXPECT_FALSE(port.Enabled());
}

namespace {

// The adapter goes away while a read is waiting for its reply: the read must
// notice the hang-up itself, not run on to its deadline and leave the port
// looking alive until the next call.
TEST(CommHangUp, UnplugDuringAReadMarksThePortHungUp) {
    PtyPair pty;
    TComm port;
    OpenOn(port, pty);
    ASSERT_TRUE(Exchange(port, pty));

    std::thread unplug([&pty] {
        std::this_thread::sleep_for(100ms);
        pty.CloseMaster();
    });
    char reply[7];
    const int got = port.Read(reply, 7);
    unplug.join();
    EXPECT_EQ(got, 0);
    EXPECT_TRUE(port.HungUp());
    EXPECT_TRUE(port.Enabled());
}

}  // namespace
