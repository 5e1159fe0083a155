#include "shell/StatusPoll.h"

#include "link/Procedure.h"
#include "link/StatusTexts.h"

namespace {
constexpr int ModeIndex = 5;
constexpr int StatusIndex = 8;
constexpr int ServoIndex = 9;
}  // namespace

void StatusPoll::StsTimerTimer() {
    if (state_.ParamWriteBusy || state_.PollBusy) return;
    state_.PollBusy = true;
    recovered_ = false;
    changed_ = false;
    switch (state_.AmpFamily) {
        case Family::Bx:
            PollBx();
            break;
        case Family::Dx:
            PollDx();
            break;
        default:
            PollFx();
            break;
    }
    // A label keeps its text until its word changes; a failed read has shown
    // the outage's texts already.
    if (changed_) StatusTexts::DrawStatusTexts(state_, catalogue_, panel_);
    state_.PollBusy = false;
}

bool StatusPoll::Read(const std::string& address, int& value) {
    return drive_.ReadFromRAM(address, WordReplyLength, HexFormat, value) == 1;
}

void StatusPoll::Recover() {
    if (!state_.CommErrorLatched) return;
    LoadAddressMap(map_, state_.AmpFamily, state_.FxVersion, state_.QrvFlag);
    identification_.Read_current_mode();
    if (auto change = identification_.TakeDriveChange()) driveChange_ = std::move(change);
    state_.CommErrorLatched = false;
    recovered_ = true;
}

void StatusPoll::PollBx() {
    int value = 0;
    if (!Read(map_.Servo, value)) return;
    if (value != state_.ServoWord || MustRedraw()) {
        Recover();
        // Re-identification clears the status words; the word just read stands.
        state_.ServoWord = value;
        changed_ = true;
    }

    if (!Read(map_.Ident[ServoIndex], value)) return;
    if (value != state_.StatusWord || MustRedraw()) {
        state_.StatusWord = value;
        state_.CurrentMode = (value >> 12) & 0xF;
        state_.StatusCode = value & 0xF;
        changed_ = true;
    }
}

void StatusPoll::PollDx() {
    int value = 0;
    if (!Read(map_.Ident[ServoIndex], value)) return;
    if (value != state_.StatusWord || MustRedraw()) {
        Recover();
        state_.StatusWord = value;
        changed_ = true;
    }

    if (!Read(map_.Ident[StatusIndex], value)) return;
    if (value != state_.StatusCode || MustRedraw()) Take(state_.StatusCode, value & 0xFF);

    if (!Read(map_.Ident[ModeIndex], value)) return;
    if (value != state_.CurrentMode || MustRedraw()) Take(state_.CurrentMode, value);
}

void StatusPoll::PollFx() {
    int value = 0;
    if (!Read(map_.Ident[ServoIndex], value)) return;
    int servo = 0;
    if (state_.FxVersion < 26) {
        servo = (value & 0x200) ? 0 : 1;
    } else if (state_.FxVersion <= 27) {
        servo = (value >> 9) & 1;
    } else {
        servo = 1 - value;
    }
    if (servo != state_.StatusWord || MustRedraw() || state_.RefreshServo) {
        state_.RefreshServo = false;
        Recover();
        state_.StatusWord = servo;
        changed_ = true;
    }

    if (!Read(map_.Ident[StatusIndex], value)) return;
    if (value != state_.StatusCode || MustRedraw()) Take(state_.StatusCode, value);
    Recover();

    if (!Read(map_.Ident[ModeIndex], value)) return;
    const int mode = value & 0xF;
    if (mode != state_.CurrentMode || MustRedraw()) Take(state_.CurrentMode, mode);
}
