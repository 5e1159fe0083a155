#pragma once
// A campaign of exchanges against a simulated amplifier that corrupts replies
// at random. Every accepted read is checked against the amplifier's true
// value; a wrong one is put down to the corruption of the reply it was taken
// from. Shared by the robustness test (small) and its benchmark (large).
//
// Which corruptions can slip through? The 8-bit sum catches any change of a
// single character's value, so a bit flip never passes; a truncated reply
// runs into the time-out; the tail of a joined reply is purged before the next
// request; a late reply, up to 2 s after its request, is waited out after the
// failure it caused. What can pass:
//   - a stale reply of the right length: a whole, well-formed reply of an
//     earlier request. No checksum can tell; each one is counted exactly.
//   - a hexadecimal digit or "!" inserted among the data characters shifts the
//     reply, so that two data or checksum digits stand where the sum is read:
//     they match it by chance, about 1 in 256.
//   - a stale long reply read for a word: the sum is read from two data digits,
//     again about 1 in 256.
// The campaign adds up these chances event by event for the expected count.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "link/AddressMap.h"
#include "link/Clock.h"
#include "link/DriveLink.h"
#include "link/Identification.h"
#include "link/Procedure.h"
#include "sim/Amplifier.h"
#include "sim/SimLine.h"

namespace robustness {

struct Tally {
    long exchanges = 0;
    long accepted = 0;
    long failed = 0;
    long badReplyAccepted = 0;  // accepted with a wrong length or checksum
    long staleWrong = 0;        // wrong value from a stale reply of the right length
    long staleWrongExpected = 0;
    long chanceWrong = 0;  // wrong value from a sum kept by chance
    double chanceWrongExpected = 0;
    long unexplainedWrong = 0;  // wrong value with no corruption that can explain it
    long lateInjected = 0;      // replies sent after the time-out
    long identPasses = 0;
    long identAccepted = 0;  // passes that reported success
    long identWrongExplained =
        0;  // accepted with a wrong field, a sum-keeping corruption in the pass
    sim::CorruptionCounts corruptions;

    void Print(std::FILE* out) const {
        std::fprintf(out,
                     "exchanges %ld: accepted %ld, failed %ld; replies %ld, corrupted %ld "
                     "(flips %ld, truncations %ld, insertions %ld, joined %ld, stale %ld)\n",
                     exchanges, accepted, failed, corruptions.replies, corruptions.Total(),
                     corruptions.bitFlips, corruptions.truncations, corruptions.insertions,
                     corruptions.joined, corruptions.stale);
        std::fprintf(out, "accepted with a bad length or checksum: %ld\n", badReplyAccepted);
        std::fprintf(out, "wrong values from stale whole replies: observed %ld, expected %ld\n",
                     staleWrong, staleWrongExpected);
        std::fprintf(out, "wrong values from a sum kept by chance: observed %ld, expected %.2f\n",
                     chanceWrong, chanceWrongExpected);
        std::fprintf(out, "late replies injected: %ld\n", lateInjected);
        std::fprintf(out,
                     "identification passes %ld: accepted %ld, with a wrong field from a "
                     "sum-keeping corruption %ld\n",
                     identPasses, identAccepted, identWrongExplained);
        std::fprintf(out, "wrong values nothing explains: %ld\n", unexplainedWrong);
    }
};

class Campaign {
public:
    // probability: chance that a reply is corrupted; lateChance: chance that
    // an exchange's first reply comes after the time-out, lateDelayMs later
    // than it would have.
    Campaign(std::uint32_t seed, double probability, double lateChance = 0.0,
             int lateDelayMs = 1200)
        : rig_("bx"),
          link_(rig_.line, rig_.clock, state_, panel_, catalogue_),
          ident_(link_, rig_.line, state_, panel_, catalogue_, map_),
          rng_(seed),
          lateChance_(lateChance) {
        for (int address = kFirstWord; address <= kLastWord; ++address) {
            rig_.amplifier.SetRam(address, RandomWord());
        }
        for (int address = 0; address < kEepWords; ++address) {
            rig_.amplifier.SetEeprom(address, RandomWord());
        }
        LoadAddressMap(map_, state_.AmpFamily, state_.FxVersion, state_.QrvFlag);
        for (const IdentWord& word : IdentWords())
            rig_.amplifier.SetEeprom(word.address, word.value);
        rig_.amplifier.SetObserver([this](const sim::ExchangeRecord& r) { frames_.push_back(r); });
        rig_.amplifier.StartRandomCorruption(seed, probability);
        rig_.amplifier.SetLateDelayMs(lateDelayMs);
    }

