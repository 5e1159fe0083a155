// The soak: ServoDesk's logic against ampsim with random reply corruption and
// periodic outages (cable pulled, adapter unplugged), for an hour by default.
// Each round runs the status poll, the monitor reads, one group read, and
// every few rounds a save or an open of the whole set. The parameters do not
// change during the run, so every accepted parameter value can be checked
// against the set read at the start: a difference is a wrong value accepted.
//
// Usage: soak_bench [--minutes M] [--family bx|dx|fx|kqrv|lqrv|yz]
//                   [--probability P] [--seed N] [--outage-every S] [--pace]
// Exit 0 when no wrong value was accepted, every outage was recovered and
// neither descriptors nor memory grew.
#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSupport.h"
#include "files/FileCommands.h"
#include "files/ParamFile.h"
#include "link/AmpMembers.h"
#include "link/DriveLink.h"
#include "link/Procedure.h"
#include "params/GroupRead.h"
#include "params/ParamRules.h"
#include "shell/StatusPoll.h"
#include "tests/support/ScriptedQuestions.h"

namespace {

using Steady = std::chrono::steady_clock;

struct Options {
    double minutes = 60;
    std::string family = "fx";
    double probability = 0.05;
    unsigned seed = 1;
    int outageEverySeconds = 60;
    bool pace = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--pace") {
            options.pace = true;
        } else if (option == "--minutes" && hasValue) {
            options.minutes = std::atof(argv[++i]);
        } else if (option == "--family" && hasValue) {
            options.family = argv[++i];
        } else if (option == "--probability" && hasValue) {
            options.probability = std::atof(argv[++i]);
        } else if (option == "--seed" && hasValue) {
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (option == "--outage-every" && hasValue) {
            options.outageEverySeconds = std::atoi(argv[++i]);
        } else {
            return false;
        }
    }
    return options.minutes > 0 && options.probability >= 0 && options.probability <= 1 &&
           options.outageEverySeconds > 0 && AmpMemberByName(options.family) != nullptr;
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count - 1;  // the one opendir holds
}

long ResidentKb() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

// The line to ampsim, counting requests; every request is one exchange.
class CountingLine : public ForwardingLine {
public:
    explicit CountingLine(SerialLine& line) : ForwardingLine(line) {}
    int Write(const char* data, int count) override {
        ++exchanges_;
        return ForwardingLine::Write(data, count);
    }
    long Exchanges() const { return exchanges_; }

private:
    long exchanges_ = 0;
};

// The drive as the group reads and file commands use it, counting the
// primitives that reported a failure.
class CountingDrive : public Drive {
public:
    explicit CountingDrive(DriveLink& link) : link_(link) {}
    int ReadFromRAM(const std::string& a, int n, int f, int& v) override {
        return Count(link_.ReadFromRAM(a, n, f, v));
    }
    int ReadFromRAML(const std::string& a, int n, int f, int& v) override {
        return Count(link_.ReadFromRAML(a, n, f, v));
    }
    int ReadFromRAMWithPage(const std::string& a, int n, int p, int f, int& v) override {
        return Count(link_.ReadFromRAMWithPage(a, n, p, f, v));
    }
    int WriteToRAM(const std::string& a, int v) override { return Count(link_.WriteToRAM(a, v)); }
    int WriteToRAML(const std::string& a, int v) override { return Count(link_.WriteToRAML(a, v)); }
    int WriteToRAMWithPage(const std::string& a, int v, int p) override {
        return Count(link_.WriteToRAMWithPage(a, v, p));
    }
    int WriteToEEPRAM(const std::string& a, const std::string& t) override {
        return Count(link_.WriteToEEPRAM(a, t));
    }
    int ReadFromEEP(const std::string& a, int n, int f, int& v) override {
        return Count(link_.ReadFromEEP(a, n, f, v));
    }
    int WriteToEEP(const std::string& a, int v) override { return Count(link_.WriteToEEP(a, v)); }
    void Communicating_error() override { link_.Communicating_error(); }
    std::string ReplyBuffer() const override { return link_.ReplyBuffer(); }
    long Failures() const { return failures_; }

private:
    int Count(int result) {
        failures_ += result == 0;
        return result;
    }
    DriveLink& link_;
    long failures_ = 0;
};

