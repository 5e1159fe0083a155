#pragma once
#include <array>
#include <span>

#include "link/DriveState.h"

// The four parameter groups and the row type of their entry tables. Each group
// file holds one table with one row per entry; the row carries, per amplifier
// family (BX, DX, FX group), how the raw value is shown and written, the
// editor limits with the tip lines, and how the entry is read and written.

enum class ParamGroup { System, Speed, Torque, Position };

// The number of entries of a group: the rows of its table and the size of its
// caches.
constexpr int EntryCount(ParamGroup group) {
    return group == ParamGroup::System   ? 19
           : group == ParamGroup::Speed  ? 22
           : group == ParamGroup::Torque ? 8
                                         : 14;
}

// The family columns of a row, indexed by DriveState::AmpFamily.
constexpr int FamilyCount = Family::Fx + 1;
static_assert(Family::Bx == 0 && Family::Dx == 1, "the columns are in BX, DX, FX order");

// How a raw amplifier value becomes the display value and back.
enum class ConvKind {
    None,      // the entry does not exist for the family
    Linear,    // shown raw * factor + offset; written trunc(v * factor + offset)
    Field,     // shown (raw >> shift) & mask; written by merging f into the cached word
    BxCode,    // BX System entry 2: a two-bit code kept in bits 8 and 0
    ScaleA,    // shown raw * 100 / BxScaleA; written trunc(v * BxScaleA * 0.01)
    ScaleC,    // shown (raw / BxScaleC) * 244.140625; written trunc(v * 0.004096 * BxScaleC)
    InverseB,  // shown (33 / raw) * BxScaleB; written trunc((BxScaleB / v) * 33)
};

struct Conversion {
    ConvKind Kind = ConvKind::None;
    double ShowFactor = 1.0;
    double ShowOffset = 0.0;
    double WriteFactor = 1.0;
    double WriteOffset = 0.0;
    int Shift = 0;      // Field: position of the field
    int ShowMask = 0;   // Field: bits shown after the shift
    int ClearMask = 0;  // Field: bits cleared in the word before the merge
};

// Write modes: the low four bits choose the exchanges, the high four bits the
// follow-up write of the BX groups.
constexpr int WriteRamOnly = 0x08;       // RAM at the entry's address
constexpr int WriteSystemBx = 0x14;      // RAM, EEPROM, RAM
constexpr int WriteSpeedBx = 0x24;       // RAM, EEPROM, RAM, speed follow-up
constexpr int WriteTorqueBx = 0x44;      // RAM, EEPROM, RAM, torque follow-up
constexpr int WritePositionBx = 0x84;    // (RAM), EEPROM, RAM, position follow-up
constexpr int WriteTwoWordsBoth = 0x81;  // two words, each to RAM and EEPROM
constexpr int WriteTwoWordsRam = 0x02;   // two words, RAM only

// How the group read fetches an entry.
enum class ReadKind {
    GroupDefault,  // the group's read for the family
    RamWord,       // ReadFromRAM
    RamLong,       // ReadFromRAML, one 32-bit value
    EepWord,       // ReadFromEEP
    EepUnsigned,   // ReadFromEEP, a negative word has 0x10000 added
    BxTwoWord,     // high word * 10000 + unsigned low word at the companion address
    DxTwoWord,     // low word + high word (companion address) * 10000
};

// The editor limits and tip lines the window sets when it opens
// (SetSpinEditValue). Without a call the tip range stays 0 ... 0.
struct Limits {
    bool Set = false;
    double Min = 0.0;
    double Max = 0.0;
    int TipFirst = 0;
    int TipLast = 0;
    const char* RangeFormat = "%.0f -- %.0f %s";
};

// What one family makes of one entry.
struct FamilyColumn {
    Conversion Conv;
    const char* Format = "%.0f";  // display format of the value cell
    Limits Limit;
    int WriteMode = 0;  // 0: the group's write mode for the family
    ReadKind Read = ReadKind::GroupDefault;
};

// One row of an entry table.
struct ParamEntry {
    int NameMsg = 0;
    int UnitMsg = 0;
    int FxUnitMsg = 0;  // 0: same as UnitMsg
    int MaxLength = 0;  // editor text length, 0 = unlimited
    double Increment = 1.0;
    double FxIncrement = 0.0;  // 0: same as Increment
    std::array<FamilyColumn, FamilyCount> Family;
};

// Editor limits that depend on the FX version: from FromVersion on, the FX
// column's limits are replaced by these.
struct FxVersionLimits {
    int Index = 0;
    int FromVersion = 0;
    Limits Limit;
};

// What the windows need to know about a group beyond its rows.
struct GroupDescriptor {
    ParamGroup Group = ParamGroup::System;
    std::span<const ParamEntry> Entries;
    std::array<int, FamilyCount> DefaultWriteMode{};
    std::array<ReadKind, FamilyCount> DefaultRead{};
    std::span<const FxVersionLimits> VersionLimits;
    std::array<int, 3> ColumnTitleMsgs{};  // row 0: name, value, range
    std::array<int, 2> HelpMsgs{};         // help text: first line, empty line, second line
};

// Builders that keep the entry tables short.
namespace entry {

constexpr Conversion Plain() {
    return {ConvKind::Linear};
}
constexpr Conversion Scaled(double show, double write) {
    return {ConvKind::Linear, show, 0.0, write, 0.0};
}
constexpr Conversion Linear(double show, double showOffset, double write, double writeOffset) {
    return {ConvKind::Linear, show, showOffset, write, writeOffset};
}
constexpr Conversion Field(int shift, int showMask, int clearMask) {
    return {ConvKind::Field, 1.0, 0.0, 1.0, 0.0, shift, showMask, clearMask};
}
constexpr Conversion Special(ConvKind kind) {
    return {kind};
}

constexpr Limits Lim(double min, double max, int tipFirst, int tipLast,
                     const char* rangeFormat = "%.0f -- %.0f %s") {
    return {true, min, max, tipFirst, tipLast, rangeFormat};
}
constexpr Limits NoCall() {
    return {};
}

inline constexpr const char* F0 = "%.0f";
inline constexpr const char* F1 = "%.1f";
inline constexpr const char* F3 = "%.3f";
inline constexpr const char* R1 = "%.1f -- %.1f %s";
inline constexpr const char* R3 = "%.3f -- %.3f %s";

// A family column with the group's read and write.
constexpr FamilyColumn Col(Conversion conv, Limits limit, const char* format = F0) {
    return {conv, format, limit, 0, ReadKind::GroupDefault};
}
// An entry the family does not have.
constexpr FamilyColumn Absent(Limits limit = NoCall()) {
    return {Special(ConvKind::None), F0, limit, 0, ReadKind::GroupDefault};
}
// A family column whose write mode or read differs from the group's.
constexpr FamilyColumn With(FamilyColumn column, int writeMode,
                            ReadKind read = ReadKind::GroupDefault) {
    column.WriteMode = writeMode;
    column.Read = read;
    return column;
}

}  // namespace entry
