#pragma once
#include "desk/Desk.h"
// One port of servoctl with everything around it, and transfer-line on
// several ports at once: each port on its own thread with its own port, link,
// drive state and commands, built by one function.
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "ctl/ServoCtl.h"
#include "link/Comm.h"
#include "link/DriveLink.h"

class CtlStation {
public:
    CtlStation(const std::string& port, const CtlOptions& options,
               const std::string& installFolder);
    CtlStation(const CtlStation&) = delete;
    CtlStation& operator=(const CtlStation&) = delete;
    ~CtlStation();

    // Opens the port with the amplifier's line settings; false with the
    // reason, in words the user can act on.
    bool Open(std::string& error);
    CtlDrive Drive();
    const std::string& PortName() const { return name_; }

    Desk& GetDesk() { return desk_; }

private:
    std::string name_;
    // The window's own desk; its catalogue stays empty, so failures are told
    // in plain lines.
    Desk desk_;
};

// The one place a port's station is built.
std::unique_ptr<CtlStation> MakeStation(const std::string& port, const CtlOptions& options,
                                        const std::string& installFolder);

struct LinePort {
    std::string Name;
    CtlDrive Drive;
};

// transfer-line on every port at once. With one port exactly as ServoCtl runs
// it; with several, every line on out and err starts with the port's name
// and a tab, whole lines never mixed. Between units an operator at a
// terminal (askBetweenUnits) presses Return once for all ports. stop is asked
// between exchanges. The status is the worst of all ports.
int RunTransferLine(const std::vector<LinePort>& ports, const CtlCommand& command,
                    std::ostream& out, std::ostream& err, const std::function<bool()>& stop,
                    bool askBetweenUnits);
