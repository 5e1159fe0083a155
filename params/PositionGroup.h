#pragma once
#include "params/ParamEntry.h"

// The 14 entries of the Position group, cached in PositionData.
const GroupDescriptor& PositionGroup();
