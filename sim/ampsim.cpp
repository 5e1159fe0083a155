// ampsim: a simulated amplifier served on a pseudo-terminal.
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sim/Amplifier.h"
#include "sim/Pacer.h"
#include "sim/PtyServer.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnSignal(int) {
    stopRequested = 1;
}

const char kUsage[] =
    "usage: ampsim --family bx|dx|fx|kqrv|lqrv|yz [--fx-version N] --link DIR/Com1\n"
    "              [--pace] [--turnaround MS] [--log FILE] [--seed N]\n";

const char kHelp[] =
    "commands:\n"
    "  servo on|off          switch the servo\n"
    "  input N on|off        switch input N (2 ... 13; input 1 is the servo)\n"
    "  load PCT              external load torque in percent of rated\n"
    "  alarm CODE            raise an alarm and record it in the history (0 clears\n"
    "                        the current one)\n"
    "  set ADDR VALUE        set a RAM word (hex address; decimal or 0x value); pins it\n"
    "  pin ADDR VALUE        set a RAM word that keeps VALUE whatever is written\n"
    "  pineep ADDR VALUE     set an EEPROM word that keeps VALUE whatever is written\n"
    "  unpin ADDR            release the word (RAM and EEPROM): writes and the\n"
    "                        simulation change it again\n"
    "  get ADDR              show a RAM word\n"
    "  seteep ADDR VALUE     set an EEPROM word\n"
    "  geteep ADDR           show an EEPROM word\n"
    "  fault NAME [N]        spoil the next N replies: noreply checksum foreign error\n"
    "                        truncated late\n"
    "  fault late [N] [MS]   the next N replies come MS late (default 1200; kept)\n"
    "  fault random [SEED [P]]\n"
    "                        corrupt each reply with probability P (default 0.1);\n"
    "                        without SEED the one of --seed (default 1)\n"
    "  fault off             drop pending faults and stop random corruption\n"
    "  tune ok|fail          how the next automatic tuning ends\n"
    "  unplug | replug       take the adapter away / plug it back (new pty, same link)\n"
    "  pull | plug           pull the cable out / plug it back (silence, port stays)\n"
    "  status | help | quit\n";

struct Options {
    std::string family;
    int fxVersion = 0;
    std::string link;
    bool pace = false;
    int turnaroundMs = 2;
    std::string logPath;
    std::uint32_t seed = 1;  // of 'fault random' when the command names none
};

std::uint64_t SteadyMicros() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

bool ParseSeed(const std::string& text, std::uint32_t& seed) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || value > 0xFFFFFFFFull) return false;
    seed = static_cast<std::uint32_t>(value);
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--family" && hasValue) {
            options.family = argv[++i];
        } else if (arg == "--fx-version" && hasValue) {
            options.fxVersion = std::atoi(argv[++i]);
        } else if (arg == "--link" && hasValue) {
            options.link = argv[++i];
        } else if (arg == "--pace") {
            options.pace = true;
        } else if (arg == "--turnaround" && hasValue) {
            options.turnaroundMs = std::atoi(argv[++i]);
        } else if (arg == "--log" && hasValue) {
            options.logPath = argv[++i];
        } else if (arg == "--seed" && hasValue) {
            if (!ParseSeed(argv[++i], options.seed)) return false;
        } else {
            return false;
        }
    }
    return !options.family.empty() && !options.link.empty();
}

// Shows control characters of a frame so that a log line stays one line.
std::string Printable(const std::string& bytes) {
    if (bytes.empty()) return "-";
    std::string text;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            text += "\\r";
        } else if (c == '\n') {
            text += "\\n";
        } else if (c < 0x21 || c > 0x7E || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

bool ParseValue(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return !text.empty() && *end == '\0' && value >= -32768 && value <= 65535;
}

bool ParseProbability(const std::string& text, double& probability) {
    char* end = nullptr;
    probability = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && probability >= 0.0 && probability <= 1.0;
}

bool ParseAddress(const std::string& text, int& address) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 16);
    address = static_cast<int>(value);
    return !text.empty() && *end == '\0' && value >= 0 && value <= 0xFF;
}

class AmpSim {
public:
    AmpSim(const Options& options, const sim::Profile& profile)
        : options_(options),
          startMicros_(SteadyMicros()),
          amplifier_(profile, [this] { return NowMs(); }),
          pty_(options.link),
          pacer_(options.turnaroundMs) {
        if (!options.logPath.empty()) log_ = std::fopen(options.logPath.c_str(), "w");
        amplifier_.SetObserver([this](const sim::ExchangeRecord& record) { Log(record); });
        // A real amplifier finishes a mailbox access within the wire time of
        // the next request. Unpaced, that request arrives at once, so the
        // access must be done at once too.
        if (!options.pace) amplifier_.SetMailboxDelayMs(0);
    }
    ~AmpSim() {
        if (log_) std::fclose(log_);
    }

