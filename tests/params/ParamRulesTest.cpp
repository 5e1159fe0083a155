// Display and write conversions of the four groups per family.
#include <gtest/gtest.h>

#include <cmath>

#include "ParamTestSupport.h"
#include "params/ParamRules.h"

namespace {

using Family::Bx;
using Family::Dx;
using Family::Fx;

struct Rules : ::testing::Test {
    ParamCaches caches;
    DriveState state = StateFor(Bx);

    void UseFamily(int family, int fxVersion = 25) { state = StateFor(family, fxVersion); }
    std::string Show(ParamGroup group, int index, int raw) {
        return ShowText(group, index, raw, state);
    }
    RawWrite Edit(ParamGroup group, int index, double v) {
        return ConvertEdit(group, index, v, caches, state);
    }
};

TEST_F(Rules, BxSpeedScalingRoundsOnShowAndTruncatesOnWrite) {
    EXPECT_EQ(Show(ParamGroup::Speed, 0, 16384), "3000");
    EXPECT_EQ(Edit(ParamGroup::Speed, 0, 3000).Raw, 16383);
    EXPECT_EQ(Edit(ParamGroup::Speed, 0, 3000).WriteMode, 0x24);
    // Truncation goes toward zero for negative values too.
    EXPECT_EQ(Edit(ParamGroup::Speed, 0, -3000).Raw, -16383);

    EXPECT_EQ(Show(ParamGroup::Speed, 14, 2154), "0.999");
    EXPECT_EQ(Edit(ParamGroup::Speed, 14, 0.999).Raw, 2151);
    EXPECT_EQ(Edit(ParamGroup::Speed, 15, 1).WriteMode, 0x08);
}

TEST_F(Rules, BxScalingWordsEnterTheConversion) {
    state.BxScaleA = 3000;
    EXPECT_EQ(Show(ParamGroup::Speed, 10, 1500), "50");
    EXPECT_EQ(Edit(ParamGroup::Speed, 10, 50).Raw, 1500);

    state.BxScaleB = 2;
    EXPECT_EQ(Show(ParamGroup::Speed, 11, 66), "1");
    EXPECT_EQ(Edit(ParamGroup::Speed, 11, 1).Raw, 66);

    state.BxScaleC = 1000;
    EXPECT_EQ(Show(ParamGroup::Position, 6, 4096), "1000");
    EXPECT_EQ(Edit(ParamGroup::Position, 6, 1000).Raw, 4096);
}

TEST_F(Rules, DivisionByZeroShowsPlaceholderAndRefusesMeaninglessWrites) {
    // A raw value of 0 under 33 / raw.
    EXPECT_EQ(Show(ParamGroup::Speed, 11, 0), ValuePlaceholder);
    EXPECT_EQ(Show(ParamGroup::Position, 11, 0), ValuePlaceholder);
    // A value typed into such an entry is still well defined.
    state.BxScaleB = 2;
    EXPECT_TRUE(Edit(ParamGroup::Speed, 11, 50).Valid);
    EXPECT_EQ(Edit(ParamGroup::Speed, 11, 50).Raw, 1);
    EXPECT_FALSE(Edit(ParamGroup::Speed, 11, 0).Valid);

    // Scaling words of 0: nothing to show, and every value would become 0.
    state.BxScaleA = 0;
    state.BxScaleB = 0;
    state.BxScaleC = 0;
    EXPECT_EQ(Show(ParamGroup::Speed, 10, 1500), ValuePlaceholder);
    EXPECT_EQ(Show(ParamGroup::Position, 10, 0), ValuePlaceholder);
    EXPECT_EQ(Show(ParamGroup::Position, 6, 4096), ValuePlaceholder);
    EXPECT_FALSE(Edit(ParamGroup::Speed, 10, 50).Valid);
    EXPECT_FALSE(Edit(ParamGroup::Position, 10, 50).Valid);
    EXPECT_FALSE(Edit(ParamGroup::Position, 6, 100).Valid);
    EXPECT_FALSE(Edit(ParamGroup::Position, 11, 100).Valid);
}

TEST_F(Rules, BxSystemEntries) {
    EXPECT_EQ(Show(ParamGroup::System, 1, 15), "2");
    EXPECT_EQ(Edit(ParamGroup::System, 1, 2).Raw, 20);
    EXPECT_EQ(Edit(ParamGroup::System, 1, -12.34).Raw, -123);
    EXPECT_EQ(Show(ParamGroup::System, 10, 1234), "12.3");
    EXPECT_EQ(Edit(ParamGroup::System, 10, 12.5).Raw, 1250);
    EXPECT_EQ(Show(ParamGroup::System, 5, 16384), "3000");
    EXPECT_EQ(Edit(ParamGroup::System, 5, 3000).Raw, 16384);
    EXPECT_EQ(Edit(ParamGroup::System, 5, 3000).WriteMode, 0x14);
}

TEST_F(Rules, BxSystemCodeAndBitsMergeIntoTheCachedWord) {
    caches.SystemData[2] = 0x7101;
    EXPECT_EQ(Show(ParamGroup::System, 2, 0x0101), "1");
    EXPECT_EQ(Show(ParamGroup::System, 2, 0x0001), "0");
    EXPECT_EQ(Show(ParamGroup::System, 2, 0x0000), "2");
    EXPECT_EQ(Show(ParamGroup::System, 2, 0x0100), "3");
    EXPECT_EQ(Edit(ParamGroup::System, 2, 2).Raw, 0x7000);
    EXPECT_EQ(Edit(ParamGroup::System, 2, 0).Raw, 0x7001);
    EXPECT_EQ(Edit(ParamGroup::System, 2, 3).Raw, 0x7100);
    EXPECT_EQ(Edit(ParamGroup::System, 2, 5).Raw, 0x7101);  // no such code: word unchanged

    caches.SystemData[6] = 0x00F0;
    EXPECT_EQ(Show(ParamGroup::System, 6, 0x00F2), "1");
    EXPECT_EQ(Edit(ParamGroup::System, 6, 1).Raw, 0x00F2);
    caches.SystemData[11] = 0x00F1;
    EXPECT_EQ(Edit(ParamGroup::System, 11, 0).Raw, 0x00F0);
}

TEST_F(Rules, FxSharedSystemWordShowsItsFieldsAndMerges) {
    UseFamily(Fx, 33);
    for (int i : {6, 11, 17, 18}) caches.SystemData[static_cast<std::size_t>(i)] = 0x1234;
    EXPECT_EQ(Show(ParamGroup::System, 6, 0x1234), "0");
    EXPECT_EQ(Show(ParamGroup::System, 11, 0x1234), "1");
    EXPECT_EQ(Show(ParamGroup::System, 17, 0x1234), "2");
    EXPECT_EQ(Show(ParamGroup::System, 18, 0x1234), "3");
    EXPECT_EQ(Edit(ParamGroup::System, 17, 3).Raw, 0x1334);
    EXPECT_EQ(Edit(ParamGroup::System, 17, 3).WriteMode, 0x08);

    caches.SystemData[7] = 0x0001;
    EXPECT_EQ(Edit(ParamGroup::System, 7, 1).Raw, 0x0101);
    // A field value wider than its field cannot spill into the neighbours.
    EXPECT_EQ(Edit(ParamGroup::System, 18, 0x1F).Raw, 0x12F4);
}

TEST_F(Rules, FxSpeedFieldsOfTheSharedWord) {
    UseFamily(Fx, 30);
    caches.SpeedData[4] = 0x1011;
    EXPECT_EQ(Show(ParamGroup::Speed, 3, 0x1011), "1");
    EXPECT_EQ(Show(ParamGroup::Speed, 17, 0x1011), "1");
    EXPECT_EQ(Edit(ParamGroup::Speed, 4, 0).Raw, 0x1010);
    // The mode entry shows the four bits the write fills.
    EXPECT_EQ(Show(ParamGroup::Speed, 4, 0x1013), "3");
    EXPECT_EQ(Edit(ParamGroup::Speed, 4, 4).Raw, 0x1014);
}

TEST_F(Rules, DxShowsRawValuesExceptScaledOnes) {
    UseFamily(Dx);
    EXPECT_EQ(Show(ParamGroup::System, 5, 1234), "1234");
    EXPECT_EQ(Edit(ParamGroup::System, 5, 1234).Raw, 1234);
    EXPECT_EQ(Edit(ParamGroup::System, 5, 1234).WriteMode, 0x08);
    EXPECT_EQ(Show(ParamGroup::Speed, 14, -9999), "-9.999");
    EXPECT_EQ(Show(ParamGroup::System, 10, 123), "12.3");
}

TEST_F(Rules, TorqueConversions) {
    EXPECT_EQ(Show(ParamGroup::Torque, 1, 1000), "128");
    EXPECT_EQ(Edit(ParamGroup::Torque, 1, 128).Raw, 998);
    EXPECT_EQ(Show(ParamGroup::Torque, 2, 2154), "1.000");
    EXPECT_EQ(Edit(ParamGroup::Torque, 0, 100).WriteMode, 0x44);
    UseFamily(Fx);
    EXPECT_EQ(Show(ParamGroup::Torque, 2, -734), "-734");
    EXPECT_EQ(EntryLimits(ParamGroup::Torque, 2, state).Min, -1000);
}

TEST_F(Rules, PositionTwoWordSplits) {
    const RawWrite bx5 = Edit(ParamGroup::Position, 5, -100);
    EXPECT_EQ(bx5.WriteMode, 0x81);
    EXPECT_EQ(bx5.Raw, 0xFFFF);
    EXPECT_EQ(bx5.Raw2, 0xFF9C);
    EXPECT_EQ(bx5.CacheValue, -100);
    const RawWrite bx3 = Edit(ParamGroup::Position, 3, 50000);
    EXPECT_EQ(bx3.Raw, 0);
    EXPECT_EQ(bx3.Raw2, 50000);

    UseFamily(Dx);
    const RawWrite dx4 = Edit(ParamGroup::Position, 4, 123456);
    EXPECT_EQ(dx4.WriteMode, 0x02);
    EXPECT_EQ(dx4.Raw, 3456);  // decimal: the ten-thousands go to the second word
    EXPECT_EQ(dx4.Raw2, 12);
    EXPECT_EQ(dx4.CacheValue, 123456);
    const RawWrite dx5 = Edit(ParamGroup::Position, 5, -123456);
    EXPECT_EQ(dx5.Raw, -3456);
    EXPECT_EQ(dx5.Raw2, -12);
    const RawWrite dxRound = Edit(ParamGroup::Position, 1, 20000);
    EXPECT_EQ(dxRound.Raw, 0);
    EXPECT_EQ(dxRound.Raw2, 2);
    EXPECT_EQ(Edit(ParamGroup::Position, 0, 2).WriteMode, 0x08);
}

TEST_F(Rules, PositionSingleWordEntries) {
    EXPECT_EQ(Show(ParamGroup::Position, 1, 0), "1");
    EXPECT_EQ(Edit(ParamGroup::Position, 1, 1).Raw, 0);
    EXPECT_EQ(Edit(ParamGroup::Position, 1, 1).WriteMode, 0x84);
    EXPECT_EQ(Show(ParamGroup::Position, 8, 25), "10");
    EXPECT_EQ(Edit(ParamGroup::Position, 8, 10).Raw, 25);
    caches.PositionData[9] = 0x30;
    EXPECT_EQ(Edit(ParamGroup::Position, 9, 1).Raw, 0x31);

    UseFamily(Fx, 31);
    caches.PositionData[0] = 0x0035;
    EXPECT_EQ(Show(ParamGroup::Position, 0, 0x0035), "3");
    EXPECT_EQ(Edit(ParamGroup::Position, 0, 1).Raw, 0x0015);
    EXPECT_EQ(UnitMsg(ParamGroup::Position, 4, state), 312);
    UseFamily(Bx);
    EXPECT_EQ(UnitMsg(ParamGroup::Position, 4, state), 303);
}

TEST_F(Rules, LimitsFollowFamilyAndVersion) {
    UseFamily(Fx, 29);
    EXPECT_EQ(EntryLimits(ParamGroup::Speed, 4, state).Max, 1);
    UseFamily(Fx, 30);
    EXPECT_EQ(EntryLimits(ParamGroup::Speed, 4, state).Max, 4);
    EXPECT_EQ(EntryLimits(ParamGroup::Speed, 4, state).TipFirst, 673);

    UseFamily(Fx, 32);
    EXPECT_FALSE(EntryLimits(ParamGroup::System, 18, state).Set);
    EXPECT_EQ(EntryLimits(ParamGroup::System, 18, state).TipFirst, 0);
    UseFamily(Fx, 33);
    EXPECT_TRUE(EntryLimits(ParamGroup::System, 18, state).Set);
    EXPECT_EQ(EntryLimits(ParamGroup::System, 18, state).TipLast, 657);

    UseFamily(Dx);
    EXPECT_EQ(EntryLimits(ParamGroup::Position, 0, state).Max, 2);
    EXPECT_FALSE(EntryLimits(ParamGroup::Position, 12, state).Set);
    // Editor limits on exit: clamped, and 0 ... 0 where no limits were set.
    const auto clamp = [&](ParamGroup group, int index, double value) {
        const Limits limits = EntryLimits(group, index, state);
        return ClampToLimits(value, limits.Min, limits.Max);
    };
    EXPECT_EQ(clamp(ParamGroup::Position, 4, 600000), 500000);
    EXPECT_EQ(clamp(ParamGroup::Position, 4, -5), 1);
    EXPECT_EQ(clamp(ParamGroup::Position, 12, 5), 0);
    EXPECT_EQ(clamp(ParamGroup::Position, 4, std::nan("")), 1);
}

TEST_F(Rules, CellsOfEnabledAndDisabledEntries) {
    UseFamily(Bx);
    AddressMap map = ParamMapFor(Bx);
    // The range cell as the window writes it from the entry's limits.
    const auto range = [&](ParamGroup group, int index, const std::string& unit) {
        const Limits limits = EntryLimits(group, index, state);
        if (!limits.Set) return std::string("no limits");
        return RangeText(group, index, limits.Min, limits.Max, state, unit);
    };
    caches.SystemData[10] = 1234;
    EXPECT_EQ(ValueCellText(ParamGroup::System, 10, caches, state, map), "12.3");
    EXPECT_EQ(range(ParamGroup::System, 10, "A"), "0.0 -- 100.0 A");
    EXPECT_EQ(range(ParamGroup::Speed, 14, "V"), "-10.000 -- 10.000 V");
    EXPECT_EQ(range(ParamGroup::Position, 5, "p"), "-500000 -- -1 p");
    // Entries 13 to 15 exist nowhere.
    EXPECT_EQ(ValueCellText(ParamGroup::System, 13, caches, state, map), "");
    EXPECT_FALSE(EntryEnabled(map, ParamGroup::System, 13));

    UseFamily(Fx, 25);
    map = ParamMapFor(Fx, 25);
    EXPECT_EQ(range(ParamGroup::Speed, 15, "ms"), "5 -- 10 ms");
    EXPECT_FALSE(EntryEnabled(map, ParamGroup::Speed, 13));
    UseFamily(Fx, 27);
    map = ParamMapFor(Fx, 27);
    EXPECT_EQ(range(ParamGroup::Speed, 13, "ms"), "10 -- 30000 ms");
    EXPECT_FALSE(EntryEnabled(map, ParamGroup::Speed, 15));
    EXPECT_DOUBLE_EQ(Increment(ParamGroup::System, 10, state), 1.0);
    UseFamily(Dx);
    EXPECT_DOUBLE_EQ(Increment(ParamGroup::System, 10, state), 0.1);
}

// A typed value that the conversion scales to a whole number is written as
// that number, not one less: the binary form of 4.1 * 100 is 409.99999...
TEST_F(Rules, ScalingToAWholeNumberIsNotCutByBinaryNoise) {
    EXPECT_EQ(Edit(ParamGroup::System, 10, 4.1).Raw, 410);
    EXPECT_EQ(Edit(ParamGroup::System, 10, 2.3).Raw, 230);
    UseFamily(Dx);
    EXPECT_EQ(Edit(ParamGroup::Speed, 14, -8.19).Raw, -8190);
    EXPECT_EQ(Edit(ParamGroup::Torque, 2, 1.001).Raw, 1001);
    for (int raw = -9999; raw <= 9999; ++raw) {
        const double shown = std::stod(Show(ParamGroup::Speed, 14, raw));
        ASSERT_EQ(Edit(ParamGroup::Speed, 14, shown).Raw, raw) << shown;
    }
}

TEST(TruncToInt32, TowardZeroAndSaturating) {
    EXPECT_EQ(TruncToInt32(2.9), 2);
    EXPECT_EQ(TruncToInt32(-2.9), -2);
    EXPECT_EQ(TruncToInt32(1e12), 2147483647);
    EXPECT_EQ(TruncToInt32(-1e12), -2147483647 - 1);
    EXPECT_EQ(TruncToInt32(std::nan("")), 0);
}

}  // namespace

