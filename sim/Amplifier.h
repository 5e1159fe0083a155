#pragma once
#include <array>
#include <bitset>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sim/AmpProfile.h"
#include "sim/FaultInjector.h"

namespace sim {

// One request and what became of it; garbage skipped while resynchronising is
// reported with an empty reply.
struct ExchangeRecord {
    std::uint64_t ms = 0;
    std::string request;
    std::string reply;
    std::string fault;  // empty when the reply went out as computed
};

// Checksum of the protocol: sum of the character codes modulo 256.
std::string SumText(std::string_view covered);

// A simulated servo amplifier behind the ASCII request/reply protocol. It
// takes request bytes in any split, resynchronises on a command letter, and
// queues reply bytes with the time they are due. All timing comes from the
// time source, so tests drive it on simulated time.
class Amplifier {
public:
    using TimeSource = std::function<std::uint64_t()>;
    static constexpr int kPages = 10;

    Amplifier(const Profile& profile, TimeSource now);

    // Bytes from the master; complete requests are answered at once.
    void Receive(std::string_view bytes);
    // Removes and returns the reply bytes due by now.
    std::string TakeReply();
    // When the next reply byte not yet due will be; empty when none is queued.
    std::optional<std::uint64_t> NextReplyDueMs() const;
    // Drops queued reply bytes that are due (what a purge of the port sees).
    void DropDueReplies();
    // Receive then TakeReply: the reply that is due at once.
    std::string Exchange(std::string_view request);

    // Advances the dynamics, the mailbox and the tuning to the current time.
    void Tick();

    // Direct access for tests and the ampsim console. SetRam pins the word so
    // that live values computed by the simulation no longer overwrite it.
    std::uint16_t Ram(int address, int page = 5) const;
    void SetRam(int address, std::uint16_t value, int page = 5);
    void Unpin(int address);
    std::uint16_t Eeprom(int address) const;
    void SetEeprom(int address, std::uint16_t value);

    void SetServo(bool on);
    bool Servo() const { return servoOn_; }
    // Records the alarm in the history and switches the servo off; code 0 clears.
    void RaiseAlarm(int code);
    int AlarmCode() const { return alarmCode_; }
    void SetTuningFails(bool fails) { tuningFails_ = fails; }
    void SetTuningDurationMs(int ms) { tuningDurationMs_ = ms; }
    void SetMailboxDelayMs(int ms) { mailboxDelayMs_ = ms; }
    void SetLateDelayMs(int ms) { faults_.SetLateDelayMs(ms); }
    double SpeedRpm() const { return speedRpm_; }

    // Line faults live in their own unit; these forward to it.
    FaultInjector& Faults() { return faults_; }
    void SetCablePulled(bool pulled) { faults_.SetCablePulled(pulled); }
    bool CablePulled() const { return faults_.CablePulled(); }
    void InjectFault(Fault fault, int count = 1) { faults_.Inject(fault, count); }
    int PendingFaults() const { return faults_.Pending(); }
    void ClearFaults() { faults_.Clear(); }
    void StartRandomCorruption(std::uint32_t seed, double probability) {
        faults_.StartRandom(seed, probability);
    }
    void StopRandomCorruption() { faults_.StopRandom(); }
    const CorruptionCounts& Corruptions() const { return faults_.Corruptions(); }

    void SetObserver(std::function<void(const ExchangeRecord&)> observer) {
        observer_ = std::move(observer);
    }
    const Profile& GetProfile() const { return profile_; }
    long RequestCount() const { return requestCount_; }

private:
    struct QueuedByte {
        char byte;
        std::uint64_t dueMs;
    };
    struct Mailbox {
        bool busy = false;
        std::uint64_t dueMs = 0;
    };
    struct Tuning {
        bool running = false;
        int servoOnMs = 0;
        int mode = 0;
    };
    using Page = std::array<std::uint16_t, 256>;

    void LoadInitialContents();
    void ParseInput();
    void HandleFrame(const std::string& frame);
    std::string Answer(const std::string& frame);
    void WriteWord(int page, int address, std::uint16_t value);
    void OnSpecialWrite(int address, std::uint16_t value);
    void StartMailbox(std::uint16_t command);
    void FinishMailbox();
    void StartTuning(std::uint16_t command);
    void AdvanceTuning(int dtMs);
    void ResetFromEeprom();
    void ClearFxAlarms();
    void MakeChecksum();
    void RecordAlarm(int code);
    void AdvanceDynamics(double dtMs);
    void RenderLiveWords();
    void RenderMonitor();
    void RenderStatus();
    void Render(int address, std::uint16_t value);
    double TargetSpeedRpm() const;
    void Queue(const std::string& bytes, std::uint64_t dueMs);
    void Record(const std::string& request, const std::string& reply, const std::string& note);

    Profile profile_;
    StatusLayout layout_;
    TimeSource now_;
    std::array<Page, kPages> ram_{};
    Page eeprom_{};
    std::bitset<256> paramAddress_;
    std::bitset<256> pinned_;

    std::string input_;
    std::deque<QueuedByte> output_;

    std::uint64_t lastTickMs_ = 0;
    std::uint64_t startMs_ = 0;
    Mailbox mailbox_;
    Tuning tuning_;
    int mailboxDelayMs_ = 5;
    int tuningDurationMs_ = 3000;
    bool tuningFails_ = false;

    bool servoOn_ = false;
    int alarmCode_ = 0;
    double speedRpm_ = 0;
    double torquePct_ = 0;
    double loadPct_ = 0;
    double positionPulses_ = 0;

    FaultInjector faults_;

    std::function<void(const ExchangeRecord&)> observer_;
    long requestCount_ = 0;
};

}  // namespace sim
