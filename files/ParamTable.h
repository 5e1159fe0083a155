#pragma once
// The FX-group parameter table: 116 entries from index 12 to 127 in 140 cells,
// because eight entries are packed words of four 4-bit fields and take four
// cells each. The row descriptions come from "limit.ini". Logic only: the
// window shows and edits what this holds.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/ParamFile.h"
#include "link/CatalogueTexts.h"

inline constexpr int TableCells = 140;
inline constexpr int TableFirstIndex = 12;
inline constexpr int TableLastIndex = 127;

// Where a cell lies: its entry's index and, for a packed entry, which 4-bit
// field (0 for bits 0 to 3 ... 3 for bits 12 to 15; -1 for a whole word).
struct CellPlace {
    int Index = 0;
    int Field = -1;
};
CellPlace CellPlaceOf(int cell);
int FirstCellOf(int index);
bool IsPackedIndex(int index);
// "Pn10-1" for a packed field, "Pn05" otherwise; numbers count down from
// entry 82 on.
std::string ParamNumberText(int cell);

// One row of "limit.ini".
struct LimitRow {
    std::string Name;
    int Minimum = 0;
    int Maximum = 0;
    int UnitMessage = CatalogueTexts::MsgNoUnit;
    bool Enabled = false;
    bool LimitsRead = true;  // false: a number did not parse, so the row is disabled
};
// A row line, parsed from the right at each last ",": flag, unit message,
// maximum, minimum; the rest before its last "=" is the name.
LimitRow ParseLimitRow(std::string_view line);
// The rows of the file's lines: the first line is a title, at most 140 rows.
std::vector<LimitRow> ParseLimitFile(const std::vector<std::string>& lines);

// The table's values. Every cell is either loaded by the last fill or
// unloaded; unloaded cells are neither saved as values nor written back.
class TableValues {
public:
    void BeginLoad() { loaded_.fill(false); }
    // Places a word at its index: one cell, or four fields lowest first.
    void SetEntry(int index, int value);
    // The word of an index (a packed entry's fields joined), or nothing when
    // the index is outside the table or not loaded.
    std::optional<int> Entry(int index) const;
    int Cell(int cell) const { return cells_[static_cast<std::size_t>(cell)]; }
    bool Loaded(int cell) const { return loaded_[static_cast<std::size_t>(cell)]; }
    void SetCell(int cell, int value) { cells_[static_cast<std::size_t>(cell)] = value; }

private:
    std::array<int, TableCells> cells_{};
    std::array<bool, TableCells> loaded_{};
};

// What filling from a table file did. Values go to the index their line
// names; a line naming an index outside 12 ... 127 is left out and counted.
struct TableFileLoad {
    int Placed = 0;
    int Refused = 0;
    int FirstRefusedLine = 0;
    bool ForeignHeader = false;  // a BX or DX header: nothing was placed
};
TableFileLoad LoadTableFile(const std::vector<std::string>& lines, TableValues& values);

// The lines Save writes: no header for a table filled from a file (indexes
// 12 to 127), otherwise the kind's header and CPU line up to its last index.
// An unloaded entry is written as a read-error line.
std::vector<std::string> TableFileLines(const TableValues& values, bool fromFile,
                                        const FileKind& kind, int cpuDate);

// Printing: a marked row's text and the pages of a whole print.
// An unloaded value prints as blanks.
std::string PrintRowText(const std::string& number, const std::string& name,
                         std::optional<int> value);
// First line, then the rows; a page holds pageLines lines, each page after
// the first starts with pageFirstLine. A pageLines below 1 takes the
// default of 58.
std::vector<std::vector<std::string>> PrintPages(const std::string& firstLine,
                                                 const std::vector<std::string>& rows,
                                                 int pageLines, const std::string& pageFirstLine);
inline constexpr int DefaultPageLines = 58;

// The fixed character grid: each character at its column; a character of
// more than one byte (UTF-8) takes two columns, as double-byte text did.
struct GridChar {
    int Column = 0;
    std::string Text;
};
std::vector<GridChar> GridLayout(std::string_view line);
// The number of grid columns a text takes.
int GridWidth(std::string_view text);
