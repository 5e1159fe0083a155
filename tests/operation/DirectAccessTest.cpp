#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/MessageCatalogue.h"
#include "operation/DirectAccess.h"
#include "tests/operation/RecordingDrive.h"
#include "tests/support/ScriptedQuestions.h"
#include "tests/support/SimDrive.h"

namespace {

using Lines = std::vector<std::string>;
constexpr DirectHalf Rom = DirectHalf::Rom;
constexpr DirectHalf Ram = DirectHalf::Ram;

struct DirectBench {
    explicit DirectBench(int family, bool qrv = false) {
        catalogue.LoadFile(std::string(SERVODESK_DATA_DIR) + "/Message.E");
        state.AmpFamily = family;
        state.QrvFlag = qrv;
        state.DirectRWFormOpen = true;
        state.DirectSetBusy = false;
        access.FormCreate();
    }
    Lines Tick() {
        drive.Clear();
        access.DirectSetTimer();
        return drive.Log;
    }
    MessageCatalogue catalogue;
    RecordingDrive drive;
    DriveState state;
    DirectAccess access{drive, state, catalogue};
};

TEST(ParseEntryNumber, TakesOnlyNumbers) {
    EXPECT_EQ(ParseEntryNumber("12"), 12);
    EXPECT_EQ(ParseEntryNumber("-3"), -3);
    EXPECT_EQ(ParseEntryNumber("1.5"), 1.5);
    for (const char* bad : {"", "-", "12-3", ".", "1.2.3", "x", " 1"}) {
        EXPECT_FALSE(ParseEntryNumber(bad).has_value()) << bad;
    }
}

struct ClickCase {
    const char* name;
    int family;
    bool qrv;
    DirectHalf half;
    bool write;
    const char* address;
    const char* value;
    Lines exchanges;
};

class DirectClicks : public ::testing::TestWithParam<ClickCase> {};

TEST_P(DirectClicks, ReachTheFamilysStore) {
    const ClickCase& c = GetParam();
    DirectBench bench(c.family, c.qrv);
    bench.drive.Set("EEP 64", {7});
    bench.drive.Set("64", {7});
    if (c.write) {
        EXPECT_EQ(bench.access.WriteClick(c.half, c.address, c.value), !c.exchanges.empty());
    } else {
        EXPECT_EQ(bench.access.ReadClick(c.half, c.address), !c.exchanges.empty());
    }
    EXPECT_EQ(bench.Tick(), c.exchanges);
    EXPECT_TRUE(bench.access.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Families, DirectClicks,
    ::testing::Values(ClickCase{"BxRomRead", 0, false, Rom, false, "100", "", {"EEP 64"}},
                      ClickCase{"BxRomWrite", 0, false, Rom, true, "100", "-1", {"WEEP 64 -1"}},
                      ClickCase{"BxRamRead", 0, false, Ram, false, "100", "", {"R 64"}},
                      ClickCase{"BxRamWrite", 0, false, Ram, true, "127", "5", {"W 7F 5"}},
                      ClickCase{"BxAbove127", 0, false, Rom, false, "128", "", {}},
                      ClickCase{"DxRomWrite", 1, false, Rom, true, "175", "-1", {"W AF -1"}},
                      ClickCase{"DxBelowRange", 1, false, Rom, false, "47", "", {}},
                      ClickCase{"FxRomRead", 2, false, Rom, false, "63", "", {"R 3F"}},
                      ClickCase{"FxAbove63", 2, false, Rom, false, "64", "", {}},
                      ClickCase{"QrvTop", 2, true, Rom, false, "255", "", {"R FF"}},
                      ClickCase{"Qrv256Refused", 2, true, Rom, false, "256", "", {}},
                      ClickCase{"TruncatedAddress", 0, false, Rom, false, "100.9", "", {"EEP 64"}},
                      ClickCase{"EmptyValueRefused", 0, false, Rom, true, "1", "", {}},
                      ClickCase{"MinusRefused", 0, false, Rom, true, "1", "-", {}},
                      ClickCase{"GarbledRefused", 1, false, Rom, true, "48", "12-3", {}},
                      ClickCase{"ValueOutOfRange", 1, false, Rom, true, "48", "32768", {}},
                      ClickCase{"EmptyAddressRefused", 1, false, Rom, false, "", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ExitCase {
    const char* name;
    int family;
    bool qrv;
    bool address;  // address entry, else value entry
    const char* typed;
    const char* shown;
};

class DirectExit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(DirectExit, ClampsNumbersAndKeepsOtherTexts) {
    const ExitCase& c = GetParam();
    DirectBench bench(c.family, c.qrv);
    const std::string shown =
        c.address ? bench.access.AddressExit(Rom, c.typed) : bench.access.ValueExit(Rom, c.typed);
    EXPECT_EQ(shown, c.shown);
}

INSTANTIATE_TEST_SUITE_P(Entries, DirectExit,
                         ::testing::Values(ExitCase{"DxEmptyAddress", 1, false, true, "", "48"},
                                           ExitCase{"DxLowAddress", 1, false, true, "10", "48"},
                                           ExitCase{"DxHighAddress", 1, false, true, "200", "175"},
                                           ExitCase{"QrvCappedAt255", 2, true, true, "256", "255"},
                                           ExitCase{"BxInRange", 0, false, true, "100", "100"},
                                           ExitCase{"ValueHigh", 0, false, false, "40000", "32767"},
                                           ExitCase{"ValueLow", 0, false, false, "-40000",
                                                    "-32768"},
                                           ExitCase{"MinusStays", 0, false, false, "-", "-"},
                                           ExitCase{"EmptyStays", 0, false, false, "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DirectAccess, StartsAtTheFamilysFirstAddress) {
    DirectBench dx(1);
    EXPECT_EQ(dx.access.AddressBox(Rom), "30");
    EXPECT_EQ(dx.access.ValueBox(Rom), "0000");
    DirectBench fx(2);
    EXPECT_EQ(fx.access.AddressBox(Rom), "0C");
    EXPECT_EQ(fx.access.ParameterNumber(), "00");
    EXPECT_FALSE(HasRamHalf(fx.state));
    EXPECT_TRUE(HasRamHalf(DirectBench(0).state));
}

TEST(DirectAccess, EntryChangesFollowTheBoxesAndTheFxParameterNumber) {
    DirectBench bench(2);
    bench.access.AddressChange(Rom, "20");
    EXPECT_EQ(bench.access.AddressBox(Rom), "14");
    EXPECT_EQ(bench.access.ParameterNumber(), "08");
    bench.access.AddressChange(Rom, "");
    EXPECT_EQ(bench.access.AddressBox(Rom), "14");
    bench.access.ValueChange(Rom, "-1");
    EXPECT_EQ(bench.access.ValueBox(Rom), "FFFF");
    bench.access.ValueChange(Rom, "-");
    EXPECT_EQ(bench.access.ValueBox(Rom), "FFFF");
    // "12-3" is no number: the box must not keep showing 12 (000C).
    bench.access.ValueChange(Rom, "12");
    bench.access.ValueChange(Rom, "12-3");
    EXPECT_EQ(bench.access.ValueBox(Rom), "----");
    bench.access.AddressChange(Rom, "2x");
    EXPECT_EQ(bench.access.AddressBox(Rom), "--");
}

TEST(DirectAccess, ClicksWithinOnePeriodAreAllPerformedInOrder) {
    DirectBench bench(0);
    bench.drive.Set("EEP 02", {0x1234});
    bench.access.WriteClick(Rom, "1", "10");
    bench.access.WriteClick(Rom, "1", "11");
    bench.access.ReadClick(Rom, "2");
    EXPECT_FALSE(bench.access.DataFresh().RomValue.has_value());  // not while requests wait
    EXPECT_EQ(bench.Tick(), (Lines{"WEEP 01 10", "WEEP 01 11", "EEP 02"}));
    const DirectFresh fresh = bench.access.DataFresh();
    EXPECT_EQ(fresh.RomValue, 0x1234);
    EXPECT_EQ(fresh.RamValue, 0);
    EXPECT_EQ(fresh.Results,
              (Lines{"Write 01 = 000A: OK", "Write 01 = 000B: OK", "Read 02: 1234"}));
    EXPECT_TRUE(bench.access.DataFresh().Results.empty());
}

TEST(DirectAccess, FailuresAndRefusalsAreShown) {
    DirectBench bench(1);
    bench.drive.Failing.insert("W 30");
    bench.access.WriteClick(Rom, "48", "5");
    bench.access.ReadClick(Rom, "49");  // no value scripted: the read fails
    bench.access.WriteClick(Rom, "48", "12-3");
    bench.Tick();
    const DirectFresh fresh = bench.access.DataFresh();
    EXPECT_FALSE(fresh.RomValue.has_value());
    ASSERT_EQ(fresh.Results.size(), 2u);
    EXPECT_EQ(fresh.Results[0], "Write 30 = 0005: " + bench.catalogue.Msg(374));
    EXPECT_EQ(fresh.Results[1], "Read 31: " + bench.catalogue.Msg(375));
    EXPECT_EQ(fresh.Refusal, "Value: " + bench.catalogue.Msg(1101));

    bench.access.WriteClick(Rom, "48", "32768");
    EXPECT_EQ(bench.access.DataFresh().Refusal, "Value: " + bench.catalogue.Msg(173));
    bench.access.WriteClick(Rom, "48", "7");  // accepted: the refusal goes
    EXPECT_EQ(bench.access.DataFresh().Refusal, "");
}

TEST(DirectAccess, TimerWaitsWhileClosedOrBusy) {
    DirectBench bench(0);
    bench.access.ReadClick(Rom, "1");
    bench.state.DirectSetBusy = true;
    EXPECT_TRUE(bench.Tick().empty());
    bench.state.DirectSetBusy = false;
    bench.state.DirectRWFormOpen = false;
    EXPECT_TRUE(bench.Tick().empty());
    EXPECT_EQ(bench.access.Requests().size(), 1u);
}

TEST(ResetAmplifier, WritesC4OnceAndReportsAFailure) {
    MessageCatalogue catalogue;
    catalogue.LoadFile(std::string(SERVODESK_DATA_DIR) + "/Message.E");
    RecordingDrive drive;
    ScriptedQuestions questions;
    EXPECT_TRUE(ResetAmplifier(drive, questions, catalogue));
    EXPECT_EQ(drive.Log, Lines{"W C4 0"});
    EXPECT_TRUE(questions.AskedQuestions().empty());
    drive.Failing.insert("W C4");
    EXPECT_FALSE(ResetAmplifier(drive, questions, catalogue));
    ASSERT_EQ(questions.AskedQuestions().size(), 1u);
    EXPECT_EQ(questions.Last().text, catalogue.Msg(374));
    EXPECT_EQ(questions.Last().kind, DialogKind::Error);
}

// The direct access on a simulated amplifier, its window open.
struct DirectSim {
    explicit DirectSim(const std::string& family) : sim(family) {
        sim.Connect();
        sim.state.DirectRWFormOpen = true;
        sim.state.DirectSetBusy = false;
        access.FormCreate();
    }
    SimDrive sim;
    DirectAccess access{*sim.link, sim.state, sim.catalogue};
};

TEST(DirectAccessSim, DxWriteOfMinusOneLandsAsFFFFAndReadsBack) {
    DirectSim direct("dx");
    ASSERT_TRUE(direct.access.WriteClick(Rom, "175", "-1"));
    direct.access.DirectSetTimer();
    EXPECT_EQ(direct.sim.amplifier->Ram(0xAF), 0xFFFF);
    direct.sim.amplifier->SetRam(0x40, 0x0123);
    ASSERT_TRUE(direct.access.ReadClick(Rom, "64"));
    direct.access.DirectSetTimer();
    EXPECT_EQ(direct.access.DataFresh().RomValue, 0x0123);
}

TEST(DirectAccessSim, BxRomIsTheEeprom) {
    DirectSim direct("bx");
    ASSERT_TRUE(direct.access.WriteClick(Rom, "100", "300"));
    direct.access.DirectSetTimer();
    EXPECT_EQ(direct.sim.amplifier->Eeprom(0x64), 300);
}

}  // namespace
