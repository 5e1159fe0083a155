// The parameter table's cells, "limit.ini" rows, table files and print pages.
#include <gtest/gtest.h>

#include "files/ParamTable.h"

namespace {

TEST(ParamTable, PackedEntryTakesFourCellsLowestFirstAndJoinsBack) {
    TableValues values;
    values.BeginLoad();
    values.SetEntry(22, 0x1234);
    const int first = FirstCellOf(22);
    EXPECT_EQ(first, 10);
    EXPECT_EQ(values.Cell(first), 4);
    EXPECT_EQ(values.Cell(first + 1), 3);
    EXPECT_EQ(values.Cell(first + 2), 2);
    EXPECT_EQ(values.Cell(first + 3), 1);
    EXPECT_EQ(values.Entry(22), 0x1234);
    values.SetEntry(114, -3532);  // 0xF234: a word with the top field set stays signed
    EXPECT_EQ(values.Cell(FirstCellOf(114) + 3), 0xF);
    EXPECT_EQ(values.Entry(114), -3532);
    EXPECT_EQ(FirstCellOf(127), TableCells - 1);
}

TEST(ParamTable, ParameterNumbersRiseThenFallBack) {
    struct Case {
        int cell;
        const char* text;
    };
    const Case cases[] = {
        {0, "Pn00"},
        {9, "Pn09"},
        {10, "Pn10-1"},
        {13, "Pn10-4"},
        {22, "Pn13-1"},
        {25, "Pn13-4"},
        {FirstCellOf(93), "Pn81"},
        {FirstCellOf(94), "Pn33"},
        {FirstCellOf(114), "Pn13-4"},
        {FirstCellOf(114) + 3, "Pn13-1"},
        {TableCells - 1, "Pn00"},
    };
    for (const Case& c : cases) EXPECT_EQ(ParamNumberText(c.cell), c.text) << c.cell;
}

TEST(ParamTable, LimitRowsParseFromTheRight) {
    struct Case {
        const char* line;
        const char* name;
        int minimum, maximum, unit;
        bool enabled, limitsRead;
    };
    const Case cases[] = {
        {"Speed limit=14h,0,3000,320,1", "Speed limit", 0, 3000, 320, true, true},
        {"Speed limit=14h,0,3000,320,0", "Speed limit", 0, 3000, 320, false, true},
        {"Speed limit=14h,-63, 63 ,305, 1", "Speed limit", -63, 63, 305, true, true},
        {"Mode=16h.0,5,306,1", "Mode", 0, 5, 306, true, true},  // minimum missing
        {"Mode=x", "Mode", 0, 0, 315, false, true},             // no comma: disabled
        {"No equals,0,1,306,1", "Msg Read error", 0, 1, 306, true, true},
        {"a=b=c,1,2,3,1", "a=b", 1, 2, 3, true, true},  // cut at the last "="
        // Numbers that do not parse give a disabled row without limits.
        {"Gain=0Dh,1O,500,306,1", "Gain", 0, 0, 315, false, false},
        {"Gain=0Dh,10,,306,1", "Gain", 0, 0, 315, false, false},
        {"Gain=0Dh,500,10,306,1", "Gain", 0, 0, 315, false, false},
    };
    for (const Case& c : cases) {
        const LimitRow row = ParseLimitRow(c.line);
        EXPECT_EQ(row.Name, c.name) << c.line;
        EXPECT_EQ(row.Minimum, c.minimum) << c.line;
        EXPECT_EQ(row.Maximum, c.maximum) << c.line;
        EXPECT_EQ(row.UnitMessage, c.unit) << c.line;
        EXPECT_EQ(row.Enabled, c.enabled) << c.line;
        EXPECT_EQ(row.LimitsRead, c.limitsRead) << c.line;
    }
    const std::vector<LimitRow> rows = ParseLimitFile({"title", "A=1,0,1,306,1", "B=2,0,1,306,0"});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].Name, "B");
    EXPECT_EQ(ParseLimitFile(std::vector<std::string>(200, "A=1,0,1,306,1")).size(), 140u);
}

TEST(ParamTable, TableFileValuesGoToTheIndexTheirLineNames) {
    TableValues values;
    values.BeginLoad();
    values.SetEntry(40, 555);  // from an earlier use
    const TableFileLoad load =
        LoadTableFile({"This is a KQRV and LQRV Data", "CPU date:013AB", TableDataLine(12, 7, 0),
                       ReadErrorLine(13), TableDataLine(14, -9, 2), DataLine(22, 0x1234, true),
                       DataLine(200, 1, true), "junk"},
                      values);
    EXPECT_FALSE(load.ForeignHeader);
    EXPECT_EQ(load.Placed, 3);
    EXPECT_EQ(load.Refused, 1);
    EXPECT_EQ(load.FirstRefusedLine, 7);
    EXPECT_EQ(values.Entry(12), 7);
    EXPECT_EQ(values.Entry(13), std::nullopt) << "the read-error line leaves its entry unloaded";
    EXPECT_EQ(values.Entry(14), -9) << "not shifted by the read-error line before it";
    EXPECT_EQ(values.Entry(22), 0x1234);
    EXPECT_EQ(values.Entry(40), std::nullopt) << "cells of an earlier use are not loaded";

    const TableFileLoad dx = LoadTableFile({"This is a DX Data", DataLine(48, 1, false)}, values);
    EXPECT_TRUE(dx.ForeignHeader);
    EXPECT_EQ(values.Entry(12), 7) << "a refused file changes nothing";
}

