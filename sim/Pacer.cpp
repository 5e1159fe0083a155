#include "sim/Pacer.h"

#include <algorithm>

namespace sim {

void Pacer::RequestRead(std::size_t count, std::uint64_t nowMicros) {
    requestDoneMicros_ = std::max(nowMicros, requestDoneMicros_) + count * kCharMicros;
}

std::vector<std::uint64_t> Pacer::Schedule(std::size_t count, std::uint64_t nowMicros) {
    std::uint64_t at =
        std::max(std::max(nowMicros, requestDoneMicros_) + turnaroundMicros_, lineFreeMicros_);
    std::vector<std::uint64_t> times;
    for (std::size_t i = 0; i < count; ++i) {
        at += kCharMicros;  // a character has arrived once its stop bit has
        times.push_back(at);
    }
    lineFreeMicros_ = at;
    return times;
}

}  // namespace sim
