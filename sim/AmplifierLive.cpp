// The live side of the simulated amplifier: time, motion, and the words that
// show them (monitor, gates, inputs, outputs, status).
#include <algorithm>
#include <array>
#include <cmath>

#include "sim/Amplifier.h"

namespace sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kStepMs = 10;  // integration step of the dynamics
constexpr double kSwingRpm = 1000.0;
constexpr double kSwingPeriodS = 4.0;
constexpr double kTuningRpm = 300.0;
constexpr double kTuningPeriodS = 1.0;

constexpr double kZeroSpeedRpm = 50.0;
constexpr double kReachedRpm = 20.0;
constexpr double kInPositionPulses = 100.0;
constexpr double kTorqueLimitingPct = 299.0;
constexpr double kWarningLoadPct = 85.0;

// Output signal n (1 ... 8) sits at this bit of the output word on every family.
constexpr std::array<int, 8> kOutputBits = {3, 0, 1, 2, 4, 5, 6, 7};
// Input signal n (1 ... 13): bit n - 1, except on the FX group.
constexpr std::array<int, 13> kPlainInputBits = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
constexpr std::array<int, 13> kFxInputBits = {9, 10, 11, 12, 0, 1, 2, 3, 4, 5, 6, 7, 8};

// BX status word fields: warning (none, overload) and motion.
enum BxMotion { kStopped = 0, kRunning = 1, kTorqueLimited = 2, kInPosition = 3 };

std::uint16_t WordOfSignals(unsigned signals, const int* bits, int count, bool inverted,
                            unsigned mask) {
    unsigned word = 0;
    for (int n = 0; n < count; ++n) {
        if (signals >> n & 1u) word |= 1u << bits[n];
    }
    return static_cast<std::uint16_t>(inverted ? mask & ~word : word);
}

// A word position counter wraps like the amplifier's own; other words saturate.
std::uint16_t WordOfRaw(std::int64_t raw, Quantity quantity) {
    const bool counter = quantity == Quantity::PositionFeedback ||
                         quantity == Quantity::PositionCommand ||
                         quantity == Quantity::PositionError;
    if (counter) return static_cast<std::uint16_t>(static_cast<std::uint64_t>(raw) & 0xFFFF);
    return static_cast<std::uint16_t>(
        static_cast<std::int16_t>(std::clamp<std::int64_t>(raw, -32768, 32767)));
}

}  // namespace

// ---- Time and motion ----

void Amplifier::Tick() {
    const std::uint64_t now = now_();
    if (now < lastTickMs_) lastTickMs_ = now;
    while (lastTickMs_ < now) {
        const int step = static_cast<int>(std::min<std::uint64_t>(kStepMs, now - lastTickMs_));
        lastTickMs_ += static_cast<std::uint64_t>(step);
        motor_.Advance(step, TargetSpeedRpm(), servoOn_);
        AdvanceTuning(step);
        if (mailbox_.busy && lastTickMs_ >= mailbox_.dueMs) FinishMailbox();
    }
    RenderLiveWords();
}

bool Amplifier::Jogging() const {
    return profile_.family == Family::BX && ram_[5][0x76] == 1;
}

// BX jogs at "2E" while "76" is 1 and swings the motor while it tunes; with
// the servo on, every family follows a slow back-and-forth so that the
// monitor has something to show.
double Amplifier::TargetSpeedRpm() const {
    const double seconds = static_cast<double>(lastTickMs_ - startMs_) / 1000.0;
    if (Jogging()) return static_cast<std::int16_t>(ram_[5][0x2E]) * 3000.0 / 16384.0;
    if (alarmCode_ != 0 || !servoOn_) return 0;
    if (tuning_.running) {
        return std::sin(2 * kPi * seconds / kTuningPeriodS) >= 0 ? kTuningRpm : -kTuningRpm;
    }
    return kSwingRpm * std::sin(2 * kPi * seconds / kSwingPeriodS);
}

// ---- Live words ----

void Amplifier::RenderLiveWords() {
    RenderMonitor();
    RenderStatus();
}

void Amplifier::Render(int address, std::uint16_t value) {
    if (!pinned_.test(address)) ram_[5][address] = value;
}

