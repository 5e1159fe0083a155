// Every enabled entry of every family and FX version, read from the simulated
// amplifier, shown, and the shown value typed back in: the words
// that reach the amplifier are checked against a model of the entry rules
// written out here on its own (it does not call the conversions of params/).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "SimBench.h"
#include "params/ParamRules.h"

namespace {

using Lines = std::vector<std::string>;
using Value = std::int64_t;

using Family::Bx;
using Family::Dx;
using Family::Fx;

Value Trunc(double value) {
    return static_cast<Value>(std::trunc(value));
}
Value Unsigned16(Value word) {
    return word < 0 ? word + 0x10000 : word;
}
int AddressNumber(const std::string& address) {
    return static_cast<int>(std::strtol(address.c_str(), nullptr, 16));
}

// ---- The entry rules ----

// How an amplifier value is shown, and what an edited value v becomes (word is
// the cached value, into which bit fields merge).
struct Model {
    std::function<double(Value)> show;
    std::function<Value(double v, Value word)> write;
    const char* format = "%.0f";
};

Model Plain() {
    return {[](Value raw) { return static_cast<double>(raw); },
            [](double v, Value) { return Trunc(v); }};
}
Model Scaled(double show, double write, const char* format = "%.0f") {
    return {[=](Value raw) { return raw * show; },
            [=](double v, Value) { return Trunc(v * write); }, format};
}
// A word as a read gives it: its 16 bits sign-extended.
Value AsRead(Value word) {
    return static_cast<std::int16_t>(word & 0xFFFF);
}
Model Field(int shift, int showMask, int clearMask) {
    return {[=](Value raw) { return static_cast<double>((raw >> shift) & showMask); },
            [=](double v, Value word) {
                return AsRead((word & ~Value{clearMask}) | (Trunc(v) << shift));
            }};
}
// BX System entry 2: shown 0..3 for (bit 8, bit 0) = (0,1), (1,1), (0,0), (1,0).
Model BxCode() {
    return {[](Value raw) {
                const Value bit8 = (raw >> 8) & 1;
                const Value bit0 = raw & 1;
                return static_cast<double>(bit0 ? bit8 : 2 + bit8);
            },
            [](double v, Value word) {
                const Value code = Trunc(v);
                if (code < 0 || code > 3) return word;
                const Value bit8 = (code & 1) << 8;
                const Value bit0 = code < 2 ? 1 : 0;
                return AsRead((word & ~Value{0x101}) | bit8 | bit0);
            }};
}

struct Row {
    int family;
    ParamGroup group;
    std::vector<int> entries;
    Model model;
};

std::vector<Row> Rows(const DriveState& state) {
    const double a = state.BxScaleA;
    const double b = state.BxScaleB;
    const double c = state.BxScaleC;
    const Model scaleA{[=](Value raw) { return raw * 100.0 / a; },
                       [=](double v, Value) { return Trunc(v * a * 0.01); }};
    const Model inverseB{[=](Value raw) { return (33.0 / static_cast<double>(raw)) * b; },
                         [=](double v, Value) { return Trunc((b / v) * 33); }};
    using G = ParamGroup;
    return {
        {Bx, G::System, {1}, Scaled(0.1, 10)},
        {Bx, G::System, {2}, BxCode()},
        {Bx, G::System, {5}, Scaled(0.183105468, 5.4615)},
        {Bx, G::System, {6}, Field(1, 1, 0x2)},
        {Bx, G::System, {8, 9}, Scaled(0.012207, 81.9175)},
        {Bx, G::System, {10}, Scaled(0.01, 100, "%.1f")},
        {Bx, G::System, {11}, Field(0, 1, 0x1)},
        {Bx, G::Speed, {0, 1, 2, 8, 9, 12}, Scaled(0.183105468, 5.46133)},
        {Bx, G::Speed, {10}, scaleA},
        {Bx, G::Speed, {11}, inverseB},
        {Bx, G::Speed, {13}, Scaled(0.961291, 1.040267)},
        {Bx, G::Speed, {14}, Scaled(0.000464, 2154, "%.3f")},
        {Bx, G::Torque, {1}, Scaled(0.128173828125, 4096.0 / 525.0)},
        {Bx, G::Torque, {2}, Scaled(0.00046425, 2154, "%.3f")},
        {Bx, G::Torque, {3, 4, 5}, Scaled(0.183105468, 5.46133)},
        {Bx,
         G::Position,
         {1},
         {[](Value raw) { return raw + 1.0; }, [](double v, Value) { return Trunc(v - 1); }}},
        {Bx,
         G::Position,
         {6},
         {[=](Value raw) { return (raw / c) * 244.140625; },
          [=](double v, Value) { return Trunc(v * 0.004096 * c); }}},
        {Bx,
         G::Position,
         {8},
         {[](Value raw) { return raw * 0.4; },
          [](double v, Value) { return Trunc(v * 2.5 + 0.5); }}},
        {Bx, G::Position, {9}, Field(0, 0xF, 0xF)},
        {Bx, G::Position, {10}, scaleA},
        {Bx, G::Position, {11}, inverseB},
        {Dx, G::System, {10}, Scaled(0.1, 10, "%.1f")},
        {Dx, G::Speed, {14}, Scaled(0.001, 1000, "%.3f")},
        {Dx, G::Torque, {2}, Scaled(0.001, 1000, "%.3f")},
        {Fx, G::System, {0}, Field(0, 0xF, 0xF)},
        {Fx, G::System, {2, 7}, Field(8, 1, 0xF00)},
        {Fx, G::System, {6}, Field(0, 1, 0xF)},
        {Fx, G::System, {11}, Field(12, 1, 0xF000)},
        {Fx, G::System, {17}, Field(8, 0xF, 0xF00)},
        {Fx, G::System, {18}, Field(4, 0xF, 0xF0)},
        {Fx, G::Speed, {3}, Field(4, 1, 0xF0)},
        // Shown with all four bits the write fills (the editor takes up to 4).
        {Fx, G::Speed, {4}, Field(0, 0xF, 0xF)},
        {Fx, G::Speed, {17}, Field(12, 1, 0xF000)},
        {Fx, G::Position, {0}, Field(4, 0xF, 0xF0)},
        {Fx, G::Position, {12}, Field(0, 0xF, 0xF)},
    };
}

Model ModelOf(ParamGroup group, int index, const DriveState& state) {
    for (const Row& row : Rows(state)) {
        if (row.family != state.AmpFamily || row.group != group) continue;
        for (int entry : row.entries)
            if (entry == index) return row.model;
    }
    return Plain();
}

bool IsTwoWord(int family, ParamGroup group, int index) {
    if (group != ParamGroup::Position) return false;
    if (family == Bx) return index >= 3 && index <= 5;
    return family == Dx && index >= 1 && index <= 5;
}

// ---- What the amplifier holds and receives ----

struct Place {
    std::string address;
    std::string companion;  // two-word entries only
};

Place PlaceOf(const SimBench& bench, ParamGroup group, int index) {
    Place place{EntryAddress(bench.drive.map, group, index), ""};
    if (IsTwoWord(bench.drive.state.AmpFamily, group, index))
        place.companion = bench.drive.map.Position[static_cast<std::size_t>(13 + index)].Address;
    return place;
}

// Whether the simulated amplifier keeps a parameter word at the address.
bool KeptBySimulator(const SimBench& bench, const std::string& address) {
    const int number = AddressNumber(address);
    for (const sim::Cell& cell : sim::InitialCells(bench.drive.profile)) {
        if (cell.store == sim::Store::Param && cell.address == number) return true;
    }
    return false;
}

// The value of the entry as the group read must combine it.
Value AmplifierValue(const SimBench& bench, ParamGroup group, int index, const Place& place) {
    const int family = bench.drive.state.AmpFamily;
    const int a = AddressNumber(place.address);
    if (family == Fx) return bench.Ram(a);
    if (family == Dx) {
        if (IsTwoWord(family, group, index))
            return bench.Ram(a) + bench.Ram(AddressNumber(place.companion)) * Value{10000};
        return bench.Ram(a);
    }
    const bool position = group == ParamGroup::Position;
    if (position && index == 3)
        return bench.Ram(a) * Value{10000} + Unsigned16(bench.Ram(AddressNumber(place.companion)));
    if (position && (index == 4 || index == 5)) return bench.RamLong(a);
    const bool speed = group == ParamGroup::Speed;
    const bool unsignedWord = (speed && (index == 6 || index == 7 || index == 11)) ||
                              (position && (index == 1 || index == 2 || index == 11));
    return unsignedWord ? Unsigned16(bench.Eeprom(a)) : bench.Eeprom(a);
}

// The words of the entry in RAM, and for BX in EEPROM too.
std::vector<Value> StoredWords(const SimBench& bench, const Place& place) {
    std::vector<Value> words;
    for (const std::string& address : {place.address, place.companion}) {
        if (address.empty()) continue;
        words.push_back(bench.Ram(AddressNumber(address)));
        if (bench.drive.state.AmpFamily == Bx)
            words.push_back(bench.Eeprom(AddressNumber(address)));
    }
    return words;
}

// BX follow-up writes: a derived value at a fixed address after the entry.
std::optional<std::string> BxFollowUp(ParamGroup group, int index, double v) {
    const auto derived = [&](double numerator, double divisor) {
        return v > 0 ? Trunc(numerator / divisor) : 0;
    };
    if (group == ParamGroup::Speed && index == 5) return LongWrite("DA", derived(858993459, v));
    if (group == ParamGroup::Speed && (index == 6 || index == 7))
        return LongWrite(index == 6 ? "F8" : "FA", derived(214748364, v));
    if (group == ParamGroup::Torque) return LongWrite("EE", derived(429496729, v));
    if (group == ParamGroup::Position && index == 8)
        return RamWrite("2D", derived(65536, v * 2.5 + 0.5));
    return std::nullopt;
}

// The exchanges of writing value (from the edited v) to the entry, folded.
Lines ExpectedWrite(int family, ParamGroup group, int index, double v, Value value,
                    const Place& place) {
    const std::string& a = place.address;
    const std::string& c = place.companion;
    if (family == Dx && IsTwoWord(family, group, index)) {
        double low = v;
        while (std::fabs(std::trunc(low)) > 9999) low += v > 0 ? -10000 : 10000;
        return {RamWrite(a, Trunc(low)), RamWrite(c, Trunc(v * 0.0001))};
    }
    if (family != Bx) return {RamWrite(a, value)};
    if (IsTwoWord(family, group, index)) {
        const auto pattern = static_cast<std::uint32_t>(value);
        const Value high = pattern >> 16;
        const Value low = pattern & 0xFFFF;
        return {RamWrite(a, high), EepWrite(a, high), RamWrite(c, low), EepWrite(c, low)};
    }
    Lines lines;
    const bool skipFirstRam =
        group == ParamGroup::Position && (index == 1 || index == 2 || index == 8);
    if (!skipFirstRam) lines.push_back(RamWrite(a, value));
    lines.push_back(EepWrite(a, value));
    lines.push_back(RamWrite(a, value));
    if (auto follow = BxFollowUp(group, index, v)) lines.push_back(*follow);
    return lines;
}

// ---- The run over all entries ----

struct Config {
    const char* family;
    int fxVersion;
    std::array<int, 4> enabled;  // System, Speed, Torque, Position
};

const Config Configs[] = {
    {"bx", 0, {13, 15, 6, 12}},    {"dx", 0, {13, 12, 6, 11}},  {"fx", 25, {12, 12, 6, 11}},
    {"fx", 27, {12, 12, 6, 11}},   {"fx", 28, {12, 12, 6, 11}}, {"fx", 30, {12, 12, 6, 11}},
    {"fx", 31, {12, 13, 6, 12}},   {"fx", 33, {12, 14, 6, 13}}, {"kqrv", 33, {13, 14, 6, 13}},
    {"lqrv", 33, {13, 14, 6, 13}}, {"yz", 33, {13, 14, 6, 13}},
};

void PrintTo(const Config& config, std::ostream* out) {
    *out << config.family << " " << config.fxVersion;
}

// Words that make the rules show what they do with truncation, bit fields,
// unsigned and two-word values, bit 15 set among them. BX words go to RAM and
// EEPROM.
struct Seed {
    int family;
    int address;
    std::uint16_t value;
};
const Seed Seeds[] = {
    {Bx, 0x21, 15},     {Bx, 0x31, 0x0100}, {Bx, 0x46, 0x8013}, {Bx, 0x56, 1234},
    {Bx, 0x2E, 16384},  {Bx, 0x48, 2154},   {Bx, 0x14, 0xFFFF}, {Bx, 0x2C, 1000},
    {Bx, 0x49, 2154},   {Bx, 0x1C, 1},      {Bx, 0x1D, 0x2345}, {Bx, 0x3E, 2048},
    {Bx, 0x0C, 25},     {Bx, 0x47, 0x00F1}, {Bx, 0x13, 0},      {Bx, 0x35, 0x80E8},
    {Dx, 0x39, 555},    {Dx, 0x4A, 0xD8F1}, {Dx, 0x3E, 1234},   {Dx, 0x4C, 0xFFFB},
    {Dx, 0x4D, 3},      {Dx, 0x54, 0xF280}, {Dx, 0x55, 0xFFF4}, {Fx, 0x16, 0x8135},
    {Fx, 0x17, 0x9234}, {Fx, 0x18, 0x9011}, {Fx, 0x19, 0x0025},
};

const char* GroupName(ParamGroup group) {
    switch (group) {
        case ParamGroup::System:
            return "System";
        case ParamGroup::Speed:
            return "Speed";
        case ParamGroup::Torque:
            return "Torque";
        case ParamGroup::Position:
            return "Position";
    }
    return "";
}

std::string Join(const std::vector<Value>& words) {
    std::string text;
    for (Value word : words) text += (text.empty() ? "" : " ") + std::to_string(word);
    return text;
}

struct Tally {
    int enabled = 0;
    int checked = 0;
    std::vector<std::string> notes;  // changed words, clamps, skipped entries
};

class AllEntries : public ::testing::TestWithParam<std::tuple<Config, bool>> {
protected:
    void SetUp() override {
        const Config& config = std::get<0>(GetParam());
        bench_ = std::make_unique<SimBench>(config.family, config.fxVersion);
        if (std::get<1>(GetParam())) ApplySeeds();
    }

