#pragma once
#include "params/ParamForm.h"

// The system parameter window (entry 10 steps by 0.1 on BX and DX, which the
// entry table carries).
class TSystemForm : public TParamForm {
    Q_OBJECT
public:
    TSystemForm(const ParamFormContext& context, QWidget* parent = nullptr);
};
