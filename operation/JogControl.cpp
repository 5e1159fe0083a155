#include "operation/JogControl.h"

#include <cmath>
#include <cstdio>

#include "link/Procedure.h"

namespace {

const std::string SpeedAddress = "2E";
const std::string RunAddress = "76";

// Internal units of "2E" against the r/min of the speed entry.
constexpr double EntryPerInternal = 0.183105468;
constexpr double InternalPerEntry = 5.46133;

int Truncated(double value) {
    return static_cast<int>(std::trunc(value));
}

// Display rule of one jog value: raw * Multiplier / Divisor.
struct JogValueRule {
    double Multiplier;
    double Divisor;
};
constexpr JogValueRule JogValueRules[4] = {
    {3000, 16384},  // motor speed
    {300, 24576},   // torque command
    {1, 10},        // load ratio
    {300, 24576},   // motor current
};

}  // namespace

JogControl::JogControl(Drive& drive, DriveState& state, const AddressMap& map)
    : drive_(drive), state_(state), map_(map) {}

bool JogControl::ReadSavedSpeed() {
    int word = 0;
    if (!drive_.ReadFromEEP(SpeedAddress, WordReplyLength, HexFormat, word)) return false;
    savedSpeedWord_ = word;
    globals_.JogSpeedSaved = Truncated(word * EntryPerInternal);
    return true;
}

void JogControl::Reset() {
    globals_.JogStartRequest = globals_.JogStopRequest = globals_.JogRunning = false;
    stopPending_ = restorePending_ = false;
    notice_ = JogNotice::None;
}

bool JogControl::Start(double speed, bool clockwise) {
    if (speed == 0) return false;
    globals_.JogSpeedCommand = Truncated(clockwise ? speed : -speed);
    globals_.JogStartRequest = true;
    return true;
}

void JogControl::Stop() {
    globals_.JogStopRequest = true;
}

void JogControl::JogTimerTimer() {
    if (!state_.JogFormOpen || state_.JogBusy) return;
    state_.JogBusy = true;
    if (globals_.JogStartRequest) {
        globals_.JogStartRequest = false;
        PerformStart();
    }
    if (globals_.JogStopRequest) {
        globals_.JogStopRequest = false;
        stopPending_ = restorePending_ = true;
    }
    if (stopPending_ || restorePending_) PerformStop();
    ReadValues();
    state_.JogBusy = false;
}

bool JogControl::CanClose() const {
    return !globals_.JogRunning && !stopPending_ && !restorePending_;
}

bool JogControl::Idle() const {
    return CanClose() && !globals_.JogStartRequest;
}

bool JogControl::StopNow() {
    globals_.JogStartRequest = false;
    if (globals_.JogRunning || globals_.JogStopRequest) stopPending_ = restorePending_ = true;
    globals_.JogStopRequest = false;
    if (stopPending_ || restorePending_) PerformStop();
    return CanClose();
}

// The run command goes out only after the speed is in place: otherwise the
// motor would run at whatever "2E" held, perhaps the other way round.
void JogControl::PerformStart() {
    if (stopPending_ || restorePending_) return;
    const int internal = Truncated(globals_.JogSpeedCommand * InternalPerEntry);
    if (!drive_.WriteToRAM(SpeedAddress, internal)) {
        notice_ = JogNotice::StartRefused;
        return;
    }
    // Unacknowledged or not, the command may have arrived: count the motor
    // as running so that only a confirmed stop ends the run.
    globals_.JogRunning = true;
    notice_ = drive_.WriteToRAM(RunAddress, 1) ? JogNotice::None : JogNotice::RunUnconfirmed;
}

// The speed is given back only once the motor has stopped, so a stop that
// did not arrive never changes the speed of a running motor.
void JogControl::PerformStop() {
    if (stopPending_ && drive_.WriteToRAM(RunAddress, 0)) stopPending_ = false;
    if (!stopPending_ && restorePending_ && drive_.WriteToRAM(SpeedAddress, savedSpeedWord_)) {
        restorePending_ = false;
    }
    globals_.JogRunning = stopPending_ || restorePending_;
    notice_ = globals_.JogRunning ? JogNotice::StopRetrying : JogNotice::None;
}

void JogControl::ReadValues() {
    for (std::size_t i = 0; i < globals_.MonitorValues.size(); ++i) {
        int value = 0;
        if (drive_.ReadFromRAM(map_.Monitor[i], WordReplyLength, HexFormat, value)) {
            globals_.MonitorValues[i] = value;
        }
    }
}

std::array<std::string, 4> JogValueTexts(const std::array<int, 4>& values) {
    std::array<std::string, 4> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const JogValueRule& rule = JogValueRules[i];
        char text[64];
        std::snprintf(text, sizeof text, "%8.1f", values[i] * rule.Multiplier / rule.Divisor);
        texts[i] = text;
    }
    return texts;
}
