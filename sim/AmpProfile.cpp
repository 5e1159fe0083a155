#include "sim/AmpProfile.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace sim {

namespace {

struct FxCpuWord {
    int version;
    std::uint16_t word;
};

// One CPU word inside the range the tool maps to each version code.
const FxCpuWord kFxCpuWords[] = {
    {25, 0x1200}, {27, 0x1500}, {28, 0x2000}, {30, 0x3000}, {31, 0x3300}, {33, 0x3800},
};

// The QRV members are told apart by the user, not the amplifier; their CPU
// words sit below 0x3124 so that the tool shows them with the 0x10000 offset.
struct QrvMember {
    const char* name;
    std::uint16_t word;
};
const QrvMember kQrvMembers[] = {{"KQRV", 0x3000}, {"LQRV", 0x3010}, {"YZ", 0x3020}};

const std::vector<Cell> kBxCells = {
    // Identification, EEPROM only.
    {Store::Eeprom, 0x11, 0x2005, "CPU version, first part (decimal-looking)"},
    {Store::Eeprom, 0x12, 0x0715, "CPU version, second part (decimal-looking)"},
    {Store::Eeprom, 0x7D, 0x2004, "EEPROM version, first part (decimal-looking)"},
    {Store::Eeprom, 0x7E, 0x0301, "EEPROM version, second part (decimal-looking)"},
    {Store::Eeprom, 0x77, 0x2034, "type code: amplifier 2, motor 34 (decimal-looking)"},
    {Store::Eeprom, 0x72, 1000, "scaling A / tuning gain 2"},
    {Store::Eeprom, 0x73, 1000, "scaling B / tuning gain 3"},
    {Store::Eeprom, 0x22, 1000, "scaling C"},
    {Store::Eeprom, 0x71, 200, "tuning gain 1"},
    {Store::Eeprom, 0x74, 100, "tuning gain 4"},
    {Store::Eeprom, 0x75, 300, "tuning gain 5"},
    {Store::Eeprom, 0x76, 50, "tuning gain 6"},
    {Store::Eeprom, 0x0D, 0, "tuning command (stored)"},
    // Alarm history ring and its pointer (next slot to write).
    {Store::Eeprom, 0x70, 3, "alarm history pointer"},
    {Store::Eeprom, 0x00, 5, "alarm history 0"},
    {Store::Eeprom, 0x01, 3, "alarm history 1"},
    {Store::Eeprom, 0x02, 7, "alarm history 2"},
    // System parameters.
    {Store::Param, 0x0A, 1, "control mode 0..5"},
    {Store::Param, 0x21, 0, "analog offset x0.1"},
    {Store::Param, 0x31, 0x0001, "command select (bits 8 and 0)"},
    {Store::Param, 0x0E, 1, "station number 1..63"},
    {Store::Param, 0x45, 0, "select 0..4"},
    {Store::Param, 0x1F, 16384, "maximum speed, 3000 rpm"},
    {Store::Param, 0x46, 0, "flags: bit 1, bit 0"},
    {Store::Param, 0x4F, 0, "select 0..3"},
    {Store::Param, 0x26, 24575, "torque limit +, 300 %"},
    {Store::Param, 0x27, static_cast<std::uint16_t>(-24575), "torque limit -, -300 %"},
    {Store::Param, 0x56, 1000, "filter x0.01"},
    {Store::Param, 0x20, 0, "select 0..15"},
    // Speed parameters.
    {Store::Param, 0x2E, 2730, "jog speed, 500 rpm"},
    {Store::Param, 0x2F, 5461, "internal speed 2, 1000 rpm"},
    {Store::Param, 0x30, 8192, "internal speed 3, 1500 rpm"},
    {Store::Param, 0x4D, 0, "speed select 0..1"},
    {Store::Param, 0x32, 0, "speed select 0..3"},
    {Store::Param, 0x16, 100, "acceleration time 1..10000"},
    {Store::Param, 0x14, 100, "deceleration time 1..50000"},
    {Store::Param, 0x15, 100, "s-curve time 1..50000"},
    {Store::Param, 0x33, 546, "zero speed, 100 rpm"},
    {Store::Param, 0x34, 546, "speed reached, 100 rpm"},
    {Store::Param, 0x36, 500, "speed P gain (scaled by A)"},
    {Store::Param, 0x35, 330, "speed I gain (scaled by B)"},
    {Store::Param, 0x1E, 0, "speed limit, 0 rpm"},
    {Store::Param, 0x2D, 1040, "inertia, 1000"},
    {Store::Param, 0x48, 0, "analog gain x0.000464"},
    // Torque parameters.
    {Store::Param, 0x4C, 100, "torque filter 0..10000"},
    {Store::Param, 0x2C, 780, "torque command scale, 100"},
    {Store::Param, 0x49, 0, "torque offset"},
    // Position parameters.
    {Store::Param, 0x0B, 0, "position mode 0..4"},
    {Store::Param, 0x13, 9999, "gear numerator - 1"},
    {Store::Param, 0x0F, 10000, "gear denominator"},
    {Store::Param, 0x1C, 0, "in-position width, high (x10000)"},
    {Store::Param, 0x1D, 100, "in-position width, low"},
    {Store::Param, 0x3A, 0, "software limit +, high word"},
    {Store::Param, 0x3B, 10000, "software limit +, low word"},
    {Store::Param, 0x3C, 0xFFFF, "software limit -, high word"},
    {Store::Param, 0x3D, 0xD8F0, "software limit -, low word"},
    {Store::Param, 0x3E, 410, "position gain (scaled by C)"},
    {Store::Param, 0x3F, 0, "feed forward 0..100"},
    {Store::Param, 0x0C, 250, "smoothing, 100"},
    {Store::Param, 0x47, 0, "pulse form 0..1"},
    // RAM only.
    {Store::Ram, 0x17, 750, "rating"},
    {Store::Ram, 0x76, 0, "jog run command"},
};

const std::vector<Cell> kDxCells = {
    {Store::Ram, 0x7F, 0x0123, "motor code"},
    {Store::Ram, 0x64, 400, "rating"},
    {Store::Ram, 0x89, 0, "alarm entry"},
    {Store::Ram, 0x80, 0x0203, "alarm history 1 and 2"},
    {Store::Ram, 0x81, 0x0012, "alarm history 3 and 4"},
    // System parameters.
    {Store::Param, 0x30, 0, "control mode 0..2"},
    {Store::Param, 0x3F, 0, "analog offset"},
    {Store::Param, 0x32, 0, "command select 0..7"},
    {Store::Param, 0x33, 1, "station number 1..63"},
    {Store::Param, 0x31, 0, "select 0..4"},
    {Store::Param, 0x34, 3000, "maximum speed"},
    {Store::Param, 0x35, 0, "flag 0..1"},
    {Store::Param, 0x36, 0, "flag 0..1"},
    {Store::Param, 0x37, 300, "torque limit +"},
    {Store::Param, 0x38, static_cast<std::uint16_t>(-300), "torque limit -"},
    {Store::Param, 0x39, 100, "filter x0.1"},
    {Store::Param, 0x3B, 0, "flag 0..1"},
    {Store::Param, 0x40, 0, "select 0..15"},
    // Speed parameters.
    {Store::Param, 0x5C, 500, "internal speed 1"},
    {Store::Param, 0x5D, 1000, "internal speed 2"},
    {Store::Param, 0x5E, 1500, "internal speed 3"},
    {Store::Param, 0x41, 0, "speed select 0..1"},
    {Store::Param, 0x42, 0, "speed select 0..2"},
    {Store::Param, 0x43, 100, "acceleration time"},
    {Store::Param, 0x44, 100, "deceleration time"},
    {Store::Param, 0x46, 100, "speed P gain 10..1000"},
    {Store::Param, 0x47, 100, "speed I gain 1..1000"},
    {Store::Param, 0x48, 0, "speed limit"},
    {Store::Param, 0x49, 1000, "inertia 100..5000"},
    {Store::Param, 0x4A, 0, "analog gain x0.001"},
    // Torque parameters.
    {Store::Param, 0x3C, 100, "torque filter"},
    {Store::Param, 0x3D, 100, "torque command scale"},
    {Store::Param, 0x3E, 0, "torque offset x0.001"},
    {Store::Param, 0x59, 300, "torque limit 1"},
    {Store::Param, 0x5A, 300, "torque limit 2"},
    {Store::Param, 0x5B, 300, "torque limit 3"},
    // Position parameters (two-word values: low part + high part x10000).
    {Store::Param, 0x4B, 0, "position mode 0..2"},
    {Store::Param, 0x4C, 1, "gear numerator, low"},
    {Store::Param, 0x4D, 0, "gear numerator, x10000"},
    {Store::Param, 0x4E, 1, "gear denominator, low"},
    {Store::Param, 0x4F, 0, "gear denominator, x10000"},
    {Store::Param, 0x50, 100, "in-position width, low"},
    {Store::Param, 0x51, 0, "in-position width, x10000"},
    {Store::Param, 0x52, 0, "software limit +, low"},
    {Store::Param, 0x53, 5, "software limit +, x10000"},
    {Store::Param, 0x54, 0, "software limit -, low"},
    {Store::Param, 0x55, static_cast<std::uint16_t>(-5), "software limit -, x10000"},
    {Store::Param, 0x56, 100, "position gain 0..500"},
    {Store::Param, 0x57, 0, "feed forward 0..100"},
    {Store::Param, 0x58, 0, "smoothing 0..9999"},
};

const std::vector<Cell> kFxCells = {
    {Store::Ram, 0x8B, 7500, "rating x10"},
    {Store::Ram, 0x0A, 2, "alarm history pointer (newest entry)"},
    {Store::Ram, 0x00, 9, "alarm history 0"},
    {Store::Ram, 0x01, 6, "alarm history 1"},
    {Store::Ram, 0x02, 13, "alarm history 2"},
    {Store::Ram, 0xC0, 1, "automatic checksum on"},
    {Store::Ram, 0x0B, 0, "parameter checksum"},
    // System parameters (16, 17 and 18 are bit-field words shared by entries).
    {Store::Param, 0x16, 0x0000, "mode (bits 0-3), position mode (4-7), bit 8"},
    {Store::Param, 0x2C, 0, "analog offset"},
    {Store::Param, 0x0C, 1, "station number 1..16"},
    {Store::Param, 0x14, 3000, "maximum speed"},
    {Store::Param, 0x17, 0x0000, "flags: bit 0, bits 4-7, bits 8-11, bit 12"},
    {Store::Param, 0x18, 0x0000, "flags: bits 0-3, bit 4, bit 8, bit 12"},
    {Store::Param, 0x11, 300, "torque limit +"},
    {Store::Param, 0x12, 300, "torque limit -"},
    {Store::Param, 0x34, 0, "select 0..250"},
    // Speed parameters.
    {Store::Param, 0x29, 500, "internal speed 1"},
    {Store::Param, 0x2A, 1000, "internal speed 2"},
    {Store::Param, 0x2B, 1500, "internal speed 3"},
    {Store::Param, 0x28, 100, "acceleration time 20..10000"},
    {Store::Param, 0x0D, 100, "speed P gain 16..500"},
    {Store::Param, 0x0E, 100, "speed I gain 1..1000"},
    {Store::Param, 0x13, 0, "speed limit 0..255"},
    {Store::Param, 0x10, 0, "analog offset -63..63"},
    {Store::Param, 0x15, 0, "notch 0..200"},
    {Store::Param, 0x27, 100, "filter 10..10000"},
    // Torque parameters.
    {Store::Param, 0x1A, 100, "torque filter"},
    {Store::Param, 0x1B, 300, "torque command scale 30..3000"},
    {Store::Param, 0x1C, 0, "torque offset"},
    {Store::Param, 0x1D, 300, "torque limit 1"},
    {Store::Param, 0x1E, 300, "torque limit 2"},
    {Store::Param, 0x1F, 300, "torque limit 3"},
    // Position parameters.
    {Store::Param, 0x21, 1, "gear numerator 1..10000"},
    {Store::Param, 0x22, 1, "gear denominator 1..10000"},
    {Store::Param, 0x20, 100, "in-position width"},
    {Store::Param, 0x25, 1, "pulse multiplier 1..500"},
    {Store::Param, 0x23, 100, "position gain 10..500"},
    {Store::Param, 0x26, 0, "feed forward 0..100"},
    {Store::Param, 0x24, 0, "smoothing 0..10000"},
    {Store::Param, 0x19, 0, "pulse form 0..7"},
};

// The word at 0F means a time constant up to version 26 and an inertia after.
const Cell kFxOldFilter = {Store::Param, 0x0F, 8, "speed filter 5..10"};
const Cell kFxNewInertia = {Store::Param, 0x0F, 1000, "inertia 10..30000"};
const char kDxModelName[17] = "DX-0402-A2-SM   ";

Cell FxMotorCode(std::uint8_t address) {
    return {Store::Ram, address, 21, "motor code (listed in FX_Motor.tpy)"};
}

// The model name: eight words of two characters each, high byte first.
std::vector<Cell> DxModelNameCells() {
    std::vector<Cell> cells;
    for (int i = 0; i < 8; ++i) {
        const auto high = static_cast<unsigned char>(kDxModelName[2 * i]);
        const auto low = static_cast<unsigned char>(kDxModelName[2 * i + 1]);
        cells.push_back({Store::Ram, static_cast<std::uint8_t>(0xA8 + i),
                         static_cast<std::uint16_t>(high << 8 | low), "model name"});
    }
    return cells;
}

std::vector<Cell> Joined(std::vector<Cell> cells, const std::vector<Cell>& more) {
    cells.insert(cells.end(), more.begin(), more.end());
    return cells;
}

constexpr bool kWord = false;
constexpr bool kLong = true;
constexpr int kNone = -1;
// An analog input of 10 V full scale as the amplifier's converter counts it.
constexpr double kBxRatioCounts = 2150.4 / 4096.0;
constexpr double kDxVoltCounts = 511.0 / 10.5;
constexpr double kFxVoltCounts = 97.0;
constexpr double kBxSpeedCounts = 16384.0 / 3000.0;
constexpr double kWideSpeedCounts = 32768.0 / 6000.0;
constexpr double kTorqueCounts = 24576.0 / 300.0;

// BX: the two ratio rows are scaled by a parameter word (inertia "2D" and the
// torque command scale "2C"), the torque limits are the limit parameters.
const std::vector<MonitorCell> kBxMonitor = {
    {0xE4, Quantity::Speed, kBxSpeedCounts, kWord, kNone, "motor speed"},
    {0x7E, Quantity::Torque, kTorqueCounts, kWord, kNone, "torque command"},
    {0x91, Quantity::Load, 10.0, kWord, kNone, "load ratio x0.1 %"},
    {0x93, Quantity::Current, kTorqueCounts, kWord, kNone, "motor current"},
    {0x94, Quantity::PeakCurrent, kTorqueCounts, kWord, kNone, "peak current"},
    {0x78, Quantity::SpeedCommand, kWideSpeedCounts, kWord, kNone, "speed command"},
    {0x5C, Quantity::PositionFeedback, 1.0, kLong, kNone, "feedback pulses"},
    {0x88, Quantity::PositionCommand, 1.0, kLong, kNone, "command pulses"},
    {0xBF, Quantity::AnalogSpeedVolts, kBxRatioCounts, kWord, 0x2D, "analog speed command"},
    {0xBE, Quantity::AnalogTorqueVolts, kBxRatioCounts, kWord, 0x2C, "analog torque command"},
    {0x95, Quantity::AverageSpeed, 2048.0 / 375.0, kWord, kNone, "average speed"},
    {0x96, Quantity::SpeedDeviation, 2048.0 / 375.0, kWord, kNone, "speed deviation"},
    {0xC0, Quantity::One, 1.0, kWord, 0x26, "forward torque limit"},
    {0xC1, Quantity::One, 1.0, kWord, 0x27, "reverse torque limit"},
};

const std::vector<MonitorCell> kDxMonitor = {
    {0x02, Quantity::Speed, kWideSpeedCounts, kWord, kNone, "motor speed"},
    {0x03, Quantity::Torque, kTorqueCounts, kWord, kNone, "torque command"},
    {0x15, Quantity::Load, 10.0, kWord, kNone, "load ratio x0.1 %"},
    {0x16, Quantity::Current, 10.0, kWord, kNone, "motor current x0.1 %"},
    {0x17, Quantity::PeakCurrent, 10.0, kWord, kNone, "peak current x0.1 %"},
    {0x05, Quantity::SpeedCommand, kWideSpeedCounts, kWord, kNone, "speed command"},
    {0x06, Quantity::PositionFeedback, 1.0, kLong, kNone, "feedback pulses"},
    {0x08, Quantity::PositionCommand, 1.0, kLong, kNone, "command pulses"},
    {0x0A, Quantity::AnalogSpeedVolts, kDxVoltCounts, kWord, kNone, "analog speed command"},
    {0x0B, Quantity::AnalogTorqueVolts, kDxVoltCounts, kWord, kNone, "analog torque command"},
    {0x0C, Quantity::AverageSpeed, kWideSpeedCounts, kWord, kNone, "average speed"},
    {0x0D, Quantity::SpeedDeviation, kWideSpeedCounts, kWord, kNone, "speed deviation"},
    {0x0E, Quantity::One, kTorqueCounts, kWord, 0x37, "forward torque limit"},
    {0x0F, Quantity::One, kTorqueCounts, kWord, 0x38, "reverse torque limit"},
    {0x13, Quantity::PositionError, 1.0, kWord, kNone, "position deviation"},
};

// Up to version 25 the position counters are single words and 89/8A carry
// the regeneration and overload ratios in hundredths.
const std::vector<MonitorCell> kFxOldMonitor = {
    {0x80, Quantity::Speed, 1.0, kWord, kNone, "motor speed"},
    {0x81, Quantity::Torque, 1.0, kWord, kNone, "torque command"},
    {0x88, Quantity::Load, 1.0, kWord, kNone, "load ratio"},
    {0x89, Quantity::Regeneration, 100.0, kWord, kNone, "regenerative load x0.01"},
    {0x8A, Quantity::Load, 100.0, kWord, kNone, "overload ratio x0.01"},
    {0x8C, Quantity::SpeedCommand, 4.0, kWord, kNone, "speed command x0.25"},
    {0x94, Quantity::PositionFeedback, 1.0, kWord, kNone, "feedback pulses"},
    {0x96, Quantity::PositionCommand, 1.0, kWord, kNone, "command pulses"},
    {0x83, Quantity::AnalogSpeedVolts, kFxVoltCounts, kWord, kNone, "analog speed command"},
    {0x84, Quantity::PositionError, 1.0, kWord, kNone, "position deviation"},
    {0x87, Quantity::AverageSpeed, 1.0, kWord, kNone, "average speed"},
    {0x85, Quantity::One, 1.0, kWord, 0x11, "forward torque limit"},
    {0x86, Quantity::One, 1.0, kWord, 0x12, "reverse torque limit"},
};

const std::vector<MonitorCell> kFxNewMonitor = {
    {0x80, Quantity::Speed, 1.0, kWord, kNone, "motor speed"},
    {0x81, Quantity::Torque, 1.0, kWord, kNone, "torque command"},
    {0x88, Quantity::Load, 1.0, kWord, kNone, "load ratio"},
    {0x82, Quantity::Current, 1.0, kWord, kNone, "motor current"},
    {0x83, Quantity::PeakCurrent, 1.0, kWord, kNone, "peak current"},
    {0x8C, Quantity::SpeedCommand, 4.0, kWord, kNone, "speed command x0.25"},
    {0x94, Quantity::PositionFeedback, 1.0, kLong, kNone, "feedback pulses"},
    {0x96, Quantity::PositionCommand, 1.0, kLong, kNone, "command pulses"},
    {0x8D, Quantity::AnalogSpeedVolts, kFxVoltCounts, kWord, kNone, "analog speed command"},
    {0x84, Quantity::PositionError, 1.0, kWord, kNone, "position deviation"},
    {0x87, Quantity::AverageSpeed, 1.0, kWord, kNone, "average speed"},
    {0x85, Quantity::One, 1.0, kWord, 0x11, "forward torque limit"},
    {0x86, Quantity::One, 1.0, kWord, 0x12, "reverse torque limit"},
    {0x98, Quantity::PositionError, 1.0, kLong, kNone, "position deviation"},
    {0x89, Quantity::Regeneration, 1.0, kWord, kNone, "regenerative load"},
    {0x8A, Quantity::Load, 1.0, kWord, kNone, "overload ratio"},
};

// One row per family and FX layout. A family's rows are in version order: a
// profile takes the first row of its family whose last version is not below
// its own.
struct Variant {
    Family family;
    int lastVersion;
    std::vector<Cell> cells;
    const std::vector<MonitorCell>& monitor;
    StatusLayout layout;
};

constexpr int kAnyVersion = std::numeric_limits<int>::max();
constexpr StatusLayout kBxLayout = {0xCB, 0xCB, 0xAF, 0xCD, -1, -1};
constexpr StatusLayout kDxLayout = {0x01, 0x11, 0x12, 0x10, 0x00, 0x7F};
constexpr StatusLayout kFxOldLayout = {0xC5, 0xC5, 0xC6, 0xC7, 0x16, 0x8D};
constexpr StatusLayout kFxNewLayout = {0x90, 0xC5, 0xC6, 0xC7, 0x16, 0x8F};

// clang-format off
const Variant kVariants[] = {
    {Family::BX, kAnyVersion, kBxCells,                                          kBxMonitor,    kBxLayout},
    {Family::DX, kAnyVersion, Joined(kDxCells, DxModelNameCells()),              kDxMonitor,    kDxLayout},
    {Family::FX, 25,          Joined(kFxCells, {kFxOldFilter, FxMotorCode(0x8D)}), kFxOldMonitor, kFxOldLayout},
    {Family::FX, 26,          Joined(kFxCells, {kFxOldFilter, FxMotorCode(0x8F)}), kFxNewMonitor, kFxNewLayout},
    {Family::FX, kAnyVersion, Joined(kFxCells, {kFxNewInertia, FxMotorCode(0x8F)}), kFxNewMonitor, kFxNewLayout},
};
// clang-format on

const Variant& VariantOf(const Profile& profile) {
    for (const Variant& variant : kVariants) {
        if (variant.family == profile.family && profile.fxVersion <= variant.lastVersion)
            return variant;
    }
    return kVariants[0];  // not reached: every family ends with an any-version row
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

bool MakeProfile(const std::string& name, int fxVersion, Profile& profile) {
    const std::string member = Upper(name);
    profile = Profile{};
    profile.member = member;
    if (member == "BX" || member == "DX") {
        profile.family = member == "BX" ? Family::BX : Family::DX;
        return true;
    }
    profile.family = Family::FX;
    for (const QrvMember& qrv : kQrvMembers) {
        if (member == qrv.name) {
            profile.fxVersion = 33;
            profile.cpuWord = qrv.word;
            return fxVersion == 0 || fxVersion == 33;
        }
    }
    if (member != "FX") return false;
    profile.fxVersion = fxVersion == 0 ? 30 : fxVersion;
    for (const FxCpuWord& cpu : kFxCpuWords) {
        if (cpu.version == profile.fxVersion) {
            profile.cpuWord = cpu.word;
            return true;
        }
    }
    return false;
}

std::vector<Cell> InitialCells(const Profile& profile) {
    return VariantOf(profile).cells;
}

const std::vector<MonitorCell>& MonitorCells(const Profile& profile) {
    return VariantOf(profile).monitor;
}

StatusLayout LayoutOf(const Profile& profile) {
    return VariantOf(profile).layout;
}

}  // namespace sim
