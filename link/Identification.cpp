#include "link/Identification.h"

#include <cstdio>
#include <string>

#include "link/CatalogueTexts.h"
#include "link/Procedure.h"
#include "link/StatusTexts.h"
#include "link/TypeFiles.h"

using namespace CatalogueTexts;

namespace {

enum IdentIndex {
    IdCpuWord = 0,
    IdCpuFirst = 1,
    IdCpuSecond = 2,
    IdEepFirst = 3,
    IdEepSecond = 4,
    IdMotorCode = 6,
    IdRating = 10,
    IdScaleA = 11,
    IdScaleB = 12,
    IdScaleC = 13
};

// The eight RAM words holding the DX model name, two characters each.
const char* const DxModelAddresses[] = {"A8", "A9", "AA", "AB", "AC", "AD", "AE", "AF"};

std::string Format(const char* format, int value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

int FxVersionForCpuWord(int& v, bool qrv, int earlierVersion) {
    if (qrv) {
        if (v < 0x3124) v += 0x10000;
        return 33;
    }
    if (v > 0x1330 && v <= 0x1612) return 27;
    if (v <= 0x1330 || v == 0x1C17) return 25;
    if (v > 0x1C17 && v < 0x2C16) return 28;
    if (v >= 0x2C16 && v < 0x3124) return 30;
    if (v >= 0x3124 && v < 0x3707) return 31;
    if (v >= 0x3707) return 33;
    return earlierVersion;  // no known version has a word between 0x1612 and 0x1C17
}

bool OpenWithLineSettings(SerialLine& port) {
    port.SetBaudRate(br9600);
    port.SetDataBits(da8);
    port.SetParity(paNone);  // stop bits stay as they are: one
    port.Open();
    if (!port.Enabled()) return false;
    port.SetRTSState(true);
    port.SetDTRState(true);
    return true;
}

void Identification::ConnectRS232() {
    if (port_.Enabled()) {
        // Already connected: the next answered status poll re-identifies.
        state_.CommErrorLatched = true;
        return;
    }
    const bool open = OpenWithLineSettings(port_);
    panel_.MainMsg4 = catalogue_.Msg(open ? MsgLinkOpen : MsgLinkClosed);
    Read_current_mode();
}

bool Identification::Read_current_mode() {
    state_.ServoWord = 0;
    state_.IoWord = 0;
    state_.StatusWord = 0;
    silent_ = false;
    failed_ = false;
    const bool latchedBefore = state_.CommErrorLatched;
    driveChange_.reset();
    switch (state_.AmpFamily) {
        case Family::Bx:
            ReadBx();
            break;
        case Family::Dx:
            ReadDx();
            break;
        default:
            ReadFx();
            break;
    }
    // A mailbox poll may fail and its retry succeed: the failure has still
    // been reported, and the report has put the placeholders back.
    if (!latchedBefore && state_.CommErrorLatched) failed_ = true;
    if (!failed_) {
        KeepCompletePass();
    } else if (!silent_) {
        PutBackLastGood();
    }
    return !failed_;
}

void Identification::KeepCompletePass() {
    const IdentifiedDrive found{state_.AmpFamily, state_.FxVersion, panel_.MainMsg5,
                                panel_.CPULabel};
    if (lastGood_.Identity && !(*lastGood_.Identity == found))
        driveChange_ = DriveChange{*lastGood_.Identity, found};
    lastGood_ = {found, panel_.EEPLabel, state_.BxScaleA, state_.BxScaleB, state_.BxScaleC};
}

// Only for the drive the last complete pass read: a pass for another family
// has nothing to put back.
void Identification::PutBackLastGood() {
    if (!lastGood_.Identity || lastGood_.Identity->Family != state_.AmpFamily) return;
    panel_.MainMsg5 = lastGood_.Identity->Model;
    panel_.CPULabel = lastGood_.Identity->Cpu;
    if (state_.AmpFamily != Family::Bx) return;
    panel_.EEPLabel = lastGood_.EepLabel;
    state_.BxScaleA = lastGood_.BxScaleA;
    state_.BxScaleB = lastGood_.BxScaleB;
    state_.BxScaleC = lastGood_.BxScaleC;
}

std::string DriveChangeText(const DriveChange& change, const MessageCatalogue& catalogue) {
    const auto shown = [](const IdentifiedDrive& identity) {
        return identity.Model + " " + identity.Cpu;
    };
    std::string text = catalogue.Msg(MsgOtherDrive);
    if (text.empty()) text = "Another amplifier answers on this port now: %1 (before: %2).";
    for (const auto& [mark, value] :
         {std::pair<std::string, std::string>{"%1", shown(change.After)},
          std::pair<std::string, std::string>{"%2", shown(change.Before)}}) {
        const std::size_t at = text.find(mark);
        if (at != std::string::npos) text.replace(at, 2, value);
    }
    return text;
}

bool Identification::Answered(int result) {
    if (result == 1) return true;
    failed_ = true;
    // "?" is what the reader keeps when not even a first character came.
    if (drive_.ReplyBuffer() == "?") silent_ = true;
    return false;
}

bool Identification::Read(const std::string& address, int replyLength, int format, int& value) {
    if (silent_) {
        failed_ = true;
        return false;
    }
    return Answered(drive_.ReadFromRAM(address, replyLength, format, value));
}

bool Identification::ReadEep(const std::string& address, int format, int& value) {
    if (silent_) {
        failed_ = true;
        return false;
    }
    return Answered(drive_.ReadFromEEP(address, WordReplyLength, format, value));
}

void Identification::ReadBx() {
    int first = 0;
    int second = 0;
    const bool cpuFirst = ReadEep(map_.Ident[IdCpuFirst], DecimalFormat, first);
    if (cpuFirst) state_.CpuDate = first;
    if (ReadEep(map_.Ident[IdCpuSecond], DecimalFormat, second) && cpuFirst) {
        panel_.CPULabel = Format("CPU:%4d:", first) + Format("%04d", second);
    }
    const bool eepFirst = ReadEep(map_.Ident[IdEepFirst], DecimalFormat, first);
    if (ReadEep(map_.Ident[IdEepSecond], DecimalFormat, second) && eepFirst) {
        panel_.EEPLabel = Format("EEP:%4d:", first) + Format("%04d", second);
    }

    // Unreadable scaling words count as 1 so that no group divides by zero here.
    const auto readScale = [&](int index) {
        int value = 0;
        return ReadEep(map_.Ident[index], HexFormat, value) ? value : 1;
    };
    state_.BxScaleA = readScale(IdScaleA);
    state_.BxScaleB = readScale(IdScaleB);
    state_.BxScaleC = readScale(IdScaleC);

    int code = 0;
    if (!ReadEep(map_.Ident[IdMotorCode], DecimalFormat, code)) return;
    const int amplifierNumber = code / 1000;
    const int motorNumber = code % 1000;
    const std::string& folder = state_.StartFolder;
    const TypeText amplifier = BxAmplifierText(folder, amplifierNumber);
    const std::string motorText =
        amplifier.Found ? BxMotorText(folder, motorNumber).Text : StatusTexts::UnknownMotorText;
    panel_.MainMsg5 = amplifier.Text + motorText;
}

void Identification::ReadDx() {
    int value = 0;
    if (!Read(map_.Ident[IdCpuWord], WordReplyLength, HexFormat, value)) {
        drive_.Communicating_error();
        return;
    }
    state_.MotorCode = value;

    std::string model;
    for (const char* address : DxModelAddresses) {
        if (!Read(address, WordReplyLength, HexFormat, value)) continue;
        for (int shift : {8, 0}) {
            const char c = static_cast<char>((value >> shift) & 0xFF);
            if (c != '\0') model += c;  // a NUL pads a short model name
        }
    }
    if (!failed_) panel_.MainMsg5 = model;
}

void Identification::ReadFx() {
    int value = 0;
    const std::string& cpuAddress = map_.Ident[IdCpuWord];
    // The FX amplifier ends this one reply with a CR; older ones do not.
    const bool cpuRead = Read(cpuAddress, CpuReplyLength, HexFormat, value) ||
                         Read(cpuAddress, WordReplyLength, HexFormat, value);
    if (cpuRead) {
        // The short read may follow a failed long one; only the answer counts.
        failed_ = false;
        int cpuWord = value & 0xFFFF;
        state_.FxVersion = FxVersionForCpuWord(cpuWord, state_.QrvFlag, state_.FxVersion);
        if (state_.FxVersion >= 30 || state_.QrvFlag) panel_.M34ResetEnabled = true;
        state_.RefreshServo = true;
        LoadAddressMap(map_, state_.AmpFamily, state_.FxVersion, state_.QrvFlag);
        state_.CpuVersion = cpuWord;
        state_.CpuDate = cpuWord;
        panel_.CPULabel = Format("CPU:%5X", cpuWord);
    }

    if (!Read(map_.Ident[IdRating], WordReplyLength, HexFormat, value)) return;
    state_.AmpRating = (value & 0xFFFF) / 10;
    // Without the motor the model text would be half a name: it keeps its placeholder.
    if (!Read(map_.Ident[IdMotorCode], WordReplyLength, HexFormat, value)) return;
    state_.MotorCode = value;
    const std::string motorText =
        FxMotorText(state_.StartFolder, state_.MotorCode, StatusTexts::UnknownMotorText);
    panel_.MainMsg5 = FxModelPrefix() + std::to_string(state_.AmpRating) + "-" + motorText;
}

std::string Identification::FxModelPrefix() const {
    if (state_.YzFlag) return "YZ";
    if (!state_.QrvFlag) return "FX";
    return state_.LqrvFlag ? "LQRV-" : "KQRV-";
}
