#pragma once
#include <array>
#include <functional>

#include "link/AddressMap.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "monitor/MonitorRules.h"

// The monitor poll, the work of MonitorTimerTimer (500 ms). The window writes
// MonitorSelection on its refresh and shows MonitorValues; the poll reads only
// the selected rows. Values are kept across openings of the window.
class MonitorPoll {
public:
    MonitorPoll(Drive& drive, DriveState& state, const AddressMap& map);

    // One tick: nothing unless the monitor is open, the link is not latched
    // and no tick is running. A failed read leaves its value as it was. While
    // the trend is open its timer drives the poll instead, at its own rate.
    void MonitorTimerTimer();
    // One poll of what the open windows select; false when it was skipped
    // (neither window open, the link latched, or a tick running). rowDone is
    // told after each selected row's reads, with RowReadOk set for it.
    using RowDone = std::function<void(int row)>;
    bool Poll(const RowDone& rowDone = {});
    // The union of the monitor's and the trend's selections, as far as their
    // windows are open: the one place that decides what a tick reads.
    MonitorSelectionFlags ReadSelection() const;

    MonitorSelectionFlags MonitorSelection{};
    MonitorSelectionFlags TrendSelection{};
    MonitorRawValues MonitorValues{};
    // Filled from the address map at each tick, so a reload after recovery
    // (with a new FX version) takes effect at once.
    MonitorAddresses MonitorAddressTable;

    // Rows whose reads all succeeded at the last tick that read them (servoctl
    // prints a failed row as an empty field, not as its stale value).
    std::array<bool, MonitorRowCount> RowReadOk{};
    // Reads made and reads failed at the last tick.
    int LastTickReads = 0;
    int LastTickFailures = 0;

private:
    void ReadRows(const MonitorSelectionFlags& selection, MonitorVariant variant,
                  const RowDone& rowDone);
    void ReadRow(int row, MonitorVariant variant);
    bool ReadOne(const MonitorRead& read);

    Drive& drive_;
    DriveState& state_;
    const AddressMap& map_;
};
