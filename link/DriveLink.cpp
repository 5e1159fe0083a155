#include "link/DriveLink.h"

#include "link/Procedure.h"

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

// A whole word reply: "%", 4 data characters, checksum.
constexpr int WordReplyLength = 7;

// Texts of a communication outage.
constexpr int ServoOffMessage = 53;
constexpr int CommErrorStatusCode = 16;
constexpr int FirstStatusMessage = 151;
constexpr int FirstModeMessage = 56;
constexpr int BxStatusFieldMessage1 = 62;
constexpr int BxStatusFieldMessage2 = 64;
const char* const UnknownCpuText = "CPU:XXX";
const char* const UnknownEepText = "EEP:XXX";

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

// Every request starts on an empty input queue: whatever is still there (the
// tail of a joined or late reply, a line end after a full-length reply) is not
// the answer to this request and must not be taken for it.
bool SendRequest(SerialLine& port, const std::string& request) {
    const int length = static_cast<int>(request.size());
    if (length == 0) return false;
    port.PurgeIn();
    return port.Write(request.data(), length) == length;
}

// WordFromReply or LongFromReply.
using ReplyDecoder = int (*)(const std::string& reply, int format);

// One read exchange: no second attempt; a failure is reported.
int ReadExchange(DriveLink& link, const std::string& request, int replyLength,
                 bool waitWhileLatched, ReplyDecoder decode, int format, int& value) {
    const bool latched = link.State().CommErrorLatched;
    const bool sent = SendRequest(link.Port(), request);
    if (latched && waitWhileLatched) link.GetClock().WaitMs(LatchedReplyDelayMs);
    // Read even after a short write so that ReplyBuffer tells what came back.
    const bool received = link.ReceiveCOMData(replyLength) == 1;
    if (!sent || !received) {
        link.Communicating_error();
        return 0;
    }
    value = decode(link.ReplyBuffer(), format);
    return 1;
}

// Sends a write request and reads its one-character acknowledgement.
bool Acknowledged(DriveLink& link, const std::string& request) {
    const bool sent = SendRequest(link.Port(), request);
    const bool received = link.ReceiveCOMData(1) == 1;
    return sent && received;
}

// A write exchange, tried twice and never reported: the caller decides.
int WriteExchange(DriveLink& link, const std::string& request) {
    for (int attempt = 0; attempt < WriteAttempts; ++attempt) {
        if (Acknowledged(link, request)) return 1;
    }
    return 0;
}

}  // namespace

DriveLink::DriveLink(SerialLine& port, Clock& clock, DriveState& state, MainPanel& panel,
                     const MessageCatalogue& catalogue)
    : port_(port), clock_(clock), state_(state), panel_(panel), catalogue_(catalogue) {}

int DriveLink::ReadFromRAM(const std::string& address, int replyLength, int format, int& value) {
    value = 0;
    if (!IsAddressText(address)) return 0;
    return ReadExchange(*this, MakeRequest('R', DefaultPage, address), replyLength, true,
                        WordFromReply, format, value);
}

int DriveLink::ReadFromRAML(const std::string& address, int replyLength, int format, int& value) {
    value = 0;
    if (!IsAddressText(address)) return 0;
    return ReadExchange(*this, MakeRequest('L', DefaultPage, address), replyLength, true,
                        LongFromReply, format, value);
}

int DriveLink::ReadFromRAMWithPage(const std::string& address, int replyLength, int page,
                                   int format, int& value) {
    value = 0;
    if (!IsAddressText(address) || !IsPage(page)) return 0;
    return ReadExchange(*this, MakeRequest('R', PageDigit(page), address), replyLength, false,
                        WordFromReply, format, value);
}

int DriveLink::WriteToRAM(const std::string& address, int value) {
    if (!IsAddressText(address) || !IsWordValue(value)) return 0;
    return WriteExchange(*this, MakeRequest('W', DefaultPage, address, HexWord(value)));
}

int DriveLink::WriteToRAML(const std::string& address, int value) {
    if (!IsAddressText(address)) return 0;
    return WriteExchange(*this, MakeRequest('M', DefaultPage, address, HexLong(value)));
}

int DriveLink::WriteToRAMWithPage(const std::string& address, int value, int page) {
    if (!IsAddressText(address) || !IsWordValue(value) || !IsPage(page)) return 0;
    return WriteExchange(*this, MakeRequest('W', PageDigit(page), address, HexWord(value)));
}

int DriveLink::WriteToEEPRAM(const std::string& address, const std::string& valueText) {
    if (!IsAddressText(address) || !IsWordText(valueText)) return 0;
    const std::string request = MakeRequest('W', DefaultPage, address, valueText);
    if (Acknowledged(*this, request)) return 1;
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
            if (ReadFromRAM(MailboxCommand, replyLength, 1, command) == 1 && command == 0) {
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
            if (ReadFromRAM(MailboxCommand, WordReplyLength, 1, command) == 1) {
                done = command == 0;
                break;
            }
        }
    }
    if (!done) Communicating_error();
    return done ? 1 : 0;
}

int DriveLink::ReceiveCOMData(int maxLength) {
    replyBuffer_.clear();
    char byte = 0;
    if (port_.Read(&byte, 1) != 1) {
        replyBuffer_ = "?";
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
    // Stray "%" are skipped, but only so many: a line repeating them must not
    // hold the reader forever.
    int skippedMarks = 0;
    while (static_cast<int>(replyBuffer_.size()) < maxLength) {
        // "!" is a reply character but never a data one: among the data it
        // would read as value 0 whenever the sum happened to match.
        if (port_.Read(&byte, 1) != 1 || !IsReplyChar(byte) || byte == '!') return 0;
        if (IsLineEnd(byte)) {
            // Only a whole word reply may end early (the 7-character reply read
            // with room for 8): a shorter one with a fitting sum, such as
            // "%25" CR, carries no value.
            if (replyBuffer_.size() != WordReplyLength || maxLength >= MaxReplyLength) return 0;
            break;
        }
        if (byte == '%') {
            if (++skippedMarks > maxLength) return 0;
            continue;
        }
        replyBuffer_ += byte;
    }
    return CheckReplySum(replyBuffer_, static_cast<int>(replyBuffer_.size())) ? 1 : 0;
}

void DriveLink::Communicating_error() {
    if (state_.CommErrorLatched) return;
    state_.CommErrorLatched = true;
    state_.StatusCode = CommErrorStatusCode;
    state_.CurrentMode = -1;
    state_.StatusWord = -1;

    panel_.MainMsg1 = catalogue_.Msg(ServoOffMessage);
    panel_.MainMsg2 = catalogue_.Msg(FirstStatusMessage + CommErrorStatusCode);
    panel_.MainMsg3 = catalogue_.Msg(FirstModeMessage - 1);
    if (state_.AmpFamily == 0) {
        panel_.MainMsg6 =
            catalogue_.Msg(BxStatusFieldMessage1) + " " + catalogue_.Msg(BxStatusFieldMessage2);
        panel_.EEPLabel = UnknownEepText;
    }
    panel_.MainMsg5 = UnknownModelText;
    panel_.CPULabel = UnknownCpuText;
}
