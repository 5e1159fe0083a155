#include "params/Torqueparam.h"

TTorqueForm::TTorqueForm(const ParamFormContext& context, QWidget* parent)
    : TParamForm(ParamGroup::Torque, context, parent) {}
