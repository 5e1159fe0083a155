#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operation/JogControl.h"
#include "tests/operation/RecordingDrive.h"
#include "tests/support/SimDrive.h"

namespace {

using Lines = std::vector<std::string>;

const Lines ValueReads = {"R E4", "R 7E", "R 91", "R 93"};

Lines Then(Lines first, const Lines& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct JogBench {
    JogBench() {
        LoadAddressMap(map, 0, 25, false);
        state.JogFormOpen = true;
        state.JogBusy = false;
        drive.Set("EEP 2E", {1000});
        for (const char* address : {"E4", "7E", "91", "93"}) drive.Set(address, {0});
        EXPECT_TRUE(jog.ReadSavedSpeed());
        jog.Reset();
        drive.Clear();
    }
    // One timer tick; returns its exchanges.
    Lines Tick() {
        drive.Clear();
        jog.JogTimerTimer();
        return drive.Log;
    }
    RecordingDrive drive;
    DriveState state;
    AddressMap map;
    JogControl jog{drive, state, map};
};

TEST(JogControl, EepromSpeed1000Shows183) {
    JogBench bench;
    EXPECT_EQ(bench.jog.Globals().JogSpeedSaved, 183);
    EXPECT_EQ(bench.jog.SavedSpeedWord(), 1000);
}

TEST(JogControl, FailedEepromReadRefusesTheOpening) {
    RecordingDrive drive;
    DriveState state;
    AddressMap map;
    JogControl jog(drive, state, map);
    EXPECT_FALSE(jog.ReadSavedSpeed());
    EXPECT_EQ(drive.Log, Lines{"EEP 2E"});
}

TEST(JogControl, SpeedZeroRequestsNothing) {
    JogBench bench;
    EXPECT_FALSE(bench.jog.Start(0, true));
    EXPECT_FALSE(bench.jog.Start(0, false));
    EXPECT_EQ(bench.Tick(), ValueReads);
    EXPECT_TRUE(bench.jog.Idle());
}

TEST(JogControl, Ccw100SendsMinus546ThenTheRunCommand) {
    JogBench bench;
    ASSERT_TRUE(bench.jog.Start(100, false));
    EXPECT_EQ(bench.jog.Globals().JogSpeedCommand, -100);
    EXPECT_EQ(bench.Tick(), Then({"W 2E -546", "W 76 1"}, ValueReads));
    EXPECT_TRUE(bench.jog.Globals().JogRunning);
    EXPECT_FALSE(bench.jog.CanClose());
}

TEST(JogControl, StopRestoresTheRawEepromWordInRamOnly) {
    JogBench bench;
    bench.jog.Start(183, true);
    bench.Tick();
    bench.jog.Stop();
    EXPECT_EQ(bench.Tick(), Then({"W 76 0", "W 2E 1000"}, ValueReads));
    EXPECT_FALSE(bench.jog.Globals().JogRunning);
    EXPECT_TRUE(bench.jog.CanClose());
}

TEST(JogControl, StartAndStopInOneTickStartFirst) {
    JogBench bench;
    bench.jog.Start(10, true);
    bench.jog.Stop();
    EXPECT_EQ(bench.Tick(), Then({"W 2E 54", "W 76 1", "W 76 0", "W 2E 1000"}, ValueReads));
    EXPECT_TRUE(bench.jog.Idle());
}

TEST(JogControl, FailedSpeedWriteSendsNoRunCommand) {
    JogBench bench;
    bench.drive.Failing.insert("W 2E");
    bench.jog.Start(100, true);
    EXPECT_EQ(bench.Tick(), Then({"W 2E 546"}, ValueReads));
    EXPECT_FALSE(bench.jog.Globals().JogRunning);
    EXPECT_EQ(bench.jog.Notice(), JogNotice::StartRefused);
    EXPECT_TRUE(bench.jog.Idle());
}

TEST(JogControl, UnacknowledgedRunCommandCountsAsRunning) {
    JogBench bench;
    bench.drive.Failing.insert("W 76");
    bench.jog.Start(100, true);
    bench.Tick();
    EXPECT_TRUE(bench.jog.Globals().JogRunning);
    EXPECT_EQ(bench.jog.Notice(), JogNotice::RunUnconfirmed);
}

TEST(JogControl, UnacknowledgedStopKeepsRunningAndRetriesEachTick) {
    JogBench bench;
    bench.jog.Start(100, true);
    bench.Tick();
    bench.drive.Failing.insert("W 76");
    bench.jog.Stop();
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_EQ(bench.Tick(), Then({"W 76 0"}, ValueReads));
        EXPECT_TRUE(bench.jog.Globals().JogRunning);
        EXPECT_FALSE(bench.jog.CanClose());
        EXPECT_EQ(bench.jog.Notice(), JogNotice::StopRetrying);
    }
    bench.drive.Failing.clear();
    EXPECT_EQ(bench.Tick(), Then({"W 76 0", "W 2E 1000"}, ValueReads));
    EXPECT_TRUE(bench.jog.CanClose());
    EXPECT_EQ(bench.jog.Notice(), JogNotice::None);
}

TEST(JogControl, UnacknowledgedRestoreIsRetriedWithoutStoppingAgain) {
    JogBench bench;
    bench.jog.Start(100, true);
    bench.Tick();
    bench.drive.Failing.insert("W 2E");
    bench.jog.Stop();
    EXPECT_EQ(bench.Tick(), Then({"W 76 0", "W 2E 1000"}, ValueReads));
    EXPECT_FALSE(bench.jog.CanClose());
    EXPECT_EQ(bench.Tick(), Then({"W 2E 1000"}, ValueReads));
    bench.drive.Failing.clear();
    EXPECT_EQ(bench.Tick(), Then({"W 2E 1000"}, ValueReads));
    EXPECT_TRUE(bench.jog.CanClose());
}

TEST(JogControl, StopNowStopsARunningMotorAtOnce) {
    JogBench bench;
    EXPECT_TRUE(bench.jog.StopNow());
    EXPECT_TRUE(bench.drive.Log.empty());
    bench.jog.Start(100, true);
    bench.Tick();
    bench.drive.Clear();
    bench.drive.Failing.insert("W 76");
    EXPECT_FALSE(bench.jog.StopNow());
    bench.drive.Failing.clear();
    EXPECT_TRUE(bench.jog.StopNow());
    EXPECT_EQ(bench.drive.Log, (Lines{"W 76 0", "W 76 0", "W 2E 1000"}));
}

TEST(JogControl, TimerIdleWhileClosedOrBusyAndFailedReadsKeepValues) {
    JogBench bench;
    bench.drive.Set("E4", {100});
    bench.jog.JogTimerTimer();
    bench.state.JogFormOpen = false;
    EXPECT_TRUE(bench.Tick().empty());
    bench.state.JogFormOpen = true;
    bench.state.JogBusy = true;
    EXPECT_TRUE(bench.Tick().empty());
    bench.state.JogBusy = false;
    bench.drive.Failing.insert("R E4");
    bench.Tick();
    EXPECT_EQ(bench.jog.Globals().MonitorValues[0], 100);
}

TEST(JogControl, ValueTexts) {
    const auto texts = JogValueTexts({16384, -24576, 123, 12288});
    EXPECT_EQ(texts[0], "  3000.0");
    EXPECT_EQ(texts[1], "  -300.0");
    EXPECT_EQ(texts[2], "    12.3");
    EXPECT_EQ(texts[3], "   150.0");
}

// ---- Against the simulated amplifier ----

TEST(JogControlSim, MotorRunsAtTheJogSpeedAndStopsWithEepromUntouched) {
    SimDrive sim("bx");
    sim.Connect();
    sim.amplifier->SetEeprom(0x2E, 1000);
    sim.state.JogFormOpen = true;
    sim.state.JogBusy = false;
    JogControl jog(*sim.link, sim.state, sim.map);
    ASSERT_TRUE(jog.ReadSavedSpeed());
    jog.Reset();
    ASSERT_TRUE(jog.Start(100, false));
    for (int tick = 0; tick < 10; ++tick) {
        sim.clock.Advance(400);
        jog.JogTimerTimer();
    }
    EXPECT_EQ(sim.amplifier->Ram(0x2E), 0xFDDE);
    EXPECT_EQ(sim.amplifier->Ram(0x76), 1);
    const double shownSpeed = jog.Globals().MonitorValues[0] * 3000.0 / 16384;
    EXPECT_NEAR(shownSpeed, -100, 5);
    jog.Stop();
    sim.clock.Advance(400);
    jog.JogTimerTimer();
    EXPECT_EQ(sim.amplifier->Ram(0x76), 0);
    EXPECT_EQ(sim.amplifier->Ram(0x2E), 1000);
    EXPECT_EQ(sim.amplifier->Eeprom(0x2E), 1000);
    EXPECT_TRUE(jog.CanClose());
}

}  // namespace