struct Tally {
    long rounds = 0, groupReads = 0, saves = 0, opens = 0, monitorReads = 0;
    long pollFailures = 0;
    long wrongValues = 0;
    long wrongFromStale = 0;   // of wrongValues, the value of a stale whole reply
    long wrongFromChance = 0;  // of wrongValues, a shifted reply whose sum matched
    long wrongFromTail = 0;    // of wrongValues, a joined reply's tail read late
    int outages = 0, recoveries = 0;
    double longestRecoveryS = 0;
};

std::vector<std::string> FileLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string error;
    ReadTextLines(path, lines, error);
    return lines;
}

// The data lines of a save that differ from the reference, as read;
// read-error lines are failures the save reported, not wrong values.
std::vector<TransferLine> WrongLines(const std::vector<std::string>& reference,
                                     const std::vector<std::string>& lines) {
    std::vector<TransferLine> wrong;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("Read error", 0) == 0) continue;
        if (i >= reference.size() || lines[i] != reference[i]) {
            wrong.push_back(ReadTransferLine(lines[i]));
        }
    }
    return wrong;
}

// ampsim's log read as it grows, for what can pass any check of a reply:
// a stale whole reply (an earlier reply repeated; a reply carries no address,
// so nothing can tell it from the right one) and a reply with a character
// inserted among its data, whose shifted digits match the sum by chance (about
// 1 in 256 with an 8-bit sum). A wrong value equal to the value of one of them
// is put down to it. So is the tail of a joined reply (an earlier reply sent
// right after the right one) when it arrives after the next request's purge
// and is taken for that request's answer. Anything else is unexplained.
enum class Cause { Unexplained, Stale, Chance, LateTail };

// Values of the data reply that starts text; none for an acknowledgement.
std::vector<int> ReplyWords(const std::string& text) {
    std::vector<int> words;
    if (text.size() >= 7 && text[0] == '%')
        words.push_back(ParseHexWord(text.substr(1, 4)) & 0xFFFF);
    if (text.size() >= 11 && text[0] == '%') {
        words.push_back(ParseHexWord(text.substr(5, 4)) & 0xFFFF);
    }
    return words;
}

class LineFaults {
public:
    explicit LineFaults(const std::string& path) : in_(path) {}

    // Reads the lines logged since the last call; forget drops what was seen
    // before, but for the last few faults: a late tail crosses the boundary.
    void CatchUp(bool forget) {
        if (forget) {
            const std::size_t keep = std::min<std::size_t>(seen_.size(), 4);
            seen_.erase(seen_.begin(), seen_.end() - static_cast<std::ptrdiff_t>(keep));
            faultLines_.clear();
        }
        in_.clear();
        for (std::string line; std::getline(in_, line);) Take(line);
    }
    // A wrong value read from address (empty: not known) that one of the
    // faults seen gives: the fault's reply went to a request for that address
    // (for a late tail, the request after it) and carries that value.
    Cause Explain(int value, const std::string& address) const {
        for (const Seen& seen : seen_) {
            const bool sameValue =
                seen.word == (value & 0xFFFF) || seen.word == ((value >> 16) & 0xFFFF);
            const bool sameAddress =
                address.empty() || seen.address == address || seen.address == MailboxValue;
            if (sameValue && sameAddress) return seen.cause;
        }
        return Cause::Unexplained;
    }

    // The faulty exchanges of the window, to look into an unexplained value.
    void PrintFaults() const {
        for (const std::string& line : faultLines_) std::printf("    ampsim: %s\n", line.c_str());
    }

private:
    struct Seen {
        int word;
        Cause cause;
        std::string address;  // of the request the reply was taken for
    };
    static constexpr const char* MailboxValue = "6C";  // EEPROM words are read through it

    void Take(const std::string& line) {
        const std::size_t a = line.find('\t'), b = line.find('\t', a + 1);
        const std::size_t c = line.find('\t', b + 1);
        if (c == std::string::npos) return;
        const std::string request = line.substr(a + 1, b - a - 1);
        const std::string address = request.size() >= 4 ? request.substr(2, 2) : "";
        for (const int word : pendingTail_) seen_.push_back({word, Cause::LateTail, address});
        pendingTail_.clear();
        const std::string fault = line.substr(c + 1);
        if (fault == "-") return;
        faultLines_.push_back(line);
        const std::string reply = line.substr(b + 1, c - b - 1);
        if (fault == "random stale reply" || fault == "random insertion") {
            const Cause cause = fault == "random insertion" ? Cause::Chance : Cause::Stale;
            for (const int word : ReplyWords(reply)) seen_.push_back({word, cause, address});
        } else if (fault == "random joined replies") {
            const std::size_t tail = reply.find('%', 1);
            if (tail != std::string::npos) pendingTail_ = ReplyWords(reply.substr(tail));
        }
    }

