#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/MessageCatalogue.h"
#include "operation/OperationExit.h"
#include "tests/operation/RecordingDrive.h"
#include "tests/support/ScriptedQuestions.h"

namespace {

using Lines = std::vector<std::string>;

struct ExitBench {
    ExitBench() {
        catalogue.LoadFile(std::string(SERVODESK_DATA_DIR) + "/Message.E");
        LoadAddressMap(map, 0, 25, false);
        state.JogBusy = state.AutoTuneBusy = false;
        drive.Set("EEP 2E", {1000});
        jog.ReadSavedSpeed();
    }
    bool Exit() {
        drive.Clear();
        return StopMotionBeforeExit(jog, tuning, state, questions, catalogue);
    }
    MessageCatalogue catalogue;
    RecordingDrive drive;
    DriveState state;
    AddressMap map;
    ScriptedQuestions questions;
    JogControl jog{drive, state, map};
    TuneMachine tuning{drive, state, map};
};

TEST(StopMotionBeforeExit, NothingMovingSendsNothing) {
    ExitBench bench;
    bench.state.JogFormOpen = bench.state.AutoTuneFormOpen = true;
    bench.tuning.Start(1);  // still waiting for the servo to go off
    EXPECT_TRUE(bench.Exit());
    EXPECT_TRUE(bench.drive.Log.empty());
    EXPECT_TRUE(bench.questions.AskedQuestions().empty());
}

TEST(StopMotionBeforeExit, StopsTheJogAndWithdrawsTheTuningCommand) {
    ExitBench bench;
    bench.state.JogFormOpen = bench.state.AutoTuneFormOpen = true;
    bench.jog.Start(100, true);
    bench.jog.JogTimerTimer();
    bench.tuning.Start(1);
    bench.tuning.Globals().TuneState = TuneFollow;
    EXPECT_TRUE(bench.Exit());
    EXPECT_EQ(bench.drive.Log, (Lines{"W 76 0", "W 2E 1000", "WEEP 0D 0", "W 0D 0"}));
    EXPECT_TRUE(bench.jog.CanClose());
}

TEST(StopMotionBeforeExit, AnUnacknowledgedStopIsToldToTheUser) {
    ExitBench bench;
    bench.state.JogFormOpen = true;
    bench.jog.Start(100, true);
    bench.jog.JogTimerTimer();
    bench.drive.Failing.insert("W 76");
    EXPECT_FALSE(bench.Exit());
    ASSERT_EQ(bench.questions.AskedQuestions().size(), 1u);
    EXPECT_EQ(bench.questions.Last().text, bench.catalogue.Msg(374));
    EXPECT_EQ(bench.questions.Last().kind, DialogKind::Error);
}

}  // namespace
