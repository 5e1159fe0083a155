#include "shell/StatusPoll.h"

#include "shell/StatusTexts.h"

using namespace StatusTexts;

namespace {
constexpr int ModeIndex = 5;
constexpr int StatusIndex = 8;
constexpr int ServoIndex = 9;
}  // namespace

void StatusPoll::StsTimerTimer() {
    DriveState& state = link_.State();
    if (state.ParamWriteBusy || state.PollBusy) return;
    state.PollBusy = true;
    switch (state.AmpFamily) {
        case 0:
            PollBx();
            break;
        case 1:
            PollDx();
            break;
        default:
            PollFx();
            break;
    }
    state.PollBusy = false;
}

bool StatusPoll::Read(const std::string& address, int& value) {
    return link_.ReadFromRAM(address, 7, 1, value) == 1;
}

void StatusPoll::Recover() {
    DriveState& state = link_.State();
    if (!state.CommErrorLatched) return;
    LoadAddressMap(map_, state.AmpFamily, state.FxVersion, state.QrvFlag);
    identification_.Read_current_mode();
    state.CommErrorLatched = false;
}

void StatusPoll::PollBx() {
    DriveState& state = link_.State();
    MainPanel& panel = link_.Panel();
    int value = 0;
    if (!Read(map_.Servo, value)) return;
    if (value != state.ServoWord || state.CommErrorLatched) {
        state.ServoWord = value;
        Recover();
        panel.MainMsg1 = Msg(MsgServoOff + (value & 1));
    }

    if (!Read(map_.Ident[ServoIndex], value)) return;
    if (value != state.StatusWord || state.CommErrorLatched) {
        state.StatusWord = value;
        const int mode = (value >> 12) & 0xF;
        const int fieldA = (value >> 8) & 0xF;
        const int fieldB = (value >> 4) & 0xF;
        const int code = value & 0xF;
        state.CurrentMode = mode;
        state.StatusCode = code;
        panel.MainMsg6 = Msg(MsgBxFieldA + fieldA) + "  " + Msg(MsgBxFieldB + fieldB);
        panel.MainMsg2 = Msg(StatusMessage(0, code));
        panel.MainMsg3 = Msg(ModeMessage(0, mode));
    }
}

void StatusPoll::PollDx() {
    DriveState& state = link_.State();
    MainPanel& panel = link_.Panel();
    int value = 0;
    if (!Read(map_.Ident[ServoIndex], value)) return;
    if (value != state.StatusWord || state.CommErrorLatched) {
        state.StatusWord = value;
        panel.MainMsg1 = Msg(MsgServoOff + value);
        Recover();
    }

    if (!Read(map_.Ident[StatusIndex], value)) return;
    if (value != state.StatusCode || state.CommErrorLatched) {
        state.StatusCode = value & 0xFF;
        panel.MainMsg2 = Msg(StatusMessage(1, state.StatusCode));
    }

    if (!Read(map_.Ident[ModeIndex], value)) return;
    if (value != state.CurrentMode || state.CommErrorLatched) {
        state.CurrentMode = value;
        if (const int message = ModeMessage(1, value)) panel.MainMsg3 = Msg(message);
    }
}

void StatusPoll::PollFx() {
    DriveState& state = link_.State();
    MainPanel& panel = link_.Panel();
    int value = 0;
    if (!Read(map_.Ident[ServoIndex], value)) return;
    int servo = 0;
    if (state.FxVersion < 26) {
        servo = (value & 0x200) ? 0 : 1;
    } else if (state.FxVersion <= 27) {
        servo = (value >> 9) & 1;
    } else {
        servo = 1 - value;
    }
    if (servo != state.StatusWord || state.CommErrorLatched || state.RefreshServo) {
        state.RefreshServo = false;
        state.StatusWord = servo;
        panel.MainMsg1 = Msg(MsgServoOff + servo);
        Recover();
    }

    if (!Read(map_.Ident[StatusIndex], value)) return;
    if (value != state.StatusCode || state.CommErrorLatched) {
        state.StatusCode = value;
        panel.MainMsg2 = Msg(StatusMessage(2, value));
    }

    if (!Read(map_.Ident[ModeIndex], value)) return;
    const int mode = value & 0xF;
    if (mode != state.CurrentMode || state.CommErrorLatched) {
        state.CurrentMode = mode;
        if (const int message = ModeMessage(2, mode)) panel.MainMsg3 = Msg(message);
    }
}
