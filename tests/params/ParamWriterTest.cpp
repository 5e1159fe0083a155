// Leaving an editor and the write timer: exchanges per write mode, the queue,
// the failed-write marks.
#include <gtest/gtest.h>

#include "ParamTestSupport.h"
#include "params/ParamRules.h"
#include "params/ParamWriter.h"

namespace {

using W = std::vector<Exchange>;

// A word as a read gives it: sign-extended.
int Word(int bits) {
    return static_cast<std::int16_t>(bits);
}

struct Writer : ::testing::Test {
    RecordingPort port;
    DriveState state = StateFor(0);
    ParamCaches caches;
    AddressMap map = ParamMapFor(0);
    ParamWriter writer{port, state, caches, map};

    void UseFamily(int family, int fxVersion = 25, bool qrv = false) {
        state = StateFor(family, fxVersion);
        map = ParamMapFor(family, fxVersion, qrv);
    }
    // Leaves one editor and lets the timer write it.
    W EditAndTick(ParamGroup group, int index, double value) {
        EXPECT_TRUE(writer.LeaveEditor(group, index, value).Queued);
        writer.WriteParamTimerTimer();
        return port.Writes();
    }
};

TEST_F(Writer, BxSpeedWritesThreeTimesThenTheFollowUp) {
    EXPECT_EQ(EditAndTick(ParamGroup::Speed, 5, 3000), (W{{"WriteToRAM", "16", 3000},
                                                          {"WriteToEEP", "16", 3000},
                                                          {"WriteToRAM", "16", 3000},
                                                          {"WriteToRAML", "DA", 286331}}));
    EXPECT_EQ(caches.SpeedData[5], 3000);
    EXPECT_FALSE(writer.WritePending());
}

// Another drive behind the port: what was queued for the old one never goes out.
TEST_F(Writer, DroppedWritesNeverReachTheLine) {
    EXPECT_TRUE(writer.LeaveEditor(ParamGroup::Speed, 5, 3000).Queued);
    EXPECT_TRUE(writer.LeaveEditor(ParamGroup::Speed, 6, 100).Queued);
    EXPECT_EQ(writer.DropPendingWrites(), 2);
    EXPECT_FALSE(writer.WritePending());
    writer.WriteParamTimerTimer();
    EXPECT_TRUE(port.Writes().empty());
}

TEST_F(Writer, BxFollowUpOfZeroAndOtherSpeedEntries) {
    EXPECT_EQ(EditAndTick(ParamGroup::Speed, 5, 0).back(), (Exchange{"WriteToRAML", "DA", 0}));
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::Speed, 7, 1000).back(),
              (Exchange{"WriteToRAML", "FA", 214748}));
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::Speed, 3, 1).size(), 3u);  // no follow-up
}

TEST_F(Writer, BxSystemHasNoFollowUp) {
    EXPECT_EQ(
        EditAndTick(ParamGroup::System, 5, 3000),
        (W{{"WriteToRAM", "1F", 16384}, {"WriteToEEP", "1F", 16384}, {"WriteToRAM", "1F", 16384}}));
}

TEST_F(Writer, BxTorqueFollowUpForEveryEntry) {
    EXPECT_EQ(EditAndTick(ParamGroup::Torque, 0, 100).back(),
              (Exchange{"WriteToRAML", "EE", 4294967}));
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::Torque, 3, 0), (W{{"WriteToRAM", "2E", 0},
                                                        {"WriteToEEP", "2E", 0},
                                                        {"WriteToRAM", "2E", 0},
                                                        {"WriteToRAML", "EE", 0}}));
}

TEST_F(Writer, BxPositionSkipsFirstRamWriteAndFollowsUpEntry8) {
    EXPECT_EQ(EditAndTick(ParamGroup::Position, 8, 10),
              (W{{"WriteToEEP", "0C", 25}, {"WriteToRAM", "0C", 25}, {"WriteToRAM", "2D", 2570}}));
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::Position, 1, 1),
              (W{{"WriteToEEP", "13", 0}, {"WriteToRAM", "13", 0}}));
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::Position, 7, 50).size(), 3u);
}

