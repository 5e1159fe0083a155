#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/AddressMap.h"
#include "link/DriveState.h"
#include "params/ParamCaches.h"
#include "params/ParamEntry.h"

// The conversions between raw amplifier values and what the parameter windows
// show, one set of functions serving the four groups through their entry
// tables. Everything here is pure: no exchange, no window.

// Shown instead of a value whose conversion divides by zero (a cached raw
// value or a BX scaling word of 0).
inline constexpr const char* ValuePlaceholder = "----";

const GroupDescriptor& Group(ParamGroup group);

// The group's table of the address map (the Position table has 19 cells: the
// 14 entries and the companion cells of the two-word entries).
std::span<const ParamAddress> AddressTable(const AddressMap& map, ParamGroup group);
// An entry exists for this amplifier exactly when its presence flag is set.
bool EntryEnabled(const AddressMap& map, ParamGroup group, int index);
std::string EntryAddress(const AddressMap& map, ParamGroup group, int index);
// The address of the second word of a two-word Position entry (cell 13 + index).
std::string CompanionAddress(const AddressMap& map, int index);

// Entries at one address are one amplifier word, cached under each of them:
// several bit fields of one word (FX System 0, 2 and Position 0, for one),
// or one setting that two groups show (Speed 10 and Position 10). A read or
// an edit of any of them refreshes all its copies, so that a later edit of a
// sibling merges into the word as last written. The cells of the word of
// (group, index): every enabled entry at its address, or the entry alone.
std::vector<CacheCell> WordCells(const AddressMap& map, ParamGroup group, int index);

// How the group read fetches the entry on the current family.
ReadKind EntryReadKind(ParamGroup group, int index, const DriveState& state);

// Texts and editor settings of an entry for the current family.
int NameMsg(ParamGroup group, int index);
int UnitMsg(ParamGroup group, int index, const DriveState& state);
int MaxLength(ParamGroup group, int index);  // 0: unlimited
double Increment(ParamGroup group, int index, const DriveState& state);
// The limits and tip lines the window sets when it opens; Set is false where
// the family makes no call (the tip range is then 0 ... 0).
Limits EntryLimits(ParamGroup group, int index, const DriveState& state);
// What leaving an editor makes of a typed value: above max the maximum, below
// min (or not a number) the minimum. An entry without limits keeps the
// editor's default limits 0 ... 0 (those of a Limits left unset).
double ClampToLimits(double value, double min, double max);

// Display value of a raw value; empty when the conversion divides by zero or
// the family has no such entry.
std::optional<double> DisplayValue(ParamGroup group, int index, std::int32_t raw,
                                   const DriveState& state);
// A display value in the entry's format ("%.0f", "%.1f" or "%.3f"); "" for an
// index outside the group.
std::string FormatDisplay(ParamGroup group, int index, double value, const DriveState& state);
// The text of a raw value: the formatted display value, or ValuePlaceholder.
std::string ShowText(ParamGroup group, int index, std::int32_t raw, const DriveState& state);
// Column 1 of an entry's row: "" when the entry is not enabled, else the text
// of its cached value.
std::string ValueCellText(ParamGroup group, int index, const ParamCaches& caches,
                          const DriveState& state, const AddressMap& map);
// Column 2 of an entry's row: "minimum -- maximum unit" in the entry's range
// format. The window writes it when it sets the editor's limits, which it does
// only for an enabled entry for which the family sets limits.
std::string RangeText(ParamGroup group, int index, double min, double max, const DriveState& state,
                      const std::string& unitText);

// What an edited display value becomes on the amplifier.
struct RawWrite {
    bool Valid = false;           // false: undefined conversion; nothing is stored or written
    std::int32_t CacheValue = 0;  // the new cached raw value (whole value of two-word entries)
    std::int32_t Raw = 0;         // word written at the entry's address
    std::int32_t Raw2 = 0;        // word written at the companion address (two-word modes)
    int WriteMode = 0;
    bool TwoWords() const {
        return WriteMode == WriteTwoWordsBoth || WriteMode == WriteTwoWordsRam;
    }
};
// Converts the edited value v of an entry; bit fields merge into the entry's
// cached word. Refused (Valid false) when the conversion needs a BX scaling word
// that is 0 or divides by v = 0, or when v is not a number.
RawWrite ConvertEdit(ParamGroup group, int index, double v, const ParamCaches& caches,
                     const DriveState& state);

// Truncates toward zero into 32 bits, after taking the value to 15
// significant digits; beyond the range the nearest limit.
std::int32_t TruncToInt32(double value);
