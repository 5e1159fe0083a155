// The four group reads: per-family read rules, shared words, two-word values,
// failures, progress and log.
#include <gtest/gtest.h>

#include "ParamTestSupport.h"
#include "params/GroupRead.h"
#include "params/ParamRules.h"
#include "params/ParamWriter.h"

namespace {

struct Reads : ::testing::Test {
    RecordingPort port;
    DriveState state = StateFor(0);
    MainPanel panel;
    ParamCaches caches;
    AddressMap map = ParamMapFor(0);
    GroupReader reader{port, state,  panel,
                       map,  caches, [](int n) { return "msg" + std::to_string(n); }};
    std::vector<int> gauge;

    void UseFamily(int family, int fxVersion = 25, bool qrv = false) {
        state = StateFor(family, fxVersion);
        map = ParamMapFor(family, fxVersion, qrv);
    }
};

TEST_F(Reads, BxTwoWordAndUnsignedPositionEntries) {
    port.Ram["1C"] = 2;   // entry 3: high word
    port.Ram["1D"] = -1;  // its low word, unsigned
    port.Ram["3A"] = 123456;
    port.Eep["13"] = -2;  // entry 1, unsigned
    ASSERT_TRUE(reader.ReadPositionData());
    EXPECT_EQ(caches.PositionData[3], 85535);
    EXPECT_EQ(caches.PositionData[4], 123456);
    EXPECT_EQ(caches.PositionData[1], 65534);
    ASSERT_GE(port.Log.size(), 6u);
    EXPECT_EQ(port.Log[3], (Exchange{"ReadFromRAM", "1C", 0}));
    EXPECT_EQ(port.Log[4], (Exchange{"ReadFromRAM", "1D", 0}));
    EXPECT_EQ(port.Log[5], (Exchange{"ReadFromRAML", "3A", 0}));
    EXPECT_EQ(port.Log[0].Kind, "ReadFromEEP");
    // Log lines for the 11 one-request entries only.
    EXPECT_EQ(panel.Memo1.size(), 22u);
}

TEST_F(Reads, DxTwoWordValuesAndEditRoundTrip) {
    UseFamily(1);
    port.Ram["4C"] = -5;
    port.Ram["4D"] = 3;
    ASSERT_TRUE(reader.ReadPositionData());
    EXPECT_EQ(caches.PositionData[1], 29995);

    ParamWriter writer(port, state, caches, map);
    writer.LeaveEditor(ParamGroup::Position, 4, 123456);
    writer.WriteParamTimerTimer();
    caches.PositionData[4] = 0;
    ASSERT_TRUE(reader.ReadPositionData());
    EXPECT_EQ(caches.PositionData[4], 123456);
}

TEST_F(Reads, BxSpeedSixAndSevenAreUnsigned) {
    port.Eep["14"] = -1;
    port.Eep["2E"] = -1;
    ASSERT_TRUE(reader.ReadSpeedData());
    EXPECT_EQ(caches.SpeedData[6], 65535);
    EXPECT_EQ(caches.SpeedData[0], -1);
}

TEST_F(Reads, LogLinesAndProgress) {
    port.Eep["2E"] = -1;
    ASSERT_TRUE(reader.ReadSpeedData());
    ASSERT_GE(panel.Memo1.size(), 2u);
    EXPECT_EQ(panel.Memo1[0], "Reading OK in 0  2E");
    EXPECT_EQ(panel.Memo1[1], "%FFFF  :  -1  :  ffffffff");
    EXPECT_EQ(panel.ProgressMsg, "msg68");
    EXPECT_EQ(panel.RWGaugeProgress, 100);
    EXPECT_FALSE(panel.ProgressPanel);
}

TEST_F(Reads, FxSharedWordsAreStoredIntoEverySharingEntry) {
    UseFamily(2, 25);
    port.Ram["16"] = 0x1234;
    port.Ram["18"] = 0x1011;
    ASSERT_TRUE(reader.ReadSystemData());
    EXPECT_EQ(caches.SystemData[0], 0x1234);
    EXPECT_EQ(caches.SystemData[2], 0x1234);
    EXPECT_EQ(caches.PositionData[0], 0x1234);
    ASSERT_TRUE(reader.ReadSpeedData());
    EXPECT_EQ(caches.SpeedData[17], 0x1011);
    EXPECT_EQ(caches.SystemData[7], 0x1011);  // bits 8 to 11 of the same word
}

// Without entry 18 (plain FX, or before version 33) the word of entries 6, 11
// and 17 must still reach the cache, or their edits would merge into 0.
TEST_F(Reads, FxSwitchWordIsReadWithoutEntry18) {
    UseFamily(2, 31, false);
    port.Ram["17"] = 0x1234;
    ASSERT_TRUE(reader.ReadSystemData());
    for (int i : {6, 11, 17}) EXPECT_EQ(caches.SystemData[static_cast<std::size_t>(i)], 0x1234);
}

TEST_F(Reads, FxStopsAtAFailureAndStillOpens) {
    UseFamily(2);
    caches.SystemData[7] = 77;
    port.Ram["2C"] = 5;
    port.Failing.insert({"ReadFromRAM", "14"});  // entry 5
    EXPECT_TRUE(reader.ReadSystemData());
    EXPECT_EQ(caches.SystemData[1], 5);
    EXPECT_EQ(caches.SystemData[7], 77);
    EXPECT_EQ(port.Log.back().Address, "14");
    EXPECT_FALSE(panel.ProgressPanel);
}

TEST_F(Reads, BxAndDxFailuresKeepWhatWasRead) {
    port.Eep["0A"] = 3;
    caches.SystemData[1] = 9;
    port.Failing.insert({"ReadFromEEP", "21"});
    EXPECT_FALSE(reader.ReadSystemData());
    EXPECT_EQ(caches.SystemData[0], 3);
    EXPECT_EQ(caches.SystemData[1], 9);
    EXPECT_EQ(port.Log.size(), 2u);
    EXPECT_FALSE(panel.ProgressPanel);

    UseFamily(1);
    port.Log.clear();
    port.Failing = {{"ReadFromRAM", "4F"}};  // companion of DX Position entry 2
    EXPECT_FALSE(reader.ReadPositionData());
}

TEST_F(Reads, LatchedLinkReadsNothing) {
    state.CommErrorLatched = true;
    EXPECT_FALSE(reader.ReadTorqueData());
    EXPECT_TRUE(port.Log.empty());
    EXPECT_FALSE(panel.ProgressPanel);
    EXPECT_TRUE(panel.ProgressMsg.empty());
}

TEST_F(Reads, GroupWithoutEnabledEntriesIsReadWithoutRequests) {
    map = AddressMap{};
    bool panelShownDuringEvents = false;
    panel.ProcessEvents = [&] { panelShownDuringEvents = panel.ProgressPanel; };
    EXPECT_TRUE(reader.ReadPositionData());
    EXPECT_TRUE(panelShownDuringEvents);
    EXPECT_TRUE(port.Log.empty());
    EXPECT_EQ(panel.RWGaugeProgress, 100);
}

TEST_F(Reads, SuccessfulReadClearsTheFailedMark) {
    caches.SetWriteFailed(ParamGroup::Torque, 2, true);
    caches.SetWriteFailed(ParamGroup::Torque, 7, true);  // not enabled, not read
    ASSERT_TRUE(reader.ReadTorqueData());
    EXPECT_FALSE(caches.WriteFailed(ParamGroup::Torque, 2));
    EXPECT_TRUE(caches.WriteFailed(ParamGroup::Torque, 7));
}

// Cancel ends the read between two entries for every family, and no window
// opens: an FX group that stops at a failed read still opens, at Cancel it
// must not.
TEST_F(Reads, CancelStopsBetweenEntriesAndTheWindowDoesNotOpen) {
    constexpr std::size_t Entries = 3;
    for (const int family : {0, 2}) {
        SCOPED_TRACE(family);
        UseFamily(family);
        port.Log.clear();
        std::size_t asked = 0;
        reader.SetCancelled([&] { return ++asked > Entries; });
        EXPECT_FALSE(reader.ReadSystemData());
        EXPECT_TRUE(reader.Cancelled());
        EXPECT_EQ(port.Log.size(), Entries) << "no read after Cancel";
        EXPECT_FALSE(panel.ProgressPanel);
    }
    reader.SetCancelled([] { return false; });
    EXPECT_TRUE(reader.ReadSystemData());
    EXPECT_FALSE(reader.Cancelled()) << "a read that ran to the end was not cancelled";
}

}  // namespace
