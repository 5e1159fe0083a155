#include "params/PositionGroup.h"

#include <iterator>

namespace {

using namespace entry;

// Two-word entries: BX keeps the high word first, DX the low word first (the
// ten-thousands in the companion word).
constexpr FamilyColumn BxTwoWords(Limits limit, ReadKind read) {
    return With(Col(Plain(), limit), WriteTwoWordsBoth, read);
}
constexpr FamilyColumn DxTwoWords(Limits limit) {
    return With(Col(Plain(), limit), WriteTwoWordsRam, ReadKind::DxTwoWord);
}
// BX words whose full 16 bits count, read as unsigned.
constexpr FamilyColumn BxUnsigned(Conversion conv, Limits limit) {
    return With(Col(conv, limit), 0, ReadKind::EepUnsigned);
}

// clang-format off
// Per row: name msg, unit msg, FX unit msg, editor length, increment, FX increment,
// then the BX, DX and FX group columns (conversion, limits and tips, format).
const ParamEntry PositionEntries[] = {
    /* 0 */ {289, 306, 0, 5, 1, 0, {
        Col(Plain(), Lim(0, 4, 965, 967)),
        Col(Plain(), Lim(0, 2, 565, 567)),
        Col(Field(4, 0xF, 0xF0), Lim(0, 2, 766, 768))}},
    /* 1 */ {290, 306, 0, 5, 1, 0, {
        BxUnsigned(Linear(1, 1, 1, -1), Lim(1, 50000, 968, 970)),
        DxTwoWords(Lim(1, 50000, 568, 570)),
        Col(Plain(), Lim(1, 10000, 769, 771))}},
    /* 2 */ {291, 306, 0, 6, 1, 0, {
        BxUnsigned(Plain(), Lim(1, 50000, 971, 973)),
        DxTwoWords(Lim(1, 50000, 571, 573)),
        Col(Plain(), Lim(1, 10000, 772, 774))}},
    /* 3 */ {292, 303, 0, 6, 1, 0, {
        BxTwoWords(Lim(0, 50000, 974, 976), ReadKind::BxTwoWord),
        DxTwoWords(Lim(0, 50000, 574, 576)),
        Col(Plain(), Lim(0, 32767, 775, 777))}},
    /* 4 */ {293, 303, 312, 6, 1, 0, {
        BxTwoWords(Lim(1, 500000, 977, 979), ReadKind::RamLong),
        DxTwoWords(Lim(1, 500000, 577, 579)),
        Col(Plain(), Lim(1, 500, 778, 780))}},
    /* 5 */ {294, 303, 312, 7, 1, 0, {
        BxTwoWords(Lim(-500000, -1, 980, 982), ReadKind::RamLong),
        DxTwoWords(Lim(-500000, -1, 580, 582)),
        Col(Plain(), Lim(1, 500, 781, 783))}},
    /* 6 */ {295, 306, 0, 6, 1, 0, {
        Col(Special(ConvKind::ScaleC), Lim(0, 500, 983, 985)),
        Col(Plain(), Lim(0, 500, 583, 585)),
        Col(Plain(), Lim(10, 500, 784, 786))}},
    /* 7 */ {296, 306, 0, 6, 1, 0, {
        Col(Plain(), Lim(0, 100, 986, 988)),
        Col(Plain(), Lim(0, 100, 586, 588)),
        Col(Plain(), Lim(0, 100, 787, 789))}},
    /* 8 */ {297, 307, 0, 5, 1, 0, {
        Col(Linear(0.4, 0, 2.5, 0.5), Lim(0, 9999, 989, 991)),
        Col(Plain(), Lim(0, 9999, 589, 591)),
        Col(Plain(), Lim(0, 10000, 790, 792))}},
    /* 9 */ {298, 306, 0, 5, 1, 0, {
        Col(Field(0, 0xF, 0xF), Lim(0, 1, 992, 994)),
        Absent(Lim(0, 3, 592, 594)),
        Absent(Lim(0, 3, 793, 795))}},
    /* 10 */ {299, 306, 0, 5, 1, 0, {
        Col(Special(ConvKind::ScaleA), Lim(10, 1000, 995, 997)),
        Col(Plain(), Lim(10, 1000, 595, 597)),
        Col(Plain(), Lim(16, 500, 796, 798))}},
    /* 11 */ {300, 307, 0, 5, 1, 0, {
        BxUnsigned(Special(ConvKind::InverseB), Lim(1, 1000, 998, 1000)),
        Col(Plain(), Lim(1, 1000, 598, 600)),
        Col(Plain(), Lim(1, 1000, 799, 801))}},
    /* 12 */ {285, 306, 0, 5, 1, 0, {
        Absent(),
        Absent(),
        Col(Field(0, 0xF, 0xF), Lim(0, 7, 658, 660))}},
    /* 13 */ {254, 302, 0, 5, 1, 0, {
        Absent(),
        Absent(),
        Col(Plain(), Lim(0, 200, 721, 723))}},
};
// clang-format on
static_assert(std::size(PositionEntries) == EntryCount(ParamGroup::Position));

}  // namespace

const GroupDescriptor& PositionGroup() {
    static const GroupDescriptor group{
        ParamGroup::Position,
        PositionEntries,
        {WritePositionBx, WriteRamOnly, WriteRamOnly},
        {ReadKind::EepWord, ReadKind::RamWord, ReadKind::RamWord},
        {},
        {286, 287, 288},
        {395, 396},
    };
    return group;
}
