// servoctl monitor and alarms against the in-process simulated amplifier, on
// simulated time.
#include <gtest/gtest.h>

#include <sstream>

#include "ctl/MonitorCommands.h"
#include "ctl/ServoCtl.h"
#include "link/Identification.h"
#include "monitor/MonitorCsv.h"
#include "tests/support/SimDrive.h"

namespace {

using Words = std::vector<std::string>;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct CtlBench {
    explicit CtlBench(const std::string& family, int fxVersion = 0) : drive(family, fxVersion) {
        OpenWithLineSettings(*drive.line);
    }
    int Monitor(
        const Words& words, std::function<bool()> stop = [] { return false; }) {
        MonitorOptions options;
        std::string error;
        if (!ParseMonitorOptions(words, options, error)) return -1;
        return commands.Monitor(options, stop);
    }
    int Alarms(const Words& words) {
        AlarmOptions options;
        std::string error;
        if (!ParseAlarmOptions(words, options, error)) return -1;
        return commands.Alarms(options);
    }
    SimDrive drive;
    std::ostringstream out;
    std::ostringstream err;
    MonitorCommands commands{drive.Ctl(), drive.catalogue, out, err};
};

TEST(CtlMonitor, PrintsTheHeaderAndOneLinePerPollWithoutPadding) {
    CtlBench bench("fx", 31);
    bench.drive.amplifier->SetRam(0x80, static_cast<std::uint16_t>(-1234));
    bench.drive.amplifier->SetRam(0x89, 7);
    EXPECT_EQ(bench.Monitor({"monitor", "--rows", "1,16", "--count", "3"}), CtlOk);
    EXPECT_EQ(Lines(bench.out.str()),
              (std::vector<std::string>{"time_ms,Motor speed [r/min],Regenerative load [%]",
                                        "0,-1234,7", "500,-1234,7", "1000,-1234,7"}));
}

TEST(CtlMonitor, DefaultRowsAreEveryRowTheAmplifierOffers) {
    CtlBench bench("fx", 25);
    EXPECT_EQ(bench.Monitor({"monitor", "--count", "1", "--interval", "100"}), CtlOk);
    const auto lines = Lines(bench.out.str());
    ASSERT_EQ(lines.size(), 2u);
    // 15 rows: row 10 and row 15 are not offered below version 26.
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), ','), 15);
    EXPECT_EQ(lines[0].rfind("time_ms,Motor speed [r/min],Torque command [%],", 0), 0u);
    EXPECT_NE(lines[0].find(",Regenerative load [%],Overload ratio [%],Speed command"),
              std::string::npos);
    EXPECT_NE(lines[0].find(",Row 16 [%],Row 17 [%]"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 4), ",0,0");
}

TEST(CtlMonitor, BxGateWordsShowAsInTheWindow) {
    CtlBench bench("bx");
    bench.drive.amplifier->SetRam(0xB2, 1);
    EXPECT_EQ(bench.Monitor({"monitor", "--rows", "11,14", "--count", "1"}), CtlOk);
    EXPECT_EQ(Lines(bench.out.str()).back(), "0,XXXXXXXX,XXXXXXXX");
}

// --raw prints what the trend window records: the number, not the text.
TEST(CtlMonitor, RawPrintsUnpaddedNumbersAndNothingForAGatedRow) {
    struct Case {
        const char* family;
        const char* rows;
        std::uint16_t address, word;
        std::string line;
    };
    const Case cases[] = {
        {"bx", "1", 0xE4, 1000, "0,183.1054688"},  // the window shows 183.1
        {"dx", "9", 0x0A, 511, "0,10.5"},
        {"fx", "6", 0x8C, 3, "0,0.75"},
        {"bx", "11,1", 0xB2, 1, "0,,0"},
    };
    for (const Case& c : cases) {
        CtlBench bench(c.family, 31);
        bench.drive.amplifier->SetRam(c.address, c.word);
        EXPECT_EQ(bench.Monitor({"monitor", "--raw", "--rows", c.rows, "--count", "1"}), CtlOk);
        EXPECT_EQ(Lines(bench.out.str()).back(), c.line) << c.family << " " << c.rows;
    }
}

TEST(CtlMonitor, AFailedReadIsAnEmptyFieldNotAStaleValue) {
    CtlBench bench("dx");
    bench.drive.amplifier->SetRam(0x02, 16384);
    bench.drive.amplifier->SetRam(0x03, 12288);
    int lines = 0;
    const auto failSecondLine = [&] {
        if (++lines == 1) bench.drive.amplifier->InjectFault(sim::Fault::NoReply, 1);
        return false;
    };
    EXPECT_EQ(bench.Monitor({"monitor", "--rows", "1,2", "--count", "3"}, failSecondLine), CtlOk);
    const auto out = Lines(bench.out.str());
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[1], "0,3000.0,150.0");
    EXPECT_EQ(out[2].substr(out[2].find(',')), ",,150.0");
    EXPECT_EQ(out[3].substr(out[3].find(',')), ",3000.0,150.0");
}