    void Run(long exchanges) {
        for (long i = 0; i < exchanges; ++i) RunOne();
        tally_.corruptions = rig_.amplifier.Corruptions();
    }
    const Tally& Result() const { return tally_; }

private:
    enum class Kind { WordRead, LongRead, Write, EepRead, GroupRead, Identification, Count };
    // The BX identification words and what a pass makes of them; the decimal
    // ones hold decimal digits, as the amplifier keeps them.
    struct IdentWord {
        int address;
        std::uint16_t value;
    };
    static const std::vector<IdentWord>& IdentWords() {
        static const std::vector<IdentWord> words = {
            {0x11, 0x2005}, {0x12, 0x0715}, {0x7D, 0x2004}, {0x7E, 0x0301},
            {0x72, 0x04B0}, {0x73, 0x8123}, {0x22, 0x0007}, {0x77, 0x2034},
        };
        return words;
    }
    static constexpr int kGroupSize = 8;
    // Pinned words nobody else drives, and the EEPROM words read back.
    static constexpr int kFirstWord = 0x40;
    static constexpr int kLastWord = 0x5F;
    static constexpr int kEepWords = 0x20;
    static constexpr double kChanceSumFits = 1.0 / 256;

    std::uint16_t RandomWord() {
        return static_cast<std::uint16_t>(std::uniform_int_distribution<int>(0, 0xFFFF)(rng_));
    }
    int Pick(int first, int last) { return std::uniform_int_distribution<int>(first, last)(rng_); }
    static std::string Address(int address) {
        char text[3];
        std::snprintf(text, sizeof text, "%02X", address);
        return text;
    }
    static std::string TrueReply(std::uint32_t value, int digits) {
        std::string body = "%" + (digits == 4 ? HexWord(static_cast<int>(value))
                                              : HexLong(static_cast<int>(value)));
        std::string reply = body + "00";
        FinishReply(reply);
        return reply;
    }
    static void FinishReply(std::string& reply) {
        unsigned sum = 0;
        for (std::size_t i = 0; i + 2 < reply.size(); ++i)
            sum += static_cast<unsigned char>(reply[i]);
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", sum & 0xFFu);
        reply.replace(reply.size() - 2, 2, digits);
    }

    void RunOne() {
        // Each exchange is tried: the status poll would have cleared the latch.
        state_.CommErrorLatched = false;
        frames_.clear();
        ++tally_.exchanges;
        if (std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < lateChance_) {
            // The next reply is lost: a late reply that comes in its time
            // would be taken for it.
            rig_.amplifier.InjectFault(sim::Fault::Late, 1);
            rig_.amplifier.InjectFault(sim::Fault::NoReply, 1);
            ++tally_.lateInjected;
        }
        switch (static_cast<Kind>(Pick(0, static_cast<int>(Kind::Count) - 1))) {
            case Kind::WordRead:
                return WordRead(Pick(kFirstWord, kLastWord));
            case Kind::LongRead:
                return LongRead();
            case Kind::Write:
                return Write();
            case Kind::EepRead:
                return EepRead();
            case Kind::GroupRead:
                return GroupRead();
            case Kind::Identification:
                return IdentificationPass();
            case Kind::Count:
                break;
        }
    }

    // A group read: words one after another with no pause, each judged alone.
    void GroupRead() {
        const int first = Pick(kFirstWord, kLastWord - kGroupSize + 1);
        for (int address = first; address < first + kGroupSize; ++address) {
            frames_.clear();
            WordRead(address);
            state_.CommErrorLatched = false;
        }
    }

    // A pass that reports success must have every field right, unless a
    // corruption that keeps the sum hit one of its replies.
    void IdentificationPass() {
        ++tally_.identPasses;
        panel_ = MainPanel{};
        if (!ident_.Read_current_mode()) return;
        ++tally_.identAccepted;
        const auto eeprom = [this](int address) { return rig_.amplifier.Eeprom(address); };
        const auto decimal = [](std::uint16_t word) {
            char text[5];
            std::snprintf(text, sizeof text, "%04X", word);
            return std::atoi(text);
        };
        char cpu[32];
        std::snprintf(cpu, sizeof cpu, "CPU:%4d:%04d", decimal(eeprom(0x11)),
                      decimal(eeprom(0x12)));
        char eep[32];
        std::snprintf(eep, sizeof eep, "EEP:%4d:%04d", decimal(eeprom(0x7D)),
                      decimal(eeprom(0x7E)));
        const bool right = panel_.CPULabel == cpu && panel_.EEPLabel == eep &&
                           state_.CpuDate == decimal(eeprom(0x11)) &&
                           state_.BxScaleA == static_cast<std::int16_t>(eeprom(0x72)) &&
                           state_.BxScaleB == static_cast<std::int16_t>(eeprom(0x73)) &&
                           state_.BxScaleC == static_cast<std::int16_t>(eeprom(0x22));
        if (right) return;
        bool explained = false;
        for (const sim::ExchangeRecord& frame : frames_) {
            explained = explained || frame.fault == "random stale reply" ||
                        frame.fault == "random insertion";
        }
        if (explained) {
            ++tally_.identWrongExplained;
        } else {
            ++tally_.unexplainedWrong;
        }
    }

