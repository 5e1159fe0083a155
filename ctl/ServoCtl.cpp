#include "ctl/ServoCtl.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <istream>
#include <ostream>
#include <sstream>

#include "link/AmpMembers.h"
#include "link/Procedure.h"

namespace {

// What one argument of a command must be.
enum class Arg { Address, Page, Word, Long, File, OpenOptions, CompareOptions, LineOptions };

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
    std::vector<Arg> Args;
    const char* Usage;
    const char* Help;
    Handler Run;
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
         {Arg::File, Arg::OpenOptions},
         "open FILE [--reset] [--force] [--dry-run]",
         "transfer FILE into the amplifier (--dry-run: show what would change)",
         nullptr},
        {"compare",
         {Arg::File, Arg::CompareOptions},
         "compare FILE [--include-protected]",
         "compare FILE with the amplifier (FX group)",
         nullptr},
        {"transfer-line",
         {Arg::File, Arg::LineOptions},
         "transfer-line FILE --count N [--reset auto|yes|no] [--force]",
         "transfer FILE into N amplifiers in a row",
         nullptr},
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

// Open's flags, each once.
bool ParseOpenOption(const std::string& word, CtlCommand& command, std::string& error) {
    bool* const option = word == "--reset"     ? &command.Reset
                         : word == "--force"   ? &command.Force
                         : word == "--dry-run" ? &command.DryRun
                                               : nullptr;
    if (option == nullptr || *option) {
        error = (option ? "option given twice '" : "unknown option '") + word +
                "' (--reset, --force, --dry-run)";
        return false;
    }
    *option = true;
    return true;
}

// The options after FILE of open, compare and transfer-line, in any order.
bool ParseToolOptions(Arg arg, const std::vector<std::string>& words, CtlCommand& command,
                      std::string& error) {
    bool counted = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const bool hasValue = i + 1 < words.size();
        if (arg == Arg::OpenOptions) {
            if (!ParseOpenOption(word, command, error)) return false;
        } else if (arg == Arg::CompareOptions && word == "--include-protected") {
            command.IncludeProtected = true;
        } else if (arg == Arg::LineOptions && word == "--count" && hasValue) {
            const std::string& text = words[++i];
            const auto [end, failure] =
                std::from_chars(text.data(), text.data() + text.size(), command.Count);
            if (failure != std::errc() || end != text.data() + text.size() || command.Count < 1) {
                error = "bad count '" + text + "': a number of 1 or more expected";
                return false;
            }
            counted = true;
        } else if (arg == Arg::LineOptions && word == "--force" && !command.Force) {
            command.Force = true;
        } else if (arg == Arg::LineOptions && word == "--reset" && hasValue) {
            command.ResetMode = words[++i];
            if (command.ResetMode != "auto" && command.ResetMode != "yes" &&
                command.ResetMode != "no") {
                error = "bad reset mode '" + command.ResetMode + "': auto, yes or no";
                return false;
            }
        } else {
            error = "unknown option '" + word + "'";
            return false;
        }
    }
    if (arg == Arg::LineOptions && !counted) {
        error = "transfer-line needs --count N";
        return false;
    }
    return true;
}

