#include "operation/TuneMachine.h"

#include <cstdio>

#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"
#include "link/Procedure.h"

using namespace CatalogueTexts;

namespace {

constexpr int TunePage = 6;
constexpr int StatusFinished = 15;
constexpr int StatusFailed = 14;

// The tuning command word: mode and status share it.
const std::string CommandAddress = "0D";

struct PageWrite {
    const char* Address;
    int Value;
};
// Page-6 values the amplifier's tuning starts from.
constexpr PageWrite Preparation[] = {
    {"00", 1638}, {"01", 1500}, {"02", 8192}, {"16", 0}, {"15", 0xFFFC}, {"17", 0}, {"38", 0},
};
// Low byte page-6 "15" holds while the tuning has not taken it over.
constexpr int PreparedLowByte = 252;

// How a gain parameter is handed to the tuning in modes 1 and 2.
enum class Scale { Keep, Halve, Double };
struct GainCopy {
    const char* Eeprom;
    const char* Page6;
    Scale LowModes;
};
constexpr GainCopy GainCopies[] = {
    {"71", "21", Scale::Keep},  {"72", "05", Scale::Keep},   {"73", "06", Scale::Keep},
    {"74", "09", Scale::Halve}, {"75", "03", Scale::Double}, {"76", "04", Scale::Double},
};

// The value written for a copied gain; nothing when it does not fit a word.
std::optional<int> ScaledGain(int value, Scale scale, int mode) {
    if (mode != 1 && mode != 2) return value;
    switch (scale) {
        case Scale::Keep:
            return value;
        case Scale::Halve:
            return value / 2;
        case Scale::Double: {
            const int doubled = value * 2;
            if (doubled < -32768 || doubled > 32767) return std::nullopt;
            return doubled;
        }
    }
    return value;
}

std::string FormatGain(const std::string& name, std::optional<double> gain) {
    if (!gain) return name + ":----:";
    char text[128];
    std::snprintf(text, sizeof text, "%s:%.0f:", name.c_str(), *gain);
    return text;
}

}  // namespace

TuneMachine::TuneMachine(Drive& drive, DriveState& state, const AddressMap& map)
    : drive_(drive), state_(state), map_(map) {}

void TuneMachine::Reset() {
    globals_ = TuneGlobals{};
}

void TuneMachine::Start(int mode) {
    globals_.TuneMode = mode;
    globals_.TuneState = TuneWaitServoOff;
    globals_.TuneRunning = true;
}

void TuneMachine::AutoTuneTimerTimer() {
    if (!state_.AutoTuneFormOpen || state_.AutoTuneBusy) return;
    state_.AutoTuneBusy = true;
    if (globals_.TuneRunning) Step();
    state_.AutoTuneBusy = false;
}

void TuneMachine::Step() {
    switch (globals_.TuneState) {
        case TuneWaitServoOff:
            return StepWaitServo(0, TunePrepare);
        case TunePrepare:
            return StepPrepare();
        case TuneCopyGains:
            return StepCopyGains();
        case TuneWaitServoOn:
            return StepWaitServo(1, TuneFollow);
        case TuneFollow:
            return StepFollow();
        case TuneStoring:
            return StepStore();
        default:
            return;
    }
}

bool TuneMachine::OK() {
    if (globals_.TuneState == TuneResultReady) {
        globals_.TuneState = TuneStoring;
        return true;
    }
    if (globals_.TuneState == TuneStored) {
        globals_.TuneState = TuneFinished;
        return true;
    }
    return false;
}

bool TuneMachine::CommandMayBeSet() const {
    return globals_.TuneState >= TunePrepare;
}

bool TuneMachine::Cancel() {
    globals_.TuneRunning = false;
    if (CommandMayBeSet() && !WriteCommand(0)) {
        StopWith(TuneWriteFailed);
        return false;
    }
    Reset();
    return true;
}

void TuneMachine::StepWaitServo(int wanted, int next) {
    int input = 0;
    if (!ReadInput(input)) return StopWith(TuneReadFailed);
    if ((input & 1) == wanted) globals_.TuneState = next;
}

void TuneMachine::StepPrepare() {
    if (!WriteCommand(0)) return StopWith(TuneWriteFailed);
    for (const PageWrite& write : Preparation) {
        if (!WritePage6(write.Address, write.Value)) return StopWith(TuneWriteFailed);
    }
    globals_.TuneState = TuneCopyGains;
}

void TuneMachine::StepCopyGains() {
    for (const GainCopy& copy : GainCopies) {
        int value = 0;
        if (!drive_.ReadFromEEP(copy.Eeprom, WordReplyLength, HexFormat, value)) {
            return StopWith(TuneReadFailed);
        }
        // A doubled gain that no longer fits a word would hand the tuning a
        // wrapped, meaningless value: give up before the command goes out.
        const std::optional<int> scaled = ScaledGain(value, copy.LowModes, globals_.TuneMode);
        if (!scaled) return StopWith(TuneFailed);
        if (!WritePage6(copy.Page6, *scaled)) return StopWith(TuneWriteFailed);
    }
    const int command = (globals_.TuneMode * 16 + 10) & 0xFFFF;
    if (!WriteCommand(command)) return StopWith(TuneWriteFailed);
    globals_.TuneState = TuneWaitServoOn;
}