    std::ifstream in_;
    std::vector<Seen> seen_;
    std::vector<int> pendingTail_;
    std::vector<std::string> faultLines_;
};

class Soak {
public:
    Soak(const Options& options, AmpsimProcess& ampsim, const std::string& logPath)
        : options_(options),
          ampsim_(ampsim),
          line_(port_),
          link_(line_, clock_, state_, panel_, catalogue_),
          drive_(link_),
          identification_(drive_, line_, state_, panel_, catalogue_, map_),
          poll_(drive_, state_, panel_, catalogue_, map_, identification_),
          groups_(drive_, state_, panel_, map_, caches_, [this](int n) { return Msg(n); }),
          commands_(
              TransferSeams{drive_, state_, panel_, clock_, ask_, [this](int n) { return Msg(n); },
                            [this] { identification_.Read_current_mode(); }},
              longOperation_),
          stale_(logPath) {}

    bool Start();
    void Run();
    bool Report(int fdStart, long kbStart) const;

private:
    std::string Msg(int n) const { return catalogue_.Msg(n); }
    std::string Path(const char* name) const {
        return ampsim_.Folder() + "/" + name + FileKindFor(state_).Extension;
    }
    void Round();
    void MonitorReads();
    void GroupRead();
    void Save();
    void Open();
    void Outage();
    bool PollUntilRecovered(double seconds);
    void WrongCacheValues();
    void CountWrong(int value, const char* where, const std::string& address = "");
    bool AmpsimCommand(const std::string& line, const std::string& answer) {
        return ampsim_.Command(line, answer, 5000);
    }

    Options options_;
    AmpsimProcess& ampsim_;
    TComm port_;
    CountingLine line_;
    SystemClock clock_;
    DriveState state_;
    MainPanel panel_;
    MessageCatalogue catalogue_;
    DriveLink link_;
    CountingDrive drive_;
    AddressMap map_;
    Identification identification_;
    StatusPoll poll_;
    ParamCaches caches_;
    ParamCaches referenceCaches_;
    GroupReader groups_;
    ScriptedQuestions ask_;
    LongOperation longOperation_;
    ParamFileCommands commands_;
    std::vector<std::string> referenceFile_;
    Tally tally_;
    LineFaults stale_;
};

bool Soak::Start() {
    if (!bench::OpenAmpsimPort(ampsim_, port_, line_)) return false;
    bench::StartAs(options_.family, state_, catalogue_, map_, identification_);
    ask_.SetFallback(mrNo);
    // The main window clears these once it is up; the poll waits for it.
    state_.PollBusy = state_.ParamWriteBusy = false;
    // The reference: every group and a whole save on a clean line.
    for (const ParamGroup group :
         {ParamGroup::System, ParamGroup::Speed, ParamGroup::Torque, ParamGroup::Position}) {
        if (!groups_.ReadGroup(group)) return false;
    }
    referenceCaches_ = caches_;
    ask_.AnswerFile(Path("reference"));
    commands_.M32SaveClick();
    if (!commands_.LastSave().Written || commands_.LastSave().ReadErrors != 0) return false;
    referenceFile_ = FileLines(Path("reference"));
    return AmpsimCommand("fault random " + std::to_string(options_.seed) + " " +
                             std::to_string(options_.probability),
                         "random corruption seed");
}

void Soak::CountWrong(int value, const char* where, const std::string& address) {
    ++tally_.wrongValues;
    const Cause cause = stale_.Explain(value, address);
    tally_.wrongFromStale += cause == Cause::Stale;
    tally_.wrongFromChance += cause == Cause::Chance;
    tally_.wrongFromTail += cause == Cause::LateTail;
    static const char* const Causes[] = {"UNEXPLAINED", "a stale whole reply",
                                         "a shifted reply whose sum matched",
                                         "a joined reply's tail read late"};
    std::printf("  wrong value %d accepted in a %s (%s)\n", value, where,
                Causes[static_cast<int>(cause)]);
    if (cause == Cause::Unexplained) stale_.PrintFaults();
}

