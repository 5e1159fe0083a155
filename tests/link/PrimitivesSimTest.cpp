// The command primitives against the in-process simulated amplifier: values
// both ways, every injected fault, the once-per-outage report and the latch.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/SimDrive.h"

namespace {

using sim::Fault;

// Words nothing in the simulation drives once pinned: a pair for the long
// reads and one of page 3.
constexpr int kWord = 0x40;
constexpr int kNextWord = 0x41;
constexpr int kOtherPage = 3;
constexpr int kEepWord = 0x21;

// A primitive under test, called the same way every time.
struct Primitive {
    const char* name;
    std::function<int(DriveLink&, int&)> call;
    bool reads;           // has an out value
    bool answersWithAck;  // only "%" replies: checksum faults do not apply
};

const std::vector<Primitive>& Primitives() {
    static const std::vector<Primitive> primitives = {
        {"ReadFromRAM", [](DriveLink& l, int& v) { return l.ReadFromRAM("40", 7, 1, v); }, true,
         false},
        {"ReadFromRAML", [](DriveLink& l, int& v) { return l.ReadFromRAML("40", 11, 1, v); }, true,
         false},
        {"ReadFromRAMWithPage",
         [](DriveLink& l, int& v) { return l.ReadFromRAMWithPage("40", 7, kOtherPage, 1, v); },
         true, false},
        {"ReadFromEEP", [](DriveLink& l, int& v) { return l.ReadFromEEP("21", 7, 1, v); }, true,
         false},
        {"WriteToEEPRAM", [](DriveLink& l, int&) { return l.WriteToEEPRAM("42", "00AB"); }, false,
         true},
        {"WriteToEEP", [](DriveLink& l, int&) { return l.WriteToEEP("21", 0x77); }, false, false},
    };
    return primitives;
}

const Fault kAllFaults[] = {Fault::NoReply,    Fault::WrongChecksum, Fault::ForeignChar,
                            Fault::ErrorReply, Fault::Truncated,     Fault::Late};

class PrimitivesSimTest : public ::testing::Test {
protected:
    PrimitivesSimTest() {
        drive.line->Open();
        drive.amplifier->SetRam(kWord, 0x8001);
        drive.amplifier->SetRam(kNextWord, 0x0203);
        drive.amplifier->SetRam(kWord, 0x00BE, kOtherPage);
        drive.amplifier->SetEeprom(kEepWord, 0x1357);
    }

    void ExpectReported() {
        EXPECT_TRUE(drive.state.CommErrorLatched);
        EXPECT_EQ(drive.state.StatusCode, 16);
        EXPECT_EQ(drive.state.CurrentMode, -1);
        EXPECT_EQ(drive.state.StatusWord, -1);
        EXPECT_EQ(drive.panel.MainMsg1, drive.Msg(53));
        EXPECT_EQ(drive.panel.MainMsg2, drive.Msg(167));
        EXPECT_EQ(drive.panel.MainMsg3, drive.Msg(55));
        EXPECT_EQ(drive.panel.MainMsg5, "XXXX-XXXXXXXXX");
        EXPECT_EQ(drive.panel.MainMsg6, drive.Msg(62) + " " + drive.Msg(64));
        EXPECT_EQ(drive.panel.CPULabel, "CPU:XXX");
        EXPECT_EQ(drive.panel.EEPLabel, "EEP:XXX");
    }
    void ExpectUnreported() {
        EXPECT_FALSE(drive.state.CommErrorLatched);
        EXPECT_EQ(drive.panel.MainMsg2, "");
    }
    // As the status poll would: some time later the latch is cleared.
    void Recover() {
        drive.amplifier->ClearFaults();
        drive.clock.Advance(2000);
        drive.state.CommErrorLatched = false;
    }
    DriveLink& Link() { return *drive.link; }

