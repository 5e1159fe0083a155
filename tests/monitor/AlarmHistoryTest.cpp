// The alarm history end to end against the simulated amplifier: the walks from
// the pointer, pointers out of range, DX byte splitting, failed slots, the
// texts of codes, and clearing on each family with the words it leaves.
#include <gtest/gtest.h>

#include <array>

#include "monitor/AlarmHistory.h"
#include "tests/monitor/MonitorTestSupport.h"

namespace {

using Codes = std::array<int, AlarmSlotCount>;
using Lines = std::vector<std::string>;

struct AlarmBench : MonitorBench {
    explicit AlarmBench(const std::string& family, int fxVersion = 0)
        : MonitorBench(family, fxVersion) {
        drive.state.AlarmFormOpen = true;
    }
    // History entry e holds code e + 1, so a slot tells which entry it shows.
    void FillHistory(int pointer) {
        for (int e = 0; e < 10; ++e) {
            if (drive.state.AmpFamily == 0) {
                drive.amplifier->SetEeprom(e, static_cast<std::uint16_t>(e + 1));
            } else {
                SetWord(e, static_cast<std::uint16_t>(e + 1));
            }
        }
        if (drive.state.AmpFamily == 0) {
            drive.amplifier->SetEeprom(0x70, static_cast<std::uint16_t>(pointer));
        } else {
            SetWord(0x0A, static_cast<std::uint16_t>(pointer));
        }
        drive.line->ClearLog();
    }
    LongOperation operation;
    AlarmHistory history{*drive.link, drive.state,     drive.map,
                         drive.panel, drive.catalogue, operation};
};

struct WalkCase {
    const char* family;
    int pointer;
    Codes codes;  // entry + 1 of the entry each slot shows
};

const WalkCase WalkCases[] = {
    {"bx", 0, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}},
    {"bx", 3, {3, 2, 1, 10, 9, 8, 7, 6, 5, 4}},
    {"fx", 3, {4, 3, 2, 1, 10, 9, 8, 7, 6, 5}},
    {"fx", 0, {1, 10, 9, 8, 7, 6, 5, 4, 3, 2}},
    // Out of range: above 9 wraps round the ring, negative starts at entry 9.
    {"bx", 15, {5, 4, 3, 2, 1, 10, 9, 8, 7, 6}},
    {"bx", 0xFFFF, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}},
    {"fx", 10, {1, 10, 9, 8, 7, 6, 5, 4, 3, 2}},
    {"fx", 0x7FFF, {8, 7, 6, 5, 4, 3, 2, 1, 10, 9}},
    {"fx", 0xFFF9, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}},
};

TEST(AlarmRead, BxAndFxWalkTheRingBackwardsFromThePointer) {
    for (const WalkCase& c : WalkCases) {
        AlarmBench bench(c.family);
        bench.FillHistory(c.pointer);
        EXPECT_TRUE(bench.history.ReadAlarmCode());
        EXPECT_EQ(bench.history.AlarmCodes, c.codes) << c.family << " pointer " << c.pointer;
        EXPECT_EQ(bench.history.AlarmPointer, static_cast<std::int16_t>(c.pointer));
        // Every read stays inside the history words.
        for (const std::string& line : bench.Operations()) {
            EXPECT_TRUE(line == "EEPREAD 70" || line == "R 0A" ||
                        line.substr(line.size() - 2) < "0A")
                << line;
        }
    }
}

TEST(AlarmRead, BxReadsThePointerAndTenEntriesThroughTheMailbox) {
    AlarmBench bench("bx");
    bench.FillHistory(3);
    bench.history.ReadAlarmCode();
    EXPECT_EQ(bench.Operations(), (Lines{"EEPREAD 70", "EEPREAD 02", "EEPREAD 01", "EEPREAD 00",
                                         "EEPREAD 09", "EEPREAD 08", "EEPREAD 07", "EEPREAD 06",
                                         "EEPREAD 05", "EEPREAD 04", "EEPREAD 03"}));
}

