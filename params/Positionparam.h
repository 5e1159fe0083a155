#pragma once
#include "params/ParamForm.h"

// The position parameter window; its two-word entries are split by the
// entry table's write rules.
class TPositionForm : public TParamForm {
    Q_OBJECT
public:
    TPositionForm(const ParamFormContext& context, QWidget* parent = nullptr);
};
