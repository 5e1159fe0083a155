#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "monitor/MonitorRules.h"

// One sample of the trend: when it was read and the number of every row, NaN
// where the row was not read, its read failed or it shows no number, so that a
// plot and a recording show a gap there rather than a repeated value.
struct TrendSample {
    std::uint64_t TimeMs = 0;  // since the trend started, at the read
    std::array<double, MonitorRowCount> Values{};
};

// The samples of the last Span milliseconds, oldest first, in storage fixed at
// construction: memory is bounded by the window however long the trend runs.
class TrendBuffer {
public:
    TrendBuffer(std::uint64_t spanMs, std::size_t capacity);

    // Adds a sample and drops those older than Span before it (and the oldest
    // when the storage is full).
    void Push(const TrendSample& sample);
    void Clear();

    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return storage_.size(); }
    // i = 0 is the oldest sample held.
    const TrendSample& At(std::size_t i) const;
    const TrendSample& Newest() const { return At(size_ - 1); }
    // Samples pushed since construction or Clear: a redraw adds only the new ones.
    std::uint64_t Pushed() const { return pushed_; }

private:
    void DropOldest();

    std::uint64_t spanMs_;
    std::vector<TrendSample> storage_;
    std::size_t first_ = 0;
    std::size_t size_ = 0;
    std::uint64_t pushed_ = 0;
};
