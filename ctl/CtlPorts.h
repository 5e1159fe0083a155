#pragma once
// servoctl ports: the serial devices present, one per line, in the order
// and with the names that --port accepts.
#include <iosfwd>
#include <string>
#include <vector>

#include "link/PortList.h"

bool IsPortsCommand(const std::vector<std::string>& command);
// CtlOk with one line per device; CtlExchangeFailed (and a line on err)
// when there is none.
int ListPorts(std::ostream& out, std::ostream& err, const DeviceTree& tree = {});
