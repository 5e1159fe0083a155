#include "link/AddressMap.h"

#include <cstddef>

namespace {

enum Family { Bx = 0, Dx = 1, FxGroup = 2 };

// A cell of the tables below: an address, "" for "no address here", or
// nullptr for "this family leaves the entry as it was".
using Cell = const char*;

// FX-group entries that exist only from, or only before, some version.
enum class FxRule { Always, Below26, From27, Below27, From31, From32, QrvFrom33 };

bool FxRuleHolds(FxRule rule, int fxVersion, bool qrvFlag) {
    switch (rule) {
        case FxRule::Always:
            return true;
        case FxRule::Below26:
            return fxVersion < 26;
        case FxRule::From27:
            return fxVersion >= 27;
        case FxRule::Below27:
            return fxVersion < 27;
        case FxRule::From31:
            return fxVersion >= 31;
        case FxRule::From32:
            return fxVersion >= 32;
        case FxRule::QrvFrom33:
            return qrvFlag && fxVersion > 32;
    }
    return false;
}

// Identification and status entries; fxOld replaces fx before version 26.
struct IdentRow {
    Cell bx, dx, fx, fxOld;
};
const IdentRow IdentRows[14] = {
    {"", "7F", "C3", nullptr},    // 0 CPU word
    {"11", "", "C3", nullptr},    // 1 CPU version, first part (BX: EEPROM)
    {"12", "", "C3", nullptr},    // 2 CPU version, second part (BX: EEPROM)
    {"7D", "", "", nullptr},      // 3 EEPROM version, first part
    {"7E", "", "", nullptr},      // 4 EEPROM version, second part
    {"CD", "00", "16", nullptr},  // 5 mode
    {"77", "7F", "8F", "8D"},     // 6 type or motor code
    {"70", "89", "0A", nullptr},  // 7 alarm entry
    {"00", "10", "C7", nullptr},  // 8 status code
    {"CD", "01", "90", "C5"},     // 9 status word / servo
    {"17", "64", "8B", nullptr},  // 10 rating
    {"72", "", "", nullptr},      // 11 scaling A (EEPROM)
    {"73", "", "", nullptr},      // 12 scaling B (EEPROM)
    {"22", "", "", nullptr},      // 13 scaling C (EEPROM)
};

// Tables whose FX-group column changes at version 26.
struct VersionedRow {
    Cell bx, dx, fxOld, fxNew;
};
const VersionedRow MonitorRows[17] = {
    {"E4", "02", "80", "80"}, {"7E", "03", "81", "81"},       {"91", "15", "88", "88"},
    {"93", "16", "89", "82"}, {"94", "17", "8A", "83"},       {"78", "05", "8C", "8C"},
    {"5C", "06", "94", "94"}, {"5D", "07", "95", "95"},       {"88", "08", "96", "96"},
    {"89", "09", "97", "97"}, {"BF", "0A", "83", "8D"},       {"BE", "0B", "84", "84"},
    {"95", "0C", "87", "87"}, {"96", "0D", "87", "87"},       {"C0", "0E", "85", "85"},
    {"C1", "0F", "86", "86"}, {nullptr, "13", nullptr, "98"},
};
const VersionedRow MonitorExtraRows[4] = {
    {"2D", nullptr, nullptr, nullptr},
    {"2C", nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, "89"},
    {nullptr, nullptr, nullptr, "8A"},
};

struct FamilyRow {
    Cell bx, dx, fx;
};
const FamilyRow AlarmRows[11] = {
    {"00", "80", "00"},    {"01", "81", "01"},    {"02", "82", "02"},       {"03", "83", "03"},
    {"04", "84", "04"},    {"05", nullptr, "05"}, {"06", nullptr, "06"},    {"07", nullptr, "07"},
    {"08", nullptr, "08"}, {"09", nullptr, "09"}, {nullptr, nullptr, "C1"},
};

// Parameter-group cells: "0A" present, "(2E)" address kept but absent, ""
// no address and absent, "~" address left as it was but absent, nullptr
// untouched. An FX cell whose rule does not hold counts as "".
struct ParamRow {
    Cell bx, dx, fx;
    FxRule fxRule = FxRule::Always;
};

const ParamRow SystemRows[19] = {
    {"0A", "30", "16"},
    {"21", "3F", "2C"},
    {"31", "32", "16"},
    {"0E", "33", "0C"},
    {"45", "31", ""},
    {"1F", "34", "14"},
    {"46", "35", "17"},
    {"4F", "36", "18"},
    {"26", "37", "11"},
    {"27", "38", "12"},
    {"56", "39", ""},
    {"46", "3B", "17"},
    {"20", "40", ""},
    {"", "", ""},
    {"", "", "(2E)"},
    {"", "", "(2F)"},
    {"", "", "34"},
    {"", "", "17"},
    {"", "", "17", FxRule::QrvFrom33},
};

const ParamRow SpeedRows[22] = {
    {"2E", "5C", "29"},
    {"2F", "5D", "2A"},
    {"30", "5E", "2B"},
    {"4D", "41", "18"},
    {"32", "42", "18"},
    {"16", "43", ""},
    {"14", "44", "28"},
    {"15", "", ""},
    {"33", "", ""},
    {"34", "", ""},
    {"36", "46", "0D"},
    {"35", "47", "0E"},
    {"1E", "48", "13"},
    {"2D", "49", "0F", FxRule::From27},
    {"48", "4A", ""},
    {"", "", "0F", FxRule::Below27},
    {"", "", "10"},
    {"", "", "18"},
    {"", "", ""},
    {"", "", ""},
    {"", "", "15", FxRule::From32},
    {"", "", "27", FxRule::From31},
};

const ParamRow TorqueRows[8] = {
    {"4C", "3C", "1A"}, {"2C", "3D", "1B"}, {"49", "3E", "1C"}, {"2E", "59", "1D"},
    {"2F", "5A", "1E"}, {"30", "5B", "1F"}, {"", "", ""},       {"", "", ""},
};

const ParamRow PositionRows[19] = {
    {"0B", "4B", "16"},
    {"13", "4C", "21"},
    {"0F", "4E", "22"},
    {"1C", "50", "20"},
    {"3A", "52", "25"},
    {"3C", "54", "25"},
    {"3E", "56", "23"},
    {"3F", "57", "26"},
    {"0C", "58", "24"},
    {"47", "", ""},
    {"36", "46", "0D"},
    {"35", "47", "0E"},
    {"", "", "19", FxRule::From31},
    {"", "", "15", FxRule::From32},
    {"", "(4D)", "~"},
    {"", "(4F)", "~"},
    {"(1D)", "(51)", "~"},
    {"(3B)", "(53)", "~"},
    {"(3D)", "(55)", "~"},
};

Cell Pick(int family, Cell bx, Cell dx, Cell fx) {
    switch (family) {
        case Bx:
            return bx;
        case Dx:
            return dx;
        case FxGroup:
            return fx;
        default:
            return nullptr;
    }
}

// Sets the entry when the cell says so; true when it did.
bool Apply(std::string& entry, Cell cell) {
    if (cell == nullptr) return false;
    entry = cell;
    return true;
}

void ApplyParam(ParamAddress& entry, Cell cell) {
    if (cell == nullptr) return;
    const std::string text = cell;
    if (text == "~") {
        entry.Present = false;
    } else if (text.size() == 4 && text.front() == '(') {
        entry.Address = text.substr(1, 2);
        entry.Present = false;
    } else {
        entry.Address = text;
        entry.Present = !text.empty();
    }
}

template <std::size_t N>
void LoadParamTable(std::array<ParamAddress, N>& table, const ParamRow (&rows)[N], int family,
                    int fxVersion, bool qrvFlag) {
    for (std::size_t i = 0; i < N; ++i) {
        const ParamRow& row = rows[i];
        Cell fx = FxRuleHolds(row.fxRule, fxVersion, qrvFlag) ? row.fx : "";
        ApplyParam(table[i], Pick(family, row.bx, row.dx, fx));
    }
}

template <std::size_t N>
int LoadVersionedTable(std::array<std::string, N>& table, const VersionedRow (&rows)[N], int family,
                       int fxVersion) {
    int count = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const VersionedRow& row = rows[i];
        Cell fx = fxVersion < 26 ? row.fxOld : row.fxNew;
        if (Apply(table[i], Pick(family, row.bx, row.dx, fx))) ++count;
    }
    return count;
}

}  // namespace

