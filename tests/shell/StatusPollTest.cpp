#include <gtest/gtest.h>

#include <algorithm>

#include "shell/StatusPoll.h"
#include "tests/support/SimDrive.h"

namespace {

struct PolledDrive : SimDrive {
    using SimDrive::SimDrive;
    PolledDrive(const std::string& family, int version = 0) : SimDrive(family, version) {
        Connect();
        state.PollBusy = state.ParamWriteBusy = false;
        poll = std::make_unique<StatusPoll>(*link, state, panel, catalogue, map, *identification);
    }
    void Tick() {
        clock.Advance(200);
        amplifier->Tick();
        poll->StsTimerTimer();
    }
    // How many times the amplifier was identified since the log was cleared:
    // every identification of these families reads the rating word.
    int Identifications(const std::string& ratingRequest) const {
        const auto requests = line->Requests();
        return static_cast<int>(std::count(requests.begin(), requests.end(), ratingRequest));
    }
    std::unique_ptr<StatusPoll> poll;
};

TEST(StatusPollTest, BxStatusWordSplitsIntoModeFieldsAndCode) {
    PolledDrive drive("bx");
    drive.amplifier->SetRam(0xCD, 0x1234);
    drive.Tick();
    EXPECT_EQ(drive.state.CurrentMode, 1);
    EXPECT_EQ(drive.state.StatusCode, 4);
    EXPECT_EQ(drive.panel.MainMsg3, drive.Msg(57));
    EXPECT_EQ(drive.panel.MainMsg6, drive.Msg(64) + "  " + drive.Msg(67));
    EXPECT_EQ(drive.panel.MainMsg2, drive.Msg(155));

    drive.amplifier->SetRam(0xCB, 1);
    drive.Tick();
    EXPECT_EQ(drive.panel.MainMsg1, drive.Msg(54));
    drive.amplifier->SetRam(0xCB, 2);
    drive.Tick();
    EXPECT_EQ(drive.panel.MainMsg1, drive.Msg(53));  // only bit 0 counts
}

TEST(StatusPollTest, FxServoStateDependsOnTheVersion) {
    PolledDrive old("fx", 25);
    old.amplifier->SetRam(0xC5, 0x0000);
    old.Tick();
    EXPECT_EQ(old.panel.MainMsg1, old.Msg(54));
    old.amplifier->SetRam(0xC5, 0x0200);
    old.Tick();
    EXPECT_EQ(old.panel.MainMsg1, old.Msg(53));

    PolledDrive mid("fx", 27);
    mid.amplifier->SetRam(0x90, 0x0200);
    mid.Tick();
    EXPECT_EQ(mid.panel.MainMsg1, mid.Msg(54));

    // Version 26 reads bit 9 as the servo state, like 27.
    PolledDrive boundary("fx", 27);
    boundary.state.FxVersion = 26;
    boundary.amplifier->SetRam(0x90, 0x0200);
    boundary.Tick();
    EXPECT_EQ(boundary.panel.MainMsg1, boundary.Msg(54));
    boundary.amplifier->SetRam(0x90, 0x0000);
    boundary.Tick();
    EXPECT_EQ(boundary.panel.MainMsg1, boundary.Msg(53));

    PolledDrive recent("fx", 28);
    recent.amplifier->SetRam(0x90, 1);
    recent.Tick();
    EXPECT_EQ(recent.panel.MainMsg1, recent.Msg(53));
    recent.amplifier->SetRam(0x90, 0);
    recent.Tick();
    EXPECT_EQ(recent.panel.MainMsg1, recent.Msg(54));
}

TEST(StatusPollTest, FxStatusAndModeTexts) {
    PolledDrive drive("fx", 30);
    const struct {
        int code;
        int message;
    } codes[] = {{13, 147}, {3, 154}, {2, 150}, {6, 164}, {7, 149}, {8, 148}, {15, 146}};
    for (const auto& c : codes) {
        drive.amplifier->SetRam(0xC7, c.code);
        drive.Tick();
        EXPECT_EQ(drive.panel.MainMsg2, drive.Msg(c.message)) << c.code;
    }
    const int modes[] = {57, 58, 56, 59, 60, 61};
    for (int m = 0; m < 6; ++m) {
        drive.amplifier->SetRam(0x16, 0x30 | m);  // only the low nibble is the mode
        drive.Tick();
        EXPECT_EQ(drive.panel.MainMsg3, drive.Msg(modes[m])) << m;
    }
    drive.amplifier->SetRam(0x16, 7);
    drive.Tick();
    EXPECT_EQ(drive.panel.MainMsg3, drive.Msg(61));  // other modes leave the text
}

TEST(StatusPollTest, DxTexts) {
    PolledDrive drive("dx");
    drive.amplifier->SetRam(0x01, 1);
    drive.amplifier->SetRam(0x10, 0x0103);  // the code is the low byte
    drive.amplifier->SetRam(0x00, 2);
    drive.Tick();
    EXPECT_EQ(drive.panel.MainMsg1, drive.Msg(54));
    EXPECT_EQ(drive.state.StatusCode, 3);
    EXPECT_EQ(drive.panel.MainMsg2, drive.Msg(154));
    EXPECT_EQ(drive.panel.MainMsg3, drive.Msg(56));
}

TEST(StatusPollTest, StepsAsideWhileBusy) {
    PolledDrive drive("fx", 30);
    drive.line->ClearLog();
    drive.state.ParamWriteBusy = true;
    drive.Tick();
    drive.state.ParamWriteBusy = false;
    drive.state.PollBusy = true;
    drive.Tick();
    EXPECT_TRUE(drive.line->Requests().empty());
}

// The status word the amplifier holds through the outage. A word of 0 is what
// re-identification resets the drive state to, so the change test alone would
// see nothing new after the recovery.
struct Outage {
    const char* family;
    int statusAddress;
    int statusWord;
    int statusMessage;  // what MainMsg2 shows once the link is back
};

void PrintTo(const Outage& outage, std::ostream* out) {
    *out << outage.family << " status word " << outage.statusWord;
}

class OutageTest : public ::testing::TestWithParam<Outage> {};

TEST_P(OutageTest, ReportsOnceAndReidentifiesOnceAfterReplug) {
    const Outage& outage = GetParam();
    const std::string family = outage.family;
    PolledDrive drive(family);
    drive.amplifier->SetRam(outage.statusAddress, static_cast<std::uint16_t>(outage.statusWord));
    const std::string ratingRequest = family == "bx"   ? "R577XX"
                                      : family == "dx" ? "R57FXX"
                                                       : "R58B01";
    drive.Tick();
    ASSERT_FALSE(drive.state.CommErrorLatched);

    drive.amplifier->SetCablePulled(true);
    drive.Tick();
    EXPECT_TRUE(drive.state.CommErrorLatched);
    EXPECT_EQ(drive.panel.MainMsg2, drive.Msg(167));
    EXPECT_EQ(drive.panel.MainMsg1, drive.Msg(53));
    EXPECT_EQ(drive.panel.MainMsg3, drive.Msg(55));
    drive.panel.MainMsg2 = "seen";  // a second report would overwrite it
    for (int i = 0; i < 5; ++i) drive.Tick();
    EXPECT_EQ(drive.panel.MainMsg2, "seen");

    drive.amplifier->SetCablePulled(false);
    drive.line->ClearLog();
    drive.Tick();
    EXPECT_FALSE(drive.state.CommErrorLatched);
    EXPECT_EQ(drive.panel.MainMsg2, drive.Msg(outage.statusMessage));
    EXPECT_NE(drive.panel.MainMsg3, drive.Msg(55));
    const auto requests = drive.line->Requests();
    if (family == "fx") {
        EXPECT_EQ(drive.Identifications("R58B01"), 1);
    } else {
        // BX reads its type code through the EEPROM mailbox, DX the motor word.
        const std::string probe = family == "bx" ? "W56B0077" : "R57F";
        const auto count = std::count_if(requests.begin(), requests.end(),
                                         [&](const auto& r) { return r.rfind(probe, 0) == 0; });
        EXPECT_EQ(count, 1);
    }
    drive.line->ClearLog();
    drive.Tick();
    drive.Tick();
    EXPECT_EQ(drive.line->Requests().size(), family == "bx" ? 4u : 6u);  // plain polling again
}

// Behind the port the amplifier was exchanged during the outage: the tick
// that recovers says so; a plain outage does not.
TEST(StatusPollTest, AnotherDriveAfterAnOutageIsTold) {
    PolledDrive drive("fx", 31);
    drive.amplifier->SetRam(0x8F, 21);
    ASSERT_TRUE(drive.identification->Read_current_mode());
    for (const int motor : {21, 999}) {
        drive.amplifier->SetCablePulled(true);
        drive.Tick();
        drive.amplifier->SetRam(0x8F, static_cast<std::uint16_t>(motor));
        drive.amplifier->SetCablePulled(false);
        drive.Tick();
        ASSERT_FALSE(drive.state.CommErrorLatched);
        const auto change = drive.poll->TakeDriveChange();
        EXPECT_EQ(change.has_value(), motor != 21) << motor;
        if (change) {
            EXPECT_EQ(change->Before.Model, "FX750-FM-01C20S");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFamilies, OutageTest,
                         ::testing::Values(Outage{"bx", 0xCD, 0, 151},
                                           Outage{"bx", 0xCD, 0x1234, 155},
                                           Outage{"dx", 0x10, 0, 151}, Outage{"dx", 0x10, 3, 154},
                                           Outage{"fx", 0xC7, 0, 151},
                                           Outage{"fx", 0xC7, 13, 147}));

}  // namespace
