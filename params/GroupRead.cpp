#include "params/GroupRead.h"

#include <cstdio>
#include <utility>

#include "link/CatalogueTexts.h"
#include "link/Procedure.h"
#include "params/ParamRules.h"

using namespace CatalogueTexts;

namespace {

constexpr int UnsignedWordOffset = 0x10000;
constexpr int TwoWordUnit = 10000;

int Unsigned(int word) {
    return word < 0 ? word + UnsignedWordOffset : word;
}

// A log entry names one address and one reply; a two-word read has two of
// each, so it is not logged.
bool IsTwoWordRead(ReadKind kind) {
    return kind == ReadKind::BxTwoWord || kind == ReadKind::DxTwoWord;
}

}  // namespace

GroupReader::GroupReader(Drive& port, DriveState& state, MainPanel& panel, const AddressMap& map,
                         ParamCaches& caches, MessageLookup message)
    : port_(port),
      state_(state),
      panel_(panel),
      map_(map),
      caches_(caches),
      message_(std::move(message)) {}

bool GroupReader::ReadGroup(ParamGroup group) {
    stoppedByCancel_ = false;
    if (state_.CommErrorLatched) return false;
    panel_.ProgressMsg = message_ ? message_(MsgReading) : "";
    panel_.RWGaugeProgress = 0;
    ShowProgress(true);
    panel_.LetEventsRun();

    const int count = EntryCount(group);
    for (int i = 0; i < count; ++i) {
        if (EntryEnabled(map_, group, i)) {
            if (cancelled_ && cancelled_()) {
                stoppedByCancel_ = true;
                ShowProgress(false);
                return false;
            }
            const ReadKind kind = EntryReadKind(group, i, state_);
            int value = 0;
            if (!ReadEntry(kind, group, i, value)) {
                ShowProgress(false);
                // The FX group opens its window with what was read so far.
                return state_.AmpFamily == Family::Fx;
            }
            if (!IsTwoWordRead(kind)) Log(i, EntryAddress(map_, group, i), value);
            StoreRead(group, i, value);
        }
        panel_.RWGaugeProgress = static_cast<int>((i + 1) * 100.0 / count);
    }
    ShowProgress(false);
    return true;
}

bool GroupReader::ReadEntry(ReadKind kind, ParamGroup group, int index, int& value) {
    const std::string address = EntryAddress(map_, group, index);
    switch (kind) {
        case ReadKind::GroupDefault:
        case ReadKind::RamWord:
            return port_.ReadFromRAM(address, WordReplyLength, HexFormat, value) == 1;
        case ReadKind::RamLong:
            return port_.ReadFromRAML(address, LongReplyLength, HexFormat, value) == 1;
        case ReadKind::EepWord:
            return port_.ReadFromEEP(address, WordReplyLength, HexFormat, value) == 1;
        case ReadKind::EepUnsigned:
            if (port_.ReadFromEEP(address, WordReplyLength, HexFormat, value) != 1) return false;
            value = Unsigned(value);
            return true;
        case ReadKind::BxTwoWord:
            return ReadTwoWords(address, CompanionAddress(map_, index), true, value);
        case ReadKind::DxTwoWord:
            return ReadTwoWords(address, CompanionAddress(map_, index), false, value);
    }
    return false;
}

// BX keeps the high word at the entry's address and an unsigned low word at
// the companion; DX the low word first and the ten-thousands at the companion.
bool GroupReader::ReadTwoWords(const std::string& first, const std::string& second, bool bxOrder,
                               int& value) {
    int firstWord = 0;
    int secondWord = 0;
    if (port_.ReadFromRAM(first, WordReplyLength, HexFormat, firstWord) != 1) return false;
    if (port_.ReadFromRAM(second, WordReplyLength, HexFormat, secondWord) != 1) return false;
    value = bxOrder ? firstWord * TwoWordUnit + Unsigned(secondWord)
                    : firstWord + secondWord * TwoWordUnit;
    return true;
}

void GroupReader::Log(int index, const std::string& address, int value) {
    char line[96];
    std::snprintf(line, sizeof line, "Reading OK in %d  %s", index, address.c_str());
    panel_.Memo1.emplace_back(line);
    std::snprintf(line, sizeof line, "  :  %d  :  %x", value, static_cast<unsigned>(value));
    panel_.Memo1.push_back(port_.ReplyBuffer() + line);
}

// A value read is what the amplifier holds: it replaces every cached copy of
// the word and clears any failed-write mark on them.
void GroupReader::StoreRead(ParamGroup group, int index, int value) {
    for (const CacheCell& cell : WordCells(map_, group, index)) {
        caches_.Store(cell.Group, cell.Index, value);
        caches_.SetWriteFailed(cell.Group, cell.Index, false);
    }
}

void GroupReader::ShowProgress(bool shown) {
    panel_.ProgressPanel = shown;
}
