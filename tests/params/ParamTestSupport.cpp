#include "ParamTestSupport.h"

#include <cstdint>
#include <cstdio>
#include <span>

namespace {

using Column = std::vector<std::string>;

void Fill(std::span<ParamAddress> table, const Column& cells) {
    for (std::size_t i = 0; i < cells.size() && i < table.size(); ++i) {
        const std::string& cell = cells[i];
        const bool flagClear = !cell.empty() && cell.front() == '(';
        table[i].Address = flagClear ? cell.substr(1, 2) : cell;
        table[i].Present = !cell.empty() && !flagClear;
    }
}

}  // namespace

AddressMap ParamMapFor(int family, int fxVersion, bool qrv) {
    AddressMap map;
    if (family == 0) {
        Fill(map.System,
             {"0A", "21", "31", "0E", "45", "1F", "46", "4F", "26", "27", "56", "46", "20"});
        Fill(map.Speed, {"2E", "2F", "30", "4D", "32", "16", "14", "15", "33", "34", "36", "35",
                         "1E", "2D", "48"});
        Fill(map.Torque, {"4C", "2C", "49", "2E", "2F", "30"});
        Fill(map.Position, {"0B", "13", "0F", "1C", "3A", "3C", "3E", "3F", "0C", "47", "36", "35",
                            "", "", "", "", "(1D)", "(3B)", "(3D)"});
    } else if (family == 1) {
        Fill(map.System,
             {"30", "3F", "32", "33", "31", "34", "35", "36", "37", "38", "39", "3B", "40"});
        Fill(map.Speed,
             {"5C", "5D", "5E", "41", "42", "43", "44", "", "", "", "46", "47", "48", "49", "4A"});
        Fill(map.Torque, {"3C", "3D", "3E", "59", "5A", "5B"});
        Fill(map.Position, {"4B", "4C", "4E", "50", "52", "54", "56", "57", "58", "", "46", "47",
                            "", "", "(4D)", "(4F)", "(51)", "(53)", "(55)"});
    } else {
        Fill(map.System, {"16", "2C", "16", "0C", "", "14", "17", "18", "11", "12", "", "17", "",
                          "", "(2E)", "(2F)", "34", "17", qrv && fxVersion > 32 ? "17" : ""});
        Fill(map.Speed, {"29",
                         "2A",
                         "2B",
                         "18",
                         "18",
                         "",
                         "28",
                         "",
                         "",
                         "",
                         "0D",
                         "0E",
                         "13",
                         fxVersion >= 27 ? "0F" : "",
                         "",
                         fxVersion < 27 ? "0F" : "",
                         "10",
                         "18",
                         "",
                         "",
                         fxVersion >= 32 ? "15" : "",
                         fxVersion >= 31 ? "27" : ""});
        Fill(map.Torque, {"1A", "1B", "1C", "1D", "1E", "1F"});
        Fill(map.Position, {"16", "21", "22", "20", "25", "25", "23", "26", "24", "", "0D", "0E",
                            fxVersion >= 31 ? "19" : "", fxVersion >= 32 ? "15" : ""});
    }
    return map;
}

DriveState StateFor(int family, int fxVersion) {
    DriveState state;
    state.AmpFamily = family;
    state.FxVersion = fxVersion;
    state.ParamWriteBusy = false;
    return state;
}

std::vector<Exchange> RecordingPort::Writes() const {
    std::vector<Exchange> writes;
    for (const Exchange& e : Log)
        if (e.Kind.rfind("Write", 0) == 0) writes.push_back(e);
    return writes;
}

int RecordingPort::Read(const std::string& kind, const std::string& address,
                        const std::map<std::string, int>& table, int& value) {
    value = 0;
    Log.push_back({kind, address, 0});
    if (Failing.count({kind, address}) != 0) {
        reply_ = "?";
        return 0;
    }
    const auto found = table.find(address);
    value = found != table.end() ? found->second : 0;
    char reply[16];
    std::snprintf(reply, sizeof reply, "%%%04X", static_cast<unsigned>(value) & 0xFFFF);
    reply_ = reply;
    return 1;
}

int RecordingPort::Write(const std::string& kind, const std::string& address, int value) {
    Log.push_back({kind, address, value});
    if (Watched != nullptr) BusySeen.push_back(Watched->ParamWriteBusy);
    if (Failing.count({kind, address}) != 0) return 0;
    // The amplifier keeps what it takes: words as sign-extended 16 bits.
    const int word = static_cast<std::int16_t>(value & 0xFFFF);
    if (kind == "WriteToRAML") Ram[address] = value;
    if (kind == "WriteToRAM") Ram[address] = word;
    if (kind == "WriteToEEP") Eep[address] = word;
    return 1;
}