void Soak::WrongCacheValues() {
    for (const ParamGroup group :
         {ParamGroup::System, ParamGroup::Speed, ParamGroup::Torque, ParamGroup::Position}) {
        const auto now = caches_.Data(group);
        const auto reference = referenceCaches_.Data(group);
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (now[i] == reference[i]) continue;
            CountWrong(now[i], "group read", EntryAddress(map_, group, static_cast<int>(i)));
        }
    }
    caches_ = referenceCaches_;  // count each wrong value once
}

void Soak::MonitorReads() {
    for (int i = 0; i < map_.MonitorCount && !state_.CommErrorLatched; ++i) {
        int value = 0;
        drive_.ReadFromRAM(map_.Monitor[static_cast<std::size_t>(i)], 7, 1, value);
        ++tally_.monitorReads;
    }
}

void Soak::GroupRead() {
    static constexpr ParamGroup Groups[] = {ParamGroup::System, ParamGroup::Speed,
                                            ParamGroup::Torque, ParamGroup::Position};
    stale_.CatchUp(true);
    groups_.ReadGroup(Groups[tally_.groupReads++ % 4]);
    stale_.CatchUp(false);
    WrongCacheValues();
}

void Soak::Save() {
    ask_.AnswerFile(Path("soak"));
    stale_.CatchUp(true);
    commands_.M32SaveClick();
    stale_.CatchUp(false);
    ++tally_.saves;
    if (!commands_.LastSave().Written) return;
    for (const TransferLine& line : WrongLines(referenceFile_, FileLines(Path("soak")))) {
        CountWrong(line.Value, "save", line.Address);
    }
}

void Soak::Open() {
    ask_.AnswerFile(Path("reference"));
    commands_.M31OpenClick();
    ++tally_.opens;
}

void Soak::Round() {
    poll_.StsTimerTimer();
    if (state_.CommErrorLatched) {
        ++tally_.pollFailures;
        return;
    }
    MonitorReads();
    if (!state_.CommErrorLatched) GroupRead();
    if (!state_.CommErrorLatched && tally_.rounds % 25 == 12) Save();
    if (!state_.CommErrorLatched && tally_.rounds % 25 == 24) Open();
}

