#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "link/DriveState.h"

// The version shown in the window title.
inline constexpr char kProgramVersion[] = "V1.500";
inline constexpr char kInitFileName[] = "Init.ini";

// What Init.ini holds, as read at start-up. Every field starts at the value
// used when the file ends before its line.
struct InitSettings {
    int SelectCom = 0;       // line 1, 0 ... 7 = COM1 ... COM8
    int Language = 1;        // line 2
    int PreviousFamily = 0;  // line 3: last answer of the family question, 0 ... 5
    int FxVersion = 25;      // line 4
    int UserLevel = 0;       // line 5
    bool UserRestricted = true;
    std::array<int, 4> PrintLines{58, 24, 36,
                                  0};       // line 6; the defaults stand in for a missing line
    std::optional<std::string> WorkFolder;  // line 7, absent when missing or empty
    // "OtherPort=<device>" after line 7: a device chosen with "Other port..."
    // in place of COM1 ... COM8. Readers of seven lines never see it.
    std::optional<std::string> OtherPort;
    // "NetworkPorts=URL URL ...": the network ports used last, newest first,
    // offered again by "Other port...".
    std::vector<std::string> NetworkPorts;

    // Lines after the seventh: "key=value", one setting a line. Older readers
    // stop after line 7; keys this reader does not know are kept as they are
    // and written back, so two builds can share one file.
    bool VerifyAfterTransfer = true;      // "VerifyAfterTransfer=1"
    bool PreviewBeforeTransfer = true;    // "PreviewBeforeTransfer=1"
    bool BackupInProduction = false;      // "BackupInProduction=0"
    std::vector<std::string> OtherLines;  // unknown keys, in order

    int LinesRead = 0;                  // lines present, at most 7
    std::vector<std::string> Problems;  // lines present but unreadable (their default is used)
};

// Reads the settings file; a missing or short file is not an error.
InitSettings ReadInitIni(const std::string& path);
InitSettings ParseInitIni(const std::string& content);

// Copies the settings into the drive state; WorkFolder falls back to startFolder.
void ApplyInitSettings(const InitSettings& settings, const std::string& startFolder,
                       DriveState& state);

inline constexpr char kOtherPortKey[] = "OtherPort";
inline constexpr char kNetworkPortsKey[] = "NetworkPorts";

// The whole file as written at exit: the seven lines, the key lines, the
// other port when one is chosen, then otherLines unchanged.
std::string FormatInitIni(const DriveState& state, const std::string& otherPort = {},
                          const std::vector<std::string>& otherLines = {},
                          const std::vector<std::string>& networkPorts = {});
// Rewrites the file through "<path>.tmp" and a rename, so a failed write
// leaves the previous file untouched; makes its folder when missing. False
// when nothing could be written.
bool WriteInitIni(const std::string& path, const DriveState& state,
                  const std::string& otherPort = {},
                  const std::vector<std::string>& otherLines = {},
                  const std::vector<std::string>& networkPorts = {});

// The current folder with a trailing separator, and the settings file in it.
std::string CurrentStartFolder();
std::string InitIniPath(const std::string& startFolder);

// Line 3 of the file: AmpFamily plus one for each member flag, 0 ... 5.
int FamilyChoice(const DriveState& state);
// Sets family and member flags from the family question's result; false
// (state unchanged) for a result no button gives.
bool ApplyFamilyAnswer(int result, DriveState& state);
// "Tmp.Src", "Tmp.Hdt" or "Tmp.Dat" after the family; empty for another value.
std::string TempFileNameFor(int ampFamily);

// Menu items whose state a service-mode change sets. An empty value leaves
// the item as it is.
struct ServiceMenuState {
    std::optional<bool> M33DirectRW;   // enabled
    std::optional<bool> M36Table;      // enabled
    std::optional<bool> M37Maker;      // enabled
    std::optional<bool> M38Compare;    // enabled
    std::optional<bool> M73AutoReset;  // checked
};

// End of start-up: FullAccess from the user level, service mode for level 2.
ServiceMenuState ApplyUserLevel(DriveState& state);
// Shift+F10: service mode on when off, off when on.
ServiceMenuState ToggleServiceMode(DriveState& state);
