#pragma once
#include <string>

#include "sim/Amplifier.h"
#include "sim/SimLine.h"

namespace simtest {

// A request frame with its checksum appended.
inline std::string Frame(const std::string& body) {
    return body + sim::SumText(body);
}

inline std::string ReadWord(int address, int page = 5) {
    char body[8];
    std::snprintf(body, sizeof body, "R%d%02X", page, address);
    return Frame(body);
}

inline std::string WriteWord(int address, unsigned value, int page = 5) {
    char body[16];
    std::snprintf(body, sizeof body, "W%d%02X%04X", page, address, value & 0xFFFF);
    return Frame(body);
}

// The data of a "%XXXXss" reply as a signed word; -100000 when malformed.
inline int WordOf(const std::string& reply) {
    if (reply.size() < 7 || reply[0] != '%') return -100000;
    if (reply.substr(5, 2) != sim::SumText(reply.substr(0, 5))) return -100000;
    return static_cast<short>(std::stoi(reply.substr(1, 4), nullptr, 16));
}

}  // namespace simtest
