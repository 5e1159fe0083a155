// The transfer reader of parameter files: a line it takes as an entry with
// both fields in digits, written again as a data line, reads back as the same
// entry; the value it reports is the one its digits say.
#include <cctype>

#include "files/ParamFile.h"
#include "fuzz/FuzzCheck.h"
#include "link/Procedure.h"

namespace {

std::string UpperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool SameEntry(const TransferLine& a, const TransferLine& b) {
    return a.Kind == b.Kind && a.Index == b.Index && a.Value == b.Value &&
           a.ValueDigits == b.ValueDigits && a.AddressDigits == b.AddressDigits;
}

void CheckRewrite(const TransferLine& line) {
    for (const bool fxGroup : {false, true}) {
        const TransferLine again = ReadTransferLine(DataLine(line.Index, line.Value, fxGroup));
        FUZZ_CHECK(SameEntry(again, line));
        FUZZ_CHECK(again.Address == IndexAddress(line.Index));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::Bytes(data, size);
    const TransferLine line = ReadTransferLine(text);
    switch (line.Kind) {
        case LineKind::NonData:
            FUZZ_CHECK(line.Error.empty());
            break;
        case LineKind::FormatError:
            FUZZ_CHECK(line.Error == DataReadError || line.Error == AddReadError);
            break;
        case LineKind::Entry:
            FUZZ_CHECK(line.Address.size() <= 2);
            FUZZ_CHECK(line.Value >= -32768 && line.Value <= 32767);
            if (line.AddressDigits) {
                FUZZ_CHECK(line.Index >= 0 && line.Index <= 0xFF);
                FUZZ_CHECK(IndexAddress(line.Index) == UpperCase(line.Address));
            } else {
                FUZZ_CHECK(line.Index == 0);
            }
            if (line.ValueDigits && line.AddressDigits) CheckRewrite(line);
            break;
    }
    return 0;
}
