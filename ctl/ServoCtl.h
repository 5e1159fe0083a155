#pragma once
// The command-line service tool: options, the commands that read and write
// single amplifier words, and the interactive prompt. Logic only, so tests run
// it against the in-process simulated amplifier.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "link/AddressMap.h"
#include "link/Clock.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "link/Identification.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"
#include "link/SerialLine.h"

// Exit statuses of servoctl, one rule for every command (ExitStatusText
// tells it to the user).
enum CtlStatus {
    CtlOk = 0,
    CtlExchangeFailed = 1,  // the amplifier answered, but not all went well
    CtlUsageError = 2,
    CtlLinkLost = 3,      // no reply at all, or the link was lost on the way
    CtlFileError = 4,     // a file that cannot be made, read or transferred
    CtlInterrupted = 130  // transfer-line stopped by Ctrl-C
};
// Whether the link's reply buffer holds no reply at all.
bool IsNoReply(const std::string& reply);
// The status of a command whose exchanges failed: CtlLinkLost when the last
// reply was none at all, CtlExchangeFailed when something came back.
int FailedExchangeStatus(const std::string& reply);

// The version the identity files of saves name.
inline constexpr char CtlProgramVersion[] = "servoctl V1.500";

struct CtlOptions {
    std::string Port = "Com1";       // the first --port
    std::vector<std::string> Ports;  // every --port given, in order
    std::string Folder = ".";        // where bare port names are looked up
    std::string Family = "fx";
    bool Help = false;                 // --help before the command
    bool Version = false;              // --version
    std::vector<std::string> Command;  // empty: interactive prompt
};

// Takes the program's options wherever they stand; the command's own words
// and options are left in Command, in their order. False with error set on a
// usage error.
bool ParseOptions(const std::vector<std::string>& args, CtlOptions& options, std::string& error);

// Sets the family fields of the drive state for bx, dx, fx, kqrv, lqrv, yz.
bool SetFamily(const std::string& name, DriveState& state);

std::string UsageText();
// "servoctl 1.5.0": the project's version.
std::string VersionText();
// The usage of one command with its options, defaults and the exit statuses;
// empty for an unknown command.
std::string CommandHelp(const std::string& name);
// The exit statuses, one table for every command.
std::string ExitStatusText();

// What every command works on: the drive and the state around it, owned by
// the program (or a test) for the whole run.
struct CtlDrive {
    Drive& Link;
    Clock& Time;
    DriveState& State;
    MainPanel& Panel;
    AddressMap& Map;
    Identification& Ident;
    SerialLine& Port;
    const MessageCatalogue& Catalogue;
};

// Loads the family's address map and identifies the amplifier as start-up
// does (FX version, model text); false unless every read was answered.
bool IdentifyAmplifier(const CtlDrive& drive);

// One command of servoctl, checked before anything is sent.
struct CtlCommand {
    int Row = -1;  // row of the command table
    std::string Address;
    int Page = 5;
    long long Value = 0;
    std::string File;        // save, open, compare, transfer-line, table
    bool Reset = false;      // open --reset
    bool Force = false;      // open, transfer-line --force: transfer despite the identity check
    bool DryRun = false;     // open --dry-run: show what would change, write nothing
    bool NoPartial = false;  // open --no-partial: refuse a file with fewer entries than the family
    bool Help = false;       // COMMAND --help: show its usage, send nothing
    bool IncludeProtected = false;  // compare --include-protected
    int Count = 0;                  // transfer-line --count N
    std::string ResetMode = "yes";  // transfer-line --reset auto|yes|no
};

// Checks the words of one command, its options anywhere after the command
// word; false with error set on a usage error.
bool ParseCommand(const std::vector<std::string>& words, CtlCommand& command, std::string& error);

// How transfer-line goes from one unit to the next. Unset members keep the
// defaults: the next unit at once, or on a terminal after Return; never stop.
struct LineControl {
    std::function<bool()> NextUnit;  // asked between units; false ends the line
    std::function<bool()> Stop;      // asked between exchanges; true stops there
};

class ServoCtl {
public:
    // The drive state must already hold the family.
    ServoCtl(const CtlDrive& drive, std::ostream& out, std::ostream& err);

    // Checks and runs one command: CtlOk, CtlExchangeFailed or CtlUsageError.
    int Execute(const std::vector<std::string>& words);
    // Runs commands line by line until "quit" or the end of input; the result
    // is the worst status of the commands run.
    int Prompt(std::istream& in, bool showPrompt);
    // Runs one checked command.
    int Run(const CtlCommand& command);
    // Shows a progress line on the error stream during save and open.
    void ShowProgress(bool shown) { showProgress_ = shown; }
    void SetLineControl(LineControl control) { line_ = std::move(control); }

private:
    std::string Failure() const;
    int RunFileCommand(const CtlCommand& command, const std::string& name);
    int RunFxTool(const CtlCommand& command, const std::string& name, struct TransferSeams& seams,
                  class CtlQuestions& questions);
    bool Identify();
    bool NextUnit();
    bool StopRequested();

    CtlDrive d_;
    std::ostream& out_;
    std::ostream& err_;
    bool showProgress_ = false;
    LineControl line_;
    bool stopped_ = false;  // Stop said so during the command
};
