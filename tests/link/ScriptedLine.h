#pragma once
#include <deque>
#include <string>
#include <vector>

#include "link/SerialLine.h"

// A serial line played from a script: it records every request written and
// serves queued reply bytes. An empty queue reads as a time-out (0 bytes)
// without waiting. Replies queued with QueueOnWrite are released only when
// the next request is written, so a purge before that request cannot eat them.
class ScriptedLine : public SerialLine {
public:
    // Bytes available at once.
    void Queue(const std::string& bytes) {
        incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
    }
    // Bytes released by the next Write, one entry per request.
    void QueueOnWrite(const std::string& reply) { pendingReplies_.push_back(reply); }

    const std::vector<std::string>& Requests() const { return requests_; }
    std::string Remaining() const { return std::string(incoming_.begin(), incoming_.end()); }
    int Purges() const { return purges_; }
    int BytesRead() const { return bytesRead_; }

    void Open() override { open_ = true; }
    void Close() override { open_ = false; }
    bool Enabled() const override { return open_; }

    int Write(const char* data, int count) override {
        if (!open_) return -1;
        requests_.emplace_back(data, static_cast<std::size_t>(count));
        if (!pendingReplies_.empty()) {
            Queue(pendingReplies_.front());
            pendingReplies_.pop_front();
        }
        return count;
    }
    int Read(char* buffer, int count) override {
        if (!open_) return -1;
        int n = 0;
        while (n < count && !incoming_.empty()) {
            buffer[n++] = incoming_.front();
            incoming_.pop_front();
        }
        bytesRead_ += n;
        return n;
    }
    // Queued bytes are the ones that have arrived.
    int ReadTrailing(char* buffer, int count) override { return Read(buffer, count); }
    void PurgeIn() override {
        ++purges_;
        incoming_.clear();
    }

    void SetDeviceName(const std::string& name) override { name_ = name; }
    std::string GetDeviceName() const override { return name_; }
    void SetBaudRate(TBaudRate) override {}
    void SetParity(TParity) override {}
    void SetStopBits(TStopBits) override {}
    void SetDataBits(TDataBits) override {}
    void SetRTSState(bool) override {}
    void SetDTRState(bool) override {}

private:
    bool open_ = true;
    std::string name_ = "Com1";
    std::deque<char> incoming_;
    std::deque<std::string> pendingReplies_;
    std::vector<std::string> requests_;
    int purges_ = 0;
    int bytesRead_ = 0;
};
