#include "files/ParamTable.h"

#include <charconv>
#include <cstdio>

#include "files/ParamFile.h"
#include "link/CatalogueTexts.h"

using namespace CatalogueTexts;

namespace {

constexpr int FieldBits = 4;
constexpr int FieldMask = 0xF;
constexpr int FieldsPerWord = 4;
constexpr int LastRisingEntry = 81;  // numbers count down from the next entry
constexpr int LastEntry = TableLastIndex - TableFirstIndex;
constexpr std::size_t MaxLimitRows = TableCells;
constexpr const char* UnreadName = "Msg Read error";
constexpr int WordMax = 32767;

struct PackedRange {
    int First;
    int Last;
};
constexpr PackedRange PackedRanges[] = {{0x16, 0x19}, {0x72, 0x75}};

// The place of every cell, built once.
struct CellMap {
    std::array<CellPlace, TableCells> Places{};
    std::array<int, TableLastIndex + 1> First{};
    CellMap() {
        int cell = 0;
        for (int index = TableFirstIndex; index <= TableLastIndex; ++index) {
            First[static_cast<std::size_t>(index)] = cell;
            const int fields = IsPackedIndex(index) ? FieldsPerWord : 1;
            for (int f = 0; f < fields; ++f) {
                Places[static_cast<std::size_t>(cell++)] = {index, fields == 1 ? -1 : f};
            }
        }
    }
};
const CellMap& Map() {
    static const CellMap map;
    return map;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

bool ParseInt(std::string_view text, int& value) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && failure == std::errc() && end == text.data() + text.size();
}

// Cuts the field after the last "," off line; nothing when there is none.
std::optional<std::string_view> CutLastField(std::string_view& line) {
    const std::size_t comma = line.rfind(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const std::string_view field = line.substr(comma + 1);
    line = line.substr(0, comma);
    return field;
}

// A numeric field when present; false when present but not a number.
bool NumberField(std::string_view& line, int& value) {
    const std::optional<std::string_view> field = CutLastField(line);
    return !field || ParseInt(*field, value);
}

int HeaderFamilyOf(const std::string& line) {
    const std::string_view text = Trim(line);
    for (const FileKind& kind : FileKinds()) {
        if (text == kind.Header) return kind.AmpFamily;
    }
    return -1;
}

// Pads with blanks or cuts to exactly width grid columns.
std::string Fit(const std::string& text, int width) {
    std::string fitted;
    int used = 0;
    for (const GridChar& c : GridLayout(text)) {
        const int columns = c.Text.size() > 1 ? 2 : 1;
        if (used + columns > width) break;
        fitted += c.Text;
        used += columns;
    }
    return fitted + std::string(static_cast<std::size_t>(width - used), ' ');
}

std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    return 2;
}

}  // namespace

bool IsPackedIndex(int index) {
    for (const PackedRange& range : PackedRanges) {
        if (index >= range.First && index <= range.Last) return true;
    }
    return false;
}

CellPlace CellPlaceOf(int cell) {
    return Map().Places[static_cast<std::size_t>(cell)];
}

int FirstCellOf(int index) {
    return Map().First[static_cast<std::size_t>(index)];
}

std::string ParamNumberText(int cell) {
    const CellPlace place = CellPlaceOf(cell);
    const int entry = place.Index - TableFirstIndex;
    const bool rising = entry <= LastRisingEntry;
    const int number = rising ? entry : LastEntry - entry;
    char text[32];
    if (place.Field < 0) {
        std::snprintf(text, sizeof text, "Pn%02d", number);
    } else {
        std::snprintf(text, sizeof text, "Pn%02d-%d", number,
                      rising ? place.Field + 1 : FieldsPerWord - place.Field);
    }
    return text;
}

LimitRow ParseLimitRow(std::string_view line) {
    LimitRow row;
    const std::optional<std::string_view> flag = CutLastField(line);
    row.Enabled = flag && Trim(*flag) == "1";
    const bool numbers = NumberField(line, row.UnitMessage) && NumberField(line, row.Maximum) &&
                         NumberField(line, row.Minimum);
    if (!numbers || row.Minimum > row.Maximum) {
        // Garbage limits would let any value through: the row is shown
        // disabled, without a range.
        row = LimitRow{};
        row.LimitsRead = false;
        row.UnitMessage = MsgNoUnit;
        const std::size_t comma = line.find(',');
        line = line.substr(0, comma);
    }
    const std::size_t equals = line.rfind('=');
    row.Name = equals == std::string_view::npos ? UnreadName : std::string(line.substr(0, equals));
    return row;
}

