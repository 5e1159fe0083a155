#include "monitor/TrendSampler.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int AchievedOver = 10;  // samples the achieved period is measured over
constexpr int SlowMarginPercent = 125;

}  // namespace

TrendSampler::TrendSampler(MonitorPoll& poll, DriveState& state, Clock& clock)
    : poll_(poll),
      state_(state),
      clock_(clock),
      // One more than the window holds at the shortest period, for the jitter
      // of the timer.
      samples_(MaxWindowMs, MaxWindowMs / MinPeriodMs + 16) {}

void TrendSampler::Start() {
    samples_.Clear();
    originMs_ = nextDueMs_ = clock_.NowMs();
}

// A tick's reads make one sample, stamped when its first read began. A read
// that fails waits for its time-out, so the rows read after it start a new
// sample with their own time: no value carries the time of other reads'
// failures. While the link is latched nothing is read: the sample is a gap.
void TrendSampler::TrendTimerTimer() {
    if (!state_.TrendFormOpen || state_.MonitorBusy) return;
    const std::uint64_t startMs = clock_.NowMs();
    if (!Due(startMs)) return;
    TrendSample sample = Gap(startMs - originMs_);
    bool failedInSample = false;
    std::uint64_t rowStartMs = startMs;
    const MonitorVariant variant = MonitorVariantOf(state_.AmpFamily, state_.FxVersion);
    poll_.Poll([&](int row) {
        const bool ok = poll_.RowReadOk[row - 1] && poll_.TrendSelection[row - 1];
        if (ok && failedInSample) {
            Keep(sample);
            sample = Gap(rowStartMs - originMs_);
            failedInSample = false;
        }
        if (ok) {
            const std::optional<double> value =
                MonitorValueNumber(row, variant, poll_.MonitorValues);
            if (value) sample.Values[row - 1] = *value;
        }
        if (!poll_.RowReadOk[row - 1]) failedInSample = true;
        rowStartMs = clock_.NowMs();
    });
    Keep(sample);
}

TrendSample TrendSampler::Gap(std::uint64_t atMs) {
    TrendSample sample;
    sample.TimeMs = atMs;
    sample.Values.fill(std::numeric_limits<double>::quiet_NaN());
    return sample;
}

bool TrendSampler::Due(std::uint64_t now) {
    if (now < nextDueMs_) return false;
    const auto period = static_cast<std::uint64_t>(periodMs_);
    nextDueMs_ += period;
    // More than a period behind (a read that waited for its time-out, or a
    // long operation that held the timer): the periods missed are not made
    // up with samples closer than a period.
    if (nextDueMs_ < now) nextDueMs_ = now + period;
    return true;
}

void TrendSampler::Keep(const TrendSample& sample) {
    samples_.Push(sample);
    recorder_.Write(sample);
}

bool TrendSampler::Select(int row, bool selected) {
    if (row < 1 || row > MonitorRowCount) return false;
    if (selected && !poll_.TrendSelection[row - 1] &&
        static_cast<int>(SelectedRows().size()) >= MaxRows) {
        return false;
    }
    poll_.TrendSelection[row - 1] = selected ? 1 : 0;
    return true;
}

std::vector<int> TrendSampler::SelectedRows() const {
    std::vector<int> rows;
    for (int row = 1; row <= MonitorRowCount; ++row) {
        if (poll_.TrendSelection[row - 1]) rows.push_back(row);
    }
    return rows;
}

void TrendSampler::SetPeriodMs(int ms) {
    periodMs_ = std::clamp(ms, MinPeriodMs, MaxPeriodMs);
}

int TrendSampler::AchievedPeriodMs() const {
    const std::size_t size = samples_.Size();
    if (size < 2) return 0;
    const std::size_t span = std::min<std::size_t>(size - 1, AchievedOver);
    const std::uint64_t ms = samples_.Newest().TimeMs - samples_.At(size - 1 - span).TimeMs;
    return static_cast<int>(ms / span);
}

int TrendSampler::WireMs() const {
    return MonitorTickWireMs(poll_.ReadSelection(),
                             MonitorVariantOf(state_.AmpFamily, state_.FxVersion));
}

bool TrendSampler::TooSlow() const {
    if (WireMs() > periodMs_) return true;
    const bool measured = samples_.Size() > AchievedOver;
    return measured && AchievedPeriodMs() * 100 > periodMs_ * SlowMarginPercent;
}

bool TrendSampler::StartRecording(const std::string& path, const std::string& header) {
    const std::uint64_t nowMs = clock_.NowMs() - originMs_;
    return recorder_.Open(path, header, SelectedRows(), nowMs);
}
