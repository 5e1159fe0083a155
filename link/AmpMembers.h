#pragma once
#include <string>

#include "link/DriveState.h"

// The six amplifiers the tool tells apart: the three families and the FX
// group's members, each with its name, the answer of the family question that
// chooses it, and the drive-state flags it sets.
struct AmpMember {
    const char* Name;  // bx, dx, fx, kqrv, lqrv, yz
    int DialogResult;  // result of the family question's button
    int AmpFamily;
    bool Qrv;
    bool Lqrv;
    bool Yz;
};

// nullptr when no member has that name or answer.
const AmpMember* AmpMemberByName(const std::string& name);
const AmpMember* AmpMemberByDialogResult(int result);
void ApplyAmpMember(const AmpMember& member, DriveState& state);
