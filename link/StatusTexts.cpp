#include "link/StatusTexts.h"

#include <array>
#include <utility>

#include "link/CatalogueTexts.h"

using namespace CatalogueTexts;

namespace StatusTexts {

namespace {

// Mode texts of DX (modes 0-2) and the FX group (modes 0-5).
constexpr std::array<int, 6> DxFxModeMessages{57, 58, 56, 59, 60, 61};
constexpr int DxModeCount = 3;

void DrawOutage(const DriveState& state, const MessageCatalogue& catalogue, MainPanel& panel) {
    panel.MainMsg1 = catalogue.Msg(MsgServoOff);
    panel.MainMsg2 = catalogue.Msg(MsgCommError);
    panel.MainMsg3 = catalogue.Msg(MsgModeUnknown);
    if (state.AmpFamily == Family::Bx) {
        panel.MainMsg6 = catalogue.Msg(MsgBxFieldA) + " " + catalogue.Msg(MsgBxFieldB);
    }
}

void DrawLive(const DriveState& state, const MessageCatalogue& catalogue, MainPanel& panel) {
    const bool bx = state.AmpFamily == Family::Bx;
    // BX keeps the servo word itself; the others keep the servo state in StatusWord.
    const int servo = bx ? (state.ServoWord & 1) : state.StatusWord;
    panel.MainMsg1 = catalogue.Msg(MsgServoOff + servo);
    panel.MainMsg2 = catalogue.Msg(StatusMessage(state.AmpFamily, state.StatusCode));
    if (const int mode = ModeMessage(state.AmpFamily, state.CurrentMode)) {
        panel.MainMsg3 = catalogue.Msg(mode);
    }
    if (bx) {
        panel.MainMsg6 = catalogue.Msg(MsgBxFieldA + ((state.StatusWord >> 8) & 0xF)) + "  " +
                         catalogue.Msg(MsgBxFieldB + ((state.StatusWord >> 4) & 0xF));
    }
}

}  // namespace

int StatusMessage(int ampFamily, int statusCode) {
    static constexpr std::array<std::pair<int, int>, 6> fxSpecial{
        {{2, 150}, {6, 164}, {7, 149}, {8, 148}, {13, 147}, {15, 146}}};
    if (ampFamily == Family::Fx) {
        for (const auto& [code, message] : fxSpecial) {
            if (code == statusCode) return message;
        }
    }
    return MsgStatusBase + statusCode;
}

int ModeMessage(int ampFamily, int mode) {
    if (ampFamily == Family::Bx) return MsgBxModeBase + mode;
    const int modeCount =
        ampFamily == Family::Dx ? DxModeCount : static_cast<int>(DxFxModeMessages.size());
    if (mode < 0 || mode >= modeCount) return 0;
    return DxFxModeMessages[static_cast<std::size_t>(mode)];
}

void DrawStatusTexts(const DriveState& state, const MessageCatalogue& catalogue, MainPanel& panel) {
    if (state.CommErrorLatched) {
        DrawOutage(state, catalogue, panel);
    } else {
        DrawLive(state, catalogue, panel);
    }
}

}  // namespace StatusTexts
