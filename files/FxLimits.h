#pragma once
// The FX-group variants differ in how far their parameter words go: the table,
// the comparison and the production pass read and write up to the variant's
// last index, and count progress against its number of entries.
#include "link/DriveState.h"

struct FxLimit {
    int LastIndex;  // also the most data lines a transfer takes
    int Divisor;    // entries from index 12 to LastIndex
};

FxLimit FxLimitFor(const DriveState& state);

// The check after a compare or production transfer: too few data lines for a
// QRV-group or new FX amplifier, or more than an old FX amplifier has.
bool DataLineCountWrong(const DriveState& state, int processed);
