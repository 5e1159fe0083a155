#include "monitor/MonitorRules.h"

#include <cstdio>

#include "link/CatalogueTexts.h"
#include "link/Procedure.h"

namespace {

int Column(MonitorVariant variant) {
    return static_cast<int>(variant);
}

// ---- Reads of a tick ------------------------------------------------------

using Read = MonitorRead;
using Kind = MonitorReadKind;

constexpr Read W(int entry, int value) {
    return {Kind::Word, entry, nullptr, value};
}
constexpr Read L(int entry, int value) {
    return {Kind::Long, entry, nullptr, value};
}
constexpr Read Zero(int value) {
    return {Kind::Zero, -1, nullptr, value};
}
// BX gate words: non-zero makes the dependent rows unreadable.
constexpr Read GateB2{Kind::Word, -1, "B2", 12};
constexpr Read GateB6{Kind::Word, -1, "B6", 15};
constexpr Read None{};

struct PollRow {
    MonitorRowReads bx, dx, fxFrom26, fxBefore26;
};

// Rows 1 ... 17; disabled rows read nothing.
const PollRow PollRows[MonitorRowCount] = {
    {{W(0, 0)}, {W(0, 0)}, {W(0, 0)}, {W(0, 0)}},
    {{W(1, 1)}, {W(1, 1)}, {W(1, 1)}, {W(1, 1)}},
    {{W(2, 2)}, {W(2, 2)}, {W(2, 2)}, {W(2, 2)}},
    {{W(3, 3)}, {W(3, 3)}, {W(3, 3)}, {W(3, 3)}},
    {{W(4, 4)}, {W(4, 4)}, {W(4, 4)}, {W(4, 4)}},
    {{W(5, 5)}, {W(5, 5)}, {W(5, 5)}, {W(5, 5)}},
    {{L(6, 6), L(8, 7)}, {L(6, 6), L(8, 7)}, {L(6, 6), L(8, 7)}, {W(6, 6), W(8, 7)}},
    {{L(6, 6), L(8, 7)}, {L(6, 6), L(8, 7)}, {L(6, 6), L(8, 7)}, {W(6, 6), W(8, 7)}},
    {{W(10, 8), W(17, 9)}, {W(10, 8)}, {W(10, 8)}, {W(10, 8)}},
    {{W(11, 10), W(18, 11)}, {W(11, 10)}, {None}, {None}},
    {{GateB2, W(12, 13)}, {W(12, 13)}, {W(12, 13)}, {W(12, 13)}},
    {{GateB2, W(13, 14)}, {W(13, 14)}, {W(13, 14)}, {W(13, 14)}},
    {{GateB6, GateB2, W(14, 16)}, {W(14, 16)}, {W(14, 16)}, {W(14, 16)}},
    {{GateB6, GateB2, W(15, 17)}, {W(15, 17)}, {W(15, 17)}, {W(15, 17)}},
    {{None}, {None}, {L(16, 18)}, {None}},
    {{None}, {None}, {W(19, 19)}, {Zero(19)}},
    {{None}, {None}, {W(20, 20)}, {Zero(20)}},
};

// ---- Value texts ----------------------------------------------------------

// Which gate words blank a BX row.
enum class Gate { None, B2, B2OrB6 };

// shown = M[Value] (/ (M[Divisor] / 4096), 0 when that is 0) * Mul / Div.
struct TextRule {
    int Value = -1;  // -1: the variant has no such row
    double Mul = 1.0;
    double Div = 1.0;
    const char* Format = "%8.0f";
    int Divisor = -1;
    Gate Blank = Gate::None;
};

constexpr double PerVolt = 0.0004650297619047619;  // 1 / 2150.4

constexpr TextRule Raw(int value, const char* format = "%8.0f") {
    return {value, 1.0, 1.0, format};
}
constexpr TextRule Scaled(int value, double mul, double div, const char* format) {
    return {value, mul, div, format};
}
constexpr TextRule Analog(int value, int divisor) {
    return {value, PerVolt, 1.0, "%8.2f", divisor};
}
constexpr TextRule Gated(int value, double mul, double div, Gate gate) {
    return {value, mul, div, "%8.1f", -1, gate};
}
constexpr TextRule Absent{};

struct TextRow {
    TextRule bx, dx, fxFrom26, fxBefore26;
};

const TextRow TextRows[MonitorRowCount] = {
    {Scaled(0, 3000, 16384, "%8.1f"), Scaled(0, 6000, 32768, "%8.1f"), Raw(0), Raw(0)},
    {Scaled(1, 300, 24576, "%8.1f"), Scaled(1, 300, 24576, "%8.1f"), Raw(1), Raw(1)},
    {Scaled(2, 1, 10, "%8.1f"), Scaled(2, 1, 10, "%8.1f"), Raw(2), Raw(2, "%8.1f")},
    {Scaled(3, 300, 24576, "%8.1f"), Scaled(3, 1, 10, "%8.0f"), Raw(3), Scaled(3, 1, 100, "%8.0f")},
    {Scaled(4, 300, 24576, "%8.1f"), Scaled(4, 1, 10, "%8.0f"), Raw(4), Scaled(4, 1, 100, "%8.0f")},
    {Scaled(5, 6000, 32768, "%8.1f"), Scaled(5, 6000, 32768, "%8.1f"), Scaled(5, 1, 4, "%8.1f"),
     Scaled(5, 1, 4, "%8.1f")},
    {Raw(6), Raw(6), Raw(6), Raw(6)},
    {Raw(7), Raw(7), Raw(7), Raw(7)},
    {Analog(8, 9), Scaled(8, 10.5, 511, "%8.2f"), Scaled(8, 1, 97, "%8.2f"),
     Scaled(8, 1, 97, "%8.2f")},
    {Analog(10, 11), Scaled(10, 10.5, 511, "%8.2f"), Absent, Absent},
    {Gated(13, 375, 2048, Gate::B2), Scaled(13, 6000, 32768, "%8.1f"), Raw(13), Raw(13)},
    {Gated(14, 375, 2048, Gate::B2), Scaled(14, 6000, 32768, "%8.1f"), Raw(14), Raw(14)},
    {Gated(16, 25, 2048, Gate::B2OrB6), Scaled(16, 300, 24576, "%8.1f"), Raw(16), Raw(16)},
    {Gated(17, 25, 2048, Gate::B2OrB6), Scaled(17, 300, 24576, "%8.1f"), Raw(17), Raw(17)},
    {Absent, Absent, Raw(18), Raw(18)},
    {Absent, Absent, Raw(19), Raw(19)},
    {Absent, Absent, Raw(20), Raw(20)},
};

const TextRule& RuleOf(const TextRow& row, MonitorVariant variant) {
    const TextRule* columns[] = {&row.bx, &row.dx, &row.fxFrom26, &row.fxBefore26};
    return *columns[Column(variant)];
}

bool Blanked(Gate gate, const MonitorRawValues& m) {
    switch (gate) {
        case Gate::None:
            return false;
        case Gate::B2:
            return m[12] != 0;
        case Gate::B2OrB6:
            return m[12] != 0 || m[15] != 0;
    }
    return false;
}

// ---- Rows, captions, units ------------------------------------------------

// Caption and unit messages of rows 1 ... 17; fxBefore26 replaces the caption
// for the FX group before version 26 (0: no caption there).
struct CaptionRow {
    int caption;
    int fxBefore26;
    int unit;
};
const CaptionRow CaptionRows[MonitorRowCount] = {
    {101, 101, 91}, {102, 102, 92}, {103, 103, 92}, {104, 116, 92}, {105, 117, 92}, {106, 106, 91},
    {107, 107, 93}, {108, 108, 93}, {109, 109, 94}, {110, 110, 94}, {111, 111, 91}, {112, 112, 91},
    {113, 113, 92}, {114, 114, 92}, {115, 115, 93}, {116, 0, 92},   {117, 0, 92},
};

bool ValidRow(int row) {
    return row >= 1 && row <= MonitorRowCount;
}

// BX rows that the control mode at opening leaves out.
void DisableBxModeRows(int currentMode, std::array<bool, MonitorRowCount>& enabled) {
    auto disable = [&](int row) { enabled[row - 1] = false; };
    switch (currentMode) {
        case 0:
            disable(9);
            break;
        case 1:
            disable(10);
            break;
        case 2:
            disable(9), disable(10);
            break;
        default:
            disable(8), disable(9), disable(10);
            break;
    }
}

}  // namespace

