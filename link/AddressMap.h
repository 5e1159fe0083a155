#pragma once
#include <array>
#include <string>

// Where each family keeps its quantities. Entries are 2-character hexadecimal
// RAM (or EEPROM) addresses; an empty text where a family has no such address.
struct ParamAddress {
    std::string Address;
    bool Present = false;  // absent entries are neither read, shown nor written
};

struct AddressMap {
    std::array<std::string, 14> Ident;  // identification and status entries
    std::string Servo;
    std::string IO;
    std::array<std::string, 17> Monitor;
    int MonitorCount = 0;
    std::array<std::string, 4> MonitorExtra;
    std::array<std::string, 11> Alarm;
    int AlarmCount = 0;
    std::array<ParamAddress, 19> System;
    std::array<ParamAddress, 22> Speed;
    std::array<ParamAddress, 8> Torque;
    std::array<ParamAddress, 19> Position;
};

// Overwrites the entries the family sets and leaves every other entry as it
// was; called at start-up, after identification and on link recovery.
void LoadAddressMap(AddressMap& map, int ampFamily, int fxVersion, bool qrvFlag);
