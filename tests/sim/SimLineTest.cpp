#include <gtest/gtest.h>

#include "SimTestSupport.h"

using simtest::ReadWord;
using simtest::WriteWord;

namespace {

class Line : public ::testing::Test {
protected:
    int Send(const std::string& request) {
        return rig.line.Write(request.data(), static_cast<int>(request.size()));
    }
    std::string Receive(int count) {
        std::string buffer(static_cast<std::size_t>(count), '\0');
        const int got = rig.line.Read(buffer.data(), count);
        return got < 0 ? "<closed>" : buffer.substr(0, static_cast<std::size_t>(got));
    }
    sim::SimRig rig{"bx"};
};

TEST_F(Line, ExchangeTakesWireTimeAndIsLogged) {
    const std::uint64_t start = rig.clock.NowMs();
    ASSERT_EQ(Send("R568F5"), 6);
    EXPECT_EQ(Receive(7), "%0000E5");
    // 13 characters at 9600 bit/s.
    EXPECT_GE(rig.clock.NowMs() - start, 13u);
    EXPECT_LE(rig.clock.NowMs() - start, 14u);
    ASSERT_EQ(rig.line.Log().size(), 1u);
    EXPECT_EQ(rig.line.Log()[0].written, "R568F5");
    EXPECT_EQ(rig.line.Log()[0].read, "%0000E5");
    EXPECT_EQ(rig.line.Timeouts(), 0);
}

TEST_F(Line, SilenceReturnsWhatThereIsAfterTheTimeOut) {
    rig.amplifier.SetCablePulled(true);
    Send("R568F5");
    const std::uint64_t before = rig.clock.NowMs();
    EXPECT_EQ(Receive(1), "");
    EXPECT_EQ(rig.clock.NowMs() - before, 1000u);
    rig.amplifier.SetCablePulled(false);
    rig.amplifier.InjectFault(sim::Fault::Truncated);
    Send("R568F5");
    EXPECT_EQ(Receive(7), "%0000");
    EXPECT_EQ(rig.line.Timeouts(), 2);
}

// A reply right behind the one read trails it; one due long after does not.
TEST_F(Line, OnlyWhatIsRightBehindAReplyTrailsIt) {
    Send("R568F5");
    Send("R568F5");
    EXPECT_EQ(Receive(7), "%0000E5");
    char bytes[16];
    EXPECT_EQ(rig.line.ReadTrailing(bytes, 16), 7);
    EXPECT_EQ(rig.line.ReadTrailing(bytes, 16), 0);
    rig.amplifier.InjectFault(sim::Fault::Late);
    Send("R568F5");
    EXPECT_EQ(rig.line.ReadTrailing(bytes, 16), 0);
}

TEST_F(Line, LateReplyMissesTheTimeOutAndArrivesLater) {
    rig.amplifier.InjectFault(sim::Fault::Late);
    Send("R568F5");
    EXPECT_EQ(Receive(1), "");
    // The stale reply is waiting when the next exchange starts, unless purged.
    rig.clock.Advance(500);
    Send("R568F5");
    EXPECT_EQ(Receive(7), "%0000E5");
    EXPECT_EQ(Receive(7), "%0000E5");
    rig.amplifier.InjectFault(sim::Fault::Late);
    Send("R568F5");
    EXPECT_EQ(Receive(7), "");
    rig.clock.Advance(500);
    rig.line.PurgeIn();
    Send("R568F5");
    EXPECT_EQ(Receive(8), "%0000E5");
}

TEST_F(Line, MailboxCompletesWithinTheWireTimeOfTheNextRequest) {
    // The tool reads 68 at once after starting a read, with no pause.
    rig.amplifier.SetEeprom(0x2E, 1000);
    Send(WriteWord(0x6B, 0x2E));
    EXPECT_EQ(Receive(1), "%");
    Send(WriteWord(0x68, 2));
    EXPECT_EQ(Receive(1), "%");
    Send(ReadWord(0x68));
    EXPECT_EQ(simtest::WordOf(Receive(7)), 0);
    Send(ReadWord(0x6C));
    EXPECT_EQ(simtest::WordOf(Receive(7)), 1000);
}

TEST_F(Line, UnpluggedAdapterFailsOpenReadAndWrite) {
    rig.line.SetUnplugged(true);
    EXPECT_EQ(Send("R568F5"), -1);
    EXPECT_EQ(Receive(7), "<closed>");
    rig.line.Close();
    rig.line.Open();
    EXPECT_FALSE(rig.line.Enabled());
    rig.line.SetUnplugged(false);
    rig.line.Open();
    EXPECT_TRUE(rig.line.Enabled());
    Send("R568F5");
    EXPECT_EQ(Receive(7), "%0000E5");
}

TEST_F(Line, PurgeDropsPendingReplyBytes) {
    Send("R568F5");
    rig.line.PurgeIn();
    EXPECT_EQ(Receive(1), "");
    rig.line.SetRTSState(true);
    rig.line.SetBaudRate(br9600);
    EXPECT_TRUE(rig.line.Rts());
    EXPECT_EQ(rig.line.BaudRate(), br9600);
}

}  // namespace
