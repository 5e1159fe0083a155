#include "params/Speedparam.h"

TSpeedForm::TSpeedForm(const ParamFormContext& context, bool& openFlag, QWidget* parent)
    : TParamForm(ParamGroup::Speed, context, openFlag, parent) {}

bool TSpeedForm::LeavesInPlaceOnReturn(int index) const {
    return index == 0;
}
