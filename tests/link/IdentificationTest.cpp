#include <gtest/gtest.h>

#include "link/Identification.h"
#include "tests/support/SimDrive.h"

namespace {

TEST(IdentificationTest, BxReadsVersionsScalesAndTypeFromEeprom) {
    SimDrive drive("bx");
    drive.amplifier->SetEeprom(0x72, 1200);
    drive.amplifier->SetEeprom(0x73, 0);  // read, not replaced: only a failed read gives 1
    drive.Connect();

    EXPECT_EQ(drive.panel.MainMsg4, drive.Msg(45));
    EXPECT_EQ(drive.panel.CPULabel, "CPU:2005:0715");
    EXPECT_EQ(drive.panel.EEPLabel, "EEP:2004:0301");
    EXPECT_EQ(drive.state.CpuDate, 2005);
    EXPECT_EQ(drive.state.BxScaleA, 1200);
    EXPECT_EQ(drive.state.BxScaleB, 0);
    // Type code 2034: amplifier entry 2, motor entry 34 of the type files.
    EXPECT_EQ(drive.panel.MainMsg5.substr(0, 5), "BX02-");
    EXPECT_EQ(drive.panel.MainMsg5.size(), 5u + 9u);
    EXPECT_FALSE(drive.state.CommErrorLatched);
    EXPECT_TRUE(drive.line->Rts());
    EXPECT_TRUE(drive.line->Dtr());
    EXPECT_EQ(drive.line->BaudRate(), br9600);
}

TEST(IdentificationTest, BxMissingTypeFileKeepsTheMotorPlaceholder) {
    SimDrive drive("bx");
    drive.state.StartFolder = ::testing::TempDir();
    drive.Connect();
    EXPECT_EQ(drive.panel.MainMsg5, "Amp-File error1XXXXXXXXX");
}

TEST(IdentificationTest, DxModelNameComesFromEightWords) {
    SimDrive drive("dx");
    drive.amplifier->SetRam(0xA8, 0x4142);
    drive.amplifier->SetRam(0xA9, 0x4344);
    for (int a = 0xAA; a <= 0xAF; ++a) drive.amplifier->SetRam(a, 0);
    drive.Connect();
    EXPECT_EQ(drive.panel.MainMsg5, "ABCD");
    EXPECT_EQ(drive.state.MotorCode, 0x0123);
}

TEST(IdentificationTest, DxWithoutAnswerReportsOnce) {
    SimDrive drive("dx");
    drive.amplifier->SetCablePulled(true);
    drive.Connect();
    EXPECT_TRUE(drive.state.CommErrorLatched);
    EXPECT_EQ(drive.panel.MainMsg2, drive.Msg(167));
    EXPECT_EQ(drive.panel.MainMsg5, "XXXX-XXXXXXXXX");
}

struct FxCase {
    const char* member;
    int version;
    const char* prefix;
};

class FxIdentificationTest : public ::testing::TestWithParam<FxCase> {};

TEST_P(FxIdentificationTest, DecidesTheVersionAndBuildsTheModelText) {
    const FxCase c = GetParam();
    SimDrive drive(c.member, c.version);
    drive.state.FxVersion = 25;  // whatever the settings said before
    drive.Connect();

    EXPECT_EQ(drive.state.FxVersion, c.version);
    EXPECT_TRUE(drive.state.RefreshServo);
    EXPECT_EQ(drive.panel.MainMsg5.rfind(c.prefix, 0), 0u) << drive.panel.MainMsg5;
    EXPECT_EQ(drive.panel.MainMsg5.find("error"), std::string::npos) << drive.panel.MainMsg5;
    EXPECT_EQ(drive.panel.M34ResetEnabled, c.version >= 30);
    // The map follows the decided version: motor code and servo addresses.
    EXPECT_EQ(drive.map.Ident[6], c.version < 26 ? "8D" : "8F");
    EXPECT_EQ(drive.map.Speed[21].Present, c.version >= 31);
    // Only the first CPU read (length 8, ended by the amplifier's CR) is needed.
    EXPECT_FALSE(drive.state.CommErrorLatched);
}

INSTANTIATE_TEST_SUITE_P(AllVersions, FxIdentificationTest,
                         ::testing::Values(FxCase{"fx", 25, "FX"}, FxCase{"fx", 27, "FX"},
                                           FxCase{"fx", 28, "FX"}, FxCase{"fx", 30, "FX"},
                                           FxCase{"fx", 31, "FX"}, FxCase{"fx", 33, "FX"},
                                           FxCase{"kqrv", 33, "KQRV-"}, FxCase{"lqrv", 33, "LQRV-"},
                                           FxCase{"yz", 33, "YZ"}));

TEST(IdentificationTest, FxVersionBoundaries) {
    const struct {
        int word;
        bool qrv;
        int version;
        int shown;
    } cases[] = {
        {0x1330, false, 25, 0x1330}, {0x1331, false, 27, 0x1331}, {0x1612, false, 27, 0x1612},
        {0x1C17, false, 25, 0x1C17}, {0x1C18, false, 28, 0x1C18}, {0x2C16, false, 30, 0x2C16},
        {0x3124, false, 31, 0x3124}, {0x3707, false, 33, 0x3707}, {0x4000, false, 33, 0x4000},
        {0x3000, true, 33, 0x13000}, {0x3124, true, 33, 0x3124}};
    for (const auto& c : cases) {
        int word = c.word;
        EXPECT_EQ(FxVersionForCpuWord(word, c.qrv, 0), c.version) << std::hex << c.word;
        EXPECT_EQ(word, c.shown) << std::hex << c.word;
    }
}

// Words above 0x1612 and below 0x1C17 belong to no version: the code the
// program already had (from the settings file or the last identification)
// stays, and with it the address map.
TEST(IdentificationTest, CpuWordBetweenTheRangesKeepsTheEarlierVersion) {
    for (const int word : {0x1613, 0x1800, 0x1C16}) {
        int shown = word;
        EXPECT_EQ(FxVersionForCpuWord(shown, false, 30), 30) << std::hex << word;
        EXPECT_EQ(shown, word);
    }
    SimDrive drive("fx", 31);
    drive.amplifier->SetRam(0xC3, 0x1800);
    drive.state.FxVersion = 30;
    drive.Connect();
    EXPECT_EQ(drive.state.FxVersion, 30);
    EXPECT_EQ(drive.panel.CPULabel, "CPU: 1800");
    EXPECT_FALSE(drive.map.Speed[21].Present);
}

TEST(IdentificationTest, QrvCpuWordIsShownWithFiveDigits) {
    SimDrive drive("kqrv");
    drive.amplifier->SetRam(0xC3, 0x3000);
    drive.Connect();
    EXPECT_EQ(drive.panel.CPULabel, "CPU:13000");
    EXPECT_EQ(drive.state.FxVersion, 33);
}

TEST(IdentificationTest, FxMotorTextComesFromTheTypeFile) {
    SimDrive drive("fx", 31);
    drive.amplifier->SetRam(0x8F, 21);
    drive.Connect();
    EXPECT_EQ(drive.panel.MainMsg5, "FX750-FM-01C20S");
}

TEST(IdentificationTest, FxUnknownMotorCode) {
    SimDrive drive("fx", 31);
    drive.amplifier->SetRam(0x8F, 999);
    drive.Connect();
    EXPECT_EQ(drive.panel.MainMsg5, "FX750-Unknow motor type");
}

// A pass spoilt by a noisy line keeps the last complete identification
// rather than show placeholders; a silent amplifier shows them.
TEST(IdentificationTest, SpoiltPassKeepsTheLastGoodIdentification) {
    for (const char* family : {"bx", "dx", "fx"}) {
        SCOPED_TRACE(family);
        SimDrive drive(family);
        drive.amplifier->SetEeprom(0x72, 1200);
        drive.Connect();
        ASSERT_FALSE(drive.state.CommErrorLatched);
        const MainPanel good = drive.panel;
        // Every reply of the pass spoilt, none missing.
        drive.amplifier->InjectFault(sim::Fault::ForeignChar, 100);
        EXPECT_FALSE(drive.identification->Read_current_mode());
        EXPECT_EQ(drive.panel.MainMsg5, good.MainMsg5);
        EXPECT_EQ(drive.panel.CPULabel, good.CPULabel);
        EXPECT_EQ(drive.panel.EEPLabel, good.EEPLabel);
        if (std::string(family) == "bx") {
            EXPECT_EQ(drive.state.BxScaleA, 1200);
        }
        EXPECT_FALSE(drive.identification->TakeDriveChange());

        drive.amplifier->ClearFaults();
        drive.state.CommErrorLatched = false;  // as the status poll leaves it
        drive.amplifier->SetCablePulled(true);
        EXPECT_FALSE(drive.identification->Read_current_mode());
        EXPECT_EQ(drive.panel.MainMsg5, "XXXX-XXXXXXXXX");
    }
}

TEST(IdentificationTest, AnotherDriveIsToldOnlyByACompletePass) {
    SimDrive drive("fx", 31);
    drive.amplifier->SetRam(0x8F, 21);
    drive.Connect();
    EXPECT_FALSE(drive.identification->TakeDriveChange());  // nothing to compare with
    EXPECT_TRUE(drive.identification->Read_current_mode());
    EXPECT_FALSE(drive.identification->TakeDriveChange());  // the same drive
    drive.amplifier->SetRam(0x8F, 999);
    EXPECT_TRUE(drive.identification->Read_current_mode());
    const auto change = drive.identification->TakeDriveChange();
    ASSERT_TRUE(change);
    EXPECT_EQ(change->Before.Model, "FX750-FM-01C20S");
    EXPECT_EQ(change->After.Model, "FX750-Unknow motor type");
    EXPECT_FALSE(drive.identification->TakeDriveChange());
    const std::string text = DriveChangeText(*change, drive.catalogue);
    EXPECT_NE(text.find("FX750-Unknow motor type"), std::string::npos) << text;
    EXPECT_NE(text.find("FX750-FM-01C20S"), std::string::npos) << text;
}

TEST(IdentificationTest, ConnectWhileOpenOnlyLatches) {
    SimDrive drive("fx", 30);
    drive.Connect();
    const auto requests = drive.line->Requests().size();
    drive.identification->ConnectRS232();
    EXPECT_TRUE(drive.state.CommErrorLatched);
    EXPECT_EQ(drive.line->Requests().size(), requests);
}

}  // namespace

