#include "params/Positionparam.h"

TPositionForm::TPositionForm(const ParamFormContext& context, bool& openFlag, QWidget* parent)
    : TParamForm(ParamGroup::Position, context, openFlag, parent) {}
