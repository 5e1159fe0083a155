#include "files/ParamFile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "link/Procedure.h"

namespace {

// clang-format off
const std::vector<FileKind> Kinds = {
    // name     family     ext     offered    header                           cpu   first last limit
    {"BX",      Family::Bx, ".src", "Tmp.Src", "This is a BX Data",             false, 0x00, 0x7F, 128},
    {"DX",      Family::Dx, ".hdt", "Tmp.Hdt", "This is a DX Data",             false, 0x30, 0xAF, 128},
    {"KQRV",    Family::Fx, ".dat", "Tmp.Dat", "This is a KQRV and LQRV Data",  true,  0x0C, 0x7F, 127},
    {"FX",      Family::Fx, ".dat", "Tmp.Dat", "This is a FX Data",             true,  0x0C, 0x3F, 63},
    {"New FX",  Family::Fx, ".dat", "Tmp.Dat", "This is a New FX_Type Data",    true,  0x0C, 0x7F, 127},
};
// clang-format on
constexpr std::size_t KindQrv = 2, KindFxOld = 3, KindFxNew = 4;

constexpr int FxNewVersion = 30;
constexpr int FirstTableIndex = 12;
constexpr int LastTableLowIndex = 93;
constexpr int WordMin = -32768, WordMax = 32767;

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// At most count characters from pos; fewer where the line ends earlier.
std::string_view Piece(std::string_view line, std::size_t pos, std::size_t count) {
    return pos >= line.size() ? std::string_view() : line.substr(pos, count);
}

bool AllHex(std::string_view text, std::size_t count) {
    if (text.size() != count) return false;
    for (char c : text) {
        if (!IsHex(c)) return false;
    }
    return true;
}

// Leading blanks skipped, an optional sign, digits up to the first other
// character; 0 when there are none. Bounded to [low, high].
int DecimalAfter(std::string_view text, int low, int high) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = INT_MAX;  // bounded below anyway; stops the growth
    }
    if (negative) value = -value;
    return static_cast<int>(value < low ? low : value > high ? high : value);
}

// The written formats carry a repeated zero flag ("%00005X"); they are kept as
// they are and the compiler's remark about it is silenced here only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
std::string CpuText(int cpuDate) {
    char text[32];
    std::snprintf(text, sizeof text, "CPU date:%00005X", static_cast<unsigned>(cpuDate));
    return text;
}
std::string TableIndexPiece(int value, int index) {
    char text[48];
    std::snprintf(text, sizeof text, ".DATA.W      H'%s  ;%00004X   :", HexWord(value).c_str(),
                  static_cast<unsigned>(index));
    return text;
}
#pragma GCC diagnostic pop

std::string Format(const char* format, int a, int b) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

const FileKind& FileKindFor(int ampFamily, bool qrv, int fxVersion) {
    if (ampFamily == Family::Bx || ampFamily == Family::Dx) return Kinds[ampFamily];
    if (qrv) return Kinds[KindQrv];
    return Kinds[fxVersion >= FxNewVersion ? KindFxNew : KindFxOld];
}

const FileKind& FileKindFor(const DriveState& state) {
    return FileKindFor(state.AmpFamily, state.QrvFlag, state.FxVersion);
}

const std::vector<FileKind>& FileKinds() {
    return Kinds;
}

std::string FileFilterFor(int ampFamily) {
    switch (ampFamily) {
        case Family::Bx:
            return "BX files|*.src|DX files|*.hdt|FX and KQRV files|*.dat|All files|*.*";
        case Family::Dx:
            return "DX files|*.hdt|BX files|*.src|FX and KQRV files|*.dat|All files|*.*";
        default:
            return "FX and KQRV and LQRV files|*.dat|BX files|*.src|DX files|*.hdt|All files|*.*";
    }
}

std::string CpuLine(int cpuDate) {
    return CpuText(cpuDate);
}

std::string DataLine(int index, int value, bool fxGroup) {
    char first[48];
    std::snprintf(first, sizeof first,
                  fxGroup ? ".DATA.W      H'%s  ;%s   :" : ".DATA.W      H'%s  ;%s",
                  HexWord(value).c_str(), HexWord(index).c_str());
    return first + Format("     D'%7d  ;%3d", value, index);
}

std::string ReadErrorLine(int index) {
    return "Read error in ;" + HexWord(index);
}

std::string TableDataLine(int index, int value, int paramNumber) {
    char number[16];
    std::snprintf(number, sizeof number, " > Pn%02d", paramNumber);
    return TableIndexPiece(value, index) + Format("     D'%7d  ;%3d", value, index) + number;
}

int TableParamNumber(int index, int lastIndex) {
    return index <= LastTableLowIndex ? index - FirstTableIndex : lastIndex - index;
}

std::string IndexAddress(int index) {
    return HexWord(index).substr(2);
}

TransferLine ReadTransferLine(std::string_view line) {
    static constexpr std::string_view Keyword = ".DATA.W";
    TransferLine result;
    const std::size_t dot = line.find('.');
    if (dot == std::string_view::npos || Piece(line, dot, Keyword.size()) != Keyword) {
        return result;
    }
    result.Kind = LineKind::FormatError;
    const std::size_t h = line.find('H', dot + Keyword.size());
    if (h == std::string_view::npos) {
        result.Error = DataReadError;
        return result;
    }
    const std::string_view valueDigits = Piece(line, h + 2, 4);
    const std::size_t semicolon = line.find(';', h + 6);
    if (semicolon == std::string_view::npos) {
        result.Error = AddReadError;
        return result;
    }
    const std::string_view addressDigits = Piece(line, semicolon + 3, 2);
    result.Kind = LineKind::Entry;
    result.Value = ParseHexWord(std::string(valueDigits));
    result.ValueDigits = AllHex(valueDigits, 4);
    result.Address = std::string(addressDigits);
    result.AddressDigits = AllHex(addressDigits, 2);
    result.Index = result.AddressDigits ? ParseHexWord(result.Address) : 0;
    const std::string_view indexDigits = Piece(line, semicolon + 1, 4);
    result.IndexDigits = AllHex(indexDigits, 4);
    result.FullIndex = result.IndexDigits ? std::stoi(std::string(indexDigits), nullptr, 16) : -1;
    return result;
}

std::optional<TableLine> ReadTableLine(std::string_view line) {
    line = line.substr(0, line.find('\n'));
    line = line.substr(0, line.find('>'));
    const std::size_t semicolon = line.rfind(';');
    if (semicolon == std::string_view::npos) return std::nullopt;
    TableLine result;
    result.Index = DecimalAfter(line.substr(semicolon + 1), 0, INT_MAX);
    if (result.Index < FirstTableIndex) return std::nullopt;
    const std::size_t quote = line.substr(0, semicolon).rfind('\'');
    if (quote == std::string_view::npos) return std::nullopt;
    result.Value = DecimalAfter(line.substr(quote + 1, semicolon - quote - 1), WordMin, WordMax);
    return result;
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines, std::string& error) {
    lines.clear();
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        error = std::strerror(EISDIR);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    if (in.bad()) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}
