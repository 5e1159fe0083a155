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

#include "ctl/MonitorCommands.h"
#include "link/Clock.h"
#include "link/Comm.h"
#include "link/DriveLink.h"
#include "link/Identification.h"

namespace {

// The installation folder: servoctl lives beside servodesk, its type files and
// the ComN links, so it finds them wherever it is started from.
std::string ProgramFolder() {
    std::error_code failure;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", failure);
    return failure ? std::string(".") : program.parent_path().string();
}

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
    const std::string installFolder = ProgramFolder();
    CtlOptions options;
    options.Folder = installFolder;
    std::string error;
    if (!ParseOptions(args, options, error)) {
        std::cerr << error << "\n" << UsageText();
        return CtlUsageError;
    }
    if (options.Help) {
        std::cout << UsageText();
        return CtlOk;
    }
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

    TComm port;
    port.SetSearchFolder(options.Folder);
    port.SetDeviceName(options.Port);
    try {
        if (!OpenWithLineSettings(port)) {
            std::cerr << "cannot open port " << options.Port << "\n";
            return CtlExchangeFailed;
        }
    } catch (const std::exception& failure) {
        std::cerr << "cannot open port " << options.Port << ": " << failure.what() << "\n";
        return CtlExchangeFailed;
    }

    SystemClock clock;
    DriveState state;
    state.StartFolder = installFolder + "/";
    SetFamily(options.Family, state);
    MainPanel panel;
    const MessageCatalogue noCatalogue;  // failures are told in plain lines
    DriveLink link(port, clock, state, panel, noCatalogue);
    AddressMap map;
    Identification identification(link, port, state, panel, noCatalogue, map);
    const CtlDrive drive{link, clock, state, panel, map, identification, port, noCatalogue};
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
