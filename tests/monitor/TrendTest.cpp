// The trend's sampling and recording without a window, against the simulated
// amplifier: what the shared poll reads, when samples are stamped, how long
// they are kept, what a recording holds on disk, and gaps where reads fail.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "monitor/MonitorCsv.h"
#include "monitor/TrendSampler.h"
#include "tests/monitor/MonitorTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

struct TrendBench : MonitorBench {
    explicit TrendBench(const std::string& family, int fxVersion = 0)
        : MonitorBench(family, fxVersion) {
        drive.state.TrendFormOpen = true;
        trend.Start();
    }
    // Runs the trend timer for ms milliseconds.
    void Run(int ms) {
        timer.Run(ms, [this] { trend.TrendTimerTimer(); });
    }
    MonitorPoll poll{*drive.link, drive.state, drive.map};
    TrendSampler trend{poll, drive.state, drive.clock};
    TimerSteps timer{drive.clock, TrendSampler::TimerMs};
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TempPath(const char* name) {
    return "/tmp/trend_test_" + std::to_string(getpid()) + "_" + name;
}

TEST(Trend, ThePollReadsTheUnionOfTheOpenWindowsSelections) {
    struct Case {
        bool monitorOpen, trendOpen;
        Lines wire;
    };
    const Case cases[] = {
        {true, true, {"R 02", "R 03", "R 05"}},
        {false, true, {"R 03", "R 05"}},
        {true, false, {"R 02", "R 03"}},
        {false, false, {}},
    };
    for (const Case& c : cases) {
        TrendBench bench("dx");
        bench.poll.MonitorSelection[0] = bench.poll.MonitorSelection[1] = 1;
        ASSERT_TRUE(bench.trend.Select(2, true) && bench.trend.Select(6, true));
        bench.drive.state.MonitorFormOpen = c.monitorOpen;
        bench.drive.state.TrendFormOpen = c.trendOpen;
        bench.drive.line->ClearLog();
        bench.poll.Poll();
        EXPECT_EQ(bench.Wire(), c.wire) << c.monitorOpen << c.trendOpen;
    }
}

TEST(Trend, WhileTheTrendIsOpenItsTimerDrivesTheOnePoll) {
    TrendBench bench("dx");
    bench.drive.state.MonitorFormOpen = true;
    bench.poll.MonitorSelection[0] = 1;
    bench.trend.Select(1, true);
    bench.poll.MonitorTimerTimer();
    EXPECT_EQ(bench.Wire(), Lines{});
    bench.trend.TrendTimerTimer();
    EXPECT_EQ(bench.Wire(), Lines{"R 02"});
}

TEST(Trend, AtMostEightRowsAreSelected) {
    TrendBench bench("fx", 31);
    for (int row = 1; row <= 8; ++row) EXPECT_TRUE(bench.trend.Select(row, true));
    EXPECT_FALSE(bench.trend.Select(9, true));
    EXPECT_TRUE(bench.trend.Select(8, true));  // already selected
    EXPECT_FALSE(bench.trend.Select(0, true));
    EXPECT_FALSE(bench.trend.Select(18, true));
    EXPECT_TRUE(bench.trend.Select(3, false));
    EXPECT_TRUE(bench.trend.Select(9, true));
    EXPECT_EQ(bench.trend.SelectedRows(), (std::vector<int>{1, 2, 4, 5, 6, 7, 8, 9}));
}

// The simulated line takes the wire time of every exchange: a tick of eight
// rows at 9600 bit/s is slower than 100 ms, and the samples say when they were
// really read.
TEST(Trend, SamplesCarryTheTimeOfTheirReadAndASlowSelectionIsReported) {
    TrendBench bench("fx", 31);
    bench.trend.SetPeriodMs(100);
    bench.trend.Select(1, true);
    bench.Run(1000);
    EXPECT_FALSE(bench.trend.TooSlow());
    EXPECT_EQ(bench.trend.AchievedPeriodMs(), 100);
    EXPECT_EQ(bench.trend.Samples().Size(), 10u);

    for (int row : {2, 3, 4, 5, 6, 7, 9}) bench.trend.Select(row, true);
    EXPECT_GT(bench.trend.WireMs(), 100);
    EXPECT_TRUE(bench.trend.TooSlow());
    const std::size_t before = bench.trend.Samples().Size();
    bench.Run(3000);
    const TrendBuffer& samples = bench.trend.Samples();
    EXPECT_LT(samples.Size() - before, 30u);
    EXPECT_GT(bench.trend.AchievedPeriodMs(), 120);
    for (std::size_t i = 1; i < samples.Size(); ++i) {
        EXPECT_GT(samples.At(i).TimeMs, samples.At(i - 1).TimeMs);
    }
}

TEST(Trend, TheBufferKeepsTenMinutesInFixedStorage) {
    TrendBuffer buffer(TrendSampler::MaxWindowMs, 6016);
    struct Case {
        std::uint64_t spacingMs;
        std::size_t held;
    };
    for (const Case c : {Case{100, 6001}, Case{1000, 601}, Case{90, 6016}}) {
        buffer.Clear();
        TrendSample sample;
        for (int i = 0; i < 20000; ++i) {
            sample.TimeMs = i * c.spacingMs;
            sample.Values[0] = i;
            buffer.Push(sample);
        }
        EXPECT_EQ(buffer.Size(), c.held) << c.spacingMs;
        EXPECT_EQ(buffer.Capacity(), 6016u);
        EXPECT_EQ(buffer.Newest().Values[0], 19999);
        EXPECT_EQ(buffer.At(0).Values[0], 20000 - static_cast<double>(c.held));
        EXPECT_EQ(buffer.Pushed(), 20000u);
    }
}

TEST(Trend, AFailedReadLeavesAGapNotTheOldValue) {
    TrendBench bench("dx");
    bench.trend.SetPeriodMs(100);
    bench.trend.Select(1, true);
    bench.trend.Select(2, true);
    bench.Run(100);
    bench.drive.amplifier->InjectFault(sim::Fault::NoReply, 1);
    bench.Run(100);  // row 1 fails, row 2 is read after it; the link is latched
    bench.Run(100);  // nothing is read while latched
    const TrendBuffer& samples = bench.trend.Samples();
    ASSERT_EQ(samples.Size(), 4u);
    EXPECT_FALSE(std::isnan(samples.At(0).Values[0]));
    EXPECT_TRUE(std::isnan(samples.At(1).Values[0]));
    EXPECT_TRUE(std::isnan(samples.At(2).Values[0]));
    EXPECT_FALSE(std::isnan(samples.At(2).Values[1]));
    for (int row : {0, 1, 2}) EXPECT_TRUE(std::isnan(samples.At(3).Values[row])) << row;
}

// A failed read waits for its time-out: the rows read after it are stamped
// with their own time, not the tick's, and the failed row is a gap.
TEST(Trend, ValuesReadAfterAFailureCarryTheTimeOfTheirOwnRead) {
    TrendBench bench("dx");
    bench.trend.SetPeriodMs(1000);
    bench.trend.Select(1, true);
    bench.trend.Select(2, true);
    bench.drive.amplifier->InjectFault(sim::Fault::NoReply, 1);
    bench.Run(50);
    const TrendBuffer& samples = bench.trend.Samples();
    ASSERT_EQ(samples.Size(), 2u);
    EXPECT_TRUE(std::isnan(samples.At(0).Values[0]));
    EXPECT_TRUE(std::isnan(samples.At(0).Values[1]));
    EXPECT_TRUE(std::isnan(samples.At(1).Values[0]));
    EXPECT_FALSE(std::isnan(samples.At(1).Values[1]));
    EXPECT_GE(samples.At(1).TimeMs, samples.At(0).TimeMs + 1000);
}

TEST(Trend, ARecordingHoldsNumbersAndGapsAndReachesTheDiskEverySecond) {
    const std::string path = TempPath("flush.csv");
    TrendRecorder recorder;
    ASSERT_TRUE(recorder.Open(path, "time_ms,a,b", {1, 3}, 2000));
    const double gap = std::nan("");
    struct Step {
        std::uint64_t timeMs;
        double a, b;
        std::string onDisk;  // what a crash right after would leave
    };
    const std::string header = "time_ms,a,b\n";
    const Step steps[] = {
        {2100, 1500.5, -3, header},
        {2600, gap, 0.25, header},
        {3000, 2147483647, gap, header + "100,1500.5,-3\n600,,0.25\n1000,2147483647,\n"},
        {3400, 7, 8, header + "100,1500.5,-3\n600,,0.25\n1000,2147483647,\n"},
    };
    for (const Step& step : steps) {
        TrendSample sample;
        sample.TimeMs = step.timeMs;
        sample.Values[0] = step.a;
        sample.Values[1] = 99;  // a row the recording does not hold
        sample.Values[2] = step.b;
        recorder.Write(sample);
        EXPECT_EQ(ReadFile(path), step.onDisk) << step.timeMs;
    }
    EXPECT_TRUE(recorder.Close());
    EXPECT_EQ(ReadFile(path), steps[3].onDisk + "1400,7,8\n");
    std::remove(path.c_str());
}

TEST(Trend, TheSamplerRecordsWithTheMonitorHeader) {
    const std::string path = TempPath("sampler.csv");
    TrendBench bench("dx");
    bench.SetWord(0x02, 16384);  // 3000 r/min on DX scaling
    bench.trend.SetPeriodMs(500);
    bench.trend.Select(1, true);
    bench.Run(1000);
    const std::vector<int> rows = bench.trend.SelectedRows();
    const std::string header = MonitorCsvHeader(rows, 1, 0, bench.drive.catalogue);
    ASSERT_TRUE(bench.trend.StartRecording(path, header));
    bench.Run(1000);
    bench.drive.state.CommErrorLatched = true;  // an outage: rows with empty fields
    bench.Run(1000);
    EXPECT_TRUE(bench.trend.StopRecording());
    std::istringstream lines(ReadFile(path));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, header);
    Lines body;
    while (std::getline(lines, line)) body.push_back(line);
    ASSERT_EQ(body.size(), 4u);
    for (int i : {0, 1}) EXPECT_NE(body[i].find(",3000"), std::string::npos) << body[i];
    for (int i : {2, 3}) EXPECT_EQ(body[i].back(), ',') << body[i];
    EXPECT_FALSE(TrendRecorder().Open("/nonexistent/dir/x.csv", header, rows, 0));
    std::remove(path.c_str());
}

}  // namespace
