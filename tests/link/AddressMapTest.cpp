#include <gtest/gtest.h>

#include "link/AddressMap.h"

namespace {

AddressMap Loaded(int family, int fxVersion = 25, bool qrv = false) {
    AddressMap map;
    LoadAddressMap(map, family, fxVersion, qrv);
    return map;
}

// Every entry filled with a marker, every flag set.
AddressMap Prefilled() {
    AddressMap map;
    for (auto& e : map.Ident) e = "ZZ";
    map.Servo = map.IO = "ZZ";
    for (auto& e : map.Monitor) e = "ZZ";
    for (auto& e : map.MonitorExtra) e = "ZZ";
    for (auto& e : map.Alarm) e = "ZZ";
    for (auto* table : {map.System.data(), map.Position.data()})
        for (int i = 0; i < 19; ++i) table[i] = {"ZZ", true};
    for (auto& e : map.Speed) e = {"ZZ", true};
    for (auto& e : map.Torque) e = {"ZZ", true};
    return map;
}

TEST(AddressMap, DxIdentAndMonitor) {
    const AddressMap map = Loaded(1);
    EXPECT_EQ(map.Ident[9], "01");
    EXPECT_EQ(map.Ident[0], "7F");
    EXPECT_EQ(map.Ident[1], "");
    EXPECT_EQ(map.MonitorCount, 17);
    EXPECT_EQ(map.Monitor[16], "13");
    EXPECT_EQ(map.Monitor[0], "02");
    EXPECT_EQ(map.Servo, "11");
    EXPECT_EQ(map.IO, "12");
    EXPECT_EQ(map.AlarmCount, 5);
    EXPECT_EQ(map.Alarm[4], "84");
}

TEST(AddressMap, FxVersionDecidesIdentAndMonitor) {
    const AddressMap before = Loaded(2, 25);
    EXPECT_EQ(before.Ident[6], "8D");
    EXPECT_EQ(before.Ident[9], "C5");
    EXPECT_EQ(before.MonitorCount, 16);
    EXPECT_EQ(before.Monitor[3], "89");
    EXPECT_EQ(before.Monitor[10], "83");

    const AddressMap after = Loaded(2, 27);
    EXPECT_EQ(after.Ident[6], "8F");
    EXPECT_EQ(after.Ident[9], "90");
    EXPECT_EQ(after.MonitorCount, 17);
    EXPECT_EQ(after.Monitor[3], "82");
    EXPECT_EQ(after.Monitor[10], "8D");
    EXPECT_EQ(after.Monitor[16], "98");
    EXPECT_EQ(after.MonitorExtra[2], "89");
    EXPECT_EQ(after.MonitorExtra[3], "8A");
    EXPECT_EQ(after.AlarmCount, 11);
    EXPECT_EQ(after.Alarm[10], "C1");
}

TEST(AddressMap, FxVersion31AddsSpeedAndPositionEntries) {
    const AddressMap v31 = Loaded(2, 31);
    EXPECT_TRUE(v31.Speed[21].Present);
    EXPECT_EQ(v31.Speed[21].Address, "27");
    EXPECT_TRUE(v31.Position[12].Present);
    EXPECT_EQ(v31.Position[12].Address, "19");
    EXPECT_FALSE(v31.Speed[20].Present);  // from 32 on
    EXPECT_FALSE(v31.Position[13].Present);

    const AddressMap v30 = Loaded(2, 30);
    EXPECT_FALSE(v30.Speed[21].Present);
    EXPECT_FALSE(v30.Position[12].Present);
    EXPECT_EQ(v30.Position[12].Address, "");

    const AddressMap v33 = Loaded(2, 33);
    EXPECT_EQ(v33.Speed[20].Address, "15");
    EXPECT_TRUE(v33.Position[13].Present);
}

TEST(AddressMap, FxSpeedEntry13And15SwapAtVersion27) {
    const AddressMap v25 = Loaded(2, 25);
    EXPECT_FALSE(v25.Speed[13].Present);
    EXPECT_TRUE(v25.Speed[15].Present);
    EXPECT_EQ(v25.Speed[15].Address, "0F");
    const AddressMap v27 = Loaded(2, 27);
    EXPECT_TRUE(v27.Speed[13].Present);
    EXPECT_EQ(v27.Speed[13].Address, "0F");
    EXPECT_FALSE(v27.Speed[15].Present);
}

TEST(AddressMap, SystemEntry18OnlyForQrvWithVersion33) {
    EXPECT_TRUE(Loaded(2, 33, true).System[18].Present);
    EXPECT_EQ(Loaded(2, 33, true).System[18].Address, "17");
    EXPECT_FALSE(Loaded(2, 31, true).System[18].Present);
    EXPECT_FALSE(Loaded(2, 33, false).System[18].Present);
    EXPECT_FALSE(Loaded(0, 33, true).System[18].Present);
}

TEST(AddressMap, EntriesAFamilyDoesNotSetKeepOlderContents) {
    AddressMap bx = Prefilled();
    LoadAddressMap(bx, 0, 25, false);
    EXPECT_EQ(bx.MonitorCount, 16);
    EXPECT_EQ(bx.Monitor[16], "ZZ");
    EXPECT_EQ(bx.MonitorExtra[0], "2D");
    EXPECT_EQ(bx.MonitorExtra[2], "ZZ");
    EXPECT_EQ(bx.Alarm[10], "ZZ");
    EXPECT_EQ(bx.AlarmCount, 10);
    EXPECT_EQ(bx.Ident[0], "");  // a dash is set: BX has no CPU word

    AddressMap fx = Prefilled();
    LoadAddressMap(fx, 2, 33, false);
    for (int i = 14; i <= 18; ++i) {
        EXPECT_EQ(fx.Position[i].Address, "ZZ") << i;
        EXPECT_FALSE(fx.Position[i].Present) << i;
    }
    EXPECT_EQ(fx.MonitorExtra[0], "ZZ");

    AddressMap dx = Prefilled();
    LoadAddressMap(dx, 1, 25, false);
    EXPECT_EQ(dx.MonitorExtra[0], "ZZ");
    EXPECT_EQ(dx.Alarm[5], "ZZ");

    AddressMap unknown = Prefilled();
    LoadAddressMap(unknown, 3, 25, false);
    EXPECT_EQ(unknown.Ident[5], "ZZ");
    EXPECT_TRUE(unknown.Speed[0].Present);
}

enum TableId { System, Speed, Torque, Position };

struct ParamCase {
    int family;
    TableId table;
    int index;
    std::string address;
    bool present;
};

void PrintTo(const ParamCase& c, std::ostream* out) {
    *out << "family " << c.family << " table " << c.table << " entry " << c.index;
}

const ParamAddress& Entry(const AddressMap& map, TableId table, int index) {
    switch (table) {
        case System:
            return map.System.at(index);
        case Speed:
            return map.Speed.at(index);
        case Torque:
            return map.Torque.at(index);
        default:
            return map.Position.at(index);
    }
}

class ParamRows : public ::testing::TestWithParam<ParamCase> {};

TEST_P(ParamRows, AddressAndPresence) {
    const ParamCase& c = GetParam();
    AddressMap map = Prefilled();
    LoadAddressMap(map, c.family, 33, true);
    const ParamAddress& entry = Entry(map, c.table, c.index);
    EXPECT_EQ(entry.Address, c.address);
    EXPECT_EQ(entry.Present, c.present);
}

INSTANTIATE_TEST_SUITE_P(
    Families, ParamRows,
    ::testing::Values(
        // BX
        ParamCase{0, System, 0, "0A", true}, ParamCase{0, System, 11, "46", true},
        ParamCase{0, System, 13, "", false}, ParamCase{0, Speed, 13, "2D", true},
        ParamCase{0, Speed, 15, "", false}, ParamCase{0, Torque, 0, "4C", true},
        ParamCase{0, Torque, 6, "", false}, ParamCase{0, Position, 9, "47", true},
        ParamCase{0, Position, 15, "", false}, ParamCase{0, Position, 16, "1D", false},
        // DX
        ParamCase{1, System, 1, "3F", true}, ParamCase{1, System, 12, "40", true},
        ParamCase{1, Speed, 6, "44", true}, ParamCase{1, Speed, 7, "", false},
        ParamCase{1, Torque, 3, "59", true}, ParamCase{1, Position, 9, "", false},
        ParamCase{1, Position, 11, "47", true}, ParamCase{1, Position, 14, "4D", false},
        // FX group (version 33, QRV member)
        ParamCase{2, System, 4, "", false}, ParamCase{2, System, 14, "2E", false},
        ParamCase{2, System, 16, "34", true}, ParamCase{2, Speed, 4, "18", true},
        ParamCase{2, Speed, 6, "28", true}, ParamCase{2, Speed, 17, "18", true},
        ParamCase{2, Torque, 5, "1F", true}, ParamCase{2, Position, 5, "25", true},
        ParamCase{2, Position, 10, "0D", true}, ParamCase{2, Position, 13, "15", true}));

TEST(AddressMap, BxIdentMixesRamAndEeprom) {
    const AddressMap map = Loaded(0);
    const char* expected[14] = {"",   "11", "12", "7D", "7E", "CD", "77",
                                "70", "00", "CD", "17", "72", "73", "22"};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(map.Ident[i], expected[i]) << i;
    EXPECT_EQ(map.Servo, "CB");
    EXPECT_EQ(map.IO, "AF");
    EXPECT_EQ(map.Monitor[15], "C1");
}

}  // namespace
