#include "monitor/IoDisplay.h"

#include "link/CatalogueTexts.h"
#include "link/Procedure.h"
#include "monitor/BusyFlag.h"

using namespace CatalogueTexts;

namespace {

// Bit of each signal in its word; the inversions follow from family and version.
struct BitMap {
    std::array<int, InputCount> inputs;
    std::array<int, OutputCount> outputs;
};
constexpr std::array<int, OutputCount> OutputBits{3, 0, 1, 2, 4, 5, 6, 7};
constexpr BitMap BxDxMap{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, OutputBits};
constexpr BitMap FxMap{{9, 10, 11, 12, 0, 1, 2, 3, 4, 5, 6, 7, 8}, OutputBits};

int Bit(int word, int bit) {
    return (word >> bit) & 1;
}

}  // namespace

IoStates DecodeIo(int ampFamily, int fxVersion, int servoWord, int ioWord) {
    const bool fx = ampFamily != Family::Bx && ampFamily != Family::Dx;
    const BitMap& map = fx ? FxMap : BxDxMap;
    const bool inputsInverted = fx && fxVersion <= 25;
    const bool outputsInverted = !fx;
    IoStates states;
    for (int i = 0; i < InputCount; ++i) {
        const int b = Bit(servoWord, map.inputs[i]);
        states.InputState[i] = inputsInverted ? 1 - b : b;
    }
    for (int j = 0; j < OutputCount; ++j) {
        const int b = Bit(ioWord, map.outputs[j]);
        states.OutputState[j] = outputsInverted ? 1 - b : b;
    }
    return states;
}

IODisplayPoll::IODisplayPoll(Drive& drive, DriveState& state, const AddressMap& map)
    : drive_(drive), state_(state), map_(map) {}

void IODisplayPoll::Open() {
    state_.ServoWord = 0;
    state_.IoWord = 0;
    States = IoStates{};
    inputsKnown_ = outputsKnown_ = false;
}

void IODisplayPoll::IODispalyTimerTimer() {
    if (!state_.IOFormOpen || state_.CommErrorLatched || state_.IODisplayBusy) return;
    BusyFlag busy(state_.IODisplayBusy);
    int value = 0;
    if (drive_.ReadFromRAM(map_.Servo, WordReplyLength, HexFormat, value) == 1) {
        state_.ServoWord = value & 0xFFFF;
        inputsKnown_ = true;
    }
    if (drive_.ReadFromRAM(map_.IO, WordReplyLength, HexFormat, value) == 1) {
        state_.IoWord = value & 0xFFFF;
        outputsKnown_ = true;
    }
}

std::array<IoPanelState, IoPanelCount> IODisplayPoll::PanelStates() {
    States = DecodeIo(state_.AmpFamily, state_.FxVersion, state_.ServoWord, state_.IoWord);
    std::array<IoPanelState, IoPanelCount> panels{};
    const auto shown = [](bool known, int state) {
        return !known ? IoPanelState::Unknown : state ? IoPanelState::On : IoPanelState::Off;
    };
    for (int i = 0; i < InputCount; ++i) panels[i] = shown(inputsKnown_, States.InputState[i]);
    for (int j = 0; j < OutputCount; ++j) {
        panels[InputCount + j] = shown(outputsKnown_, States.OutputState[j]);
    }
    return panels;
}

std::vector<int> IoPanels::Update(const std::array<IoPanelState, IoPanelCount>& wanted) {
    std::vector<int> changed;
    for (int p = 0; p < IoPanelCount; ++p) {
        if (wanted[p] == shown_[p]) continue;
        shown_[p] = wanted[p];
        changed.push_back(p);
    }
    return changed;
}

int IoPanelMessage(IoPanelState state) {
    switch (state) {
        case IoPanelState::Off:
            return MsgOff;
        case IoPanelState::On:
            return MsgOn;
        case IoPanelState::Unknown:
            break;
    }
    return 0;
}
