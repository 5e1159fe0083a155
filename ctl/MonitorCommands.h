#pragma once
// servoctl monitor and servoctl alarms: the data monitor and the alarm history
// from the command line, on the logic the windows use.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "ctl/ServoCtl.h"
#include "link/AddressMap.h"
#include "link/MessageCatalogue.h"

struct MonitorOptions {
    std::vector<int> Rows;  // empty: every row the amplifier offers
    long Count = -1;        // lines to print; -1 until stopped
    int IntervalMs = 500;
    bool Raw = false;  // numbers as recordings write them, not the window's texts
    bool Help = false;
};

struct AlarmOptions {
    bool Clear = false;
    bool Help = false;
};

// Whether words are a monitor or alarms command, and its options checked
// before anything is sent; false with error set on a usage error.
bool IsMonitorCommand(const std::vector<std::string>& words);
bool ParseMonitorOptions(const std::vector<std::string>& words, MonitorOptions& options,
                         std::string& error);
bool ParseAlarmOptions(const std::vector<std::string>& words, AlarmOptions& options,
                       std::string& error);

class MonitorCommands {
public:
    // english: the catalogue the header and the alarm texts come from.
    MonitorCommands(const CtlDrive& drive, const MessageCatalogue& english, std::ostream& out,
                    std::ostream& err);

    // Prints the header, then one line per poll until options.Count lines are
    // printed or stop() says so (asked between lines, so a line is always
    // whole). CtlLinkLost when no read succeeded during the last second.
    int Monitor(const MonitorOptions& options, const std::function<bool()>& stop);
    // Prints the history, one line per slot in the window's order, or clears
    // it and prints "ok".
    int Alarms(const AlarmOptions& options);

private:
    bool Identify(const char* command);
    bool SelectRows(const MonitorOptions& options, std::vector<int>& rows);
    void WaitUntil(std::uint64_t dueMs, const std::function<bool()>& stop);

    CtlDrive d_;
    const MessageCatalogue& english_;
    std::ostream& out_;
    std::ostream& err_;
};
