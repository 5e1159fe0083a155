#pragma once
// The parameter logic wired to a whole simulated drive: group reader, writer
// and drive link over the in-process amplifier, with the requests on the wire
// decoded for assertions.
#include <cstdint>
#include <string>
#include <vector>

#include "link/DriveLink.h"
#include "params/GroupRead.h"
#include "params/ParamCaches.h"
#include "params/ParamWriter.h"
#include "tests/support/SimDrive.h"
#include "tests/support/Wire.h"

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

    std::vector<std::string> Wire() const { return DecodeRequests(drive.line->Requests()); }
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