TEST(CtlMonitor, ALinkLostForTheLastSecondEndsWithStatus3) {
    CtlBench bench("fx", 31);
    int lines = 0;
    const auto pullAfterFirstLine = [&] {
        if (++lines == 1) bench.drive.amplifier->SetCablePulled(true);
        return false;
    };
    EXPECT_EQ(bench.Monitor({"monitor", "--rows", "1", "--count", "3"}, pullAfterFirstLine),
              CtlLinkLost);
    const auto out = Lines(bench.out.str());
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[3].back(), ',');

    // Lost and back within the last second is no loss.
    CtlBench back("fx", 31);
    lines = 0;
    const auto pullOnce = [&] {
        ++lines;
        back.drive.amplifier->SetCablePulled(lines == 1);
        return false;
    };
    EXPECT_EQ(back.Monitor({"monitor", "--rows", "1", "--count", "3"}, pullOnce), CtlOk);
}

TEST(CtlMonitor, StopEndsAfterAWholeLine) {
    CtlBench bench("fx", 31);
    int asked = 0;
    EXPECT_EQ(bench.Monitor({"monitor", "--rows", "1,2,3"}, [&] { return ++asked >= 2; }), CtlOk);
    const auto out = Lines(bench.out.str());
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(std::count(out[1].begin(), out[1].end(), ','), 3);
}

TEST(CtlMonitor, NoAmplifierOrARowItDoesNotOfferIsRefused) {
    CtlBench silent("fx", 31);
    silent.drive.amplifier->SetCablePulled(true);
    EXPECT_EQ(silent.Monitor({"monitor", "--count", "1"}), CtlLinkLost);
    EXPECT_EQ(silent.err.str(), "monitor: no reply\n");
    EXPECT_EQ(silent.out.str(), "");

    CtlBench bx("bx");
    EXPECT_EQ(bx.Monitor({"monitor", "--rows", "1,15", "--count", "1"}), CtlUsageError);
    EXPECT_EQ(bx.err.str(), "monitor: row 15 is not offered by this amplifier\n");
}

TEST(CtlMonitor, OptionsAreCheckedBeforeAnythingIsSent) {
    const Words bad[] = {
        {"monitor", "--rows", "0"},      {"monitor", "--rows", "18"},
        {"monitor", "--rows", "1,,2"},   {"monitor", "--rows", "1,"},
        {"monitor", "--count", "0"},     {"monitor", "--interval", "x"},
        {"monitor", "--count"},          {"monitor", "--speed", "1"},
        {"alarms", "--clean"},           {"alarms", "--clear", "now"},
        {"monitor", "--raw", "--count"},
    };
    for (const Words& words : bad) {
        MonitorOptions monitor;
        AlarmOptions alarms;
        std::string error;
        const bool ok = words[0] == "monitor" ? ParseMonitorOptions(words, monitor, error)
                                              : ParseAlarmOptions(words, alarms, error);
        EXPECT_FALSE(ok) << words[1];
        EXPECT_FALSE(error.empty());
    }
    MonitorOptions options;
    std::string error;
    ASSERT_TRUE(
        ParseMonitorOptions({"monitor", "--rows", "3,1,3", "--interval", "250"}, options, error));
    EXPECT_EQ(options.Rows, (std::vector<int>{3, 1}));
    EXPECT_EQ(options.IntervalMs, 250);
    EXPECT_EQ(options.Count, -1);
}

TEST(CtlMonitor, CsvFieldsAreQuotedOnlyWhereCsvRequires) {
    EXPECT_EQ(CsvField("Motor speed [r/min]"), "Motor speed [r/min]");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
}

TEST(CtlAlarms, PrintsTheHistoryLatestFirstAndClearsIt) {
    CtlBench bench("bx");
    bench.drive.amplifier->RaiseAlarm(5);
    bench.drive.amplifier->RaiseAlarm(3);
    EXPECT_EQ(bench.Alarms({"alarms"}), CtlOk);
    const auto out = Lines(bench.out.str());
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out[0], "1 0003 Undervoltage");
    EXPECT_EQ(out[1], "2 0005 Encoder error");

    bench.out.str("");
    EXPECT_EQ(bench.Alarms({"alarms", "--clear"}), CtlOk);
    EXPECT_EQ(bench.out.str(), "ok\n");
    for (int e = 0; e < 10; ++e) EXPECT_EQ(bench.drive.amplifier->Eeprom(e), 0);
}

TEST(CtlAlarms, AFailedSlotPrintsDashesAndFails) {
    CtlBench bench("dx");
    int reads = 0;
    bench.drive.amplifier->SetObserver([&](const sim::ExchangeRecord& record) {
        if (record.request.rfind("R581", 0) == 0 && ++reads == 1)
            bench.drive.amplifier->InjectFault(sim::Fault::NoReply, 1);
    });
    EXPECT_EQ(bench.Alarms({"alarms"}), CtlExchangeFailed);
    const auto out = Lines(bench.out.str());
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out[4], "5 ----");
    EXPECT_EQ(out[5], "6 ----");
    EXPECT_EQ(out[6], "7 0000 Normal");
}

}  // namespace
