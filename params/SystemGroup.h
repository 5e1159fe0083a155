#pragma once
#include "params/ParamEntry.h"

// The 19 entries of the System group, cached in SystemData.
const GroupDescriptor& SystemGroup();
