#include "monitor/AlarmHistory.h"

#include "link/CatalogueTexts.h"
#include "link/Procedure.h"
#include "monitor/BusyFlag.h"

using namespace CatalogueTexts;

namespace {

constexpr int PointerIndex = 7;   // identification entry of the pointer word
constexpr int FxClearIndex = 10;  // alarm table entry of the FX clear command
constexpr int DxWords = 5;
constexpr int LastKnownCode = 19;
const char* const DxAfterClear = "30";

// FX codes whose text is not the status text 151 + code.
struct FxText {
    int code;
    int message;
};
constexpr FxText FxTexts[] = {{2, 150}, {6, 164}, {7, 149}, {8, 148}, {13, 147}, {15, 146}};

int Previous(int entry) {
    return entry == 0 ? AlarmSlotCount - 1 : entry - 1;
}

}  // namespace

int AlarmMessage(int ampFamily, int code) {
    if (code < 0 || code > LastKnownCode) return MsgUnknownAlarm;
    if (ampFamily != Family::Bx && ampFamily != Family::Dx) {
        for (const FxText& text : FxTexts) {
            if (text.code == code) return text.message;
        }
    }
    return 151 + code;
}

std::string AlarmCodeText(int code, bool read) {
    return read ? HexWord(code) : FailedSlotText;
}

AlarmHistory::AlarmHistory(Drive& drive, DriveState& state, const AddressMap& map, MainPanel& panel,
                           const MessageCatalogue& catalogue, LongOperation& operation)
    : drive_(drive),
      state_(state),
      map_(map),
      panel_(panel),
      catalogue_(catalogue),
      operation_(operation) {}

// The walk starts at the pointer (FX) or one before it (BX, DX); a negative
// start becomes 9 and one above 9 wraps round the ring of ten, so a pointer
// the amplifier gives out of range never indexes outside the table.
int AlarmHistory::StartEntry() const {
    const int start = state_.AmpFamily == Family::Bx || state_.AmpFamily == Family::Dx
                          ? AlarmPointer - 1
                          : AlarmPointer;
    return start < 0 ? AlarmSlotCount - 1 : start % AlarmSlotCount;
}

void AlarmHistory::ShowProgress(int message) {
    panel_.ProgressMsg = catalogue_.Msg(message);
    panel_.RWGaugeProgress = 0;
    panel_.ProgressPanel = true;
}

bool AlarmHistory::ReadAlarmCode() {
    LongOperation::Scope hold(operation_);
    HistoryRead = ReadPointer();
    ShowProgress(MsgReading);
    if (!state_.CommErrorLatched) panel_.LetEventsRun();
    if (HistoryRead) {
        ReadSlots(StartEntry());
    } else {
        ForgetSlots();
    }
    panel_.ProgressPanel = false;
    bool ok = HistoryRead;
    for (bool read : SlotRead) ok = ok && read;
    return ok;
}

bool AlarmHistory::ReadPointer() {
    const std::string& pointerAddress = map_.Ident[PointerIndex];
    int value = 0;
    bool ok = true;
    if (state_.AmpFamily == Family::Bx) {
        ok = drive_.ReadFromEEP(pointerAddress, WordReplyLength, HexFormat, value) == 1;
    } else if (state_.AmpFamily == Family::Dx) {
        value = 1;
    } else {
        ok = drive_.ReadFromRAM(pointerAddress, WordReplyLength, HexFormat, value) == 1;
    }
    if (ok) AlarmPointer = value;
    return ok;
}

// Without the pointer the order of the entries is unknown: a walk from a
// stale pointer would show the newest alarm as the oldest, so every slot is
// shown as unknown instead.
void AlarmHistory::ForgetSlots() {
    AlarmCodes.fill(0);
    SlotRead.fill(false);
    slotEntry_.fill(-1);
}

void AlarmHistory::ReadSlots(int entry) {
    const bool dx = state_.AmpFamily == Family::Dx;
    const int reads = dx ? DxWords : AlarmSlotCount;
    for (int j = 0; j < reads; ++j) {
        int value = 0;
        const std::string& address = map_.Alarm[entry];
        if (dx) {
            const bool read = drive_.ReadFromRAM(address, WordReplyLength, HexFormat, value) == 1;
            AlarmCodes[2 * j] = read ? value & 0xFF : 0;
            AlarmCodes[2 * j + 1] = read ? (value >> 8) & 0xFF : 0;
            SlotRead[2 * j] = SlotRead[2 * j + 1] = read;
            slotEntry_[2 * j] = slotEntry_[2 * j + 1] = entry;
            panel_.RWGaugeProgress = 10 * (2 * j + 1);
            entry = entry + 1;
            continue;
        }
        const bool read = state_.AmpFamily == Family::Bx
                              ? drive_.ReadFromEEP(address, WordReplyLength, HexFormat, value) == 1
                              : drive_.ReadFromRAM(address, WordReplyLength, HexFormat, value) == 1;
        AlarmCodes[j] = read ? value : 0;
        SlotRead[j] = read;
        slotEntry_[j] = entry;
        panel_.RWGaugeProgress = 10 * j;
        entry = Previous(entry);
    }
}

bool AlarmHistory::ResetAlarmCode() {
    LongOperation::Scope hold(operation_);
    if (state_.AmpFamily == Family::Bx) return ResetBx();
    if (state_.AmpFamily == Family::Dx) return ResetDx();
    return ResetFx();
}

void AlarmHistory::ClearSlotsOfEntry(int entry) {
    for (int slot = 0; slot < AlarmSlotCount; ++slot) {
        if (slotEntry_[slot] != entry) continue;
        AlarmCodes[slot] = 0;
        SlotRead[slot] = true;
    }
}

bool AlarmHistory::ResetBx() {
    bool ok = drive_.WriteToEEP(map_.Ident[PointerIndex], 0) == 1;
    if (ok) AlarmPointer = 0;
    int entry = StartEntry();
    ShowProgress(MsgWriting);
    panel_.LetEventsRun();
    for (int j = 0; j < AlarmSlotCount; ++j) {
        if (drive_.WriteToEEP(map_.Alarm[entry], 0) == 1) {
            ClearSlotsOfEntry(entry);
        } else {
            ok = false;
        }
        panel_.RWGaugeProgress = 10 * (j + 1);
        entry = Previous(entry);
    }
    panel_.ProgressPanel = false;
    return ok;
}

bool AlarmHistory::ResetDx() {
    bool ok = true;
    ShowProgress(MsgWriting);
    panel_.LetEventsRun();
    for (int j = 0; j < DxWords; ++j) {
        if (drive_.WriteToRAM(map_.Alarm[j], 0) == 1) {
            ClearSlotsOfEntry(j);
        } else {
            ok = false;
        }
        panel_.RWGaugeProgress = 20 * (j + 1);
    }
    panel_.ProgressPanel = false;
    int unused = 0;
    drive_.ReadFromRAM(DxAfterClear, WordReplyLength, HexFormat, unused);
    return ok;
}

bool AlarmHistory::ResetFx() {
    const bool cleared = drive_.WriteToRAM(map_.Alarm[FxClearIndex], 1) == 1;
    if (cleared) AlarmPointer = 0;
    const bool readBack = ReadAlarmCode();
    return cleared && readBack;
}

void AlarmHistory::AlarmTimerTimer() {
    if (state_.AlarmBusy || !AlarmResetRequest || !state_.AlarmFormOpen ||
        state_.CommErrorLatched) {
        return;
    }
    BusyFlag busy(state_.AlarmBusy);
    AlarmResetRequest = false;
    ResetAlarmCode();
    AlarmDataReady = true;
}