void Amplifier::RenderMonitor() {
    for (const MonitorCell& cell : MonitorCells(profile_)) {
        double quantity = motor_.Value(cell.quantity) * cell.scale;
        if (cell.scaleWord >= 0) quantity *= static_cast<std::int16_t>(ram_[5][cell.scaleWord]);
        const auto raw = static_cast<std::int64_t>(std::trunc(quantity));
        if (cell.isLong) {
            const auto bits = static_cast<std::uint32_t>(raw);
            Render(cell.address, static_cast<std::uint16_t>(bits >> 16));
            Render((cell.address + 1) & 0xFF, static_cast<std::uint16_t>(bits & 0xFFFF));
        } else {
            Render(cell.address, WordOfRaw(raw, cell.quantity));
        }
    }
    if (profile_.family == Family::BX) RenderGates();
}

// The BX gate words hide rows that mean nothing in the control mode: "B2"
// the speed and torque rows in position control, "B6" the torque limits in
// torque control.
void Amplifier::RenderGates() {
    const int mode = ram_[5][0x0A] & 0x0F;
    Render(0xB2, mode == 2 ? 1 : 0);
    Render(0xB6, mode == 0 ? 1 : 0);
}

unsigned Amplifier::OutputSignals() const {
    const double speed = motor_.Value(Quantity::Speed);
    const double command = motor_.Value(Quantity::SpeedCommand);
    const bool held = servoOn_ || Jogging();
    const bool signals[8] = {
        alarmCode_ == 0,  // servo ready
        alarmCode_ != 0,  // alarm
        held && std::fabs(motor_.Value(Quantity::PositionError)) < kInPositionPulses,
        std::fabs(speed) < kZeroSpeedRpm,
        std::fabs(command) >= kZeroSpeedRpm && std::fabs(command - speed) < kReachedRpm,
        std::fabs(motor_.Value(Quantity::Torque)) >= kTorqueLimitingPct,
        held,  // brake released
        motor_.Value(Quantity::Load) > kWarningLoadPct,
    };
    unsigned word = 0;
    for (int n = 0; n < 8; ++n) word |= signals[n] ? 1u << n : 0u;
    return word;
}

unsigned Amplifier::InputSignals() const {
    return (inputs_.to_ulong() & ~1ul) | (servoOn_ ? 1u : 0u);
}

void Amplifier::RenderStatus() {
    const bool fx = profile_.family == Family::FX;
    const bool oldFx = fx && profile_.fxVersion < 26;
    // Outputs are active low on BX and DX; FX inputs up to version 25 too.
    Render(layout_.inputAddress,
           WordOfSignals(InputSignals(), fx ? kFxInputBits.data() : kPlainInputBits.data(), 13,
                         oldFx, 0x1FFF));
    Render(layout_.outputAddress, WordOfSignals(OutputSignals(), kOutputBits.data(), 8, !fx, 0xFF));
    const int servo = servoOn_ ? 1 : 0;
    switch (profile_.family) {
        case Family::BX:
            Render(layout_.statusAddress, BxStatusWord());
            Render(0x00, static_cast<std::uint16_t>(alarmCode_));
            break;
        case Family::DX:
            Render(layout_.servoAddress, static_cast<std::uint16_t>(servo));
            Render(layout_.statusAddress, static_cast<std::uint16_t>(alarmCode_));
            Render(layout_.modeAddress, static_cast<std::uint16_t>(ram_[5][0x30] & 0x03));
            break;
        case Family::FX:
            // From version 26 the servo has a word of its own, inverted from 28.
            if (!oldFx) {
                Render(layout_.servoAddress, static_cast<std::uint16_t>(
                                                 profile_.fxVersion < 28 ? servo << 9 : 1 - servo));
            }
            Render(layout_.statusAddress, static_cast<std::uint16_t>(alarmCode_));
            break;
    }
}

// Mode, warning, motion and the status code, a nibble each.
std::uint16_t Amplifier::BxStatusWord() const {
    const int mode = ram_[5][0x0A] & 0x0F;
    const int warning = motor_.Value(Quantity::Load) > kWarningLoadPct ? 1 : 0;
    int motion = kStopped;
    if (std::fabs(motor_.Value(Quantity::Torque)) >= kTorqueLimitingPct) {
        motion = kTorqueLimited;
    } else if (std::fabs(motor_.Value(Quantity::Speed)) >= kZeroSpeedRpm) {
        motion = kRunning;
    } else if (servoOn_) {
        motion = kInPosition;
    }
    return static_cast<std::uint16_t>(mode << 12 | warning << 8 | motion << 4 | (alarmCode_ & 0xF));
}

}  // namespace sim
