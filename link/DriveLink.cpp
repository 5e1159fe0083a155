#include "link/DriveLink.h"

#include <algorithm>

#include "link/Procedure.h"
#include "link/StatusTexts.h"

namespace {

// Page of the ordinary requests.
constexpr char DefaultPage = '5';

// Pauses of the exchanges, in milliseconds.
constexpr int LatchedReplyDelayMs = 30;  // a recovering amplifier answers late
constexpr int EepWriteDelayMs = 50;      // EEPROM write time before polling

// Attempts of a RAM write before the caller is told it failed.
constexpr int WriteAttempts = 2;
// Polls of the mailbox command word before an EEPROM access counts as failed.
constexpr int MailboxPolls = 2;

// The EEP mailbox: RAM words through which the amplifier reaches its EEPROM.
const std::string MailboxCommand = "68";
const std::string MailboxWriteAddress = "69";
const std::string MailboxWriteValue = "6A";
const std::string MailboxReadAddress = "6B";
const std::string MailboxReadValue = "6C";
const std::string MailboxRead = "0002";
const std::string MailboxWrite = "0001";

bool IsWordValue(int value) {
    return value >= -32768 && value <= 65535;
}
bool IsPage(int page) {
    return page >= 0 && page <= 9;
}
char PageDigit(int page) {
    return static_cast<char>('0' + page);
}
bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool IsWordText(const std::string& text) {
    return text.size() == 4 && IsAddressText(text.substr(0, 2)) && IsAddressText(text.substr(2));
}

// Builds a finished request; empty when it cannot be expressed.
std::string MakeRequest(char command, char page, const std::string& address,
                        const std::string& valueText = "") {
    std::string request{command, page};
    request += address;
    request += valueText;
    return FinishRequest(request) ? request : std::string();
}

// Data characters of a word and of a long reply.
constexpr int WordDigits = 4;
constexpr int LongDigits = 8;

// Bytes taken beyond the rest of a reply in the same read: enough to see a
// line end pair and what follows it.
constexpr int TrailingRoom = 4;

}  // namespace

DriveLink::DriveLink(SerialLine& port, Clock& clock, DriveState& state, MainPanel& panel,
                     const MessageCatalogue& catalogue)
    : port_(port), clock_(clock), state_(state), panel_(panel), catalogue_(catalogue) {}

// Every request starts on an empty input queue: whatever is still there (the
// tail of a joined or late reply, a line end after a full-length reply) is not
// the answer to this request and must not be taken for it.
bool DriveLink::SendRequest(const std::string& request) {
    const int length = static_cast<int>(request.size());
    if (length == 0) return false;
    SettleLine();
    port_.PurgeIn();
    const int written = port_.Write(request.data(), length);
    // Once any of it went out, an answer may come, in time or not.
    requestOut_ = written > 0;
    sentAtMs_ = clock_.NowMs();
    return written == length;
}

// Replies carry no address, so order is all that ties a reply to its request.
// After a failed exchange its reply may still be on its way: let the line be
// quiet for the guard time since the failure before the next request goes out
// (which empties the line). When nothing at all came, the reply may be later
// still: the line is watched until LateReplyWindowMs after that request. A
// healthy line never gets here.
void DriveLink::NoteFailedExchange() {
    settlePending_ = true;
    failedAtMs_ = clock_.NowMs();
    guardUntilMs_ = failedAtMs_ + SettleGuardMs;
    if (replyBuffer_ == "?") guardUntilMs_ = std::max(guardUntilMs_, sentAtMs_ + LateReplyWindowMs);
}

void DriveLink::SettleLine() {
    if (!settlePending_) return;
    settlePending_ = false;
    // A chattering line is given up on SettleLimitMs after the failure, or
    // after the late-reply window where that is longer.
    const std::uint64_t limit = guardUntilMs_ - SettleGuardMs + SettleLimitMs;
    std::uint64_t until = guardUntilMs_;
    while (true) {
        const std::uint64_t now = clock_.NowMs();
        if (now < until) clock_.WaitMs(static_cast<int>(until - now));
        if (!TakeWaitingBytes()) break;
        const std::uint64_t heard = clock_.NowMs();
        if (heard >= limit) break;
        until = heard + SettleGuardMs;
    }
}

// True when anything was waiting; all of it is taken, or a few buffers of it
// on a line that never goes quiet (the caller's time limit then ends the wait).
bool DriveLink::TakeWaitingBytes() {
    char bytes[64];
    bool any = false;
    for (int reads = 0; reads < 4; ++reads) {
        if (port_.ReadTrailing(bytes, static_cast<int>(sizeof bytes)) <= 0) break;
        any = true;
    }
    return any;
}

