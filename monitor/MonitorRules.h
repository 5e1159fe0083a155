#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/AddressMap.h"
#include "link/DriveState.h"
#include "link/MessageCatalogue.h"

// The data monitor's rules without a window: which rows an amplifier offers,
// their captions and units, the words a tick reads for a row, and how raw
// values become the text the window shows. The window and servoctl both show
// values through MonitorValueText, so there is one set of rules.

constexpr int MonitorRowCount = 17;
constexpr int MonitorValueCount = 21;
constexpr int MonitorEntryCount = 21;

using MonitorSelectionFlags = std::array<std::uint8_t, MonitorRowCount>;  // index = row - 1
using MonitorRawValues = std::array<std::int32_t, MonitorValueCount>;     // M0 ... M20
using MonitorAddresses = std::array<std::string, MonitorEntryCount>;      // entry 0 ... 20

// Which column of the rule tables applies: the FX group changes its rows and
// scaling at version 26.
enum class MonitorVariant { Bx, Dx, FxFrom26, FxBefore26 };
MonitorVariant MonitorVariantOf(int ampFamily, int fxVersion);

// The 21 read addresses of the family, from the address map: entries 0 ... 16
// are the monitor table, 17 ... 20 its extra entries. An entry the family
// does not use is empty, so a stale address of an earlier family is never read.
MonitorAddresses MonitorAddressTableFor(const AddressMap& map, int ampFamily, int fxVersion);

// Rows the amplifier offers (index = row - 1). For BX the control mode counts
// as it is when this is asked, which the window does once, at opening.
std::array<bool, MonitorRowCount> MonitorRowsEnabled(int ampFamily, int fxVersion, int currentMode);

// Catalogue message of a row's caption; 0 where the row has none (rows 16 and
// 17 outside the FX group from version 26).
int MonitorCaptionMessage(int row, int ampFamily, int fxVersion);
int MonitorUnitMessage(int row);
// The caption a row shows: its catalogue text, or "Row N" in the language in
// use where the row has no caption message (rows 16 and 17 outside the FX
// group from version 26; below version 26 they stay selectable and read 0).
std::string MonitorCaptionText(int row, int ampFamily, int fxVersion,
                               const MessageCatalogue& catalogue);

// The value text of a row, exactly as the window shows it (8 characters,
// right-aligned, or "XXXXXXXX" where a BX gate word is set); empty for a row
// the variant has no rule for.
std::string MonitorValueText(int row, MonitorVariant variant, const MonitorRawValues& values);
// The number behind that text, unformatted; none where the text is no number
// (a row without a rule, or "XXXXXXXX").
std::optional<double> MonitorValueNumber(int row, MonitorVariant variant,
                                         const MonitorRawValues& values);
// A number as recordings write it: unpadded, with every digit a 32-bit
// counter needs.
std::string MonitorNumberText(double value);

// One word or long a tick reads for a row.
enum class MonitorReadKind { None, Word, Long, Zero };
struct MonitorRead {
    MonitorReadKind Kind = MonitorReadKind::None;
    int Entry = -1;               // entry of MonitorAddressTable, or -1 for Fixed
    const char* Fixed = nullptr;  // the BX gate words "B2" and "B6"
    int Value = 0;                // where the result goes in MonitorValues
};
using MonitorRowReads = std::array<MonitorRead, 3>;

// The reads of a row in the order a tick makes them (unused places have kind
// None). Rows 7 and 8 give the same pair: a tick makes it once for either.
const MonitorRowReads& MonitorReadsOf(int row, MonitorVariant variant);

// Whether a tick skips row 8 because row 7 is selected and reads the pair.
inline bool MonitorRowSharesReads(int row, const MonitorSelectionFlags& selection) {
    return row == 8 && selection[6];
}

// The least time one tick of the selection takes on the wire at 9600 bit/s:
// each read is a 6-character request and a 7- or 11-character reply.
int MonitorTickWireMs(const MonitorSelectionFlags& selection, MonitorVariant variant);