void LoadAddressMap(AddressMap& map, int ampFamily, int fxVersion, bool qrvFlag) {
    if (ampFamily != Bx && ampFamily != Dx && ampFamily != FxGroup) return;

    for (std::size_t i = 0; i < map.Ident.size(); ++i) {
        const IdentRow& row = IdentRows[i];
        Cell fx = fxVersion < 26 && row.fxOld != nullptr ? row.fxOld : row.fx;
        Apply(map.Ident[i], Pick(ampFamily, row.bx, row.dx, fx));
    }
    Apply(map.Servo, Pick(ampFamily, "CB", "11", "C5"));
    Apply(map.IO, Pick(ampFamily, "AF", "12", "C6"));

    map.MonitorCount = LoadVersionedTable(map.Monitor, MonitorRows, ampFamily, fxVersion);
    LoadVersionedTable(map.MonitorExtra, MonitorExtraRows, ampFamily, fxVersion);

    int alarmCount = 0;
    for (std::size_t i = 0; i < map.Alarm.size(); ++i) {
        const FamilyRow& row = AlarmRows[i];
        if (Apply(map.Alarm[i], Pick(ampFamily, row.bx, row.dx, row.fx))) ++alarmCount;
    }
    map.AlarmCount = alarmCount;

    LoadParamTable(map.System, SystemRows, ampFamily, fxVersion, qrvFlag);
    LoadParamTable(map.Speed, SpeedRows, ampFamily, fxVersion, qrvFlag);
    LoadParamTable(map.Torque, TorqueRows, ampFamily, fxVersion, qrvFlag);
    LoadParamTable(map.Position, PositionRows, ampFamily, fxVersion, qrvFlag);
}
