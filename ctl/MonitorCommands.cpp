#include "ctl/MonitorCommands.h"

#include <algorithm>
#include <charconv>
#include <ostream>

#include "ctl/CtlArgs.h"
#include "ctl/ServoCtl.h"
#include "link/Identification.h"
#include "link/LongOperation.h"
#include "monitor/AlarmHistory.h"
#include "monitor/MonitorCsv.h"
#include "monitor/MonitorPoll.h"
#include "shell/StatusPoll.h"

namespace {

constexpr int LinkLostAfterMs = 1000;
constexpr int StopCheckMs = 50;  // how often a wait between lines looks at stop()

bool ParseNumber(const std::string& text, long min, long max, long& value) {
    const char* end = text.data() + text.size();
    const auto [last, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && last == end && value >= min && value <= max;
}

bool ParseRows(const std::string& list, std::vector<int>& rows, std::string& error) {
    rows.clear();
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        long row = 0;
        if (!ParseNumber(list.substr(start, comma - start), 1, MonitorRowCount, row)) {
            error = "bad row list '" + list + "': row numbers 1 to 17 separated by commas";
            return false;
        }
        if (std::find(rows.begin(), rows.end(), row) == rows.end()) {
            rows.push_back(static_cast<int>(row));
        }
        start = comma + 1;
    }
    return true;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A row's field: the window's text, or with --raw the number behind it.
std::string FieldOf(int row, MonitorVariant variant, const MonitorRawValues& values,
                    const MonitorOptions& options) {
    if (!options.Raw) return Trimmed(MonitorValueText(row, variant, values));
    const std::optional<double> number = MonitorValueNumber(row, variant, values);
    return number ? MonitorNumberText(*number) : std::string();
}

}  // namespace

bool IsMonitorCommand(const std::vector<std::string>& words) {
    return !words.empty() && (words[0] == "monitor" || words[0] == "alarms");
}

bool ParseMonitorOptions(const std::vector<std::string>& words, MonitorOptions& options,
                         std::string& error) {
    const std::string usage = "usage: monitor [--rows LIST] [--count N] [--interval MS] [--raw]";
    CommandWords split;
    const std::vector<OptionRule> rules = {
        {"--rows", true}, {"--count", true}, {"--interval", true}, {"--raw"}};
    if (!SplitOptions({words.begin() + 1, words.end()}, rules, split, error)) return false;
    options.Help = split.Help;
    if (!split.Operands.empty()) {
        error = usage;
        return false;
    }
    for (const auto& [option, value] : split.Options) {
        long number = 0;
        if (option == "--raw") {
            options.Raw = true;
        } else if (option == "--rows") {
            if (!ParseRows(value, options.Rows, error)) return false;
        } else if (option == "--count" && ParseNumber(value, 1, 1L << 30, number)) {
            options.Count = number;
        } else if (option == "--interval" && ParseNumber(value, 1, 3600000, number)) {
            options.IntervalMs = static_cast<int>(number);
        } else {
            error = "bad value '" + value + "' for " + option + ": a positive number";
            return false;
        }
    }
    return true;
}

bool ParseAlarmOptions(const std::vector<std::string>& words, AlarmOptions& options,
                       std::string& error) {
    CommandWords split;
    if (!SplitOptions({words.begin() + 1, words.end()}, {{"--clear"}}, split, error)) return false;
    options.Help = split.Help;
    options.Clear = !split.Options.empty();
    if (split.Operands.empty()) return true;
    error = "usage: alarms [--clear]";
    return false;
}

MonitorCommands::MonitorCommands(const CtlDrive& drive, const MessageCatalogue& english,
                                 std::ostream& out, std::ostream& err)
    : d_(drive), english_(english), out_(out), err_(err) {}

bool MonitorCommands::Identify(const char* command) {
    d_.State.CommErrorLatched = false;
    if (!IdentifyAmplifier(d_)) {
        err_ << command << ": " << (IsNoReply(d_.Link.ReplyBuffer()) ? "no reply" : "bad reply")
             << "\n";
        return false;
    }
    // The status poll reads the control mode, which decides BX rows 8 to 10.
    DriveState& state = d_.State;
    state.PollBusy = state.ParamWriteBusy = false;
    StatusPoll(d_.Link, d_.State, d_.Panel, d_.Catalogue, d_.Map, d_.Ident).StsTimerTimer();
    return true;
}

bool MonitorCommands::SelectRows(const MonitorOptions& options, std::vector<int>& rows) {
    const DriveState& state = d_.State;
    const auto enabled = MonitorRowsEnabled(state.AmpFamily, state.FxVersion, state.CurrentMode);
    rows = options.Rows;
    if (rows.empty()) {
        for (int row = 1; row <= MonitorRowCount; ++row) {
            if (enabled[row - 1]) rows.push_back(row);
        }
    }
    for (int row : rows) {
        if (!enabled[row - 1]) {
            err_ << "monitor: row " << row << " is not offered by this amplifier\n";
            return false;
        }
    }
    return true;
}

void MonitorCommands::WaitUntil(std::uint64_t dueMs, const std::function<bool()>& stop) {
    Clock& clock = d_.Time;
    for (std::uint64_t now = clock.NowMs(); now < dueMs && !stop(); now = clock.NowMs()) {
        clock.WaitMs(static_cast<int>(std::min<std::uint64_t>(dueMs - now, StopCheckMs)));
    }
}

int MonitorCommands::Monitor(const MonitorOptions& options, const std::function<bool()>& stop) {
    if (!Identify("monitor")) return FailedExchangeStatus(d_.Link.ReplyBuffer());
    std::vector<int> rows;
    if (!SelectRows(options, rows)) return CtlUsageError;
    DriveState& state = d_.State;
    out_ << MonitorCsvHeader(rows, state.AmpFamily, state.FxVersion, english_) << "\n"
         << std::flush;

    MonitorPoll poll(d_.Link, state, d_.Map);
    for (int row : rows) poll.MonitorSelection[row - 1] = 1;
    const MonitorVariant variant = MonitorVariantOf(state.AmpFamily, state.FxVersion);
    Clock& clock = d_.Time;
    const std::uint64_t firstMs = clock.NowMs();
    std::uint64_t lastGoodMs = firstMs;
    for (long line = 0; options.Count < 0 || line < options.Count; ++line) {
        const std::uint64_t startMs = clock.NowMs();
        // Every line stands alone: a read that failed before is tried again.
        state.CommErrorLatched = false;
        state.MonitorFormOpen = true;
        state.MonitorBusy = false;
        poll.MonitorTimerTimer();
        if (poll.LastTickFailures < poll.LastTickReads) lastGoodMs = clock.NowMs();
        std::string text = std::to_string(startMs - firstMs);
        for (int row : rows) {
            text += ",";
            if (poll.RowReadOk[row - 1]) text += FieldOf(row, variant, poll.MonitorValues, options);
        }
        out_ << text << "\n" << std::flush;
        if (stop() || line + 1 == options.Count) break;
        WaitUntil(startMs + static_cast<std::uint64_t>(options.IntervalMs), stop);
        if (stop()) break;
    }
    return clock.NowMs() - lastGoodMs >= LinkLostAfterMs ? CtlLinkLost : CtlOk;
}

int MonitorCommands::Alarms(const AlarmOptions& options) {
    if (!Identify("alarms")) return FailedExchangeStatus(d_.Link.ReplyBuffer());
    DriveState& state = d_.State;
    LongOperation operation;
    AlarmHistory history(d_.Link, state, d_.Map, d_.Panel, english_, operation);
    if (options.Clear) {
        if (!history.ResetAlarmCode()) {
            err_ << "alarms: the amplifier did not take every clearing write\n";
            return FailedExchangeStatus(d_.Link.ReplyBuffer());
        }
        out_ << "ok\n";
        return CtlOk;
    }
    const bool complete = history.ReadAlarmCode();
    for (int slot = 0; slot < AlarmSlotCount; ++slot) {
        const int code = history.AlarmCodes[slot];
        const bool read = history.SlotRead[slot];
        out_ << slot + 1 << " " << AlarmCodeText(code, read);
        if (read) out_ << " " << english_.Msg(AlarmMessage(state.AmpFamily, code));
        out_ << "\n";
    }
    if (!complete) {
        err_ << "alarms: some entries could not be read\n";
        return FailedExchangeStatus(d_.Link.ReplyBuffer());
    }
    return CtlOk;
}
