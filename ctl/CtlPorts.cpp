#include "ctl/CtlPorts.h"

#include <ostream>

#include "ctl/ServoCtl.h"

bool IsPortsCommand(const std::vector<std::string>& command) {
    return command.size() == 1 && command[0] == "ports";
}

int ListPorts(std::ostream& out, std::ostream& err, const DeviceTree& tree) {
    const std::vector<SerialPortEntry> ports = ListSerialPorts(tree);
    if (ports.empty()) {
        err << "no serial device found (is the adapter plugged in?)\n";
        return CtlExchangeFailed;
    }
    for (const SerialPortEntry& port : ports) out << PortLine(port) << "\n";
    return CtlOk;
}
