#pragma once
#include <optional>
#include <string>
#include <utility>

#include "link/AddressMap.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "link/Identification.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"

// The 200 ms status poll: keeps servo state, status text and mode current on
// the main panel, and is the link's recovery path after an outage.
class StatusPoll {
public:
    StatusPoll(Drive& drive, DriveState& state, MainPanel& panel, const MessageCatalogue& catalogue,
               AddressMap& map, Identification& identification)
        : drive_(drive),
          state_(state),
          panel_(panel),
          catalogue_(catalogue),
          map_(map),
          identification_(identification) {}

    // One tick of StsTimer.
    void StsTimerTimer();
    // Set by a tick that recovered from an outage and found another drive
    // behind the port (family, model or CPU differ): the parameter windows'
    // caches and queued writes belong to the old one. Taken and cleared.
    std::optional<DriveChange> TakeDriveChange() { return std::exchange(driveChange_, {}); }

private:
    void PollBx();
    void PollDx();
    void PollFx();
    bool Read(const std::string& address, int& value);
    // Reloads the map, re-identifies and clears the latch, if latched. The
    // first word each poll reads always takes this path after an outage, so
    // the reads after it find the latch cleared.
    void Recover();
    // True when a word must be taken and shown even if it looks unchanged:
    // while latched, and for the rest of the tick that recovered, because
    // re-identification resets the status words the change test compares with.
    bool MustRedraw() const { return state_.CommErrorLatched || recovered_; }
    void Take(int& field, int value) {
        field = value;
        changed_ = true;
    }

    Drive& drive_;
    DriveState& state_;
    MainPanel& panel_;
    const MessageCatalogue& catalogue_;
    AddressMap& map_;
    Identification& identification_;
    bool recovered_ = false;
    bool changed_ = false;  // a word was taken this tick: its texts are drawn
    std::optional<DriveChange> driveChange_;
};
