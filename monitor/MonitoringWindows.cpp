#include "monitor/MonitoringWindows.h"

TMonitorForm* CreateMonitorForm(Monitoring& monitoring, DriveState& state,
                                const MessageCatalogue& catalogue, QWidget* parent) {
    return new TMonitorForm(state, monitoring.Monitor, catalogue, parent);
}

TIOForm* CreateIOForm(Monitoring& monitoring, DriveState& state, const MessageCatalogue& catalogue,
                      QWidget* parent) {
    monitoring.IO.Open();
    return new TIOForm(state, monitoring.IO, catalogue, parent);
}

TAlarmForm* CreateAlarmForm(Monitoring& monitoring, DriveState& state,
                            const MessageCatalogue& catalogue, QWidget* parent) {
    monitoring.Alarm.AlarmDataReady = false;
    monitoring.Alarm.ReadAlarmCode();
    return new TAlarmForm(state, monitoring.Alarm, catalogue, parent);
}
