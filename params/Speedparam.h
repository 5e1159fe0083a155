#pragma once
#include "params/ParamForm.h"

// The speed parameter window. FSpinEdit1 takes Return itself: the edit is
// stored and queued while the editor keeps the focus.
class TSpeedForm : public TParamForm {
    Q_OBJECT
public:
    TSpeedForm(const ParamFormContext& context, QWidget* parent = nullptr);

protected:
    bool LeavesInPlaceOnReturn(int index) const override;
};
