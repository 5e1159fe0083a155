#pragma once
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "link/AddressMap.h"
#include "link/Drive.h"
#include "link/DriveState.h"

// The address map of a family and version, as the program loads it.
AddressMap ParamMapFor(int family, int fxVersion = 25, bool qrv = false);

DriveState StateFor(int family, int fxVersion = 25);

// One exchange on the parameter port, as "kind address value": kinds are the
// primitives' names.
struct Exchange {
    std::string Kind;
    std::string Address;
    int Value = 0;
    bool operator==(const Exchange&) const = default;
};
// Failure messages name the exchange instead of dumping its bytes.
inline std::ostream& operator<<(std::ostream& out, const Exchange& e) {
    return out << e.Kind << ' ' << e.Address << ' ' << e.Value;
}

// A port that records every exchange and answers reads from its tables.
class RecordingPort : public Drive {
public:
    std::map<std::string, int> Ram;                         // RAM words and longs by address
    std::map<std::string, int> Eep;                         // EEPROM words by address
    std::set<std::pair<std::string, std::string>> Failing;  // (kind, address) that fail
    std::vector<Exchange> Log;
    int CommErrors = 0;          // Communicating_error calls
    std::vector<bool> BusySeen;  // ParamWriteBusy at each write, when Watched is set
    const DriveState* Watched = nullptr;

    int ReadFromRAM(const std::string& address, int, int, int& value) override {
        return Read("ReadFromRAM", address, Ram, value);
    }
    int ReadFromRAML(const std::string& address, int, int, int& value) override {
        return Read("ReadFromRAML", address, Ram, value);
    }
    int ReadFromRAMWithPage(const std::string& address, int, int page, int, int& value) override {
        return Read("ReadFromRAMWithPage", PagedAddress(address, page), Ram, value);
    }
    int ReadFromEEP(const std::string& address, int, int, int& value) override {
        return Read("ReadFromEEP", address, Eep, value);
    }
    int WriteToRAM(const std::string& address, int value) override {
        return Write("WriteToRAM", address, value);
    }
    int WriteToRAML(const std::string& address, int value) override {
        return Write("WriteToRAML", address, value);
    }
    int WriteToRAMWithPage(const std::string& address, int value, int page) override {
        return Write("WriteToRAMWithPage", PagedAddress(address, page), value);
    }
    int WriteToEEPRAM(const std::string& address, const std::string& valueText) override {
        return Write("WriteToEEPRAM", address, std::stoi(valueText, nullptr, 16));
    }
    int WriteToEEP(const std::string& address, int value) override {
        return Write("WriteToEEP", address, value);
    }
    void Communicating_error() override { ++CommErrors; }
    std::string ReplyBuffer() const override { return reply_; }

    std::vector<Exchange> Writes() const;

private:
    static std::string PagedAddress(const std::string& address, int page) {
        return std::to_string(page) + ":" + address;
    }
    int Read(const std::string& kind, const std::string& address,
             const std::map<std::string, int>& table, int& value);
    int Write(const std::string& kind, const std::string& address, int value);
    std::string reply_;
};
