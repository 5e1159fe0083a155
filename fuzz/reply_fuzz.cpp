// The reply reader through the command primitives. The input is the stream of
// bytes the line delivers: the first byte picks the primitives, then segments
// separated by 0xFF each arrive when the next request is written. A short
// segment is a time-out, a long one leaves a tail that the next request must
// not take for its answer.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "link/DriveLink.h"
#include "link/Procedure.h"

namespace {

constexpr char SegmentEnd = '\xFF';
constexpr int MaxExchanges = 8;
// Reads one exchange may make: a reply of the longest length with as many
// stray "%" again, and the rest of an error reply.
constexpr int MaxReadsPerRequest = 3 * MaxReplyLength + 4;
// Looks for bytes after a reply: a few kilobytes of input at most, so a
// reader still asking after that is held by a line that never goes quiet.
constexpr int MaxTrailingReads = 1024;

class FuzzLine : public SerialLine {
public:
    explicit FuzzLine(std::deque<std::string> segments) : segments_(std::move(segments)) {}

    void Open() override {}
    void Close() override {}
    bool Enabled() const override { return true; }
    int Write(const char* data, int count) override {
        requests_.emplace_back(data, static_cast<std::size_t>(count));
        readsSinceWrite_ = 0;
        trailingReadsSinceWrite_ = 0;
        if (!segments_.empty()) {
            incoming_ += segments_.front();
            segments_.pop_front();
        }
        return count;
    }
    int Read(char* buffer, int count) override {
        FUZZ_CHECK(count > 0);
        FUZZ_CHECK(++readsSinceWrite_ <= MaxReadsPerRequest);
        const int n = std::min<int>(count, static_cast<int>(incoming_.size()));
        incoming_.copy(buffer, static_cast<std::size_t>(n));
        incoming_.erase(0, static_cast<std::size_t>(n));
        return n;
    }
    // What is left of the segment arrived with the reply: the bytes after it.
    // A babbling line (noise that never stops) has more whenever asked.
    int ReadTrailing(char* buffer, int count) override {
        FUZZ_CHECK(count > 0);
        FUZZ_CHECK(++trailingReadsSinceWrite_ <= MaxTrailingReads);
        if (babbling_ && incoming_.empty()) incoming_.assign(static_cast<std::size_t>(count), '0');
        const int n = std::min<int>(count, static_cast<int>(incoming_.size()));
        incoming_.copy(buffer, static_cast<std::size_t>(n));
        incoming_.erase(0, static_cast<std::size_t>(n));
        return n;
    }
    void SetBabbling(bool on) { babbling_ = on; }
    void PurgeIn() override { incoming_.clear(); }
    void SetDeviceName(const std::string&) override {}
    std::string GetDeviceName() const override { return "Com1"; }
    void SetBaudRate(TBaudRate) override {}
    void SetParity(TParity) override {}
    void SetStopBits(TStopBits) override {}
    void SetDataBits(TDataBits) override {}
    void SetRTSState(bool) override {}
    void SetDTRState(bool) override {}

    const std::vector<std::string>& Requests() const { return requests_; }

private:
    std::deque<std::string> segments_;
    std::string incoming_;
    std::vector<std::string> requests_;
    int readsSinceWrite_ = 0;
    int trailingReadsSinceWrite_ = 0;
    bool babbling_ = false;
};

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// A reply the reader accepted: "%", hexadecimal data, a matching checksum, of
// the asked length or a whole word reply ended early by a line end.
void CheckAcceptedReply(const std::string& reply, int replyLength) {
    const int size = static_cast<int>(reply.size());
    FUZZ_CHECK(size == replyLength || (size == 7 && replyLength > 7));
    FUZZ_CHECK(reply[0] == '%');
    for (std::size_t i = 1; i < reply.size(); ++i) FUZZ_CHECK(IsUpperHex(reply[i]));
    FUZZ_CHECK(CheckReplySum(reply, size));
}

struct Rig {
    explicit Rig(std::deque<std::string> segments) : line(std::move(segments)) {}
    FuzzLine line;
    ManualClock clock;
    DriveState state;
    MainPanel panel;
    MessageCatalogue catalogue;
    DriveLink link{line, clock, state, panel, catalogue};
};

void WordRead(Rig& rig, int replyLength, int format) {
    int value = -1;
    const int done = rig.link.ReadFromRAM("C0", replyLength, format, value);
    if (done == 1) {
        CheckAcceptedReply(rig.link.ReplyBuffer(), replyLength);
        FUZZ_CHECK(value == WordFromReply(rig.link.ReplyBuffer(), format));
    } else {
        FUZZ_CHECK(done == 0 && value == 0 && rig.state.CommErrorLatched);
    }
}

void LongRead(Rig& rig) {
    int value = -1;
    const int done = rig.link.ReadFromRAML("C0", MaxReplyLength, 1, value);
    if (done == 1) {
        FUZZ_CHECK(rig.link.ReplyBuffer().size() == MaxReplyLength);
        CheckAcceptedReply(rig.link.ReplyBuffer(), MaxReplyLength);
        FUZZ_CHECK(value == LongFromReply(rig.link.ReplyBuffer(), 1));
    } else {
        FUZZ_CHECK(done == 0 && value == 0 && rig.state.CommErrorLatched);
    }
}

void Write(Rig& rig) {
    const std::size_t before = rig.line.Requests().size();
    const int done = rig.link.WriteToRAM("40", 0x1234);
    const std::size_t attempts = rig.line.Requests().size() - before;
    FUZZ_CHECK(attempts >= 1 && attempts <= 2);
    // Acknowledged means the last reply began with "%"; a second attempt only
    // after a first that was not.
    if (done == 1) FUZZ_CHECK(rig.link.ReplyBuffer() == "%");
}

void EepRead(Rig& rig) {
    int value = -1;
    const int done = rig.link.ReadFromEEP("10", 7, 1, value);
    if (done == 1) {
        CheckAcceptedReply(rig.link.ReplyBuffer(), 7);
        FUZZ_CHECK(value == WordFromReply(rig.link.ReplyBuffer(), 1));
    } else {
        FUZZ_CHECK(value == 0 && rig.state.CommErrorLatched);
    }
}

std::deque<std::string> Segments(std::string_view stream) {
    std::deque<std::string> segments;
    std::size_t from = 0;
    while (from <= stream.size() && segments.size() < MaxExchanges * 4) {
        const std::size_t end = std::min(stream.find(SegmentEnd, from), stream.size());
        segments.emplace_back(stream.substr(from, end - from));
        from = end + 1;
    }
    return segments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned choice = data[0];
    Rig rig(Segments(fuzz::Bytes(data + 1, size - 1)));
    rig.line.SetBabbling((choice & 0x10) != 0);
    const std::size_t exchanges = std::min<std::size_t>(MaxExchanges, 1 + (choice >> 5));
    for (std::size_t i = 0; i < exchanges; ++i) {
        switch ((choice + i) % 6) {
            case 0:
                WordRead(rig, 7, 1);
                break;
            case 1:
                WordRead(rig, 8, 1);
                break;
            case 2:
                WordRead(rig, 7, 0);
                break;
            case 3:
                LongRead(rig);
                break;
            case 4:
                Write(rig);
                break;
            default:
                EepRead(rig);
                break;
        }
    }
    return 0;
}
