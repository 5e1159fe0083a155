#include <gtest/gtest.h>

#include "SimTestSupport.h"

using simtest::Frame;
using simtest::ReadWord;
using simtest::WordOf;
using simtest::WriteWord;

namespace {

struct Bench {
    explicit Bench(const std::string& family, int fxVersion = 0) : rig(family, fxVersion) {}
    std::string Ask(const std::string& request) { return rig.amplifier.Exchange(request); }
    int Read(int address, int page = 5) { return WordOf(Ask(ReadWord(address, page))); }
    void Write(int address, unsigned value, int page = 5) {
        ASSERT_EQ(Ask(WriteWord(address, value, page)), "%");
    }
    void Advance(int ms) {
        rig.clock.Advance(static_cast<std::uint64_t>(ms));
        rig.amplifier.Tick();
    }
    // EEPROM through the mailbox, as the tool does it.
    int ReadEeprom(int address) {
        Write(0x6B, static_cast<unsigned>(address));
        Write(0x68, 2);
        Advance(10);
        EXPECT_EQ(Read(0x68), 0);
        return Read(0x6C);
    }
    sim::SimRig rig;
};

TEST(AmplifierProtocol, ReadWordRepliesWithDataAndChecksum) {
    Bench bench("bx");
    EXPECT_EQ(Frame("R568"), "R568F5");
    const std::string reply = bench.Ask("R568F5");
    ASSERT_EQ(reply.size(), 7u);
    EXPECT_EQ(reply, "%0000" + sim::SumText("%0000"));
    EXPECT_EQ(reply, "%0000E5");
}

TEST(AmplifierProtocol, BadChecksumAndBadFramesGetErrorEndingInOneCr) {
    Bench bench("dx");
    const std::string badSum = bench.Ask("R568F4");
    ASSERT_FALSE(badSum.empty());
    EXPECT_EQ(badSum.front(), '!');
    EXPECT_EQ(badSum.back(), '\r');
    EXPECT_EQ(std::count(badSum.begin(), badSum.end(), '\r'), 1);
    // Lower-case address: the checksum may match but the frame is not valid.
    const std::string lower = bench.Ask(Frame("R5c3"));
    EXPECT_EQ(lower.front(), '!');
    EXPECT_EQ(lower.back(), '\r');
    // A page that is not a digit.
    EXPECT_EQ(bench.Ask(Frame("RX68")).front(), '!');
    // An unknown command: one error, its address and checksum skipped.
    EXPECT_EQ(bench.Ask(Frame("Q568")), "!03\r");
    EXPECT_EQ(bench.Ask("R568F5"), "%0000E5");
}

TEST(AmplifierProtocol, WritesAcknowledgeWithPercentOnlyAndStoreTheWord) {
    Bench bench("dx");
    EXPECT_EQ(bench.Ask(WriteWord(0x46, 0xFFFF)), "%");
    EXPECT_EQ(bench.Read(0x46), -1);
    // Other pages are separate memories.
    bench.Write(0x15, 0xFFFC, 6);
    EXPECT_EQ(bench.Read(0x15, 6), -4);
    EXPECT_NE(bench.Read(0x15, 5), -4);
}

TEST(AmplifierProtocol, LongReadAndWriteUseHighWordFirst) {
    Bench bench("bx");
    EXPECT_EQ(bench.Ask(Frame("M5DA12345678")), "%");
    EXPECT_EQ(bench.rig.amplifier.Ram(0xDA), 0x1234);
    EXPECT_EQ(bench.rig.amplifier.Ram(0xDB), 0x5678);
    const std::string reply = bench.Ask(Frame("L5DA"));
    EXPECT_EQ(reply, "%12345678" + sim::SumText("%12345678"));
}

TEST(AmplifierProtocol, RequestsInPiecesAndGarbageBetweenThem) {
    Bench bench("bx");
    sim::Amplifier& amp = bench.rig.amplifier;
    amp.Receive("R5");
    EXPECT_EQ(amp.TakeReply(), "");
    amp.Receive("6");
    amp.Receive("8F");
    EXPECT_EQ(amp.TakeReply(), "");
    amp.Receive("5");
    EXPECT_EQ(amp.TakeReply(), "%0000E5");
    // Noise, a request cut short by a new one, then two requests in one write.
    EXPECT_EQ(bench.Ask("\x7f\nxyz12R56R568F5R568F5"), "%0000E5%0000E5");
    EXPECT_EQ(amp.RequestCount(), 3);
}

TEST(AmplifierIdentification, BxEepromWordsThroughTheMailbox) {
    Bench bench("bx");
    EXPECT_EQ(bench.ReadEeprom(0x11), 0x2005);
    EXPECT_EQ(bench.ReadEeprom(0x12), 0x0715);
    EXPECT_EQ(bench.ReadEeprom(0x7D), 0x2004);
    EXPECT_EQ(bench.ReadEeprom(0x7E), 0x0301);
    EXPECT_EQ(bench.ReadEeprom(0x72), 1000);
    EXPECT_EQ(bench.ReadEeprom(0x73), 1000);
    EXPECT_EQ(bench.ReadEeprom(0x22), 1000);
    // Read as a decimal text, the type code names amplifier 2 and motor 34.
    EXPECT_EQ(bench.ReadEeprom(0x77), 0x2034);
}

TEST(AmplifierIdentification, DxMotorCodeAndModelName) {
    Bench bench("dx");
    EXPECT_EQ(bench.Read(0x7F), 0x0123);
    std::string name;
    for (int address = 0xA8; address <= 0xAF; ++address) {
        const int word = bench.Read(address) & 0xFFFF;
        name += static_cast<char>(word >> 8);
        name += static_cast<char>(word & 0xFF);
    }
    EXPECT_EQ(name.substr(0, 3), "DX-");
    EXPECT_EQ(name.size(), 16u);
}

// Version decision of the tool, to check that each CPU word lands in its range.
int VersionOf(int cpu, bool qrv) {
    if (qrv) return 33;
    if (cpu > 0x1330 && cpu <= 0x1612) return 27;
    if (cpu <= 0x1330 || cpu == 0x1C17) return 25;
    if (cpu < 0x2C16) return 28;
    if (cpu < 0x3124) return 30;
    if (cpu < 0x3707) return 31;
    return 33;
}

TEST(AmplifierIdentification, FxCpuWordOfEachVersionEndsWithCr) {
    for (int version : {25, 27, 28, 30, 31, 33}) {
        Bench bench("fx", version);
        const std::string reply = bench.Ask(ReadWord(0xC3));
        ASSERT_EQ(reply.size(), 8u) << version;
        EXPECT_EQ(reply.back(), '\r');
        EXPECT_EQ(VersionOf(WordOf(reply.substr(0, 7)), false), version);
        EXPECT_EQ(bench.Read(0x8B), 7500);
        EXPECT_EQ(bench.Read(version < 26 ? 0x8D : 0x8F), 21);
    }
    for (const char* member : {"kqrv", "lqrv", "yz"}) {
        Bench bench(member);
        EXPECT_EQ(bench.rig.profile.fxVersion, 33);
        EXPECT_LT(WordOf(bench.Ask(ReadWord(0xC3)).substr(0, 7)), 0x3124) << member;
    }
    // Only the FX group terminates the word at C3, and only that word.
    EXPECT_EQ(Bench("dx").Ask(ReadWord(0xC3)).size(), 7u);
    EXPECT_EQ(Bench("fx").Ask(ReadWord(0xC5)).size(), 7u);
}

// The FX versions differ in what the word at 0F means, in the width of the
// position counters and in where the servo word lives.
TEST(AmplifierIdentification, FxVersionPicksItsLayout) {
    struct Row {
        int version;
        int word0F;
        bool longCounters;
        int servoAddress;
    };
    const Row rows[] = {
        {25, 8, false, 0xC5},   {27, 1000, true, 0x90}, {28, 1000, true, 0x90},
        {30, 1000, true, 0x90}, {31, 1000, true, 0x90}, {33, 1000, true, 0x90},
    };
    for (const Row& row : rows) {
        Bench bench("fx", row.version);
        EXPECT_EQ(bench.Read(0x0F), row.word0F) << row.version;
        EXPECT_EQ(sim::LayoutOf(bench.rig.profile).servoAddress, row.servoAddress) << row.version;
        for (const sim::MonitorCell& cell : sim::MonitorCells(bench.rig.profile)) {
            if (cell.quantity == sim::Quantity::PositionFeedback) {
                EXPECT_EQ(cell.isLong, row.longCounters) << row.version;
            }
        }
    }
    // The other families keep one layout whatever version is asked for.
    EXPECT_EQ(sim::LayoutOf(Bench("bx").rig.profile).modeAddress, -1);
    EXPECT_EQ(sim::LayoutOf(Bench("dx").rig.profile).motorCodeAddress, 0x7F);
}

TEST(AmplifierIdentification, UnknownProfilesAreRefused) {
    sim::Profile profile;
    EXPECT_FALSE(sim::MakeProfile("zx", 0, profile));
    EXPECT_FALSE(sim::MakeProfile("fx", 26, profile));
    EXPECT_FALSE(sim::MakeProfile("kqrv", 30, profile));
    EXPECT_TRUE(sim::MakeProfile("FX", 28, profile));
    EXPECT_THROW(sim::SimRig("nope"), std::invalid_argument);
}

TEST(AmplifierMailbox, WriteAndReadBackThroughRawFrames) {
    Bench bench("bx");
    bench.Write(0x69, 0x0036);
    bench.Write(0x6A, 0x0222);
    bench.Write(0x68, 1);
    EXPECT_EQ(bench.Read(0x68), 1);  // busy until a few ms have passed
    bench.Advance(10);
    EXPECT_EQ(bench.Read(0x68), 0);
    EXPECT_EQ(bench.rig.amplifier.Eeprom(0x36), 0x0222);
    EXPECT_EQ(bench.ReadEeprom(0x36), 0x0222);
    // BX: EEPROM only; the RAM mirror changes at a reset.
    EXPECT_EQ(bench.Read(0x36), 500);
    bench.Write(0xC4, 0);
    EXPECT_EQ(bench.Read(0x36), 0x0222);
}

TEST(AmplifierMailbox, DxAndFxKeepParametersWrittenToRam) {
    Bench bench("fx");
    bench.Write(0x0D, 250);
    bench.Write(0xC4, 0);
    EXPECT_EQ(bench.Read(0x0D), 250);
}

// Only BX has the mailbox: on the others 68 is a parameter word like any.
TEST(AmplifierMailbox, AddressSixtyEightIsAPlainWordOutsideBx) {
    for (const char* family : {"fx", "dx"}) {
        Bench bench(family);
        for (const int value : {0x02D9, 1, 2}) {
            bench.Write(0x68, value);
            bench.Advance(10);
            EXPECT_EQ(bench.Read(0x68), value) << family;
        }
    }
}

TEST(AmplifierStatus, StatusWordsFollowServoAndAlarm) {
    Bench bx("bx");
    bx.rig.amplifier.SetServo(true);
    EXPECT_EQ(bx.Read(0xCB) & 1, 1);
    EXPECT_EQ((bx.Read(0xCD) >> 12) & 0xF, 1);  // control mode parameter 0A
    bx.rig.amplifier.RaiseAlarm(5);
    EXPECT_EQ(bx.Read(0xCB) & 1, 0);
    EXPECT_EQ(bx.Read(0xCD) & 0xF, 5);

    Bench old("fx", 25);
    old.rig.amplifier.SetServo(true);
    EXPECT_EQ(old.Read(0xC5) & 0x0200, 0);  // inverted input: on = bit clear
    Bench mid("fx", 27);
    mid.rig.amplifier.SetServo(true);
    EXPECT_EQ(mid.Read(0x90), 0x0200);
    Bench recent("fx", 28);
    EXPECT_EQ(recent.Read(0x90), 1);
    recent.rig.amplifier.SetServo(true);
    EXPECT_EQ(recent.Read(0x90), 0);
}

TEST(AmplifierStatus, SetPinsAWordAgainstTheSimulation) {
    Bench bench("bx");
    bench.rig.amplifier.SetRam(0xCD, 0x1234);
    bench.rig.amplifier.SetServo(true);
    bench.Advance(500);
    EXPECT_EQ(bench.Read(0xCD), 0x1234);
    bench.rig.amplifier.Unpin(0xCD);
    EXPECT_NE(bench.Read(0xCD), 0x1234);
}

// A pinned word is what a read-back check must catch: the write is
// acknowledged, nothing changes, and a reset does not bring the write back.
TEST(AmplifierPins, PinnedWordsKeepTheirValueAgainstWrites) {
    struct Case {
        const char* family;
        int address;
    };
    for (const Case& c : {Case{"dx", 0x46}, Case{"fx", 0x0D}, Case{"bx", 0x36}}) {
        Bench bench(c.family);
        bench.rig.amplifier.PinRam(c.address, 123);
        EXPECT_EQ(bench.Ask(WriteWord(c.address, 77)), "%") << c.family;
        char longWrite[16];  // the pinned word as the high word of a long
        std::snprintf(longWrite, sizeof longWrite, "M5%02X00580000", c.address);
        EXPECT_EQ(bench.Ask(Frame(longWrite)), "%");
        bench.Write(0xC4, 0);
        EXPECT_EQ(bench.Read(c.address), 123) << c.family;
        bench.rig.amplifier.Unpin(c.address);
        bench.Write(c.address, 77);
        EXPECT_EQ(bench.Read(c.address), 77) << c.family;
    }
    // BX keeps parameters in EEPROM: a mailbox write is done and changes nothing.
    Bench bx("bx");
    bx.rig.amplifier.PinEeprom(0x36, 321);
    bx.Write(0x69, 0x36);
    bx.Write(0x6A, 999);
    bx.Write(0x68, 1);
    bx.Advance(10);
    EXPECT_EQ(bx.Read(0x68), 0);
    EXPECT_EQ(bx.ReadEeprom(0x36), 321);
    bx.rig.amplifier.Unpin(0x36);
    bx.Write(0x68, 1);
    bx.Advance(10);
    EXPECT_EQ(bx.ReadEeprom(0x36), 999);
}

TEST(AmplifierAlarms, HistoryRingsPerFamily) {
    Bench fx("fx");
    fx.rig.amplifier.RaiseAlarm(8);
    const int pointer = fx.Read(0x0A);
    EXPECT_EQ(fx.Read(pointer), 8);
    EXPECT_EQ(fx.Read(0xC7), 8);
    fx.Write(0xC1, 1);
    EXPECT_EQ(fx.Read(0x0A), 0);
    for (int slot = 0; slot < 10; ++slot) EXPECT_EQ(fx.Read(slot), 0);
    EXPECT_EQ(fx.Read(0xC7), 0);

    Bench bx("bx");
    bx.rig.amplifier.RaiseAlarm(9);
    EXPECT_EQ(bx.ReadEeprom(0x70), 4);
    EXPECT_EQ(bx.ReadEeprom(0x03), 9);

    Bench dx("dx");
    dx.rig.amplifier.RaiseAlarm(0x21);
    EXPECT_EQ(dx.Read(0x80), 0x0321);  // newest in the low byte, the rest shifted
    EXPECT_EQ(dx.Read(0x81), 0x1202);
}

// The tool walks a BX history backwards from the slot before the pointer.
TEST(AmplifierAlarms, BxHistoryFillsAllTenSlotsAndWraps) {
    Bench bx("bx");
    for (int code = 10; code < 22; ++code) bx.rig.amplifier.RaiseAlarm(code);
    const int pointer = bx.ReadEeprom(0x70);
    EXPECT_EQ(pointer, 5);  // three old entries, then twelve new: slot 4 is the newest
    for (int j = 0, slot = pointer - 1; j < 10; ++j, slot = (slot + 9) % 10) {
        EXPECT_EQ(bx.ReadEeprom(slot), 21 - j) << "slot " << slot;
    }
}

TEST(AmplifierDynamics, JogSpeedFollowsWithLagAndPositionMoves) {
    Bench bench("bx");
    bench.Write(0x2E, 5461);  // 1000 rpm
    bench.Write(0x76, 1);
    bench.Advance(150);
    const double rpmAtLag = bench.Read(0xE4) * 3000.0 / 16384.0;
    EXPECT_GT(rpmAtLag, 550);  // about 63 % after one time constant
    EXPECT_LT(rpmAtLag, 700);
    EXPECT_GT(bench.Read(0x7E), 0);  // accelerating needs torque
    bench.Advance(2000);
    EXPECT_NEAR(bench.Read(0xE4) * 3000.0 / 16384.0, 1000, 2);
    const std::string position = bench.Ask(Frame("L55C"));
    bench.Advance(600);  // 10 revolutions a second, 10000 pulses each
    const auto pulses = [](const std::string& reply) {
        return static_cast<std::int32_t>(std::stoul(reply.substr(1, 8), nullptr, 16));
    };
    EXPECT_NEAR(pulses(bench.Ask(Frame("L55C"))) - pulses(position), 100000, 200);
    // Counter-clockwise and stop.
    bench.Write(0x2E, static_cast<unsigned>(-546));
    bench.Advance(2000);
    EXPECT_NEAR(bench.Read(0xE4) * 3000.0 / 16384.0, -100, 2);
    bench.Write(0x76, 0);
    bench.Advance(2000);
    EXPECT_NEAR(bench.Read(0xE4), 0, 2);
}

// Status low byte as the tuning window follows it, and the page-6 word it
// checks when the servo is off.
TEST(AmplifierTuning, WalksItsStatusToFifteenWithResultsOrFailsWith14) {
    struct Case {
        unsigned command;
        bool fails;
        int p;
        int i;
    };
    const Case cases[] = {{26, false, 440, 280}, {74, false, 560, 220}, {42, true, 500, 330}};
    for (const Case& c : cases) {
        Bench bench("bx");
        bench.rig.amplifier.SetTuningFails(c.fails);
        bench.Write(0x15, 0xFFFC, 6);
        bench.Write(0x0D, c.command);
        bench.Advance(5000);
        EXPECT_EQ(bench.Read(0x0D) & 0xFF, static_cast<int>(c.command));  // waits for the servo
        EXPECT_EQ(bench.Read(0x15, 6) & 0xFF, 252);
        bench.rig.amplifier.SetServo(true);
        EXPECT_EQ(bench.Read(0xCB) & 1, 1);  // the input the window waits on
        int last = 0;
        for (int ms = 500; ms <= 2500; ms += 1000) {
            bench.Advance(1000 - (ms == 500 ? 500 : 0));
            const int status = bench.Read(0x0D) & 0xFF;
            EXPECT_GT(status, last) << ms;
            EXPECT_LT(status, 14) << ms;
            last = status;
        }
        EXPECT_NE(bench.Read(0x15, 6) & 0xFF, 252);
        EXPECT_NE(bench.rig.amplifier.SpeedRpm(), 0);  // the motor swings while it tunes
        bench.Advance(1000);
        EXPECT_EQ(bench.Read(0x0D) & 0xFF, c.fails ? 14 : 15);
        EXPECT_EQ(bench.Read(0x36), c.p);
        EXPECT_EQ(bench.Read(0x35), c.i);
    }
}

// The servo off in the middle pauses the tuning; its status stays put.
TEST(AmplifierTuning, ServoOffPausesTheWalk) {
    Bench bench("bx");
    bench.Write(0x0D, 58);
    bench.rig.amplifier.SetServo(true);
    bench.Advance(1500);
    const int status = bench.Read(0x0D);
    bench.rig.amplifier.SetServo(false);
    bench.Advance(5000);
    EXPECT_EQ(bench.Read(0x0D), status);
    EXPECT_EQ(bench.Read(0xCB) & 1, 0);
    bench.rig.amplifier.SetServo(true);
    bench.Advance(1600);
    EXPECT_EQ(bench.Read(0x0D), 15);
}

}  // namespace