MonitorVariant MonitorVariantOf(int ampFamily, int fxVersion) {
    if (ampFamily == Family::Bx) return MonitorVariant::Bx;
    if (ampFamily == Family::Dx) return MonitorVariant::Dx;
    return fxVersion >= 26 ? MonitorVariant::FxFrom26 : MonitorVariant::FxBefore26;
}

MonitorAddresses MonitorAddressTableFor(const AddressMap& map, int ampFamily, int fxVersion) {
    MonitorAddresses table;
    const MonitorVariant variant = MonitorVariantOf(ampFamily, fxVersion);
    for (int e = 0; e < 16; ++e) table[e] = map.Monitor[e];
    if (variant == MonitorVariant::Dx || variant == MonitorVariant::FxFrom26) {
        table[16] = map.Monitor[16];
    }
    if (variant == MonitorVariant::Bx) {
        table[17] = map.MonitorExtra[0];
        table[18] = map.MonitorExtra[1];
    }
    if (variant == MonitorVariant::FxFrom26) {
        table[19] = map.MonitorExtra[2];
        table[20] = map.MonitorExtra[3];
    }
    return table;
}

std::array<bool, MonitorRowCount> MonitorRowsEnabled(int ampFamily, int fxVersion,
                                                     int currentMode) {
    std::array<bool, MonitorRowCount> enabled;
    enabled.fill(true);
    switch (MonitorVariantOf(ampFamily, fxVersion)) {
        case MonitorVariant::Bx:
            DisableBxModeRows(currentMode, enabled);
            [[fallthrough]];
        case MonitorVariant::Dx:
            enabled[14] = enabled[15] = enabled[16] = false;
            break;
        case MonitorVariant::FxBefore26:
            enabled[14] = false;
            [[fallthrough]];
        case MonitorVariant::FxFrom26:
            enabled[9] = false;
            break;
    }
    return enabled;
}

