#include "params/SpeedGroup.h"

#include <iterator>

namespace {

using namespace entry;

// Scaling of the BX speed words.
constexpr double BxSpeedShow = 0.183105468;
constexpr double BxSpeedWrite = 5.46133;

constexpr FamilyColumn BxSpeed(Limits limit) {
    return Col(Scaled(BxSpeedShow, BxSpeedWrite), limit);
}
// BX entries past 14 are written to RAM only.
constexpr FamilyColumn BxRamOnly(Limits limit) {
    return With(Col(Plain(), limit), WriteRamOnly);
}
// BX words whose full 16 bits count, read as unsigned.
constexpr FamilyColumn BxUnsigned(Limits limit) {
    return With(Col(Plain(), limit), 0, ReadKind::EepUnsigned);
}

// 33 * BxScaleB / v fills all 16 bits for small v: read as unsigned too.
constexpr FamilyColumn BxInverse(Limits limit) {
    return With(Col(Special(ConvKind::InverseB), limit), 0, ReadKind::EepUnsigned);
}

// clang-format off
// Per row: name msg, unit msg, FX unit msg, editor length, increment, FX increment,
// then the BX, DX and FX group columns (conversion, limits and tips, format).
const ParamEntry SpeedEntries[] = {
    /* 0 */ {234, 305, 0, 5, 1, 0, {
        BxSpeed(Lim(-3000, 3000, 861, 863)),
        Col(Plain(), Lim(-3000, 3000, 461, 463)),
        Col(Plain(), Lim(-3000, 3000, 661, 663))}},
    /* 1 */ {235, 305, 0, 5, 1, 0, {
        BxSpeed(Lim(-3000, 3000, 864, 866)),
        Col(Plain(), Lim(-3000, 3000, 464, 466)),
        Col(Plain(), Lim(-3000, 3000, 664, 666))}},
    /* 2 */ {236, 305, 0, 6, 1, 0, {
        BxSpeed(Lim(-3000, 3000, 867, 869)),
        Col(Plain(), Lim(-3000, 3000, 467, 469)),
        Col(Plain(), Lim(-3000, 3000, 667, 669))}},
    /* 3 */ {237, 306, 0, 6, 1, 0, {
        Col(Plain(), Lim(0, 1, 870, 872)),
        Col(Plain(), Lim(0, 1, 470, 472)),
        Col(Field(4, 1, 0xF0), Lim(0, 1, 670, 672))}},
    // FX: the editor takes up to 4 from version 30 and the write fills bits 0
    // to 3, so the cell shows those four bits for the value to read back.
    /* 4 */ {238, 306, 0, 5, 1, 0, {
        Col(Plain(), Lim(0, 3, 873, 875)),
        Col(Plain(), Lim(0, 2, 473, 475)),
        Col(Field(0, 0xF, 0xF), Lim(0, 1, 673, 675))}},
    /* 5 */ {239, 307, 0, 5, 1, 0, {
        Col(Plain(), Lim(1, 10000, 876, 878)),
        Col(Plain(), Lim(1, 9999, 476, 478)),
        Col(Plain(), Lim(0, 0, 676, 678))}},
    /* 6 */ {240, 307, 0, 6, 1, 0, {
        BxUnsigned(Lim(1, 50000, 879, 881)),
        Col(Plain(), Lim(1, 9999, 479, 481)),
        Col(Plain(), Lim(20, 10000, 679, 681))}},
    /* 7 */ {241, 307, 0, 6, 1, 0, {
        BxUnsigned(Lim(1, 50000, 882, 884)),
        Col(Plain(), Lim(0, 0, 482, 484)),
        Col(Plain(), Lim(0, 0, 682, 684))}},
    /* 8 */ {242, 305, 0, 5, 1, 0, {
        BxSpeed(Lim(0, 3000, 885, 887)),
        Col(Plain(), Lim(0, 0, 485, 487)),
        Col(Plain(), Lim(0, 0, 685, 687))}},
    /* 9 */ {243, 305, 0, 5, 1, 0, {
        BxSpeed(Lim(0, 3000, 888, 890)),
        Col(Plain(), Lim(0, 0, 488, 490)),
        Col(Plain(), Lim(0, 0, 688, 690))}},
    /* 10 */ {244, 306, 0, 6, 1, 0, {
        Col(Special(ConvKind::ScaleA), Lim(10, 1000, 891, 893)),
        Col(Plain(), Lim(10, 1000, 491, 493)),
        Col(Plain(), Lim(16, 500, 691, 693))}},
    /* 11 */ {245, 307, 0, 6, 1, 0, {
        BxInverse(Lim(1, 1000, 894, 896)),
        Col(Plain(), Lim(1, 1000, 494, 496)),
        Col(Plain(), Lim(1, 1000, 694, 696))}},
    /* 12 */ {246, 305, 0, 5, 1, 0, {
        BxSpeed(Lim(0, 3000, 897, 899)),
        Col(Plain(), Lim(0, 3000, 497, 499)),
        Col(Plain(), Lim(0, 255, 697, 699))}},
    /* 13 */ {247, 309, 0, 5, 1, 0, {
        Col(Scaled(0.961291, 1.040267), Lim(100, 30000, 900, 902)),
        Col(Plain(), Lim(100, 5000, 500, 502)),
        Col(Plain(), Lim(10, 30000, 700, 702))}},
    /* 14 */ {248, 301, 0, 6, 0.001, 0, {
        Col(Scaled(0.000464, 2154), Lim(-10, 10, 903, 905, R3), F3),
        Col(Scaled(0.001, 1000), Lim(-9.999, 9.999, 503, 505, R3), F3),
        Col(Plain(), Lim(0, 0, 703, 705, R3))}},
    /* 15 */ {249, 301, 0, 6, 1, 0, {
        BxRamOnly(Lim(0, 0, 906, 908)),
        Col(Plain(), Lim(0, 0, 506, 508)),
        Col(Plain(), Lim(5, 10, 706, 708))}},
    /* 16 */ {250, 305, 0, 5, 1, 0, {
        BxRamOnly(Lim(0, 0, 909, 911)),
        Col(Plain(), Lim(0, 0, 509, 511)),
        Col(Plain(), Lim(-63, 63, 709, 711))}},
    /* 17 */ {251, 306, 0, 5, 1, 0, {
        BxRamOnly(Lim(0, 0, 912, 914)),
        Col(Plain(), Lim(0, 0, 512, 514)),
        Col(Field(12, 1, 0xF000), Lim(0, 1, 712, 714))}},
    /* 18 */ {252, 301, 0, 6, 1, 0, {
        BxRamOnly(Lim(0, 0, 915, 917)),
        Col(Plain(), Lim(0, 0, 515, 517)),
        Col(Plain(), Lim(-199, 199, 715, 717))}},
    /* 19 */ {253, 306, 0, 6, 1, 0, {
        BxRamOnly(Lim(0, 0, 918, 920)),
        Col(Plain(), Lim(0, 0, 518, 520)),
        Col(Plain(), Lim(10000, 20000, 718, 720))}},
    /* 20 */ {254, 302, 0, 5, 1, 0, {
        BxRamOnly(Lim(0, 0, 921, 923)),
        Col(Plain(), Lim(0, 0, 521, 523)),
        Col(Plain(), Lim(0, 200, 721, 723))}},
    /* 21 */ {255, 307, 0, 5, 1, 0, {
        BxRamOnly(Lim(0, 0, 924, 926)),
        Col(Plain(), Lim(0, 0, 524, 526)),
        Col(Plain(), Lim(10, 10000, 724, 726))}},
};

// Entry 4 takes four modes from FX version 30 on.
const FxVersionLimits SpeedVersionLimits[] = {
    {4, 30, Lim(0, 4, 673, 675)},
};
// clang-format on
static_assert(std::size(SpeedEntries) == EntryCount(ParamGroup::Speed));

}  // namespace

const GroupDescriptor& SpeedGroup() {
    static const GroupDescriptor group{
        ParamGroup::Speed,
        SpeedEntries,
        {WriteSpeedBx, WriteRamOnly, WriteRamOnly},
        {ReadKind::EepWord, ReadKind::RamWord, ReadKind::RamWord},
        SpeedVersionLimits,
        {231, 232, 233},
        {391, 392},
    };
    return group;
}
