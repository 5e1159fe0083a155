// The data monitor's rules without a window: value texts per row and family
// from known raw values, the BX gates, the rows each amplifier offers and the
// captions of rows 4, 5, 16 and 17.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

#include "monitor/MonitorRules.h"

namespace {

constexpr int Bx = 0;
constexpr int Dx = 1;
constexpr int Fx = 2;

struct TextCase {
    const char* name;
    MonitorVariant variant;
    MonitorRawValues raw;
    std::array<const char*, MonitorRowCount> shown;  // rows 1 ... 17
};

const TextCase TextCases[] = {
    {"Bx",
     MonitorVariant::Bx,
     {8192, 12288, 123, -2458, 24576, -16384, 123456, -5, 1000, 8192, 4301, 4096, 0, 2048, -1024, 0,
      4096, 100},
     {"  1500.0", "   150.0", "    12.3", "   -30.0", "   300.0", " -3000.0", "  123456",
      "      -5", "    0.23", "    2.00", "   375.0", "  -187.5", "    50.0", "     1.2", "", "",
      ""}},
    // M12 is set: the gate words mean nothing outside BX.
    {"Dx",
     MonitorVariant::Dx,
     {16384, 12288, 123, 1234, -1256, 8192, 7, -8, 511, 0, -1022, 0, 1, 16384, -32768, 1, 24576,
      2458},
     {"  3000.0", "   150.0", "    12.3", "     123", "    -126", "  1500.0", "       7",
      "      -8", "   10.50", "  -21.00", "  3000.0", " -6000.0", "   300.0", "    30.0", "", "",
      ""}},
    {"FxFrom26",
     MonitorVariant::FxFrom26,
     {-3000, 150, 45,   77,    88, 6002, 1000000, -1000000, 970, 0, 0,
      0,     1,   1500, -1500, 1,  120,  -120,    -70000,   12,  34},
     {"   -3000", "     150", "      45", "      77", "      88", "  1500.5", " 1000000",
      "-1000000", "   10.00", "", "    1500", "   -1500", "     120", "    -120", "  -70000",
      "      12", "      34"}},
    {"FxBefore26",
     MonitorVariant::FxBefore26,
     {-3000, 150, 45,   7749,  -160, 6002, 1000000, -1000000, 970, 0, 0,
      0,     1,   1500, -1500, 1,    120,  -120,    -70000,   0,   0},
     {"   -3000", "     150", "    45.0", "      77", "      -2", "  1500.5", " 1000000",
      "-1000000", "   10.00", "", "    1500", "   -1500", "     120", "    -120", "  -70000",
      "       0", "       0"}},
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

class ValueTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ValueTextTest, EveryRowShowsItsScaledValueInItsFormat) {
    const TextCase& c = GetParam();
    for (int row = 1; row <= MonitorRowCount; ++row) {
        EXPECT_EQ(MonitorValueText(row, c.variant, c.raw), c.shown[row - 1]) << "row " << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Families, ValueTextTest, ::testing::ValuesIn(TextCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ValueText, BxAnalogRowsShowZeroForAZeroDivisor) {
    MonitorRawValues raw{};
    raw[8] = 1234;
    raw[10] = -999;
    EXPECT_EQ(MonitorValueText(9, MonitorVariant::Bx, raw), "    0.00");
    EXPECT_EQ(MonitorValueText(10, MonitorVariant::Bx, raw), "    0.00");
}

TEST(ValueText, BxGateB2BlanksRows11To14AndB6OnlyRows13And14) {
    MonitorRawValues raw{};
    raw[13] = raw[14] = raw[16] = raw[17] = 2048;
    raw[12] = 1;
    for (int row = 11; row <= 14; ++row) {
        EXPECT_EQ(MonitorValueText(row, MonitorVariant::Bx, raw), "XXXXXXXX") << row;
    }
    raw[12] = 0;
    raw[15] = -1;
    EXPECT_EQ(MonitorValueText(11, MonitorVariant::Bx, raw), "   375.0");
    EXPECT_EQ(MonitorValueText(12, MonitorVariant::Bx, raw), "   375.0");
    EXPECT_EQ(MonitorValueText(13, MonitorVariant::Bx, raw), "XXXXXXXX");
    EXPECT_EQ(MonitorValueText(14, MonitorVariant::Bx, raw), "XXXXXXXX");
    // The gates never blank the other rows.
    EXPECT_EQ(MonitorValueText(1, MonitorVariant::Bx, raw), "     0.0");
}

TEST(ValueText, RowsOutsideOneToSeventeenAreEmpty) {
    const MonitorRawValues raw{};
    EXPECT_EQ(MonitorValueText(0, MonitorVariant::Bx, raw), "");
    EXPECT_EQ(MonitorValueText(18, MonitorVariant::FxFrom26, raw), "");
}

struct RowsCase {
    int family;
    int fxVersion;
    int mode;
    std::array<int, 5> disabled;  // rows, 0 for none
};

const RowsCase RowsCases[] = {
    {Bx, 25, 0, {9, 15, 16, 17}},
    {Bx, 25, 1, {10, 15, 16, 17}},
    {Bx, 25, 2, {9, 10, 15, 16, 17}},
    {Dx, 25, -1, {15, 16, 17}},
    {Fx, 25, -1, {10, 15}},
    {Fx, 26, -1, {10}},
    {Fx, 33, 7, {10}},
};

TEST(Rows, EachFamilyVersionAndBxModeDisablesItsRows) {
    for (const RowsCase& c : RowsCases) {
        const auto enabled = MonitorRowsEnabled(c.family, c.fxVersion, c.mode);
        for (int row = 1; row <= MonitorRowCount; ++row) {
            bool off = false;
            for (int d : c.disabled) off = off || d == row;
            EXPECT_EQ(enabled[row - 1], !off) << "family " << c.family << " version " << c.fxVersion
                                              << " mode " << c.mode << " row " << row;
        }
    }
}

TEST(Rows, BxWithoutAModeReadLeavesRows8To10Disabled) {
    for (int mode : {-1, 3, 15}) {
        const auto enabled = MonitorRowsEnabled(Bx, 25, mode);
        EXPECT_TRUE(enabled[6]);
        EXPECT_FALSE(enabled[7]) << mode;
        EXPECT_FALSE(enabled[8]) << mode;
        EXPECT_FALSE(enabled[9]) << mode;
        EXPECT_TRUE(enabled[10]);
    }
}

TEST(Captions, RegenerativeAndOverloadMoveFromRows4And5To16And17AtVersion26) {
    EXPECT_EQ(MonitorCaptionMessage(4, Fx, 25), 116);
    EXPECT_EQ(MonitorCaptionMessage(5, Fx, 25), 117);
    EXPECT_EQ(MonitorCaptionMessage(16, Fx, 25), 0);
    EXPECT_EQ(MonitorCaptionMessage(4, Fx, 26), 104);
    EXPECT_EQ(MonitorCaptionMessage(16, Fx, 26), 116);
    EXPECT_EQ(MonitorCaptionMessage(17, Fx, 31), 117);
    EXPECT_EQ(MonitorCaptionMessage(17, Bx, 31), 0);
    EXPECT_EQ(MonitorCaptionMessage(4, Dx, 25), 104);
    EXPECT_EQ(MonitorUnitMessage(9), 94);
    EXPECT_EQ(MonitorUnitMessage(15), 93);
}

TEST(AddressTable, EntriesAFamilyDoesNotUseStayEmpty) {
    AddressMap map;
    LoadAddressMap(map, Fx, 31, false);
    LoadAddressMap(map, Bx, 31, false);  // the FX extra entries are left in the map
    const MonitorAddresses bx = MonitorAddressTableFor(map, Bx, 31);
    EXPECT_EQ(bx[0], "E4");
    EXPECT_EQ(bx[16], "");
    EXPECT_EQ(bx[17], "2D");
    EXPECT_EQ(bx[18], "2C");
    EXPECT_EQ(bx[19], "");
    EXPECT_EQ(bx[20], "");

    LoadAddressMap(map, Fx, 25, false);
    const MonitorAddresses old = MonitorAddressTableFor(map, Fx, 25);
    EXPECT_EQ(old[3], "89");
    EXPECT_EQ(old[16], "");
    EXPECT_EQ(old[19], "");
    LoadAddressMap(map, Fx, 26, false);
    const MonitorAddresses fx = MonitorAddressTableFor(map, Fx, 26);
    EXPECT_EQ(fx[3], "82");
    EXPECT_EQ(fx[16], "98");
    EXPECT_EQ(fx[19], "89");
    EXPECT_EQ(fx[20], "8A");
}

}  // namespace
