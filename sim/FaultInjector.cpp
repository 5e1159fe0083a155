#include "sim/FaultInjector.h"

namespace sim {

namespace {

const char kInjectedError[] = "!09\r";

struct FaultNameRow {
    Fault fault;
    const char* name;
};
const FaultNameRow kFaultNames[] = {
    {Fault::NoReply, "noreply"},     {Fault::WrongChecksum, "checksum"},
    {Fault::ForeignChar, "foreign"}, {Fault::ErrorReply, "error"},
    {Fault::Truncated, "truncated"}, {Fault::Late, "late"},
};

// A data reply: "%", data digits and the checksum.
bool HasChecksum(const std::string& reply) {
    return reply.size() >= 7 && reply[0] == '%';
}

}  // namespace

std::optional<Fault> FaultFromName(std::string_view name) {
    for (const FaultNameRow& row : kFaultNames) {
        if (name == row.name) return row.fault;
    }
    return std::nullopt;
}

const char* FaultName(Fault fault) {
    for (const FaultNameRow& row : kFaultNames) {
        if (fault == row.fault) return row.name;
    }
    return "?";
}

void FaultInjector::Inject(Fault fault, int count) {
    if (count > 0) faults_.emplace_back(fault, count);
}

int FaultInjector::Pending() const {
    int total = 0;
    for (const auto& [fault, count] : faults_) total += count;
    return total;
}

void FaultInjector::StartRandom(std::uint32_t seed, double probability) {
    rng_.seed(seed);
    probability_ = probability;
    corruptions_ = CorruptionCounts{};
    corrupting_ = true;
}

std::string FaultInjector::Apply(const std::string& reply, std::uint64_t& dueMs,
                                 std::string& note) {
    std::string sent = reply;
    bool spoiled = false;
    if (!faults_.empty()) {
        const Fault fault = faults_.front().first;
        // A checksum or a truncation needs data to spoil: writes pass untouched.
        const bool dataOnly = fault == Fault::WrongChecksum || fault == Fault::Truncated;
        if (!dataOnly || HasChecksum(reply)) {
            if (--faults_.front().second == 0) faults_.pop_front();
            note = FaultName(fault);
            sent = Spoil(fault, reply, dueMs);
            spoiled = true;
        }
    }
    if (!spoiled && corrupting_) sent = Corrupt(reply, note);
    previousReply_ = reply;
    return sent;
}

std::string FaultInjector::Spoil(Fault fault, const std::string& reply,
                                 std::uint64_t& dueMs) const {
    switch (fault) {
        case Fault::NoReply:
            return "";
        case Fault::WrongChecksum: {
            // The last checksum digit, not the CR after the CPU word.
            std::string spoiled = reply;
            char& digit = spoiled[spoiled.find_last_not_of('\r')];
            digit = digit == '0' ? '1' : '0';
            return spoiled;
        }
        case Fault::ForeignChar:
            return reply.size() > 2 ? reply.substr(0, 2) + "x" + reply.substr(3) : "x";
        case Fault::ErrorReply:
            return kInjectedError;
        case Fault::Truncated:
            return reply.substr(0, 5);
        case Fault::Late:
            dueMs += static_cast<std::uint64_t>(lateDelayMs_);
            return reply;
    }
    return reply;
}

std::string FaultInjector::Corrupt(const std::string& reply, std::string& note) {
    ++corruptions_.replies;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    if (chance(rng_) >= probability_) return reply;
    std::uniform_int_distribution<int> kind(0, 4);
    std::string spoiled = reply;
    auto position = [&](std::size_t size) {
        return std::uniform_int_distribution<std::size_t>(0, size > 0 ? size - 1 : 0)(rng_);
    };
    switch (kind(rng_)) {
        case 0:
            ++corruptions_.bitFlips;
            note = "random bit flip";
            spoiled[position(spoiled.size())] ^= static_cast<char>(1 << position(8));
            break;
        case 1:
            ++corruptions_.truncations;
            note = "random truncation";
            spoiled.resize(position(spoiled.size()));
            break;
        case 2:
            ++corruptions_.insertions;
            note = "random insertion";
            spoiled.insert(position(spoiled.size() + 1), 1,
                           static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng_)));
            break;
        case 3:
            ++corruptions_.joined;
            note = "random joined replies";
            spoiled += previousReply_.empty() ? reply : previousReply_;
            break;
        default:
            ++corruptions_.stale;
            note = "random stale reply";
            if (!previousReply_.empty()) spoiled = previousReply_;
            break;
    }
    return spoiled;
}

}  // namespace sim
