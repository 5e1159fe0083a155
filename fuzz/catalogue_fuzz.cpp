// Message catalogues: every line gets a message number in order; a line that
// fits is one message, the text after its first blank; a longer one takes
// as many numbers as it needs pieces, none longer than MaxLineContent.
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "link/MessageCatalogue.h"

namespace {

constexpr std::size_t PieceMax = MessageCatalogue::MaxLineContent;

std::string AfterFirstBlank(const std::string& line) {
    const std::size_t blank = line.find(' ');
    return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content = fuzz::Bytes(data, size);
    MessageCatalogue catalogue;
    FUZZ_CHECK(catalogue.LoadFile(fuzz::WriteScratchFile("Message.E", content)));
    const int count = catalogue.Count();
    FUZZ_CHECK(count <= MessageCatalogue::MaxLines);
    FUZZ_CHECK(catalogue.Msg(0).empty() && catalogue.Msg(count + 1).empty());
    for (int n = 1; n <= count; ++n) FUZZ_CHECK(catalogue.Msg(n).size() < PieceMax);

    // Numbers taken: at least one per line and one per PieceMax bytes, at most
    // one per byte; lines that fit map one to one until a longer line.
    std::size_t least = 0, most = 0;
    bool allFit = true;
    int n = 1;
    for (const std::string& line : fuzz::LinesOf(content)) {
        least += line.empty() ? 1 : (line.size() + PieceMax - 1) / PieceMax;
        most += std::max<std::size_t>(1, line.size());
        if (line.size() > PieceMax) allFit = false;
        if (allFit && n <= count) FUZZ_CHECK(catalogue.Msg(n++) == AfterFirstBlank(line));
    }
    const auto limit = static_cast<std::size_t>(MessageCatalogue::MaxLines);
    FUZZ_CHECK(static_cast<std::size_t>(count) >= std::min(least, limit));
    FUZZ_CHECK(static_cast<std::size_t>(count) <= std::min(most, limit));
    return 0;
}