TEST(AlarmRead, DxSplitsFiveWordsIntoTwoCodesEachLowByteFirst) {
    AlarmBench bench("dx");
    bench.SetWord(0x80, 0x1203);
    bench.SetWord(0x81, 0x0005);
    bench.SetWord(0x84, 0xFF00);
    bench.drive.line->ClearLog();
    EXPECT_TRUE(bench.history.ReadAlarmCode());
    EXPECT_EQ(bench.Wire(), (Lines{"R 80", "R 81", "R 82", "R 83", "R 84"}));
    EXPECT_EQ(bench.history.AlarmCodes, (Codes{3, 18, 5, 0, 0, 0, 0, 0, 0, 255}));
    EXPECT_EQ(bench.history.AlarmPointer, 1);
}

TEST(AlarmRead, AFailedSlotShowsDashesNotANormalCode) {
    AlarmBench bench("fx", 31);
    bench.FillHistory(3);
    // The read of entry 1 (the third slot) gets no reply.
    bench.drive.amplifier->SetObserver([&](const sim::ExchangeRecord& record) {
        if (DecodeRequest(record.request) == "R 02")
            bench.drive.amplifier->InjectFault(sim::Fault::NoReply, 1);
    });
    EXPECT_FALSE(bench.history.ReadAlarmCode());
    EXPECT_FALSE(bench.history.SlotRead[2]);
    EXPECT_EQ(AlarmCodeText(bench.history.AlarmCodes[2], bench.history.SlotRead[2]), "----");
    EXPECT_TRUE(bench.history.SlotRead[3]);
    EXPECT_EQ(AlarmCodeText(bench.history.AlarmCodes[3], bench.history.SlotRead[3]), "0001");
}

TEST(AlarmRead, WithTheLinkDownTheHistoryDoesNotLookClean) {
    AlarmBench bench("bx");
    bench.FillHistory(3);
    bench.history.AlarmPointer = 4;
    bench.drive.amplifier->SetCablePulled(true);
    EXPECT_FALSE(bench.history.ReadAlarmCode());
    EXPECT_EQ(bench.history.AlarmPointer, 4);  // the old pointer stays
    for (int slot = 0; slot < AlarmSlotCount; ++slot) {
        EXPECT_EQ(AlarmCodeText(bench.history.AlarmCodes[slot], bench.history.SlotRead[slot]),
                  "----");
    }
    EXPECT_FALSE(bench.drive.panel.ProgressPanel);
}

// The link comes back just after the pointer read failed: a walk from the
// stale pointer would put the newest alarm last, so nothing is shown as read.
TEST(AlarmRead, AFailedPointerReadLeavesEverySlotUnknown) {
    for (const char* family : {"bx", "fx"}) {
        AlarmBench bench(family, 31);
        bench.FillHistory(3);
        bench.history.AlarmPointer = 7;
        bench.drive.amplifier->InjectFault(sim::Fault::NoReply, 1);
        EXPECT_FALSE(bench.history.ReadAlarmCode()) << family;
        EXPECT_FALSE(bench.history.HistoryRead) << family;
        for (int slot = 0; slot < AlarmSlotCount; ++slot) {
            EXPECT_FALSE(bench.history.SlotRead[slot]) << family << " slot " << slot;
        }
        bench.history.ReadAlarmCode();
        EXPECT_TRUE(bench.history.HistoryRead) << family;
        EXPECT_EQ(bench.history.AlarmCodes[0], 4 - (family[0] == 'b')) << family;
    }
}

TEST(AlarmRead, HoldsTheLongOperationGuardWhileEventsRun) {
    AlarmBench bench("fx", 31);
    int runs = 0;
    bench.drive.panel.ProcessEvents = [&] {
        ++runs;
        EXPECT_TRUE(bench.operation.Running());
        EXPECT_TRUE(bench.drive.panel.ProgressPanel);
        EXPECT_EQ(bench.drive.panel.ProgressMsg, bench.drive.Msg(68));
    };
    bench.history.ReadAlarmCode();
    EXPECT_EQ(runs, 1);
    bench.history.ResetAlarmCode();  // the FX clear reads back once
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(bench.operation.Running());
}

TEST(AlarmText, CodesWithoutATextOfTheirOwnShowTheNeutralText) {
    const struct {
        int family, code, message;
    } cases[] = {
        {2, 6, 164},  {2, 5, 156},  {2, 2, 150},  {2, 15, 146},  {0, 6, 157},  {1, 18, 169},
        {0, 19, 170}, {0, 20, 120}, {2, 20, 120}, {1, 255, 120}, {0, -1, 120}, {2, -1, 120},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AlarmMessage(c.family, c.code), c.message) << c.family << " " << c.code;
    }
    EXPECT_EQ(AlarmCodeText(-1, true), "FFFF");
}

