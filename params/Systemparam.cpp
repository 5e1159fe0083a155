#include "params/Systemparam.h"

TSystemForm::TSystemForm(const ParamFormContext& context, bool& openFlag, QWidget* parent)
    : TParamForm(ParamGroup::System, context, openFlag, parent) {}
