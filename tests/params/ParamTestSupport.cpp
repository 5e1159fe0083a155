#include "ParamTestSupport.h"

#include <cstdint>
#include <cstdio>

AddressMap ParamMapFor(int family, int fxVersion, bool qrv) {
    AddressMap map;
    LoadAddressMap(map, family, fxVersion, qrv);
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
