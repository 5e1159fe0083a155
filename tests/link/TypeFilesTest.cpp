#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/TypeFiles.h"

namespace {

class TypeFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() /
            ("typefiles-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }
    std::string Folder() const { return folder_.string() + "/"; }

    std::filesystem::path folder_;
};

TEST_F(TypeFilesTest, BxEntriesAreFoundByLinePosition) {
    Write("BXAmp.typ",
          "Amplifiers=13\n0:BX-01 x\n1:BX-02\n2:BX-03\n3:BX-04\n4:BX-05\n5:BX-06\n"
          "6:BX-07\n7:BX-08\n8:BX-09\n9:BX-10\n10:BX-11\n11:BX-12\n12:BX-13 long\n");
    std::string motors = "Motors = 40\r\n";
    for (int k = 0; k <= 40; ++k) motors += std::to_string(k) + ":SM-" + std::to_string(k) + "\r\n";
    Write("Motor.typ", motors);

    // Type code 12034 names amplifier 12 and motor 34.
    const TypeText amplifier = BxAmplifierText(Folder(), 12034 / 1000);
    EXPECT_TRUE(amplifier.Found);
    EXPECT_EQ(amplifier.Text, "BX-13");  // the 5 characters after the colon
    EXPECT_EQ(BxMotorText(Folder(), 12034 % 1000).Text, "SM-34");  // CR LF accepted
}

TEST_F(TypeFilesTest, BxErrorsNameWhatWentWrong) {
    EXPECT_EQ(BxAmplifierText(Folder(), 1).Text, "Amp-File error1");
    EXPECT_FALSE(BxAmplifierText(Folder(), 1).Found);

    Write("BXAmp.typ", "");
    EXPECT_EQ(BxAmplifierText(Folder(), 1).Text, "Amp-File error2");

    Write("BXAmp.typ", "Amplifiers=4\n0:AAAAA\n1:BBBBB\n");
    EXPECT_EQ(BxAmplifierText(Folder(), 5).Text, "Amp-Num error");
    EXPECT_EQ(BxAmplifierText(Folder(), -1).Text, "Amp-Num error");
    EXPECT_EQ(BxAmplifierText(Folder(), 3).Text, "Amp-File error4");  // file ends early
    EXPECT_EQ(BxAmplifierText(Folder(), 1).Text, "BBBBB");

    Write("Motor.typ", "Motors=x\n");
    EXPECT_EQ(BxMotorText(Folder(), 1).Text, "Mot-File error2");
    EXPECT_EQ(BxMotorText(Folder() + "missing/", 1).Text, "Mot-File error1");
}

TEST_F(TypeFilesTest, FxMotorIsSearchedByLeadingCode) {
    Write("FX_Motor.tpy", "Entries=3\n7:FXM-07\n12:FXM-12 B\n30:FXM-30\n");
    EXPECT_EQ(FxMotorText(Folder(), 12, "XXXXXXXXX"), "FXM-12 B");
    EXPECT_EQ(FxMotorText(Folder(), 13, "XXXXXXXXX"), "Unknow motor type");
    EXPECT_EQ(FxMotorText(Folder(), -2, "XXXXXXXXX"), "Mot-Num error");

    Write("FX_Motor.tpy", "Entries=0\n7:FXM-07\n");
    EXPECT_EQ(FxMotorText(Folder(), 7, "XXXXXXXXX"), "XXXXXXXXX");
    std::filesystem::remove(folder_ / "FX_Motor.tpy");
    EXPECT_EQ(FxMotorText(Folder(), 7, "XXXXXXXXX"), "Mot-File error1");
}

TEST_F(TypeFilesTest, OverlongLineDoesNotShiftTheEntries) {
    Write("BXAmp.typ", "Amplifiers=2\n0:AAAAA" + std::string(200, 'z') + "\n1:BBBBB\n");
    EXPECT_EQ(BxAmplifierText(Folder(), 1).Text, "BBBBB");
}

}  // namespace
