#include "params/ParamRules.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "params/PositionGroup.h"
#include "params/SpeedGroup.h"
#include "params/SystemGroup.h"
#include "params/TorqueGroup.h"

namespace {

constexpr int PositionCompanionBase = 13;  // companion of entry i is cell 13 + i

// Factors of the BX conversions that use the scaling words.
constexpr double ScaleAPercent = 100.0;
constexpr double ScaleAFraction = 0.01;
constexpr double ScaleCShow = 244.140625;  // 10^6 / 4096
constexpr double ScaleCWrite = 0.004096;
constexpr double InverseBNumerator = 33.0;

// DX two-word entries keep the ten-thousands in the companion word.
constexpr double DxHighWordUnit = 10000.0;
constexpr double DxHighWordFactor = 0.0001;

int FamilyIndex(const DriveState& state) {
    return state.AmpFamily >= Family::Bx && state.AmpFamily <= Family::Fx ? state.AmpFamily : -1;
}

const ParamEntry* FindEntry(ParamGroup group, int index) {
    const auto& entries = Group(group).Entries;
    if (index < 0 || index >= static_cast<int>(entries.size())) return nullptr;
    return &entries[static_cast<std::size_t>(index)];
}

const FamilyColumn* FindColumn(ParamGroup group, int index, const DriveState& state) {
    const ParamEntry* entry = FindEntry(group, index);
    const int family = FamilyIndex(state);
    if (entry == nullptr || family < 0) return nullptr;
    return &entry->Family[static_cast<std::size_t>(family)];
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The value to the 15 significant digits a double holds reliably: a product
// whose exact result is whole (4.1 * 100) must not lose one to the binary
// noise below them (409.99999999999994) when it is truncated.
double FifteenDigits(double value) {
    if (!std::isfinite(value)) return value;
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return std::strtod(text, nullptr);
}

std::optional<double> Checked(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

// BX System entry 2: bits 8 and 0 hold a two-bit code; bit 0 is inverted.
int BxCodeOf(std::int32_t raw) {
    const int bit8 = (raw >> 8) & 1;
    const int bit0 = raw & 1;
    return bit8 | ((bit0 ^ 1) << 1);
}

// A merge works on the 16 bits of the amplifier word and gives the result
// back sign-extended, as a read of the word would give it: bits above 15 of
// the cached word are only copies of bit 15 and must not reach a write.
std::int32_t AsReadWord(std::uint32_t word) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(word & 0xFFFFu));
}

std::int32_t MergeBxCode(std::int32_t word, std::int32_t code) {
    if (code < 0 || code > 3) return AsReadWord(static_cast<std::uint32_t>(word));
    const std::uint32_t bit8 = static_cast<std::uint32_t>(code & 1) << 8;
    const std::uint32_t bit0 = static_cast<std::uint32_t>((code >> 1) & 1) ^ 1u;
    return AsReadWord((static_cast<std::uint32_t>(word) & ~0x101u) | bit8 | bit0);
}

// Clears the field's bits in the cached word and puts f there; bits of f that
// do not fit the field are dropped so neighbouring fields stay intact.
std::int32_t MergeField(std::int32_t word, const Conversion& conv, std::int32_t f) {
    const auto clear = static_cast<std::uint32_t>(conv.ClearMask);
    const auto shifted = static_cast<std::uint32_t>(f) << conv.Shift;
    return AsReadWord((static_cast<std::uint32_t>(word) & ~clear) | (shifted & clear));
}

// The raw value of a single-word conversion; empty when it is undefined.
std::optional<double> ToRaw(const Conversion& conv, double v, std::int32_t cached,
                            const DriveState& state) {
    switch (conv.Kind) {
        case ConvKind::None:
            return std::nullopt;
        case ConvKind::Linear:
            return Checked(v * conv.WriteFactor + conv.WriteOffset);
        case ConvKind::Field:
            return MergeField(cached, conv, TruncToInt32(v));
        case ConvKind::BxCode:
            return MergeBxCode(cached, TruncToInt32(v));
        // A scaling word of 0 maps every value to 0: writing that would only
        // destroy the amplifier's setting.
        case ConvKind::ScaleA:
            if (state.BxScaleA == 0) return std::nullopt;
            return Checked(v * state.BxScaleA * ScaleAFraction);
        case ConvKind::ScaleC:
            if (state.BxScaleC == 0) return std::nullopt;
            return Checked(v * ScaleCWrite * state.BxScaleC);
        case ConvKind::InverseB:
            if (state.BxScaleB == 0 || v == 0.0) return std::nullopt;
            return Checked((state.BxScaleB / v) * InverseBNumerator);
    }
    return std::nullopt;
}

int ModeOf(ParamGroup group, const FamilyColumn& column, const DriveState& state) {
    if (column.WriteMode != 0) return column.WriteMode;
    return Group(group).DefaultWriteMode[static_cast<std::size_t>(state.AmpFamily)];
}

// BX: the 32-bit pattern split into its high and low 16 bits.
void SplitBx(std::int32_t value, RawWrite& write) {
    const auto pattern = static_cast<std::uint32_t>(value);
    write.Raw = static_cast<std::int32_t>(pattern >> 16);
    write.Raw2 = static_cast<std::int32_t>(pattern & 0xFFFF);
}

// DX: the ten-thousands (with the sign of v) and the remainder below them.
void SplitDx(double v, RawWrite& write) {
    write.Raw2 = TruncToInt32(v * DxHighWordFactor);
    write.Raw = TruncToInt32(std::fmod(v, DxHighWordUnit));
}

}  // namespace