    bool Start() {
        if (!pty_.Plug()) {
            std::fprintf(stderr, "ampsim: %s\n", pty_.Error().c_str());
            return false;
        }
        Say("ampsim: %s on %s linked at %s\n", amplifier_.GetProfile().member.c_str(),
            pty_.SlavePath().c_str(), pty_.LinkPath().c_str());
        return true;
    }

    int Run() {
        while (!stopRequested && !quit_) {
            WaitForInput();
            ServeLine();
            SendDueReplies();
        }
        pty_.RemoveLink();
        return 0;
    }

private:
    std::uint64_t NowMs() const { return (SteadyMicros() - startMicros_) / 1000; }

    template <typename... Args>
    void Say(const char* format, Args... args) {
        std::printf(format, args...);
        std::fflush(stdout);
    }

    void Note(const std::string& event) {
        if (!log_) return;
        std::fprintf(log_, "%llu\t#\t%s\n", static_cast<unsigned long long>(NowMs()),
                     event.c_str());
        std::fflush(log_);
    }

    void Log(const sim::ExchangeRecord& record) {
        if (!log_) return;
        std::fprintf(log_, "%llu\t%s\t%s\t%s\n", static_cast<unsigned long long>(record.ms),
                     Printable(record.request).c_str(), Printable(record.reply).c_str(),
                     record.fault.empty() ? "-" : record.fault.c_str());
        std::fflush(log_);
    }

    // Waits for request bytes or a console line, at most 10 ms and never past
    // the moment the next paced reply byte is due. While no slave is open the
    // master reports a hang-up at once, so it is left out of the poll and looked
    // at again after the wait instead of spinning.
    void WaitForInput() {
        const timespec timeout = WaitLimit();
        std::vector<pollfd> fds;
        if (pty_.Plugged() && !slaveClosed_) fds.push_back({pty_.MasterFd(), POLLIN, 0});
        if (stdinOpen_) fds.push_back({STDIN_FILENO, POLLIN, 0});
        if (fds.empty()) {
            nanosleep(&timeout, nullptr);
            slaveClosed_ = false;
            return;
        }
        const int ready = ppoll(fds.data(), fds.size(), &timeout, nullptr);
        if (ready > 0) {
            for (const pollfd& fd : fds) {
                if (fd.fd == STDIN_FILENO && (fd.revents & (POLLIN | POLLHUP))) ReadConsole();
            }
        }
        // Look at the master again now and then: a peer may have reopened the port.
        if (slaveClosed_ && ++closedPolls_ >= 5) {
            slaveClosed_ = false;
            closedPolls_ = 0;
        }
    }

    timespec WaitLimit() const {
        std::uint64_t micros = 10000;
        if (!pending_.empty()) {
            const std::uint64_t now = SteadyMicros();
            const std::uint64_t due = pending_.front().atMicros;
            micros = due > now ? std::min<std::uint64_t>(micros, due - now) : 0;
        }
        return timespec{static_cast<time_t>(micros / 1000000),
                        static_cast<long>(micros % 1000000) * 1000};
    }

    void ServeLine() {
        if (!pty_.Plugged() || slaveClosed_) return;
        char buffer[256];
        const ssize_t count = read(pty_.MasterFd(), buffer, sizeof buffer);
        if (count > 0) {
            if (options_.pace) pacer_.RequestRead(static_cast<std::size_t>(count), SteadyMicros());
            amplifier_.Receive(std::string(buffer, static_cast<std::size_t>(count)));
        } else if (count < 0 && errno == EIO) {
            // No slave open: the peer closed the port. Keep serving.
            slaveClosed_ = true;
            closedPolls_ = 0;
            pending_.clear();
            pacer_.Reset();
        }
    }

    void SendDueReplies() {
        const std::string due = amplifier_.TakeReply();
        const std::uint64_t now = SteadyMicros();
        if (!due.empty()) Schedule(due, now);
        while (!pending_.empty() && pending_.front().atMicros <= now) {
            const char byte = pending_.front().byte;
            pending_.pop_front();
            if (pty_.Plugged() && write(pty_.MasterFd(), &byte, 1) != 1 && errno == EIO) {
                slaveClosed_ = true;
            }
        }
    }

    // Without pacing every byte goes at once.
    void Schedule(const std::string& bytes, std::uint64_t nowMicros) {
        if (!options_.pace) {
            for (char byte : bytes) pending_.push_back({byte, nowMicros});
            return;
        }
        const std::vector<std::uint64_t> times = pacer_.Schedule(bytes.size(), nowMicros);
        for (std::size_t i = 0; i < bytes.size(); ++i) pending_.push_back({bytes[i], times[i]});
    }