bool IsToolOptions(Arg arg) {
    return arg == Arg::OpenOptions || arg == Arg::CompareOptions || arg == Arg::LineOptions;
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
        case Arg::OpenOptions:
        case Arg::CompareOptions:
        case Arg::LineOptions:
            return false;  // taken by ParseToolOptions
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

bool ParseOptions(const std::vector<std::string>& args, CtlOptions& options, std::string& error) {
    std::size_t i = 0;
    for (; i < args.size() && args[i].rfind("-", 0) == 0; ++i) {
        const std::string& option = args[i];
        if (option == "-h" || option == "--help") {
            options.Help = true;
            continue;
        }
        std::string* target = option == "--port"     ? &options.Port
                              : option == "--folder" ? &options.Folder
                              : option == "--family" ? &options.Family
                                                     : nullptr;
        if (target == nullptr) {
            error = "unknown option '" + option + "'";
            return false;
        }
        if (++i == args.size()) {
            error = option + " needs a value";
            return false;
        }
        *target = args[i];
    }
    DriveState probe;
    if (!SetFamily(options.Family, probe)) {
        error = "unknown family '" + options.Family + "': bx, dx, fx, kqrv, lqrv or yz";
        return false;
    }
    options.Command.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return true;
}

std::string UsageText() {
    std::string text =
        "usage: servoctl [--port Com1|/dev/ttyUSB0|tcp://HOST:PORT|rfc2217://HOST:PORT]\n"
        "                [--folder DIR] [--family bx|dx|fx|kqrv|lqrv|yz] [COMMAND...]\n"
        "       servoctl ports\n"
        "The port name is looked up in DIR (default: the folder of servoctl), then\n"
        "as ComN (/dev/ttySN-1), a node in /dev or a name in /dev/serial/by-id;\n"
        "servoctl ports lists the serial devices present with those names.\n"
        "tcp://HOST:PORT is a serial device server's raw TCP port, rfc2217://HOST:PORT\n"
        "its Telnet port with the COM port option (RFC 2217).\n"
        "Without a command, commands are read line by line from standard input.\n"
        "ADDR is two hexadecimal digits, VALUE decimal or 0x hexadecimal.\n"
        "save, open, transfer-line and table exit 1 when entries failed, 3 when\n"
        "the link was lost and 4 on a file error; compare exits 1 when an entry\n"
        "differs. open and transfer-line also exit 1 when a written word reads\n"
        "back different, and 4 when the file's identity (NAME.ext.json) names\n"
        "another amplifier or the file changed since it was saved (unless\n"
        "--force) or the backup before the transfer failed; open --dry-run exits\n"
        "0 when nothing would change and 1 when something would.\n";
    for (const CommandRow& row : Commands()) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-24s %s\n", row.Usage, row.Help);
        text += line;
    }
    text +=
        "  monitor [--rows LIST] [--count N] [--interval MS] [--raw]\n"
        "                           monitored quantities as CSV, every MS ms (default 500)\n"
        "  alarms [--clear]         the alarm history, or clear it\n"
        "Exit status: 0 done, 1 a failed exchange, 2 a usage error,\n"
        "3 (monitor) no read succeeded during the last second.\n";
    return text;
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
    const bool toolOptions = !row->Args.empty() && IsToolOptions(row->Args.back());
    if (toolOptions) {
        command = CtlCommand{};
        command.Row = static_cast<int>(row - rows.begin());
        if (words.size() < 2) {
            error = std::string("usage: ") + row->Usage;
            return false;
        }
        if (!ParseArg(Arg::File, words[1], command, error)) return false;
        return ParseToolOptions(row->Args.back(),
                                std::vector<std::string>(words.begin() + 2, words.end()), command,
                                error);
    }
    if (words.size() != row->Args.size() + 1) {
        error = std::string("usage: ") + row->Usage;
        return false;
    }
    command = CtlCommand{};
    command.Row = static_cast<int>(row - rows.begin());
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (!ParseArg(row->Args[i], words[i + 1], command, error)) return false;
    }
    return true;
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
    // Each command stands alone: an earlier failure must not slow this one.
    d_.State.CommErrorLatched = false;
    if (row.Run == nullptr) return RunFileCommand(command, row.Name);
    Bench bench{d_.Link, d_.State, d_.Panel, d_.Map, d_.Ident};
    std::string shown;
    if (row.Run(bench, command, shown) != 1) {
        err_ << row.Name << ": " << Failure() << "\n";
        return CtlExchangeFailed;
    }
    if (!shown.empty()) out_ << shown << (shown.back() == '\n' ? "" : "\n");
    return CtlOk;
}

std::string ServoCtl::Failure() const {
    const std::string reply = d_.Link.ReplyBuffer();
    if (reply.empty() || reply == "?") return "no reply";
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
