#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "shell/Settings.h"

namespace fs = std::filesystem;

namespace {

const std::array<int, 4> kDefaultPrintLines{58, 24, 36, 0};

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  (std::string("settings-") +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                   std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(Path(name), std::ios::binary) << content;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

    fs::path folder_;
};

TEST(InitIniRead, MissingFileGivesAllDefaults) {
    const InitSettings settings = ReadInitIni("/nonexistent/folder/Init.ini");
    EXPECT_EQ(settings.LinesRead, 0);
    EXPECT_EQ(settings.SelectCom, 0);
    EXPECT_EQ(settings.Language, 1);
    EXPECT_EQ(settings.PreviousFamily, 0);
    EXPECT_EQ(settings.FxVersion, 25);
    EXPECT_EQ(settings.UserLevel, 0);
    EXPECT_TRUE(settings.UserRestricted);
    EXPECT_EQ(settings.PrintLines, kDefaultPrintLines);
    EXPECT_FALSE(settings.WorkFolder);

    DriveState state;
    ApplyInitSettings(settings, "/opt/servodesk/", state);
    EXPECT_EQ(state.StartFolder, "/opt/servodesk/");
    EXPECT_EQ(state.WorkFolder, "/opt/servodesk/");
    EXPECT_EQ(state.PrintLines, kDefaultPrintLines);
}

TEST(InitIniRead, OnlyTheFirstLine) {
    const InitSettings settings = ParseInitIni("SelectCOM=  2\n");
    EXPECT_EQ(settings.LinesRead, 1);
    EXPECT_EQ(settings.SelectCom, 2);  // COM3
    EXPECT_EQ(settings.Language, 1);
    EXPECT_EQ(settings.PreviousFamily, 0);  // focus on BX
    EXPECT_EQ(settings.FxVersion, 25);
    EXPECT_TRUE(settings.UserRestricted);
    EXPECT_EQ(settings.PrintLines, kDefaultPrintLines);
    EXPECT_TRUE(settings.Problems.empty());
}

TEST(InitIniRead, MissingPrintLinesTakeTheDefaults) {
    const std::string fourLines =
        "SelectCOM=  0\nSelectLanguage=  0\nBefore Amplifier=  3\n"
        "FX_Version= 31\n";
    const InitSettings four = ParseInitIni(fourLines);
    EXPECT_EQ(four.PrintLines, kDefaultPrintLines);
    EXPECT_TRUE(four.UserRestricted);  // line 5 missing

    const InitSettings five = ParseInitIni(fourLines + "For User=0\n");
    EXPECT_EQ(five.LinesRead, 5);
    EXPECT_EQ(five.PrintLines, kDefaultPrintLines);
    EXPECT_FALSE(five.UserRestricted);
    EXPECT_EQ(five.PreviousFamily, 3);
    EXPECT_EQ(five.FxVersion, 31);
    EXPECT_FALSE(five.WorkFolder);
}

TEST(InitIniRead, FullFileWithCrLf) {
    const InitSettings settings = ParseInitIni(
        "SelectCOM=  7\r\nSelectLanguage=  2\r\nBefore Amplifier=  5\r\nFX_Version= 33\r\n"
        "For User=2\r\nPrinter page lines=60,20,30,4\r\n/home/eng/params/\r\n");
    EXPECT_EQ(settings.LinesRead, 7);
    EXPECT_EQ(settings.SelectCom, 7);
    EXPECT_EQ(settings.Language, 2);
    EXPECT_EQ(settings.PreviousFamily, 5);
    EXPECT_EQ(settings.FxVersion, 33);
    EXPECT_EQ(settings.UserLevel, 2);
    EXPECT_FALSE(settings.UserRestricted);
    EXPECT_EQ(settings.PrintLines, (std::array<int, 4>{60, 20, 30, 4}));
    EXPECT_EQ(settings.WorkFolder.value_or(""), "/home/eng/params/");
    EXPECT_TRUE(settings.Problems.empty());
}

TEST(InitIniRead, ValueIsTheNumberAfterTheLastEquals) {
    const InitSettings settings = ParseInitIni(
        "Port=COM=  4\nSelectLanguage=-1\nBefore Amplifier=  1  \nFX_Version=28\nFor User=1\n"
        "Printer=page=lines= 70, 10,20 ,30\n");
    EXPECT_EQ(settings.SelectCom, 4);
    EXPECT_EQ(settings.Language, -1);  // kept as read; no language item gets checked
    EXPECT_EQ(settings.PreviousFamily, 1);
    EXPECT_TRUE(settings.UserRestricted);
    EXPECT_EQ(settings.PrintLines, (std::array<int, 4>{70, 10, 20, 30}));
    EXPECT_TRUE(settings.Problems.empty());
}

TEST(InitIniRead, PrintLinesSplitFromTheRight) {
    // Five values: the last three commas give values 2 ... 4, the "=" gives the first.
    EXPECT_EQ(ParseInitIni("a=0\nb=1\nc=0\nd=25\ne=0\nPrinter, page lines=1,2,3,4,5\n").PrintLines,
              (std::array<int, 4>{1, 3, 4, 5}));
}

TEST(InitIniRead, UnreadableLinesAreReportedAndKeepTheirDefault) {
    const InitSettings settings = ParseInitIni(
        "SelectCOM=\nSelectLanguage  2\nBefore Amplifier=2x\nFX_Version=99999999999\n"
        "For User=zero\nPrinter page lines=60,20\n\n");
    EXPECT_EQ(settings.LinesRead, 7);
    EXPECT_EQ(settings.SelectCom, 0);
    EXPECT_EQ(settings.Language, 1);
    EXPECT_EQ(settings.PreviousFamily, 0);
    EXPECT_EQ(settings.FxVersion, 25);
    EXPECT_EQ(settings.UserLevel, 0);
    EXPECT_TRUE(settings.UserRestricted);  // an unreadable level never grants access
    EXPECT_EQ(settings.PrintLines, kDefaultPrintLines);
    EXPECT_FALSE(settings.WorkFolder);  // an empty seventh line counts as missing
    ASSERT_EQ(settings.Problems.size(), 6u);
    EXPECT_NE(settings.Problems[5].find("line 6"), std::string::npos);
}

TEST(InitIniRead, OverlongLinesAreCutNotCarriedIntoTheNextLine) {
    const std::string longFirst = "SelectCOM=" + std::string(70, ' ') + "5";  // 81 characters
    const std::string longFolder = "/" + std::string(300, 'd');
    const InitSettings settings = ParseInitIni(longFirst + "\nSelectLanguage=  0\nc=1\nd=27\n" +
                                               "e=0\nf=1,2,3,4\n" + longFolder + "\n");
    EXPECT_EQ(settings.SelectCom, 0);  // the number fell beyond 79 characters
    EXPECT_EQ(settings.Language, 0);   // line 2 is still line 2
    EXPECT_EQ(settings.FxVersion, 27);
    EXPECT_EQ(settings.WorkFolder.value_or("").size(), 254u);
}

TEST(InitIniWrite, ExactBytes) {
    DriveState state;
    state.SelectCom = 2;
    state.Language = 1;
    ASSERT_TRUE(ApplyFamilyAnswer(3, state));  // LQRV
    state.FxVersion = 31;
    state.UserLevel = 2;
    state.UserRestricted = false;
    state.PrintLines = {58, 24, 36, 0};
    state.WorkFolder = "/home/eng/params/";
    EXPECT_EQ(FormatInitIni(state),
              "SelectCOM=  2\nSelectLanguage=  1\nBefore Amplifier=  4\nFX_Version= 31\n"
              "For User=2\nPrinter page lines=58,24,36,0\n/home/eng/params/\n"
              "VerifyAfterTransfer=1\nPreviewBeforeTransfer=1\nBackupInProduction=0\n");
}

const std::string SevenLines =
    "SelectCOM=  1\nSelectLanguage=  1\nBefore Amplifier=  0\nFX_Version= 25\n"
    "For User=0\nPrinter page lines=58,24,36,0\n/w/\n";

TEST(InitIniKeyLines, MissingKeysKeepTheDefaults) {
    const InitSettings settings = ParseInitIni(SevenLines);
    EXPECT_TRUE(settings.VerifyAfterTransfer);
    EXPECT_TRUE(settings.PreviewBeforeTransfer);
    EXPECT_FALSE(settings.BackupInProduction);
    EXPECT_TRUE(settings.Problems.empty());
}

// Another build's line (a remembered port) is neither an error nor lost: it
// goes back into the file after the known keys.
TEST(InitIniKeyLines, KnownKeysReadUnknownKeptInOrder) {
    const InitSettings settings =
        ParseInitIni(SevenLines +
                     "Port=/dev/ttyUSB0\nPreviewBeforeTransfer=0\n\nVerifyAfterTransfer=0\n"
                     "BackupInProduction=1\nfuture.key=a=b\n");
    EXPECT_FALSE(settings.VerifyAfterTransfer);
    EXPECT_FALSE(settings.PreviewBeforeTransfer);
    EXPECT_TRUE(settings.BackupInProduction);
    EXPECT_EQ(settings.OtherLines,
              (std::vector<std::string>{"Port=/dev/ttyUSB0", "future.key=a=b"}));
    EXPECT_EQ(settings.WorkFolder, "/w/");

    DriveState state;
    ApplyInitSettings(settings, "/s/", state);
    EXPECT_FALSE(state.VerifyAfterTransfer);
    const std::string written = FormatInitIni(state, {}, settings.OtherLines);
    EXPECT_NE(written.find("/w/\nVerifyAfterTransfer=0\nPreviewBeforeTransfer=0\n"
                           "BackupInProduction=1\nPort=/dev/ttyUSB0\nfuture.key=a=b\n"),
              std::string::npos);
    const InitSettings again = ParseInitIni(written);
    EXPECT_FALSE(again.VerifyAfterTransfer);
    EXPECT_EQ(again.OtherLines, settings.OtherLines);
}

TEST(InitIniKeyLines, UnreadableValueIsAProblemAndKeepsTheDefault) {
    const InitSettings settings = ParseInitIni(SevenLines + "VerifyAfterTransfer=yes\n");
    EXPECT_TRUE(settings.VerifyAfterTransfer);
    ASSERT_EQ(settings.Problems.size(), 1u);
    EXPECT_NE(settings.Problems[0].find("line 8"), std::string::npos);
}

TEST(InitIniWrite, MissingUserLineStaysRestrictedAfterRewrite) {
    DriveState state;
    ApplyInitSettings(ParseInitIni("SelectCOM=  1\n"), "/s/", state);
    const std::string written = FormatInitIni(state);
    EXPECT_NE(written.find("For User=1\n"), std::string::npos);
    EXPECT_TRUE(ParseInitIni(written).UserRestricted);

    state.UserLevel = 0;
    state.UserRestricted = false;  // a real level 0 is written as such
    EXPECT_NE(FormatInitIni(state).find("For User=0\n"), std::string::npos);
}

// Found by the Init.ini fuzz target: the longest print-lines line lost its
// line end, so the work folder was read into it at the next start.
TEST(InitIniWrite, LongestPrintLinesKeepTheirLineAndTheFolder) {
    DriveState state;
    state.PrintLines = {INT_MIN, INT_MIN, INT_MIN, INT_MIN};
    state.WorkFolder = "/work/";
    const InitSettings read = ParseInitIni(FormatInitIni(state));
    EXPECT_TRUE(read.Problems.empty());
    EXPECT_EQ(read.PrintLines, state.PrintLines);
    EXPECT_EQ(read.WorkFolder, "/work/");
}

TEST(FamilyAnswer, EachButtonRoundTripsThroughLineThree) {
    // Result of each family button in display order 0 ... 5.
    const std::array<int, 6> results{6, 7, 1, 2, 3, 4};
    for (int position = 0; position < 6; ++position) {
        DriveState state;
        state.YzFlag = true;
        ASSERT_TRUE(ApplyFamilyAnswer(results[static_cast<std::size_t>(position)], state));
        EXPECT_EQ(FamilyChoice(state), position);
        EXPECT_EQ(state.AmpFamily, position < 2 ? position : 2);
    }
    DriveState state;
    EXPECT_FALSE(ApplyFamilyAnswer(0, state));
    EXPECT_EQ(TempFileNameFor(0), "Tmp.Src");
    EXPECT_EQ(TempFileNameFor(1), "Tmp.Hdt");
    EXPECT_EQ(TempFileNameFor(2), "Tmp.Dat");
}

TEST_F(SettingsFileTest, RewriteThenReadGivesTheSameSettings) {
    DriveState state;
    state.SelectCom = 5;
    state.Language = 0;
    ASSERT_TRUE(ApplyFamilyAnswer(4, state));  // YZ
    state.FxVersion = 30;
    state.UserLevel = 1;
    state.PrintLines = {61, 22, 33, 1};
    state.WorkFolder = "/data/amp 1/";
    ASSERT_TRUE(WriteInitIni(Path("Init.ini"), state));
    EXPECT_FALSE(fs::exists(Path("Init.ini.tmp")));

    const InitSettings read = ReadInitIni(Path("Init.ini"));
    EXPECT_EQ(read.SelectCom, 5);
    EXPECT_EQ(read.Language, 0);
    EXPECT_EQ(read.PreviousFamily, 5);
    EXPECT_EQ(read.FxVersion, 30);
    EXPECT_EQ(read.UserLevel, 1);
    EXPECT_EQ(read.PrintLines, state.PrintLines);
    EXPECT_EQ(read.WorkFolder.value_or(""), "/data/amp 1/");
}

TEST_F(SettingsFileTest, FailedRewriteWritesNothingAndKeepsTheOldFile) {
    DriveState state;
    Write("plainfile", "x");
    EXPECT_FALSE(WriteInitIni(Path("plainfile") + "/Init.ini", state));  // parent is a file
    EXPECT_EQ(Read("plainfile"), "x");

    const std::string old = "SelectCOM=  3\nSelectLanguage=  1\n";
    Write("Init.ini", old);
    fs::create_directory(Path("Init.ini.tmp"));  // the temporary file cannot be created
    EXPECT_FALSE(WriteInitIni(Path("Init.ini"), state));
    EXPECT_EQ(Read("Init.ini"), old);
}

TEST(ServiceMode, UserLevelTwoStartsInServiceModeAndKeepsFullAccess) {
    DriveState state;
    state.AmpFamily = 2;
    ApplyInitSettings(ParseInitIni("a=0\nb=1\nc=2\nd=25\nFor User=2\n"), "/s/", state);
    const ServiceMenuState start = ApplyUserLevel(state);
    EXPECT_TRUE(state.ServiceMode);
    EXPECT_TRUE(state.FullAccess);
    EXPECT_EQ(start.M33DirectRW, true);
    EXPECT_EQ(start.M36Table, true);
    EXPECT_EQ(start.M37Maker, true);
    EXPECT_EQ(start.M38Compare, true);
    EXPECT_EQ(start.M73AutoReset, true);

    const ServiceMenuState off = ToggleServiceMode(state);
    EXPECT_FALSE(state.ServiceMode);
    EXPECT_TRUE(state.FullAccess);
    EXPECT_EQ(off.M33DirectRW, false);
    EXPECT_EQ(off.M36Table, false);
    EXPECT_EQ(off.M37Maker, false);
    EXPECT_EQ(off.M38Compare, false);
    EXPECT_FALSE(off.M73AutoReset);  // the check mark is left alone
}

TEST(ServiceMode, RestrictedUserGetsFullAccessOnlyWhileInServiceMode) {
    DriveState state;
    state.AmpFamily = 0;
    ApplyInitSettings(ParseInitIni("a=0\nb=1\nc=0\nd=25\nFor User=1\n"), "/s/", state);
    const ServiceMenuState start = ApplyUserLevel(state);
    EXPECT_FALSE(state.ServiceMode);
    EXPECT_FALSE(state.FullAccess);
    EXPECT_FALSE(start.M33DirectRW);

    const ServiceMenuState on = ToggleServiceMode(state);
    EXPECT_TRUE(state.ServiceMode);
    EXPECT_TRUE(state.FullAccess);
    EXPECT_EQ(on.M33DirectRW, true);
    EXPECT_FALSE(on.M36Table);  // BX: the FX-group items are not touched

    ToggleServiceMode(state);
    EXPECT_FALSE(state.ServiceMode);
    EXPECT_FALSE(state.FullAccess);
}

TEST(ServiceMode, LevelZeroHasFullAccessWithoutServiceMode) {
    DriveState state;
    ApplyInitSettings(ParseInitIni("a=0\nb=1\nc=0\nd=25\nFor User=0\n"), "/s/", state);
    ApplyUserLevel(state);
    EXPECT_FALSE(state.ServiceMode);
    EXPECT_TRUE(state.FullAccess);
    ToggleServiceMode(state);
    ToggleServiceMode(state);
    EXPECT_TRUE(state.FullAccess);
}

}  // namespace
