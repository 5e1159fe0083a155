#include "operation/DirectAccess.h"

#include <cmath>
#include <cstdio>

#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"
#include "link/Procedure.h"
#include "link/Questions.h"

using namespace CatalogueTexts;

namespace {

constexpr int FirstFxParameter = 12;
constexpr int ValueMin = -32768;
constexpr int ValueMax = 32767;

// What a box shows while its entry holds no number: nothing will be sent.
const char* const NoNumberBox = "----";

const std::string ResetAddress = "C4";

bool IsWrite(int kind) {
    return kind == DirectKind::RomWrite || kind == DirectKind::RamWrite;
}

std::string ParameterNumberText(int address) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", address - FirstFxParameter);
    return text;
}

std::string NumberText(int value) {
    return std::to_string(value);
}

}  // namespace

DirectRange DirectAddressRange(const DriveState& state, DirectHalf half) {
    if (half == DirectHalf::Ram || state.AmpFamily == Family::Bx) return {0, 127, 0};
    if (state.AmpFamily == Family::Dx) return {48, 175, 48};
    return {12, state.QrvFlag ? 255 : 63, 12};
}

bool HasRamHalf(const DriveState& state) {
    return state.AmpFamily == Family::Bx;
}

std::string DirectAddressText(int address) {
    return HexWord(address).substr(2);
}

std::optional<double> ParseEntryNumber(const std::string& text) {
    std::size_t at = text.size() > 0 && text[0] == '-' ? 1 : 0;
    int digits = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    return std::stod(text);
}

DirectAccess::DirectAccess(Drive& drive, DriveState& state, const MessageCatalogue& catalogue)
    : drive_(drive), state_(state), catalogue_(catalogue) {}

void DirectAccess::FormCreate() {
    dataReady_ = false;
    requests_.clear();
    results_.clear();
    refusal_.clear();
    rom_ = {DirectAddressRange(state_, DirectHalf::Rom).Initial, 0};
    ram_ = {DirectAddressRange(state_, DirectHalf::Ram).Initial, 0};
    parameterNumber_ = ParameterNumberText(FirstFxParameter);
}

bool DirectAccess::WriteClick(DirectHalf half, const std::string& addressText,
                              const std::string& valueText) {
    const std::optional<int> address = CheckedAddress(half, addressText);
    if (!address) return false;
    const std::optional<int> value = CheckedValue(valueText);
    if (!value) return false;
    Entry(half) = {*address, *value};
    refusal_.clear();
    requests_.push_back(
        {half == DirectHalf::Rom ? DirectKind::RomWrite : DirectKind::RamWrite, *address, *value});
    return true;
}

bool DirectAccess::ReadClick(DirectHalf half, const std::string& addressText) {
    const std::optional<int> address = CheckedAddress(half, addressText);
    if (!address) return false;
    Entry(half).Address = *address;
    Entry(half).AddressValid = true;
    refusal_.clear();
    requests_.push_back(
        {half == DirectHalf::Rom ? DirectKind::RomRead : DirectKind::RamRead, *address, 0});
    return true;
}

void DirectAccess::DirectSetTimer() {
    if (requests_.empty() || !state_.DirectRWFormOpen || state_.DirectSetBusy) return;
    state_.DirectSetBusy = true;
    while (!requests_.empty()) {
        const DirectRequestRecord request = requests_.front();
        requests_.pop_front();
        Perform(request);
    }
    state_.DirectSetBusy = false;
}

DirectFresh DirectAccess::DataFresh() {
    DirectFresh fresh;
    if (dataReady_ && requests_.empty()) {
        fresh.RomValue = rom_.Value;
        if (HasRamHalf(state_)) fresh.RamValue = ram_.Value;
        dataReady_ = false;
    }
    fresh.Results.swap(results_);
    fresh.Refusal = refusal_;
    return fresh;
}

// An empty entry (or a lone minus sign) is being typed and changes nothing;
// any other text that is no number leaves the box without a value, so it
// never shows a number that would not be sent.
void DirectAccess::AddressChange(DirectHalf half, const std::string& text) {
    if (text.empty()) return;
    const std::optional<double> number = ParseEntryNumber(text);
    Entry(half).AddressValid = number.has_value();
    if (number) SetAddress(half, static_cast<int>(std::trunc(*number)));
}

void DirectAccess::ValueChange(DirectHalf half, const std::string& text) {
    if (text.empty() || text == "-") return;
    const std::optional<double> number = ParseEntryNumber(text);
    const bool valid = number && *number >= ValueMin && *number <= ValueMax;
    Entry(half).ValueValid = valid;
    if (valid) Entry(half).Value = static_cast<int>(std::trunc(*number));
}