TEST_F(Writer, BxPositionTwoWordsGoToRamAndEeprom) {
    EXPECT_EQ(EditAndTick(ParamGroup::Position, 5, -100), (W{{"WriteToRAM", "3C", 0xFFFF},
                                                             {"WriteToEEP", "3C", 0xFFFF},
                                                             {"WriteToRAM", "3D", 0xFF9C},
                                                             {"WriteToEEP", "3D", 0xFF9C}}));
    EXPECT_EQ(caches.PositionData[5], -100);
}

TEST_F(Writer, DxWritesRamOnlyAndTwoWordsInDecimalHalves) {
    UseFamily(1);
    EXPECT_EQ(EditAndTick(ParamGroup::System, 3, 7), (W{{"WriteToRAM", "33", 7}}));
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::Position, 4, 123456),
              (W{{"WriteToRAM", "52", 3456}, {"WriteToRAM", "53", 12}}));
}

TEST_F(Writer, FxSharedSystemWordIsRefreshedInAllItsEntries) {
    UseFamily(2, 33, true);
    for (int i : {6, 11, 17, 18}) caches.SystemData[static_cast<std::size_t>(i)] = 0x1234;
    caches.SystemData[0] = 0x55;
    EXPECT_EQ(EditAndTick(ParamGroup::System, 17, 3), (W{{"WriteToRAM", "17", 0x1334}}));
    for (int i : {6, 11, 17, 18}) EXPECT_EQ(caches.SystemData[static_cast<std::size_t>(i)], 0x1334);
}

// Every copy of a shared word follows an edit of one of its fields, so a later
// edit of a sibling field merges into the word as last written.
TEST_F(Writer, FxSharedWordsFollowAnEditOfAnyOfTheirFields) {
    UseFamily(2, 30);
    for (auto* cell : {&caches.SystemData[0], &caches.SystemData[2], &caches.PositionData[0]})
        *cell = 0x0135;
    EXPECT_EQ(EditAndTick(ParamGroup::System, 0, 3), (W{{"WriteToRAM", "16", 0x0133}}));
    EXPECT_EQ(caches.SystemData[2], 0x0133);
    EXPECT_EQ(caches.PositionData[0], 0x0133);
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::Position, 0, 1), (W{{"WriteToRAM", "16", 0x0113}}));
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::System, 2, 0), (W{{"WriteToRAM", "16", 0x0013}}));
    for (auto cell : {caches.SystemData[0], caches.SystemData[2], caches.PositionData[0]})
        EXPECT_EQ(cell, 0x0013);

    for (int i : {3, 4, 17}) caches.SpeedData[static_cast<std::size_t>(i)] = 0x1011;
    port.Log.clear();
    EditAndTick(ParamGroup::Speed, 4, 0);
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::Speed, 17, 0), (W{{"WriteToRAM", "18", 0x0010}}));
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::Speed, 3, 0), (W{{"WriteToRAM", "18", 0x0000}}));
    for (int i : {3, 4, 17}) EXPECT_EQ(caches.SpeedData[static_cast<std::size_t>(i)], 0) << i;
}

// Entries at one address are one word whether or not they are bit fields:
// FX System 7 is the field at bits 8 to 11 of the speed-select word, BX
// System 6 and 11 are two bits of one word, FX Position 4 and 5 name one
// word, Speed 10 and Position 10 one setting.
TEST_F(Writer, EntriesAtOneAddressFollowEachOther) {
    UseFamily(2, 30);
    for (int i : {3, 4, 17}) caches.SpeedData[static_cast<std::size_t>(i)] = 0x1011;
    caches.SystemData[7] = 0x1011;
    EditAndTick(ParamGroup::System, 7, 1);
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::Speed, 4, 0), (W{{"WriteToRAM", "18", 0x1110}}));
    EXPECT_EQ(caches.SystemData[7], 0x1110);

    EditAndTick(ParamGroup::Position, 4, 100);
    EXPECT_EQ(caches.PositionData[5], 100);
    EditAndTick(ParamGroup::Speed, 10, 300);
    EXPECT_EQ(caches.PositionData[10], 300);

    UseFamily(0);
    caches.SystemData[6] = caches.SystemData[11] = 0;
    EditAndTick(ParamGroup::System, 6, 1);
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::System, 11, 1).front(), (Exchange{"WriteToRAM", "46", 3}));
    EXPECT_EQ(caches.SystemData[6], 3);
}

