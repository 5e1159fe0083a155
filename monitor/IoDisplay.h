#pragma once
#include <array>
#include <vector>

#include "link/AddressMap.h"
#include "link/Drive.h"
#include "link/DriveState.h"

// The I/O display without a window: the poll of IODispalyTimerTimer (600 ms),
// the bit maps of each family and version, and which panels need a redraw.

constexpr int InputCount = 13;
constexpr int OutputCount = 8;
constexpr int IoPanelCount = InputCount + OutputCount;  // inputs first, in signal order

// What a panel shows: unknown until a read of its word has succeeded since the
// display opened, then the decoded state.
enum class IoPanelState { Unknown, Off, On };

struct IoStates {
    std::array<int, InputCount> InputState{};    // input 1 ... 13, 0 or 1
    std::array<int, OutputCount> OutputState{};  // output 1 ... 8, 0 or 1
};

// Decodes the input word (ServoWord) and the output word (IoWord) through the
// family's bit maps and inversions.
IoStates DecodeIo(int ampFamily, int fxVersion, int servoWord, int ioWord);

class IODisplayPoll {
public:
    IODisplayPoll(Drive& drive, DriveState& state, const AddressMap& map);

    // The menu item's preparation: both words and all states start at 0, and
    // no word counts as read until the poll reads it.
    void Open();

    // One tick: the input word, then the output word; a failed read leaves its
    // word as it was. Nothing while the display is closed, the link latched or
    // a tick running.
    void IODispalyTimerTimer();

    bool InputsKnown() const { return inputsKnown_; }
    bool OutputsKnown() const { return outputsKnown_; }

    // What each panel should show now (inputs, then outputs). The states are
    // also kept in InputState/OutputState.
    std::array<IoPanelState, IoPanelCount> PanelStates();

    IoStates States;

private:
    Drive& drive_;
    DriveState& state_;
    const AddressMap& map_;
    bool inputsKnown_ = false;
    bool outputsKnown_ = false;
};

// The panels a window shows, remembered so that it redraws a panel only when
// what it should show differs from what it shows.
class IoPanels {
public:
    // Indexes of the panels that changed; they now count as shown.
    std::vector<int> Update(const std::array<IoPanelState, IoPanelCount>& wanted);
    IoPanelState Shown(int panel) const { return shown_[panel]; }

private:
    std::array<IoPanelState, IoPanelCount> shown_{};  // all Unknown at first
};

// Message of a panel's text: 82 off, 83 on; 0 for unknown (a fixed text).
int IoPanelMessage(IoPanelState state);
