// The table reader of parameter files: a line it takes, written again as a
// table line, reads back with the same index and value.
#include "files/ParamFile.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<TableLine> line = ReadTableLine(fuzz::Bytes(data, size));
    if (!line) return 0;
    FUZZ_CHECK(line->Index >= 12);
    FUZZ_CHECK(line->Value >= -32768 && line->Value <= 32767);
    for (const int lastIndex : {63, 127}) {
        const int number = TableParamNumber(line->Index, lastIndex);
        const std::optional<TableLine> again =
            ReadTableLine(TableDataLine(line->Index, line->Value, number));
        FUZZ_CHECK(again && again->Index == line->Index && again->Value == line->Value);
    }
    return 0;
}
