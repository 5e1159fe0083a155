#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/DriveState.h"
#include "monitor/MonitorPoll.h"
#include "monitor/TrendBuffer.h"
#include "monitor/TrendRecorder.h"

// The trend's sampling without a window: up to eight monitor rows, polled
// through the monitor poll (which reads them together with the monitor
// window's rows) at a period of 100 ms to 1 s, each sample stamped with the
// time of its read and kept for ten minutes, and written to a recording when
// one is open. TrendTimerTimer runs more often than the shortest period and
// polls when one is due; reads slower than asked show as a longer achieved
// period, not as wrong times.
class TrendSampler {
public:
    static constexpr int MaxRows = 8;
    static constexpr int MinPeriodMs = 100;
    static constexpr int MaxPeriodMs = 1000;
    static constexpr int TimerMs = 50;
    static constexpr std::uint64_t MaxWindowMs = 600000;

    TrendSampler(MonitorPoll& poll, DriveState& state, Clock& clock);

    // The timer handler: nothing unless the trend is open and a sample is due.
    void TrendTimerTimer();
    // At opening: no samples, time zero now, the first sample due at once.
    void Start();

    // Selects or deselects a row; false (nothing changed) for a ninth row or a
    // row number outside 1 ... 17.
    bool Select(int row, bool selected);
    std::vector<int> SelectedRows() const;
    bool Selected(int row) const {
        return row >= 1 && row <= MonitorRowCount && poll_.TrendSelection[row - 1];
    }
    // Clamped to 100 ms ... 1 s.
    void SetPeriodMs(int ms);
    int PeriodMs() const { return periodMs_; }

    const TrendBuffer& Samples() const { return samples_; }
    // Mean spacing of the last samples; 0 until there are two.
    int AchievedPeriodMs() const;
    // The least time a tick of what the poll now reads takes at 9600 bit/s.
    int WireMs() const;
    // The selection cannot be read within the period: by its wire time at
    // 9600 bit/s, or as measured.
    bool TooSlow() const;

    // Records every sample from now on into path, with header as first line.
    bool StartRecording(const std::string& path, const std::string& header);
    bool StopRecording() { return recorder_.Close(); }
    const TrendRecorder& Recording() const { return recorder_; }

private:
    bool Due(std::uint64_t now);
    static TrendSample Gap(std::uint64_t atMs);
    void Keep(const TrendSample& sample);

    MonitorPoll& poll_;
    DriveState& state_;
    Clock& clock_;
    int periodMs_ = 500;
    std::uint64_t originMs_ = 0;
    std::uint64_t nextDueMs_ = 0;
    TrendBuffer samples_;
    TrendRecorder recorder_;
};
