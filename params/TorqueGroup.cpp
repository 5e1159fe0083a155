#include "params/TorqueGroup.h"

#include <iterator>

namespace {

using namespace entry;

// Scaling of the BX torque words.
constexpr double BxCurrentShow = 0.183105468;
constexpr double BxCurrentWrite = 5.46133;
constexpr double BxLimitShow = 0.128173828125;       // 525/4096
constexpr double BxLimitWrite = 7.8019047619047619;  // 4096/525

constexpr FamilyColumn BxCurrent(Limits limit) {
    return Col(Scaled(BxCurrentShow, BxCurrentWrite), limit);
}

// clang-format off
// Per row: name msg, unit msg, FX unit msg, editor length, increment, FX increment,
// then the BX, DX and FX group columns (conversion, limits and tips, format).
const ParamEntry TorqueEntries[] = {
    /* 0 */ {174, 307, 0, 5, 1, 0, {
        Col(Plain(), Lim(0, 10000, 941, 943)),
        Col(Plain(), Lim(0, 10000, 541, 543)),
        Col(Plain(), Lim(0, 10000, 741, 743))}},
    /* 1 */ {175, 313, 0, 5, 1, 0, {
        Col(Scaled(BxLimitShow, BxLimitWrite), Lim(30, 300, 944, 946)),
        Col(Plain(), Lim(30, 300, 544, 546)),
        Col(Plain(), Lim(30, 3000, 744, 746))}},
    /* 2 */ {176, 301, 0, 6, 0.001, 0, {
        Col(Scaled(0.00046425, 2154), Lim(-10, 10, 947, 949, R3), F3),
        Col(Scaled(0.001, 1000), Lim(-9.999, 9.999, 547, 549, R3), F3),
        Col(Plain(), Lim(-1000, 1000, 747, 749))}},
    /* 3 */ {177, 305, 0, 6, 1, 0, {
        BxCurrent(Lim(0, 3000, 950, 952)),
        Col(Plain(), Lim(0, 3000, 550, 552)),
        Col(Plain(), Lim(0, 3000, 750, 752))}},
    /* 4 */ {178, 305, 0, 0, 1, 0, {
        BxCurrent(Lim(0, 3000, 953, 955)),
        Col(Plain(), Lim(0, 3000, 553, 555)),
        Col(Plain(), Lim(0, 3000, 753, 755))}},
    /* 5 */ {179, 305, 0, 0, 1, 0, {
        BxCurrent(Lim(0, 3000, 956, 958)),
        Col(Plain(), Lim(0, 3000, 556, 558)),
        Col(Plain(), Lim(0, 3000, 756, 758))}},
    /* 6 */ {180, 301, 0, 0, 1, 0, {Absent(), Absent(), Absent()}},
    /* 7 */ {181, 306, 0, 0, 1, 0, {Absent(), Absent(), Absent()}},
};
// clang-format on
static_assert(std::size(TorqueEntries) == EntryCount(ParamGroup::Torque));

}  // namespace

const GroupDescriptor& TorqueGroup() {
    static const GroupDescriptor group{
        ParamGroup::Torque,
        TorqueEntries,
        {WriteTorqueBx, WriteRamOnly, WriteRamOnly},
        {ReadKind::EepWord, ReadKind::RamWord, ReadKind::RamWord},
        {},
        {171, 172, 173},
        {393, 394},
    };
    return group;
}
