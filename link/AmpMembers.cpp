#include "link/AmpMembers.h"

#include <array>

namespace {

constexpr std::array<AmpMember, 6> Members{{
    {"bx", 6, 0, false, false, false},
    {"dx", 7, 1, false, false, false},
    {"fx", 1, 2, false, false, false},
    {"kqrv", 2, 2, true, false, false},
    {"lqrv", 3, 2, true, true, false},
    {"yz", 4, 2, true, true, true},
}};

template <class Matches>
const AmpMember* Find(Matches matches) {
    for (const AmpMember& member : Members) {
        if (matches(member)) return &member;
    }
    return nullptr;
}

}  // namespace

const AmpMember* AmpMemberByName(const std::string& name) {
    return Find([&](const AmpMember& member) { return name == member.Name; });
}

const AmpMember* AmpMemberByDialogResult(int result) {
    return Find([&](const AmpMember& member) { return result == member.DialogResult; });
}

void ApplyAmpMember(const AmpMember& member, DriveState& state) {
    state.AmpFamily = member.AmpFamily;
    state.QrvFlag = member.Qrv;
    state.LqrvFlag = member.Lqrv;
    state.YzFlag = member.Yz;
}
