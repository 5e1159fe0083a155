#include "params/Systemparam.h"

TSystemForm::TSystemForm(const ParamFormContext& context, QWidget* parent)
    : TParamForm(ParamGroup::System, context, parent) {}
