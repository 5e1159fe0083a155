#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "monitor/TrendBuffer.h"

// Writes trend samples to a CSV file: the header of servoctl monitor, then
// one line per sample with the milliseconds since the recording started and
// each row's number (an empty field where the sample has none). The file is
// flushed at least once a second of samples, so a crash loses at most that.
class TrendRecorder {
public:
    static constexpr std::uint64_t FlushEveryMs = 1000;

    TrendRecorder() = default;
    ~TrendRecorder();
    TrendRecorder(const TrendRecorder&) = delete;
    TrendRecorder& operator=(const TrendRecorder&) = delete;

    // Creates the file and writes the header; startMs is trend time zero of
    // the recording. False (nothing open) when the file cannot be created.
    bool Open(const std::string& path, const std::string& header, const std::vector<int>& rows,
              std::uint64_t startMs);
    void Write(const TrendSample& sample);
    // Flushes and closes; false when any write since Open failed.
    bool Close();

    bool IsOpen() const { return file_ != nullptr; }
    bool Failed() const { return failed_; }
    const std::string& Path() const { return path_; }
    long Lines() const { return lines_; }

private:
    void Put(const std::string& text);
    void Flush();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::vector<int> rows_;
    std::uint64_t startMs_ = 0;
    std::uint64_t flushedMs_ = 0;
    bool failed_ = false;
    long lines_ = 0;
};
