#include "sim/Motor.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr double kAverageLagMs = 1000.0;
constexpr double kLoadLagMs = 2000.0;  // thermal-like smoothing of the load
constexpr double kRegenLagMs = 1000.0;
constexpr double kPeakReleaseMs = 5000.0;
constexpr double kInertiaPctPerRpmPerMs = 20.0;
constexpr double kFrictionPct = 5.0;
constexpr double kViscousPctPerRpm = 0.002;
constexpr double kTorqueLimitPct = 300.0;
constexpr double kFullScaleVolts = 10.0;

// How far a first-order lag moves towards its target in dtMs.
double Follow(double value, double target, double dtMs, double lagMs) {
    return value + (target - value) * (1 - std::exp(-dtMs / lagMs));
}

double PulsesIn(double rpm, double dtMs) {
    return rpm / 60.0 * Motor::kPulsesPerRev * dtMs / 1000.0;
}

}  // namespace

void Motor::Advance(double dtMs, double commandRpm, bool held) {
    if (dtMs <= 0) return;
    commandRpm_ = commandRpm;
    const double previous = speedRpm_;
    speedRpm_ = Follow(speedRpm_, commandRpm, dtMs, kSpeedLagMs);
    const double acceleration = (speedRpm_ - previous) / dtMs;
    const double friction = std::fabs(speedRpm_) > 1 ? std::copysign(kFrictionPct, speedRpm_) : 0;
    const double load = held || std::fabs(speedRpm_) > 1 ? loadTorquePct_ : 0;
    torquePct_ = std::clamp(
        acceleration * kInertiaPctPerRpmPerMs + friction + speedRpm_ * kViscousPctPerRpm + load,
        -kTorqueLimitPct, kTorqueLimitPct);
    const double current = std::fabs(torquePct_);
    peakPct_ = std::max(current, peakPct_ * std::exp(-dtMs / kPeakReleaseMs));
    loadPct_ = Follow(loadPct_, current, dtMs, kLoadLagMs);
    // Braking feeds energy back: torque against the direction of motion.
    const double braking =
        torquePct_ * speedRpm_ < 0 ? current * std::fabs(speedRpm_) / kRatedRpm : 0;
    regenPct_ = Follow(regenPct_, braking, dtMs, kRegenLagMs);
    averageRpm_ = Follow(averageRpm_, speedRpm_, dtMs, kAverageLagMs);
    feedbackPulses_ += PulsesIn(speedRpm_, dtMs);
    commandPulses_ += PulsesIn(commandRpm, dtMs);
}

double Motor::Value(Quantity quantity) const {
    switch (quantity) {
        case Quantity::Speed:
            return speedRpm_;
        case Quantity::SpeedCommand:
            return commandRpm_;
        case Quantity::AverageSpeed:
            return averageRpm_;
        case Quantity::SpeedDeviation:
            return commandRpm_ - speedRpm_;
        case Quantity::Torque:
            return torquePct_;
        case Quantity::Current:
            return std::fabs(torquePct_);
        case Quantity::PeakCurrent:
            return peakPct_;
        case Quantity::Load:
            return loadPct_;
        case Quantity::Regeneration:
            return regenPct_;
        case Quantity::AnalogSpeedVolts:
            return commandRpm_ / kRatedRpm * kFullScaleVolts;
        case Quantity::AnalogTorqueVolts:
            return torquePct_ / kTorqueLimitPct * kFullScaleVolts;
        case Quantity::PositionFeedback:
            return feedbackPulses_;
        case Quantity::PositionCommand:
            return commandPulses_;
        case Quantity::PositionError:
            return commandPulses_ - feedbackPulses_;
        case Quantity::One:
            return 1.0;
    }
    return 0;
}

}  // namespace sim
