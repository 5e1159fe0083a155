// Checks the installed data files as the program will find them beside itself,
// read with the program's own readers: catalogues, type files, table rows and
// the background picture, and the texts every parameter entry shows.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "link/AddressMap.h"
#include "link/DriveState.h"
#include "link/MessageCatalogue.h"
#include "link/StatusTexts.h"
#include "link/TypeFiles.h"
#include "params/ParamRules.h"

namespace {

constexpr int kCatalogueLines = 1400;
constexpr size_t kMaxLineBytes = MessageCatalogue::MaxLineContent;
constexpr size_t kUnitCellBytes = 9;  // unit cell of the parameter windows
constexpr int kJapanese = 0;
constexpr int kEnglish = 1;
constexpr int kChinese = 2;
constexpr std::array<int, 3> kLanguages{kJapanese, kEnglish, kChinese};
const char* const kPlaceholder = "-";

std::string InstallDir() {
    if (const char* dir = std::getenv("SERVODESK_INSTALL_DIR")) return dir;
    return SERVODESK_INSTALL_DIR_PATH;
}

std::string InstallFolder() {
    return InstallDir() + "/";
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Lines of a file split at LF; a final LF does not start another line.
std::vector<std::string> ReadLines(const std::string& path) {
    std::string whole = ReadWhole(path);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < whole.size()) {
        size_t end = whole.find('\n', start);
        if (end == std::string::npos) end = whole.size();
        lines.push_back(whole.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        auto byte = static_cast<uint8_t>(text[i]);
        int follow = byte < 0x80           ? 0
                     : (byte >> 5) == 0x6  ? 1
                     : (byte >> 4) == 0xE  ? 2
                     : (byte >> 3) == 0x1E ? 3
                                           : -1;
        if (follow < 0) return false;
        for (int k = 1; k <= follow; ++k) {
            if (i + k >= text.size() || (static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += follow + 1;
    }
    return true;
}

bool IsRealText(const std::string& text) {
    return !text.empty() && text != kPlaceholder;
}

// The three catalogues, each loaded once by the program's loader.
const MessageCatalogue& Catalogue(int language) {
    static const std::array<MessageCatalogue, 3> catalogues = [] {
        std::array<MessageCatalogue, 3> loaded;
        for (int language : kLanguages) loaded[language].Load(InstallFolder(), language);
        return loaded;
    }();
    return catalogues[static_cast<size_t>(language)];
}

std::string Msg(int language, int n) {
    return Catalogue(language).Msg(n);
}

// Numbers the program uses, with their purpose, from MessageNumbers.txt.
std::map<int, std::string> UsedMessageNumbers() {
    std::map<int, std::string> used;
    std::ifstream in(std::string(SERVODESK_DATA_SOURCE_DIR) + "/MessageNumbers.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        size_t blank = line.find(' ');
        used[std::atoi(line.c_str())] = blank == std::string::npos ? "" : line.substr(blank + 1);
    }
    return used;
}

class CatalogueTest : public ::testing::TestWithParam<int> {
protected:
    std::vector<std::string> lines_ =
        ReadLines(InstallFolder() + MessageCatalogue::FileName(GetParam()));
    const MessageCatalogue& catalogue_ = Catalogue(GetParam());
};

TEST_P(CatalogueTest, HasAThousandNumberedUtf8LinesThatFitTheLoader) {
    ASSERT_EQ(lines_.size(), static_cast<size_t>(kCatalogueLines));
    for (int n = 1; n <= kCatalogueLines; ++n) {
        const std::string& line = lines_[n - 1];
        SCOPED_TRACE("line " + std::to_string(n));
        EXPECT_EQ(line.rfind(std::to_string(n) + " ", 0), 0u);
        EXPECT_EQ(line.find('\r'), std::string::npos);
        EXPECT_LE(line.size(), kMaxLineBytes);
        EXPECT_TRUE(IsValidUtf8(line));
    }
    // A longer line would have been split and shifted every later number.
    EXPECT_EQ(catalogue_.Count(), kCatalogueLines);
}

TEST_P(CatalogueTest, EveryUsedNumberHasARealText) {
    auto used = UsedMessageNumbers();
    ASSERT_GT(used.size(), 300u);
    for (const auto& [number, purpose] : used) {
        ASSERT_GE(number, 1);
        ASSERT_LE(number, kCatalogueLines);
        EXPECT_TRUE(IsRealText(catalogue_.Msg(number))) << number << " " << purpose;
    }
}

TEST_P(CatalogueTest, UnitTextsFitTheirCells) {
    std::vector<int> units = {91, 92, 93, 94};
    for (int n = 301; n <= 315; ++n) units.push_back(n);
    for (int n : units) EXPECT_LE(catalogue_.Msg(n).size(), kUnitCellBytes) << n;
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, CatalogueTest, ::testing::ValuesIn(kLanguages));

// Each catalogue number the program shows has one name, in one header; a
// product source that named a number of its own could drift from it.
TEST(CatalogueTest, EveryNamedNumberHasOneNameInOnePlace) {
    const std::string root = SERVODESK_SOURCE_DIR;
    const std::regex named(R"(constexpr\s+int\s+(Msg\w*)\s*=\s*(\d+))");
    std::map<int, std::string> names;
    const auto used = UsedMessageNumbers();
    for (const std::string& line : ReadLines(root + "/link/CatalogueTexts.h")) {
        std::smatch m;
        if (!std::regex_search(line, m, named)) continue;
        const int number = std::stoi(m[2]);
        EXPECT_TRUE(names.emplace(number, m[1]).second) << m[1] << " names " << number << " again";
        EXPECT_EQ(used.count(number), 1u) << m[1] << " is not listed in MessageNumbers.txt";
    }
    ASSERT_GT(names.size(), 150u);
    for (const char* folder :
         {"desk", "link", "files", "monitor", "operation", "params", "shell", "widgets", "ctl"}) {
        for (const auto& file :
             std::filesystem::recursive_directory_iterator(root + "/" + folder)) {
            if (file.path().filename() == "CatalogueTexts.h") continue;
            for (const std::string& line : ReadLines(file.path().string())) {
                EXPECT_FALSE(std::regex_search(line, named)) << file.path() << ": " << line;
            }
        }
    }
}

TEST(CatalogueTest, FixedTextsAreThere) {
    EXPECT_EQ(Msg(kEnglish, 1), "ServoDesk");
    EXPECT_EQ(Msg(kEnglish, 86), "BX Amplifier");
    EXPECT_EQ(Msg(kEnglish, 190), "YZ Amplifier");
    EXPECT_EQ(Msg(kEnglish, 167), "Communication error");
}

// ---- Parameter entries: names, units and tips against limits ----

// Every family, and every FX version with and without the QRV flag.
struct Variant {
    int family;
    int fxVersion;
    bool qrv;
};
constexpr Variant kVariants[] = {
    {Family::Bx, 25, false}, {Family::Dx, 25, false}, {Family::Fx, 25, false},
    {Family::Fx, 27, false}, {Family::Fx, 28, false}, {Family::Fx, 30, false},
    {Family::Fx, 31, false}, {Family::Fx, 33, false}, {Family::Fx, 33, true},
};
constexpr ParamGroup kGroups[] = {ParamGroup::System, ParamGroup::Speed, ParamGroup::Torque,
                                  ParamGroup::Position};
const char* const kGroupNames[] = {"system", "speed", "torque", "position"};

struct GroupEntry {
    ParamGroup group;
    int index;
    DriveState state;
    Limits limits;
    std::string label;
    bool enabled;
};

DriveState StateOf(const Variant& variant) {
    DriveState state;
    state.AmpFamily = variant.family;
    state.FxVersion = variant.fxVersion;
    state.QrvFlag = variant.qrv;
    return state;
}

// Every entry of the family's tables; an entry the amplifier lacks may still
// get a range call, whose tips the window shows for its empty row.
std::vector<GroupEntry> EntriesOf(const Variant& variant) {
    std::vector<GroupEntry> entries;
    const DriveState state = StateOf(variant);
    AddressMap map;
    LoadAddressMap(map, variant.family, variant.fxVersion, variant.qrv);
    for (ParamGroup group : kGroups) {
        for (int i = 0; i < EntryCount(group); ++i) {
            char label[96];
            std::snprintf(label, sizeof label, "family %d version %d%s, %s entry %d",
                          variant.family, variant.fxVersion, variant.qrv ? " QRV" : "",
                          kGroupNames[static_cast<int>(group)], i);
            entries.push_back({group, i, state, EntryLimits(group, i, state), label,
                               EntryEnabled(map, group, i)});
        }
    }
    return entries;
}

std::vector<GroupEntry> EnabledEntriesOf(const Variant& variant) {
    std::vector<GroupEntry> entries;
    for (const auto& entry : EntriesOf(variant)) {
        if (entry.enabled) entries.push_back(entry);
    }
    return entries;
}

std::vector<GroupEntry> AllEnabledEntries() {
    std::vector<GroupEntry> entries;
    for (const Variant& variant : kVariants) {
        auto more = EnabledEntriesOf(variant);
        entries.insert(entries.end(), more.begin(), more.end());
    }
    return entries;
}

std::vector<std::string> TipLines(const GroupEntry& entry, int language) {
    std::vector<std::string> lines;
    for (int n = entry.limits.TipFirst; n <= entry.limits.TipLast; ++n) {
        lines.push_back(Msg(language, n));
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& line : lines) all += line + "\n";
    return all;
}

// A limit as the range cell prints it (no decimals, or 1 or 3).
std::string LimitText(const Limits& limits, double value) {
    int decimals = std::strstr(limits.RangeFormat, "%.3f")   ? 3
                   : std::strstr(limits.RangeFormat, "%.1f") ? 1
                                                             : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

TEST(ParameterTextsTest, EveryEnabledEntryHasLimitsANameAUnitAndTips) {
    auto entries = AllEnabledEntries();
    ASSERT_GT(entries.size(), 100u);
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.label);
        ASSERT_TRUE(entry.limits.Set);
        EXPECT_GE(entry.limits.TipFirst, 401);
        EXPECT_LE(entry.limits.TipLast, kCatalogueLines);
        EXPECT_LE(entry.limits.TipFirst, entry.limits.TipLast);
        for (int language : kLanguages) {
            EXPECT_TRUE(IsRealText(Msg(language, NameMsg(entry.group, entry.index))));
            EXPECT_TRUE(IsRealText(Msg(language, UnitMsg(entry.group, entry.index, entry.state))));
            for (const auto& line : TipLines(entry, language)) {
                EXPECT_TRUE(IsRealText(line)) << "language " << language;
            }
        }
    }
}

TEST(ParameterTextsTest, EveryRangeCallOfAnAbsentEntryHasTips) {
    int absentWithTips = 0;
    for (const Variant& variant : kVariants) {
        for (const auto& entry : EntriesOf(variant)) {
            if (entry.enabled || !entry.limits.Set) continue;
            SCOPED_TRACE(entry.label);
            ++absentWithTips;
            for (int language : kLanguages) {
                for (const auto& line : TipLines(entry, language)) {
                    EXPECT_TRUE(IsRealText(line)) << "language " << language;
                }
            }
        }
    }
    EXPECT_GT(absentWithTips, 0);
}

// The numbers the parameter windows take from their tables are among the
// numbers every catalogue is checked for.
TEST(ParameterTextsTest, WindowMessageNumbersAreListedAsUsed) {
    auto used = UsedMessageNumbers();
    for (ParamGroup group : kGroups) {
        const GroupDescriptor& descriptor = Group(group);
        std::vector<int> numbers(descriptor.ColumnTitleMsgs.begin(),
                                 descriptor.ColumnTitleMsgs.end());
        numbers.insert(numbers.end(), descriptor.HelpMsgs.begin(), descriptor.HelpMsgs.end());
        for (const ParamEntry& entry : descriptor.Entries) {
            numbers.push_back(entry.NameMsg);
            numbers.push_back(entry.UnitMsg);
            if (entry.FxUnitMsg != 0) numbers.push_back(entry.FxUnitMsg);
        }
        for (int number : numbers) {
            EXPECT_EQ(used.count(number), 1u)
                << kGroupNames[static_cast<int>(group)] << " " << number;
        }
    }
}

// The tips explain the entry under its own name: one line begins with it.
TEST(ParameterTextsTest, TipsBeginWithTheEntryName) {
    for (const auto& entry : AllEnabledEntries()) {
        SCOPED_TRACE(entry.label);
        for (int language : kLanguages) {
            const std::string name = Msg(language, NameMsg(entry.group, entry.index));
            bool found = false;
            for (const auto& line : TipLines(entry, language)) {
                found = found || line.rfind(name + ":", 0) == 0 || line.rfind(name + "：", 0) == 0;
            }
            EXPECT_TRUE(found) << "language " << language << ": " << name;
        }
    }
}

// The range the editor enforces is the one the tips state, in every language,
// and the tips name the unit the range cell shows.
TEST(ParameterTextsTest, TipsStateTheEditorRangeAndUnit) {
    for (const auto& entry : AllEnabledEntries()) {
        SCOPED_TRACE(entry.label);
        const std::string min = LimitText(entry.limits, entry.limits.Min);
        const std::string max = LimitText(entry.limits, entry.limits.Max);
        const int unitMsg = UnitMsg(entry.group, entry.index, entry.state);
        for (int language : kLanguages) {
            const std::string tips = Joined(TipLines(entry, language));
            const std::string range = min + (language == kEnglish ? " to " : "～") + max;
            EXPECT_NE(tips.find(range), std::string::npos)
                << "language " << language << ": " << range << "\n"
                << tips;
            if (unitMsg == 306 || unitMsg == 315) continue;  // no unit
            const std::string unit = Msg(language, unitMsg);
            EXPECT_NE(tips.find(unit), std::string::npos)
                << "language " << language << ": " << unit << "\n"
                << tips;
        }
    }
}

// An entry that takes a few codes (0 ... 5 at most, no unit) explains each one.
TEST(ParameterTextsTest, TipsExplainEveryCodeOfACodedEntry) {
    for (const auto& entry : AllEnabledEntries()) {
        const Limits& limits = entry.limits;
        if (UnitMsg(entry.group, entry.index, entry.state) != 306) continue;
        if (limits.Min != 0 || limits.Max > 5) continue;
        SCOPED_TRACE(entry.label);
        for (int language : kLanguages) {
            const std::string tips = Joined(TipLines(entry, language));
            for (int code = 0; code <= static_cast<int>(limits.Max); ++code) {
                const std::string meaning =
                    std::to_string(code) + (language == kEnglish ? " = " : "=");
                EXPECT_NE(tips.find(meaning), std::string::npos)
                    << "language " << language << ": code " << code << "\n"
                    << tips;
            }
        }
    }
}

// Each code of the control-mode entry names the mode the status panel then
// shows ("Torque control" is code "k = torque").
std::string ModeWord(std::string text, int language) {
    for (const char* suffix : {" control", "制御", "切替", "控制", "切换"}) {
        const size_t length = std::strlen(suffix);
        if (text.size() > length && text.compare(text.size() - length, length, suffix) == 0) {
            text.erase(text.size() - length);
        }
    }
    if (language == kEnglish) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

TEST(ParameterTextsTest, ControlModeCodesNameTheModeTextsTheStatusShows) {
    constexpr int controlModeEntry = 0;
    for (const Variant& variant : {kVariants[0], kVariants[1], kVariants[2]}) {
        const DriveState state = StateOf(variant);
        const Limits limits = EntryLimits(ParamGroup::System, controlModeEntry, state);
        GroupEntry entry{ParamGroup::System, controlModeEntry, state, limits, "", true};
        for (int language : kLanguages) {
            const std::string tips = Joined(TipLines(entry, language));
            for (int mode = 0; mode <= static_cast<int>(limits.Max); ++mode) {
                const int message = StatusTexts::ModeMessage(variant.family, mode);
                ASSERT_NE(message, 0) << "family " << variant.family << " mode " << mode;
                const std::string meaning = std::to_string(mode) +
                                            (language == kEnglish ? " = " : "=") +
                                            ModeWord(Msg(language, message), language);
                EXPECT_NE(tips.find(meaning), std::string::npos)
                    << "family " << variant.family << " language " << language << ": " << meaning
                    << "\n"
                    << tips;
            }
        }
    }
}

// The status and mode texts the status poll can choose are listed as used.
TEST(StatusTextsTest, EveryStatusAndModeMessageIsListedAsUsed) {
    auto used = UsedMessageNumbers();
    for (int family : {Family::Bx, Family::Dx, Family::Fx}) {
        for (int code = 0; code <= 19; ++code) {
            EXPECT_EQ(used.count(StatusTexts::StatusMessage(family, code)), 1u)
                << "family " << family << " code " << code;
        }
        for (int mode = 0; mode <= 5; ++mode) {
            const int message = StatusTexts::ModeMessage(family, mode);
            if (message != 0) {
                EXPECT_EQ(used.count(message), 1u) << family << " " << mode;
            }
        }
    }
}

// ---- Type files, read by the identification's readers ----

class TypeFilesTest : public ::testing::Test {
protected:
    const std::string folder_ = InstallFolder();
};

TEST_F(TypeFilesTest, LinesFitTheReader) {
    for (const char* name : {"BXAmp.typ", "Motor.typ", "FX_Motor.tpy"}) {
        auto lines = ReadLines(folder_ + name);
        ASSERT_FALSE(lines.empty()) << name;
        for (const auto& line : lines) EXPECT_LE(line.size(), 79u) << line;
    }
}

TEST_F(TypeFilesTest, TypeCodesOfTheSimulatedAmplifiersResolve) {
    // BX EEPROM word 0x2034 read as decimal 2034: amplifier 2, motor 34.
    const int simulatedBxCode = 2034;
    TypeText amplifier = BxAmplifierText(folder_, simulatedBxCode / 1000);
    EXPECT_TRUE(amplifier.Found);
    EXPECT_EQ(amplifier.Text, "BX02-");
    TypeText motor = BxMotorText(folder_, simulatedBxCode % 1000);
    EXPECT_TRUE(motor.Found);
    EXPECT_EQ(motor.Text, "SM-08C20B");
    EXPECT_EQ(BxAmplifierText(folder_, 12034 / 1000).Text, "BX12-");
    EXPECT_EQ(FxMotorText(folder_, 21, "XXXXXXXXX"), "FM-01C20S");
}

TEST_F(TypeFilesTest, EveryBxNumberResolves) {
    for (int number = 0; number <= 20; ++number) {
        TypeText text = BxAmplifierText(folder_, number);
        EXPECT_TRUE(text.Found) << number << " " << text.Text;
        EXPECT_EQ(text.Text.size(), 5u) << number;
    }
    EXPECT_EQ(BxAmplifierText(folder_, 21).Text, "Amp-Num error");
    for (int number = 0; number <= 40; ++number) {
        TypeText text = BxMotorText(folder_, number);
        EXPECT_TRUE(text.Found) << number << " " << text.Text;
        EXPECT_FALSE(text.Text.empty()) << number;
        EXPECT_LE(text.Text.size(), 9u) << number;  // the motor half of the model text
    }
}

TEST_F(TypeFilesTest, EveryFxMotorCodeResolvesAndAnUnknownOneDoesNot) {
    for (int code = 0; code <= 40; ++code) {
        std::string text = FxMotorText(folder_, code, "XXXXXXXXX");
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find("error"), std::string::npos) << code;
        EXPECT_NE(text, "Unknow motor type") << code;
        EXPECT_NE(text, "XXXXXXXXX") << code;
    }
    EXPECT_EQ(FxMotorText(folder_, 999, "XXXXXXXXX"), "Unknow motor type");
}

// ---- "limit.ini", the rows of the FX parameter table ----

// One row, parsed from the right at each last ",".
struct TableRow {
    std::string name;
    int minimum = 0;
    int maximum = 0;
    int unitMessage = 315;
    bool enabled = false;
};

std::string CutLastField(std::string& rest, char separator, bool& found) {
    size_t at = rest.rfind(separator);
    found = at != std::string::npos;
    if (!found) return std::string();
    std::string field = rest.substr(at + 1);
    rest.erase(at);
    return field;
}

TableRow ParseRow(std::string rest) {
    TableRow row;
    bool found = false;
    row.enabled = CutLastField(rest, ',', found) == "1" && found;
    std::string unit = CutLastField(rest, ',', found);
    if (found) row.unitMessage = std::atoi(unit.c_str());
    std::string maximum = CutLastField(rest, ',', found);
    if (found) row.maximum = std::atoi(maximum.c_str());
    std::string minimum = CutLastField(rest, ',', found);
    if (found) row.minimum = std::atoi(minimum.c_str());
    size_t equals = rest.rfind('=');
    row.name = equals == std::string::npos ? "Msg Read error" : rest.substr(0, equals);
    return row;
}

bool IsPackedIndex(int index) {
    return (index >= 22 && index <= 25) || (index >= 114 && index <= 117);
}

// Rows of each amplifier index, in order: a packed index has four rows, one per
// 4-bit field, lowest first.
std::multimap<int, TableRow> RowsOfIndex(const std::vector<std::string>& lines) {
    std::multimap<int, TableRow> rows;
    size_t line = 1;
    for (int index = 12; index <= 127; ++index) {
        for (int k = 0; k < (IsPackedIndex(index) ? 4 : 1) && line < lines.size(); ++k) {
            rows.emplace(index, ParseRow(lines[line++]));
        }
    }
    return rows;
}

class LimitTableTest : public ::testing::Test {
protected:
    std::vector<std::string> lines_ = ReadLines(InstallFolder() + "limit.ini");
};

TEST_F(LimitTableTest, HasOneValidRowPerTableCell) {
    ASSERT_EQ(lines_.size(), 141u);
    for (size_t r = 1; r < lines_.size(); ++r) {
        SCOPED_TRACE(lines_[r]);
        EXPECT_LE(lines_[r].size(), 253u);  // the reader's limit
        TableRow row = ParseRow(lines_[r]);
        EXPECT_NE(row.name, "Msg Read error");
        EXPECT_FALSE(row.name.empty());
        EXPECT_LE(row.name.size(), 44u);  // the printed table cuts names there
        EXPECT_LE(row.minimum, row.maximum);
        ASSERT_GE(row.unitMessage, 301);
        ASSERT_LE(row.unitMessage, 315);
        for (int language : kLanguages) EXPECT_TRUE(IsRealText(Msg(language, row.unitMessage)));
    }
    EXPECT_EQ(RowsOfIndex(lines_).size(), 140u);
}

TEST_F(LimitTableTest, BackupRowsMirrorTheirParameters) {
    // Indexes 94-127 keep the backup of parameter numbers 33 down to 0, which
    // live at indexes 45 down to 12; both rows must allow the same values.
    ASSERT_EQ(lines_.size(), 141u);
    auto rowsOfIndex = RowsOfIndex(lines_);
    for (int backup = 94; backup <= 127; ++backup) {
        auto copies = rowsOfIndex.equal_range(backup);
        auto originals = rowsOfIndex.equal_range(139 - backup);
        EXPECT_EQ(std::distance(copies.first, copies.second),
                  std::distance(originals.first, originals.second));
        for (auto copy = copies.first, original = originals.first;
             copy != copies.second && original != originals.second; ++copy, ++original) {
            EXPECT_EQ(copy->second.name, "BAK " + original->second.name) << backup;
            EXPECT_EQ(copy->second.minimum, original->second.minimum) << backup;
            EXPECT_EQ(copy->second.maximum, original->second.maximum) << backup;
            EXPECT_EQ(copy->second.unitMessage, original->second.unitMessage) << backup;
            EXPECT_EQ(copy->second.enabled, original->second.enabled) << backup;
        }
    }
    for (int index : {48, 49, 50, 51}) {
        EXPECT_FALSE(rowsOfIndex.find(index)->second.enabled) << index;
    }
}

// A row at the index of an FX entry (on the newest QRV amplifier, which has
// them all) has that entry's range and unit; its name is the entry's name, or
// that of another entry on the same word.
TEST_F(LimitTableTest, RowsOfFxEntriesAgreeWithTheEntries) {
    ASSERT_EQ(lines_.size(), 141u);
    const Variant newestFx{Family::Fx, 33, true};
    AddressMap map;
    LoadAddressMap(map, newestFx.family, newestFx.fxVersion, newestFx.qrv);
    auto rowsOfIndex = RowsOfIndex(lines_);
    std::map<std::pair<int, int>, std::set<std::string>> entryNamesOfRow;
    std::map<std::pair<int, int>, TableRow> rowOf;
    int checked = 0;
    for (const auto& entry : EnabledEntriesOf(newestFx)) {
        SCOPED_TRACE(entry.label);
        const int index = static_cast<int>(
            std::strtol(EntryAddress(map, entry.group, entry.index).c_str(), nullptr, 16));
        if (index < 12 || index > 127) continue;
        const Conversion& conv = Group(entry.group).Entries[entry.index].Family[Family::Fx].Conv;
        int field = 0;
        if (IsPackedIndex(index)) {
            ASSERT_EQ(conv.Kind, ConvKind::Field);
            field = conv.Shift / 4;
        }
        auto rows = rowsOfIndex.equal_range(index);
        ASSERT_GT(std::distance(rows.first, rows.second), field);
        const TableRow& row = std::next(rows.first, field)->second;
        EXPECT_TRUE(row.enabled) << row.name;
        EXPECT_EQ(row.minimum, entry.limits.Min) << row.name;
        EXPECT_EQ(row.maximum, entry.limits.Max) << row.name;
        EXPECT_EQ(row.unitMessage, UnitMsg(entry.group, entry.index, entry.state)) << row.name;
        entryNamesOfRow[{index, field}].insert(Msg(kEnglish, NameMsg(entry.group, entry.index)));
        rowOf[{index, field}] = row;
        ++checked;
    }
    EXPECT_GT(checked, 40);
    for (const auto& [cell, names] : entryNamesOfRow) {
        EXPECT_EQ(names.count(rowOf[cell].name), 1u)
            << "index " << cell.first << " field " << cell.second << ": " << rowOf[cell].name;
    }
}

// ---- Background picture ----

TEST(BackgroundPictureTest, IsAnUncompressed24BitBitmap) {
    std::string picture = ReadWhole(InstallFolder() + "Main.Bmp");
    ASSERT_GE(picture.size(), 54u);
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<uint8_t>(picture[at + k]);
        return v;
    };
    auto u16 = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(picture[at]) |
                                     static_cast<uint8_t>(picture[at + 1]) << 8);
    };
    EXPECT_EQ(picture.substr(0, 2), "BM");
    EXPECT_EQ(u32(2), picture.size());
    uint32_t width = u32(18), height = u32(22);
    EXPECT_GE(width, 800u);
    EXPECT_GE(height, 472u);
    EXPECT_EQ(u16(28), 24u);
    EXPECT_EQ(u32(30), 0u);
    EXPECT_EQ(u32(10) + ((width * 3 + 3) & ~3u) * height, picture.size());
}

}  // namespace
