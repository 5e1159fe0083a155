#include "shell/Settings.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/AmpMembers.h"
#include "link/SyncedWrite.h"

namespace {

constexpr std::size_t kValueLineChars = 79;
constexpr std::size_t kFolderLineChars = 254;
constexpr int kFolderLine = 7;

// Lines 1 ... 5 each hold one number; a line that is missing or unreadable
// keeps the field's initial value.
constexpr std::array<int InitSettings::*, 5> kNumberLines{
    &InitSettings::SelectCom,       // "SelectCOM="
    &InitSettings::Language,        // "SelectLanguage="
    &InitSettings::PreviousFamily,  // "Before Amplifier="
    &InitSettings::FxVersion,       // "FX_Version="
    &InitSettings::UserLevel,       // "For User="
};

constexpr std::array<const char*, 3> kTempFileNames{"Tmp.Src", "Tmp.Hdt", "Tmp.Dat"};

// The settings after line 7, one "key=value" line each.
struct KeyLine {
    const char* Key;
    bool InitSettings::*Setting;
    bool DriveState::*Field;
};
constexpr KeyLine kKeyLines[] = {
    {"VerifyAfterTransfer", &InitSettings::VerifyAfterTransfer, &DriveState::VerifyAfterTransfer},
    {"PreviewBeforeTransfer", &InitSettings::PreviewBeforeTransfer,
     &DriveState::PreviewBeforeTransfer},
    {"BackupInProduction", &InitSettings::BackupInProduction, &DriveState::BackupInProduction},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A decimal number with optional blanks around it and an optional sign.
std::optional<int> ParseNumber(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    const char* start = text.c_str() + pos;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(start, &end, 10);
    if (end == start || errno == ERANGE || value < INT_MIN || value > INT_MAX) return std::nullopt;
    for (const char* p = end; *p != '\0'; ++p) {
        if (!IsBlank(*p)) return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<int> NumberAfterLast(const std::string& line, char mark) {
    const std::size_t at = line.rfind(mark);
    if (at == std::string::npos) return std::nullopt;
    return ParseNumber(line.substr(at + 1));
}

// "Printer page lines=a,b,c,d", split from the right: the numbers after the
// last three commas are b, c and d, the one after the "=" is a.
std::optional<std::array<int, 4>> ParsePrintLines(std::string line) {
    std::array<int, 4> values{};
    for (int i = 3; i >= 1; --i) {
        const std::size_t comma = line.rfind(',');
        const std::size_t equals = line.rfind('=');
        if (comma == std::string::npos || equals == std::string::npos || comma < equals) {
            return std::nullopt;
        }
        const std::optional<int> value = ParseNumber(line.substr(comma + 1));
        if (!value) return std::nullopt;
        values[static_cast<std::size_t>(i)] = *value;
        line.erase(comma);
    }
    // Values beyond four sit between the "=" and the third-last comma; they are ignored.
    std::string afterEquals = line.substr(line.rfind('=') + 1);
    const std::optional<int> first = ParseNumber(afterEquals.substr(0, afterEquals.find(',')));
    if (!first) return std::nullopt;
    values[0] = *first;
    return values;
}

// Next line without its line break, cut to maxChars; the rest of an overlong
// line is dropped rather than read as the following line.
std::optional<std::string> NextLine(std::istream& in, std::size_t maxChars) {
    std::string line;
    if (!std::getline(in, line)) return std::nullopt;
    // Every CR before the line end goes: a folder line ending in one would not
    // read back as written (the file's last line is written without a line end).
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > maxChars) line.resize(maxChars);
    return line;
}

void AddProblem(InitSettings& settings, int lineNumber, const std::string& line) {
    settings.Problems.push_back("Init.ini line " + std::to_string(lineNumber) +
                                " is not readable: \"" + line + "\"");
}

// A known key takes its value (0 or 1; anything else is a problem and keeps
// the default); an unknown key's line is kept for the rewrite, and a line
// without "=" (an empty one included) is dropped.
void ReadKeyLines(std::istream& in, InitSettings& settings) {
    int lineNumber = kFolderLine;
    while (const std::optional<std::string> line = NextLine(in, kFolderLineChars)) {
        ++lineNumber;
        const std::size_t equals = line->find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line->substr(0, equals);
        if (key == kOtherPortKey) {
            // A bare "OtherPort=" means none; it is not kept as another build's line.
            if (equals + 1 < line->size()) settings.OtherPort = line->substr(equals + 1);
            continue;
        }
        if (key == kNetworkPortsKey) {
            std::istringstream names(line->substr(equals + 1));
            for (std::string name; names >> name;) settings.NetworkPorts.push_back(name);
            continue;
        }
        const KeyLine* known = nullptr;
        for (const KeyLine& row : kKeyLines) {
            if (key == row.Key) known = &row;
        }
        if (known == nullptr) {
            settings.OtherLines.push_back(*line);
            continue;
        }
        const std::optional<int> value = ParseNumber(line->substr(equals + 1));
        if (value && (*value == 0 || *value == 1)) {
            settings.*known->Setting = *value == 1;
        } else {
            AddProblem(settings, lineNumber, *line);
        }
    }
}

// Fills the lines in order and stops at the first missing one: that line
// and every later one keep their fallback values.
void ReadLines(std::istream& in, InitSettings& settings) {
    int lineNumber = 0;
    for (int InitSettings::*field : kNumberLines) {
        const std::optional<std::string> line = NextLine(in, kValueLineChars);
        if (!line) return;
        settings.LinesRead = ++lineNumber;
        const std::optional<int> value = NumberAfterLast(*line, '=');
        if (value) {
            settings.*field = *value;
        } else {
            AddProblem(settings, lineNumber, *line);
        }
        if (field == &InitSettings::UserLevel) {
            settings.UserRestricted = !value || (*value != 0 && *value != 2);
        }
    }
    const std::optional<std::string> printLine = NextLine(in, kValueLineChars);
    if (!printLine) return;
    settings.LinesRead = ++lineNumber;
    if (const auto values = ParsePrintLines(*printLine)) {
        settings.PrintLines = *values;
    } else {
        AddProblem(settings, lineNumber, *printLine);
    }
    const std::optional<std::string> folderLine = NextLine(in, kFolderLineChars);
    if (!folderLine) return;
    settings.LinesRead = kFolderLine;
    if (!folderLine->empty()) settings.WorkFolder = *folderLine;
    ReadKeyLines(in, settings);
}

// Room for the longest line written: four numbers of 11 characters each on
// the print-lines line; a shorter buffer cut off its line end.
__attribute__((format(printf, 2, 3))) void AppendFormatted(std::string& out, const char* format,
                                                           ...) {
    char buffer[128];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length > 0) out.append(buffer, std::min<std::size_t>(length, sizeof buffer - 1));
}

// A restricted user whose level line was missing or unreadable has level 0
// in memory; writing that 0 back would lift the restriction at the next
// start, so such a user is written as level 1 (restricted).
int UserLevelToWrite(const DriveState& state) {
    const bool levelGrantsAccess = state.UserLevel == 0 || state.UserLevel == 2;
    return state.UserRestricted && levelGrantsAccess ? 1 : state.UserLevel;
}

void SyncFolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool IsFxGroup(const DriveState& state) {
    return state.AmpFamily == 2;
}

ServiceMenuState ServiceItems(const DriveState& state, bool enabled) {
    ServiceMenuState menu;
    menu.M33DirectRW = enabled;
    if (IsFxGroup(state)) {
        menu.M36Table = enabled;
        menu.M37Maker = enabled;
        menu.M38Compare = enabled;
    }
    return menu;
}

}  // namespace

InitSettings ParseInitIni(const std::string& content) {
    InitSettings settings;
    std::istringstream in(content);
    ReadLines(in, settings);
    return settings;
}

InitSettings ReadInitIni(const std::string& path) {
    InitSettings settings;
    std::ifstream in(path, std::ios::binary);
    if (in) ReadLines(in, settings);
    return settings;
}

void ApplyInitSettings(const InitSettings& settings, const std::string& startFolder,
                       DriveState& state) {
    // A port number outside COM1 ... COM8 falls back to COM1, so that the
    // ticked item is always the port in use.
    state.SelectCom = settings.SelectCom >= 0 && settings.SelectCom <= 7 ? settings.SelectCom : 0;
    state.Language = settings.Language;
    state.FxVersion = settings.FxVersion;
    state.UserLevel = settings.UserLevel;
    state.UserRestricted = settings.UserRestricted;
    state.PrintLines = settings.PrintLines;
    state.StartFolder = startFolder;
    state.WorkFolder = settings.WorkFolder.value_or(startFolder);
    for (const KeyLine& row : kKeyLines) state.*row.Field = settings.*row.Setting;
}

std::string FormatInitIni(const DriveState& state, const std::string& otherPort,
                          const std::vector<std::string>& otherLines,
                          const std::vector<std::string>& networkPorts) {
    std::string out;
    AppendFormatted(out, "SelectCOM=%3d\n", state.SelectCom);
    AppendFormatted(out, "SelectLanguage=%3d\n", state.Language);
    AppendFormatted(out, "Before Amplifier=%3d\n", FamilyChoice(state));
    AppendFormatted(out, "FX_Version=%3d\n", state.FxVersion);
    AppendFormatted(out, "For User=%d\n", UserLevelToWrite(state));
    AppendFormatted(out, "Printer page lines=%d,%d,%d,%d\n", state.PrintLines[0],
                    state.PrintLines[1], state.PrintLines[2], state.PrintLines[3]);
    out += state.WorkFolder;  // "%s"
    out += "\n";
    for (const KeyLine& row : kKeyLines) {
        AppendFormatted(out, "%s=%d\n", row.Key, state.*row.Field ? 1 : 0);
    }
    if (!otherPort.empty()) out += std::string(kOtherPortKey) + "=" + otherPort + "\n";
    if (!networkPorts.empty()) {
        out += kNetworkPortsKey;
        for (std::size_t i = 0; i < networkPorts.size(); ++i)
            out += (i == 0 ? "=" : " ") + networkPorts[i];
        out += "\n";
    }
    for (const std::string& line : otherLines) out += line + "\n";
    return out;
}

bool WriteInitIni(const std::string& path, const DriveState& state, const std::string& otherPort,
                  const std::vector<std::string>& otherLines,
                  const std::vector<std::string>& networkPorts) {
    const std::string temporary = path + ".tmp";
    std::error_code ignored;  // a folder that cannot be made fails the open below
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = WriteSynced(fd, FormatInitIni(state, otherPort, otherLines, networkPorts));
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(path);
    return true;
}

std::string CurrentStartFolder() {
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string InitIniPath(const std::string& startFolder) {
    return startFolder + kInitFileName;
}

int FamilyChoice(const DriveState& state) {
    return state.AmpFamily + (state.QrvFlag ? 1 : 0) + (state.LqrvFlag ? 1 : 0) +
           (state.YzFlag ? 1 : 0);
}

bool ApplyFamilyAnswer(int result, DriveState& state) {
    const AmpMember* member = AmpMemberByDialogResult(result);
    if (member) ApplyAmpMember(*member, state);
    return member != nullptr;
}

std::string TempFileNameFor(int ampFamily) {
    if (ampFamily < 0 || ampFamily >= static_cast<int>(kTempFileNames.size())) return {};
    return kTempFileNames[static_cast<std::size_t>(ampFamily)];
}

ServiceMenuState ApplyUserLevel(DriveState& state) {
    state.FullAccess = !state.UserRestricted;
    if (state.UserLevel != 2) return {};
    state.ServiceMode = true;
    state.FullAccess = true;
    ServiceMenuState menu = ServiceItems(state, true);
    if (IsFxGroup(state)) menu.M73AutoReset = true;
    return menu;
}

ServiceMenuState ToggleServiceMode(DriveState& state) {
    state.ServiceMode = !state.ServiceMode;
    if (state.ServiceMode) {
        state.FullAccess = true;
    } else if (state.UserRestricted) {
        state.FullAccess = false;
    }
    return ServiceItems(state, state.ServiceMode);
}
