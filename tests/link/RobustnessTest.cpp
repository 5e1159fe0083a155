// Robustness campaign: tens of thousands of exchanges with replies corrupted at
// random. Nothing may crash, no reply of a wrong length or sum may be
// accepted, and every wrong value must come from a corruption that can keep
// the sum, about as often as reckoned.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "tests/link/RobustnessCampaign.h"

namespace {

TEST(RobustnessTest, RandomCorruptionNeverYieldsAnUncheckedValue) {
    constexpr long kExchanges = 20000;
    robustness::Campaign campaign(20240611u, 0.2);
    campaign.Run(kExchanges);
    const robustness::Tally& tally = campaign.Result();
    tally.Print(stdout);

    EXPECT_EQ(tally.exchanges, kExchanges);
    // The corruption must really have happened, in every kind.
    EXPECT_GT(tally.corruptions.Total(), kExchanges / 10);
    EXPECT_GT(tally.corruptions.bitFlips, 0);
    EXPECT_GT(tally.corruptions.truncations, 0);
    EXPECT_GT(tally.corruptions.insertions, 0);
    EXPECT_GT(tally.corruptions.joined, 0);
    EXPECT_GT(tally.corruptions.stale, 0);
    EXPECT_GT(tally.failed, 0);
    EXPECT_GT(tally.accepted, tally.failed);

    EXPECT_EQ(tally.badReplyAccepted, 0);
    EXPECT_EQ(tally.unexplainedWrong, 0);
    // Every stale whole reply with another value is taken: no checksum can tell.
    EXPECT_EQ(tally.staleWrong, tally.staleWrongExpected);
    // Chance fits are rare; allow for the spread of a small count.
    const double expected = tally.chanceWrongExpected;
    EXPECT_LE(tally.chanceWrong, expected + 4 * std::sqrt(expected) + 3);
}

}  // namespace

namespace {

// Replies that come after the time-out, among random corruption, on single,
// back-to-back group, mailbox and identification reads: a late reply is never
// taken for the answer to the request after it.
// 1.2 s is just past the time-out; 1.6 s comes after a guard of only 300 ms
// of quiet since the failure.
TEST(RobustnessTest, LateRepliesAreNeverTakenForTheNextAnswer) {
    constexpr long kExchanges = 4000;
    for (const int lateDelayMs : {1200, 1600}) {
        robustness::Campaign campaign(20261208u, 0.1, 0.05, lateDelayMs);
        campaign.Run(kExchanges);
        const robustness::Tally& tally = campaign.Result();
        std::printf("replies %d ms late:\n", lateDelayMs);
        tally.Print(stdout);

        EXPECT_GT(tally.lateInjected, kExchanges / 40);
        EXPECT_GT(tally.identAccepted, 0);
        EXPECT_LT(tally.identAccepted, tally.identPasses);
        EXPECT_EQ(tally.badReplyAccepted, 0);
        EXPECT_EQ(tally.unexplainedWrong, 0) << lateDelayMs << " ms late";
        EXPECT_EQ(tally.staleWrong, tally.staleWrongExpected);
    }
}

}  // namespace
