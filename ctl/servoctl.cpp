// servoctl: reads and writes single amplifier words from a shell or a script.
#include "ctl/ServoCtl.h"

#include <unistd.h>

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "ctl/CtlPorts.h"
#include "link/Clock.h"
#include "link/Comm.h"
#include "link/Identification.h"
#include "shell/SettingsLocation.h"

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
    if (!options.Command.empty() && !ParseCommand(options.Command, command, error)) {
        std::cerr << error << "\n";
        return CtlUsageError;
    }

    TComm port;
    port.SetSearchFolder(options.Folder);
    port.SetDeviceName(options.Port);
    try {
        if (!OpenWithLineSettings(port)) {
            std::cerr << DescribeOpenFailure(options.Port, port.LastOpenFailure()) << "\n";
            return CtlExchangeFailed;
        }
    } catch (const std::exception& failure) {
        std::cerr << "cannot open port " << options.Port << ": " << failure.what() << "\n";
        return CtlExchangeFailed;
    }

    SystemClock clock;
    DriveState state;
    state.StartFolder = installFolder;
    SetFamily(options.Family, state);
    MainPanel panel;
    const MessageCatalogue noCatalogue;  // failures are told in plain lines
    DriveLink link(port, clock, state, panel, noCatalogue);
    AddressMap map;
    ServoCtl ctl(link, map, std::cout, std::cerr);
    ctl.ShowProgress(::isatty(STDERR_FILENO) == 1);
    const int status = options.Command.empty() ? ctl.Prompt(std::cin, ::isatty(STDIN_FILENO) == 1)
                                               : ctl.Run(command);
    port.Close();
    return status;
}
