#pragma once
#include <optional>
#include <string>

#include "link/AddressMap.h"
#include "link/Drive.h"
#include "link/DriveState.h"

class MessageCatalogue;

// States of the tuning sequence; the status text of state n is message 363 + n.
enum TuneStateValue {
    TuneIdle = 0,
    TuneWaitServoOff = 1,
    TunePrepare = 2,
    TuneCopyGains = 3,
    TuneWaitServoOn = 4,
    TuneFollow = 5,
    TuneResultReady = 6,
    TuneStoring = 7,
    TuneStored = 8,
    TuneFinished = 9,
    TuneWriteFailed = 11,
    TuneReadFailed = 12,
    TuneFailed = 13,
};

// What the tuning window and the machine share.
struct TuneGlobals {
    bool TuneRunning = false;  // the machine steps only while set
    int TuneState = TuneIdle;
    int TuneShownState = TuneIdle;
    int TuneMode = 0;  // 1 ... 4
    double TuneResultP = 0;
    double TuneResultI = 0;
};

// The automatic gain tuning of BX amplifiers: one step per AutoTuneTimer tick,
// all amplifier exchanges here. The window moves the machine on only through
// Start, OK and Cancel.
class TuneMachine {
public:
    TuneMachine(Drive& drive, DriveState& state, const AddressMap& map);

    // Window construction: everything back to idle.
    void Reset();
    // StartBtnClick with the checked mode (1 ... 4).
    void Start(int mode);
    // The handler of AutoTuneTimer (500 ms).
    void AutoTuneTimerTimer();
    // One step of the sequence, whatever the timer's guards.
    void Step();
    // OKBtnClick: state 6 -> 7 (store), state 8 -> 9 (finish). False when the
    // button means nothing in the current state.
    bool OK();
    // CancelBtnClick. Once the sequence has touched the tuning command, "0D"
    // goes back to 0 in EEPROM and RAM so that the amplifier stops tuning and
    // does not tune again at power-up. True when that was acknowledged (the
    // machine is idle again); false leaves the machine in state 11.
    bool Cancel();
    // Whether Cancel has anything to withdraw: the run has begun preparing.
    bool CommandMayBeSet() const;

    TuneGlobals& Globals() { return globals_; }
    const TuneGlobals& Globals() const { return globals_; }

private:
    void StepWaitServo(int wanted, int next);
    void StepPrepare();
    void StepCopyGains();
    void StepFollow();
    void StepStore();
    bool ReadInput(int& value);
    bool ReadWord(const std::string& address, int& value);
    bool ReadPage6(const std::string& address, int& value);
    bool WritePage6(const std::string& address, int value);
    bool WriteCommand(int command);
    void StopWith(int state);

    Drive& drive_;
    DriveState& state_;
    const AddressMap& map_;
    TuneGlobals globals_;
};

// What one tick of ShowTuneStatusTimer changes on the window; unset texts are
// left as they are.
struct TuneDisplay {
    bool Changed = false;  // false: nothing to do this tick
    bool Red = false;      // TuneStatus1 and TuneStatus2 colour: red, else blue
    std::optional<std::string> Status1, Status2, PGain, IGain;
    bool EnableOK = false;
    bool DisableCancel = false;
    bool Finish = false;  // back to idle and the window closes
};

// The status display step: what to show for a state not yet shown.
TuneDisplay ShowTuneStatus(TuneGlobals& globals, const DriveState& state,
                           const MessageCatalogue& catalogue);

// The gain labels, "%s:%.0f:"; a zero divisor shows a placeholder instead of
// a number.
std::string PGainText(const std::string& name, double resultP, int bxScaleA);
std::string IGainText(const std::string& name, double resultI, int bxScaleB);