    void WordRead(int address) {
        int value = 0;
        const int ok = link_.ReadFromRAM(Address(address), 7, 1, value);
        const std::uint16_t truth = rig_.amplifier.Ram(address);
        Judge(ok, value == static_cast<std::int16_t>(truth), TrueReply(truth, 4));
    }

    void LongRead() {
        const int address = Pick(kFirstWord, kLastWord - 1);
        int value = 0;
        const int ok = link_.ReadFromRAML(Address(address), 11, 1, value);
        const std::uint32_t truth = static_cast<std::uint32_t>(rig_.amplifier.Ram(address)) << 16 |
                                    rig_.amplifier.Ram(address + 1);
        Judge(ok, static_cast<std::uint32_t>(value) == truth, TrueReply(truth, 8));
    }

    void Write() {
        const int address = Pick(kFirstWord, kLastWord);
        const std::uint16_t word = RandomWord();
        const int ok = link_.WriteToRAM(Address(address), word);
        // Requests travel unspoilt, so the amplifier has the word either way.
        Judge(ok, rig_.amplifier.Ram(address) == word, "");
    }

    void EepRead() {
        const int address = Pick(0, kEepWords - 1);
        int value = 0;
        const int ok = link_.ReadFromEEP(Address(address), 7, 1, value);
        const std::uint16_t truth = rig_.amplifier.Eeprom(address);
        Judge(ok, value == static_cast<std::int16_t>(truth), TrueReply(truth, 4));
    }

    void Judge(int ok, bool right, const std::string& trueReply) {
        // The expectation counts every chance, taken or not.
        const sim::ExchangeRecord* frame = trueReply.empty() ? nullptr : ValueFrame();
        const bool staleWhole = frame && frame->fault == "random stale reply" &&
                                frame->reply.size() == trueReply.size();
        if (staleWhole && frame->reply != trueReply) ++tally_.staleWrongExpected;
        if (frame) tally_.chanceWrongExpected += ChanceOfFittingSum(*frame, trueReply.size());
        if (!ok) {
            ++tally_.failed;
            return;
        }
        ++tally_.accepted;
        if (!trueReply.empty()) CheckReplyBuffer(trueReply.size());
        if (right) return;
        if (staleWhole) {
            ++tally_.staleWrong;
        } else if (frame && !frame->fault.empty()) {
            ++tally_.chanceWrong;
        } else {
            ++tally_.unexplainedWrong;
        }
    }

    void CheckReplyBuffer(std::size_t length) {
        const std::string& reply = link_.ReplyBuffer();
        const int size = static_cast<int>(reply.size());
        if (reply.size() != length || !CheckReplySum(reply, size)) ++tally_.badReplyAccepted;
    }

    // The request whose reply gave the value: the last read of the exchange.
    const sim::ExchangeRecord* ValueFrame() const {
        for (auto it = frames_.rbegin(); it != frames_.rend(); ++it) {
            const char letter = it->request.empty() ? ' ' : it->request[0];
            if (letter == 'R' || letter == 'L') return &*it;
        }
        return nullptr;
    }

    // Chance that a corrupted value reply still passes with a wrong value.
    static double ChanceOfFittingSum(const sim::ExchangeRecord& frame, std::size_t length) {
        const double n = static_cast<double>(length);
        if (frame.fault == "random insertion") {
            // 16 hex digits and "!" of the 255 inserted byte values, at one of
            // the n - 3 data positions after the "%" out of n + 1 places.
            return 17.0 / 255 * (n - 3) / (n + 1) * kChanceSumFits;
        }
        if (frame.fault == "random stale reply" && frame.reply.size() > length) {
            return kChanceSumFits;
        }
        return 0;
    }

    sim::SimRig rig_;
    DriveState state_;
    MainPanel panel_;
    MessageCatalogue catalogue_;
    AddressMap map_;
    DriveLink link_;
    Identification ident_;
    std::mt19937 rng_;
    double lateChance_;
    std::vector<sim::ExchangeRecord> frames_;
    Tally tally_;
};

}  // namespace robustness
