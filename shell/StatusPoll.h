#pragma once
#include "link/AddressMap.h"
#include "link/DriveLink.h"
#include "link/Identification.h"

// The 200 ms status poll: keeps servo state, status text and mode current on
// the main panel, and is the link's recovery path after an outage.
class StatusPoll {
public:
    StatusPoll(DriveLink& link, AddressMap& map, Identification& identification)
        : link_(link), map_(map), identification_(identification) {}

    // One tick of StsTimer.
    void StsTimerTimer();

private:
    void PollBx();
    void PollDx();
    void PollFx();
    bool Read(const std::string& address, int& value);
    // Reloads the map, re-identifies and clears the latch, if latched. The
    // first word each poll reads always takes this path after an outage, so
    // the reads after it find the latch cleared.
    void Recover();
    std::string Msg(int n) const { return link_.Catalogue().Msg(n); }

    DriveLink& link_;
    AddressMap& map_;
    Identification& identification_;
};
