#pragma once
// Requests on the wire decoded for assertions, as lines a test reads as the
// story of an exchange.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// "W 16 0BB8", "M DA 00045E7B", "R 68", "L 3C": command letter, address and
// data of one request, the page only when it is not 5. A request whose
// checksum is wrong decodes as "BAD <request>".
inline std::string DecodeRequest(const std::string& request) {
    if (request.size() < 6) return "BAD " + request;
    const std::size_t covered = request.size() - 2;
    unsigned sum = 0;
    for (std::size_t i = 0; i < covered; ++i) sum += static_cast<unsigned char>(request[i]);
    char sumText[3];
    std::snprintf(sumText, sizeof sumText, "%02X", sum & 0xFF);
    if (request.substr(covered) != sumText) return "BAD " + request;
    std::string decoded(1, request[0]);
    if (request[1] != '5') decoded += request[1];
    decoded += " " + request.substr(2, 2);
    if (covered > 4) decoded += " " + request.substr(4, covered - 4);
    return decoded;
}

// Every request of a log decoded.
inline std::vector<std::string> DecodeRequests(const std::vector<std::string>& requests) {
    std::vector<std::string> decoded;
    for (const std::string& request : requests) decoded.push_back(DecodeRequest(request));
    return decoded;
}

// Folds the EEP mailbox exchanges into one line each: the write 69/6A/68 and
// its polls of 68 become "EEP aa vvvv", the read 6B/68, polls and 6C become
// "EEPREAD aa". Everything else stays as decoded.
inline std::vector<std::string> FoldMailbox(const std::vector<std::string>& decoded) {
    std::vector<std::string> folded;
    const auto at = [&](std::size_t i) { return i < decoded.size() ? decoded[i] : std::string(); };
    const auto startsWith = [](const std::string& text, const std::string& head) {
        return text.rfind(head, 0) == 0;
    };
    for (std::size_t i = 0; i < decoded.size();) {
        const std::string& line = decoded[i];
        if (startsWith(line, "W 69 00") && startsWith(at(i + 1), "W 6A ") &&
            at(i + 2) == "W 68 0001" && at(i + 3) == "R 68") {
            folded.push_back("EEP " + line.substr(7, 2) + " " + at(i + 1).substr(5));
            i += 4;
            while (at(i) == "R 68") ++i;  // a second poll
            continue;
        }
        if (startsWith(line, "W 6B 00") && at(i + 1) == "W 68 0002" && at(i + 2) == "R 68") {
            std::size_t next = i + 3;
            while (at(next) == "R 68") ++next;
            if (at(next) == "R 6C") {
                folded.push_back("EEPREAD " + line.substr(7, 2));
                i = next + 1;
                continue;
            }
        }
        folded.push_back(line);
        ++i;
    }
    return folded;
}

// Expected lines, in the forms above.
inline std::string Hex4(std::int64_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value) & 0xFFFFu);
    return text;
}
inline std::string Hex8(std::int64_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%08X", static_cast<std::uint32_t>(value));
    return text;
}
inline std::string RamWrite(const std::string& address, std::int64_t value) {
    return "W " + address + " " + Hex4(value);
}
inline std::string EepWrite(const std::string& address, std::int64_t value) {
    return "EEP " + address + " " + Hex4(value);
}
inline std::string LongWrite(const std::string& address, std::int64_t value) {
    return "M " + address + " " + Hex8(value);
}