    void ApplySeeds() {
        for (const Seed& seed : Seeds) {
            if (seed.family != State().AmpFamily) continue;
            if (seed.family == Bx) {
                bench_->SetParamWord(seed.address, seed.value);
            } else {
                bench_->drive.amplifier->SetRam(seed.address, seed.value);
            }
        }
    }

    const DriveState& State() const { return bench_->drive.state; }

    // Reads the group, leaves the entry's editor with what it shows typed
    // in, and checks what reached the amplifier.
    void CheckEntry(ParamGroup group, int index, Tally& tally) {
        SimBench& bench = *bench_;
        const std::string where = std::string(GroupName(group)) + " " + std::to_string(index);
        SCOPED_TRACE(where);
        ASSERT_TRUE(bench.reader.ReadGroup(group));
        const Place place = PlaceOf(bench, group, index);
        for (const std::string& address : {place.address, place.companion}) {
            if (address.empty()) continue;
            EXPECT_TRUE(KeptBySimulator(bench, address)) << "no parameter word at " << address;
        }
        const Value before = AmplifierValue(bench, group, index, place);
        const std::vector<Value> wordsBefore = StoredWords(bench, place);
        EXPECT_EQ(bench.caches.Value(group, index), before);

        const Model model = ModelOf(group, index, State());
        const double shown = model.show(before);
        const std::string cell =
            ValueCellText(group, index, bench.caches, State(), bench.drive.map);
        if (!std::isfinite(shown)) {
            EXPECT_EQ(cell, ValuePlaceholder);
            tally.notes.push_back(where + " (" + place.address + "): shows \"" + cell +
                                  "\", skipped");
            return;
        }
        char expectedCell[64];
        std::snprintf(expectedCell, sizeof expectedCell, model.format, shown);
        EXPECT_EQ(cell, expectedCell);

        const double parsed = std::strtod(cell.c_str(), nullptr);
        const Limits limits = EntryLimits(group, index, State());
        const double v = ClampToLimits(parsed, limits.Min, limits.Max);
        if (v != parsed)
            tally.notes.push_back(where + ": shown " + cell + " clamped to " +
                                  std::to_string(Trunc(v)));
        const Value written = model.write(v, before);

        bench.drive.line->ClearLog();
        EXPECT_TRUE(bench.writer.LeaveEditor(group, index, v).Queued);
        bench.writer.WriteParamTimerTimer();
        EXPECT_EQ(bench.Operations(),
                  ExpectedWrite(State().AmpFamily, group, index, v, written, place));
        EXPECT_FALSE(bench.caches.WriteFailed(group, index));

        const std::vector<Value> wordsAfter = StoredWords(bench, place);
        if (wordsAfter != wordsBefore)
            tally.notes.push_back(where + " (" + place.address +
                                  (place.companion.empty() ? "" : "/" + place.companion) + "): " +
                                  Join(wordsBefore) + " -> " + Join(wordsAfter) + ", value " +
                                  std::to_string(before) + " -> " + std::to_string(written));
        ++tally.checked;
    }

