#include "params/Positionparam.h"

TPositionForm::TPositionForm(const ParamFormContext& context, QWidget* parent)
    : TParamForm(ParamGroup::Position, context, parent) {}
