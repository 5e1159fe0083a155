// Group reads and parameter writes end to end: GroupReader and ParamWriter
// over the drive link against the simulated amplifier, checked on the wire
// and in the amplifier's RAM and EEPROM.
#include <gtest/gtest.h>

#include "SimBench.h"
#include "params/ParamRules.h"

namespace {

using Lines = std::vector<std::string>;

// ---- Writes ----

TEST(SimWrite, BxSpeedEntry5WritesRamEepromRamThenTheLongAtDA) {
    SimBench bench("bx");
    ASSERT_TRUE(bench.EditAndTick(ParamGroup::Speed, 5, 3000).Queued);
    // The mailbox write in full once: address, value, command, one poll.
    EXPECT_EQ(bench.Wire(), (Lines{"W 16 0BB8", "W 69 0016", "W 6A 0BB8", "W 68 0001", "R 68",
                                   "W 16 0BB8", "M DA 00045E7B"}));
    EXPECT_EQ(bench.Ram(0x16), 3000);
    EXPECT_EQ(bench.Eeprom(0x16), 3000);
    EXPECT_EQ(bench.RamLong(0xDA), 286331);
    EXPECT_FALSE(bench.caches.WriteFailed(ParamGroup::Speed, 5));
    EXPECT_FALSE(bench.drive.state.ParamWriteBusy);
}

TEST(SimWrite, BxSpeedEntry5AtZeroWritesZeroAtDAAndTheEditorMinimumOne) {
    SimBench bench("bx");
    bench.drive.amplifier->SetRam(0xDA, 0x1234);
    bench.drive.amplifier->SetRam(0xDB, 0x5678);
    bench.EditAndTick(ParamGroup::Speed, 5, 0);
    EXPECT_EQ(bench.Operations(),
              (Lines{"W 16 0000", "EEP 16 0000", "W 16 0000", "M DA 00000000"}));
    EXPECT_EQ(bench.RamLong(0xDA), 0);

    // Through the window 0 is below the editor's minimum and becomes 1.
    const Limits limits = EntryLimits(ParamGroup::Speed, 5, bench.drive.state);
    const double clamped = ClampToLimits(0, limits.Min, limits.Max);
    EXPECT_EQ(clamped, 1);
    bench.drive.line->ClearLog();
    bench.EditAndTick(ParamGroup::Speed, 5, clamped);
    EXPECT_EQ(bench.Operations().back(), LongWrite("DA", 858993459));
}

TEST(SimWrite, BxTorqueEntry4IsFollowedByTheLongAtEE) {
    SimBench bench("bx");
    bench.EditAndTick(ParamGroup::Torque, 4, 1500);
    // trunc(1500 x 5.46133) = 8191; trunc(429496729 / 1500) = 286331.
    EXPECT_EQ(bench.Operations(),
              (Lines{"W 2F 1FFF", "EEP 2F 1FFF", "W 2F 1FFF", "M EE 00045E7B"}));
    EXPECT_EQ(bench.Eeprom(0x2F), 8191);
    EXPECT_EQ(bench.RamLong(0xEE), 286331);
}

TEST(SimWrite, BxPositionEntry8SkipsTheFirstRamWriteAndFollowsUpAt2D) {
    SimBench bench("bx");
    bench.EditAndTick(ParamGroup::Position, 8, 10);
    EXPECT_EQ(bench.Operations(), (Lines{"EEP 0C 0019", "W 0C 0019", "W 2D 0A0A"}));
    EXPECT_EQ(bench.Ram(0x0C), 25);
    EXPECT_EQ(bench.Eeprom(0x0C), 25);
    // "2D" is also the address of Speed entry 13: the follow-up overwrites
    // that word in RAM, while its EEPROM copy stays.
    EXPECT_EQ(bench.Ram(0x2D), 2570);
    EXPECT_EQ(bench.Eeprom(0x2D), 1040);
}

TEST(SimWrite, BxPositionEntry5SplitsANegativeValueIntoTwoWords) {
    SimBench bench("bx");
    bench.EditAndTick(ParamGroup::Position, 5, -100);
    EXPECT_EQ(bench.Operations(), (Lines{"W 3C FFFF", "EEP 3C FFFF", "W 3D FF9C", "EEP 3D FF9C"}));
    for (int address : {0x3C, 0x3D}) {
        EXPECT_EQ(bench.Ram(address), bench.Eeprom(address)) << address;
    }
    EXPECT_EQ(static_cast<std::uint16_t>(bench.Ram(0x3D)), 0xFF9C);
    bench.caches.PositionData[5] = 0;
    ASSERT_TRUE(bench.reader.ReadPositionData());
    EXPECT_EQ(bench.caches.PositionData[5], -100);
}

TEST(SimWrite, DxPositionTwoWordEntriesGoToRamInDecimalHalves) {
    SimBench bench("dx");
    bench.EditAndTick(ParamGroup::Position, 4, 123456);
    EXPECT_EQ(bench.Operations(), (Lines{"W 52 0D80", "W 53 000C"}));
    EXPECT_EQ(bench.Ram(0x52), 3456);
    EXPECT_EQ(bench.Ram(0x53), 12);

    bench.drive.line->ClearLog();
    bench.EditAndTick(ParamGroup::Position, 5, -123456);
    EXPECT_EQ(bench.Operations(), (Lines{"W 54 F280", "W 55 FFF4"}));

    bench.caches.PositionData[4] = bench.caches.PositionData[5] = 0;
    ASSERT_TRUE(bench.reader.ReadPositionData());
    EXPECT_EQ(bench.caches.PositionData[4], 123456);
    EXPECT_EQ(bench.caches.PositionData[5], -123456);
    EXPECT_EQ(
        ValueCellText(ParamGroup::Position, 4, bench.caches, bench.drive.state, bench.drive.map),
        "123456");
}

TEST(SimWrite, DxEditIsExactlyOneRamWrite) {
    SimBench bench("dx");
    struct Case {
        ParamGroup group;
        int index;
        double value;
        const char* line;
    };
    const Case cases[] = {
        {ParamGroup::System, 5, 2500, "W 34 09C4"},
        {ParamGroup::Speed, 13, 2000, "W 49 07D0"},
        {ParamGroup::Torque, 2, 1.5, "W 3E 05DC"},  // x 1000
        {ParamGroup::Position, 6, 200, "W 56 00C8"},
    };
    for (const Case& c : cases) {
        bench.drive.line->ClearLog();
        bench.EditAndTick(c.group, c.index, c.value);
        EXPECT_EQ(bench.Wire(), (Lines{c.line})) << c.line;
    }
}

TEST(SimWrite, BxSystemEditIsRamEepromRamAtTheEntrysAddress) {
    SimBench bench("bx");
    bench.EditAndTick(ParamGroup::System, 10, 12.5);
    EXPECT_EQ(bench.Operations(), (Lines{"W 56 04E2", "EEP 56 04E2", "W 56 04E2"}));
    EXPECT_EQ(bench.Ram(0x56), 1250);
    EXPECT_EQ(bench.Eeprom(0x56), 1250);
}

TEST(SimWrite, TwoEditsBeforeOneTickAreBothWrittenInOrder) {
    SimBench bench("bx");
    EXPECT_TRUE(bench.writer.LeaveEditor(ParamGroup::System, 3, 5).Queued);
    EXPECT_TRUE(bench.writer.LeaveEditor(ParamGroup::Torque, 0, 100).Queued);
    EXPECT_TRUE(bench.Wire().empty());  // leaving an editor makes no exchange
    bench.writer.WriteParamTimerTimer();
    EXPECT_EQ(bench.Operations(), (Lines{"W 0E 0005", "EEP 0E 0005", "W 0E 0005", "W 4C 0064",
                                         "EEP 4C 0064", "W 4C 0064", "M EE 00418937"}));
    EXPECT_EQ(bench.Eeprom(0x0E), 5);
    EXPECT_EQ(bench.Eeprom(0x4C), 100);
    EXPECT_FALSE(bench.writer.WritePending());
}

// The cable goes after the first RAM write: the amplifier has the new value in
// RAM only, the entry is marked, and a read after recovery shows what the
// amplifier really keeps.
TEST(SimWrite, WriteCutOffMidwayIsMarkedUntilALaterReadSucceeds) {
    SimBench bench("bx");
    bool pulled = false;
    bench.drive.amplifier->SetObserver([&](const sim::ExchangeRecord& record) {
        if (!pulled && record.request.rfind("W516", 0) == 0) {
            pulled = true;
            bench.drive.amplifier->SetCablePulled(true);
        }
    });
    bench.EditAndTick(ParamGroup::Speed, 5, 2000);
    EXPECT_EQ(bench.Wire(), (Lines{"W 16 07D0", "W 69 0016", "W 16 07D0", "W 16 07D0",
                                   "M DA 00068DB8", "M DA 00068DB8"}));
    EXPECT_TRUE(bench.caches.WriteFailed(ParamGroup::Speed, 5));
    EXPECT_EQ(bench.caches.SpeedData[5], 2000);
    EXPECT_EQ(bench.Ram(0x16), 2000);
    EXPECT_EQ(bench.Eeprom(0x16), 100);
    EXPECT_TRUE(bench.drive.state.CommErrorLatched);

    bench.drive.amplifier->SetCablePulled(false);
    EXPECT_FALSE(bench.reader.ReadSpeedData());  // latched: nothing is read
    bench.drive.state.CommErrorLatched = false;  // as the status poll recovers
    ASSERT_TRUE(bench.reader.ReadSpeedData());
    EXPECT_FALSE(bench.caches.WriteFailed(ParamGroup::Speed, 5));
    EXPECT_EQ(bench.caches.SpeedData[5], 100);
}

// The EEPROM write is polled once after 50 ms: a slower amplifier finishes
// the write later, but the tool has already counted it as failed.
TEST(SimWrite, EepromSlowerThanThePollIsAFailedWrite) {
    SimBench bench("bx");
    bench.drive.amplifier->SetMailboxDelayMs(200);
    bench.EditAndTick(ParamGroup::System, 3, 7);
    EXPECT_EQ(bench.Wire(),
              (Lines{"W 0E 0007", "W 69 000E", "W 6A 0007", "W 68 0001", "R 68", "W 0E 0007"}));
    EXPECT_TRUE(bench.caches.WriteFailed(ParamGroup::System, 3));
    EXPECT_TRUE(bench.drive.state.CommErrorLatched);
    EXPECT_EQ(bench.Eeprom(0x0E), 1);
    bench.drive.clock.Advance(200);
    bench.drive.amplifier->Tick();
    EXPECT_EQ(bench.Eeprom(0x0E), 7);
}

// ---- FX shared switch word ----

class SwitchWord : public ::testing::TestWithParam<const char*> {};

TEST_P(SwitchWord, FieldsOfTheWordAndAMergeRefreshAllFourEntries) {
    SimBench bench(GetParam(), 33);
    ASSERT_TRUE(EntryEnabled(bench.drive.map, ParamGroup::System, 18));
    bench.drive.amplifier->SetRam(0x17, 0x1234);
    ASSERT_TRUE(bench.reader.ReadSystemData());
    const auto cell = [&](int index) {
        return ValueCellText(ParamGroup::System, index, bench.caches, bench.drive.state,
                             bench.drive.map);
    };
    EXPECT_EQ(cell(6), "0");
    EXPECT_EQ(cell(11), "1");
    EXPECT_EQ(cell(17), "2");
    EXPECT_EQ(cell(18), "3");

    bench.drive.line->ClearLog();
    bench.EditAndTick(ParamGroup::System, 17, 3);
    EXPECT_EQ(bench.Wire(), (Lines{"W 17 1334"}));
    EXPECT_EQ(bench.Ram(0x17), 0x1334);
    for (int index : {6, 11, 17, 18}) EXPECT_EQ(bench.caches.SystemData[index], 0x1334) << index;
}

INSTANTIATE_TEST_SUITE_P(Qrv, SwitchWord, ::testing::Values("kqrv", "lqrv", "yz"));

// Bit 15 of the word set: the word arrives sign-extended, yet a field edit
// sends the 16-bit word and later edits of the other fields still go out.
TEST_P(SwitchWord, EditsOfAWordWithBit15SetAreSentAndDoNotPoisonTheSiblings) {
    SimBench bench(GetParam(), 33);
    bench.drive.amplifier->SetRam(0x17, 0x9234);
    ASSERT_TRUE(bench.reader.ReadSystemData());
    bench.drive.line->ClearLog();
    bench.EditAndTick(ParamGroup::System, 11, 0);
    EXPECT_EQ(bench.Wire(), (Lines{"W 17 0234"}));
    for (int index : {6, 11, 17, 18}) {
        EXPECT_EQ(bench.caches.SystemData[index], 0x0234) << index;
        EXPECT_FALSE(bench.caches.WriteFailed(ParamGroup::System, index)) << index;
    }
    bench.drive.line->ClearLog();
    bench.EditAndTick(ParamGroup::System, 17, 1);
    EXPECT_EQ(bench.Wire(), (Lines{"W 17 0134"}));
}

TEST(SimRead, PlainFxReadsTheSwitchWordWithoutEntry18) {
    SimBench bench("fx", 30);
    ASSERT_FALSE(EntryEnabled(bench.drive.map, ParamGroup::System, 18));
    bench.drive.amplifier->SetRam(0x17, 0x1234);
    ASSERT_TRUE(bench.reader.ReadSystemData());
    for (int index : {6, 11, 17}) EXPECT_EQ(bench.caches.SystemData[index], 0x1234) << index;
}

// Edits of two fields of one shared word, each on its own tick: the
// amplifier ends with both, and the next read shows both.
TEST(SimWrite, FxSiblingFieldEditsOnSeparateTicksKeepBothFields) {
    SimBench bench("fx", 30);
    const int word = std::stoi(EntryAddress(bench.drive.map, ParamGroup::Speed, 3), nullptr, 16);
    bench.drive.amplifier->SetRam(word, 0x1011);
    ASSERT_TRUE(bench.reader.ReadSpeedData());
    bench.EditAndTick(ParamGroup::Speed, 4, 0);
    bench.EditAndTick(ParamGroup::Speed, 17, 0);
    EXPECT_EQ(bench.Ram(word), 0x0010);
    ASSERT_TRUE(bench.reader.ReadSpeedData());
    const auto cell = [&](int index) {
        return ValueCellText(ParamGroup::Speed, index, bench.caches, bench.drive.state,
                             bench.drive.map);
    };
    EXPECT_EQ(cell(3), "1");
    EXPECT_EQ(cell(4), "0");
    EXPECT_EQ(cell(17), "0");
}

TEST(SimWrite, FxSpeedEntry17OfAWordWithBit15SetIsSent) {
    SimBench bench("fx", 30);
    bench.drive.amplifier->SetRam(0x18, 0x9011);
    ASSERT_TRUE(bench.reader.ReadSpeedData());
    bench.drive.line->ClearLog();
    bench.EditAndTick(ParamGroup::Speed, 17, 0);
    bench.EditAndTick(ParamGroup::Speed, 4, 2);
    EXPECT_EQ(bench.Wire(), (Lines{"W 18 0011", "W 18 0012"}));
    EXPECT_FALSE(bench.caches.WriteFailed(ParamGroup::Speed, 3));
}

// 33 * B / v fills all 16 bits for small v: the word written comes back as
// the value that was set, not as a negative one.
TEST(SimWrite, BxInverseEntriesReadBackWhatWasWritten) {
    for (const ParamGroup group : {ParamGroup::Speed, ParamGroup::Position}) {
        SimBench bench("bx");
        bench.drive.state.BxScaleB = 1000;
        bench.EditAndTick(group, 11, 1);
        EXPECT_EQ(bench.Eeprom(0x35), static_cast<std::int16_t>(33000));
        bench.caches.Store(group, 11, 0);
        ASSERT_TRUE(bench.reader.ReadGroup(group));
        EXPECT_EQ(bench.caches.Value(group, 11), 33000);
        EXPECT_EQ(ValueCellText(group, 11, bench.caches, bench.drive.state, bench.drive.map), "1");
    }
}

// v = 0.1 makes the "2D" follow-up 65536 / 0.75, more than a word: the whole
// edit is refused before anything reaches the amplifier.
TEST(SimWrite, BxPositionEntry8WithAFollowUpBeyondAWordIsRefusedWhole) {
    SimBench bench("bx");
    const std::int32_t before = bench.caches.PositionData[8];
    const EditOutcome outcome = bench.EditAndTick(ParamGroup::Position, 8, 0.1);
    EXPECT_FALSE(outcome.Queued);
    EXPECT_TRUE(bench.Wire().empty());
    EXPECT_EQ(bench.caches.PositionData[8], before);
    EXPECT_FALSE(bench.caches.WriteFailed(ParamGroup::Position, 8));
    // 0.4 gives 43690, a word: written.
    EXPECT_TRUE(bench.EditAndTick(ParamGroup::Position, 8, 0.4).Queued);
    EXPECT_EQ(bench.Operations(), (Lines{"EEP 0C 0001", "W 0C 0001", "W 2D AAAA"}));
}

// ---- Group reads ----

TEST(SimRead, BxPositionEntriesByTheirReadRules) {
    SimBench bench("bx");
    bench.drive.amplifier->SetRam(0x1C, 2);       // entry 3: high word
    bench.drive.amplifier->SetRam(0x1D, 0xFFFF);  // its low word, unsigned
    ASSERT_TRUE(bench.reader.ReadPositionData());
    EXPECT_EQ(bench.caches.PositionData[3], 85535);
    EXPECT_EQ(bench.caches.PositionData[4], 10000);   // one long at 3A
    EXPECT_EQ(bench.caches.PositionData[5], -10000);  // one long at 3C
    EXPECT_EQ(bench.Operations(), (Lines{"EEPREAD 0B", "EEPREAD 13", "EEPREAD 0F", "R 1C", "R 1D",
                                         "L 3A", "L 3C", "EEPREAD 3E", "EEPREAD 3F", "EEPREAD 0C",
                                         "EEPREAD 47", "EEPREAD 36", "EEPREAD 35"}));
}

// A mailbox that needs the second poll of 68 still delivers; the log shows
// the last reply as received, checksum included.
TEST(SimRead, BxEepromReadWaitsForTheSecondPollAndLogsTheReply) {
    SimBench bench("bx");
    bench.drive.amplifier->SetMailboxDelayMs(15);
    ASSERT_TRUE(bench.reader.ReadSystemData());
    const Lines wire = bench.Wire();
    ASSERT_GE(wire.size(), 5u);
    EXPECT_EQ((Lines(wire.begin(), wire.begin() + 5)),
              (Lines{"W 6B 000A", "W 68 0002", "R 68", "R 68", "R 6C"}));
    EXPECT_EQ(bench.caches.SystemData[0], 1);
    ASSERT_GE(bench.drive.panel.Memo1.size(), 2u);
    EXPECT_EQ(bench.drive.panel.Memo1[0], "Reading OK in 0  0A");
    EXPECT_EQ(bench.drive.panel.Memo1[1], "%0001E6  :  1  :  1");

    // Slower than both polls: the read fails and the window stays shut.
    bench.drive.amplifier->SetMailboxDelayMs(100);
    EXPECT_FALSE(bench.reader.ReadSystemData());
    EXPECT_TRUE(bench.drive.state.CommErrorLatched);
}

TEST(SimRead, DxPositionLowWordPlusTenThousandsFromTheCompanion) {
    SimBench bench("dx");
    bench.drive.amplifier->SetRam(0x4C, static_cast<std::uint16_t>(-5));
    bench.drive.amplifier->SetRam(0x4D, 3);
    ASSERT_TRUE(bench.reader.ReadPositionData());
    EXPECT_EQ(bench.caches.PositionData[1], 29995);
    EXPECT_EQ(bench.caches.PositionData[5], -50000);  // 0 + -5 x 10000
    const Lines wire = bench.Wire();
    ASSERT_GE(wire.size(), 3u);
    EXPECT_EQ((Lines{wire[0], wire[1], wire[2]}), (Lines{"R 4B", "R 4C", "R 4D"}));
}

TEST(SimRead, BxSpeedEntry6IsReadUnsigned) {
    SimBench bench("bx");
    bench.drive.amplifier->SetEeprom(0x14, 0xFFFF);
    bench.drive.amplifier->SetEeprom(0x2E, 0xFFFF);  // entry 0 stays signed
    ASSERT_TRUE(bench.reader.ReadSpeedData());
    EXPECT_EQ(bench.caches.SpeedData[6], 65535);
    EXPECT_EQ(bench.caches.SpeedData[0], -1);
}

TEST(SimRead, FxSystemEntry0FillsEveryCellOfItsWord) {
    SimBench bench("fx", 30);
    bench.drive.amplifier->SetRam(0x16, 0x1234);
    ASSERT_TRUE(bench.reader.ReadSystemData());
    EXPECT_EQ(bench.caches.SystemData[0], 0x1234);
    EXPECT_EQ(bench.caches.SystemData[2], 0x1234);
    EXPECT_EQ(bench.caches.PositionData[0], 0x1234);
}

// The amplifier stops answering at System entry 5 (address 14), the first
// entry after 3 since entry 4 does not exist on the FX group.
TEST(SimRead, FxFailureAtSystemEntry5KeepsTheWindowWithEntries0To3Refreshed) {
    SimBench bench("fx", 30);
    bench.caches.SystemData.fill(-7);
    bench.drive.amplifier->SetRam(0x16, 3);
    bench.drive.amplifier->SetRam(0x2C, 7);
    bench.drive.amplifier->SetRam(0x0C, 9);
    bench.drive.amplifier->SetObserver([&](const sim::ExchangeRecord& record) {
        if (record.request.rfind("R50C", 0) == 0)
            bench.drive.amplifier->InjectFault(sim::Fault::NoReply);
    });
    EXPECT_TRUE(bench.reader.ReadSystemData());
    EXPECT_EQ(bench.Wire(), (Lines{"R 16", "R 2C", "R 16", "R 0C", "R 14"}));
    EXPECT_EQ(bench.caches.SystemData[0], 3);
    EXPECT_EQ(bench.caches.SystemData[1], 7);
    EXPECT_EQ(bench.caches.SystemData[2], 3);
    EXPECT_EQ(bench.caches.SystemData[3], 9);
    for (int index = 5; index < 19; ++index) EXPECT_EQ(bench.caches.SystemData[index], -7) << index;
    EXPECT_FALSE(bench.drive.panel.ProgressPanel);
    EXPECT_TRUE(bench.drive.state.CommErrorLatched);

    // Latched: the next read makes no request and the window stays shut.
    bench.drive.line->ClearLog();
    EXPECT_FALSE(bench.reader.ReadSystemData());
    EXPECT_TRUE(bench.drive.line->Requests().empty());
}

}  // namespace
