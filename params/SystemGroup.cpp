#include "params/SystemGroup.h"

#include <iterator>

namespace {

using namespace entry;

// Scaling of the BX system words.
constexpr double BxSpeedShow = 0.183105468;
constexpr double BxSpeedWrite = 5.4615;
constexpr double BxCurrentShow = 0.012207;
constexpr double BxCurrentWrite = 81.9175;

// clang-format off
// Per row: name msg, unit msg, FX unit msg, editor length, increment, FX increment,
// then the BX, DX and FX group columns (conversion, limits and tips, format).
const ParamEntry SystemEntries[] = {
    /* 0 */ {264, 306, 0, 5, 1, 0, {
        Col(Plain(), Lim(0, 5, 801, 803)),
        Col(Plain(), Lim(0, 2, 401, 403)),
        Col(Field(0, 0xF, 0xF), Lim(0, 5, 601, 603))}},
    /* 1 */ {265, 307, 0, 5, 1, 0, {
        Col(Scaled(0.1, 10), Lim(-2000, 2000, 804, 806)),
        Col(Plain(), Lim(-2000, 2000, 404, 406)),
        Col(Plain(), Lim(-2000, 2000, 604, 606))}},
    /* 2 */ {266, 306, 0, 6, 1, 0, {
        Col(Special(ConvKind::BxCode), Lim(0, 3, 807, 809)),
        Col(Plain(), Lim(0, 7, 407, 409)),
        Col(Field(8, 1, 0xF00), Lim(0, 1, 607, 609))}},
    /* 3 */ {267, 306, 0, 6, 1, 0, {
        Col(Plain(), Lim(1, 63, 810, 812)),
        Col(Plain(), Lim(1, 63, 410, 412)),
        Col(Plain(), Lim(1, 16, 610, 612))}},
    /* 4 */ {268, 306, 0, 5, 1, 0, {
        Col(Plain(), Lim(0, 4, 813, 815)),
        Col(Plain(), Lim(0, 4, 413, 415)),
        Absent(Lim(0, 4, 613, 615))}},
    /* 5 */ {269, 305, 0, 5, 1, 0, {
        Col(Scaled(BxSpeedShow, BxSpeedWrite), Lim(0, 3000, 816, 818)),
        Col(Plain(), Lim(0, 3000, 416, 418)),
        Col(Plain(), Lim(0, 3000, 616, 618))}},
    /* 6 */ {270, 306, 0, 6, 1, 0, {
        Col(Field(1, 1, 0x2), Lim(0, 1, 819, 821)),
        Col(Plain(), Lim(0, 1, 419, 421)),
        Col(Field(0, 1, 0xF), Lim(0, 1, 619, 621))}},
    /* 7 */ {271, 306, 0, 6, 1, 0, {
        Col(Plain(), Lim(0, 3, 822, 824)),
        Col(Plain(), Lim(0, 1, 422, 424)),
        Col(Field(8, 1, 0xF00), Lim(0, 1, 622, 624))}},
    /* 8 */ {272, 302, 0, 5, 1, 0, {
        Col(Scaled(BxCurrentShow, BxCurrentWrite), Lim(0, 300, 825, 827)),
        Col(Plain(), Lim(0, 300, 425, 427)),
        Col(Plain(), Lim(0, 300, 625, 627))}},
    /* 9 */ {273, 302, 0, 5, 1, 0, {
        Col(Scaled(BxCurrentShow, BxCurrentWrite), Lim(-300, 0, 828, 830)),
        Col(Plain(), Lim(-300, 0, 428, 430)),
        Col(Plain(), Lim(0, 300, 628, 630))}},
    /* 10 */ {274, 302, 0, 6, 0.1, 1, {
        Col(Scaled(0.01, 100), Lim(0, 100, 831, 833, R1), F1),
        Col(Scaled(0.1, 10), Lim(0, 100, 431, 433, R1), F1),
        Absent(Lim(0, 100, 631, 633))}},
    /* 11 */ {275, 306, 0, 6, 1, 0, {
        Col(Field(0, 1, 0x1), Lim(0, 1, 834, 836)),
        Col(Plain(), Lim(0, 1, 434, 436)),
        Col(Field(12, 1, 0xF000), Lim(0, 1, 634, 636))}},
    /* 12 */ {276, 306, 0, 5, 1, 0, {
        Col(Plain(), Lim(0, 15, 837, 839)),
        Col(Plain(), Lim(0, 15, 437, 439)),
        Absent(Lim(0, 15, 637, 639))}},
    /* 13 */ {277, 306, 0, 5, 1, 0, {
        Absent(Lim(0, 10, 840, 842)),
        Absent(Lim(0, 10, 440, 442)),
        Absent(Lim(0, 10, 640, 642))}},
    /* 14 */ {278, 301, 0, 6, 0.001, 0, {
        Absent(Lim(-10, 10, 843, 845, R3)),
        Absent(Lim(-10, 10, 443, 445, R3)),
        Absent(Lim(-10, 10, 643, 645, R3))}},
    /* 15 */ {279, 301, 0, 6, 1, 0, {
        Absent(Lim(-10, 10, 846, 848)),
        Absent(Lim(-10, 10, 446, 448)),
        Absent(Lim(-10, 10, 646, 648))}},
    /* 16 */ {280, 311, 0, 5, 1, 0, {
        Absent(Lim(0, 250, 849, 852)),
        Absent(Lim(0, 250, 449, 451)),
        Col(Plain(), Lim(0, 250, 649, 651))}},
    /* 17 */ {281, 306, 0, 5, 1, 0, {
        Absent(),
        Absent(),
        Col(Field(8, 0xF, 0xF00), Lim(0, 3, 652, 654))}},
    /* 18 */ {282, 306, 0, 5, 1, 0, {
        Absent(),
        Absent(),
        Col(Field(4, 0xF, 0xF0), NoCall())}},
};

// Entry 18 gets its limits only on the newest FX versions.
const FxVersionLimits SystemVersionLimits[] = {
    {18, 33, Lim(0, 1, 655, 657)},
};
// clang-format on
static_assert(std::size(SystemEntries) == EntryCount(ParamGroup::System));

}  // namespace

const GroupDescriptor& SystemGroup() {
    static const GroupDescriptor group{
        ParamGroup::System,
        SystemEntries,
        {WriteSystemBx, WriteRamOnly, WriteRamOnly},
        {ReadKind::EepWord, ReadKind::RamWord, ReadKind::RamWord},
        SystemVersionLimits,
        {261, 262, 263},
        {389, 390},
    };
    return group;
}