    void ReadConsole() {
        char buffer[512];
        const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            stdinOpen_ = false;  // no more commands; keep serving
            return;
        }
        console_.append(buffer, static_cast<std::size_t>(count));
        std::size_t end;
        while ((end = console_.find('\n')) != std::string::npos) {
            const std::string line = console_.substr(0, end);
            console_.erase(0, end + 1);
            Command(line);
        }
    }

    void Command(const std::string& line) {
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string word; in >> word;) words.push_back(word);
        if (words.empty()) return;
        Note(line);
        const auto handler = handlers_.find(words[0]);
        if (handler == handlers_.end()) {
            Say("unknown command: %s (try help)\n", words[0].c_str());
            return;
        }
        handler->second(words);
    }

    void Servo(const std::vector<std::string>& words) {
        if (words.size() != 2 || (words[1] != "on" && words[1] != "off")) {
            return Say("usage: servo on|off\n");
        }
        amplifier_.SetServo(words[1] == "on");
        Say("servo %s\n", amplifier_.Servo() ? "on" : "off (alarm?)");
    }

    void Input(const std::vector<std::string>& words) {
        long number = 0;
        if (words.size() != 3 || !ParseValue(words[1], number) ||
            (words[2] != "on" && words[2] != "off") ||
            !amplifier_.SetInput(static_cast<int>(number), words[2] == "on")) {
            return Say("usage: input N on|off (N from 2 to 13)\n");
        }
        Say("input %ld %s\n", number, words[2].c_str());
    }

    void Load(const std::vector<std::string>& words) {
        long percent = 0;
        if (words.size() != 2 || !ParseValue(words[1], percent) || percent < -300 ||
            percent > 300) {
            return Say("usage: load PCT (-300 to 300)\n");
        }
        amplifier_.SetLoadTorque(static_cast<double>(percent));
        Say("load %ld %%\n", percent);
    }

    void Alarm(const std::vector<std::string>& words) {
        long code = 0;
        if (words.size() != 2 || !ParseValue(words[1], code)) return Say("usage: alarm CODE\n");
        amplifier_.RaiseAlarm(static_cast<int>(code));
        Say("alarm %d\n", amplifier_.AlarmCode());
    }

    void Set(const std::vector<std::string>& words, bool eeprom, bool held) {
        int address = 0;
        long value = 0;
        if (words.size() != 3 || !ParseAddress(words[1], address) || !ParseValue(words[2], value)) {
            return Say("usage: %s ADDR VALUE\n", words[0].c_str());
        }
        const auto word = static_cast<std::uint16_t>(value);
        if (eeprom) {
            held ? amplifier_.PinEeprom(address, word) : amplifier_.SetEeprom(address, word);
        } else {
            held ? amplifier_.PinRam(address, word) : amplifier_.SetRam(address, word);
        }
        Say("%s %02X = %04X%s\n", eeprom ? "EEPROM" : "RAM", address, word,
            held ? ", pinned against writes" : "");
    }

    void Get(const std::vector<std::string>& words, bool eeprom) {
        int address = 0;
        if (words.size() != 2 || !ParseAddress(words[1], address)) {
            return Say("usage: %s ADDR\n", words[0].c_str());
        }
        amplifier_.Tick();
        const std::uint16_t word = eeprom ? amplifier_.Eeprom(address) : amplifier_.Ram(address);
        Say("%s %02X = %04X (%d)\n", eeprom ? "EEPROM" : "RAM", address, word,
            static_cast<std::int16_t>(word));
    }

    void Unpin(const std::vector<std::string>& words) {
        int address = 0;
        if (words.size() != 2 || !ParseAddress(words[1], address))
            return Say("usage: unpin ADDR\n");
        amplifier_.Unpin(address);
        Say("%02X unpinned\n", address);
    }

    void FaultCommand(const std::vector<std::string>& words) {
        if (words.size() < 2) return Say("usage: fault NAME [N]\n");
        if (words[1] == "off") {
            amplifier_.ClearFaults();
            amplifier_.StopRandomCorruption();
            return Say("faults off\n");
        }
        if (words[1] == "random") {
            std::uint32_t seed = options_.seed;
            double probability = 0.1;
            if (words.size() > 4 || (words.size() > 2 && !ParseSeed(words[2], seed)) ||
                (words.size() > 3 && !ParseProbability(words[3], probability))) {
                return Say("usage: fault random [SEED [P]] (P from 0 to 1)\n");
            }
            amplifier_.StartRandomCorruption(seed, probability);
            return Say("random corruption seed %u probability %.3f\n", seed, probability);
        }
        const auto fault = sim::FaultFromName(words[1]);
        const int count = words.size() > 2 ? std::atoi(words[2].c_str()) : 1;
        if (!fault || count < 1) return Say("unknown fault: %s (try help)\n", words[1].c_str());
        // "fault late N MS": how late, from then on.
        if (words.size() > 3) {
            const int delayMs = std::atoi(words[3].c_str());
            if (*fault != sim::Fault::Late || delayMs < 1)
                return Say("usage: fault late [N] [MS]\n");
            amplifier_.SetLateDelayMs(delayMs);
        }
        amplifier_.InjectFault(*fault, count);
        Say("fault %s x%d\n", sim::FaultName(*fault), count);
    }

    void Tune(const std::vector<std::string>& words) {
        if (words.size() != 2 || (words[1] != "ok" && words[1] != "fail")) {
            return Say("usage: tune ok|fail\n");
        }
        amplifier_.SetTuningFails(words[1] == "fail");
        Say("tuning will %s\n", words[1] == "fail" ? "fail (14)" : "succeed (15)");
    }

    void Unplug() {
        pty_.PullAdapter();
        pending_.clear();
        pacer_.Reset();
        Say("unplugged\n");
    }

    void Replug() {
        if (!pty_.Plug()) return Say("replug failed: %s\n", pty_.Error().c_str());
        slaveClosed_ = false;
        Say("replugged: %s linked at %s\n", pty_.SlavePath().c_str(), pty_.LinkPath().c_str());
    }

    void Status() {
        amplifier_.Tick();
        const sim::CorruptionCounts& c = amplifier_.Corruptions();
        Say("family %s fx-version %d | %s %s | cable %s | servo %s alarm %d speed %.1f rpm\n",
            amplifier_.GetProfile().member.c_str(), amplifier_.GetProfile().fxVersion,
            pty_.Plugged() ? "plugged" : "unplugged", pty_.SlavePath().c_str(),
            amplifier_.CablePulled() ? "pulled" : "in", amplifier_.Servo() ? "on" : "off",
            amplifier_.AlarmCode(), amplifier_.SpeedRpm());
        Say("requests %ld | pending faults %d | random: replies %ld flips %ld truncations %ld "
            "insertions %ld joined %ld stale %ld\n",
            amplifier_.RequestCount(), amplifier_.PendingFaults(), c.replies, c.bitFlips,
            c.truncations, c.insertions, c.joined, c.stale);
    }

    using Words = std::vector<std::string>;
    const std::map<std::string, std::function<void(const Words&)>> handlers_ = {
        {"servo", [this](const Words& w) { Servo(w); }},
        {"alarm", [this](const Words& w) { Alarm(w); }},
        {"input", [this](const Words& w) { Input(w); }},
        {"load", [this](const Words& w) { Load(w); }},
        {"set", [this](const Words& w) { Set(w, false, false); }},
        {"seteep", [this](const Words& w) { Set(w, true, false); }},
        {"pin", [this](const Words& w) { Set(w, false, true); }},
        {"pineep", [this](const Words& w) { Set(w, true, true); }},
        {"get", [this](const Words& w) { Get(w, false); }},
        {"geteep", [this](const Words& w) { Get(w, true); }},
        {"unpin", [this](const Words& w) { Unpin(w); }},
        {"fault", [this](const Words& w) { FaultCommand(w); }},
        {"tune", [this](const Words& w) { Tune(w); }},
        {"unplug", [this](const Words&) { Unplug(); }},
        {"replug", [this](const Words&) { Replug(); }},
        {"pull", [this](const Words&) { amplifier_.SetCablePulled(true), Say("cable pulled\n"); }},
        {"plug", [this](const Words&) { amplifier_.SetCablePulled(false), Say("cable in\n"); }},
        {"status", [this](const Words&) { Status(); }},
        {"help", [this](const Words&) { Say("%s", kHelp); }},
        {"quit", [this](const Words&) { quit_ = true; }},
    };

    struct PendingByte {
        char byte;
        std::uint64_t atMicros;
    };

    Options options_;
    std::uint64_t startMicros_;
    sim::Amplifier amplifier_;
    sim::PtyServer pty_;
    sim::Pacer pacer_;
    std::FILE* log_ = nullptr;
    std::deque<PendingByte> pending_;
    std::string console_;
    bool stdinOpen_ = true;
    bool slaveClosed_ = false;
    int closedPolls_ = 0;
    bool quit_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    sim::Profile profile;
    if (!sim::MakeProfile(options.family, options.fxVersion, profile)) {
        std::fprintf(stderr, "ampsim: unknown family or FX version: %s %d\n",
                     options.family.c_str(), options.fxVersion);
        return 2;
    }
    // The link path may hold the user's own file or link: never delete it.
    std::string why;
    if (!sim::PtyServer::PathIsFreeForLink(options.link, why)) {
        std::fprintf(stderr, "ampsim: --link %s %s\n", options.link.c_str(), why.c_str());
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    AmpSim simulator(options, profile);
    if (!simulator.Start()) return 1;
    return simulator.Run();
}
