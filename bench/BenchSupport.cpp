#include "bench/BenchSupport.h"

#include <cstdlib>
#include <fstream>

#include "link/AmpMembers.h"

namespace bench {

Wire ReadLog(const std::string& path, int skip) {
    std::ifstream in(path);
    Wire wire;
    int line = 0;
    for (std::string text; std::getline(in, text); ++line) {
        if (line < skip) continue;
        const std::size_t a = text.find('\t');
        const std::size_t b = text.find('\t', a + 1);
        const std::size_t c = text.find('\t', b + 1);
        if (a == std::string::npos || b == std::string::npos || text.compare(a + 1, 1, "#") == 0) {
            continue;
        }
        ++wire.exchanges;
        // Request and reply as logged, the characters the link bench counts.
        wire.chars += static_cast<long>((b - a - 1) + (c - b - 1));
    }
    return wire;
}

int LogLines(const std::string& path) {
    std::ifstream in(path);
    int lines = 0;
    for (std::string text; std::getline(in, text);) ++lines;
    return lines;
}

int IntArgument(int argc, char** argv, int index, int fallback) {
    return argc > index ? std::atoi(argv[index]) : fallback;
}

std::vector<std::string> PacedArgs(int turnaroundMs) {
    return {"--pace", "--turnaround", std::to_string(turnaroundMs)};
}

bool OpenAmpsimPort(const AmpsimProcess& ampsim, TComm& port, SerialLine& line) {
    port.SetSearchFolder(ampsim.Folder());
    port.SetDeviceName("Com1");
    return OpenWithLineSettings(line);
}

void StartAs(const std::string& member, DriveState& state, MessageCatalogue& catalogue,
             AddressMap& map, Identification& identification) {
    state.StartFolder = DataFolder;
    ApplyAmpMember(*AmpMemberByName(member), state);
    catalogue.Load(state.StartFolder, 1);
    LoadAddressMap(map, state.AmpFamily, state.FxVersion, state.QrvFlag);
    identification.Read_current_mode();
}

}  // namespace bench
