#pragma once
// "QRV Parameter Table": fills the table from the amplifier or a table file,
// shows it modally, and writes it back on the user's word. The window
// (TLQRVSYSParForm) works through this object only: it shows the rows and
// values, hands in edits, and calls Save, Print and FormClose.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "files/ParamTable.h"
#include "files/Transfer.h"
#include "files/Verify.h"
#include "link/LongOperation.h"

// What the last use of the command did, for callers that report it.
struct TableOutcome {
    bool Filled = false;
    bool FromFile = false;
    int ReadStoppedAt = -1;  // index of the failed read, or -1
    bool WrittenBack = false;
    PassResult WriteBack;
    VerifyResult Verify;  // the read-back of the write-back (Ran when done)
};

class ParamTableCommand {
public:
    ParamTableCommand(TransferSeams seams, LongOperation& longOperation)
        : s_(seams), long_(longOperation) {}

    // Shows the window modally; it returns when the window is closed.
    void SetTableForm(std::function<void(ParamTableCommand&)> show) { show_ = std::move(show); }
    void M36TableClick();

    // Rows from "limit.ini" in StartFolder, read when the command starts.
    const std::vector<LimitRow>& Rows() const { return rows_; }
    const TableValues& Values() const { return values_; }
    bool TableFromFile() const { return fromFile_; }
    // Print marks at creation, by PresetMarkedRows.
    std::vector<bool> InitialMarks() const;
    // "%d - %d %s" with the row's limits and unit; empty for a row whose
    // limits did not parse.
    std::string RangeText(int row) const;

    // An edited value of a row, kept until Save or closing with Yes stores
    // it; false when the row is disabled or the value lies outside its
    // limits (or outside a 4-bit field), and then nothing is kept.
    bool Edit(int cell, int value);
    // The value the row's editor shows: a kept edit, else the cell.
    int Shown(int cell) const;
    void StoreEdits();

    // SaveBtnClick: stores the edits and writes the table-view file; false
    // when nothing was written.
    bool SaveBtnClick();
    // SpeedButton1Click: the marked rows through the print question.
    bool SpeedButton1Click(const std::vector<bool>& marks);
    // The pages a print of these marks makes.
    PrintJob PrintJobFor(const std::vector<bool>& marks) const;
    // FormClose: asks whether to write back (unless the link is down).
    void FormClose();

    // Fills from a table file without asking (servoctl and tests).
    bool FillFromFile(const std::string& path);
    // Fills from the amplifier; false when a read failed.
    bool FillFromAmplifier();
    // The table-view file of what the table holds.
    bool SaveTo(const std::string& path);
    // Writes the loaded entries back into the amplifier and reads them back
    // (when VerifyAfterTransfer is set); false unless every word was written
    // and, when read back, kept.
    bool WriteBack();

    const TableOutcome& Last() const { return outcome_; }
    const std::string& SelectedPath() const { return selectedPath_; }

private:
    void LoadRows();
    bool ChooseFillFromFile();
    bool EditAllowed(int cell, int value) const;

    TransferSeams s_;
    LongOperation& long_;
    std::function<void(ParamTableCommand&)> show_;
    std::vector<LimitRow> rows_;
    TableValues values_;
    std::map<int, int> edits_;
    bool fromFile_ = false;
    bool writeBack_ = false;
    std::string selectedPath_;
    TableOutcome outcome_;
};
