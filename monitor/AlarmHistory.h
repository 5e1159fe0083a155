#pragma once
#include <array>
#include <string>

#include "link/AddressMap.h"
#include "link/CatalogueTexts.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "link/LongOperation.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"

constexpr int AlarmSlotCount = 10;
// What the code label of a slot whose read failed shows.
inline constexpr const char* FailedSlotText = "----";

// Catalogue message of an alarm code's text: the status texts 151 + code for
// codes 0 ... 19 (the FX group gives six codes texts of their own), the
// neutral "unknown alarm" text for any other code.
int AlarmMessage(int ampFamily, int code);
// A slot's code label: four hexadecimal digits, or "----" when its read failed.
std::string AlarmCodeText(int code, bool read);

// The alarm history of the amplifier: read when the window opens, cleared on
// the window's request by AlarmTimerTimer (500 ms). BX keeps ten EEPROM words
// with a pointer in EEPROM, DX five RAM words of two codes each, the FX group
// ten RAM words with a pointer in RAM and a clear command. Reading and clearing
// let window events run once, so both hold the long-operation guard.
class AlarmHistory {
public:
    AlarmHistory(Drive& drive, DriveState& state, const AddressMap& map, MainPanel& panel,
                 const MessageCatalogue& catalogue, LongOperation& operation);

    // Reads the pointer and the history into AlarmCodes, latest first for BX
    // and the FX group. True when every read succeeded. When the pointer
    // read fails no slot is read and every slot is unknown.
    bool ReadAlarmCode();
    // Clears the history in the amplifier; the FX group reads it back. True
    // when every write succeeded.
    bool ResetAlarmCode();
    // One tick: clears the history when the window asked for it.
    void AlarmTimerTimer();

    bool AlarmResetRequest = false;  // raised by the window's Clear button
    bool AlarmDataReady = false;     // raised after a clear, taken by the window
    int AlarmPointer = 0;            // as the amplifier last gave it
    std::array<int, AlarmSlotCount> AlarmCodes{};
    // False for a slot whose read failed: it shows "----", not code 0.
    std::array<bool, AlarmSlotCount> SlotRead{};
    // False when the pointer could not be read: no slot is read then.
    bool HistoryRead = true;

private:
    int StartEntry() const;
    bool ReadPointer();
    void ForgetSlots();
    void ShowProgress(int message);
    void ReadSlots(int startEntry);
    bool ResetBx();
    bool ResetDx();
    bool ResetFx();
    void ClearSlotsOfEntry(int entry);

    Drive& drive_;
    DriveState& state_;
    const AddressMap& map_;
    MainPanel& panel_;
    const MessageCatalogue& catalogue_;
    LongOperation& operation_;
    // The history entry each slot showed at the last read; a BX clear zeroes
    // the slot that shows the entry it cleared.
    std::array<int, AlarmSlotCount> slotEntry_{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};
