// servoctl: reads and writes single amplifier words from a shell or a script.
#include "ctl/ServoCtl.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "ctl/CtlLine.h"
#include "ctl/CtlPorts.h"
#include "ctl/MonitorCommands.h"
#include "shell/SettingsLocation.h"

namespace {

constexpr int EnglishLanguage = 1;

volatile std::sig_atomic_t interrupted = 0;

// Ctrl-C asks the monitor to stop after the line it is on, and transfer-line
// after the exchange it is on; system calls of a read in progress resume, so
// that exchange is completed.
void CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = [](int) { interrupted = 1; };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() {
    return interrupted != 0;
}

// What the command words ask for, checked before any port is touched.
struct CheckedCommand {
    CtlCommand Command;
    MonitorOptions Monitor;
    AlarmOptions Alarms;
    bool Help = false;
};

bool CheckCommand(const std::vector<std::string>& words, CheckedCommand& checked,
                  std::string& error) {
    if (words.empty()) return true;
    const std::string& name = words[0];
    if (name == "ports") {
        checked.Help = words.size() > 1 && (words[1] == "--help" || words[1] == "-h");
        if (words.size() == 1 || (checked.Help && words.size() == 2)) return true;
        error = "usage: ports";
        return false;
    }
    const bool ok = name == "monitor"  ? ParseMonitorOptions(words, checked.Monitor, error)
                    : name == "alarms" ? ParseAlarmOptions(words, checked.Alarms, error)
                                       : ParseCommand(words, checked.Command, error);
    checked.Help |= checked.Monitor.Help || checked.Alarms.Help || checked.Command.Help;
    return ok;
}

int RunMonitorCommand(const CtlOptions& options, const CheckedCommand& checked,
                      CtlStation& station) {
    const CtlDrive drive = station.Drive();
    // Captions, units and alarm texts as the English window shows them.
    MessageCatalogue english;
    english.Load(drive.State.StartFolder, EnglishLanguage);
    MonitorCommands commands(drive, english, std::cout, std::cerr);
    return options.Command[0] == "monitor" ? commands.Monitor(checked.Monitor, Interrupted)
                                           : commands.Alarms(checked.Alarms);
}

int RunOnStations(const CtlOptions& options, const CheckedCommand& checked,
                  const std::string& installFolder) {
    const std::vector<std::string> names =
        options.Ports.empty() ? std::vector<std::string>{options.Port} : options.Ports;
    std::vector<std::unique_ptr<CtlStation>> stations;
    std::vector<LinePort> ports;
    for (const std::string& name : names) {
        stations.push_back(MakeStation(name, options, installFolder));
        std::string error;
        if (!stations.back()->Open(error)) {
            std::cerr << error << "\n";
            return CtlExchangeFailed;
        }
        ports.push_back({name, stations.back()->Drive()});
    }
    CatchInterrupt();
    const std::string& command = options.Command.empty() ? "" : options.Command[0];
    if (command == "monitor" || command == "alarms") {
        return RunMonitorCommand(options, checked, *stations.front());
    }
    if (command == "transfer-line") {
        return RunTransferLine(ports, checked.Command, std::cout, std::cerr, Interrupted,
                               names.size() > 1 && ::isatty(STDIN_FILENO) == 1);
    }
    ServoCtl ctl(ports.front().Drive, std::cout, std::cerr);
    ctl.ShowProgress(::isatty(STDERR_FILENO) == 1);
    LineControl control;
    control.Stop = Interrupted;
    ctl.SetLineControl(control);
    return command.empty() ? ctl.Prompt(std::cin, ::isatty(STDIN_FILENO) == 1)
                           : ctl.Run(checked.Command);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // servoctl lives beside servodesk and the ComN links; installed, its type
    // files are in the share folder.
    const std::string installFolder = InstallationFolder(ProgramFolder());
    CtlOptions options;
    options.Folder = ProgramFolder();
    std::string error;
    if (!ParseOptions(args, options, error)) {
        std::cerr << error << "\n" << UsageText();
        return CtlUsageError;
    }
    if (options.Version) {
        std::cout << VersionText();
        return CtlOk;
    }
    if (options.Help) {
        std::cout << UsageText();
        return CtlOk;
    }
    // A bad command is refused before the port is touched.
    CheckedCommand checked;
    if (!CheckCommand(options.Command, checked, error)) {
        std::cerr << error << "\n";
        return CtlUsageError;
    }
    if (checked.Help) {
        std::cout << CommandHelp(options.Command[0]);
        return CtlOk;
    }
    if (IsPortsCommand(options.Command)) return ListPorts(std::cout, std::cerr);
    return RunOnStations(options, checked, installFolder);
}
