#include "link/TypeFiles.h"

#include <cstdlib>
#include <fstream>
#include <optional>

namespace {

constexpr std::size_t MaxLineLength = 79;

// One line of at most 79 characters; the rest of a longer line is dropped so
// that it cannot shift the entry numbering.
bool ReadTypeLine(std::ifstream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > MaxLineLength) line.resize(MaxLineLength);
    return true;
}

// The decimal number after the last "=" of the header line.
std::optional<int> CountAfterEquals(const std::string& line) {
    const auto pos = line.rfind('=');
    if (pos == std::string::npos) return std::nullopt;
    const std::string digits = line.substr(pos + 1);
    char* end = nullptr;
    const long value = std::strtol(digits.c_str(), &end, 10);
    if (end == digits.c_str()) return std::nullopt;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0') return std::nullopt;
    return static_cast<int>(value);
}

std::optional<std::string> TextAfterColon(const std::string& line) {
    const auto pos = line.find(':');
    if (pos == std::string::npos) return std::nullopt;
    return line.substr(pos + 1);
}

// Shared by both BX files: entry line k+2 describes number k.
TypeText NumberedEntry(const std::string& path, int number, const std::string& prefix,
                       std::size_t textLength) {
    std::ifstream in(path);
    if (!in) return {prefix + "-File error1"};
    std::string line;
    std::optional<int> highest;
    if (!ReadTypeLine(in, line) || !(highest = CountAfterEquals(line))) {
        return {prefix + "-File error2"};
    }
    if (number < 0 || number > *highest) return {prefix + "-Num error"};
    for (int k = 0; k <= number; ++k) {
        if (!ReadTypeLine(in, line)) return {prefix + "-File error4"};
    }
    const auto text = TextAfterColon(line);
    if (!text) return {prefix + "-File error4"};  // an entry line without ":" is broken
    return {textLength ? text->substr(0, textLength) : *text, true};
}

}  // namespace

TypeText BxAmplifierText(const std::string& folder, int amplifierNumber) {
    return NumberedEntry(folder + "BXAmp.typ", amplifierNumber, "Amp", 5);
}

TypeText BxMotorText(const std::string& folder, int motorNumber) {
    return NumberedEntry(folder + "Motor.typ", motorNumber, "Mot", 0);
}

std::string FxMotorText(const std::string& folder, int motorCode, const std::string& placeholder) {
    std::ifstream in(folder + "FX_Motor.tpy");
    if (!in) return "Mot-File error1";
    std::string line;
    std::optional<int> count;
    if (!ReadTypeLine(in, line) || !(count = CountAfterEquals(line))) return "Mot-File error2";
    if (motorCode < 0) return "Mot-Num error";
    if (*count <= 0) return placeholder;
    while (ReadTypeLine(in, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string code = line.substr(0, colon);
        char* end = nullptr;
        const long value = std::strtol(code.c_str(), &end, 10);
        if (end != code.c_str() && value == motorCode) return line.substr(colon + 1);
    }
    return "Unknow motor type";
}