const GroupDescriptor& Group(ParamGroup group) {
    switch (group) {
        case ParamGroup::System:
            return SystemGroup();
        case ParamGroup::Speed:
            return SpeedGroup();
        case ParamGroup::Torque:
            return TorqueGroup();
        case ParamGroup::Position:
            return PositionGroup();
    }
    return SystemGroup();
}

std::span<const ParamAddress> AddressTable(const AddressMap& map, ParamGroup group) {
    switch (group) {
        case ParamGroup::System:
            return map.System;
        case ParamGroup::Speed:
            return map.Speed;
        case ParamGroup::Torque:
            return map.Torque;
        case ParamGroup::Position:
            return map.Position;
    }
    return {};
}

bool EntryEnabled(const AddressMap& map, ParamGroup group, int index) {
    if (index < 0 || index >= EntryCount(group)) return false;
    return AddressTable(map, group)[static_cast<std::size_t>(index)].Present;
}

std::string EntryAddress(const AddressMap& map, ParamGroup group, int index) {
    if (index < 0 || index >= EntryCount(group)) return "";
    return AddressTable(map, group)[static_cast<std::size_t>(index)].Address;
}

std::string CompanionAddress(const AddressMap& map, int index) {
    const int cell = PositionCompanionBase + index;
    if (index < 0 || cell >= static_cast<int>(map.Position.size())) return "";
    return map.Position[static_cast<std::size_t>(cell)].Address;
}

std::vector<CacheCell> WordCells(const AddressMap& map, ParamGroup group, int index) {
    if (!EntryEnabled(map, group, index)) return {};
    const std::string address = EntryAddress(map, group, index);
    if (address.empty()) return {{group, index}};
    std::vector<CacheCell> cells;
    for (ParamGroup other :
         {ParamGroup::System, ParamGroup::Speed, ParamGroup::Torque, ParamGroup::Position}) {
        for (int i = 0; i < EntryCount(other); ++i) {
            if (EntryEnabled(map, other, i) && EntryAddress(map, other, i) == address)
                cells.push_back({other, i});
        }
    }
    return cells;
}

ReadKind EntryReadKind(ParamGroup group, int index, const DriveState& state) {
    const FamilyColumn* column = FindColumn(group, index, state);
    if (column == nullptr) return ReadKind::RamWord;
    if (column->Read != ReadKind::GroupDefault) return column->Read;
    return Group(group).DefaultRead[static_cast<std::size_t>(state.AmpFamily)];
}

int NameMsg(ParamGroup group, int index) {
    const ParamEntry* entry = FindEntry(group, index);
    return entry != nullptr ? entry->NameMsg : 0;
}

int UnitMsg(ParamGroup group, int index, const DriveState& state) {
    const ParamEntry* entry = FindEntry(group, index);
    if (entry == nullptr) return 0;
    if (state.AmpFamily == Family::Fx && entry->FxUnitMsg != 0) return entry->FxUnitMsg;
    return entry->UnitMsg;
}

int MaxLength(ParamGroup group, int index) {
    const ParamEntry* entry = FindEntry(group, index);
    return entry != nullptr ? entry->MaxLength : 0;
}

