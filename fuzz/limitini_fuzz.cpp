// limit.ini: every row line gives a row; a row whose limits were read keeps
// minimum <= maximum, and written again as a row line reads back the same.
#include <vector>

#include "files/ParamTable.h"
#include "fuzz/FuzzCheck.h"

namespace {

std::string RowLine(const LimitRow& row) {
    return row.Name + "=0Ch," + std::to_string(row.Minimum) + "," + std::to_string(row.Maximum) +
           "," + std::to_string(row.UnitMessage) + "," + (row.Enabled ? "1" : "0");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> lines = fuzz::LinesOf(fuzz::Bytes(data, size));
    const std::vector<LimitRow> rows = ParseLimitFile(lines);
    const std::size_t expected = lines.empty() ? 0 : lines.size() - 1;
    FUZZ_CHECK(rows.size() == std::min<std::size_t>(expected, TableCells));
    for (const LimitRow& row : rows) {
        if (!row.LimitsRead) {
            FUZZ_CHECK(!row.Enabled);
            continue;
        }
        FUZZ_CHECK(row.Minimum <= row.Maximum);
        const LimitRow again = ParseLimitRow(RowLine(row));
        FUZZ_CHECK(again.LimitsRead && again.Name == row.Name && again.Minimum == row.Minimum &&
                   again.Maximum == row.Maximum && again.UnitMessage == row.UnitMessage &&
                   again.Enabled == row.Enabled);
    }
    return 0;
}
