#pragma once
// The parameter logic wired to a whole simulated drive: group reader, writer
// and drive link over the in-process amplifier, with the requests on the wire
// decoded for assertions.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "link/DriveLink.h"
#include "params/GroupRead.h"
#include "params/ParamCaches.h"
#include "params/ParamWriter.h"
#include "tests/support/SimDrive.h"

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

struct SimBench {
    // family: bx, dx, fx, kqrv, lqrv, yz; fxVersion 0 = the profile's default.
    explicit SimBench(const std::string& family, int fxVersion = 0) : drive(family, fxVersion) {
        drive.Connect();
        // Start-up clears the busy flags once the amplifier is identified.
        drive.state.ParamWriteBusy = false;
        drive.line->ClearLog();
    }

    // Leaves the editor with value and lets the write timer tick once.
    EditOutcome EditAndTick(ParamGroup group, int index, double value) {
        EditOutcome outcome = writer.LeaveEditor(group, index, value);
        writer.WriteParamTimerTimer();
        return outcome;
    }

    std::vector<std::string> Wire() const {
        std::vector<std::string> decoded;
        for (const std::string& request : drive.line->Requests())
            decoded.push_back(DecodeRequest(request));
        return decoded;
    }
    std::vector<std::string> Operations() const { return FoldMailbox(Wire()); }

    std::int16_t Ram(int address) const {
        return static_cast<std::int16_t>(drive.amplifier->Ram(address));
    }
    std::int16_t Eeprom(int address) const {
        return static_cast<std::int16_t>(drive.amplifier->Eeprom(address));
    }
    // What a "M" write left in the two words at address and address + 1.
    std::int32_t RamLong(int address) const {
        return static_cast<std::int32_t>(std::uint32_t{drive.amplifier->Ram(address)} << 16 |
                                         drive.amplifier->Ram(address + 1));
    }
    // A parameter word of a BX amplifier lives in EEPROM and in RAM.
    void SetParamWord(int address, std::uint16_t value) {
        drive.amplifier->SetRam(address, value);
        drive.amplifier->SetEeprom(address, value);
    }

    SimDrive drive;
    Drive& port = *drive.link;
    ParamCaches caches;
    GroupReader reader{port,      drive.state, drive.panel,
                       drive.map, caches,      [this](int n) { return drive.Msg(n); }};
    ParamWriter writer{port, drive.state, caches, drive.map};
};