namespace {

// A silent amplifier ends the pass at its first read, so the outage is told
// after one time-out rather than one per identification word.
TEST(IdentificationTest, SilentAmplifierEndsThePassAtTheFirstRead) {
    for (const char* family : {"bx", "dx", "fx"}) {
        SCOPED_TRACE(family);
        SimDrive drive(family);
        drive.line->Open();
        drive.amplifier->SetCablePulled(true);
        EXPECT_FALSE(drive.identification->Read_current_mode());
        EXPECT_EQ(drive.line->Requests().size(), 1u);
        EXPECT_TRUE(drive.state.CommErrorLatched);
        EXPECT_EQ(drive.panel.CPULabel, "CPU:XXX");
        EXPECT_EQ(drive.panel.MainMsg5, "XXXX-XXXXXXXXX");
    }
}

// A pass with a failed step is a failed pass, and no label shows part of its
// words: each keeps its placeholder unless all its reads were answered.
struct SpoiledPass {
    const char* name;
    const char* family;
    sim::Fault fault;
    int count;
    int eepromTypeCode;  // -1: the profile's own
    bool modelShown;     // the model text's own reads were all answered
};

void PrintTo(const SpoiledPass& pass, std::ostream* out) {
    *out << pass.name;
}

class SpoiledPassTest : public ::testing::TestWithParam<SpoiledPass> {};

TEST_P(SpoiledPassTest, FailsAndBuildsNoLabelByHalves) {
    const SpoiledPass& pass = GetParam();
    SimDrive drive(pass.family);
    drive.line->Open();
    if (pass.eepromTypeCode >= 0) drive.amplifier->SetEeprom(0x77, pass.eepromTypeCode);
    drive.amplifier->InjectFault(pass.fault, pass.count);
    EXPECT_FALSE(drive.identification->Read_current_mode());
    EXPECT_EQ(drive.panel.CPULabel.rfind("CPU:", 0), 0u) << drive.panel.CPULabel;
    EXPECT_EQ(drive.panel.EEPLabel.rfind("EEP:", 0), 0u) << drive.panel.EEPLabel;
    if (pass.modelShown) {
        EXPECT_EQ(drive.panel.MainMsg5.rfind("BX02-", 0), 0u) << drive.panel.MainMsg5;
    } else {
        EXPECT_EQ(drive.panel.MainMsg5, "XXXX-XXXXXXXXX");
    }
    if (std::string(pass.family) == "fx") {
        EXPECT_EQ(drive.panel.CPULabel, "CPU:XXX");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Passes, SpoiledPassTest,
    ::testing::Values(
        SpoiledPass{"FxCpuWordUnanswered", "fx", sim::Fault::NoReply, 2, -1, false},
        SpoiledPass{"BxFirstWordUnanswered", "bx", sim::Fault::NoReply, 1, -1, false},
        SpoiledPass{"BxFirstWordRefused", "bx", sim::Fault::ErrorReply, 1, -1, true},
        SpoiledPass{"BxTypeCodeNotDecimal", "bx", sim::Fault::NoReply, 0, 0x2F02, false},
        SpoiledPass{"DxModelWordRefused", "dx", sim::Fault::ErrorReply, 2, -1, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