TEST(ParamTable, SavedLinesOfAFileTableHaveNoHeaderAndUnloadedEntriesAreReadErrors) {
    TableValues values;
    values.BeginLoad();
    for (int index = 12; index <= 127; ++index) values.SetEntry(index, index * 10);
    const FileKind& qrv = FileKindFor(2, true, 31);
    const std::vector<std::string> fromFile =
        TableFileLines(values, true, FileKindFor(2, false, 25), 0x13AB);
    ASSERT_EQ(fromFile.size(), 116u);
    EXPECT_EQ(fromFile.front(), TableDataLine(12, 120, 0));
    EXPECT_EQ(fromFile.back(), TableDataLine(127, 1270, 0));
    EXPECT_EQ(fromFile[94 - 12], TableDataLine(94, 940, 33));

    TableValues partial;
    partial.BeginLoad();
    for (int index = 12; index <= 92; ++index) partial.SetEntry(index, 1);  // a YZ read
    const std::vector<std::string> fromAmp = TableFileLines(partial, false, qrv, 0x13AB);
    ASSERT_EQ(fromAmp.size(), 118u);
    EXPECT_EQ(fromAmp[0], qrv.Header);
    EXPECT_EQ(fromAmp[1], "CPU date:013AB");
    EXPECT_EQ(fromAmp[2 + 92 - 12], TableDataLine(92, 1, 80));
    EXPECT_EQ(fromAmp[2 + 93 - 12], ReadErrorLine(93));
    // Old FX: header and entries up to 63.
    const std::vector<std::string> old =
        TableFileLines(values, false, FileKindFor(2, false, 25), 1);
    ASSERT_EQ(old.size(), 54u);
    EXPECT_EQ(old[0], "This is a FX Data");
    EXPECT_EQ(old.back(), TableDataLine(63, 630, 51));
}

TEST(ParamTable, PagesHoldPageLinesLinesEach) {
    std::vector<std::string> rows;
    for (int i = 0; i < 120; ++i) rows.push_back("row " + std::to_string(i));
    const auto pages = PrintPages("first", rows, 58, "CPU date:00001");
    ASSERT_EQ(pages.size(), 3u);
    ASSERT_EQ(pages[0].size(), 58u);
    EXPECT_EQ(pages[0][0], "first");
    EXPECT_EQ(pages[0][57], "row 56");
    ASSERT_EQ(pages[1].size(), 58u);
    EXPECT_EQ(pages[1][0], "CPU date:00001");
    EXPECT_EQ(pages[1][1], "row 57");
    EXPECT_EQ(pages[2].size(), 1u + 120 - 114);
    // Exactly full: no empty page after it.
    EXPECT_EQ(PrintPages("first", std::vector<std::string>(57, "r"), 58, "c").size(), 1u);
    // Below 1: the default page length, never a division by zero.
    for (int pageLines : {0, -5}) {
        const auto fallback = PrintPages("first", rows, pageLines, "c");
        ASSERT_EQ(fallback.size(), 3u);
        EXPECT_EQ(fallback[0].size(), 58u);
    }
    EXPECT_EQ(PrintPages("only", {}, 58, "c").size(), 1u);
}

TEST(ParamTable, PrintedRowsSitOnTheCharacterGrid) {
    EXPECT_EQ(PrintRowText("Pn10-1", "Control mode", 4),
              "Pn10-1 Control mode                                =      4");
    EXPECT_EQ(PrintRowText("Pn00", std::string(50, 'x'), -32768),
              "Pn00   " + std::string(44, 'x') + "= -32768");
    EXPECT_EQ(PrintRowText("Pn00", "n", std::nullopt).substr(52), "       ");
    // A character of several bytes takes two columns.
    const std::vector<GridChar> grid = GridLayout(
        "a\xE9\x80\x9F"
        "b");
    ASSERT_EQ(grid.size(), 3u);
    EXPECT_EQ(grid[1].Column, 1);
    EXPECT_EQ(grid[1].Text, "\xE9\x80\x9F");
    EXPECT_EQ(grid[2].Column, 3);
    EXPECT_EQ(GridWidth(PrintRowText("Pn00", "\xE9\x80\x9F\xE5\xBA\xA6", 1)), 59);
}

}  // namespace
