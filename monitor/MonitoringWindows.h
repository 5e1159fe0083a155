#pragma once
// Factories of the monitoring windows for the main window's child-window
// table: each does what its menu item does before the window exists. The
// caller adds the window to the MDI area, calls ChangeLanguage, shows it and
// sets the open flag.
#include "link/DriveState.h"
#include "link/MessageCatalogue.h"
#include "monitor/Alarm.h"
#include "monitor/Io.h"
#include "monitor/Monitor.h"
#include "monitor/Monitoring.h"

// M11MonitorClick: the window shows the values of its last opening at first.
TMonitorForm* CreateMonitorForm(Monitoring& monitoring, DriveState& state,
                                const MessageCatalogue& catalogue, QWidget* parent = nullptr);
// M12IODisplayClick: both words, all states and what is known start afresh.
TIOForm* CreateIOForm(Monitoring& monitoring, DriveState& state, const MessageCatalogue& catalogue,
                      QWidget* parent = nullptr);
// M13AlarmClick: reads the history (with the progress panel) before the window
// shows it.
TAlarmForm* CreateAlarmForm(Monitoring& monitoring, DriveState& state,
                            const MessageCatalogue& catalogue, QWidget* parent = nullptr);
