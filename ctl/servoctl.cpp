// servoctl: reads and writes single amplifier words from a shell or a script.
#include "ctl/ServoCtl.h"

#include <unistd.h>

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

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
    if (!options.Command.empty() && !ParseCommand(options.Command, command, error)) {
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
    ServoCtl ctl(link, state, panel, map, identification, std::cout, std::cerr);
    const int status = options.Command.empty() ? ctl.Prompt(std::cin, ::isatty(STDIN_FILENO) == 1)
                                               : ctl.Run(command);
    port.Close();
    return status;
}
