// servoctl: reads and writes single amplifier words from a shell or a script.
#include "ctl/ServoCtl.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "ctl/CtlPorts.h"
#include "ctl/MonitorCommands.h"
#include "desk/Desk.h"
#include "link/Clock.h"
#include "link/Comm.h"
#include "link/DriveLink.h"
#include "link/Identification.h"
#include "shell/SettingsLocation.h"

namespace {

constexpr int EnglishLanguage = 1;

volatile std::sig_atomic_t interrupted = 0;

// Ctrl-C asks the monitor to stop after the line it is on; system calls of a
// read in progress resume, so that line is completed.
void CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = [](int) { interrupted = 1; };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
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
    if (options.Help) {
        std::cout << UsageText();
        return CtlOk;
    }
    if (IsPortsCommand(options.Command)) return ListPorts(std::cout, std::cerr);
    // A bad command is refused before the port is touched.
    CtlCommand command;
    MonitorOptions monitorOptions;
    AlarmOptions alarmOptions;
    const bool monitorCommand = IsMonitorCommand(options.Command);
    const bool checked = options.Command.empty() ? true
                         : !monitorCommand       ? ParseCommand(options.Command, command, error)
                         : options.Command[0] == "monitor"
                             ? ParseMonitorOptions(options.Command, monitorOptions, error)
                             : ParseAlarmOptions(options.Command, alarmOptions, error);
    if (!checked) {
        std::cerr << error << "\n";
        return CtlUsageError;
    }

    // The same desk as the window's; its catalogue stays empty, so failures
    // are told in plain lines.
    DeskSetup setup;
    setup.StartFolder = installFolder;
    setup.PortFolder = options.Folder;
    setup.ProgramVersion = CtlProgramVersion;
    Desk desk(setup);
    SerialLine& port = desk.Port();
    port.SetDeviceName(options.Port);
    try {
        if (!OpenWithLineSettings(port)) {
            const auto* comm = dynamic_cast<const TThreadComm*>(&desk.PortDevice());
            std::cerr << DescribeOpenFailure(options.Port, comm->LastOpenFailure()) << "\n";
            return CtlExchangeFailed;
        }
    } catch (const std::exception& failure) {
        std::cerr << "cannot open port " << options.Port << ": " << failure.what() << "\n";
        return CtlExchangeFailed;
    }
    DriveState& state = desk.State;
    SetFamily(options.Family, state);
    const CtlDrive drive{desk.Link, desk.Time(), state, desk.Panel,
                         desk.Map,  desk.Ident,  port,  desk.Catalogue};
    int status = CtlOk;
    if (monitorCommand) {
        // Captions, units and alarm texts as the English window shows them.
        MessageCatalogue english;
        english.Load(state.StartFolder, EnglishLanguage);
        MonitorCommands commands(drive, english, std::cout, std::cerr);
        CatchInterrupt();
        status = options.Command[0] == "monitor"
                     ? commands.Monitor(monitorOptions, [] { return interrupted != 0; })
                     : commands.Alarms(alarmOptions);
    } else {
        ServoCtl ctl(drive, std::cout, std::cerr);
        ctl.ShowProgress(::isatty(STDERR_FILENO) == 1);
        status = options.Command.empty() ? ctl.Prompt(std::cin, ::isatty(STDIN_FILENO) == 1)
                                         : ctl.Run(command);
    }
    port.Close();
    return status;
}
