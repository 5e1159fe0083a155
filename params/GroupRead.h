#pragma once
#include <functional>
#include <string>

#include "link/AddressMap.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "link/MainPanel.h"
#include "params/ParamCaches.h"

// The four group reads the main window runs before it opens a parameter
// window. Each reads every enabled entry of its group in ascending order into
// the cache, with the progress panel showing, and returns true when the group
// was read (the window may open) or false when it was not.
//
// A failed request ends the read: BX and DX return false (entries read so far
// keep their new values); the FX group stops and returns true with the
// remaining entries as they were. With a communication error latched nothing
// is requested and the result is false. The user's Cancel ends the read
// between two entries for every family and the result is false: no window
// opens on a group half read.
class GroupReader {
public:
    using MessageLookup = std::function<std::string(int)>;

    GroupReader(Drive& port, DriveState& state, MainPanel& panel, const AddressMap& map,
                ParamCaches& caches, MessageLookup message);

    bool ReadSystemData() { return ReadGroup(ParamGroup::System); }
    bool ReadSpeedData() { return ReadGroup(ParamGroup::Speed); }
    bool ReadTorqueData() { return ReadGroup(ParamGroup::Torque); }
    bool ReadPositionData() { return ReadGroup(ParamGroup::Position); }
    bool ReadGroup(ParamGroup group);

    // Asked between two entries whether the user pressed Cancel.
    void SetCancelled(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }
    // The last read ended at the user's Cancel.
    bool Cancelled() const { return stoppedByCancel_; }

private:
    bool ReadEntry(ReadKind kind, ParamGroup group, int index, int& value);
    bool ReadTwoWords(const std::string& first, const std::string& second, bool bxOrder,
                      int& value);
    void Log(int index, const std::string& address, int value);
    void StoreRead(ParamGroup group, int index, int value);
    void ShowProgress(bool shown);

    Drive& port_;
    DriveState& state_;
    MainPanel& panel_;
    const AddressMap& map_;
    ParamCaches& caches_;
    MessageLookup message_;
    std::function<bool()> cancelled_;
    bool stoppedByCancel_ = false;
};
