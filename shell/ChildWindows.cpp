#include "shell/ChildWindows.h"

#include "desk/Desk.h"
#include "files/Readampdata.h"
#include "link/CatalogueTexts.h"
#include "link/StatusTexts.h"
#include "monitor/MonitoringWindows.h"
#include "monitor/Trend.h"
#include "operation/Autotune.h"
#include "operation/Directrw.h"
#include "operation/Jog.h"
#include "params/Positionparam.h"
#include "params/Speedparam.h"
#include "params/Systemparam.h"
#include "params/Torqueparam.h"

using namespace CatalogueTexts;

namespace {

// A parameter window opens on a fresh read of its whole group. A queued
// edit reaches the amplifier first, so the read cannot undo it.
template <ParamGroup Group>
bool ReadParamGroup(Desk& desk) {
    desk.Writer.WriteParamTimerTimer();
    bool read = false;
    {
        const LongOperation::Scope busy(desk.LongOp);
        read = desk.Reader.ReadGroup(Group);
    }
    if (read) return true;
    // The user's own Cancel needs no error box; the log says why no window opened.
    if (desk.Reader.Cancelled()) {
        desk.Panel.Memo1.push_back(desk.Catalogue.Msg(MsgGroupReadCancelled));
        return false;
    }
    desk.Ask().Beep();
    desk.Ask().CustomDialog(desk.Catalogue.Msg(MsgCommError), DialogKind::Error, {0}, 0,
                            {MsgDialogOk, 1});
    return false;
}

template <class Form>
QWidget* CreateParamForm(Desk& desk) {
    auto* form =
        new Form(ParamFormContext{desk.State, desk.Map, desk.Caches, desk.Writer, desk.Catalogue});
    form->FormCreate();
    return form;
}

// The jog window opens on the speed parameter it must give back at Stop; when
// that cannot be read, jogging is refused.
bool ReadJogSpeed(Desk& desk) {
    if (desk.Jog.ReadSavedSpeed()) return true;
    desk.Ask().StandardDialog(desk.Catalogue.Msg(MsgReadFailed), DialogKind::Error, {sbOK});
    return false;
}

QWidget* CreateJogForm(Desk& desk) {
    return new TJogForm(desk.Jog, desk.State, desk.Catalogue);
}

QWidget* CreateAutoTuneForm(Desk& desk) {
    return new TAutoTuneForm(desk.Tuning, desk.State, desk.Catalogue);
}

// Direct requests are served only while their window is open.
QWidget* CreateDirectRWForm(Desk& desk) {
    auto* form = new TDirectRWForm(desk.Direct, desk.State, desk.Catalogue);
    desk.State.DirectSetBusy = false;
    return form;
}

// Several viewers may be open at once.
QWidget* CreateReadData(Desk& desk) {
    return new TReadData(desk.State, desk.Catalogue, desk.Ask());
}

QWidget* CreateMonitorWindow(Desk& desk) {
    return CreateMonitorForm(desk.Monitors, desk.State, desk.Catalogue);
}
QWidget* CreateIOWindow(Desk& desk) {
    return CreateIOForm(desk.Monitors, desk.State, desk.Catalogue);
}
QWidget* CreateTrendWindow(Desk& desk) {
    return CreateTrendForm(desk.State, desk.Trend, desk.Catalogue, desk.Ask());
}
// The history is read before the window shows it, with the progress panel.
bool ReadAlarmHistory(Desk& desk) {
    desk.Monitors.Alarm.AlarmDataReady = false;
    desk.Monitors.Alarm.ReadAlarmCode();
    return true;
}
QWidget* CreateAlarmWindow(Desk& desk) {
    return new TAlarmForm(desk.State, desk.Monitors.Alarm, desk.Catalogue);
}

const ChildWindowRow Rows[] = {
    {"M11Monitor", &DriveState::MonitorFormOpen, nullptr, &CreateMonitorWindow},
    {"M12IODisplay", &DriveState::IOFormOpen, nullptr, &CreateIOWindow},
    {"M13Alarm", &DriveState::AlarmFormOpen, &ReadAlarmHistory, &CreateAlarmWindow},
    {"M15Trend", &DriveState::TrendFormOpen, nullptr, &CreateTrendWindow},
    {"M21SystemParam", &DriveState::SystemFormOpen, &ReadParamGroup<ParamGroup::System>,
     &CreateParamForm<TSystemForm>},
    {"M22SpeedParam", &DriveState::SpeedFormOpen, &ReadParamGroup<ParamGroup::Speed>,
     &CreateParamForm<TSpeedForm>},
    {"M23TorqueParam", &DriveState::TorqueFormOpen, &ReadParamGroup<ParamGroup::Torque>,
     &CreateParamForm<TTorqueForm>},
    {"M24PositionParam", &DriveState::PositionFormOpen, &ReadParamGroup<ParamGroup::Position>,
     &CreateParamForm<TPositionForm>},
    {"M41Jog", &DriveState::JogFormOpen, &ReadJogSpeed, &CreateJogForm},
    {"M42AutoGain", &DriveState::AutoTuneFormOpen, nullptr, &CreateAutoTuneForm},
    {"M33DirectRW", &DriveState::DirectRWFormOpen, nullptr, &CreateDirectRWForm},
    {"M35Read", nullptr, nullptr, &CreateReadData},
};

}  // namespace

std::span<const ChildWindowRow> ChildWindowRows() {
    return Rows;
}
