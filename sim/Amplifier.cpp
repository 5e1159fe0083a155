#include "sim/Amplifier.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

// Error replies: "!" + code + CR, the only replies with a terminator.
const char kBadChecksum[] = "!01\r";
const char kBadFrame[] = "!02\r";
const char kUnknownCommand[] = "!03\r";

constexpr int kTuningPhases = 3;

bool IsCommandLetter(char c) {
    return c == 'R' || c == 'L' || c == 'W' || c == 'M';
}

// An upper-case letter that is neither a command nor a hex digit, followed by
// a page digit, looks like a request with an unknown command.
bool IsUnknownCommand(std::string_view bytes) {
    return bytes.size() >= 2 && bytes[0] > 'F' && bytes[0] <= 'Z' && !IsCommandLetter(bytes[0]) &&
           bytes[1] >= '0' && bytes[1] <= '9';
}

// The last byte received, a letter that an unknown command may start with.
bool MayStartUnknownCommand(std::string_view bytes) {
    return bytes.size() == 1 && bytes[0] > 'F' && bytes[0] <= 'Z' && !IsCommandLetter(bytes[0]);
}

// Full frame length (command, page, address, value, checksum) by first letter.
std::size_t FrameLength(char letter) {
    switch (letter) {
        case 'W':
            return 10;
        case 'M':
            return 14;
        default:
            return 6;
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses upper-case hexadecimal text; false on any other character.
bool ParseHex(std::string_view text, std::uint32_t& value) {
    value = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return true;
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string DataReply(std::uint32_t value, int digits) {
    const std::string body = "%" + Hex(value, digits);
    return body + SumText(body);
}

}  // namespace

std::string SumText(std::string_view covered) {
    unsigned sum = 0;
    for (char c : covered) sum += static_cast<unsigned char>(c);
    return Hex(sum & 0xFF, 2);
}

Amplifier::Amplifier(const Profile& profile, TimeSource now)
    : profile_(profile), layout_(LayoutOf(profile)), now_(std::move(now)) {
    lastTickMs_ = startMs_ = now_();
    LoadInitialContents();
    RenderLiveWords();
}

void Amplifier::LoadInitialContents() {
    for (const Cell& cell : InitialCells(profile_)) {
        if (cell.store != Store::Ram) eeprom_[cell.address] = cell.value;
        if (cell.store != Store::Eeprom) ram_[5][cell.address] = cell.value;
        if (cell.store == Store::Param) paramAddress_.set(cell.address);
    }
    if (profile_.family == Family::FX) ram_[5][0xC3] = profile_.cpuWord;
}

// ---- Request parsing ----

void Amplifier::Receive(std::string_view bytes) {
    Tick();
    if (faults_.CablePulled()) return;
    input_.append(bytes);
    ParseInput();
}

void Amplifier::ParseInput() {
    while (!input_.empty()) {
        std::size_t start = 0;
        while (start < input_.size() && !IsCommandLetter(input_[start]) &&
               !IsUnknownCommand(std::string_view(input_).substr(start)) &&
               !MayStartUnknownCommand(std::string_view(input_).substr(start))) {
            ++start;
        }
        if (start > 0) {
            Record(input_.substr(0, start), "", "garbage skipped");
            input_.erase(0, start);
            continue;
        }
        // A last letter that may begin an unknown command waits for the byte
        // after it, so that the split of the bytes does not change the answer.
        if (MayStartUnknownCommand(input_)) return;
        if (!IsCommandLetter(input_[0])) {
            // The rest of the unknown request is skipped as garbage.
            const std::string command = input_.substr(0, 2);
            input_.erase(0, 2);
            ++requestCount_;
            Queue(kUnknownCommand, now_());
            Record(command, kUnknownCommand, "unknown command");
            continue;
        }
        const std::size_t length = FrameLength(input_[0]);
        // A command letter inside the frame means the frame was cut short and
        // a new request began: drop the broken one and serve the new one.
        const std::size_t inner = input_.find_first_of("RLWM", 1);
        if (inner != std::string::npos && inner < length) {
            Record(input_.substr(0, inner), "", "incomplete request dropped");
            input_.erase(0, inner);
            continue;
        }
        if (input_.size() < length) return;
        const std::string frame = input_.substr(0, length);
        input_.erase(0, length);
        HandleFrame(frame);
    }
}

void Amplifier::HandleFrame(const std::string& frame) {
    ++requestCount_;
    const std::string reply = Answer(frame);
    std::uint64_t dueMs = now_();
    std::string note;
    const std::string sent = faults_.Apply(reply, dueMs, note);
    Queue(sent, dueMs);
    Record(frame, sent, note);
}

std::string Amplifier::Answer(const std::string& frame) {
    const std::size_t covered = frame.size() - 2;
    if (frame.substr(covered) != SumText(std::string_view(frame).substr(0, covered))) {
        return kBadChecksum;
    }
    const int page = frame[1] - '0';
    std::uint32_t address = 0;
    std::uint32_t value = 0;
    if (page < 0 || page >= kPages || !ParseHex(frame.substr(2, 2), address) ||
        !ParseHex(frame.substr(4, covered - 4), value)) {
        return kBadFrame;
    }
    const Page& memory = ram_[page];
    switch (frame[0]) {
        case 'R': {
            std::string reply = DataReply(memory[address], 4);
            // The FX CPU word answers with a trailing CR.
            if (profile_.family == Family::FX && page == 5 && address == 0xC3) reply += '\r';
            return reply;
        }
        case 'L':
            return DataReply(
                static_cast<std::uint32_t>(memory[address]) << 16 | memory[(address + 1) & 0xFF],
                8);
        case 'W':
            WriteWord(page, static_cast<int>(address), static_cast<std::uint16_t>(value));
            return "%";
        default:  // 'M': high word at the address, low word after it
            WriteWord(page, static_cast<int>(address), static_cast<std::uint16_t>(value >> 16));
            WriteWord(page, static_cast<int>((address + 1) & 0xFF),
                      static_cast<std::uint16_t>(value & 0xFFFF));
            return "%";
    }
}

// ---- Writes and special addresses ----

void Amplifier::WriteWord(int page, int address, std::uint16_t value) {
    if (page == 5 && ramHeld_.test(static_cast<std::size_t>(address))) return;
    ram_[page][address] = value;
    if (page != 5) return;
    // DX and FX amplifiers keep parameters written to RAM; BX needs the mailbox.
    if (profile_.family != Family::BX && paramAddress_.test(address)) eeprom_[address] = value;
    OnSpecialWrite(address, value);
}

void Amplifier::OnSpecialWrite(int address, std::uint16_t value) {
    const bool bx = profile_.family == Family::BX;
    const bool fx = profile_.family == Family::FX;
    if (bx && address == 0x68) {
        StartMailbox(value);
    } else if (address == 0xC4) {
        ResetFromEeprom();
    } else if (bx && address == 0x0D) {
        StartTuning(value);
    } else if (fx && address == 0xC1 && value == 1) {
        ClearFxAlarms();
    } else if (fx && address == 0x0B) {
        MakeChecksum();
    }
}

void Amplifier::StartMailbox(std::uint16_t command) {
    if (command != 1 && command != 2) {
        ram_[5][0x68] = 0;
        return;
    }
    mailbox_.busy = true;
    mailbox_.dueMs = now_() + static_cast<std::uint64_t>(mailboxDelayMs_);
    if (mailboxDelayMs_ <= 0) FinishMailbox();
}

void Amplifier::FinishMailbox() {
    Page& ram = ram_[5];
    if (ram[0x68] == 2) ram[0x6C] = eeprom_[ram[0x6B] & 0xFF];
    if (ram[0x68] == 1 && !eepromHeld_.test(ram[0x69] & 0xFF))
        eeprom_[ram[0x69] & 0xFF] = ram[0x6A];
    ram[0x68] = 0;
    mailbox_.busy = false;
}

void Amplifier::ResetFromEeprom() {
    for (int address = 0; address < 256; ++address) {
        if (paramAddress_.test(address) && !ramHeld_.test(address)) {
            ram_[5][address] = eeprom_[address];
        }
    }
    alarmCode_ = 0;
    if (profile_.family == Family::BX) ram_[5][0x76] = 0;
    ram_[5][0xC4] = 0;
}

void Amplifier::ClearFxAlarms() {
    for (int slot = 0; slot < 10; ++slot) ram_[5][slot] = 0;
    ram_[5][0x0A] = 0;
    ram_[5][0xC1] = 0;
    alarmCode_ = 0;
}

void Amplifier::MakeChecksum() {
    std::uint16_t sum = 0;
    for (int address = 0; address < 256; ++address) {
        if (paramAddress_.test(address)) sum = static_cast<std::uint16_t>(sum + ram_[5][address]);
    }
    ram_[5][0x0B] = sum;
}

// Tuning command: mode x 16 + 10; 0 cancels. Progress needs the servo on.
void Amplifier::StartTuning(std::uint16_t command) {
    const int mode = (command & 0xFF) >> 4;
    tuning_ = Tuning{};
    if ((command & 0x0F) == 0x0A && mode >= 1 && mode <= 4) {
        tuning_.running = true;
        tuning_.mode = mode;
    }
}

// With the servo on, the status walks through the phases of the tuning
// (1 to 3: measuring, adjusting, checking) and ends at 15 with the results, or
// at 14. The first phase takes over the preparation word at page 6 "15".
void Amplifier::AdvanceTuning(int dtMs) {
    if (!tuning_.running || !servoOn_) return;
    tuning_.servoOnMs += dtMs;
    Page& ram = ram_[5];
    if (tuning_.servoOnMs < tuningDurationMs_) {
        ram_[6][0x15] = 0;
        ram[0x0D] =
            static_cast<std::uint16_t>(1 + kTuningPhases * tuning_.servoOnMs / tuningDurationMs_);
        return;
    }
    tuning_.running = false;
    if (tuningFails_) {
        ram[0x0D] = 14;
        return;
    }
    // Results depend on the mode so that a test can tell them apart.
    ram[0x36] = static_cast<std::uint16_t>(400 + 40 * tuning_.mode);
    ram[0x35] = static_cast<std::uint16_t>(300 - 20 * tuning_.mode);
    ram[0x0D] = 15;
}

// ---- Alarms and servo ----

void Amplifier::SetServo(bool on) {
    servoOn_ = on && alarmCode_ == 0;
    RenderStatus();
}

bool Amplifier::SetInput(int number, bool on) {
    if (number < 2 || number > 13) return false;
    inputs_.set(static_cast<std::size_t>(number - 1), on);
    RenderStatus();
    return true;
}

void Amplifier::RaiseAlarm(int code) {
    alarmCode_ = code & 0xFF;
    if (code == 0) return RenderStatus();
    servoOn_ = false;
    RecordAlarm(alarmCode_);
    RenderStatus();
}

void Amplifier::RecordAlarm(int code) {
    const auto word = static_cast<std::uint16_t>(code);
    switch (profile_.family) {
        case Family::BX: {  // pointer = next slot to write; 10 means slot 0 too
            const int slot = eeprom_[0x70] <= 10 ? eeprom_[0x70] % 10 : 0;
            eeprom_[slot] = word;
            eeprom_[0x70] = static_cast<std::uint16_t>((slot + 1) % 10);
            break;
        }
        case Family::DX: {  // ten codes, two a word, low byte first; newest first
            std::uint16_t carry = word;
            for (int address = 0x80; address <= 0x84; ++address) {
                const std::uint16_t old = ram_[5][address];
                ram_[5][address] = static_cast<std::uint16_t>((old << 8) | (carry & 0xFF));
                carry = old >> 8;
            }
            break;
        }
        case Family::FX: {  // pointer = newest entry
            const int pointer = (ram_[5][0x0A] + 1) % 10;
            ram_[5][pointer] = word;
            ram_[5][0x0A] = static_cast<std::uint16_t>(pointer);
            break;
        }
    }
}

// ---- Direct access ----

std::uint16_t Amplifier::Ram(int address, int page) const {
    return ram_[page % kPages][address & 0xFF];
}

void Amplifier::SetRam(int address, std::uint16_t value, int page) {
    ram_[page % kPages][address & 0xFF] = value;
    if (page == 5) pinned_.set(address & 0xFF);
}

std::uint16_t Amplifier::Eeprom(int address) const {
    return eeprom_[address & 0xFF];
}

void Amplifier::SetEeprom(int address, std::uint16_t value) {
    eeprom_[address & 0xFF] = value;
}

void Amplifier::PinRam(int address, std::uint16_t value) {
    SetRam(address, value);
    ramHeld_.set(address & 0xFF);
}

void Amplifier::PinEeprom(int address, std::uint16_t value) {
    SetEeprom(address, value);
    eepromHeld_.set(address & 0xFF);
}

void Amplifier::Unpin(int address) {
    pinned_.reset(address & 0xFF);
    ramHeld_.reset(address & 0xFF);
    eepromHeld_.reset(address & 0xFF);
    RenderLiveWords();
}

// ---- Replies and faults ----

std::string Amplifier::TakeReply() {
    Tick();
    const std::uint64_t now = now_();
    std::string due;
    while (!output_.empty() && output_.front().dueMs <= now) {
        due += output_.front().byte;
        output_.pop_front();
    }
    return due;
}

std::optional<std::uint64_t> Amplifier::NextReplyDueMs() const {
    if (output_.empty()) return std::nullopt;
    return output_.front().dueMs;
}

void Amplifier::DropDueReplies() {
    const std::uint64_t now = now_();
    while (!output_.empty() && output_.front().dueMs <= now) output_.pop_front();
}

std::string Amplifier::Exchange(std::string_view request) {
    Receive(request);
    return TakeReply();
}

void Amplifier::Queue(const std::string& bytes, std::uint64_t dueMs) {
    for (char byte : bytes) output_.push_back({byte, dueMs});
}

void Amplifier::Record(const std::string& request, const std::string& reply,
                       const std::string& note) {
    if (observer_) observer_({now_() - startMs_, request, reply, note});
}

}  // namespace sim
