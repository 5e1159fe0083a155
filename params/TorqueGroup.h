#pragma once
#include "params/ParamEntry.h"

// The 8 entries of the Torque group, cached in TorqueData.
const GroupDescriptor& TorqueGroup();
