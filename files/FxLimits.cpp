#include "files/FxLimits.h"

namespace {

constexpr int FxNewVersion = 30;
constexpr int OldFxEntries = 52;

// clang-format off
constexpr FxLimit YzLimit{92, 81};
constexpr FxLimit FullLimit{127, 116};  // QRV group and FX from version 30
constexpr FxLimit OldFxLimit{63, 52};
// clang-format on

bool FullRange(const DriveState& state) {
    return state.QrvFlag || state.FxVersion >= FxNewVersion;
}

}  // namespace

FxLimit FxLimitFor(const DriveState& state) {
    if (state.YzFlag) return YzLimit;
    return FullRange(state) ? FullLimit : OldFxLimit;
}

bool DataLineCountWrong(const DriveState& state, int processed) {
    if (FullRange(state)) return processed < FxLimitFor(state).Divisor;
    return processed > OldFxEntries;
}
