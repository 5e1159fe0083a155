#pragma once
#include "link/AddressMap.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "link/LongOperation.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"
#include "monitor/AlarmHistory.h"
#include "monitor/IoDisplay.h"
#include "monitor/MonitorPoll.h"

// The logic the main window owns for its three monitoring windows; its timer
// handlers MonitorTimerTimer, IODispalyTimerTimer and AlarmTimerTimer are one
// call each into these.
struct Monitoring {
    Monitoring(Drive& drive, DriveState& state, const AddressMap& map, MainPanel& panel,
               const MessageCatalogue& catalogue, LongOperation& operation)
        : Monitor(drive, state, map),
          IO(drive, state, map),
          Alarm(drive, state, map, panel, catalogue, operation) {}

    MonitorPoll Monitor;
    IODisplayPoll IO;
    AlarmHistory Alarm;
};
