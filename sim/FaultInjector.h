#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>

namespace sim {

// Faults that spoil the next replies on demand.
enum class Fault {
    NoReply,        // the request is swallowed
    WrongChecksum,  // a data reply with its last checksum digit changed
    ForeignChar,    // a character outside the reply alphabet in the reply
    ErrorReply,     // "!" error reply instead of the answer
    Truncated,      // a data reply without its checksum
    Late,           // the reply comes after the master's time-out
};

// Parses "noreply", "checksum", "foreign", "error", "truncated", "late".
std::optional<Fault> FaultFromName(std::string_view name);
const char* FaultName(Fault fault);

// What the random-corruption mode did, kind by kind.
struct CorruptionCounts {
    long replies = 0;  // replies seen while the mode was on
    long bitFlips = 0;
    long truncations = 0;
    long insertions = 0;
    long joined = 0;
    long stale = 0;
    long Total() const { return bitFlips + truncations + insertions + joined + stale; }
};

// Everything that can go wrong between the amplifier and the master: a pulled
// cable, faults queued for the next replies, and seeded random corruption.
// The amplifier computes each reply as if the line were perfect and hands it
// here; what comes back is what goes on the wire.
class FaultInjector {
public:
    // Cable pulled: requests are lost and nothing is answered.
    void SetCablePulled(bool pulled) { cablePulled_ = pulled; }
    bool CablePulled() const { return cablePulled_; }

    // Spoils the next count replies the fault applies to.
    void Inject(Fault fault, int count = 1);
    int Pending() const;
    void Clear() { faults_.clear(); }

    // Corrupts each reply with the given probability, seeded for repeatability.
    void StartRandom(std::uint32_t seed, double probability);
    void StopRandom() { corrupting_ = false; }
    const CorruptionCounts& Corruptions() const { return corruptions_; }

    void SetLateDelayMs(int ms) { lateDelayMs_ = ms; }

    // The reply as it goes out; dueMs may move later, note names the fault
    // (empty when the reply went out as computed).
    std::string Apply(const std::string& reply, std::uint64_t& dueMs, std::string& note);

private:
    std::string Spoil(Fault fault, const std::string& reply, std::uint64_t& dueMs) const;
    std::string Corrupt(const std::string& reply, std::string& note);

    bool cablePulled_ = false;
    int lateDelayMs_ = 1200;
    std::deque<std::pair<Fault, int>> faults_;
    bool corrupting_ = false;
    double probability_ = 0;
    std::mt19937 rng_;
    CorruptionCounts corruptions_;
    std::string previousReply_;  // what a stale or joined reply repeats
};

}  // namespace sim
