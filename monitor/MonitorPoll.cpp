#include "monitor/MonitorPoll.h"

#include "link/Procedure.h"
#include "monitor/BusyFlag.h"

MonitorPoll::MonitorPoll(Drive& drive, DriveState& state, const AddressMap& map)
    : drive_(drive), state_(state), map_(map) {}

void MonitorPoll::MonitorTimerTimer() {
    if (!state_.TrendFormOpen) Poll();
}

MonitorSelectionFlags MonitorPoll::ReadSelection() const {
    MonitorSelectionFlags selection{};
    for (int i = 0; i < MonitorRowCount; ++i) {
        selection[i] = (state_.MonitorFormOpen && MonitorSelection[i]) ||
                       (state_.TrendFormOpen && TrendSelection[i]);
    }
    return selection;
}

bool MonitorPoll::Poll(const RowDone& rowDone) {
    const bool open = state_.MonitorFormOpen || state_.TrendFormOpen;
    if (!open || state_.CommErrorLatched || state_.MonitorBusy) return false;
    BusyFlag busy(state_.MonitorBusy);
    MonitorAddressTable = MonitorAddressTableFor(map_, state_.AmpFamily, state_.FxVersion);
    LastTickReads = LastTickFailures = 0;
    ReadRows(ReadSelection(), MonitorVariantOf(state_.AmpFamily, state_.FxVersion), rowDone);
    return true;
}

void MonitorPoll::ReadRows(const MonitorSelectionFlags& selection, MonitorVariant variant,
                           const RowDone& rowDone) {
    for (int row = 1; row <= MonitorRowCount; ++row) {
        if (!selection[row - 1]) continue;
        if (MonitorRowSharesReads(row, selection)) {
            RowReadOk[7] = RowReadOk[6];
        } else {
            ReadRow(row, variant);
            if (row == 7) RowReadOk[7] = RowReadOk[6];
            if (row == 8) RowReadOk[6] = RowReadOk[7];
        }
        if (rowDone) rowDone(row);
    }
}

void MonitorPoll::ReadRow(int row, MonitorVariant variant) {
    bool ok = true;
    for (const MonitorRead& read : MonitorReadsOf(row, variant)) {
        if (read.Kind != MonitorReadKind::None) ok = ReadOne(read) && ok;
    }
    RowReadOk[row - 1] = ok;
}

bool MonitorPoll::ReadOne(const MonitorRead& read) {
    if (read.Kind == MonitorReadKind::Zero) {
        MonitorValues[read.Value] = 0;
        return true;
    }
    const std::string& address =
        read.Fixed ? std::string(read.Fixed) : MonitorAddressTable[read.Entry];
    // An entry the family does not fill is never sent.
    if (address.empty()) return false;
    int value = 0;
    const int done = read.Kind == MonitorReadKind::Long
                         ? drive_.ReadFromRAML(address, LongReplyLength, HexFormat, value)
                         : drive_.ReadFromRAM(address, WordReplyLength, HexFormat, value);
    ++LastTickReads;
    if (done != 1) {
        ++LastTickFailures;
        return false;
    }
    MonitorValues[read.Value] = value;
    return true;
}
