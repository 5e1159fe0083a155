#pragma once
// The command-line service tool: options, the commands that read and write
// single amplifier words, and the interactive prompt. Logic only, so tests run
// it against the in-process simulated amplifier.
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

// Exit statuses of servoctl.
// save and open add 1 for failed entries (open: also words that read back
// different, and a dry run that would change something), 3 for a lost link
// and 4 for a file that cannot be made, read or transferred (open: also one
// whose identity file does not match, without --force, and a failed backup).
enum CtlStatus {
    CtlOk = 0,
    CtlExchangeFailed = 1,
    CtlUsageError = 2,
    CtlLinkLost = 3,
    CtlFileError = 4
};

// The version the identity files of saves name.
inline constexpr char CtlProgramVersion[] = "servoctl V1.500";

struct CtlOptions {
    std::string Port = "Com1";
    std::string Folder = ".";  // where bare port names are looked up
    std::string Family = "fx";
    bool Help = false;
    std::vector<std::string> Command;  // empty: interactive prompt
};

// Reads the options before the command words. False with error set on a
// usage error.
bool ParseOptions(const std::vector<std::string>& args, CtlOptions& options, std::string& error);

// Sets the family fields of the drive state for bx, dx, fx, kqrv, lqrv, yz.
bool SetFamily(const std::string& name, DriveState& state);

std::string UsageText();

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
    std::string File;               // save, open, compare, transfer-line, table
    bool Reset = false;             // open --reset
    bool Force = false;             // open --force: transfer despite the identity check
    bool DryRun = false;            // open --dry-run: show what would change, write nothing
    bool IncludeProtected = false;  // compare --include-protected
    int Count = 0;                  // transfer-line --count N
    std::string ResetMode = "yes";  // transfer-line --reset auto|yes|no
};

// Checks the words of one command; false with error set on a usage error.
bool ParseCommand(const std::vector<std::string>& words, CtlCommand& command, std::string& error);

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

private:
    std::string Failure() const;
    int RunFileCommand(const CtlCommand& command, const std::string& name);
    int RunFxTool(const CtlCommand& command, const std::string& name, struct TransferSeams& seams,
                  class CtlQuestions& questions);
    bool Identify();

    CtlDrive d_;
    std::ostream& out_;
    std::ostream& err_;
    bool showProgress_ = false;
};
