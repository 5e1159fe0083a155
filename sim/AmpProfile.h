#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/Motor.h"

namespace sim {

enum class Family { BX, DX, FX };

// Which amplifier is simulated: the family, the FX group member and the FX
// version code that decides the layout of the FX addresses.
struct Profile {
    Family family = Family::BX;
    std::string member = "BX";  // BX, DX, FX, KQRV, LQRV or YZ
    int fxVersion = 0;          // FX group only: 25, 27, 28, 30, 31 or 33
    std::uint16_t cpuWord = 0;  // FX group: the word at C3

    bool IsQrv() const { return member == "KQRV" || member == "LQRV" || member == "YZ"; }
};

// Builds a profile from a family name (bx, dx, fx, kqrv, lqrv, yz, any case);
// fxVersion 0 picks the default (30 for plain FX, 33 for the others).
// Returns false for an unknown name or an FX version without a CPU word.
bool MakeProfile(const std::string& name, int fxVersion, Profile& profile);

// Where a word lives initially. A parameter is kept in EEPROM and mirrored in
// RAM at the same address: a reset reloads RAM from EEPROM.
enum class Store { Ram, Eeprom, Param };

struct Cell {
    Store store;
    std::uint8_t address;
    std::uint16_t value;
    const char* meaning;
};

// The initial contents of the amplifier: one row per word, page 5 for RAM.
std::vector<Cell> InitialCells(const Profile& profile);

// One monitored word (or pair of words) and the quantity it carries.
struct MonitorCell {
    std::uint8_t address;
    Quantity quantity;
    double scale;   // raw = quantity x scale, times the scaling word when there is one
    bool isLong;    // two words: high word at address, low word at address + 1
    int scaleWord;  // the RAM word (signed) the raw value is multiplied by; -1: none
    const char* meaning;
};

// Every monitor address of the family and FX version, one row each.
const std::vector<MonitorCell>& MonitorCells(const Profile& profile);

// Addresses the status rendering and the alarm history use.
struct StatusLayout {
    int servoAddress;      // servo word
    int inputAddress;      // input word
    int outputAddress;     // output word
    int statusAddress;     // status code (BX: the packed status word)
    int modeAddress;       // -1 when the mode lives in the status word
    int motorCodeAddress;  // FX: 8D or 8F
};

StatusLayout LayoutOf(const Profile& profile);

}  // namespace sim
