// The simulator's live words as the monitor, I/O and alarm windows read them:
// each row's raw words run through the window's own conversion must give the
// quantity the motor model holds.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "SimTestSupport.h"
#include "sim/Pacer.h"

using simtest::Frame;
using simtest::ReadWord;
using simtest::WordOf;

namespace {

struct Bench {
    Bench(const std::string& family, int fxVersion = 0) : rig(family, fxVersion) {}
    int Read(int address) { return WordOf(rig.amplifier.Exchange(ReadWord(address))); }
    std::int32_t ReadLong(int address) {
        char body[8];
        std::snprintf(body, sizeof body, "L5%02X", address);
        const std::string reply = rig.amplifier.Exchange(Frame(body));
        return static_cast<std::int32_t>(std::stoul(reply.substr(1, 8), nullptr, 16));
    }
    void Advance(int ms) {
        rig.clock.Advance(static_cast<std::uint64_t>(ms));
        rig.amplifier.Tick();
    }
    double Motor(sim::Quantity quantity) const { return rig.amplifier.GetMotor().Value(quantity); }
    sim::SimRig rig;
};

using Q = sim::Quantity;
struct Row {
    int address;
    bool isLong;
    std::function<double(double raw, Bench&)> shown;  // the window's conversion
    Q quantity;
    double tolerance;
};

double Times(double raw, double factor) {
    return raw * factor;
}

// BX rows 9 and 10 divide by a parameter word the simulator scales with.
double BxRatio(double raw, int divisorWord) {
    return raw / (divisorWord / 4096.0) * 0.0004650297619047619;
}

const std::vector<Row>& BxRows() {
    static const std::vector<Row> rows = {
        {0xE4, false, [](double m, Bench&) { return m * 3000 / 16384; }, Q::Speed, 1},
        {0x7E, false, [](double m, Bench&) { return m * 300 / 24576; }, Q::Torque, 0.1},
        {0x91, false, [](double m, Bench&) { return m / 10; }, Q::Load, 0.1},
        {0x93, false, [](double m, Bench&) { return m * 300 / 24576; }, Q::Current, 0.1},
        {0x94, false, [](double m, Bench&) { return m * 300 / 24576; }, Q::PeakCurrent, 0.1},
        {0x78, false, [](double m, Bench&) { return m * 6000 / 32768; }, Q::SpeedCommand, 1},
        {0x5C, true, [](double m, Bench&) { return m; }, Q::PositionFeedback, 1},
        {0x88, true, [](double m, Bench&) { return m; }, Q::PositionCommand, 1},
        {0xBF, false, [](double m, Bench& b) { return BxRatio(m, b.Read(0x2D)); },
         Q::AnalogSpeedVolts, 0.01},
        {0xBE, false, [](double m, Bench& b) { return BxRatio(m, b.Read(0x2C)); },
         Q::AnalogTorqueVolts, 0.01},
        {0x95, false, [](double m, Bench&) { return m * 375 / 2048; }, Q::AverageSpeed, 1},
        {0x96, false, [](double m, Bench&) { return m * 375 / 2048; }, Q::SpeedDeviation, 1},
    };
    return rows;
}

const std::vector<Row>& DxRows() {
    static const std::vector<Row> rows = {
        {0x02, false, [](double m, Bench&) { return m * 6000 / 32768; }, Q::Speed, 1},
        {0x03, false, [](double m, Bench&) { return m * 300 / 24576; }, Q::Torque, 0.1},
        {0x15, false, [](double m, Bench&) { return m / 10; }, Q::Load, 0.1},
        {0x16, false, [](double m, Bench&) { return m / 10; }, Q::Current, 0.1},
        {0x17, false, [](double m, Bench&) { return m / 10; }, Q::PeakCurrent, 0.1},
        {0x05, false, [](double m, Bench&) { return m * 6000 / 32768; }, Q::SpeedCommand, 1},
        {0x06, true, [](double m, Bench&) { return m; }, Q::PositionFeedback, 1},
        {0x08, true, [](double m, Bench&) { return m; }, Q::PositionCommand, 1},
        {0x0A, false, [](double m, Bench&) { return Times(m, 10.5 / 511); }, Q::AnalogSpeedVolts,
         0.03},
        {0x0B, false, [](double m, Bench&) { return Times(m, 10.5 / 511); }, Q::AnalogTorqueVolts,
         0.03},
        {0x0C, false, [](double m, Bench&) { return m * 6000 / 32768; }, Q::AverageSpeed, 1},
        {0x0D, false, [](double m, Bench&) { return m * 6000 / 32768; }, Q::SpeedDeviation, 1},
    };
    return rows;
}

// Version 26 on: long counters, peak current at 83, load figures at 89/8A.
std::vector<Row> FxRows(int version) {
    const bool old = version < 26;
    auto same = [](double m, Bench&) { return m; };
    auto hundredths = [](double m, Bench&) { return m / 100; };
    std::vector<Row> rows = {
        {0x80, false, same, Q::Speed, 1},
        {0x81, false, same, Q::Torque, 1},
        {0x88, false, same, Q::Load, 1},
        {0x8C, false, [](double m, Bench&) { return m / 4; }, Q::SpeedCommand, 0.25},
        {0x94, !old, same, Q::PositionFeedback, 1},
        {0x96, !old, same, Q::PositionCommand, 1},
        {old ? 0x83 : 0x8D, false, [](double m, Bench&) { return m / 97; }, Q::AnalogSpeedVolts,
         0.02},
        {0x87, false, same, Q::AverageSpeed, 1},
        {0x89, false, old ? hundredths : same, Q::Regeneration, old ? 0.01 : 1},
        {0x8A, false, old ? hundredths : same, Q::Load, old ? 0.01 : 1},
    };
    if (!old) {
        rows.push_back({0x82, false, same, Q::Current, 1});
        rows.push_back({0x83, false, same, Q::PeakCurrent, 1});
        rows.push_back({0x98, true, same, Q::PositionError, 1});
    }
    return rows;
}

struct Amp {
    const char* family;
    int version;
};

class MonitorRows : public ::testing::TestWithParam<Amp> {};

TEST_P(MonitorRows, ShowTheMotorsQuantitiesWhileItSwings) {
    Bench bench(GetParam().family, GetParam().version);
    const sim::Family family = bench.rig.profile.family;
    const std::vector<Row> rows = family == sim::Family::BX   ? BxRows()
                                  : family == sim::Family::DX ? DxRows()
                                                              : FxRows(bench.rig.profile.fxVersion);
    bench.rig.amplifier.SetServo(true);
    for (int sample : {1300, 2900}) {  // speeding up, then braking
        bench.Advance(sample - static_cast<int>(bench.rig.clock.NowMs()));
        for (const Row& row : rows) {
            const double raw = row.isLong ? bench.ReadLong(row.address) : bench.Read(row.address);
            double expected = bench.Motor(row.quantity);
            // A counter in one word wraps at 16 bits.
            if (!row.isLong && row.quantity >= Q::PositionFeedback &&
                row.quantity <= Q::PositionError) {
                expected = static_cast<std::int16_t>(static_cast<std::int64_t>(expected) & 0xFFFF);
            }
            EXPECT_NEAR(row.shown(raw, bench), expected, row.tolerance)
                << std::hex << row.address << std::dec << " at " << sample << " ms";
        }
    }
    // It has moved: speed, current, both counters and a deviation.
    EXPECT_GT(std::fabs(bench.Motor(Q::Speed)), 100);
    EXPECT_GT(bench.Motor(Q::PeakCurrent), 10);
    EXPECT_GT(bench.Motor(Q::Regeneration), 0.5);
    EXPECT_NE(bench.Motor(Q::PositionError), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryFamilyAndVersion, MonitorRows,
                         ::testing::Values(Amp{"bx", 0}, Amp{"dx", 0}, Amp{"fx", 25}, Amp{"fx", 27},
                                           Amp{"fx", 28}, Amp{"fx", 30}, Amp{"fx", 31},
                                           Amp{"fx", 33}, Amp{"kqrv", 0}, Amp{"yz", 0}));

TEST(MonitorLimits, TorqueLimitRowsFollowTheLimitParameters) {
    struct Case {
        const char* family;
        int address;
        int limitWord;
        double toPercent;
    };
    const Case cases[] = {
        {"bx", 0xC0, 0x26, 25.0 / 2048},   {"bx", 0xC1, 0x27, 25.0 / 2048},
        {"dx", 0x0E, 0x37, 300.0 / 24576}, {"dx", 0x0F, 0x38, 300.0 / 24576},
        {"fx", 0x85, 0x11, 1.0},           {"fx", 0x86, 0x12, 1.0},
    };
    for (const Case& c : cases) {
        Bench bench(c.family);
        const double before = bench.Read(c.address) * c.toPercent;
        EXPECT_NEAR(std::fabs(before), 300, 0.1) << c.family << " " << std::hex << c.address;
        bench.rig.amplifier.Exchange(simtest::WriteWord(c.limitWord, bench.Read(c.limitWord) / 2));
        bench.Advance(10);
        EXPECT_NEAR(bench.Read(c.address) * c.toPercent, before / 2, 0.2) << c.family;
    }
}

TEST(MonitorGates, BxGatesFollowTheControlModeUnlessPinned) {
    Bench bench("bx");
    const int expected[][3] = {{0, 0, 1}, {1, 0, 0}, {2, 1, 0}, {3, 0, 0}};  // mode, B2, B6
    for (const auto& [mode, b2, b6] : expected) {
        bench.rig.amplifier.Exchange(simtest::WriteWord(0x0A, static_cast<unsigned>(mode)));
        bench.Advance(10);
        EXPECT_EQ(bench.Read(0xB2), b2) << "mode " << mode;
        EXPECT_EQ(bench.Read(0xB6), b6) << "mode " << mode;
    }
    bench.rig.amplifier.SetRam(0xB2, 7);
    bench.Advance(100);
    EXPECT_EQ(bench.Read(0xB2), 7);
}

TEST(MotorModel, TorqueFollowsLoadAndAcceleration) {
    sim::Motor motor;
    motor.SetLoadTorque(40);
    motor.Advance(10, 0, false);
    EXPECT_EQ(motor.Value(Q::Torque), 0);  // not held: the load is not felt
    motor.Advance(10, 0, true);
    EXPECT_NEAR(motor.Value(Q::Torque), 40, 0.01);
    motor.Advance(10, 1000, true);  // a step in the command: the inertia needs torque
    EXPECT_GT(motor.Value(Q::Torque), 80);
    for (int i = 0; i < 50; ++i) motor.Advance(10, 1000, true);
    EXPECT_GT(motor.Value(Q::PeakCurrent), 80);  // held after the torque has fallen
    EXPECT_LT(motor.Value(Q::Current), 60);
    for (int i = 0; i < 1000; ++i) motor.Advance(10, 1000, true);
    EXPECT_NEAR(motor.Value(Q::Torque), 40 + 5 + 2, 0.5);  // load, friction, viscous
    EXPECT_NEAR(motor.Value(Q::Load), 47, 1);
}

// Input n and output n decoded as the I/O window does.
struct IoMap {
    const char* family;
    int version;
    int inputWord;
    int outputWord;
};

bool InputOn(const IoMap& map, int word, int n) {
    static const int fxBits[13] = {9, 10, 11, 12, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    const bool fx = std::string(map.family) == "fx";
    const int bit = (word >> (fx ? fxBits[n - 1] : n - 1)) & 1;
    return fx && map.version <= 25 ? bit == 0 : bit == 1;
}

bool OutputOn(const IoMap& map, int word, int n) {
    static const int bits[8] = {3, 0, 1, 2, 4, 5, 6, 7};
    const int bit = (word >> bits[n - 1]) & 1;
    return std::string(map.family) == "fx" ? bit == 1 : bit == 0;
}

TEST(IoWords, InputsFollowServoAndWiringOutputsFollowAlarmAndMotion) {
    const IoMap maps[] = {{"bx", 0, 0xCB, 0xAF},
                          {"dx", 0, 0x11, 0x12},
                          {"fx", 25, 0xC5, 0xC6},
                          {"fx", 27, 0xC5, 0xC6},
                          {"fx", 33, 0xC5, 0xC6}};
    for (const IoMap& map : maps) {
        Bench bench(map.family, map.version);
        sim::Amplifier& amp = bench.rig.amplifier;
        auto input = [&](int n) { return InputOn(map, bench.Read(map.inputWord) & 0xFFFF, n); };
        auto output = [&](int n) { return OutputOn(map, bench.Read(map.outputWord) & 0xFFFF, n); };
        const std::string which = std::string(map.family) + std::to_string(map.version);
        EXPECT_FALSE(input(1)) << which;
        EXPECT_TRUE(output(1)) << which;   // ready
        EXPECT_FALSE(output(2)) << which;  // no alarm
        EXPECT_TRUE(output(4)) << which;   // zero speed
        amp.SetServo(true);
        EXPECT_TRUE(amp.SetInput(5, true));
        EXPECT_FALSE(amp.SetInput(1, true));  // the servo has its own command
        bench.Advance(500);
        EXPECT_TRUE(input(1)) << which;
        EXPECT_TRUE(input(5)) << which;
        EXPECT_FALSE(input(4)) << which;
        EXPECT_TRUE(output(7)) << which;   // brake released
        EXPECT_FALSE(output(4)) << which;  // moving
        amp.RaiseAlarm(3);
        EXPECT_FALSE(input(1)) << which;
        EXPECT_TRUE(output(2)) << which;
        EXPECT_FALSE(output(1)) << which;
    }
}

// The history walks of the alarm window: FX backwards from the pointer, DX in
// order with two codes a word, low byte first.
TEST(AlarmHistory, FxAndDxAsTheWindowWalksThem) {
    Bench fx("fx", 31);
    for (int code : {4, 6, 11}) fx.rig.amplifier.RaiseAlarm(code);
    const int pointer = fx.Read(0x0A);
    EXPECT_EQ(pointer, 5);
    const int fxSlots[] = {11, 6, 4, 13, 6, 9, 0, 0, 0, 0};
    for (int j = 0, e = pointer; j < 10; ++j, e = (e + 9) % 10) {
        EXPECT_EQ(fx.Read(e), fxSlots[j]) << "slot " << j + 1;
    }
    Bench dx("dx");
    for (int code : {0x21, 0x05}) dx.rig.amplifier.RaiseAlarm(code);
    const int dxSlots[] = {0x05, 0x21, 0x03, 0x02, 0x12, 0x00};
    for (int j = 0; j < 3; ++j) {
        const int word = dx.Read(0x80 + j) & 0xFFFF;
        EXPECT_EQ(word & 0xFF, dxSlots[2 * j]) << "slot " << 2 * j + 1;
        EXPECT_EQ(word >> 8, dxSlots[2 * j + 1]) << "slot " << 2 * j + 2;
    }
}

TEST(Pacing, TheLastCharacterArrivesAtTheEndOfTheWireTime) {
    struct Case {
        int turnaroundMs;
        std::size_t request;
        std::size_t reply;
    };
    const Case cases[] = {{0, 6, 7}, {2, 6, 11}, {2, 10, 1}, {5, 14, 1}};
    for (const Case& c : cases) {
        sim::Pacer pacer(c.turnaroundMs);
        const std::uint64_t sent = 1000000;
        pacer.RequestRead(c.request, sent + 40);  // read a little after it was written
        const auto times = pacer.Schedule(c.reply, sent + 60);
        ASSERT_EQ(times.size(), c.reply);
        const double wireMicros =
            static_cast<double>(c.request + c.reply) * 10 / 9600 * 1e6 + c.turnaroundMs * 1000;
        EXPECT_GE(static_cast<double>(times.back() - sent), wireMicros);
        EXPECT_LT(static_cast<double>(times.back() - sent), wireMicros + 200);
        EXPECT_GE(times.front() - sent, (c.request + 1) * 1041u);
        // A second reply queues behind the first on the line.
        EXPECT_EQ(pacer.Schedule(1, sent + 60).front(), times.back() + sim::Pacer::kCharMicros);
    }
}

}  // namespace
