#include "params/Speedparam.h"

TSpeedForm::TSpeedForm(const ParamFormContext& context, QWidget* parent)
    : TParamForm(ParamGroup::Speed, context, parent) {}

bool TSpeedForm::LeavesInPlaceOnReturn(int index) const {
    return index == 0;
}