int MonitorCaptionMessage(int row, int ampFamily, int fxVersion) {
    if (!ValidRow(row)) return 0;
    const CaptionRow& captions = CaptionRows[row - 1];
    switch (MonitorVariantOf(ampFamily, fxVersion)) {
        case MonitorVariant::FxBefore26:
            return captions.fxBefore26;
        case MonitorVariant::FxFrom26:
            return captions.caption;
        default:
            return row >= 16 ? 0 : captions.caption;
    }
}

int MonitorUnitMessage(int row) {
    return ValidRow(row) ? CaptionRows[row - 1].unit : 0;
}

std::string MonitorCaptionText(int row, int ampFamily, int fxVersion,
                               const MessageCatalogue& catalogue) {
    const int caption = MonitorCaptionMessage(row, ampFamily, fxVersion);
    std::string text = caption ? catalogue.Msg(caption) : "";
    return text.empty() ? catalogue.Msg(CatalogueTexts::MsgMonitorRow, {std::to_string(row)})
                        : text;
}

std::optional<double> MonitorValueNumber(int row, MonitorVariant variant,
                                         const MonitorRawValues& values) {
    if (!ValidRow(row)) return std::nullopt;
    const TextRule& rule = RuleOf(TextRows[row - 1], variant);
    if (rule.Value < 0 || Blanked(rule.Blank, values)) return std::nullopt;
    double shown = values[rule.Value];
    if (rule.Divisor >= 0) {
        const double divisor = values[rule.Divisor] / 4096.0;
        shown = divisor == 0.0 ? 0.0 : shown / divisor;
    }
    return shown * rule.Mul / rule.Div;
}

std::string MonitorValueText(int row, MonitorVariant variant, const MonitorRawValues& values) {
    if (!ValidRow(row) || RuleOf(TextRows[row - 1], variant).Value < 0) return {};
    const std::optional<double> shown = MonitorValueNumber(row, variant, values);
    if (!shown) return "XXXXXXXX";
    char text[64];
    std::snprintf(text, sizeof text, RuleOf(TextRows[row - 1], variant).Format, *shown);
    return text;
}

std::string MonitorNumberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

int MonitorTickWireMs(const MonitorSelectionFlags& selection, MonitorVariant variant) {
    constexpr int RequestChars = 6;
    constexpr int BitsPerChar = 10;
    constexpr int BitsPerSecond = 9600;
    int chars = 0;
    for (int row = 1; row <= MonitorRowCount; ++row) {
        if (!selection[row - 1] || MonitorRowSharesReads(row, selection)) continue;
        for (const MonitorRead& read : MonitorReadsOf(row, variant)) {
            if (read.Kind == MonitorReadKind::Word) chars += RequestChars + WordReplyLength;
            if (read.Kind == MonitorReadKind::Long) chars += RequestChars + LongReplyLength;
        }
    }
    return (chars * BitsPerChar * 1000 + BitsPerSecond - 1) / BitsPerSecond;
}

const MonitorRowReads& MonitorReadsOf(int row, MonitorVariant variant) {
    static const MonitorRowReads nothing{};
    if (!ValidRow(row)) return nothing;
    const PollRow& reads = PollRows[row - 1];
    const MonitorRowReads* columns[] = {&reads.bx, &reads.dx, &reads.fxFrom26, &reads.fxBefore26};
    return *columns[Column(variant)];
}
