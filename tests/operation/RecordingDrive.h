#pragma once
// A drive that records every exchange as one line of text and answers reads
// from scripted values, so that a test reads as the story of the exchanges.
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/Drive.h"

class RecordingDrive : public Drive {
public:
    // Read answers by key ("CB", "EEP 71", "P6 15"): a queue of values, the
    // last one repeating; a key without values fails.
    std::map<std::string, std::deque<int>> Values;
    // Keys of exchanges that fail: "W 2E", "EEP 0D", "WP6 15", "R CB" ...
    std::set<std::string> Failing;
    // Exchanges in order: "R CB", "W 2E -546", "WP6 15 65532", "EEP 71", "WEEP 0D 26".
    std::vector<std::string> Log;
    int CommErrors = 0;

    void Set(const std::string& key, std::deque<int> values) { Values[key] = std::move(values); }
    void Clear() { Log.clear(); }

    int ReadFromRAM(const std::string& address, int, int, int& value) override {
        return Read("R " + address, address, value);
    }
    int ReadFromRAML(const std::string& address, int, int, int& value) override {
        return Read("RL " + address, "L " + address, value);
    }
    int ReadFromRAMWithPage(const std::string& address, int, int page, int, int& value) override {
        const std::string key = "P" + std::to_string(page) + " " + address;
        return Read("R" + key, key, value);
    }
    int ReadFromEEP(const std::string& address, int, int, int& value) override {
        return Read("EEP " + address, "EEP " + address, value);
    }
    int WriteToRAM(const std::string& address, int value) override {
        return Write("W " + address, value);
    }
    int WriteToRAML(const std::string& address, int value) override {
        return Write("WL " + address, value);
    }
    int WriteToRAMWithPage(const std::string& address, int value, int page) override {
        return Write("WP" + std::to_string(page) + " " + address, value);
    }
    int WriteToEEPRAM(const std::string& address, const std::string& valueText) override {
        return Write("WT " + address, std::stoi(valueText, nullptr, 16));
    }
    int WriteToEEP(const std::string& address, int value) override {
        return Write("WEEP " + address, value);
    }
    void Communicating_error() override { ++CommErrors; }
    std::string ReplyBuffer() const override { return {}; }

private:
    int Read(const std::string& logged, const std::string& key, int& value) {
        Log.push_back(logged);
        if (Failing.count(logged)) return 0;
        auto found = Values.find(key);
        if (found == Values.end() || found->second.empty()) return 0;
        value = found->second.front();
        if (found->second.size() > 1) found->second.pop_front();
        return 1;
    }
    int Write(const std::string& key, int value) {
        Log.push_back(key + " " + std::to_string(value));
        return Failing.count(key) ? 0 : 1;
    }
};