double Increment(ParamGroup group, int index, const DriveState& state) {
    const ParamEntry* entry = FindEntry(group, index);
    if (entry == nullptr) return 1.0;
    if (state.AmpFamily == Family::Fx && entry->FxIncrement != 0.0) return entry->FxIncrement;
    return entry->Increment;
}

Limits EntryLimits(ParamGroup group, int index, const DriveState& state) {
    const FamilyColumn* column = FindColumn(group, index, state);
    if (column == nullptr) return {};
    Limits limits = column->Limit;
    if (state.AmpFamily != Family::Fx) return limits;
    for (const FxVersionLimits& variant : Group(group).VersionLimits) {
        if (variant.Index == index && state.FxVersion >= variant.FromVersion)
            limits = variant.Limit;
    }
    return limits;
}

double ClampToLimits(double value, double min, double max) {
    if (value > max) return max;
    if (!(value >= min)) return min;  // also a value that does not compare
    return value;
}

std::optional<double> DisplayValue(ParamGroup group, int index, std::int32_t raw,
                                   const DriveState& state) {
    const FamilyColumn* column = FindColumn(group, index, state);
    if (column == nullptr) return std::nullopt;
    const Conversion& conv = column->Conv;
    const double r = raw;
    switch (conv.Kind) {
        case ConvKind::None:
            return std::nullopt;
        case ConvKind::Linear:
            return r * conv.ShowFactor + conv.ShowOffset;
        case ConvKind::Field:
            return (raw >> conv.Shift) & conv.ShowMask;
        case ConvKind::BxCode:
            return BxCodeOf(raw);
        // A divisor of 0 has no value to show.
        case ConvKind::ScaleA:
            if (state.BxScaleA == 0) return std::nullopt;
            return Checked(r * ScaleAPercent / state.BxScaleA);
        case ConvKind::ScaleC:
            if (state.BxScaleC == 0) return std::nullopt;
            return Checked((r / state.BxScaleC) * ScaleCShow);
        case ConvKind::InverseB:
            if (raw == 0) return std::nullopt;
            return Checked((InverseBNumerator / r) * state.BxScaleB);
    }
    return std::nullopt;
}

std::string FormatDisplay(ParamGroup group, int index, double value, const DriveState& state) {
    const FamilyColumn* column = FindColumn(group, index, state);
    if (column == nullptr) return "";
    return Format(column->Format, value);
}

std::string ShowText(ParamGroup group, int index, std::int32_t raw, const DriveState& state) {
    if (FindColumn(group, index, state) == nullptr) return "";
    const auto value = DisplayValue(group, index, raw, state);
    if (!value) return ValuePlaceholder;
    return FormatDisplay(group, index, *value, state);
}

std::string ValueCellText(ParamGroup group, int index, const ParamCaches& caches,
                          const DriveState& state, const AddressMap& map) {
    if (!EntryEnabled(map, group, index)) return "";
    return ShowText(group, index, caches.Value(group, index), state);
}

std::string RangeText(ParamGroup group, int index, double min, double max, const DriveState& state,
                      const std::string& unitText) {
    char text[128];
    std::snprintf(text, sizeof text, EntryLimits(group, index, state).RangeFormat, min, max,
                  unitText.c_str());
    return text;
}

RawWrite ConvertEdit(ParamGroup group, int index, double v, const ParamCaches& caches,
                     const DriveState& state) {
    RawWrite write;
    const FamilyColumn* column = FindColumn(group, index, state);
    if (column == nullptr || !std::isfinite(v)) return write;
    const auto raw = ToRaw(column->Conv, v, caches.Value(group, index), state);
    if (!raw) return write;
    write.Valid = true;
    write.CacheValue = TruncToInt32(*raw);
    write.Raw = write.CacheValue;
    write.WriteMode = ModeOf(group, *column, state);
    if (write.WriteMode == WriteTwoWordsBoth) SplitBx(write.CacheValue, write);
    if (write.WriteMode == WriteTwoWordsRam) SplitDx(v, write);
    return write;
}

std::int32_t TruncToInt32(double value) {
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(value)) return 0;
    value = FifteenDigits(value);
    if (value <= low) return std::numeric_limits<std::int32_t>::min();
    if (value >= high) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(value));
}
