#include "ctl/ServoCtl.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>

#include "ctl/CtlArgs.h"
#include "link/AmpMembers.h"
#include "link/Procedure.h"

namespace {

// What one argument of a command must be.
enum class Arg { Address, Page, Word, Long, File };

struct ValueRange {
    long long Min;
    long long Max;
};
constexpr ValueRange WordRange{-32768, 65535};
constexpr ValueRange LongRange{-2147483648LL, 4294967295LL};

// What the commands work with.
struct Bench {
    Drive& Link;
    DriveState& State;
    MainPanel& Panel;
    AddressMap& Map;
    Identification& Ident;
};

// Runs the exchange of a command: 1 on success with the text to show.
using Handler = int (*)(Bench&, const CtlCommand&, std::string& shown);

struct CommandRow {
    const char* Name;
    std::vector<Arg> Args;  // operands
    const char* Usage;
    const char* Help;
    Handler Run;
    std::vector<OptionRule> Options = {};
    const char* Details = "";  // what COMMAND --help adds: defaults a script cannot see
};

int ToInt32(long long value) {
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

std::string WordText(int value) {
    return "0x" + HexWord(value) + " " + std::to_string(value);
}
std::string LongText(int value) {
    return "0x" + HexLong(value) + " " + std::to_string(value);
}

// A read primitive's value, shown once the read has succeeded.
int ShownRead(int result, int value, std::string (*format)(int), std::string& shown) {
    if (result == 1) shown = format(value);
    return result;
}
int Acknowledged(int result, std::string& shown) {
    if (result == 1) shown = "ok";
    return result;
}

int Read(Bench& b, const CtlCommand& c, std::string& shown) {
    int v = 0;
    const int result = b.Link.ReadFromRAM(c.Address, WordReplyLength, HexFormat, v);
    return ShownRead(result, v, WordText, shown);
}
int ReadLong(Bench& b, const CtlCommand& c, std::string& shown) {
    int v = 0;
    const int result = b.Link.ReadFromRAML(c.Address, LongReplyLength, HexFormat, v);
    return ShownRead(result, v, LongText, shown);
}
int ReadPage(Bench& b, const CtlCommand& c, std::string& shown) {
    int v = 0;
    const int result = b.Link.ReadFromRAMWithPage(c.Address, WordReplyLength, c.Page, HexFormat, v);
    return ShownRead(result, v, WordText, shown);
}
int EepRead(Bench& b, const CtlCommand& c, std::string& shown) {
    int v = 0;
    const int result = b.Link.ReadFromEEP(c.Address, WordReplyLength, HexFormat, v);
    return ShownRead(result, v, WordText, shown);
}
int Write(Bench& b, const CtlCommand& c, std::string& shown) {
    return Acknowledged(b.Link.WriteToRAM(c.Address, static_cast<int>(c.Value)), shown);
}
int WriteLong(Bench& b, const CtlCommand& c, std::string& shown) {
    return Acknowledged(b.Link.WriteToRAML(c.Address, ToInt32(c.Value)), shown);
}
int WritePage(Bench& b, const CtlCommand& c, std::string& shown) {
    return Acknowledged(b.Link.WriteToRAMWithPage(c.Address, static_cast<int>(c.Value), c.Page),
                        shown);
}
int EepWrite(Bench& b, const CtlCommand& c, std::string& shown) {
    return Acknowledged(b.Link.WriteToEEP(c.Address, static_cast<int>(c.Value)), shown);
}

// Identification succeeded only when every one of its reads was answered: a
// label built from part of them, or a version left at its default, is no result.
int Ident(Bench& b, const CtlCommand&, std::string& shown) {
    b.Panel = MainPanel{};
    LoadAddressMap(b.Map, b.State.AmpFamily, b.State.FxVersion, b.State.QrvFlag);
    if (!b.Ident.Read_current_mode()) return 0;
    shown = b.Panel.CPULabel + "\n" + b.Panel.EEPLabel + "\n" + b.Panel.MainMsg5;
    if (b.State.AmpFamily == Family::Fx) shown += "\nversion " + std::to_string(b.State.FxVersion);
    return 1;
}

int Help(Bench&, const CtlCommand&, std::string& shown) {
    shown = UsageText();
    return 1;
}
int Quit(Bench&, const CtlCommand&, std::string&) {
    return 1;
}

const std::vector<CommandRow>& Commands() {
    static const std::vector<CommandRow> rows = {
        {"read", {Arg::Address}, "read ADDR", "read a RAM word", Read},
        {"readl", {Arg::Address}, "readl ADDR", "read a RAM long", ReadLong},
        {"readp",
         {Arg::Page, Arg::Address},
         "readp PAGE ADDR",
         "read a word of page 0-9",
         ReadPage},
        {"write", {Arg::Address, Arg::Word}, "write ADDR VALUE", "write a RAM word", Write},
        {"writel", {Arg::Address, Arg::Long}, "writel ADDR VALUE", "write a RAM long", WriteLong},
        {"writep",
         {Arg::Page, Arg::Address, Arg::Word},
         "writep PAGE ADDR VALUE",
         "write a word of page 0-9",
         WritePage},
        {"eeread", {Arg::Address}, "eeread ADDR", "read an EEPROM word", EepRead},
        {"eewrite",
         {Arg::Address, Arg::Word},
         "eewrite ADDR VALUE",
         "write an EEPROM word",
         EepWrite},
        {"ident", {}, "ident", "identify the amplifier of the family", Ident},
        // The whole-set commands run the window's own Save and Open (no handler here).
        {"save", {Arg::File}, "save FILE", "copy the parameter set into FILE", nullptr},
        {"open",
         {Arg::File},
         "open [--reset] [--force] [--dry-run] [--no-partial] FILE",
         "transfer FILE into the amplifier (--dry-run: show what would change)",
         nullptr,
         {{"--reset"}, {"--force"}, {"--dry-run"}, {"--no-partial"}},
         "The amplifier is backed up first and every written word is read back.\n"
         "open does not reset the amplifier unless --reset is given.\n"
         "A partial file (a save with read-error lines: fewer entries than the\n"
         "family has) is transferred with a note on standard error; --no-partial\n"
         "refuses it with exit 4. --force transfers a file whose identity names\n"
         "another amplifier or that changed since it was saved.\n"},
        {"compare",
         {Arg::File},
         "compare [--include-protected] FILE",
         "compare FILE with the amplifier (FX group)",
         nullptr,
         {{"--include-protected"}}},
        {"transfer-line",
         {Arg::File},
         "transfer-line FILE --count N [--port P]... [--reset auto|yes|no] [--force]",
         "transfer FILE into N amplifiers in a row, on every --port at once",
         nullptr,
         {{"--count", true}, {"--reset", true}, {"--force"}},
         "transfer-line resets each unit after its transfer by default (--reset\n"
         "yes; auto does the same without the question); --reset no leaves each\n"
         "unit running and uncounted. Each unit is read back and recorded in\n"
         "production.csv; one summary line per unit on standard output, starting\n"
         "with the port name and a tab when several --port are given.\n"},
        {"table", {Arg::File}, "table FILE", "save the table-view file (FX group)", nullptr},
        {"help", {}, "help", "this text", Help},
        {"quit", {}, "quit", "leave the prompt", Quit},
    };
    return rows;
}

bool ParseAddress(const std::string& word, CtlCommand& command, std::string& error) {
    std::string upper = word;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (!IsAddressText(upper)) {
        error = "bad address '" + word + "': two hexadecimal digits expected";
        return false;
    }
    command.Address = upper;
    return true;
}

bool ParsePage(const std::string& word, CtlCommand& command, std::string& error) {
    if (word.size() != 1 || !std::isdigit(static_cast<unsigned char>(word[0]))) {
        error = "bad page '" + word + "': one digit 0 to 9 expected";
        return false;
    }
    command.Page = word[0] - '0';
    return true;
}

bool ParseValue(const std::string& word, ValueRange range, CtlCommand& command,
                std::string& error) {
    const std::string malformed = "bad value '" + word + "': decimal or 0x hexadecimal expected";
    const char* first = word.data();
    const char* last = first + word.size();
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        first += 2;
        base = 16;
    }
    long long value = 0;
    if (base == 16 && *first == '-') {
        error = malformed;
        return false;
    }
    const auto [end, failure] = std::from_chars(first, last, value, base);
    const bool outOfRange = failure == std::errc::result_out_of_range ||
                            (failure == std::errc() && (value < range.Min || value > range.Max));
    if (outOfRange && end == last) {
        error = "value " + word + " out of range " + std::to_string(range.Min) + " to " +
                std::to_string(range.Max);
        return false;
    }
    if (failure != std::errc() || end != last) {
        error = malformed;
        return false;
    }
    command.Value = value;
    return true;
}

bool ParseCount(const std::string& text, CtlCommand& command, std::string& error) {
    const auto [end, failure] =
        std::from_chars(text.data(), text.data() + text.size(), command.Count);
    if (failure == std::errc() && end == text.data() + text.size() && command.Count >= 1) {
        return true;
    }
    error = "bad count '" + text + "': a number of 1 or more expected";
    return false;
}

bool ParseResetMode(const std::string& text, CtlCommand& command, std::string& error) {
    command.ResetMode = text;
    if (text == "auto" || text == "yes" || text == "no") return true;
    error = "bad reset mode '" + text + "': auto, yes or no";
    return false;
}

// One option of a command, as its row declares it.
bool ApplyOption(const std::string& name, const std::string& value, bool takesValue,
                 CtlCommand& command, std::string& error) {
    if (name == "--count") return ParseCount(value, command, error);
    if (name == "--reset" && takesValue) return ParseResetMode(value, command, error);
    bool* const flag = name == "--reset"               ? &command.Reset
                       : name == "--force"             ? &command.Force
                       : name == "--dry-run"           ? &command.DryRun
                       : name == "--no-partial"        ? &command.NoPartial
                       : name == "--include-protected" ? &command.IncludeProtected
                                                       : nullptr;
    if (flag != nullptr) *flag = true;
    return flag != nullptr;
}

bool ApplyOptions(const CommandRow& row, const CommandWords& split, CtlCommand& command,
                  std::string& error) {
    for (const auto& option : split.Options) {
        const std::string& name = option.first;
        const auto rule = std::find_if(row.Options.begin(), row.Options.end(),
                                       [&name](const OptionRule& s) { return name == s.Name; });
        if (!ApplyOption(name, option.second, rule->TakesValue, command, error)) return false;
    }
    if (std::string(row.Name) == "transfer-line" && command.Count == 0) {
        error = "transfer-line needs --count N";
        return false;
    }
    return true;
}

bool ParseArg(Arg arg, const std::string& word, CtlCommand& command, std::string& error) {
    switch (arg) {
        case Arg::Address:
            return ParseAddress(word, command, error);
        case Arg::Page:
            return ParsePage(word, command, error);
        case Arg::Word:
            return ParseValue(word, WordRange, command, error);
        case Arg::Long:
            return ParseValue(word, LongRange, command, error);
        case Arg::File:
            command.File = word;
            if (word.empty()) error = "empty file name";
            return !word.empty();
    }
    return false;
}

// Shows what came back, so that noise on the line cannot upset the terminal.
std::string Printable(const std::string& text) {
    std::string shown;
    for (unsigned char c : text) {
        if (std::isprint(c)) {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    return shown;
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::istringstream words(line);
    std::vector<std::string> result;
    for (std::string word; words >> word;) result.push_back(word);
    return result;
}

}  // namespace

bool IdentifyAmplifier(const CtlDrive& drive) {
    drive.Panel = MainPanel{};
    LoadAddressMap(drive.Map, drive.State.AmpFamily, drive.State.FxVersion, drive.State.QrvFlag);
    return drive.Ident.Read_current_mode();
}

bool SetFamily(const std::string& name, DriveState& state) {
    const AmpMember* member = AmpMemberByName(name);
    if (member) ApplyAmpMember(*member, state);
    return member != nullptr;
}

namespace {

// The commands servoctl runs outside the command table, for the help texts.
const std::vector<CommandRow>& OtherCommands() {
    static const std::vector<CommandRow> rows = {
        {"monitor",
         {},
         "monitor [--rows LIST] [--count N] [--interval MS] [--raw]",
         "monitored quantities as CSV, every MS ms (default 500)",
         nullptr,
         {},
         "Runs until N lines are printed or Ctrl-C ends it after a whole line\n"
         "(exit 0); exit 3 when no read succeeded during the last second.\n"},
        {"alarms", {}, "alarms [--clear]", "the alarm history, or clear it", nullptr},
        {"ports", {}, "ports", "list the serial devices present", nullptr},
    };
    return rows;
}

const CommandRow* FindCommand(const std::string& name) {
    for (const auto* rows : {&Commands(), &OtherCommands()}) {
        for (const CommandRow& row : *rows) {
            if (name == row.Name) return &row;
        }
    }
    return nullptr;
}

// "  usage   help", the help on a line of its own under a long usage.
std::string CommandLine(const CommandRow& row) {
    constexpr int UsageWidth = 24;
    char line[200];
    if (std::strlen(row.Usage) > UsageWidth) {
        std::snprintf(line, sizeof line, "  %s\n  %-*s %s\n", row.Usage, UsageWidth, "", row.Help);
    } else {
        std::snprintf(line, sizeof line, "  %-*s %s\n", UsageWidth, row.Usage, row.Help);
    }
    return line;
}

// A program option: where its value goes.
std::string* ValueTarget(const std::string& name, CtlOptions& options) {
    return name == "--folder" ? &options.Folder : name == "--family" ? &options.Family : nullptr;
}

// Takes one program option at args[i]; false when it is none (it belongs to
// the command, or is unknown before any command).
bool TakeProgramOption(const std::vector<std::string>& args, std::size_t& i, CtlOptions& options,
                       std::string& error) {
    std::string name = args[i], value;
    const bool assigned = SplitAssignment(args[i], name, value);
    if (name == "--version") return options.Version = true;
    if (options.Command.empty() && (name == "-h" || name == "--help")) return options.Help = true;
    std::string* target = ValueTarget(name, options);
    if (target == nullptr && name != "--port") return false;
    if (!assigned) {
        if (i + 1 == args.size()) {
            error = name + " needs a value";
            return true;
        }
        value = args[++i];
    }
    if (target != nullptr) *target = value;
    if (name == "--port") options.Ports.push_back(value);
    return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, CtlOptions& options, std::string& error) {
    error.clear();
    options.Command.clear();
    options.Ports.clear();
    bool ended = false;
    for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
        const std::string& word = args[i];
        if (ended || !LooksLikeOption(word)) {
            options.Command.push_back(word);
        } else if (word == "--") {
            // The command's parser needs it too: what follows are operands.
            ended = true;
            if (!options.Command.empty()) options.Command.push_back(word);
        } else if (!TakeProgramOption(args, i, options, error)) {
            if (options.Command.empty()) error = "unknown option '" + word + "'";
            options.Command.push_back(word);
        }
    }
    if (!error.empty()) return false;
    if (!options.Ports.empty()) options.Port = options.Ports.front();
    if (options.Ports.size() > 1 &&
        (options.Command.empty() || options.Command[0] != "transfer-line")) {
        error = "several --port: only transfer-line drives several ports at once";
        return false;
    }
    DriveState probe;
    if (!SetFamily(options.Family, probe)) {
        error = "unknown family '" + options.Family + "': bx, dx, fx, kqrv, lqrv or yz";
        return false;
    }
    return true;
}

std::string ExitStatusText() {
    return "Exit status, the same for every command:\n"
           "  0  done\n"
           "  1  the amplifier answered, but not all went well: a refused or bad\n"
           "     reply, failed entries, words that read back different, a\n"
           "     difference (compare), a change a dry run would make; or the port\n"
           "     could not be opened\n"
           "  2  a usage error\n"
           "  3  no reply at all from the amplifier, or the link was lost on the way\n"
           "  4  a file that cannot be read, made or transferred: refused by its\n"
           "     check, by its identity (NAME.ext.json names another amplifier or\n"
           "     the file changed since it was saved; --force transfers anyway), a\n"
           "     partial file with --no-partial, or a failed backup before a transfer\n"
           "130  stopped by Ctrl-C: save keeps the old file, open stops before its next\n"
           "     write and reads back what it wrote, transfer-line before its next unit\n"
           "With several --port the status is the worst of all units.\n";
}

std::string UsageText() {
    std::string text =
        "usage: servoctl [--port Com1|/dev/ttyUSB0|tcp://HOST:PORT|rfc2217://HOST:PORT]\n"
        "                [--folder DIR] [--family bx|dx|fx|kqrv|lqrv|yz] [COMMAND...]\n"
        "       servoctl ports\n"
        "       servoctl --version\n"
        "The port name is looked up in DIR (default: the folder of servoctl), then\n"
        "as ComN (/dev/ttySN-1), a node in /dev or a name in /dev/serial/by-id;\n"
        "servoctl ports lists the serial devices present with those names.\n"
        "tcp://HOST:PORT is a serial device server's raw TCP port, rfc2217://HOST:PORT\n"
        "its Telnet port with the COM port option (RFC 2217).\n"
        "Without a command, commands are read line by line from standard input.\n"
        "Options may stand anywhere after the command; -- ends them.\n"
        "ADDR is two hexadecimal digits, VALUE decimal or 0x hexadecimal.\n"
        "COMMAND --help shows a command's options and defaults.\n";
    for (const auto* rows : {&Commands(), &OtherCommands()}) {
        for (const CommandRow& row : *rows) text += CommandLine(row);
    }
    return text + ExitStatusText();
}

std::string VersionText() {
    return std::string("servoctl ") + SERVODESK_VERSION + "\n";
}

std::string CommandHelp(const std::string& name) {
    const CommandRow* row = FindCommand(name);
    if (row == nullptr) return {};
    return std::string("usage: servoctl [--port P] [--folder DIR] [--family F] ") + row->Usage +
           "\n" + row->Help + "\n" + row->Details + ExitStatusText();
}

// "?" is what the link leaves in its reply buffer when nothing came.
bool IsNoReply(const std::string& reply) {
    return reply.empty() || reply == "?";
}

int FailedExchangeStatus(const std::string& reply) {
    return IsNoReply(reply) ? CtlLinkLost : CtlExchangeFailed;
}

bool ParseCommand(const std::vector<std::string>& words, CtlCommand& command, std::string& error) {
    if (words.empty()) {
        error = "no command";
        return false;
    }
    const auto& rows = Commands();
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const CommandRow& r) { return words[0] == r.Name; });
    if (row == rows.end()) {
        error = "unknown command '" + words[0] + "' (help lists the commands)";
        return false;
    }
    command = CtlCommand{};
    command.Row = static_cast<int>(row - rows.begin());
    CommandWords split;
    if (!SplitOptions({words.begin() + 1, words.end()}, row->Options, split, error)) return false;
    command.Help = split.Help;
    if (command.Help) return true;
    if (split.Operands.size() != row->Args.size()) {
        error = std::string("usage: ") + row->Usage;
        return false;
    }
    for (std::size_t i = 0; i < split.Operands.size(); ++i) {
        if (!ParseArg(row->Args[i], split.Operands[i], command, error)) return false;
    }
    return ApplyOptions(*row, split, command, error);
}

