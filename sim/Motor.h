#pragma once

namespace sim {

// Quantities the motor model produces; the monitor tables say where each one
// appears and how it is scaled.
enum class Quantity {
    Speed,              // rpm
    SpeedCommand,       // rpm
    AverageSpeed,       // rpm, smoothed over about a second
    SpeedDeviation,     // rpm, command minus speed
    Torque,             // percent of rated, signed
    Current,            // percent of rated
    PeakCurrent,        // percent of rated, held and slowly released
    Load,               // percent of rated, effective (smoothed) torque
    Regeneration,       // percent, smoothed braking power
    AnalogSpeedVolts,   // V, the speed command as an analog input would carry it
    AnalogTorqueVolts,  // V, the torque command likewise
    PositionFeedback,   // pulses
    PositionCommand,    // pulses
    PositionError,      // pulses, command minus feedback
    One,                // 1: the cell is its scale (times its scaling word)
};

// The motor and its load: the speed follows the commanded speed with a first
// order lag, the torque follows acceleration, friction and the external load,
// and the position counters integrate the commanded and the actual speed.
class Motor {
public:
    static constexpr double kSpeedLagMs = 150.0;
    static constexpr double kPulsesPerRev = 10000.0;
    static constexpr double kRatedRpm = 3000.0;

    // Moves the model on by dtMs (a few milliseconds at a time) towards
    // commandRpm. The external load torque acts only while the motor is held.
    void Advance(double dtMs, double commandRpm, bool held);
    void SetLoadTorque(double percent) { loadTorquePct_ = percent; }
    double LoadTorque() const { return loadTorquePct_; }

    double Value(Quantity quantity) const;

private:
    double commandRpm_ = 0;
    double speedRpm_ = 0;
    double averageRpm_ = 0;
    double torquePct_ = 0;
    double peakPct_ = 0;
    double loadPct_ = 0;
    double regenPct_ = 0;
    double loadTorquePct_ = 0;
    double feedbackPulses_ = 0;
    double commandPulses_ = 0;
};

}  // namespace sim
