#include "link/MessageCatalogue.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace {

constexpr std::array<const char*, 3> FileNames{"Message.J", "Message.E", "Message.C"};

void StripLineBreak(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

bool IsContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the next piece of at most maxBytes bytes, shortened so that it
// never ends inside a UTF-8 character (a split character would spoil both
// messages). A run without any character start is cut hard.
std::size_t PieceLength(const std::string& text, std::size_t from, std::size_t maxBytes) {
    std::size_t length = std::min(maxBytes, text.size() - from);
    if (from + length == text.size()) return length;
    std::size_t cut = length;
    while (cut > 0 && IsContinuationByte(static_cast<unsigned char>(text[from + cut]))) --cut;
    return cut > 0 ? cut : length;
}

}  // namespace

std::string MessageCatalogue::FileName(int language) {
    if (language < 0 || language >= static_cast<int>(FileNames.size())) return {};
    return FileNames[static_cast<std::size_t>(language)];
}

bool MessageCatalogue::Load(const std::string& folder, int language) {
    const std::string name = FileName(language);
    if (name.empty()) {
        lines_.clear();
        return false;
    }
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    return LoadFile(path + name);
}

// A file line longer than MaxLineContent bytes is kept in pieces, each piece
// taking the next message number; the numbering of the shipped catalogues
// relies on this.
bool MessageCatalogue::LoadFile(const std::string& path) {
    lines_.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (Count() < MaxLines && std::getline(in, line)) {
        StripLineBreak(line);
        if (line.empty()) {
            lines_.emplace_back();
            continue;
        }
        for (std::size_t from = 0; from < line.size() && Count() < MaxLines;) {
            const std::size_t length = PieceLength(line, from, MaxLineContent);
            lines_.push_back(line.substr(from, length));
            from += length;
        }
    }
    return true;
}

std::string MessageCatalogue::Msg(int n) const {
    if (n < 1 || n > Count()) return {};
    const std::string& line = lines_[static_cast<std::size_t>(n - 1)];
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos) return {};
    return line.substr(blank + 1);
}

std::string MessageCatalogue::Msg(int n, const std::vector<std::string>& values) const {
    return Filled(Msg(n), values);
}

std::string Filled(const std::string& text, const std::vector<std::string>& values) {
    std::string filled;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int n = i + 1 < text.size() ? text[i + 1] - '1' : -1;
        if (text[i] == '%' && n >= 0 && n < static_cast<int>(values.size())) {
            filled += values[static_cast<std::size_t>(n)];
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}
