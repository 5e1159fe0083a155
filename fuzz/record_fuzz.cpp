// The production record: any content reads without harm, every line counts
// once (header, unit or damaged), and an append adds exactly one unit of its
// file, whatever the record held, a line cut short included.
#include "files/ProductionRecord.h"
#include "fuzz/FuzzCheck.h"

namespace {

const std::string FilePath = "/work/set.dat";

std::size_t LineCount(std::string_view content) {
    std::size_t lines = 0;
    for (const char c : content) lines += c == '\n';
    return lines + (!content.empty() && content.back() != '\n');
}

// What AppendProductionUnit writes after content, for a unit of FilePath.
std::string Appended(const std::string& content, const RecordState& record) {
    ProductionUnit unit;
    unit.FilePath = FilePath;
    unit.Result = "ok";
    std::string text = content;
    if (content.empty()) text = CsvLine(ProductionColumns()) + "\n";
    if (record.EndsInLine) text += "\n";
    return text + CsvLine(ProductionFields(unit)) + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(fuzz::Bytes(data, size));
    int fileUnits = -1;
    const RecordState record = ReadRecordState(content, FilePath, fileUnits);
    const auto lines = static_cast<int>(LineCount(content));
    FUZZ_CHECK(record.Units >= 0 && record.DamagedLines >= 0);
    FUZZ_CHECK(fileUnits >= 0 && fileUnits <= record.Units);
    FUZZ_CHECK(lines - record.Units - record.DamagedLines <= 1);  // the header
    FUZZ_CHECK(record.EndsInLine == (!content.empty() && content.back() != '\n'));

    int fileUnitsAfter = -1;
    const RecordState after = ReadRecordState(Appended(content, record), FilePath, fileUnitsAfter);
    FUZZ_CHECK(after.Units == record.Units + 1);
    FUZZ_CHECK(fileUnitsAfter == fileUnits + 1);
    FUZZ_CHECK(!after.EndsInLine);

    // A unit's fields come back from its line as they went in.
    std::vector<std::string> fields;
    const std::vector<std::string> written = {content, FilePath, ""};
    FUZZ_CHECK(SplitCsvLine(CsvLine(written), fields) && fields.size() == written.size());
    if (content.find_first_of("\r\n") == std::string::npos) FUZZ_CHECK(fields == written);
    return 0;
}