TEST(AlarmClear, BxZeroesPointerAndTenEntriesWithoutReadingAgain) {
    AlarmBench bench("bx");
    bench.FillHistory(3);
    bench.history.ReadAlarmCode();
    bench.drive.line->ClearLog();
    EXPECT_TRUE(bench.history.ResetAlarmCode());
    EXPECT_EQ(bench.Operations(), (Lines{"EEP 70 0000", "EEP 09 0000", "EEP 08 0000", "EEP 07 0000",
                                         "EEP 06 0000", "EEP 05 0000", "EEP 04 0000", "EEP 03 0000",
                                         "EEP 02 0000", "EEP 01 0000", "EEP 00 0000"}));
    EXPECT_EQ(bench.history.AlarmCodes, Codes{});
    for (bool read : bench.history.SlotRead) EXPECT_TRUE(read);
    for (int e = 0; e < 10; ++e) EXPECT_EQ(bench.drive.amplifier->Eeprom(e), 0) << e;
    EXPECT_EQ(bench.drive.amplifier->Eeprom(0x70), 0);
    EXPECT_EQ(bench.drive.panel.RWGaugeProgress, 100);
}

TEST(AlarmClear, DxZeroesFiveWordsThenReadsWord30) {
    AlarmBench bench("dx");
    bench.SetWord(0x80, 0x1203);
    bench.SetWord(0x83, 0x0707);
    bench.history.ReadAlarmCode();
    bench.drive.line->ClearLog();
    EXPECT_TRUE(bench.history.ResetAlarmCode());
    EXPECT_EQ(bench.Wire(),
              (Lines{"W 80 0000", "W 81 0000", "W 82 0000", "W 83 0000", "W 84 0000", "R 30"}));
    EXPECT_EQ(bench.drive.amplifier->Ram(0x80), 0);
    EXPECT_EQ(bench.drive.amplifier->Ram(0x83), 0);
    EXPECT_EQ(bench.history.AlarmCodes, Codes{});
}

TEST(AlarmClear, FxSendsTheCommandAndShowsWhatTheAmplifierReportsAfterIt) {
    AlarmBench bench("fx", 31);
    bench.drive.amplifier->RaiseAlarm(5);
    bench.drive.amplifier->RaiseAlarm(0);
    bench.history.ReadAlarmCode();
    ASSERT_NE(bench.history.AlarmCodes, Codes{});
    bench.drive.line->ClearLog();
    EXPECT_TRUE(bench.history.ResetAlarmCode());
    const Lines wire = bench.Wire();
    ASSERT_EQ(wire.size(), 12u);
    EXPECT_EQ(wire[0], "W C1 0001");
    EXPECT_EQ(wire[1], "R 0A");
    EXPECT_EQ(bench.history.AlarmPointer, 0);
    EXPECT_EQ(bench.history.AlarmCodes, Codes{});
}

TEST(AlarmTimer, ClearsOnlyWhenAskedOpenAndNotLatched) {
    AlarmBench bench("dx");
    bench.history.AlarmTimerTimer();
    EXPECT_TRUE(bench.Wire().empty());

    bench.history.AlarmResetRequest = true;
    bench.drive.state.CommErrorLatched = true;
    bench.history.AlarmTimerTimer();
    EXPECT_TRUE(bench.Wire().empty());
    EXPECT_TRUE(bench.history.AlarmResetRequest);  // waits for the latch to clear

    bench.drive.state.CommErrorLatched = false;
    bench.history.AlarmTimerTimer();
    EXPECT_FALSE(bench.history.AlarmResetRequest);
    EXPECT_TRUE(bench.history.AlarmDataReady);
    ASSERT_FALSE(bench.Wire().empty());
    EXPECT_EQ(bench.Wire().front(), "W 80 0000");
    EXPECT_FALSE(bench.drive.state.AlarmBusy);

    bench.drive.line->ClearLog();
    bench.history.AlarmResetRequest = true;
    bench.drive.state.AlarmFormOpen = false;
    bench.history.AlarmTimerTimer();
    EXPECT_TRUE(bench.Wire().empty());
}

}  // namespace
