#pragma once
// What the benchmark programs that run against ampsim share: the wire time of
// a character, ampsim started paced, its port opened the way ServoDesk opens
// a port, and the set-up start-up makes before its first exchange.
#include <string>
#include <vector>

#include "link/AddressMap.h"
#include "link/Comm.h"
#include "link/DriveLink.h"
#include "link/DriveState.h"
#include "link/Identification.h"
#include "link/MessageCatalogue.h"
#include "tests/link/AmpsimProcess.h"

#ifndef AMPSIM_PATH
#error "AMPSIM_PATH must name the ampsim program"
#endif
#ifndef SERVODESK_DATA_DIR
#error "SERVODESK_DATA_DIR must name the folder with the catalogues"
#endif

namespace bench {

inline constexpr const char* AmpsimPath = AMPSIM_PATH;
inline constexpr const char* DataFolder = SERVODESK_DATA_DIR "/";

// Ten bits a character at 9600 bit/s.
constexpr double CharMs = 10.0 * 1000.0 / 9600.0;

// The whole-number argument at index, or fallback when there is none.
int IntArgument(int argc, char** argv, int index, int fallback);

// Exchanges and characters on the wire from ampsim's log (--log) since line
// skip; LogLines tells where a measurement starts.
struct Wire {
    int exchanges = 0;
    long chars = 0;
};
Wire ReadLog(const std::string& path, int skip);
int LogLines(const std::string& path);

// ampsim's options for a run paced at 9600 bit/s with that turnaround.
std::vector<std::string> PacedArgs(int turnaroundMs);

// Opens the port ampsim serves as Com1 with the amplifier's line settings,
// through line: the port itself or a line that wraps it.
bool OpenAmpsimPort(const AmpsimProcess& ampsim, TComm& port, SerialLine& line);
inline bool OpenAmpsimPort(const AmpsimProcess& ampsim, TComm& port) {
    return OpenAmpsimPort(ampsim, port, port);
}

// What start-up does before it identifies the amplifier: the member's family
// flags, the catalogue and the address map from DataFolder, the current mode.
void StartAs(const std::string& member, DriveState& state, MessageCatalogue& catalogue,
             AddressMap& map, Identification& identification);

// ampsim started for family with args, its port open, and the objects an
// identification needs; each bench then sets up and identifies as it measures.
struct AmpOnPort {
    AmpOnPort(const std::string& family, const std::vector<std::string>& args)
        : ampsim(AmpsimPath, family, args),
          link(port, clock, state, panel, catalogue),
          identification(link, port, state, panel, catalogue, map) {
        OpenAmpsimPort(ampsim, port);
    }
    AmpsimProcess ampsim;
    TComm port;
    SystemClock clock;
    DriveState state;
    MainPanel panel;
    MessageCatalogue catalogue;
    DriveLink link;
    AddressMap map;
    Identification identification;
};

}  // namespace bench