void TuneMachine::StepFollow() {
    int input = 0;
    int status = 0;
    if (!ReadInput(input) || !ReadWord(CommandAddress, status)) return StopWith(TuneReadFailed);
    const int lowByte = status & 0xFF;
    if (lowByte == StatusFailed) return StopWith(TuneFailed);
    if (lowByte == StatusFinished) {
        int resultP = 0;
        int resultI = 0;
        if (!ReadWord("36", resultP) || !ReadWord("35", resultI)) return StopWith(TuneReadFailed);
        globals_.TuneResultP = resultP;
        globals_.TuneResultI = resultI;
        globals_.TuneState = TuneResultReady;
        return;
    }
    if ((input & 1) == 1) return;
    if (lowByte == 0) {
        // Servo off with no status: the tuning never started if page-6 "15"
        // still holds what the preparation wrote.
        int prepared = 0;
        if (!ReadPage6("15", prepared)) return StopWith(TuneReadFailed);
        if ((prepared & 0xFF) != PreparedLowByte) return;
        if (!ReadWord(CommandAddress, status)) return StopWith(TuneReadFailed);
        if ((status & 0xFF) == 0) StopWith(TuneFailed);
        return;
    }
    // Servo switched off mid-tuning: wait for it to come on again once the
    // status has settled.
    int first = 0;
    int second = 0;
    if (!ReadWord(CommandAddress, first) || !ReadWord(CommandAddress, second)) {
        return StopWith(TuneReadFailed);
    }
    if (first == second) globals_.TuneState = TuneWaitServoOn;
}

void TuneMachine::StepStore() {
    for (const char* address : {"36", "35"}) {
        int value = 0;
        if (!ReadWord(address, value)) return StopWith(TuneReadFailed);
        if (!drive_.WriteToEEP(address, value)) return StopWith(TuneWriteFailed);
    }
    globals_.TuneState = TuneStored;
}

// The input word's bit 0 is the servo-on input; the servo word of the address
// map is that word.
bool TuneMachine::ReadInput(int& value) {
    return ReadWord(map_.Servo, value);
}

bool TuneMachine::ReadWord(const std::string& address, int& value) {
    return drive_.ReadFromRAM(address, WordReplyLength, HexFormat, value) == 1;
}

bool TuneMachine::ReadPage6(const std::string& address, int& value) {
    return drive_.ReadFromRAMWithPage(address, WordReplyLength, TunePage, HexFormat, value) == 1;
}

bool TuneMachine::WritePage6(const std::string& address, int value) {
    return drive_.WriteToRAMWithPage(address, value, TunePage) == 1;
}

// The command lives in EEPROM and RAM alike: EEPROM first, as the amplifier
// reads it from there after a reset.
bool TuneMachine::WriteCommand(int command) {
    return drive_.WriteToEEP(CommandAddress, command) == 1 &&
           drive_.WriteToRAM(CommandAddress, command) == 1;
}

void TuneMachine::StopWith(int state) {
    globals_.TuneRunning = false;
    globals_.TuneState = state;
}

std::string PGainText(const std::string& name, double resultP, int bxScaleA) {
    if (bxScaleA == 0) return FormatGain(name, std::nullopt);
    return FormatGain(name, resultP * 100 / bxScaleA);
}

std::string IGainText(const std::string& name, double resultI, int bxScaleB) {
    if (resultI == 0) return FormatGain(name, std::nullopt);
    return FormatGain(name, 33 / resultI * bxScaleB);
}

TuneDisplay ShowTuneStatus(TuneGlobals& globals, const DriveState& state,
                           const MessageCatalogue& catalogue) {
    TuneDisplay display;
    const int shown = globals.TuneState;
    if (shown == TuneIdle || shown == globals.TuneShownState) return display;
    display.Changed = true;
    display.Red = shown > 10;
    if (shown != TuneResultReady) display.Status1 = catalogue.Msg(MsgTuneIdle + shown);
    globals.TuneShownState = shown;
    if (shown == TuneResultReady) {
        display.Status2 = catalogue.Msg(MsgTuneFinished);
        display.EnableOK = true;
        display.PGain =
            PGainText(catalogue.Msg(MsgSpeedLoopGain), globals.TuneResultP, state.BxScaleA);
        display.IGain =
            IGainText(catalogue.Msg(MsgSpeedLoopIntegral), globals.TuneResultI, state.BxScaleB);
    } else if (shown == TuneStored) {
        display.EnableOK = true;
        display.DisableCancel = true;
        globals.TuneRunning = false;
        display.Status2 = std::string();
    } else if (shown == TuneFinished) {
        globals = TuneGlobals{};
        display.Finish = true;
    }
    return display;
}