// Polls as the main window's timer does, every 200 ms, until the link is back.
bool Soak::PollUntilRecovered(double seconds) {
    const auto start = Steady::now();
    while (std::chrono::duration<double>(Steady::now() - start).count() < seconds) {
        poll_.StsTimerTimer();
        if (!state_.CommErrorLatched) {
            const double took = std::chrono::duration<double>(Steady::now() - start).count();
            if (took > tally_.longestRecoveryS) tally_.longestRecoveryS = took;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

// Alternately the cable pulled and the adapter unplugged, for three seconds
// of polling into silence.
void Soak::Outage() {
    const bool pull = tally_.outages % 2 == 0;
    ++tally_.outages;
    AmpsimCommand(pull ? "pull" : "unplug", pull ? "cable pulled" : "unplugged");
    const auto start = Steady::now();
    while (Steady::now() - start < std::chrono::seconds(3)) {
        poll_.StsTimerTimer();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    AmpsimCommand(pull ? "plug" : "replug", pull ? "cable in" : "replugged");
    if (PollUntilRecovered(30)) ++tally_.recoveries;
}

void Soak::Run() {
    const auto start = Steady::now();
    const auto end = start + std::chrono::duration<double, std::ratio<60>>(options_.minutes);
    auto nextOutage = start + std::chrono::seconds(options_.outageEverySeconds);
    while (Steady::now() < end) {
        Round();
        ++tally_.rounds;
        if (Steady::now() >= nextOutage) {
            Outage();
            nextOutage = Steady::now() + std::chrono::seconds(options_.outageEverySeconds);
        }
    }
    // The amplifier must still hold the reference set: a clean save shows it.
    AmpsimCommand("fault off", "faults off");
    PollUntilRecovered(30);
    ask_.AnswerFile(Path("final"));
    stale_.CatchUp(true);
    commands_.M32SaveClick();
    if (!commands_.LastSave().Written) {
        std::printf("  the final clean save failed\n");
        ++tally_.wrongValues;
    }
    for (const TransferLine& line : WrongLines(referenceFile_, FileLines(Path("final")))) {
        CountWrong(line.Value, "final clean save (the amplifier holds it)", line.Address);
    }
}

// "random: replies R flips F truncations T insertions I joined J stale S"
long InjectedFaults(const std::string& output) {
    const std::size_t at = output.rfind("random: replies");
    if (at == std::string::npos) return -1;
    long replies = 0, values[5] = {};
    const int read =
        std::sscanf(output.c_str() + at,
                    "random: replies %ld flips %ld truncations %ld insertions %ld "
                    "joined %ld stale %ld",
                    &replies, &values[0], &values[1], &values[2], &values[3], &values[4]);
    if (read != 6) return -1;
    return values[0] + values[1] + values[2] + values[3] + values[4];
}

bool Soak::Report(int fdStart, long kbStart) const {
    ampsim_.Command("status", "stale", 5000);
    ampsim_.Command("help", "quit", 5000);  // the status line is complete once this answers
    const long injected = InjectedFaults(ampsim_.Output());
    const int fdEnd = OpenDescriptors();
    const long kbEnd = ResidentKb();
    std::printf(
        "rounds %ld: status polls %ld, monitor reads %ld, group reads %ld, saves %ld, "
        "opens %ld\n",
        tally_.rounds, tally_.rounds, tally_.monitorReads, tally_.groupReads, tally_.saves,
        tally_.opens);
    std::printf("exchanges %ld\n", line_.Exchanges());
    std::printf("failures injected %ld (random reply corruption) + %d outages\n", injected,
                tally_.outages);
    std::printf("failures detected %ld (primitives failed) + %ld status polls latched\n",
                drive_.Failures(), tally_.pollFailures);
    const long unexplained =
        tally_.wrongValues - tally_.wrongFromStale - tally_.wrongFromChance - tally_.wrongFromTail;
    std::printf(
        "wrong values accepted %ld: %ld from stale whole replies, %ld from shifted "
        "replies whose sum matched by chance, %ld from joined replies' tails read late, "
        "%ld unexplained\n",
        tally_.wrongValues, tally_.wrongFromStale, tally_.wrongFromChance, tally_.wrongFromTail,
        unexplained);
    std::printf("outages %d, recovered %d, longest recovery %.1f s\n", tally_.outages,
                tally_.recoveries, tally_.longestRecoveryS);
    std::printf("open descriptors %d at start, %d at end\n", fdStart, fdEnd);
    std::printf("resident memory %ld kB at start, %ld kB at end\n", kbStart, kbEnd);
    // Memory may settle a little after start-up; a leak over an hour shows as
    // far more than this margin.
    const bool sound = unexplained == 0 && tally_.recoveries == tally_.outages &&
                       fdEnd <= fdStart && kbEnd <= kbStart + 2048;
    std::printf("%s\n", sound ? "sound" : "UNSOUND");
    return sound;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(
            "usage: soak_bench [--minutes M] [--family bx|dx|fx|kqrv|lqrv|yz] "
            "[--probability P] [--seed N] [--outage-every S] [--pace]\n",
            stderr);
        return 2;
    }
    std::printf("soak: %s, %.1f min, corruption probability %.3f seed %u, outage every %d s%s\n",
                options.family.c_str(), options.minutes, options.probability, options.seed,
                options.outageEverySeconds, options.pace ? ", paced" : "");
    const std::string logPath = "/tmp/soak_bench_" + std::to_string(::getpid()) + ".log";
    std::vector<std::string> args = {"--log", logPath};
    if (options.pace) args.push_back("--pace");
    AmpsimProcess ampsim(bench::AmpsimPath, options.family, args);
    Soak soak(options, ampsim, logPath);
    // Descriptors and memory are taken once the link is up: what the set-up
    // opens stays open for the whole run.
    if (!soak.Start()) {
        std::fputs("soak: the clean start failed\n", stderr);
        return 1;
    }
    const int fdStart = OpenDescriptors();
    const long kbStart = ResidentKb();
    soak.Run();
    const bool sound = soak.Report(fdStart, kbStart);
    std::remove(logPath.c_str());
    return sound ? 0 : 1;
}