// Bytes beyond a whole reply mean it was not this request's answer alone: a
// late reply with the right one behind it, a joined reply, or one shifted by a
// stray character whose sum fits by chance. Line ends may follow.
bool DriveLink::NothingBeyondReply() {
    bool clean = OnlyLineEnds(beyond_.data(), static_cast<int>(beyond_.size()));
    // The port listened past the reply while reading it, and heard nothing.
    if (heardPastReply_ && beyond_.empty()) return true;
    char bytes[16];
    int count = 0;
    // A line that never goes quiet (noise at the line's rate) must not hold the
    // reader: past a few replies' worth of bytes the reply is not alone.
    int left = 4 * MaxReplyLength - static_cast<int>(beyond_.size());
    while (left > 0 && (count = port_.ReadTrailing(bytes, static_cast<int>(sizeof bytes))) > 0) {
        left -= count;
        if (left <= 0) clean = false;
        clean = OnlyLineEnds(bytes, count) && clean;
    }
    return clean;
}

// Bytes read past the end of a reply: anything but line ends is kept in
// ReplyBuffer and makes it false.
bool DriveLink::OnlyLineEnds(const char* bytes, int count) {
    bool clean = true;
    for (int i = 0; i < count; ++i) {
        if (IsLineEnd(bytes[i])) continue;
        clean = false;
        replyBuffer_ += bytes[i];
    }
    return clean;
}

// One read exchange: no second attempt; a failure is reported.
int DriveLink::ReadExchange(const std::string& request, int replyLength, bool waitWhileLatched,
                            ReplyDecoder decode, int digits, int format, int& value) {
    if (periodicJob_ && silentInJob_) {
        Communicating_error();
        return 0;
    }
    const bool latched = state_.CommErrorLatched;
    const bool sent = SendRequest(request);
    if (latched && waitWhileLatched) clock_.WaitMs(LatchedReplyDelayMs);
    // Read even after a short write so that ReplyBuffer tells what came back.
    const bool received = ReceiveCOMData(replyLength) == 1;
    // A reply whose data are no number of the format carries no value.
    if (!sent || !received || !ReplyDataParses(replyBuffer_, digits, format)) {
        if (received) NoteFailedExchange();
        Communicating_error();
        return 0;
    }
    value = decode(replyBuffer_, format);
    return 1;
}

// Sends a write request and reads its one-character acknowledgement.
bool DriveLink::Acknowledged(const std::string& request) {
    if (periodicJob_ && silentInJob_) return false;
    const bool sent = SendRequest(request);
    const bool received = ReceiveCOMData(1) == 1;
    return sent && received;
}

// A write exchange, tried twice and never reported: the caller decides.
int DriveLink::WriteExchange(const std::string& request) {
    for (int attempt = 0; attempt < WriteAttempts; ++attempt) {
        if (Acknowledged(request)) return 1;
    }
    return 0;
}

int DriveLink::ReadFromRAM(const std::string& address, int replyLength, int format, int& value) {
    value = 0;
    if (!IsAddressText(address)) return 0;
    return ReadExchange(MakeRequest('R', DefaultPage, address), replyLength, true, WordFromReply,
                        WordDigits, format, value);
}

int DriveLink::ReadFromRAML(const std::string& address, int replyLength, int format, int& value) {
    value = 0;
    if (!IsAddressText(address)) return 0;
    return ReadExchange(MakeRequest('L', DefaultPage, address), replyLength, true, LongFromReply,
                        LongDigits, format, value);
}

int DriveLink::ReadFromRAMWithPage(const std::string& address, int replyLength, int page,
                                   int format, int& value) {
    value = 0;
    if (!IsAddressText(address) || !IsPage(page)) return 0;
    return ReadExchange(MakeRequest('R', PageDigit(page), address), replyLength, false,
                        WordFromReply, WordDigits, format, value);
}

int DriveLink::WriteToRAM(const std::string& address, int value) {
    if (!IsAddressText(address) || !IsWordValue(value)) return 0;
    return WriteExchange(MakeRequest('W', DefaultPage, address, HexWord(value)));
}

int DriveLink::WriteToRAML(const std::string& address, int value) {
    if (!IsAddressText(address)) return 0;
    return WriteExchange(MakeRequest('M', DefaultPage, address, HexLong(value)));
}

int DriveLink::WriteToRAMWithPage(const std::string& address, int value, int page) {
    if (!IsAddressText(address) || !IsWordValue(value) || !IsPage(page)) return 0;
    return WriteExchange(MakeRequest('W', PageDigit(page), address, HexWord(value)));
}

int DriveLink::WriteToEEPRAM(const std::string& address, const std::string& valueText) {
    if (!IsAddressText(address) || !IsWordText(valueText)) return 0;
    const std::string request = MakeRequest('W', DefaultPage, address, valueText);
    if (Acknowledged(request)) return 1;
    Communicating_error();
    return 0;
}

int DriveLink::ReadFromEEP(const std::string& eepAddress, int replyLength, int format, int& value) {
    value = 0;
    if (!IsAddressText(eepAddress)) return 0;
    bool done = WriteToEEPRAM(MailboxReadAddress, "00" + eepAddress) == 1 &&
                WriteToEEPRAM(MailboxCommand, MailboxRead) == 1;
    if (done) {
        done = false;
        for (int poll = 0; poll < MailboxPolls; ++poll) {
            int command = 0;
            if (ReadFromRAM(MailboxCommand, replyLength, HexFormat, command) == 1 && command == 0) {
                done = ReadFromRAM(MailboxReadValue, replyLength, format, value) == 1;
                break;
            }
        }
    }
    if (!done) Communicating_error();
    return done ? 1 : 0;
}

