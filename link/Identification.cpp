#include "link/Identification.h"

#include <cstdio>
#include <string>

#include "link/TypeFiles.h"

namespace {

constexpr int ReplyLength = 7;
constexpr int Hex = 1;
constexpr int Decimal = 0;

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

constexpr int MsgLinkOpen = 45;
constexpr int MsgLinkClosed = 46;

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
    SerialLine& port = link_.Port();
    DriveState& state = link_.State();
    if (port.Enabled()) {
        // Already connected: the next answered status poll re-identifies.
        state.CommErrorLatched = true;
        return;
    }
    const bool open = OpenWithLineSettings(port);
    link_.Panel().MainMsg4 = link_.Catalogue().Msg(open ? MsgLinkOpen : MsgLinkClosed);
    Read_current_mode();
}

void Identification::Read_current_mode() {
    DriveState& state = link_.State();
    state.ServoWord = 0;
    state.IoWord = 0;
    state.StatusWord = 0;
    switch (state.AmpFamily) {
        case 0:
            ReadBx();
            break;
        case 1:
            ReadDx();
            break;
        default:
            ReadFx();
            break;
    }
}

void Identification::ReadBx() {
    DriveState& state = link_.State();
    MainPanel& panel = link_.Panel();
    int value = 0;

    std::string cpu;
    if (link_.ReadFromEEP(map_.Ident[IdCpuFirst], ReplyLength, Decimal, value)) {
        state.CpuDate = value;
        cpu = Format("CPU:%4d:", value);
    }
    if (link_.ReadFromEEP(map_.Ident[IdCpuSecond], ReplyLength, Decimal, value)) {
        panel.CPULabel = cpu + Format("%04d", value);
    }

    std::string eep;
    if (link_.ReadFromEEP(map_.Ident[IdEepFirst], ReplyLength, Decimal, value)) {
        eep = Format("EEP:%4d:", value);
    }
    if (link_.ReadFromEEP(map_.Ident[IdEepSecond], ReplyLength, Decimal, value)) {
        panel.EEPLabel = eep + Format("%04d", value);
    }

    // Unreadable scaling words count as 1 so that no group divides by zero here.
    const auto readScale = [&](int index) {
        return link_.ReadFromEEP(map_.Ident[index], ReplyLength, Hex, value) ? value : 1;
    };
    state.BxScaleA = readScale(IdScaleA);
    state.BxScaleB = readScale(IdScaleB);
    state.BxScaleC = readScale(IdScaleC);

    if (!link_.ReadFromEEP(map_.Ident[IdMotorCode], ReplyLength, Decimal, value)) return;
    const int amplifierNumber = value / 1000;
    const int motorNumber = value % 1000;
    const std::string folder = state.StartFolder;
    const TypeText amplifier = BxAmplifierText(folder, amplifierNumber);
    const std::string motorText =
        amplifier.Found ? BxMotorText(folder, motorNumber).Text : "XXXXXXXXX";
    panel.MainMsg5 = amplifier.Text + motorText;
}

void Identification::ReadDx() {
    DriveState& state = link_.State();
    int value = 0;
    if (!link_.ReadFromRAM(map_.Ident[IdCpuWord], ReplyLength, Hex, value)) {
        link_.Communicating_error();
        return;
    }
    state.MotorCode = value;

    static const char* const modelAddresses[] = {"A8", "A9", "AA", "AB", "AC", "AD", "AE", "AF"};
    std::string model;
    for (const char* address : modelAddresses) {
        if (!link_.ReadFromRAM(address, ReplyLength, Hex, value)) continue;
        for (int shift : {8, 0}) {
            const char c = static_cast<char>((value >> shift) & 0xFF);
            if (c != '\0') model += c;  // a NUL pads a short model name
        }
    }
    link_.Panel().MainMsg5 = model;
}

void Identification::ReadFx() {
    DriveState& state = link_.State();
    MainPanel& panel = link_.Panel();
    int value = 0;

    const std::string& cpuAddress = map_.Ident[IdCpuWord];
    // The FX amplifier ends this one reply with a CR; older ones do not.
    bool cpuRead = link_.ReadFromRAM(cpuAddress, 8, Hex, value) ||
                   link_.ReadFromRAM(cpuAddress, ReplyLength, Hex, value);
    if (cpuRead) {
        int cpuWord = value & 0xFFFF;
        state.FxVersion = FxVersionForCpuWord(cpuWord, state.QrvFlag, state.FxVersion);
        if (state.FxVersion >= 30 || state.QrvFlag) panel.M34ResetEnabled = true;
        state.RefreshServo = true;
        LoadAddressMap(map_, state.AmpFamily, state.FxVersion, state.QrvFlag);
        state.CpuVersion = cpuWord;
        state.CpuDate = cpuWord;
        panel.CPULabel = Format("CPU:%5X", cpuWord);
    }

    if (!link_.ReadFromRAM(map_.Ident[IdRating], ReplyLength, Hex, value)) return;
    state.AmpRating = (value & 0xFFFF) / 10;
    std::string motorText = "XXXXXXXXX";
    if (link_.ReadFromRAM(map_.Ident[IdMotorCode], ReplyLength, Hex, value)) {
        state.MotorCode = value;
        motorText = FxMotorText(state.StartFolder, state.MotorCode, motorText);
    }
    panel.MainMsg5 = FxModelPrefix() + std::to_string(state.AmpRating) + "-" + motorText;
}

std::string Identification::FxModelPrefix() const {
    const DriveState& state = link_.State();
    if (state.YzFlag) return "YZ";
    if (!state.QrvFlag) return "FX";
    return state.LqrvFlag ? "LQRV-" : "KQRV-";
}
