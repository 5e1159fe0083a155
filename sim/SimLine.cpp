#include "sim/SimLine.h"

#include <algorithm>
#include <stdexcept>

namespace sim {

namespace {

constexpr long kMicrosPerByte = 1042;  // 10 bits at 9600 bit/s
// A reply due this soon after the last byte taken is right behind it.
constexpr std::uint64_t kTrailingMs = 1;

Profile ProfileOrThrow(const std::string& family, int fxVersion) {
    Profile profile;
    if (!MakeProfile(family, fxVersion, profile)) {
        throw std::invalid_argument("unknown amplifier family or version: " + family);
    }
    return profile;
}

}  // namespace

SimLine::SimLine(Amplifier& amplifier, ManualClock* clock) : amplifier_(amplifier), clock_(clock) {}

void SimLine::Open() {
    open_ = !unplugged_;
}

void SimLine::SetUnplugged(bool unplugged) {
    unplugged_ = unplugged;
    if (unplugged) {
        inbox_.clear();
        // Bytes sent towards an adapter that went away are lost with it.
        amplifier_.DropDueReplies();
    }
}

int SimLine::Write(const char* data, int count) {
    if (!open_ || unplugged_) return -1;
    log_.push_back({std::string(data, static_cast<std::size_t>(count)), ""});
    PassWireTime(count);
    amplifier_.Receive(std::string_view(data, static_cast<std::size_t>(count)));
    return count;
}

int SimLine::Read(char* buffer, int count) {
    if (!open_ || unplugged_) return -1;
    std::uint64_t deadline = clock_ ? clock_->NowMs() + kTimeoutMs : 0;
    Fetch();
    while (static_cast<int>(inbox_.size()) < count) {
        const auto due = amplifier_.NextReplyDueMs();
        if (!clock_ || !due || *due > deadline) break;
        // A reply that arrives within the time-out: wait for it.
        if (*due > clock_->NowMs()) clock_->Advance(*due - clock_->NowMs());
        Fetch();
    }
    if (static_cast<int>(inbox_.size()) < count) {
        ++timeouts_;
        if (clock_ && clock_->NowMs() < deadline) clock_->Advance(deadline - clock_->NowMs());
    }
    return Take(buffer, count);
}

int SimLine::ReadTrailing(char* buffer, int count) {
    if (!open_ || unplugged_ || count <= 0) return 0;
    Fetch();
    const auto due = amplifier_.NextReplyDueMs();
    if (inbox_.empty() && clock_ && due && *due <= clock_->NowMs() + kTrailingMs) {
        if (*due > clock_->NowMs()) clock_->Advance(*due - clock_->NowMs());
        Fetch();
    }
    return Take(buffer, count);
}

int SimLine::Take(char* buffer, int count) {
    const int taken = std::min(count, static_cast<int>(inbox_.size()));
    inbox_.copy(buffer, static_cast<std::size_t>(taken));
    if (!log_.empty()) log_.back().read.append(inbox_, 0, static_cast<std::size_t>(taken));
    inbox_.erase(0, static_cast<std::size_t>(taken));
    PassWireTime(taken);
    return taken;
}

void SimLine::PurgeIn() {
    inbox_.clear();
    amplifier_.DropDueReplies();
}

std::vector<std::string> SimLine::Requests() const {
    std::vector<std::string> requests;
    for (const Exchange& exchange : log_) requests.push_back(exchange.written);
    return requests;
}

void SimLine::PassWireTime(int bytes) {
    if (!clock_ || !wireTime_) return;
    wireMicros_ += kMicrosPerByte * bytes;
    clock_->Advance(static_cast<std::uint64_t>(wireMicros_ / 1000));
    wireMicros_ %= 1000;
}

void SimLine::Fetch() {
    inbox_ += amplifier_.TakeReply();
}

SimRig::SimRig(const std::string& family, int fxVersion)
    : profile(ProfileOrThrow(family, fxVersion)),
      amplifier(profile, [this] { return clock.NowMs(); }),
      line(amplifier, &clock) {
    line.Open();
}

}  // namespace sim
