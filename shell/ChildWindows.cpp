#include "shell/ChildWindows.h"

#include "files/Readampdata.h"
#include "monitor/MonitoringWindows.h"
#include "monitor/Trend.h"
#include "operation/Autotune.h"
#include "operation/Directrw.h"
#include "operation/Jog.h"
#include "params/Positionparam.h"
#include "params/Speedparam.h"
#include "params/Systemparam.h"
#include "params/Torqueparam.h"
#include "shell/Mainform.h"

namespace {

constexpr int MsgJogSpeedUnread = 375;

// A parameter window opens on a fresh read of its whole group.
template <class Form, ParamGroup Group>
QWidget* CreateParamForm(TMainForm& main) {
    if (!main.ReadParamGroup(Group)) return nullptr;
    auto* form = new Form(main.ParamContext());
    form->FormCreate();
    return form;
}

// The jog window opens on the speed parameter it must give back at Stop; when
// that cannot be read, jogging is refused.
QWidget* CreateJogForm(TMainForm& main) {
    if (!main.Jog().ReadSavedSpeed()) {
        main.Ask().StandardDialog(main.Catalogue().Msg(MsgJogSpeedUnread), DialogKind::Error,
                                  {sbOK});
        return nullptr;
    }
    return new TJogForm(main.Jog(), main.State(), main.Catalogue());
}

QWidget* CreateAutoTuneForm(TMainForm& main) {
    return new TAutoTuneForm(main.Tuning(), main.State(), main.Catalogue());
}

// Direct requests are served only while their window is open.
QWidget* CreateDirectRWForm(TMainForm& main) {
    auto* form = new TDirectRWForm(main.Direct(), main.State(), main.Catalogue());
    main.State().DirectSetBusy = false;
    return form;
}

// Several viewers may be open at once.
QWidget* CreateReadData(TMainForm& main) {
    return new TReadData(main.State(), main.Catalogue(), main.Ask());
}

QWidget* CreateMonitorWindow(TMainForm& main) {
    return CreateMonitorForm(main.Monitors(), main.State(), main.Catalogue());
}
QWidget* CreateIOWindow(TMainForm& main) {
    return CreateIOForm(main.Monitors(), main.State(), main.Catalogue());
}
QWidget* CreateTrendWindow(TMainForm& main) {
    return CreateTrendForm(main.State(), main.Trend(), main.Catalogue(), main.Ask());
}
// The history is read before the window shows it, with the progress panel.
QWidget* CreateAlarmWindow(TMainForm& main) {
    return CreateAlarmForm(main.Monitors(), main.State(), main.Catalogue());
}

const ChildWindowRow Rows[] = {
    {"M11Monitor", &DriveState::MonitorFormOpen, &CreateMonitorWindow},
    {"M12IODisplay", &DriveState::IOFormOpen, &CreateIOWindow},
    {"M13Alarm", &DriveState::AlarmFormOpen, &CreateAlarmWindow},
    {"M15Trend", &DriveState::TrendFormOpen, &CreateTrendWindow},
    {"M21SystemParam", &DriveState::SystemFormOpen,
     &CreateParamForm<TSystemForm, ParamGroup::System>},
    {"M22SpeedParam", &DriveState::SpeedFormOpen, &CreateParamForm<TSpeedForm, ParamGroup::Speed>},
    {"M23TorqueParam", &DriveState::TorqueFormOpen,
     &CreateParamForm<TTorqueForm, ParamGroup::Torque>},
    {"M24PositionParam", &DriveState::PositionFormOpen,
     &CreateParamForm<TPositionForm, ParamGroup::Position>},
    {"M41Jog", &DriveState::JogFormOpen, &CreateJogForm},
    {"M42AutoGain", &DriveState::AutoTuneFormOpen, &CreateAutoTuneForm},
    {"M33DirectRW", &DriveState::DirectRWFormOpen, &CreateDirectRWForm},
    {"M35Read", nullptr, &CreateReadData},
};

}  // namespace

std::span<const ChildWindowRow> ChildWindowRows() {
    return Rows;
}
