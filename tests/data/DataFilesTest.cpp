// Checks the installed data files: catalogues, type files, table rows and the
// background picture, as the program will find them beside itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifdef SERVODESK_HAVE_CATALOGUE_LOADER
#include "link/MessageCatalogue.h"
#endif

namespace {

constexpr int kCatalogueLines = 1000;
constexpr size_t kMaxLineBytes = 253;  // what the catalogue loader keeps of a line
constexpr size_t kUnitCellBytes = 9;   // unit cell of the parameter windows, without terminator
const char* const kPlaceholder = "-";
const char* const kCatalogueNames[] = {"Message.E", "Message.J", "Message.C"};

std::string InstallDir() {
    if (const char* dir = std::getenv("SERVODESK_INSTALL_DIR")) return dir;
    return SERVODESK_INSTALL_DIR_PATH;
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

// Text of a catalogue line: everything after the first blank.
std::string TextOf(const std::string& line) {
    size_t blank = line.find(' ');
    return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

std::map<int, std::string> UsedMessageNumbers() {
    std::map<int, std::string> used;
    std::ifstream in(std::string(SERVODESK_DATA_SOURCE_DIR) + "/MessageNumbers.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        used[std::atoi(line.c_str())] = TextOf(line);
    }
    return used;
}

class CatalogueTest : public ::testing::TestWithParam<const char*> {
protected:
    std::vector<std::string> lines_ = ReadLines(InstallDir() + "/" + GetParam());
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
}

TEST_P(CatalogueTest, EveryUsedNumberHasARealText) {
    ASSERT_EQ(lines_.size(), static_cast<size_t>(kCatalogueLines));
    for (const auto& [number, purpose] : UsedMessageNumbers()) {
        ASSERT_GE(number, 1);
        ASSERT_LE(number, kCatalogueLines);
        std::string text = TextOf(lines_[number - 1]);
        EXPECT_FALSE(text.empty() || text == kPlaceholder) << number << " " << purpose;
    }
}

TEST_P(CatalogueTest, UnitTextsFitTheirCells) {
    ASSERT_EQ(lines_.size(), static_cast<size_t>(kCatalogueLines));
    std::vector<int> units = {91, 92, 93, 94};
    for (int n = 301; n <= 315; ++n) units.push_back(n);
    for (int n : units) EXPECT_LE(TextOf(lines_[n - 1]).size(), kUnitCellBytes) << n;
}

#ifdef SERVODESK_HAVE_CATALOGUE_LOADER
TEST_P(CatalogueTest, ProgramLoaderSeesTheSameTexts) {
    MessageCatalogue catalogue;
    ASSERT_TRUE(catalogue.LoadFile(InstallDir() + "/" + GetParam()));
    EXPECT_EQ(catalogue.Count(), kCatalogueLines);
    for (const auto& [number, purpose] : UsedMessageNumbers()) {
        EXPECT_EQ(catalogue.Msg(number), TextOf(lines_[number - 1])) << number;
    }
    EXPECT_EQ(catalogue.Msg(1), "ServoDesk");
}
#endif

INSTANTIATE_TEST_SUITE_P(AllLanguages, CatalogueTest, ::testing::ValuesIn(kCatalogueNames));

TEST(CatalogueTest, FixedTextsAreThere) {
    auto english = ReadLines(InstallDir() + "/Message.E");
    ASSERT_EQ(english.size(), static_cast<size_t>(kCatalogueLines));
    EXPECT_EQ(TextOf(english[0]), "ServoDesk");
    EXPECT_EQ(TextOf(english[85]), "BX Amplifier");
    EXPECT_EQ(TextOf(english[189]), "YZ Amplifier");
    EXPECT_EQ(TextOf(english[166]), "Communication error");
}

// A small reader following the identification rules for the type files: the
// count after the last "=" of line 1, then entries by line or by code.
int CountOfFirstLine(const std::vector<std::string>& lines) {
    if (lines.empty()) return -1;
    size_t equals = lines[0].rfind('=');
    return equals == std::string::npos ? -1 : std::atoi(lines[0].c_str() + equals + 1);
}

std::string AfterFirstColon(const std::string& line) {
    size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : line.substr(colon + 1);
}

std::string BxAmplifierText(const std::vector<std::string>& lines, int number) {
    if (number < 0 || number > CountOfFirstLine(lines)) return "Amp-Num error";
    if (static_cast<size_t>(number) + 1 >= lines.size()) return "Amp-File error4";
    return AfterFirstColon(lines[number + 1]).substr(0, 5);
}

std::string BxMotorText(const std::vector<std::string>& lines, int number) {
    if (number < 0 || number > CountOfFirstLine(lines)) return "Mot-Num error";
    if (static_cast<size_t>(number) + 1 >= lines.size()) return "Mot-File error4";
    return AfterFirstColon(lines[number + 1]);
}

std::string FxMotorText(const std::vector<std::string>& lines, int code) {
    for (size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].find(':') != std::string::npos && std::atoi(lines[i].c_str()) == code) {
            return AfterFirstColon(lines[i]);
        }
    }
    return "Unknow motor type";
}

class TypeFilesTest : public ::testing::Test {
protected:
    std::vector<std::string> amplifiers_ = ReadLines(InstallDir() + "/BXAmp.typ");
    std::vector<std::string> motors_ = ReadLines(InstallDir() + "/Motor.typ");
    std::vector<std::string> fxMotors_ = ReadLines(InstallDir() + "/FX_Motor.tpy");
};

TEST_F(TypeFilesTest, LinesFitTheReader) {
    for (const auto* file : {&amplifiers_, &motors_, &fxMotors_}) {
        ASSERT_FALSE(file->empty());
        for (const auto& line : *file) EXPECT_LE(line.size(), 79u) << line;
    }
}

TEST_F(TypeFilesTest, SimulatedBxTypeCodeResolves) {
    const int typeCode = 12034;
    EXPECT_EQ(BxAmplifierText(amplifiers_, typeCode / 1000), "BX12-");
    std::string motor = BxMotorText(motors_, typeCode % 1000);
    EXPECT_FALSE(motor.empty());
    EXPECT_LE(motor.size(), 9u);
}

TEST_F(TypeFilesTest, EveryBxNumberResolves) {
    EXPECT_GE(CountOfFirstLine(amplifiers_), 20);
    for (int number = 0; number <= 20; ++number) {
        std::string text = BxAmplifierText(amplifiers_, number);
        EXPECT_EQ(text.size(), 5u) << number;
        EXPECT_EQ(text.find("error"), std::string::npos) << number;
    }
    EXPECT_GE(CountOfFirstLine(motors_), 40);
    for (int number = 0; number <= 40; ++number) {
        std::string text = BxMotorText(motors_, number);
        EXPECT_FALSE(text.empty()) << number;
        EXPECT_LE(text.size(), 9u) << number;
        EXPECT_EQ(text.find("error"), std::string::npos) << number;
    }
}

TEST_F(TypeFilesTest, EveryFxMotorCodeResolvesAndAnUnknownOneDoesNot) {
    EXPECT_GT(CountOfFirstLine(fxMotors_), 0);
    for (int code = 0; code <= 40; ++code) {
        std::string text = FxMotorText(fxMotors_, code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_NE(text, "Unknow motor type") << code;
    }
    EXPECT_EQ(FxMotorText(fxMotors_, 999), "Unknow motor type");
}

// One row of "limit.ini", parsed from the right at each last ",".
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

// Amplifier index of each table row: indexes 22-25 and 114-117 take four rows.
std::vector<int> IndexOfRows() {
    std::vector<int> indexes;
    for (int index = 12; index <= 127; ++index) {
        bool packed = (index >= 22 && index <= 25) || (index >= 114 && index <= 117);
        for (int k = 0; k < (packed ? 4 : 1); ++k) indexes.push_back(index);
    }
    return indexes;
}

TEST(LimitTableTest, HasOneValidRowPerTableCell) {
    auto lines = ReadLines(InstallDir() + "/limit.ini");
    ASSERT_EQ(lines.size(), 141u);
    auto english = ReadLines(InstallDir() + "/Message.E");
    ASSERT_EQ(english.size(), static_cast<size_t>(kCatalogueLines));
    for (size_t r = 1; r < lines.size(); ++r) {
        SCOPED_TRACE(lines[r]);
        EXPECT_LE(lines[r].size(), kMaxLineBytes);
        TableRow row = ParseRow(lines[r]);
        EXPECT_NE(row.name, "Msg Read error");
        EXPECT_FALSE(row.name.empty());
        EXPECT_LE(row.name.size(), 44u);  // the printed table cuts names there
        EXPECT_LE(row.minimum, row.maximum);
        ASSERT_GE(row.unitMessage, 301);
        ASSERT_LE(row.unitMessage, 315);
        std::string unit = TextOf(english[row.unitMessage - 1]);
        EXPECT_FALSE(unit.empty() || unit == kPlaceholder);
    }
}

TEST(LimitTableTest, BackupRowsMirrorTheirParameters) {
    // Indexes 94-127 keep the backup of parameter numbers 33 down to 0, which
    // live at indexes 45 down to 12; both rows must allow the same values.
    auto lines = ReadLines(InstallDir() + "/limit.ini");
    ASSERT_EQ(lines.size(), 141u);
    std::vector<int> indexes = IndexOfRows();
    ASSERT_EQ(indexes.size(), 140u);
    std::multimap<int, TableRow> rowsOfIndex;
    for (size_t r = 0; r < indexes.size(); ++r) {
        rowsOfIndex.emplace(indexes[r], ParseRow(lines[r + 1]));
    }
    std::set<int> protectedIndexes = {48, 49, 50, 51};
    for (int backup = 94; backup <= 127; ++backup) {
        auto copies = rowsOfIndex.equal_range(backup);
        auto originals = rowsOfIndex.equal_range(139 - backup);
        for (auto copy = copies.first, original = originals.first;
             copy != copies.second && original != originals.second; ++copy, ++original) {
            EXPECT_EQ(copy->second.minimum, original->second.minimum) << backup;
            EXPECT_EQ(copy->second.maximum, original->second.maximum) << backup;
            EXPECT_EQ(copy->second.unitMessage, original->second.unitMessage) << backup;
        }
        EXPECT_EQ(std::distance(copies.first, copies.second),
                  std::distance(originals.first, originals.second));
    }
    for (int index : protectedIndexes) {
        EXPECT_FALSE(rowsOfIndex.find(index)->second.enabled) << index;
    }
}

TEST(BackgroundPictureTest, IsAnUncompressed24BitBitmap) {
    std::string picture = ReadWhole(InstallDir() + "/Main.Bmp");
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
