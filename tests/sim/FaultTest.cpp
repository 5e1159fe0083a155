#include <gtest/gtest.h>

#include "SimTestSupport.h"

using simtest::ReadWord;
using simtest::WordOf;
using simtest::WriteWord;

namespace {

const char kGood[] = "%0000E5";  // reply to R568F5 on an idle amplifier

class Faults : public ::testing::Test {
protected:
    std::string Ask() { return rig.amplifier.Exchange("R568F5"); }
    sim::SimRig rig{"bx"};
};

TEST_F(Faults, NoReplyOnceOrNTimes) {
    rig.amplifier.InjectFault(sim::Fault::NoReply, 2);
    EXPECT_EQ(Ask(), "");
    EXPECT_EQ(Ask(), "");
    EXPECT_EQ(Ask(), kGood);
}

TEST_F(Faults, EachSpoilsOneReplyTheWayItSays) {
    rig.amplifier.InjectFault(sim::Fault::WrongChecksum);
    const std::string wrongSum = Ask();
    EXPECT_EQ(wrongSum.substr(0, 5), "%0000");
    EXPECT_NE(wrongSum, kGood);
    EXPECT_EQ(wrongSum.size(), 7u);

    rig.amplifier.InjectFault(sim::Fault::ForeignChar);
    const std::string foreign = Ask();
    EXPECT_NE(foreign.find('x'), std::string::npos);

    rig.amplifier.InjectFault(sim::Fault::ErrorReply);
    const std::string error = Ask();
    EXPECT_EQ(error.front(), '!');
    EXPECT_EQ(error.back(), '\r');

    rig.amplifier.InjectFault(sim::Fault::Truncated);
    EXPECT_EQ(Ask(), "%0000");
    EXPECT_EQ(Ask(), kGood);
}

TEST(FaultsOnTheCpuWord, WrongChecksumSpoilsTheSumAndKeepsTheCr) {
    sim::SimRig rig{"fx"};
    const std::string good = rig.amplifier.Exchange(ReadWord(0xC3));
    ASSERT_EQ(good.size(), 8u);
    rig.amplifier.InjectFault(sim::Fault::WrongChecksum);
    const std::string spoiled = rig.amplifier.Exchange(ReadWord(0xC3));
    ASSERT_EQ(spoiled.size(), 8u);
    EXPECT_EQ(spoiled.back(), '\r');
    EXPECT_EQ(spoiled.substr(0, 6), good.substr(0, 6));
    // A reader that takes the 7 characters before the CR must see a bad sum.
    EXPECT_EQ(WordOf(spoiled.substr(0, 7)), -100000);
}

TEST_F(Faults, ChecksumAndTruncationWaitForADataReply) {
    rig.amplifier.InjectFault(sim::Fault::Truncated);
    EXPECT_EQ(rig.amplifier.Exchange(WriteWord(0x76, 0)), "%");
    EXPECT_EQ(Ask(), "%0000");
}

TEST_F(Faults, LateReplyComesAfterTheTimeOut) {
    rig.amplifier.InjectFault(sim::Fault::Late);
    EXPECT_EQ(Ask(), "");
    ASSERT_TRUE(rig.amplifier.NextReplyDueMs().has_value());
    EXPECT_GT(*rig.amplifier.NextReplyDueMs(), rig.clock.NowMs() + 1000);
    rig.clock.Advance(1300);
    EXPECT_EQ(rig.amplifier.TakeReply(), kGood);
}

TEST_F(Faults, PulledCableLosesRequestsUntilPluggedBack) {
    rig.amplifier.SetCablePulled(true);
    EXPECT_EQ(Ask(), "");
    rig.amplifier.Receive("R56");
    rig.amplifier.SetCablePulled(false);
    rig.amplifier.Receive("8F5");  // the first half was lost: not a request
    EXPECT_EQ(rig.amplifier.TakeReply(), "");
    EXPECT_EQ(Ask(), kGood);
}

TEST_F(Faults, RandomCorruptionIsSeededAndCounted) {
    auto campaign = [](std::uint32_t seed) {
        sim::SimRig bench("fx");
        bench.amplifier.StartRandomCorruption(seed, 0.5);
        std::string all;
        for (int i = 0; i < 400; ++i) all += bench.amplifier.Exchange(ReadWord(0x8B)) + "|";
        return std::make_pair(all, bench.amplifier.Corruptions());
    };
    const auto [first, counts] = campaign(7);
    EXPECT_EQ(first, campaign(7).first);
    EXPECT_NE(first, campaign(8).first);
    EXPECT_EQ(counts.replies, 400);
    EXPECT_GT(counts.Total(), 150);
    EXPECT_LT(counts.Total(), 250);
    for (long kind :
         {counts.bitFlips, counts.truncations, counts.insertions, counts.joined, counts.stale}) {
        EXPECT_GT(kind, 10);
    }
}

TEST_F(Faults, ObserverSeesEveryExchangeWithItsFault) {
    std::vector<sim::ExchangeRecord> records;
    rig.amplifier.SetObserver([&](const sim::ExchangeRecord& r) { records.push_back(r); });
    rig.amplifier.InjectFault(sim::Fault::NoReply);
    rig.clock.Advance(42);
    rig.amplifier.Exchange("zzR568F5");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].request, "zz");
    EXPECT_EQ(records[1].request, "R568F5");
    EXPECT_EQ(records[1].reply, "");
    EXPECT_EQ(records[1].fault, "noreply");
    EXPECT_EQ(records[1].ms, 42u);
    EXPECT_EQ(WordOf(rig.amplifier.Exchange("R568F5")), 0);
}

TEST(FaultNames, RoundTrip) {
    for (const char* name : {"noreply", "checksum", "foreign", "error", "truncated", "late"}) {
        const auto fault = sim::FaultFromName(name);
        ASSERT_TRUE(fault.has_value()) << name;
        EXPECT_STREQ(sim::FaultName(*fault), name);
    }
    EXPECT_FALSE(sim::FaultFromName("bogus").has_value());
}

}  // namespace
