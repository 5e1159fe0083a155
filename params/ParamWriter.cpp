#include "params/ParamWriter.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "params/ParamRules.h"

namespace {

constexpr int ExchangeMask = 0x0F;
constexpr int FollowUpMask = 0xF0;
// The low four bits: which exchanges.
constexpr int ExchangeRamEepRam = 0x04;
constexpr int ExchangeRamOnly = 0x08;
constexpr int ExchangeTwoWordsRam = 0x02;
constexpr int ExchangeTwoWordsBoth = 0x01;
constexpr int FollowUpPosition = 0x80;
constexpr int AnyIndex = -1;

// Follow-up writes of the BX groups: after the entry itself, a derived value
// at a fixed address, Numerator / (v * Factor + Offset) for an edited value
// v > 0, else 0.
struct FollowUpWrite {
    int Mode;  // high four bits of the write mode
    int Index;
    const char* Address;
    double Numerator;
    double Factor;
    double Offset;
    bool Long;  // WriteToRAML, else WriteToRAM
};

const FollowUpWrite FollowUps[] = {
    {0x20, 5, "DA", 858993459.0, 1.0, 0.0, true},
    {0x20, 6, "F8", 214748364.0, 1.0, 0.0, true},
    {0x20, 7, "FA", 214748364.0, 1.0, 0.0, true},
    {0x40, AnyIndex, "EE", 429496729.0, 1.0, 0.0, true},
    {0x80, 8, "2D", 65536.0, 2.5, 0.5, false},
};

// BX Position entries whose first RAM write is left out.
bool SkipsFirstRamWrite(const ParamWriteRecord& record) {
    const int index = record.Index;
    return (record.WriteMode & FollowUpMask) == FollowUpPosition &&
           (index == 1 || index == 2 || index == 8);
}

}  // namespace

ParamWriter::ParamWriter(Drive& port, DriveState& state, ParamCaches& caches,
                         const AddressMap& map)
    : port_(port), state_(state), caches_(caches), map_(map) {}

EditOutcome ParamWriter::LeaveEditor(ParamGroup group, int index, std::optional<double> value) {
    EditOutcome outcome;
    if (!EntryEnabled(map_, group, index)) return outcome;
    const RawWrite write = value ? ConvertEdit(group, index, *value, caches_, state_) : RawWrite{};
    if (!write.Valid) {
        outcome.CellText = ValueCellText(group, index, caches_, state_, map_);
        return outcome;
    }
    for (const CacheCell& cell : WordCells(map_, group, index))
        caches_.Store(cell.Group, cell.Index, write.CacheValue);

    ParamWriteRecord record;
    record.Group = group;
    record.Index = index;
    record.Address = EntryAddress(map_, group, index);
    if (write.TwoWords()) record.Address2 = CompanionAddress(map_, index);
    record.Raw = write.Raw;
    record.Raw2 = write.Raw2;
    record.WriteMode = write.WriteMode;
    record.EditedValue = *value;
    pendingWrite_.push_back(std::move(record));

    outcome.Queued = true;
    outcome.CellText = FormatDisplay(group, index, *value, state_);
    return outcome;
}

void ParamWriter::WriteParamTimerTimer() {
    if (state_.ParamWriteBusy || !WritePending()) return;
    state_.ParamWriteBusy = true;
    while (!pendingWrite_.empty()) {
        const ParamWriteRecord record = pendingWrite_.front();
        pendingWrite_.pop_front();
        MarkResult(record, Perform(record));
    }
    state_.ParamWriteBusy = false;
}

// Every exchange of a record is made even after one failed, as the amplifier
// may still take the others; the record counts as written only if all were
// acknowledged.
bool ParamWriter::Perform(const ParamWriteRecord& record) {
    const std::string& a = record.Address;
    const std::string& a2 = record.Address2;
    bool ok = true;
    auto ram = [&](const std::string& address, int value) {
        ok = (port_.WriteToRAM(address, value) == 1) && ok;
    };
    auto eep = [&](const std::string& address, int value) {
        ok = (port_.WriteToEEP(address, value) == 1) && ok;
    };
    switch (record.WriteMode & ExchangeMask) {
        case ExchangeRamEepRam:
            return WriteWithEeprom(record);
        case ExchangeRamOnly:
            ram(a, record.Raw);
            break;
        case ExchangeTwoWordsRam:
            ram(a, record.Raw);
            ram(a2, record.Raw2);
            break;
        case ExchangeTwoWordsBoth:
            ram(a, record.Raw);
            eep(a, record.Raw);
            ram(a2, record.Raw2);
            eep(a2, record.Raw2);
            break;
        default:
            break;
    }
    return ok;
}

// RAM, EEPROM, RAM again, then the group's follow-up.
bool ParamWriter::WriteWithEeprom(const ParamWriteRecord& record) {
    bool ok = true;
    if (!SkipsFirstRamWrite(record)) ok = port_.WriteToRAM(record.Address, record.Raw) == 1;
    ok = (port_.WriteToEEP(record.Address, record.Raw) == 1) && ok;
    ok = (port_.WriteToRAM(record.Address, record.Raw) == 1) && ok;
    return FollowUp(record) && ok;
}

bool ParamWriter::FollowUp(const ParamWriteRecord& record) {
    const int mode = record.WriteMode & FollowUpMask;
    const auto* follow = std::find_if(std::begin(FollowUps), std::end(FollowUps), [&](auto& f) {
        return f.Mode == mode && (f.Index == AnyIndex || f.Index == record.Index);
    });
    if (follow == std::end(FollowUps)) return true;
    const double v = record.EditedValue;
    const int value =
        v > 0 ? TruncToInt32(follow->Numerator / (v * follow->Factor + follow->Offset)) : 0;
    const int result = follow->Long ? port_.WriteToRAML(follow->Address, value)
                                    : port_.WriteToRAM(follow->Address, value);
    return result == 1;
}

void ParamWriter::MarkResult(const ParamWriteRecord& record, bool ok) {
    for (const CacheCell& cell : WordCells(map_, record.Group, record.Index))
        caches_.SetWriteFailed(cell.Group, cell.Index, !ok);
}