int DriveLink::WriteToEEP(const std::string& eepAddress, int value) {
    if (!IsAddressText(eepAddress) || !IsWordValue(value)) return 0;
    bool done = WriteToEEPRAM(MailboxWriteAddress, "00" + eepAddress) == 1 &&
                WriteToEEPRAM(MailboxWriteValue, HexWord(value)) == 1 &&
                WriteToEEPRAM(MailboxCommand, MailboxWrite) == 1;
    if (done) {
        clock_.WaitMs(EepWriteDelayMs);
        done = false;
        for (int poll = 0; poll < MailboxPolls; ++poll) {
            int command = 0;
            if (ReadFromRAM(MailboxCommand, WordReplyLength, HexFormat, command) == 1) {
                done = command == 0;
                break;
            }
        }
    }
    if (!done) Communicating_error();
    return done ? 1 : 0;
}

int DriveLink::ReceiveCOMData(int maxLength) {
    int result = ReadReply(maxLength);
    if (result == 1 && !NothingBeyondReply()) result = 0;
    if (result == 0 && requestOut_) NoteFailedExchange();
    requestOut_ = false;
    return result;
}

int DriveLink::ReadReply(int maxLength) {
    replyBuffer_.clear();
    beyond_.clear();
    heardPastReply_ = false;
    char byte = 0;
    if (port_.Read(&byte, 1) != 1) {
        replyBuffer_ = "?";
        silentInJob_ = true;
        return 0;
    }
    replyBuffer_ += byte;
    if (byte != '%') {
        // An error reply ("!") or noise: take it off the line, then fail.
        for (int further = 0; further < maxLength; ++further) {
            if (port_.Read(&byte, 1) != 1 || IsLineEnd(byte)) break;
            replyBuffer_ += byte;
        }
        return 0;
    }
    if (maxLength == 1) return 1;
    return ReadReplyRest(maxLength);
}

// The rest of a reply is asked for in one read, together with what follows it,
// so that the port can wait for all of it at once instead of waking for every
// character. Stray "%" are skipped, but only so many: a line repeating them
// must not hold the reader forever.
int DriveLink::ReadReplyRest(int maxLength) {
    int skippedMarks = 0;
    bool errorMark = false;
    while (static_cast<int>(replyBuffer_.size()) < maxLength) {
        char rest[MaxReplyLength + TrailingRoom];
        const int wanted = std::min(maxLength - static_cast<int>(replyBuffer_.size()),
                                    static_cast<int>(MaxReplyLength));
        const int got = port_.ReadWithTrailing(rest, wanted, wanted + TrailingRoom);
        if (got <= 0) return 0;
        int i = 0;
        for (; i < got && static_cast<int>(replyBuffer_.size()) < maxLength; ++i) {
            const char c = rest[i];
            if (!IsReplyChar(c)) return 0;
            // "!" is a reply character but never a data one: among the data
            // it would read as value 0 whenever the sum happened to match.
            errorMark = errorMark || c == '!';
            if (IsLineEnd(c)) {
                heardPastReply_ = i + 1 == got && got == wanted;
                const int ended = EndedEarly(rest + i + 1, got - i - 1, maxLength);
                return errorMark ? 0 : ended;
            }
            if (c == '%') {
                if (++skippedMarks > maxLength) return 0;
                continue;
            }
            replyBuffer_ += c;
        }
        if (got < wanted) return 0;  // the rest did not come in time
        // The port listened past its last wanted byte; that is the reply's end
        // unless stray marks moved it.
        beyond_.assign(rest + i, static_cast<std::size_t>(got - i));
        heardPastReply_ = i == wanted;
    }
    if (errorMark) return 0;
    return CheckReplySum(replyBuffer_, static_cast<int>(replyBuffer_.size())) ? 1 : 0;
}

// A reply ended by a line end. Only a whole word reply may end early (the
// 7-character reply read with room for 8): a shorter one with a fitting sum,
// such as "%25" CR, carries no value. What was read after the line end lies
// beyond the reply.
int DriveLink::EndedEarly(const char* after, int count, int maxLength) {
    if (replyBuffer_.size() != WordReplyLength || maxLength >= MaxReplyLength) return 0;
    if (!OnlyLineEnds(after, count)) return 0;
    return CheckReplySum(replyBuffer_, static_cast<int>(replyBuffer_.size())) ? 1 : 0;
}

void DriveLink::Communicating_error() {
    if (reportHeld_ || state_.CommErrorLatched) return;
    state_.CommErrorLatched = true;
    state_.StatusCode = StatusTexts::CommErrorStatusCode;
    state_.CurrentMode = -1;
    state_.StatusWord = -1;
    StatusTexts::DrawStatusTexts(state_, catalogue_, panel_);
    if (state_.AmpFamily == Family::Bx) panel_.EEPLabel = StatusTexts::UnknownEepText;
    panel_.MainMsg5 = StatusTexts::UnknownModelText;
    panel_.CPULabel = StatusTexts::UnknownCpuText;
}