    SimDrive drive{"bx"};
};

TEST_F(PrimitivesSimTest, ReadsReturnTheAmplifierWords) {
    int value = 0;
    EXPECT_EQ(Link().ReadFromRAM("40", 7, 1, value), 1);
    EXPECT_EQ(value, -32767);  // 0x8001 signed
    EXPECT_EQ(Link().ReplyBuffer(), "%8001" + sim::SumText("%8001"));
    EXPECT_EQ(Link().ReadFromRAML("40", 11, 1, value), 1);
    EXPECT_EQ(value, static_cast<int>(0x80010203u));
    EXPECT_EQ(Link().ReadFromRAMWithPage("40", 7, kOtherPage, 1, value), 1);
    EXPECT_EQ(value, 0xBE);
    EXPECT_EQ(Link().ReadFromEEP("21", 7, 1, value), 1);
    EXPECT_EQ(value, 0x1357);
    EXPECT_EQ(drive.amplifier->Ram(0x68), 0);
    ExpectUnreported();
    EXPECT_EQ(drive.clock.TotalWaited(), 0);
}

TEST_F(PrimitivesSimTest, WritesReachTheAmplifier) {
    EXPECT_EQ(Link().WriteToRAM("40", -2), 1);
    EXPECT_EQ(drive.amplifier->Ram(kWord), 0xFFFE);
    EXPECT_EQ(Link().WriteToRAML("40", 0x0A0B0C0D), 1);
    EXPECT_EQ(drive.amplifier->Ram(kWord), 0x0A0B);  // high word first
    EXPECT_EQ(drive.amplifier->Ram(kNextWord), 0x0C0D);
    EXPECT_EQ(Link().WriteToRAMWithPage("40", 65535, kOtherPage), 1);
    EXPECT_EQ(drive.amplifier->Ram(kWord, kOtherPage), 0xFFFF);
    EXPECT_EQ(drive.amplifier->Ram(kWord), 0x0A0B);
    EXPECT_EQ(Link().WriteToEEPRAM("40", "00AB"), 1);
    EXPECT_EQ(drive.amplifier->Ram(kWord), 0xAB);
    ExpectUnreported();
}

TEST_F(PrimitivesSimTest, EepromWordMakesTheRoundTripThroughTheMailbox) {
    EXPECT_EQ(Link().WriteToEEP("21", -3), 1);
    EXPECT_EQ(drive.amplifier->Eeprom(kEepWord), 0xFFFD);
    EXPECT_EQ(drive.amplifier->Ram(0x68), 0);  // command word back to 0
    EXPECT_EQ(drive.clock.TotalWaited(), 50);

    int value = 0;
    EXPECT_EQ(Link().ReadFromEEP("21", 7, 1, value), 1);
    EXPECT_EQ(value, -3);
    EXPECT_EQ(drive.amplifier->Ram(0x68), 0);
    EXPECT_EQ(drive.amplifier->Ram(0x6B), kEepWord);
    ExpectUnreported();
}

// Three faults in a row: enough to spoil every retry and mailbox poll.
class PrimitiveFaultTest : public PrimitivesSimTest,
                           public ::testing::WithParamInterface<std::tuple<int, Fault>> {};

TEST_P(PrimitiveFaultTest, FailsWithValueZeroAndReportsOnce) {
    const Primitive& primitive = Primitives()[std::get<0>(GetParam())];
    const Fault fault = std::get<1>(GetParam());
    if (primitive.answersWithAck && (fault == Fault::WrongChecksum || fault == Fault::Truncated)) {
        GTEST_SKIP() << "an acknowledgement has no checksum to spoil";
    }
    drive.amplifier->InjectFault(fault, 3);
    int value = 99;
    EXPECT_EQ(primitive.call(Link(), value), 0);
    if (primitive.reads) {
        EXPECT_EQ(value, 0);
    }
    ExpectReported();

    // Once per outage: a second failure leaves the texts alone.
    drive.panel.MainMsg1 = "kept";
    drive.panel.MainMsg2 = "kept";
    drive.clock.Advance(200);  // the next timer tick: a late reply has come
    drive.amplifier->InjectFault(fault, 3);
    EXPECT_EQ(primitive.call(Link(), value), 0);
    EXPECT_EQ(drive.panel.MainMsg1, "kept");
    EXPECT_EQ(drive.panel.MainMsg2, "kept");

    // Whatever the fault left on the line is purged: the next read is right.
    Recover();
    EXPECT_EQ(Link().ReadFromRAM("40", 7, 1, value), 1);
    EXPECT_EQ(value, -32767);
    EXPECT_FALSE(drive.state.CommErrorLatched);
}

INSTANTIATE_TEST_SUITE_P(EveryPrimitiveEveryFault, PrimitiveFaultTest,
                         ::testing::Combine(::testing::Range(0,
                                                             static_cast<int>(Primitives().size())),
                                            ::testing::ValuesIn(kAllFaults)),
                         [](const auto& info) {
                             return std::string(Primitives()[std::get<0>(info.param)].name) + "_" +
                                    sim::FaultName(std::get<1>(info.param));
                         });

// RAM writes are retried once and never reported: one spoilt acknowledgement
// is absorbed, two make the write fail silently.
TEST_F(PrimitivesSimTest, RamWritesRetryOnceAndStaySilent) {
    const std::vector<std::function<int(DriveLink&)>> writes = {
        [](DriveLink& l) { return l.WriteToRAM("40", 5); },
        [](DriveLink& l) { return l.WriteToRAML("40", 5); },
        [](DriveLink& l) { return l.WriteToRAMWithPage("40", 5, kOtherPage); },
    };
    for (const Fault fault : {Fault::NoReply, Fault::ForeignChar, Fault::ErrorReply}) {
        for (const auto& write : writes) {
            SCOPED_TRACE(sim::FaultName(fault));
            drive.amplifier->InjectFault(fault, 1);
            const long before = drive.amplifier->RequestCount();
            EXPECT_EQ(write(Link()), 1);
            EXPECT_EQ(drive.amplifier->RequestCount() - before, 2);

            drive.amplifier->InjectFault(fault, 2);
            EXPECT_EQ(write(Link()), 0);
            ExpectUnreported();
            Recover();
        }
    }
    // The only pauses: each retry first waits out the guard against a late
    // acknowledgement of the attempt before it (two retries per round): after
    // silence until the late-reply window since the request has passed, else
    // for quiet. A foreign character leaves the rest of its reply on the line;
    // the guard takes it and waits once more for quiet.
    const int afterSilenceMs = DriveLink::LateReplyWindowMs - sim::SimLine::kTimeoutMs;
    EXPECT_EQ(drive.clock.TotalWaited(),
              3 * 2 * afterSilenceMs + 3 * (2 * 2 + 2) * DriveLink::SettleGuardMs);
}

TEST_F(PrimitivesSimTest, WhileLatchedWordAndLongReadsWaitThirtyMs) {
    int value = 0;
    drive.amplifier->InjectFault(Fault::NoReply, 1);
    EXPECT_EQ(Link().ReadFromRAM("40", 7, 1, value), 0);
    ASSERT_TRUE(drive.state.CommErrorLatched);
    EXPECT_EQ(drive.clock.TotalWaited(), 0);            // the failing read was not latched yet
    drive.clock.Advance(DriveLink::LateReplyWindowMs);  // the next tick, past the guard

    EXPECT_EQ(Link().ReadFromRAM("40", 7, 1, value), 1);
    EXPECT_EQ(drive.clock.TotalWaited(), 30);
    EXPECT_EQ(Link().ReadFromRAML("40", 11, 1, value), 1);
    EXPECT_EQ(drive.clock.TotalWaited(), 60);
    EXPECT_EQ(Link().ReadFromRAMWithPage("40", 7, kOtherPage, 1, value), 1);
    EXPECT_EQ(Link().WriteToRAM("40", 1), 1);
    EXPECT_EQ(Link().WriteToEEPRAM("40", "0001"), 1);
    EXPECT_EQ(drive.clock.TotalWaited(), 60);
    // Success does not clear the latch: that is the status poll's business.
    EXPECT_TRUE(drive.state.CommErrorLatched);
}

TEST_F(PrimitivesSimTest, LateReplyIsPurgedNotTakenForTheNextOne) {
    int value = 0;
    drive.amplifier->InjectFault(Fault::Late, 1);
    EXPECT_EQ(Link().ReadFromRAM("40", 7, 1, value), 0);
    EXPECT_EQ(Link().ReplyBuffer(), "?");
    ASSERT_TRUE(drive.state.CommErrorLatched);
    ASSERT_TRUE(drive.amplifier->NextReplyDueMs().has_value());

    // The next poll comes a timer tick later; the late "%8001.." has arrived
    // by then and sits in the input queue.
    drive.clock.Advance(200);
    drive.amplifier->SetRam(kWord, 0x0042);
    EXPECT_EQ(Link().ReadFromRAM("40", 7, 1, value), 1);
    EXPECT_EQ(value, 0x42);
    EXPECT_EQ(Link().ReplyBuffer(), "%0042" + sim::SumText("%0042"));
    EXPECT_FALSE(drive.amplifier->NextReplyDueMs().has_value());
}

// Back to back, the late reply of a failed exchange arrives after the next
// request has gone out, ahead of that request's own answer. Whatever failed
// first, the next exchange must get its own answer or fail, never the late one.
TEST_F(PrimitivesSimTest, LateReplyBackToBackIsNeverTakenForTheNextAnswer) {
    const std::vector<Primitive> firsts = {Primitives()[0], Primitives()[3], Primitives()[4]};
    for (const Primitive& first : firsts) {
        SCOPED_TRACE(first.name);
        Recover();
        drive.amplifier->SetRam(kWord, 0x1D4C);
        drive.amplifier->SetRam(kNextWord, 0x0015);
        drive.amplifier->InjectFault(Fault::Late, 1);
        int value = 0;
        EXPECT_EQ(first.call(*drive.link, value), 0);
        EXPECT_EQ(Link().ReadFromRAM("41", 7, 1, value), 1);
        EXPECT_EQ(value, 0x0015);
    }
    // A write's retry meets the late acknowledgement of its first attempt.
    Recover();
    drive.amplifier->InjectFault(Fault::Late, 1);
    int value = 0;
    EXPECT_EQ(Link().WriteToRAM("40", 0x0033), 1);
    EXPECT_EQ(Link().ReadFromRAM("41", 7, 1, value), 1);
    EXPECT_EQ(value, 0x0015);
}

// A reply 1.6 s late, and the next request's own reply lost: the late one
// comes in that request's time and must not be taken for its answer.
TEST_F(PrimitivesSimTest, ReplyLateByOnePointSixSecondsIsNotTakenForTheNextAnswer) {
    drive.amplifier->SetLateDelayMs(1600);
    drive.amplifier->InjectFault(Fault::Late, 1);
    drive.amplifier->InjectFault(Fault::NoReply, 1);
    int value = 0;
    EXPECT_EQ(Link().ReadFromRAM("40", 7, 1, value), 0);
    EXPECT_EQ(Link().ReadFromRAM("41", 7, 1, value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(Link().ReadFromRAM("41", 7, 1, value), 1);
    EXPECT_EQ(value, 0x0203);
}

// The guard against late replies waits only after a failure.
TEST_F(PrimitivesSimTest, HealthyExchangesNeverWait) {
    int value = 0;
    for (int round = 0; round < 10; ++round) {
        for (const Primitive& primitive : Primitives()) {
            if (std::string(primitive.name) == "WriteToEEP") continue;  // waits for the EEPROM
            EXPECT_EQ(primitive.call(*drive.link, value), 1) << primitive.name;
        }
    }
    EXPECT_EQ(drive.clock.TotalWaited(), 0);
}

TEST_F(PrimitivesSimTest, PulledCableFailsEveryPrimitiveUntilPluggedBack) {
    drive.amplifier->SetCablePulled(true);
    for (const Primitive& primitive : Primitives()) {
        SCOPED_TRACE(primitive.name);
        int value = 99;
        EXPECT_EQ(primitive.call(Link(), value), 0);
        if (primitive.reads) {
            EXPECT_EQ(value, 0);
        }
    }
    ExpectReported();
    drive.amplifier->SetCablePulled(false);
    Recover();
    for (const Primitive& primitive : Primitives()) {
        SCOPED_TRACE(primitive.name);
        int value = 0;
        EXPECT_EQ(primitive.call(Link(), value), 1);
    }
    EXPECT_FALSE(drive.state.CommErrorLatched);
}

}  // namespace
