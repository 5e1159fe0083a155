#include "link/Procedure.h"

#include <cstdint>
#include <cstdio>

namespace {

int CoveredLength(char command) {
    switch (command) {
        case 'R':
        case 'L':
            return 4;
        case 'W':
            return 8;
        case 'M':
            return 12;
        default:
            return 0;
    }
}

unsigned SumOfCodes(const std::string& text, int count) {
    unsigned sum = 0;
    for (int i = 0; i < count; ++i) sum += static_cast<unsigned char>(text[i]);
    return sum & 0xFFu;
}

bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Value of one hexadecimal digit of either case, or -1.
int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Unsigned value of up to maxDigits hexadecimal digits; 0 for an empty or too
// long text and for any foreign character.
std::uint32_t ParseHexDigits(const std::string& text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return 0;
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return 0;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

// Decimal value of the digits, or 0 when any character is not a digit.
int ParseDecimalDigits(const std::string& text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Two upper-case hexadecimal digits of the low byte of sum.
std::string HexByte(unsigned sum) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum & 0xFFu);
    return digits;
}

}  // namespace

bool FinishRequest(std::string& request) {
    if (request.empty()) return false;
    const int covered = CoveredLength(request[0]);
    if (covered == 0 || static_cast<int>(request.size()) != covered) return false;
    request += HexByte(SumOfCodes(request, covered));
    return true;
}

bool CheckReplySum(const std::string& reply, int count) {
    // At least the "%" and two checksum digits, all of them actually stored.
    if (count < 3 || count > static_cast<int>(reply.size())) return false;
    const std::string expected = HexByte(SumOfCodes(reply, count - 2));
    return reply[count - 2] == expected[0] && reply[count - 1] == expected[1];
}

bool IsReplyChar(char c) {
    return c == '\r' || c == '\n' || c == '!' || c == '%' || IsUpperHexDigit(c);
}

bool IsBrokenReply(const std::string& replyBuffer) {
    return !replyBuffer.empty() && replyBuffer != "?" && replyBuffer[0] != '!';
}

std::string HexWord(int value) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(value) & 0xFFFFu);
    return digits;
}

std::string HexLong(int value) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(value));
    return digits;
}

int ParseHexWord(const std::string& text) {
    const auto value = static_cast<int>(ParseHexDigits(text, 4));
    return value >= 0x8000 ? value - 0x10000 : value;
}

int ParseHexLong(const std::string& text) {
    return static_cast<int>(ParseHexDigits(text, 8));
}

int WordFromReply(const std::string& reply, int format) {
    if (reply.size() < 5 || reply[0] != '%') return 0;
    const std::string data = reply.substr(1, 4);
    if (format == 1) return ParseHexWord(data);
    if (format == 0) return ParseDecimalDigits(data);
    return 0;
}

int LongFromReply(const std::string& reply, int format) {
    if (format != 1 || reply.size() < 9 || reply[0] != '%') return 0;
    return ParseHexLong(reply.substr(1, 8));
}

bool ReplyDataParses(const std::string& reply, int digits, int format) {
    if (format != DecimalFormat && format != HexFormat) return true;
    if (static_cast<int>(reply.size()) < digits + 1 || reply[0] != '%') return false;
    for (int i = 1; i <= digits; ++i) {
        const char c = reply[static_cast<std::size_t>(i)];
        const bool digit = format == HexFormat ? IsUpperHexDigit(c) : (c >= '0' && c <= '9');
        if (!digit) return false;
    }
    return true;
}

bool IsAddressText(const std::string& text) {
    return text.size() == 2 && IsUpperHexDigit(text[0]) && IsUpperHexDigit(text[1]);
}
