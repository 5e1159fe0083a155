#include "monitor/TrendRecorder.h"

#include <cmath>

TrendRecorder::~TrendRecorder() {
    Close();
}

bool TrendRecorder::Open(const std::string& path, const std::string& header,
                         const std::vector<int>& rows, std::uint64_t startMs) {
    Close();
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) return false;
    path_ = path;
    rows_ = rows;
    startMs_ = flushedMs_ = startMs;
    failed_ = false;
    lines_ = 0;
    Put(header + "\n");
    Flush();
    return true;
}

void TrendRecorder::Write(const TrendSample& sample) {
    if (!file_) return;
    const std::uint64_t sinceStart = sample.TimeMs > startMs_ ? sample.TimeMs - startMs_ : 0;
    std::string line = std::to_string(sinceStart);
    for (int row : rows_) {
        line += ",";
        const double value = sample.Values[row - 1];
        if (!std::isnan(value)) line += MonitorNumberText(value);
    }
    Put(line + "\n");
    ++lines_;
    if (sample.TimeMs >= flushedMs_ + FlushEveryMs) {
        Flush();
        flushedMs_ = sample.TimeMs;
    }
}

bool TrendRecorder::Close() {
    if (!file_) return !failed_;
    Flush();
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

void TrendRecorder::Put(const std::string& text) {
    if (std::fputs(text.c_str(), file_) < 0) failed_ = true;
}

void TrendRecorder::Flush() {
    if (std::fflush(file_) != 0) failed_ = true;
}
