// The monitor poll end to end against the simulated amplifier: the exact reads
// a tick sends for a selection, and the values and texts it brings back.
#include <gtest/gtest.h>

#include "monitor/MonitorPoll.h"
#include "tests/monitor/MonitorTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

struct PollBench : MonitorBench {
    using MonitorBench::MonitorBench;
    // Opens the monitor with the given rows selected and ticks once.
    Lines Tick(std::initializer_list<int> rows) {
        drive.state.MonitorFormOpen = true;
        poll.MonitorSelection.fill(0);
        for (int row : rows) poll.MonitorSelection[row - 1] = 1;
        drive.line->ClearLog();
        poll.MonitorTimerTimer();
        return Wire();
    }
    MonitorPoll poll{*drive.link, drive.state, drive.map};
};

TEST(MonitorPoll, NoSelectionSendsNothing) {
    PollBench bench("fx", 31);
    EXPECT_EQ(bench.Tick({}), Lines{});
}

TEST(MonitorPoll, ClosedLatchedOrBusyPollSendsNothing) {
    PollBench bench("dx");
    bench.drive.state.MonitorFormOpen = true;
    bench.poll.MonitorSelection.fill(1);
    bench.drive.state.MonitorFormOpen = false;
    bench.poll.MonitorTimerTimer();
    bench.drive.state.MonitorFormOpen = true;
    bench.drive.state.CommErrorLatched = true;
    bench.poll.MonitorTimerTimer();
    bench.drive.state.CommErrorLatched = false;
    bench.drive.state.MonitorBusy = true;
    bench.poll.MonitorTimerTimer();
    EXPECT_EQ(bench.Wire(), Lines{});
}

TEST(MonitorPoll, Row8AloneReadsBothLongsAndRows7And8ShareThem) {
    PollBench bench("fx", 31);
    EXPECT_EQ(bench.Tick({8}), (Lines{"L 94", "L 96"}));
    EXPECT_EQ(bench.Tick({7, 8}), (Lines{"L 94", "L 96"}));
    PollBench old("fx", 25);
    EXPECT_EQ(old.Tick({7}), (Lines{"R 94", "R 96"}));
}

TEST(MonitorPoll, BxReadsEveryEnabledRowWithItsGateWordsInOrder) {
    PollBench bench("bx");
    EXPECT_EQ(bench.Tick({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}),
              (Lines{"R E4", "R 7E", "R 91", "R 93", "R 94", "R 78", "L 5C", "L 88",
                     "R BF", "R 2D", "R BE", "R 2C", "R B2", "R 95", "R B2", "R 96",
                     "R B6", "R B2", "R C0", "R B6", "R B2", "R C1"}));
}

TEST(MonitorPoll, DxAndFxReadOneWordPerRowAndFxRows15To17) {
    PollBench dx("dx");
    EXPECT_EQ(dx.Tick({9, 10, 11, 14}), (Lines{"R 0A", "R 0B", "R 0C", "R 0F"}));
    PollBench fx("fx", 31);
    EXPECT_EQ(fx.Tick({9, 13, 15, 16, 17}), (Lines{"R 8D", "R 85", "L 98", "R 89", "R 8A"}));
}

TEST(MonitorPoll, FxBefore26Rows16And17ReadNothingAndShowZero) {
    PollBench bench("fx", 25);
    bench.poll.MonitorValues[19] = 55;
    bench.poll.MonitorValues[20] = -3;
    EXPECT_EQ(bench.Tick({16, 17}), Lines{});
    EXPECT_EQ(MonitorValueText(16, MonitorVariant::FxBefore26, bench.poll.MonitorValues),
              "       0");
    EXPECT_EQ(bench.poll.MonitorValues[20], 0);
}

TEST(MonitorPoll, ValuesComeBackScaledAndGatedFromTheAmplifier) {
    PollBench bench("bx");
    bench.SetWord(0xE4, 8192);
    bench.SetLong(0x5C, -70000);
    bench.SetWord(0xB2, 0);
    bench.SetWord(0xB6, 1);
    bench.SetWord(0x95, 2048);
    bench.SetWord(0xC0, 2048);
    bench.Tick({1, 7, 11, 13});
    const MonitorRawValues& m = bench.poll.MonitorValues;
    EXPECT_EQ(MonitorValueText(1, MonitorVariant::Bx, m), "  1500.0");
    EXPECT_EQ(MonitorValueText(7, MonitorVariant::Bx, m), "  -70000");
    EXPECT_EQ(MonitorValueText(11, MonitorVariant::Bx, m), "   375.0");
    EXPECT_EQ(MonitorValueText(13, MonitorVariant::Bx, m), "XXXXXXXX");
}

TEST(MonitorPoll, AFailedReadKeepsTheOldValueAndMarksOnlyItsRow) {
    PollBench bench("dx");
    bench.SetWord(0x02, 100);
    bench.SetWord(0x03, 200);
    bench.Tick({1, 2});
    ASSERT_EQ(bench.poll.MonitorValues[0], 100);
    bench.SetWord(0x02, 111);
    bench.SetWord(0x03, 222);
    bench.drive.amplifier->InjectFault(sim::Fault::NoReply, 1);
    // The rest of the tick is still attempted.
    EXPECT_EQ(bench.Tick({1, 2}), (Lines{"R 02", "R 03"}));
    EXPECT_EQ(bench.poll.MonitorValues[0], 100);
    EXPECT_EQ(bench.poll.MonitorValues[1], 222);
    EXPECT_FALSE(bench.poll.RowReadOk[0]);
    EXPECT_TRUE(bench.poll.RowReadOk[1]);
    EXPECT_TRUE(bench.drive.state.CommErrorLatched);
    // From the next tick on the poll waits for the status poll's recovery.
    EXPECT_EQ(bench.Tick({1, 2}), Lines{});
    EXPECT_FALSE(bench.drive.state.MonitorBusy);
}

}  // namespace