    std::unique_ptr<SimBench> bench_;
};

TEST_P(AllEntries, TypingTheShownValueBackWritesWhatTheRulesSay) {
    const Config& config = std::get<0>(GetParam());
    const ParamGroup groups[] = {ParamGroup::System, ParamGroup::Speed, ParamGroup::Torque,
                                 ParamGroup::Position};
    std::string summary;
    std::vector<std::string> notes;
    int checked = 0;
    for (std::size_t g = 0; g < 4; ++g) {
        Tally tally;
        for (int index = 0; index < EntryCount(groups[g]); ++index) {
            if (!EntryEnabled(bench_->drive.map, groups[g], index)) continue;
            ++tally.enabled;
            CheckEntry(groups[g], index, tally);
        }
        EXPECT_EQ(tally.enabled, config.enabled[g]) << GroupName(groups[g]);
        summary += std::string(" ") + GroupName(groups[g]) + " " + std::to_string(tally.checked) +
                   "/" + std::to_string(tally.enabled);
        checked += tally.checked;
        notes.insert(notes.end(), tally.notes.begin(), tally.notes.end());
    }
    std::printf("[ entries  ] %s %d %s: %d checked:%s\n", config.family, config.fxVersion,
                std::get<1>(GetParam()) ? "seeded" : "as started", checked, summary.c_str());
    for (const std::string& note : notes) std::printf("[ entries  ]   %s\n", note.c_str());
}

std::string ConfigName(const ::testing::TestParamInfo<std::tuple<Config, bool>>& info) {
    const Config& config = std::get<0>(info.param);
    return std::string(config.family) + std::to_string(config.fxVersion) +
           (std::get<1>(info.param) ? "Seeded" : "AsStarted");
}

INSTANTIATE_TEST_SUITE_P(Amplifiers, AllEntries,
                         ::testing::Combine(::testing::ValuesIn(Configs), ::testing::Bool()),
                         ConfigName);

}  // namespace
