#include "bench/BenchSupport.h"

#include <cstdlib>

#include "link/AmpMembers.h"

namespace bench {

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
