#pragma once
// Writing a parameter file into the amplifier, in the pieces that Open, the
// compare transfer and the production pass share: the whole-file check made
// before the first write, one write pass with the protection tables and the
// count of failed writes, the FX checksum step, and the questions that follow
// a pass (failed writes, line count, reset, repeat).
#include <functional>
#include <string>
#include <vector>

#include "files/ParamFile.h"
#include "link/Clock.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"
#include "link/Questions.h"

// Why an entry is never written.
enum class Protection { None, DontWrite, System, AlarmHistory };
// The protection of a file index on a family. With systemAccess the entries
// the system protects (FX 0x39 to 0x5E) are written.
Protection ProtectionOf(int ampFamily, int index, bool systemAccess = false);
// The log line of a protected entry.
const char* ProtectionText(Protection protection);

// One line of a checked file: a data entry, or a line the log calls
// "Not data string".
struct FileItem {
    bool Data = false;
    int LineNumber = 0;   // 1-based line of the file
    std::string Address;  // upper case, two digits
    int Index = 0;
    int Value = 0;
};

// The result of reading a whole file before anything is written.
struct FileCheck {
    std::vector<FileItem> Items;  // every line in order
    int DataLines = 0;
    bool Ok = false;       // the file may be transferred
    bool TooMany = false;  // more data lines than the family has (message 191)
    bool Partial = false;  // fewer data lines than the family has
    int ErrorLine = 0;     // line of a format error; 0 for the count
    // What is wrong, for the log and the error box: a catalogue text with its
    // values, or (ErrorMessage 0) the reader's own text, the same in every
    // language. CheckProblemText puts it together.
    int ErrorMessage = 0;
    std::vector<std::string> ErrorValues;
    std::string Error;
};

// Checks every line against the connected kind: format errors (with the
// reader's texts, a value or address field that is not hexadecimal), a header
// of another family, more data lines than the kind has, and indexes outside
// its range. Files without a header pass.
FileCheck CheckTransferFile(const std::vector<std::string>& lines, const FileKind& kind);

// One parameter word a pass sent, for the read-back that checks it.
struct WrittenWord {
    std::string Address;
    int Index = 0;
    int Value = 0;
    bool Acknowledged = false;
};

// How a pass runs. Open's rules come from OpenRules; the compare transfer,
// the production pass and the table's write-back set their own.
struct PassRules {
    int Limit = 0;              // data lines taken at most
    int Divisor = 1;            // the gauge's whole: entries of a complete file
    int StopIndex = -1;         // when >= 0: an entry with this index or above is the last
    int FxLinePauseMs = 10;     // after every line, FX group
    int FxClosingPauseMs = 0;   // FX group: before the checksum commands
    int FxSettlePauseMs = 500;  // FX group: after them (the table hides its panel at once)
    bool StopOnFailedWrite = false;
    std::function<Protection(int index)> Protect;
};
PassRules OpenRules(const FileKind& kind, bool systemAccess);

// What one pass did.
struct PassResult {
    int Processed = 0;               // data lines taken, protected ones included
    int Written = 0;                 // writes acknowledged
    int FailedWrites = 0;            // writes not acknowledged, checksum commands included
    int Protected = 0;               // data lines skipped by the protection rule
    int EntriesWritten = 0;          // data lines whose write was acknowledged
    bool LinkLost = false;           // CommErrorLatched at the end of the pass
    bool Cancelled = false;          // the user stopped the pass before its next write
    int Planned = 0;                 // parameter writes the pass was to make
    bool ChecksumLeftOff = false;    // FX: "C0" = 0 taken and not switched on again
    std::vector<WrittenWord> Words;  // parameter words sent, in order (no checksum commands)
};

// The dependencies of a transfer, passed in by the command that runs it.
struct TransferSeams {
    Drive& Port;
    DriveState& State;
    MainPanel& Panel;
    Clock& Time;
    Questions& Ask;
    MessageLookup Message;
    std::function<void()> ReadCurrentMode;                // re-identification after a reset
    std::function<void(int percent)> Progress = nullptr;  // told on each gauge step
    // Asked between entries: true once the user cancelled the command.
    std::function<bool()> Cancelled = nullptr;
};

class TransferPass {
public:
    explicit TransferPass(TransferSeams& seams) : s_(seams) {}

    // Writes the checked items in file order with the family's primitive,
    // pauses, log lines and gauge, skipping protected entries; BX re-writes
    // its 33rd entry, the FX group brackets the pass with the checksum step.
    PassResult Run(const FileCheck& file, const FileKind& kind, bool systemAccess = false);
    PassResult Run(const FileCheck& file, const FileKind& kind, const PassRules& rules);

    // The error box of a pass that lost the link or had failed writes; false
    // when there was nothing to report.
    bool ReportFailures(const PassResult& result);
    // "The link was lost after N of M parameter writes", with the read-back
    // that could not follow when the transfer verifies.
    std::string LinkLostText(const PassResult& result) const;
    // The error box of message 191 (sound, one button captioned 73).
    void ShowLineCountError();
    // The FX group's reset question (message 140): on Yes "C4" = 0, the
    // pause and the re-identification.
    enum class Reset { Declined, Done, Failed };
    Reset AskReset();
    // "C4" = 0, the pause and the re-identification; false when the reset
    // was not acknowledged.
    bool ResetAmplifier();
    // "Transfer the same file again?": only Yes repeats.
    bool AskRepeat();

private:
    std::string CancelledText() const;
    bool Write(const FileKind& kind, const std::string& address, int value);
    bool WriteRam(const std::string& address, int value);
    bool Counted(bool ok);
    void Log(const std::string& line) { s_.Panel.Memo1.push_back(line); }
    void SetGauge(int processed, int entries);
    void StatusLine(const FileItem& item, bool lastFailed);
    void AfterLine(const FileKind& kind, const PassRules& rules);
    void FinishBx(const FileKind& kind, const FileItem* thirtyThird, const PassRules& rules);
    void ChecksumOff();
    void FinishFx(const PassRules& rules);

    TransferSeams& s_;
    PassResult result_;
};

// Reads one parameter word with the family's primitive (EEPROM for BX, RAM
// for the others), as Save, the preview, the backup and the read-back do.
// Told of each read of a whole-set job that is tried again: its address.
using ReadRetried = std::function<void(const std::string& address)>;
// One parameter word of a whole-set job (save, preview, backup, read-back)
// with the family's primitive. On a noisy line a read that failed on a
// broken reply is tried once more, onRetry told first; the failure is
// reported only when it stays. Silence and the amplifier's error reply are
// not tried again.
bool ReadParamWord(Drive& port, int ampFamily, const std::string& address, int& value,
                   const ReadRetried& onRetry = nullptr);
// Puts each retry in the panel's log.
ReadRetried LogRetries(TransferSeams& s);

// An error box: the custom dialog of kind Error with one button captioned
// with message 73.
void ErrorBox(Questions& ask, const std::string& text);

// A catalogue text with its %1, %2 ... filled.
std::string Say(const MessageLookup& message, int n, const std::vector<std::string>& values);
// "Cannot read FILE:" (what: the file problem's message) with the reason on the next line.
std::string FileProblemText(const MessageLookup& message, int what, const std::string& path,
                            const std::string& reason);

// What a failed file check found, and the log and box text with the file and line.
std::string CheckProblemText(const FileCheck& check, const MessageLookup& message);
std::string CheckFailureText(const FileCheck& check, const std::string& path,
                             const MessageLookup& message);