std::vector<LimitRow> ParseLimitFile(const std::vector<std::string>& lines) {
    std::vector<LimitRow> rows;
    for (std::size_t i = 1; i < lines.size() && rows.size() < MaxLimitRows; ++i) {
        rows.push_back(ParseLimitRow(lines[i]));
    }
    return rows;
}

void TableValues::SetEntry(int index, int value) {
    if (index < TableFirstIndex || index > TableLastIndex) return;
    const int first = FirstCellOf(index);
    if (!IsPackedIndex(index)) {
        cells_[static_cast<std::size_t>(first)] = value;
        loaded_[static_cast<std::size_t>(first)] = true;
        return;
    }
    const unsigned word = static_cast<unsigned>(value) & 0xFFFFu;
    for (int f = 0; f < FieldsPerWord; ++f) {
        const auto cell = static_cast<std::size_t>(first + f);
        cells_[cell] = static_cast<int>((word >> (f * FieldBits)) & FieldMask);
        loaded_[cell] = true;
    }
}

std::optional<int> TableValues::Entry(int index) const {
    if (index < TableFirstIndex || index > TableLastIndex) return std::nullopt;
    const int first = FirstCellOf(index);
    if (!IsPackedIndex(index)) {
        if (!Loaded(first)) return std::nullopt;
        return Cell(first);
    }
    int word = 0;
    for (int f = 0; f < FieldsPerWord; ++f) {
        if (!Loaded(first + f)) return std::nullopt;
        word |= (Cell(first + f) & FieldMask) << (f * FieldBits);
    }
    return word > WordMax ? word - 0x10000 : word;
}

TableFileLoad LoadTableFile(const std::vector<std::string>& lines, TableValues& values) {
    TableFileLoad load;
    for (const std::string& line : lines) {
        const int family = HeaderFamilyOf(line);
        if (family >= 0 && family != 2) {
            load.ForeignHeader = true;
            return load;
        }
    }
    values.BeginLoad();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::optional<TableLine> entry = ReadTableLine(lines[i]);
        if (!entry) continue;
        if (entry->Index > TableLastIndex) {
            if (load.Refused++ == 0) load.FirstRefusedLine = static_cast<int>(i) + 1;
            continue;
        }
        values.SetEntry(entry->Index, entry->Value);
        ++load.Placed;
    }
    return load;
}

std::vector<std::string> TableFileLines(const TableValues& values, bool fromFile,
                                        const FileKind& kind, int cpuDate) {
    std::vector<std::string> lines;
    const int lastIndex = fromFile ? TableLastIndex : kind.LastIndex;
    if (!fromFile) {
        lines.push_back(kind.Header);
        lines.push_back(CpuLine(cpuDate));
    }
    for (int index = TableFirstIndex; index <= lastIndex; ++index) {
        const std::optional<int> value = values.Entry(index);
        lines.push_back(value ? TableDataLine(index, *value, TableParamNumber(index, lastIndex))
                              : ReadErrorLine(index));
    }
    return lines;
}

std::string PrintRowText(const std::string& number, const std::string& name,
                         std::optional<int> value) {
    char digits[16] = "       ";
    if (value) std::snprintf(digits, sizeof digits, "%7d", *value);
    return Fit(number, 7) + Fit(name, 44) + "=" + digits;
}

std::vector<std::vector<std::string>> PrintPages(const std::string& firstLine,
                                                 const std::vector<std::string>& rows,
                                                 int pageLines, const std::string& pageFirstLine) {
    if (pageLines < 1) pageLines = DefaultPageLines;
    std::vector<std::vector<std::string>> pages(1);
    pages.back().push_back(firstLine);
    int lineCounter = 1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        pages.back().push_back(rows[i]);
        ++lineCounter;
        if (lineCounter % pageLines == 0 && i + 1 < rows.size()) {
            pages.emplace_back();
            pages.back().push_back(pageFirstLine);
            lineCounter = 1;
        }
    }
    return pages;
}

std::vector<GridChar> GridLayout(std::string_view line) {
    std::vector<GridChar> chars;
    int column = 0;
    for (std::size_t i = 0; i < line.size();) {
        const auto lead = static_cast<unsigned char>(line[i]);
        const std::size_t length = lead < 0x80 ? 1 : Utf8Length(lead);
        chars.push_back({column, std::string(line.substr(i, length))});
        column += length == 1 ? 1 : 2;
        i += length;
    }
    return chars;
}

int GridWidth(std::string_view text) {
    const std::vector<GridChar> chars = GridLayout(text);
    if (chars.empty()) return 0;
    return chars.back().Column + (chars.back().Text.size() > 1 ? 2 : 1);
}
