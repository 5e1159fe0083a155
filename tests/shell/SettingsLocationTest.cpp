// Where Init.ini and the installation files are found, and the line that
// remembers an other port after the seven known ones.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell/Settings.h"
#include "shell/SettingsLocation.h"

namespace {

// A file system of named paths: what exists and which folders may be written.
struct FakeSystem {
    std::set<std::string> existing;
    std::set<std::string> writable;

    PlaceFacts Facts(const std::string& start, const std::string& xdg = "") const {
        PlaceFacts facts;
        facts.StartFolder = start;
        facts.ProgramFolder = "/opt/sd/bin/";
        facts.XdgConfigHome = xdg;
        facts.Home = "/home/eng";
        facts.Exists = [this](const std::string& p) { return existing.count(p) > 0; };
        facts.Writable = [this](const std::string& p) { return writable.count(p) > 0; };
        return facts;
    }
};

struct PlaceCase {
    const char* name;
    const char* start;
    const char* xdg;
    bool startWritable;
    const char* startHolds;  // a file already in the start folder, or ""
    bool documents;
    const char* iniPath;
    const char* workFolder;
};

const PlaceCase kPlaceCases[] = {
    {"set-up start folder keeps everything", "/home/eng/rig/", "/x/", true, "Init.ini", true,
     "/home/eng/rig/Init.ini", "/home/eng/rig/"},
    {"installation folder keeps everything", "/home/eng/rig/", "", true, "Message.E", true,
     "/home/eng/rig/Init.ini", "/home/eng/rig/"},
    {"any other writable folder is left alone", "/home/eng/", "", true, "", true,
     "/home/eng/.config/servodesk/Init.ini", "/home/eng/Documents/"},
    {"read-only start folder, XDG unset", "/srv/ro/", "", false, "Message.E", false,
     "/home/eng/.config/servodesk/Init.ini", "/home/eng/"},
    {"read-only start folder, XDG set", "/srv/ro/", "/cfg", false, "", true,
     "/cfg/servodesk/Init.ini", "/home/eng/Documents/"},
    {"relative XDG is ignored", "/srv/ro/", "cfg", false, "", false,
     "/home/eng/.config/servodesk/Init.ini", "/home/eng/"},
    {"the installed share folder is never written", "/opt/sd/share/servodesk/", "", true,
     "Message.E", false, "/home/eng/.config/servodesk/Init.ini", "/home/eng/"},
};

TEST(SettingsPlaces, IniAndWorkFolderByTheRules) {
    for (const PlaceCase& c : kPlaceCases) {
        SCOPED_TRACE(c.name);
        FakeSystem system;
        if (c.startWritable) system.writable.insert(c.start);
        if (*c.startHolds) system.existing.insert(std::string(c.start) + c.startHolds);
        if (c.documents) system.existing.insert("/home/eng/Documents/");
        const SettingsPlaces places = FindSettingsPlaces(system.Facts(c.start, c.xdg));
        EXPECT_EQ(places.IniPath, c.iniPath);
        EXPECT_EQ(places.WorkFolder, c.workFolder);
        EXPECT_EQ(places.ReadFallback, "");
    }
}

TEST(SettingsPlaces, ReadOnlyStartFolderSettingsAreReadUntilTheUserHasOwn) {
    FakeSystem system;
    system.existing.insert("/srv/ro/Init.ini");
    const SettingsPlaces places = FindSettingsPlaces(system.Facts("/srv/ro/"));
    EXPECT_EQ(places.IniPath, "/home/eng/.config/servodesk/Init.ini");
    EXPECT_EQ(places.ReadFallback, "/srv/ro/Init.ini");
}

TEST(SettingsPlaces, InstallationFilesStartFolderThenBesideTheProgramThenShare) {
    const std::string start = "/home/eng/rig/";
    FakeSystem system;
    EXPECT_EQ(FindSettingsPlaces(system.Facts(start)).DataFolder, start);  // none anywhere
    system.existing.insert("/opt/sd/share/servodesk/Message.E");
    EXPECT_EQ(FindSettingsPlaces(system.Facts(start)).DataFolder, "/opt/sd/share/servodesk/");
    system.existing.insert("/opt/sd/bin/Message.E");
    EXPECT_EQ(FindSettingsPlaces(system.Facts(start)).DataFolder, "/opt/sd/bin/");
    system.existing.insert(start + "Message.E");
    EXPECT_EQ(FindSettingsPlaces(system.Facts(start)).DataFolder, start);
}

const char kSevenLines[] =
    "SelectCOM=  3\nSelectLanguage=  0\nBefore Amplifier=  2\nFX_Version= 31\n"
    "For User=1\nPrinter page lines=58,24,36,0\n/home/eng/params/";

TEST(OtherPortLine, WrittenAfterTheKeyLinesOnlyWhenChosen) {
    const InitSettings seven = ParseInitIni(kSevenLines);
    DriveState state;
    ApplyInitSettings(seven, "/start/", state);
    state.AmpFamily = 2;  // "Before Amplifier=  2"
    const std::string keys =
        "\nVerifyAfterTransfer=1\nPreviewBeforeTransfer=1\nBackupInProduction=0\n";
    EXPECT_EQ(FormatInitIni(state), kSevenLines + keys);
    EXPECT_EQ(FormatInitIni(state, "/dev/ttyUSB0", {"future.key=1"}),
              kSevenLines + keys + "OtherPort=/dev/ttyUSB0\nfuture.key=1\n");
}

TEST(OtherPortLine, ReadBackAndIgnoredByTheSevenLineRules) {
    const InitSettings eight =
        ParseInitIni(std::string(kSevenLines) + "\nOtherPort=/dev/ttyACM1\n");
    EXPECT_EQ(eight.OtherPort, std::optional<std::string>("/dev/ttyACM1"));
    EXPECT_EQ(eight.SelectCom, 3);
    EXPECT_EQ(eight.WorkFolder, std::optional<std::string>("/home/eng/params/"));
    EXPECT_EQ(eight.LinesRead, 7);
    EXPECT_TRUE(eight.Problems.empty());
    EXPECT_TRUE(eight.OtherLines.empty());
    for (const char* line : {"\nOtherPort=", "\nsomething else", "\n"}) {
        EXPECT_FALSE(ParseInitIni(std::string(kSevenLines) + line).OtherPort) << line;
    }
}

}  // namespace
