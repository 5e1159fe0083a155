#include "params/Torqueparam.h"

TTorqueForm::TTorqueForm(const ParamFormContext& context, bool& openFlag, QWidget* parent)
    : TParamForm(ParamGroup::Torque, context, openFlag, parent) {}