namespace {

// Every entry the address map makes present must be shown and editable by the
// entry tables, for every family and version.
TEST(Availability, EveryPresentEntryHasAConversionAndLimits) {
    for (int family : {0, 1, 2}) {
        for (int version : {25, 27, 30, 31, 32, 33}) {
            for (bool qrv : {false, true}) {
                const AddressMap map = ParamMapFor(family, version, qrv);
                const DriveState state = StateFor(family, version);
                for (ParamGroup group : {ParamGroup::System, ParamGroup::Speed, ParamGroup::Torque,
                                         ParamGroup::Position}) {
                    for (int i = 0; i < EntryCount(group); ++i) {
                        if (!EntryEnabled(map, group, i)) continue;
                        SCOPED_TRACE(::testing::Message()
                                     << "family " << family << " version " << version << " group "
                                     << static_cast<int>(group) << " entry " << i);
                        EXPECT_TRUE(DisplayValue(group, i, 1, state).has_value());
                        EXPECT_TRUE(EntryLimits(group, i, state).Set);
                    }
                }
            }
        }
    }
}

// Entries at one address share one cached word, so they must cache it alike:
// one read rule and one write mode for all of them.
TEST(Availability, EntriesSharingAWordReadAndWriteItAlike) {
    int sharedWords = 0;
    for (int family : {0, 1, 2}) {
        for (int version : {25, 27, 30, 31, 33}) {
            const AddressMap map = ParamMapFor(family, version, true);
            const DriveState state = StateFor(family, version);
            for (ParamGroup group : {ParamGroup::System, ParamGroup::Speed, ParamGroup::Torque,
                                     ParamGroup::Position}) {
                for (int i = 0; i < EntryCount(group); ++i) {
                    const auto cells = WordCells(map, group, i);
                    if (cells.size() > 1) ++sharedWords;
                    for (const CacheCell& cell : cells) {
                        SCOPED_TRACE(::testing::Message() << "family " << family << " entry " << i);
                        EXPECT_EQ(EntryReadKind(cell.Group, cell.Index, state),
                                  EntryReadKind(group, i, state));
                        EXPECT_EQ(
                            ConvertEdit(cell.Group, cell.Index, 1, {}, state).WriteMode & 0x0F,
                            ConvertEdit(group, i, 1, {}, state).WriteMode & 0x0F);
                    }
                }
            }
        }
    }
    EXPECT_GT(sharedWords, 0);
}

TEST(Availability, VersionDependentEntries) {
    EXPECT_FALSE(EntryEnabled(ParamMapFor(2, 33, false), ParamGroup::System, 18));
    EXPECT_FALSE(EntryEnabled(ParamMapFor(2, 32, true), ParamGroup::System, 18));
    EXPECT_TRUE(EntryEnabled(ParamMapFor(2, 33, true), ParamGroup::System, 18));
    EXPECT_FALSE(EntryEnabled(ParamMapFor(2, 30), ParamGroup::Position, 12));
    EXPECT_TRUE(EntryEnabled(ParamMapFor(2, 31), ParamGroup::Position, 12));
    EXPECT_TRUE(EntryEnabled(ParamMapFor(2, 31), ParamGroup::Speed, 21));
    EXPECT_FALSE(EntryEnabled(ParamMapFor(2, 31), ParamGroup::Speed, 20));
    EXPECT_FALSE(EntryEnabled(ParamMapFor(1), ParamGroup::Position, 9));
    EXPECT_TRUE(EntryEnabled(ParamMapFor(0), ParamGroup::Position, 9));
    EXPECT_FALSE(EntryEnabled(ParamMapFor(0), ParamGroup::Torque, 6));
}

}  // namespace
