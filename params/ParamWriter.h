#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "link/AddressMap.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "params/ParamCaches.h"

// One parameter write waiting for the write timer.
struct ParamWriteRecord {
    ParamGroup Group = ParamGroup::System;
    int Index = 0;             // entry within the group
    std::string Address;       // the entry's address
    std::string Address2;      // companion address of two-word writes
    std::int32_t Raw = 0;      // word (or long) written at Address
    std::int32_t Raw2 = 0;     // word written at Address2
    int WriteMode = 0;         // see WriteRamOnly ... in ParamEntry.h
    double EditedValue = 0.0;  // the display value edited; drives the follow-up writes
};

// What leaving an editor did.
struct EditOutcome {
    bool Queued = false;   // false: nothing stored and nothing queued
    std::string CellText;  // what the value cell shows now
};

// The deferred parameter write. Leaving an editor converts the value, stores
// it in the cache and queues the write (no exchange); an edit with a word
// that no primitive can send (a follow-up beyond 16 bits, for one) is refused
// whole instead, so that nothing of it lands; the next tick of the
// write timer performs every queued write in order, with ParamWriteBusy set so
// that the status poll stays off the line meanwhile.
//
// A write the amplifier did not acknowledge sets the entry's failed mark in
// the caches, whichever of its exchanges failed; a later successful read or
// write of the entry clears it. The cache keeps the edited value either way.
class ParamWriter {
public:
    ParamWriter(Drive& port, DriveState& state, ParamCaches& caches, const AddressMap& map);

    // The editor of (group, index) was left holding value (already clamped
    // to the editor's limits). An empty value means there is nothing to
    // write: the user left the editor without changing its value.
    EditOutcome LeaveEditor(ParamGroup group, int index, std::optional<double> value);

    const std::deque<ParamWriteRecord>& PendingWrite() const { return pendingWrite_; }
    bool WritePending() const { return !pendingWrite_.empty(); }

    // The handler of WriteParamTimer (500 ms).
    void WriteParamTimerTimer();

    // Another drive now answers behind the port: the queued writes were
    // meant for the old one and must not reach this one. Returns how many
    // were dropped.
    int DropPendingWrites();

private:
    bool Perform(const ParamWriteRecord& record);
    void MarkResult(const ParamWriteRecord& record, bool ok);

    Drive& port_;
    DriveState& state_;
    ParamCaches& caches_;
    const AddressMap& map_;
    std::deque<ParamWriteRecord> pendingWrite_;
};
