#pragma once
// The FX-group tools on the in-process simulated amplifier with scripted
// answers, and a folder of their own for the files they read and write.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/SimTransfer.h"

struct FxBench : SimTransfer {
    explicit FxBench(const std::string& family, int version = 0) : SimTransfer(family, version) {
        EXPECT_FALSE(sim.state.CommErrorLatched);
        folder = std::filesystem::temp_directory_path() /
                 ("fxtools_" + std::to_string(::getpid()) + "_" + std::to_string(++Serial()));
        std::filesystem::create_directories(folder);
    }
    ~FxBench() { std::filesystem::remove_all(folder); }

    int Word(int index) const {
        const int raw = sim.amplifier->Ram(index);
        return raw >= 0x8000 ? raw - 0x10000 : raw;
    }
    void SetWord(int index, int value) {
        sim.amplifier->SetRam(index, static_cast<std::uint16_t>(value));
    }
    // "W5" writes as address and value, in order.
    std::vector<std::pair<std::string, std::string>> Writes() const {
        std::vector<std::pair<std::string, std::string>> writes;
        for (const std::string& request : sim.line->Requests()) {
            if (request.rfind("W5", 0) == 0)
                writes.emplace_back(request.substr(2, 2), request.substr(4, 4));
        }
        return writes;
    }
    bool Wrote(const std::string& address) const {
        for (const auto& w : Writes()) {
            if (w.first == address) return true;
        }
        return false;
    }
    std::string Path(const std::string& name) const { return (folder / name).string(); }
    void WriteFile(const std::string& name, const std::vector<std::string>& lines) const {
        std::ofstream out(Path(name), std::ios::binary);
        for (const std::string& line : lines) out << line << "\r\n";
    }
    std::vector<std::string> ReadLines(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    // A parameter file of the amplifier's present words, as Save writes it.
    std::vector<std::string> AmpFile() const {
        const FileKind& kind = FileKindFor(sim.state);
        const bool fx = kind.AmpFamily == 2;
        std::vector<std::string> lines{kind.Header};
        if (fx) lines.push_back(CpuLine(sim.state.CpuDate));
        for (int index = kind.FirstIndex; index <= kind.LastIndex; ++index) {
            const int raw = fx ? sim.amplifier->Ram(index) : Eeprom(index);
            lines.push_back(DataLine(index, raw >= 0x8000 ? raw - 0x10000 : raw, fx));
        }
        return lines;
    }
    int Eeprom(int index) const {
        return sim.state.AmpFamily == 0 ? sim.amplifier->Eeprom(index) : sim.amplifier->Ram(index);
    }
    int Count(const std::string& address) const {
        int n = 0;
        for (const auto& w : Writes()) n += w.first == address;
        return n;
    }

    static int& Serial() {
        static int serial = 0;
        return serial;
    }

    std::filesystem::path folder;
};
