#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// When each byte of a reply reaches the master on a paced line of 9600 bit/s
// (10 bits a character). A pseudo-terminal moves bytes at once, so the wire
// is modelled here: a request has fully arrived one character time per byte
// after it was read, the reply starts after the turnaround, and every reply
// byte is delivered at the end of its own character time, never overlapping
// the previous reply. An exchange therefore never takes less than its wire
// time.
class Pacer {
public:
    static constexpr std::uint64_t kCharMicros = 1042;  // 1041.7 rounded up

    explicit Pacer(int turnaroundMs) : turnaroundMicros_(ToMicros(turnaroundMs)) {}

    // count request bytes were read from the master at nowMicros.
    void RequestRead(std::size_t count, std::uint64_t nowMicros);
    // Delivery times of count reply bytes that the amplifier had ready at nowMicros.
    std::vector<std::uint64_t> Schedule(std::size_t count, std::uint64_t nowMicros);
    // The line was dropped (peer gone, adapter pulled): nothing is in flight.
    void Reset() { requestDoneMicros_ = lineFreeMicros_ = 0; }

private:
    static std::uint64_t ToMicros(int ms) {
        return ms > 0 ? static_cast<std::uint64_t>(ms) * 1000 : 0;
    }

    std::uint64_t turnaroundMicros_;
    std::uint64_t requestDoneMicros_ = 0;
    std::uint64_t lineFreeMicros_ = 0;
};

}  // namespace sim
