#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/MessageCatalogue.h"
#include "operation/TuneMachine.h"
#include "tests/operation/RecordingDrive.h"
#include "tests/support/SimDrive.h"

namespace {

using Lines = std::vector<std::string>;

struct TuneBench {
    TuneBench() {
        LoadAddressMap(map, 0, 25, false);
        state.AutoTuneFormOpen = true;
        state.AutoTuneBusy = false;
        // Amplifier gains handed to the tuning.
        drive.Set("EEP 71", {11});
        drive.Set("EEP 72", {22});
        drive.Set("EEP 73", {33});
        drive.Set("EEP 74", {-5});
        drive.Set("EEP 75", {300});
        drive.Set("EEP 76", {-7});
        drive.Set("P6 15", {0xFFFC});
    }
    // Runs ticks until the state leaves from, at most limit ticks.
    void TickWhile(int from, int limit = 5) {
        for (int i = 0; i < limit && machine.Globals().TuneState == from; ++i) {
            machine.AutoTuneTimerTimer();
        }
    }
    // Puts the machine in state with the run going.
    void At(int tuneState, int mode = 1) {
        machine.Start(mode);
        machine.Globals().TuneState = tuneState;
    }
    int State() const { return machine.Globals().TuneState; }

    RecordingDrive drive;
    DriveState state;
    AddressMap map;
    TuneMachine machine{drive, state, map};
};

const Lines PreparationExchanges = {
    "WEEP 0D 0", "W 0D 0",       "WP6 00 1638", "WP6 01 1500", "WP6 02 8192",
    "WP6 16 0",  "WP6 15 65532", "WP6 17 0",    "WP6 38 0",
};

TEST(TuneMachine, StatePrepareWritesTheNeutralCommandAndThePage6Values) {
    TuneBench bench;
    bench.At(TunePrepare);
    bench.machine.AutoTuneTimerTimer();
    EXPECT_EQ(bench.drive.Log, PreparationExchanges);
    EXPECT_EQ(bench.State(), TuneCopyGains);
}

struct CopyCase {
    int mode;
    int to09, to03, to04, command;
};

class TuneCopy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(TuneCopy, CopiesTheGainsScaledForTheModeAndSendsTheCommand) {
    const CopyCase& c = GetParam();
    TuneBench bench;
    bench.At(TuneCopyGains, c.mode);
    bench.machine.AutoTuneTimerTimer();
    const Lines expected = {
        "EEP 71",
        "WP6 21 11",
        "EEP 72",
        "WP6 05 22",
        "EEP 73",
        "WP6 06 33",
        "EEP 74",
        "WP6 09 " + std::to_string(c.to09),
        "EEP 75",
        "WP6 03 " + std::to_string(c.to03),
        "EEP 76",
        "WP6 04 " + std::to_string(c.to04),
        "WEEP 0D " + std::to_string(c.command),
        "W 0D " + std::to_string(c.command),
    };
    EXPECT_EQ(bench.drive.Log, expected);
    EXPECT_EQ(bench.State(), TuneWaitServoOn);
}

INSTANTIATE_TEST_SUITE_P(EachMode, TuneCopy,
                         ::testing::Values(CopyCase{1, -2, 600, -14, 26},
                                           CopyCase{2, -2, 600, -14, 42},
                                           CopyCase{3, -5, 300, -7, 58},
                                           CopyCase{4, -5, 300, -7, 74}));

TEST(TuneMachine, DoublingPastAWordStopsInTheFailureStateBeforeTheCommand) {
    TuneBench bench;
    bench.drive.Set("EEP 76", {16384});
    bench.At(TuneCopyGains, 2);
    bench.machine.AutoTuneTimerTimer();
    EXPECT_EQ(bench.State(), TuneFailed);
    EXPECT_FALSE(bench.machine.Globals().TuneRunning);
    // Neither the command nor the doubled gain went out.
    EXPECT_EQ(bench.drive.Log.back(), "EEP 76");
    // The largest value that still fits goes through.
    TuneBench fits;
    fits.drive.Set("EEP 76", {16383});
    fits.At(TuneCopyGains, 1);
    fits.machine.AutoTuneTimerTimer();
    EXPECT_EQ(fits.State(), TuneWaitServoOn);
}

struct FailCase {
    const char* name;
    int from;
    const char* failing;  // exchange that fails; empty: scripted status
    int statusWord;       // "0D" read in state 5
    int expected;
};

class TuneFailures : public ::testing::TestWithParam<FailCase> {};

TEST_P(TuneFailures, EndsInItsFailureState) {
    const FailCase& c = GetParam();
    TuneBench bench;
    bench.drive.Set("CB", {1});
    bench.drive.Set("0D", {c.statusWord});
    bench.drive.Set("36", {250});
    bench.drive.Set("35", {11});
    if (*c.failing) bench.drive.Failing.insert(c.failing);
    bench.At(c.from);
    bench.machine.AutoTuneTimerTimer();
    EXPECT_EQ(bench.State(), c.expected);
    EXPECT_FALSE(bench.machine.Globals().TuneRunning);
    // The machine rests there.
    const auto logged = bench.drive.Log.size();
    bench.machine.AutoTuneTimerTimer();
    EXPECT_EQ(bench.drive.Log.size(), logged);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, TuneFailures,
    ::testing::Values(FailCase{"InputRead", TuneWaitServoOff, "R CB", 0, TuneReadFailed},
                      FailCase{"EepromCommand", TunePrepare, "WEEP 0D", 0, TuneWriteFailed},
                      FailCase{"PageWrite", TunePrepare, "WP6 38", 0, TuneWriteFailed},
                      FailCase{"GainRead", TuneCopyGains, "EEP 74", 0, TuneReadFailed},
                      FailCase{"GainWrite", TuneCopyGains, "WP6 04", 0, TuneWriteFailed},
                      FailCase{"Command", TuneCopyGains, "W 0D", 0, TuneWriteFailed},
                      FailCase{"ServoOnRead", TuneWaitServoOn, "R CB", 0, TuneReadFailed},
                      FailCase{"StatusRead", TuneFollow, "R 0D", 0, TuneReadFailed},
                      FailCase{"ResultRead", TuneFollow, "R 35", 15, TuneReadFailed},
                      FailCase{"AmplifierFailed", TuneFollow, "", 0x0E, TuneFailed},
                      FailCase{"HighByteIgnored", TuneFollow, "", 0x120E, TuneFailed},
                      FailCase{"StoreRead", TuneStoring, "R 36", 0, TuneReadFailed},
                      FailCase{"StoreWrite", TuneStoring, "WEEP 35", 0, TuneWriteFailed}),
    [](const auto& info) { return std::string(info.param.name); });

struct FollowCase {
    const char* name;
    int input;
    std::deque<int> status;  // successive "0D" reads
    int page15;
    int expected;
};

class TuneFollowRules : public ::testing::TestWithParam<FollowCase> {};

TEST_P(TuneFollowRules, FollowTheStatusWord) {
    const FollowCase& c = GetParam();
    TuneBench bench;
    bench.drive.Set("CB", {c.input});
    bench.drive.Set("0D", c.status);
    bench.drive.Set("P6 15", {c.page15});
    bench.At(TuneFollow);
    bench.machine.AutoTuneTimerTimer();
    EXPECT_EQ(bench.State(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TuneFollowRules,
    ::testing::Values(FollowCase{"ServoOnStillTuning", 1, {0x1A}, 0, TuneFollow},
                      FollowCase{"ServoOnNoStatus", 1, {0}, 0xFFFC, TuneFollow},
                      FollowCase{"OffNeverStarted", 0, {0, 0}, 0xFFFC, TuneFailed},
                      FollowCase{"OffStartedSinceRead", 0, {0, 0x1A}, 0xFFFC, TuneFollow},
                      FollowCase{"OffTakenOver", 0, {0}, 0x0123, TuneFollow},
                      FollowCase{"OffSettled", 0, {0x1A, 0x1A, 0x1A}, 0, TuneWaitServoOn},
                      FollowCase{"OffMoving", 0, {0x1A, 0x1A, 0x2A}, 0, TuneFollow}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TuneMachine, FullRunFromStartToStoredResult) {
    TuneBench bench;
    bench.drive.Set("CB", {1, 1, 0, 0, 1});  // servo on, switched off, then on
    bench.drive.Set("0D", {0x1A, 15});
    bench.drive.Set("36", {250});
    bench.drive.Set("35", {11});
    bench.machine.Start(1);
    std::vector<int> states;
    for (int tick = 0; tick < 12 && bench.State() != TuneResultReady; ++tick) {
        bench.machine.AutoTuneTimerTimer();
        states.push_back(bench.State());
    }
    EXPECT_EQ(states, (std::vector<int>{1, 1, 2, 3, 4, 4, 5, 5, 6}));
    EXPECT_EQ(bench.machine.Globals().TuneResultP, 250);
    EXPECT_EQ(bench.machine.Globals().TuneResultI, 11);
    // Nothing happens in state 6 until OK.
    bench.machine.AutoTuneTimerTimer();
    EXPECT_EQ(bench.State(), TuneResultReady);
    ASSERT_TRUE(bench.machine.OK());
    bench.drive.Clear();
    bench.machine.AutoTuneTimerTimer();
    EXPECT_EQ(bench.drive.Log, (Lines{"R 36", "WEEP 36 250", "R 35", "WEEP 35 11"}));
    EXPECT_EQ(bench.State(), TuneStored);
    ASSERT_TRUE(bench.machine.OK());
    EXPECT_EQ(bench.State(), TuneFinished);
    EXPECT_FALSE(bench.machine.OK());
}

TEST(TuneMachine, TimerStepsOnlyWhileOpenIdleOfBusyAndRunning) {
    TuneBench bench;
    bench.drive.Set("CB", {0});
    bench.machine.Start(1);
    bench.state.AutoTuneBusy = true;
    bench.machine.AutoTuneTimerTimer();
    bench.state.AutoTuneBusy = false;
    bench.state.AutoTuneFormOpen = false;
    bench.machine.AutoTuneTimerTimer();
    EXPECT_TRUE(bench.drive.Log.empty());
    EXPECT_EQ(bench.State(), TuneWaitServoOff);
}

TEST(TuneMachine, CancelWithdrawsTheCommandInEepromAndRam) {
    TuneBench bench;
    bench.At(TuneFollow);
    EXPECT_TRUE(bench.machine.Cancel());
    EXPECT_EQ(bench.drive.Log, (Lines{"WEEP 0D 0", "W 0D 0"}));
    EXPECT_EQ(bench.State(), TuneIdle);
    EXPECT_EQ(bench.machine.Globals().TuneMode, 0);
}

TEST(TuneMachine, CancelBeforePreparingSendsNothing) {
    TuneBench bench;
    bench.At(TuneWaitServoOff);
    EXPECT_TRUE(bench.machine.Cancel());
    EXPECT_TRUE(bench.drive.Log.empty());
}

TEST(TuneMachine, UnacknowledgedCancelIsReportedAsAWriteFailure) {
    TuneBench bench;
    bench.drive.Failing.insert("W 0D");
    bench.At(TuneFailed);
    EXPECT_FALSE(bench.machine.Cancel());
    EXPECT_EQ(bench.State(), TuneWriteFailed);
    EXPECT_FALSE(bench.machine.Globals().TuneRunning);
    bench.drive.Failing.clear();
    EXPECT_TRUE(bench.machine.Cancel());
    EXPECT_EQ(bench.State(), TuneIdle);
}

// ---- Status display ----

struct DisplayBench {
    DisplayBench() { catalogue.LoadFile(std::string(SERVODESK_DATA_DIR) + "/Message.E"); }
    MessageCatalogue catalogue;
    DriveState state;
    TuneGlobals globals;
};

TEST(TuneDisplay, AmplifierFailureShowsMessage376InRed) {
    DisplayBench bench;
    bench.globals.TuneState = TuneFailed;
    const TuneDisplay shown = ShowTuneStatus(bench.globals, bench.state, bench.catalogue);
    EXPECT_TRUE(shown.Red);
    EXPECT_EQ(shown.Status1, bench.catalogue.Msg(376));
    EXPECT_FALSE(ShowTuneStatus(bench.globals, bench.state, bench.catalogue).Changed);
}

TEST(TuneDisplay, ResultShowsBothGainsAndEnablesOK) {
    DisplayBench bench;
    bench.globals.TuneState = TuneResultReady;
    bench.globals.TuneResultP = 250;
    bench.globals.TuneResultI = 11;
    const TuneDisplay shown = ShowTuneStatus(bench.globals, bench.state, bench.catalogue);
    EXPECT_FALSE(shown.Red);
    EXPECT_FALSE(shown.Status1.has_value());
    EXPECT_EQ(shown.Status2, bench.catalogue.Msg(369));
    EXPECT_EQ(shown.PGain, bench.catalogue.Msg(299) + ":25000:");
    EXPECT_EQ(shown.IGain, bench.catalogue.Msg(300) + ":3:");
    EXPECT_TRUE(shown.EnableOK);
}

TEST(TuneDisplay, ZeroDivisorsShowAPlaceholder) {
    EXPECT_EQ(PGainText("P", 250, 0), "P:----:");
    EXPECT_EQ(IGainText("I", 0, 1), "I:----:");
    EXPECT_EQ(IGainText("I", 11, 2), "I:6:");
}

TEST(TuneDisplay, FinishedStateResetsTheRunAndClosesTheWindow) {
    DisplayBench bench;
    bench.globals = {false, TuneFinished, TuneStored, 2, 1, 1};
    const TuneDisplay shown = ShowTuneStatus(bench.globals, bench.state, bench.catalogue);
    EXPECT_TRUE(shown.Finish);
    EXPECT_EQ(bench.globals.TuneState, TuneIdle);
    EXPECT_EQ(bench.globals.TuneMode, 0);
}

// ---- Against the simulated amplifier ----

struct SimTune {
    SimTune() {
        sim.Connect();
        sim.state.AutoTuneFormOpen = true;
        sim.state.AutoTuneBusy = false;
        sim.amplifier->SetServo(false);
    }
    // Ticks every 500 ms until the state is one of the resting ones.
    void RunUntilRest(int limit = 40) {
        for (int i = 0; i < limit && machine.Globals().TuneRunning; ++i) {
            if (machine.Globals().TuneState == TuneWaitServoOn) sim.amplifier->SetServo(true);
            if (machine.Globals().TuneState == TuneResultReady) return;
            sim.clock.Advance(500);
            machine.AutoTuneTimerTimer();
        }
    }
    SimDrive sim{"bx"};
    TuneMachine machine{*sim.link, sim.state, sim.map};
};

TEST(TuneMachineSim, RunStoresTheResultsInEeprom) {
    SimTune bench;
    bench.machine.Start(3);
    bench.RunUntilRest();
    ASSERT_EQ(bench.machine.Globals().TuneState, TuneResultReady);
    const int p = bench.sim.amplifier->Ram(0x36);
    const int i = bench.sim.amplifier->Ram(0x35);
    EXPECT_EQ(bench.machine.Globals().TuneResultP, p);
    EXPECT_EQ(bench.machine.Globals().TuneResultI, i);
    ASSERT_TRUE(bench.machine.OK());
    bench.sim.clock.Advance(500);
    bench.machine.AutoTuneTimerTimer();
    EXPECT_EQ(bench.machine.Globals().TuneState, TuneStored);
    EXPECT_EQ(bench.sim.amplifier->Eeprom(0x36), p);
    EXPECT_EQ(bench.sim.amplifier->Eeprom(0x35), i);
}

TEST(TuneMachineSim, AmplifierFailureEndsInState13AndCancelNeutralisesTheCommand) {
    SimTune bench;
    bench.sim.amplifier->SetTuningFails(true);
    bench.machine.Start(1);
    bench.RunUntilRest();
    EXPECT_EQ(bench.machine.Globals().TuneState, TuneFailed);
    EXPECT_EQ(bench.sim.amplifier->Eeprom(0x0D), 26);
    EXPECT_TRUE(bench.machine.Cancel());
    bench.sim.clock.Advance(100);
    bench.sim.amplifier->Tick();
    EXPECT_EQ(bench.sim.amplifier->Eeprom(0x0D), 0);
    EXPECT_EQ(bench.sim.amplifier->Ram(0x0D), 0);
}

}  // namespace
