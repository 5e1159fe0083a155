#pragma once
#include "params/ParamEntry.h"

// The 22 entries of the Speed group, cached in SpeedData.
const GroupDescriptor& SpeedGroup();
