// The simulator's request parser: bytes from the master in any split are
// taken as the same requests, answered with replies of the same kind, as the
// same bytes at once (the values may differ: live words move between the
// pieces); every reply is a data reply with its checksum, an acknowledgement
// or an error reply; and after any garbage a whole request is answered.
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "link/Procedure.h"
#include "sim/Amplifier.h"

namespace {

const char* const Families[] = {"bx", "dx", "fx", "kqrv", "lqrv", "yz"};

sim::Profile ProfileFor(unsigned choice) {
    sim::Profile profile;
    const bool made = sim::MakeProfile(Families[choice % 6], 0, profile);
    FUZZ_CHECK(made);
    return profile;
}

// What the parser made of the bytes: each request taken or dropped, with the
// kind and length of its reply. Skipped garbage is left out, as a split may
// skip it in more pieces.
std::string Requests(const std::vector<sim::ExchangeRecord>& records) {
    std::string text;
    for (const sim::ExchangeRecord& record : records) {
        if (record.fault == "garbage skipped") continue;
        text += record.request + "|" + record.fault + "|" + record.reply.substr(0, 1) + "|" +
                std::to_string(record.reply.size()) + "\n";
    }
    return text;
}

// Splits the bytes into pieces of 1 ... 16 bytes, sizes taken from the seed.
std::string Replies(sim::Amplifier& amplifier, std::string_view bytes, unsigned seed) {
    std::string replies;
    std::size_t from = 0;
    while (from < bytes.size()) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t piece = 1 + (seed >> 16) % 16;
        amplifier.Receive(bytes.substr(from, piece));
        replies += amplifier.TakeReply();
        from += piece;
    }
    return replies;
}

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Length of the reply at the start of text, 0 when none fits. A data reply's
// length is only known from the request, so "%" followed by hex digits is
// taken at 4 or 8 data digits, whichever has a matching checksum.
std::size_t ReplyAt(std::string_view text) {
    if (text.substr(0, 4) == "!01\r" || text.substr(0, 4) == "!02\r" ||
        text.substr(0, 4) == "!03\r") {
        return 4;
    }
    if (text.empty() || text[0] != '%') return 0;
    for (const std::size_t length : {11u, 7u}) {
        if (text.size() < length) continue;
        const std::string reply(text.substr(0, length));
        bool digits = true;
        for (std::size_t i = 1; i < length; ++i) digits = digits && IsUpperHex(reply[i]);
        if (digits && CheckReplySum(reply, static_cast<int>(length))) {
            // The FX CPU word's reply ends with a CR.
            return length + (text.size() > length && text[length] == '\r' ? 1 : 0);
        }
    }
    return 1;  // an acknowledgement
}

void CheckReplyStream(std::string_view stream) {
    while (!stream.empty()) {
        const std::size_t length = ReplyAt(stream);
        FUZZ_CHECK(length > 0);
        stream.remove_prefix(length);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const sim::Profile profile = ProfileFor(data[0]);
    const std::string_view bytes = fuzz::Bytes(data + 1, size - 1);
    std::uint64_t now = 0;
    sim::Amplifier whole(profile, [&now] { return now; });
    sim::Amplifier split(profile, [&now] { return now; });
    std::vector<sim::ExchangeRecord> wholeRecords, splitRecords;
    whole.SetObserver([&](const sim::ExchangeRecord& r) { wholeRecords.push_back(r); });
    split.SetObserver([&](const sim::ExchangeRecord& r) { splitRecords.push_back(r); });

    whole.Receive(bytes);
    const std::string wholeReplies = whole.TakeReply();
    const std::string splitReplies = Replies(split, bytes, data[0]);
    FUZZ_CHECK(Requests(splitRecords) == Requests(wholeRecords));
    FUZZ_CHECK(split.RequestCount() == whole.RequestCount());
    CheckReplyStream(wholeReplies);
    CheckReplyStream(splitReplies);
    whole.SetObserver(nullptr);

    // A read request after the garbage is answered with the word it asks for.
    std::string request = "R540";
    FUZZ_CHECK(FinishRequest(request));
    whole.Receive(request);
    const std::string reply = whole.TakeReply();
    FUZZ_CHECK(reply.size() == 7 && reply[0] == '%' && CheckReplySum(reply, 7));
    FUZZ_CHECK(ParseHexWord(reply.substr(1, 4)) == static_cast<std::int16_t>(whole.Ram(0x40)));
    return 0;
}
