#include "monitor/MonitorPoll.h"

#include "monitor/BusyFlag.h"
#include "monitor/ReplyFormats.h"

MonitorPoll::MonitorPoll(Drive& drive, DriveState& state, const AddressMap& map)
    : drive_(drive), state_(state), map_(map) {}

void MonitorPoll::MonitorTimerTimer() {
    if (!state_.MonitorFormOpen || state_.CommErrorLatched || state_.MonitorBusy) return;
    BusyFlag busy(state_.MonitorBusy);
    MonitorAddressTable = MonitorAddressTableFor(map_, state_.AmpFamily, state_.FxVersion);
    const MonitorVariant variant = MonitorVariantOf(state_.AmpFamily, state_.FxVersion);
    LastTickReads = LastTickFailures = 0;
    for (int row = 1; row <= MonitorRowCount; ++row) {
        if (!MonitorSelection[row - 1]) continue;
        // Rows 7 and 8 share one pair of long reads.
        if (row == 8 && MonitorSelection[6]) {
            RowReadOk[7] = RowReadOk[6];
            continue;
        }
        ReadRow(row, variant);
        if (row == 7) RowReadOk[7] = RowReadOk[6];
        if (row == 8) RowReadOk[6] = RowReadOk[7];
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
                         ? drive_.ReadFromRAML(address, LongReply, SignedHex, value)
                         : drive_.ReadFromRAM(address, WordReply, SignedHex, value);
    ++LastTickReads;
    if (done != 1) {
        ++LastTickFailures;
        return false;
    }
    MonitorValues[read.Value] = value;
    return true;
}
