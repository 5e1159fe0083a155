#pragma once
#include <cstdint>
#include <string>

#include "link/Clock.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"
#include "link/SerialLine.h"

// The command primitives: one checked request and one reply at a time over the
// port. Every primitive returns 1 for success and 0 for failure; read results
// go to an out value that is first set to 0.
class DriveLink : public Drive {
public:
    DriveLink(SerialLine& port, Clock& clock, DriveState& state, MainPanel& panel,
              const MessageCatalogue& catalogue);

    int ReadFromRAM(const std::string& address, int replyLength, int format, int& value) override;
    int ReadFromRAML(const std::string& address, int replyLength, int format, int& value) override;
    int ReadFromRAMWithPage(const std::string& address, int replyLength, int page, int format,
                            int& value) override;
    int WriteToRAM(const std::string& address, int value) override;
    int WriteToRAML(const std::string& address, int value) override;
    int WriteToRAMWithPage(const std::string& address, int value, int page) override;
    int WriteToEEPRAM(const std::string& address, const std::string& valueText) override;
    int ReadFromEEP(const std::string& eepAddress, int replyLength, int format,
                    int& value) override;
    int WriteToEEP(const std::string& eepAddress, int value) override;
    // Reads one reply of at most maxLength characters into ReplyBuffer: 1 when
    // it is whole, checked and nothing but line ends follows it.
    int ReceiveCOMData(int maxLength);

    // Reports a failed exchange once per outage on the main panel.
    void Communicating_error() override;
    void HoldErrorReport(bool hold) override { reportHeld_ = hold; }

    std::string ReplyBuffer() const override { return replyBuffer_; }

    // A periodic tick gives up at its first request that got no reply at
    // all: the outage is latched anyway, and its other reads would only hold
    // back the recovery and the user's commands. Its later primitives fail
    // without a request. Set by the line before and after each job.
    void BeginJob(bool periodic) {
        periodicJob_ = periodic;
        silentInJob_ = false;
    }

    // After a failed exchange the line is left alone for this long before the
    // next request, so that a reply that comes late is not taken for the next one.
    static constexpr int SettleGuardMs = 300;
    // After a request that was met by silence, its reply may still come until
    // this long after the request was sent; the next request waits for that.
    // (A whole earlier reply sent again in place of an answer cannot be told
    // from the answer: it carries no address, and its checksum is right.)
    static constexpr int LateReplyWindowMs = 2000;
    // A line that keeps chattering is emptied after this long at most.
    static constexpr int SettleLimitMs = 2000;

private:
    using ReplyDecoder = int (*)(const std::string& reply, int format);

    int ReadExchange(const std::string& request, int replyLength, bool waitWhileLatched,
                     ReplyDecoder decode, int digits, int format, int& value);
    bool Acknowledged(const std::string& request);
    int WriteExchange(const std::string& request);
    bool SendRequest(const std::string& request);
    void NoteFailedExchange();
    void SettleLine();
    bool TakeWaitingBytes();
    bool NothingBeyondReply();
    bool OnlyLineEnds(const char* bytes, int count);
    int ReadReply(int maxLength);
    int ReadReplyRest(int maxLength);
    int EndedEarly(const char* after, int count, int maxLength);

    SerialLine& port_;
    Clock& clock_;
    DriveState& state_;
    MainPanel& panel_;
    const MessageCatalogue& catalogue_;
    std::string replyBuffer_;
    // Bytes read past the end of the last reply, and whether the port already
    // listened there for what follows it.
    std::string beyond_;
    bool heardPastReply_ = false;
    // Set by a failed exchange whose request went out: its reply may still come.
    bool settlePending_ = false;
    bool reportHeld_ = false;
    bool requestOut_ = false;
    std::uint64_t failedAtMs_ = 0;
    bool periodicJob_ = false;
    bool silentInJob_ = false;
    std::uint64_t sentAtMs_ = 0;      // when the last request went out
    std::uint64_t guardUntilMs_ = 0;  // the earliest next request after a failure
};
