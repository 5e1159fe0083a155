#include "shell/StatusTexts.h"

#include <array>
#include <utility>

namespace StatusTexts {

int StatusMessage(int ampFamily, int statusCode) {
    static constexpr std::array<std::pair<int, int>, 6> fxSpecial{
        {{2, 150}, {6, 164}, {7, 149}, {8, 148}, {13, 147}, {15, 146}}};
    if (ampFamily == 2) {
        for (const auto& [code, message] : fxSpecial) {
            if (code == statusCode) return message;
        }
    }
    return MsgStatusBase + statusCode;
}

int ModeMessage(int ampFamily, int mode) {
    static constexpr std::array<int, 6> dxFxModes{57, 58, 56, 59, 60, 61};
    if (ampFamily == 0) return MsgBxModeBase + mode;
    const int modeCount = ampFamily == 1 ? 3 : 6;
    if (mode < 0 || mode >= modeCount) return 0;
    return dxFxModes[mode];
}

}  // namespace StatusTexts
