#include "params/ParamWriter.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include "link/Procedure.h"
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

// One exchange of a parameter write.
enum class StepKind { Ram, Eep, RamLong };
struct WriteStep {
    StepKind Kind;
    std::string Address;
    std::int32_t Value;
};

// The primitives take a word from -32768 (sign-extended) to 65535 (unsigned).
constexpr std::int32_t LowestWord = -32768;
constexpr std::int32_t HighestWord = 65535;

bool CanSend(const WriteStep& step) {
    if (!IsAddressText(step.Address)) return false;
    return step.Kind == StepKind::RamLong ||
           (step.Value >= LowestWord && step.Value <= HighestWord);
}

// The follow-up of a BX write, if the record has one.
std::optional<WriteStep> FollowUpStep(const ParamWriteRecord& record) {
    const int mode = record.WriteMode & FollowUpMask;
    const auto* follow = std::find_if(std::begin(FollowUps), std::end(FollowUps), [&](auto& f) {
        return f.Mode == mode && (f.Index == AnyIndex || f.Index == record.Index);
    });
    if (follow == std::end(FollowUps)) return std::nullopt;
    const double v = record.EditedValue;
    const std::int32_t value =
        v > 0 ? TruncToInt32(follow->Numerator / (v * follow->Factor + follow->Offset)) : 0;
    return WriteStep{follow->Long ? StepKind::RamLong : StepKind::Ram, follow->Address, value};
}

int Send(Drive& port, const WriteStep& step) {
    switch (step.Kind) {
        case StepKind::Ram:
            return port.WriteToRAM(step.Address, step.Value);
        case StepKind::Eep:
            return port.WriteToEEP(step.Address, step.Value);
        case StepKind::RamLong:
            return port.WriteToRAML(step.Address, step.Value);
    }
    return 0;
}

// Every exchange a record makes, in order.
std::vector<WriteStep> Steps(const ParamWriteRecord& record) {
    const std::string& a = record.Address;
    const std::string& a2 = record.Address2;
    const std::int32_t raw = record.Raw;
    std::vector<WriteStep> steps;
    switch (record.WriteMode & ExchangeMask) {
        case ExchangeRamEepRam:
            if (!SkipsFirstRamWrite(record)) steps.push_back({StepKind::Ram, a, raw});
            steps.push_back({StepKind::Eep, a, raw});
            steps.push_back({StepKind::Ram, a, raw});
            if (auto follow = FollowUpStep(record)) steps.push_back(*follow);
            break;
        case ExchangeRamOnly:
            steps.push_back({StepKind::Ram, a, raw});
            break;
        case ExchangeTwoWordsRam:
            steps.push_back({StepKind::Ram, a, raw});
            steps.push_back({StepKind::Ram, a2, record.Raw2});
            break;
        case ExchangeTwoWordsBoth:
            steps.push_back({StepKind::Ram, a, raw});
            steps.push_back({StepKind::Eep, a, raw});
            steps.push_back({StepKind::Ram, a2, record.Raw2});
            steps.push_back({StepKind::Eep, a2, record.Raw2});
            break;
        default:
            break;
    }
    return steps;
}

}  // namespace

ParamWriter::ParamWriter(Drive& port, DriveState& state, ParamCaches& caches, const AddressMap& map)
    : port_(port), state_(state), caches_(caches), map_(map) {}

EditOutcome ParamWriter::LeaveEditor(ParamGroup group, int index, std::optional<double> value) {
    EditOutcome outcome;
    if (!EntryEnabled(map_, group, index)) return outcome;
    const RawWrite write = value ? ConvertEdit(group, index, *value, caches_, state_) : RawWrite{};
    ParamWriteRecord record;
    record.Group = group;
    record.Index = index;
    record.Address = EntryAddress(map_, group, index);
    if (write.TwoWords()) record.Address2 = CompanionAddress(map_, index);
    record.Raw = write.Raw;
    record.Raw2 = write.Raw2;
    record.WriteMode = write.WriteMode;
    record.EditedValue = value.value_or(0.0);
    // An edit of which one exchange could not be sent would land only in
    // part: it is refused whole, before anything is stored or written.
    const auto steps = Steps(record);
    if (!write.Valid || steps.empty() || !std::all_of(steps.begin(), steps.end(), CanSend)) {
        outcome.CellText = ValueCellText(group, index, caches_, state_, map_);
        return outcome;
    }
    for (const CacheCell& cell : WordCells(map_, group, index))
        caches_.Store(cell.Group, cell.Index, write.CacheValue);
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
// may still take the others; the record counts as written only if none
// failed, whichever it was.
bool ParamWriter::Perform(const ParamWriteRecord& record) {
    int failed = 0;
    for (const WriteStep& step : Steps(record)) {
        if (Send(port_, step) != 1) ++failed;
    }
    return failed == 0;
}

void ParamWriter::MarkResult(const ParamWriteRecord& record, bool ok) {
    for (const CacheCell& cell : WordCells(map_, record.Group, record.Index))
        caches_.SetWriteFailed(cell.Group, cell.Index, !ok);
}

int ParamWriter::DropPendingWrites() {
    const int dropped = static_cast<int>(pendingWrite_.size());
    pendingWrite_.clear();
    return dropped;
}