std::string DirectAccess::AddressExit(DirectHalf half, const std::string& text) {
    const DirectRange range = DirectAddressRange(state_, half);
    const std::optional<double> number = ParseEntryNumber(text);
    if (!number) {
        if (!text.empty()) return text;
        SetAddress(half, range.Min);
        return NumberText(range.Min);
    }
    if (*number > range.Max) {
        SetAddress(half, range.Max);
        return NumberText(range.Max);
    }
    if (*number < range.Min) {
        SetAddress(half, range.Min);
        return NumberText(range.Min);
    }
    AddressChange(half, text);
    return text;
}

std::string DirectAccess::ValueExit(DirectHalf half, const std::string& text) {
    const std::optional<double> number = ParseEntryNumber(text);
    if (!number) return text;
    const double clamped = std::fmin(std::fmax(*number, ValueMin), ValueMax);
    if (clamped == *number) {
        ValueChange(half, text);
        return text;
    }
    Entry(half).Value = static_cast<int>(clamped);
    Entry(half).ValueValid = true;
    return NumberText(Entry(half).Value);
}

std::string DirectAccess::AddressBox(DirectHalf half) const {
    const HalfEntry& entry = Entry(half);
    return entry.AddressValid ? DirectAddressText(entry.Address) : std::string(NoNumberBox, 2);
}

std::string DirectAccess::ValueBox(DirectHalf half) const {
    const HalfEntry& entry = Entry(half);
    return entry.ValueValid ? HexWord(entry.Value) : NoNumberBox;
}

std::optional<int> DirectAccess::CheckedAddress(DirectHalf half, const std::string& text) {
    const DirectRange range = DirectAddressRange(state_, half);
    const std::optional<double> number = ParseEntryNumber(text);
    if (!number || *number < range.Min || *number >= range.Max + 1) {
        Refuse(MsgAddress, number.has_value());
        return std::nullopt;
    }
    return static_cast<int>(std::trunc(*number));
}

std::optional<int> DirectAccess::CheckedValue(const std::string& text) {
    const std::optional<double> number = ParseEntryNumber(text);
    if (!number || *number <= ValueMin - 1 || *number >= ValueMax + 1) {
        Refuse(MsgValue, number.has_value());
        return std::nullopt;
    }
    return static_cast<int>(std::trunc(*number));
}

void DirectAccess::SetAddress(DirectHalf half, int address) {
    Entry(half).Address = address;
    Entry(half).AddressValid = true;
    if (half == DirectHalf::Rom && state_.AmpFamily == Family::Fx && address >= FirstFxParameter) {
        parameterNumber_ = ParameterNumberText(address);
    }
}

void DirectAccess::Perform(const DirectRequestRecord& request) {
    const std::string address = DirectAddressText(request.Address);
    const bool eeprom = state_.AmpFamily == Family::Bx && (request.Kind == DirectKind::RomWrite ||
                                                           request.Kind == DirectKind::RomRead);
    bool ok = false;
    if (IsWrite(request.Kind)) {
        ok = eeprom ? drive_.WriteToEEP(address, request.Value) == 1
                    : drive_.WriteToRAM(address, request.Value) == 1;
    } else {
        int value = 0;
        ok = eeprom ? drive_.ReadFromEEP(address, WordReplyLength, HexFormat, value) == 1
                    : drive_.ReadFromRAM(address, WordReplyLength, HexFormat, value) == 1;
        if (ok) {
            HalfEntry& entry =
                Entry(request.Kind == DirectKind::RomRead ? DirectHalf::Rom : DirectHalf::Ram);
            entry.Value = value;
            entry.ValueValid = true;
            dataReady_ = true;
        }
    }
    Report(request, ok);
}

// "Value: not a number" or "Value: Range". It stands until a click is accepted.
void DirectAccess::Refuse(int entry, bool isNumber) {
    refusal_ = catalogue_.Msg(entry) + ": " + catalogue_.Msg(isNumber ? MsgRange : MsgNotANumber);
}

// "Write 64 = FFFF: OK", "Read 64: 0123", or the failure text.
void DirectAccess::Report(const DirectRequestRecord& request, bool ok) {
    const bool write = IsWrite(request.Kind);
    std::string text =
        catalogue_.Msg(write ? MsgWrite : MsgRead) + " " + DirectAddressText(request.Address);
    if (write) text += " = " + HexWord(request.Value);
    text += ": ";
    if (!ok) {
        text += catalogue_.Msg(write ? MsgWriteFailed : MsgReadFailed);
    } else {
        const int value =
            Entry(request.Kind == DirectKind::RamRead ? DirectHalf::Ram : DirectHalf::Rom).Value;
        text += write ? catalogue_.Msg(MsgDialogOk) : HexWord(value);
    }
    results_.push_back(text);
}

bool ResetAmplifier(Drive& drive, Questions& questions, const MessageCatalogue& catalogue) {
    if (drive.WriteToRAM(ResetAddress, 0) == 1) return true;
    questions.StandardDialog(catalogue.Msg(MsgWriteFailed), DialogKind::Error, {sbOK});
    return false;
}
