#include "shell/ChildWindows.h"

#include "params/Positionparam.h"
#include "params/Speedparam.h"
#include "params/Systemparam.h"
#include "params/Torqueparam.h"
#include "shell/Mainform.h"

namespace {

// A parameter window opens on a fresh read of its whole group.
template <class Form, ParamGroup Group>
QWidget* CreateParamForm(TMainForm& main) {
    if (!main.ReadParamGroup(Group)) return nullptr;
    auto* form = new Form(main.ParamContext());
    form->FormCreate();
    return form;
}

const ChildWindowRow Rows[] = {
    {"M21SystemParam", &DriveState::SystemFormOpen,
     &CreateParamForm<TSystemForm, ParamGroup::System>},
    {"M22SpeedParam", &DriveState::SpeedFormOpen, &CreateParamForm<TSpeedForm, ParamGroup::Speed>},
    {"M23TorqueParam", &DriveState::TorqueFormOpen,
     &CreateParamForm<TTorqueForm, ParamGroup::Torque>},
    {"M24PositionParam", &DriveState::PositionFormOpen,
     &CreateParamForm<TPositionForm, ParamGroup::Position>},
};

}  // namespace

std::span<const ChildWindowRow> ChildWindowRows() {
    return Rows;
}
