#pragma once
#include <array>
#include <string>

#include "link/AddressMap.h"
#include "link/Drive.h"
#include "link/DriveState.h"

// What the jog window and the jog timer share.
struct JogGlobals {
    bool JogRunning = false;  // from the run command until the stop is acknowledged
    bool JogStartRequest = false;
    bool JogStopRequest = false;
    int JogSpeedSaved = 0;               // entry units, from the EEPROM jog speed
    int JogSpeedCommand = 0;             // entry units of the current run; negative = CCW
    std::array<int, 4> MonitorValues{};  // raw speed, torque, load, current
};

// The last thing the timer could not do, for the window to show.
enum class JogNotice {
    None,
    StartRefused,    // the speed write failed: the run command was not sent
    RunUnconfirmed,  // the run command was not acknowledged: the motor may run
    StopRetrying,    // the stop (or the speed restore) is retried every tick
};

// Jogging of BX motors: the window raises requests, JogTimerTimer performs
// them and reads the four live values. The jog speed word "2E" is borrowed for
// the run and given back from the raw EEPROM word read at opening, so that no
// round trip through entry units wears it down, and EEPROM is never written.
class JogControl {
public:
    JogControl(Drive& drive, DriveState& state, const AddressMap& map);

    // M41JogClick's read of the EEPROM jog speed. False when it failed: the
    // window must not open, since Stop would have nothing to restore.
    bool ReadSavedSpeed();
    // Window construction: requests and notices cleared.
    void Reset();
    // CWBtnClick / CCWBtnClick with the speed entry's value. False (nothing
    // requested) for speed 0.
    bool Start(double speed, bool clockwise);
    // StopBtnClick.
    void Stop();
    // The handler of JogTimer (400 ms).
    void JogTimerTimer();

    // The window may close only while the motor is known to stand.
    bool CanClose() const;
    // Buttons: the run controls are usable only when nothing is pending.
    bool Idle() const;
    JogNotice Notice() const { return notice_; }

    // Stops the motor at once, outside the timer, for the main window's exit.
    // True when nothing runs any more or the stop and restore were
    // acknowledged.
    bool StopNow();

    JogGlobals& Globals() { return globals_; }
    const JogGlobals& Globals() const { return globals_; }
    int SavedSpeedWord() const { return savedSpeedWord_; }

private:
    void PerformStart();
    void PerformStop();
    void ReadValues();

    Drive& drive_;
    DriveState& state_;
    const AddressMap& map_;
    JogGlobals globals_;
    int savedSpeedWord_ = 0;
    bool stopPending_ = false;
    bool restorePending_ = false;
    JogNotice notice_ = JogNotice::None;
};

// The four jog values as shown, "%8.1f" each: speed in r/min, then torque
// command, load and current in percent.
std::array<std::string, 4> JogValueTexts(const std::array<int, 4>& values);
