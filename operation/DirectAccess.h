#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "link/Drive.h"
#include "link/DriveState.h"

class MessageCatalogue;
class Questions;

// The two halves of the direct read/write window. "ROM" is the parameter
// store: EEPROM on BX, RAM on the other families, which have no RAM half.
enum class DirectHalf { Rom, Ram };

// DirectRequest values.
namespace DirectKind {
enum : int { None = 0, RomWrite = 1, RomRead = 2, RamWrite = 4, RamRead = 8 };
}  // namespace DirectKind

struct DirectRange {
    int Min = 0;
    int Max = 0;
    int Initial = 0;
};

// Address range of a half for the connected family. Addresses are sent as one
// byte, so none goes above 255.
DirectRange DirectAddressRange(const DriveState& state, DirectHalf half);
bool HasRamHalf(const DriveState& state);
// The address as sent: two upper-case hexadecimal digits of its low byte.
std::string DirectAddressText(int address);
// A decimal number as typed ("12", "-3", "1.5"); nothing for an empty text,
// "-", "12-3" or anything else that is not a number.
std::optional<double> ParseEntryNumber(const std::string& text);

// One click of a read or write button, taken at the time of the click.
struct DirectRequestRecord {
    int Kind = DirectKind::None;
    int Address = 0;
    int Value = 0;
};

// What DataFresh shows: the values a read delivered, one line for each
// request performed since the last refresh, and why the last click was
// refused (empty once a click is accepted).
struct DirectFresh {
    std::optional<int> RomValue, RamValue;  // set when a read delivered
    std::vector<std::string> Results;
    std::string Refusal;
};

// Direct reading and writing of single amplifier words for service work. The
// window hands over its entries' texts; requests queue up in click order and
// DirectSetTimer performs them all; each one's result is kept for the window.
class DirectAccess {
public:
    DirectAccess(Drive& drive, DriveState& state, const MessageCatalogue& catalogue);

    // FormCreate: addresses and values back to the family's start.
    void FormCreate();

    // ROMWriteBtnClick / RAMWriteBtnClick and the read buttons. A text that
    // is not a number, or lies outside its range, is refused: nothing is
    // queued and the result says why. True when queued.
    bool WriteClick(DirectHalf half, const std::string& addressText, const std::string& valueText);
    bool ReadClick(DirectHalf half, const std::string& addressText);

    // The handler of DirectSet (500 ms).
    void DirectSetTimer();
    // The window's DataFresh (100 ms).
    DirectFresh DataFresh();

    // Entry handling. Changes take only texts that are numbers; leaving an
    // entry clamps a number into its range and returns the text the entry
    // shows then. Leaving an entry that holds no number leaves it so: a click
    // refuses it rather than sending a made-up value.
    void AddressChange(DirectHalf half, const std::string& text);
    void ValueChange(DirectHalf half, const std::string& text);
    std::string AddressExit(DirectHalf half, const std::string& text);
    std::string ValueExit(DirectHalf half, const std::string& text);

    // The read-only boxes: address as two hexadecimal digits, value as four;
    // dashes while the entry holds a text that is no number.
    std::string AddressBox(DirectHalf half) const;
    std::string ValueBox(DirectHalf half) const;
    // FX group: the parameter number of the ROM address, "%02d".
    std::string ParameterNumber() const { return parameterNumber_; }

    int Address(DirectHalf half) const { return Entry(half).Address; }
    int Value(DirectHalf half) const { return Entry(half).Value; }
    const std::deque<DirectRequestRecord>& Requests() const { return requests_; }

private:
    struct HalfEntry {
        int Address = 0;
        int Value = 0;
        bool AddressValid = true;
        bool ValueValid = true;
    };
    HalfEntry& Entry(DirectHalf half) { return half == DirectHalf::Rom ? rom_ : ram_; }
    const HalfEntry& Entry(DirectHalf half) const { return half == DirectHalf::Rom ? rom_ : ram_; }
    std::optional<int> CheckedAddress(DirectHalf half, const std::string& text);
    std::optional<int> CheckedValue(const std::string& text);
    void SetAddress(DirectHalf half, int address);
    void Perform(const DirectRequestRecord& request);
    void Refuse(int entry, bool isNumber);
    void Report(const DirectRequestRecord& request, bool ok);

    Drive& drive_;
    DriveState& state_;
    const MessageCatalogue& catalogue_;
    HalfEntry rom_;
    HalfEntry ram_;
    std::string parameterNumber_;
    std::deque<DirectRequestRecord> requests_;
    bool dataReady_ = false;
    std::vector<std::string> results_;
    std::string refusal_;
};

// M34ResetClick: the reset command, once. A reset the amplifier did not
// acknowledge is reported with an error box; true when acknowledged.
bool ResetAmplifier(Drive& drive, Questions& questions, const MessageCatalogue& catalogue);
