#pragma once
#include "params/ParamForm.h"

// The torque parameter window.
class TTorqueForm : public TParamForm {
    Q_OBJECT
public:
    TTorqueForm(const ParamFormContext& context, QWidget* parent = nullptr);
};