// Two sibling edits queued before one tick both reach the amplifier.
TEST_F(Writer, FxSiblingEditsQueuedTogetherKeepBothFields) {
    UseFamily(2, 30);
    for (int i : {3, 4, 17}) caches.SpeedData[static_cast<std::size_t>(i)] = 0x1011;
    writer.LeaveEditor(ParamGroup::Speed, 3, 0);
    writer.LeaveEditor(ParamGroup::Speed, 17, 0);
    writer.WriteParamTimerTimer();
    EXPECT_EQ(port.Writes().back(), (Exchange{"WriteToRAM", "18", 0x0001}));
}

TEST_F(Writer, QueueKeepsEveryEditInOrderWithTheLineHeld) {
    port.Watched = &state;
    EXPECT_TRUE(writer.LeaveEditor(ParamGroup::System, 3, 10).Queued);
    EXPECT_TRUE(writer.LeaveEditor(ParamGroup::Torque, 5, 0).Queued);
    ASSERT_EQ(writer.PendingWrite().size(), 2u);
    EXPECT_EQ(writer.PendingWrite()[0].Address, "0E");
    EXPECT_EQ(writer.PendingWrite()[1].Address, "30");
    EXPECT_TRUE(port.Log.empty());  // leaving an editor makes no exchange

    writer.WriteParamTimerTimer();
    const W writes = port.Writes();
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(writes[0], (Exchange{"WriteToRAM", "0E", 10}));
    EXPECT_EQ(writes[3], (Exchange{"WriteToRAM", "30", 0}));
    EXPECT_EQ(writes[6], (Exchange{"WriteToRAML", "EE", 0}));
    EXPECT_EQ(port.BusySeen, std::vector<bool>(7, true));
    EXPECT_FALSE(state.ParamWriteBusy);
    EXPECT_FALSE(writer.WritePending());
}

TEST_F(Writer, TimerStaysOffTheLineWhileBusy) {
    writer.LeaveEditor(ParamGroup::System, 3, 10);
    state.ParamWriteBusy = true;
    writer.WriteParamTimerTimer();
    EXPECT_TRUE(port.Log.empty());
    EXPECT_TRUE(writer.WritePending());
}

TEST_F(Writer, UnacknowledgedWriteIsMarkedUntilALaterWriteSucceeds) {
    port.Failing.insert({"WriteToEEP", "0E"});
    EditAndTick(ParamGroup::System, 3, 10);
    EXPECT_EQ(port.Writes().size(), 3u);  // the other exchanges are still made
    EXPECT_TRUE(caches.WriteFailed(ParamGroup::System, 3));
    EXPECT_EQ(caches.SystemData[3], 10);  // the cache keeps the edited value

    port.Failing.clear();
    EditAndTick(ParamGroup::System, 3, 11);
    EXPECT_FALSE(caches.WriteFailed(ParamGroup::System, 3));
}

TEST_F(Writer, FailedFollowUpCountsAsFailedWrite) {
    port.Failing.insert({"WriteToRAML", "DA"});
    EditAndTick(ParamGroup::Speed, 5, 3000);
    EXPECT_TRUE(caches.WriteFailed(ParamGroup::Speed, 5));
    EXPECT_FALSE(caches.WriteFailed(ParamGroup::Speed, 4));
}

// Whichever exchange of a two-word write fails, the first word's included,
// the entry is marked: a later exchange that succeeds must not hide it.
TEST_F(Writer, AnyFailedWordOfATwoWordWriteMarksTheEntry) {
    struct Case {
        int family;
        int index;
        const char* kind;
        const char* address;
    };
    const Case cases[] = {
        {1, 4, "WriteToRAM", "52"}, {1, 4, "WriteToRAM", "53"}, {0, 5, "WriteToRAM", "3C"},
        {0, 5, "WriteToEEP", "3C"}, {0, 3, "WriteToRAM", "1C"}, {0, 5, "WriteToEEP", "3D"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + c.address);
        UseFamily(c.family);
        port.Failing = {{c.kind, c.address}};
        port.Log.clear();
        EXPECT_EQ(EditAndTick(ParamGroup::Position, c.index, -1234).size(),
                  c.family == 1 ? 2u : 4u);
        EXPECT_TRUE(caches.WriteFailed(ParamGroup::Position, c.index));
    }
}