ServoCtl::ServoCtl(const CtlDrive& drive, std::ostream& out, std::ostream& err)
    : d_(drive), out_(out), err_(err) {}

int ServoCtl::Execute(const std::vector<std::string>& words) {
    CtlCommand command;
    std::string error;
    if (!ParseCommand(words, command, error)) {
        err_ << error << "\n";
        return CtlUsageError;
    }
    return Run(command);
}

int ServoCtl::Run(const CtlCommand& command) {
    const CommandRow& row = Commands()[static_cast<std::size_t>(command.Row)];
    if (command.Help) {
        out_ << CommandHelp(row.Name);
        return CtlOk;
    }
    // Each command stands alone: an earlier failure must not slow this one.
    d_.State.CommErrorLatched = false;
    if (row.Run == nullptr) return RunFileCommand(command, row.Name);
    Bench bench{d_.Link, d_.State, d_.Panel, d_.Map, d_.Ident};
    std::string shown;
    if (row.Run(bench, command, shown) != 1) {
        err_ << row.Name << ": " << Failure() << "\n";
        return FailedExchangeStatus(d_.Link.ReplyBuffer());
    }
    if (!shown.empty()) out_ << shown << (shown.back() == '\n' ? "" : "\n");
    return CtlOk;
}

std::string ServoCtl::Failure() const {
    const std::string reply = d_.Link.ReplyBuffer();
    if (IsNoReply(reply)) return "no reply";
    return "bad reply \"" + Printable(reply) + "\"";
}

int ServoCtl::Prompt(std::istream& in, bool showPrompt) {
    int worst = CtlOk;
    std::string line;
    while (true) {
        if (showPrompt) out_ << "servoctl> " << std::flush;
        if (!std::getline(in, line)) break;
        const std::vector<std::string> words = SplitWords(line);
        if (words.empty()) continue;
        if (words.size() == 1 && words[0] == "quit") break;
        worst = std::max(worst, Execute(words));
    }
    return worst;
}