// An edit with one word that no primitive can send is refused before
// anything is stored or written, so no mark can half-tell the story.
TEST_F(Writer, EditWithAWordBeyond16BitsIsRefusedWhole) {
    caches.PositionData[8] = 25;
    const EditOutcome followUp = writer.LeaveEditor(ParamGroup::Position, 8, 0.1);
    EXPECT_FALSE(followUp.Queued);
    EXPECT_EQ(followUp.CellText, "10");
    EXPECT_EQ(caches.PositionData[8], 25);
    // 33 x B / v beyond a word.
    state.BxScaleB = 32767;
    EXPECT_FALSE(writer.LeaveEditor(ParamGroup::Speed, 11, 1).Queued);
    EXPECT_TRUE(writer.LeaveEditor(ParamGroup::Speed, 11, 17).Queued);  // 63606
    writer.WriteParamTimerTimer();
    EXPECT_EQ(port.Writes().front(), (Exchange{"WriteToRAM", "35", 63606}));
    EXPECT_FALSE(caches.WriteFailed(ParamGroup::Position, 8));
}

// Fields of a word with bit 15 set merge on its 16 bits: the cache keeps the
// word as a read gives it (sign-extended) and the write is one word.
TEST_F(Writer, FieldMergesStayInsideTheWord) {
    UseFamily(2, 33, true);
    const std::int32_t word = Word(0x9234);
    for (int i : {6, 11, 17, 18}) caches.SystemData[static_cast<std::size_t>(i)] = word;
    EXPECT_EQ(EditAndTick(ParamGroup::System, 11, 0), (W{{"WriteToRAM", "17", 0x0234}}));
    EXPECT_EQ(caches.SystemData[18], 0x0234);
    EXPECT_FALSE(caches.WriteFailed(ParamGroup::System, 11));
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::System, 11, 1), (W{{"WriteToRAM", "17", 0x1234}}));
    for (int i : {6, 11, 17, 18}) caches.SystemData[static_cast<std::size_t>(i)] = word;
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::System, 6, 1), (W{{"WriteToRAM", "17", Word(0x9231)}}));
    EXPECT_EQ(caches.SystemData[17], Word(0x9231));

    UseFamily(0);  // BX System entry 2, bits 8 and 0
    caches.SystemData[2] = Word(0x8101);
    port.Log.clear();
    EXPECT_EQ(EditAndTick(ParamGroup::System, 2, 2).front(),
              (Exchange{"WriteToRAM", "31", Word(0x8000)}));
}

TEST_F(Writer, PlaceholderEditorsWriteNothingUnlessTheValueIsDefined) {
    state.BxScaleB = 2;
    // Entry 11 with raw 0 shows the placeholder; left untouched, nothing is written.
    const EditOutcome untouched = writer.LeaveEditor(ParamGroup::Speed, 11, std::nullopt);
    EXPECT_FALSE(untouched.Queued);
    EXPECT_EQ(untouched.CellText, ValuePlaceholder);
    // A typed value is well defined and goes out.
    const EditOutcome typed = writer.LeaveEditor(ParamGroup::Speed, 11, 50);
    EXPECT_TRUE(typed.Queued);
    EXPECT_EQ(typed.CellText, "50");
    EXPECT_EQ(writer.PendingWrite().back().Raw, 1);

    // A scaling word of 0 makes every value 0: refused, cache untouched.
    state.BxScaleA = 0;
    caches.SpeedData[10] = 1500;
    const EditOutcome refused = writer.LeaveEditor(ParamGroup::Speed, 10, 50);
    EXPECT_FALSE(refused.Queued);
    EXPECT_EQ(refused.CellText, ValuePlaceholder);
    EXPECT_EQ(caches.SpeedData[10], 1500);
    EXPECT_EQ(writer.PendingWrite().size(), 1u);
}

TEST_F(Writer, EditedCellShowsTheValueInTheEntrysFormat) {
    EXPECT_EQ(writer.LeaveEditor(ParamGroup::System, 10, 12.5).CellText, "12.5");
    EXPECT_EQ(writer.LeaveEditor(ParamGroup::Speed, 14, 0.5).CellText, "0.500");
    // Disabled entries are never written.
    const EditOutcome disabled = writer.LeaveEditor(ParamGroup::System, 13, 1);
    EXPECT_FALSE(disabled.Queued);
    EXPECT_EQ(disabled.CellText, "");
}

}  // namespace
