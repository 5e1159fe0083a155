#include "files/TableCommand.h"

#include <cstdio>

#include "files/AtomicFile.h"
#include "files/CommandSupport.h"
#include "files/FxLimits.h"
#include "files/Verify.h"
#include "link/CatalogueTexts.h"
#include "link/Procedure.h"

using namespace CatalogueTexts;

namespace {

constexpr int FieldMax = 15;

constexpr const char* LimitFileName = "limit.ini";
constexpr const char* PrintTitle = "QRV Parameter Table";
constexpr int TableWritePauseMs = 20;
constexpr int TableClosingPauseMs = 100;

}  // namespace

void ParamTableCommand::M36TableClick() {
    if (s_.State.AmpFamily != Family::Fx || long_.Running()) return;
    const LongOperation::Scope scope(long_);
    outcome_ = TableOutcome{};
    LoadRows();
    fromFile_ = ChooseFillFromFile();
    outcome_.FromFile = fromFile_;
    if (fromFile_) {
        const std::optional<std::string> path =
            s_.Ask.ChooseFileToOpen(ParamFileQuestion(s_, MsgOpenFileTitle));
        if (!path || !FillFromFile(*path)) return;
    } else {
        FillFromAmplifier();
    }
    edits_.clear();
    writeBack_ = false;
    if (show_) show_(*this);
    if (writeBack_ && !s_.State.CommErrorLatched) WriteBack();
}

bool ParamTableCommand::ChooseFillFromFile() {
    if (s_.State.CommErrorLatched) return true;
    return s_.Ask.CustomDialog(s_.Message(MsgFillQuestion), DialogKind::Confirmation, {0, 1}, 0,
                               CaptionRange{MsgFillFromAmplifier, 2},
                               QuestionId::TableFill) != mrYes;
}

void ParamTableCommand::LoadRows() {
    std::vector<std::string> lines;
    std::string error;
    rows_.clear();
    if (ReadTextLines(s_.State.StartFolder + LimitFileName, lines, error)) {
        rows_ = ParseLimitFile(lines);
    }
}

bool ParamTableCommand::FillFromFile(const std::string& path) {
    selectedPath_ = path;
    fromFile_ = true;
    std::vector<std::string> lines;
    std::string error;
    if (!ReadTextLines(path, lines, error)) {
        ErrorBox(s_.Ask, FileProblemText(s_.Message, MsgCannotRead, path, error));
        return false;
    }
    const TableFileLoad load = LoadTableFile(lines, values_);
    if (load.ForeignHeader) {
        ErrorBox(s_.Ask, path + ":\n" + s_.Message(MsgTableForeignFile));
        return false;
    }
    if (load.Refused > 0) {
        ErrorBox(s_.Ask,
                 path + ":\n" +
                     Say(s_.Message, MsgTableLinesLeftOut,
                         {std::to_string(load.Refused), std::to_string(load.FirstRefusedLine)}));
    }
    outcome_.Filled = true;
    return true;
}

bool ParamTableCommand::FillFromAmplifier() {
    fromFile_ = false;
    const FxLimit limit = FxLimitFor(s_.State);
    ShowProgressPanel(s_, MsgReading);
    values_.BeginLoad();
    int done = 0;
    bool cancelled = false;
    for (int index = TableFirstIndex; index <= limit.LastIndex; ++index) {
        if (s_.State.CommErrorLatched) break;
        // Cancel ends the read between two entries, as a failed read does.
        cancelled = s_.Cancelled && s_.Cancelled();
        if (cancelled) {
            outcome_.ReadStoppedAt = index;
            break;
        }
        int value = 0;
        if (!ReadParamWord(s_.Port, Family::Fx, IndexAddress(index), value, LogRetries(s_))) {
            outcome_.ReadStoppedAt = index;
            break;
        }
        values_.SetEntry(index, value);
        s_.Panel.RWGaugeProgress = ++done * 100 / limit.Divisor;
        if (s_.Progress) s_.Progress(s_.Panel.RWGaugeProgress);
    }
    HideProgressPanel(s_);
    if (outcome_.ReadStoppedAt < 0 && !s_.State.CommErrorLatched) {
        outcome_.Filled = true;
        return true;
    }
    const int stoppedAt = outcome_.ReadStoppedAt >= 0 ? outcome_.ReadStoppedAt : TableFirstIndex;
    // The user's own Cancel is no communication error.
    const std::string stopped = Say(s_.Message, MsgTableReadStopped, {IndexAddress(stoppedAt)});
    ErrorBox(s_.Ask, cancelled ? stopped : s_.Message(MsgCommError) + "\n" + stopped);
    return false;
}

std::vector<bool> ParamTableCommand::InitialMarks() const {
    const int preset = s_.State.PrintLines[3];
    std::vector<bool> marks(rows_.size(), false);
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        marks[r] = rows_[r].Enabled && (preset == 0 || static_cast<int>(r) < preset);
        if (preset < 0) marks[r] = false;
    }
    return marks;
}

std::string ParamTableCommand::RangeText(int row) const {
    const LimitRow& r = rows_[static_cast<std::size_t>(row)];
    if (!r.LimitsRead) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%d - %d ", r.Minimum, r.Maximum);
    return text + s_.Message(r.UnitMessage);
}

bool ParamTableCommand::EditAllowed(int cell, int value) const {
    if (cell < 0 || cell >= static_cast<int>(rows_.size()) || cell >= TableCells) return false;
    const LimitRow& row = rows_[static_cast<std::size_t>(cell)];
    if (!row.Enabled || value < row.Minimum || value > row.Maximum) return false;
    return CellPlaceOf(cell).Field < 0 || (value >= 0 && value <= FieldMax);
}

bool ParamTableCommand::Edit(int cell, int value) {
    if (!EditAllowed(cell, value)) return false;
    edits_[cell] = value;
    return true;
}

int ParamTableCommand::Shown(int cell) const {
    const auto edit = edits_.find(cell);
    return edit != edits_.end() ? edit->second : values_.Cell(cell);
}

// Only rows the user changed are copied; every other cell keeps its value,
// even one outside its row's limits.
void ParamTableCommand::StoreEdits() {
    for (const auto& [cell, value] : edits_) {
        // A packed entry is whole only when all four fields are known.
        const CellPlace place = CellPlaceOf(cell);
        if (place.Field >= 0 && !values_.Entry(place.Index)) continue;
        values_.SetCell(cell, value);
        if (place.Field < 0) values_.SetEntry(place.Index, value);
    }
    edits_.clear();
}

bool ParamTableCommand::SaveBtnClick() {
    StoreEdits();
    const std::optional<std::string> path =
        s_.Ask.ChooseFileToSave(ParamFileQuestion(s_, MsgSaveFileTitle));
    return path && SaveTo(*path);
}

bool ParamTableCommand::SaveTo(const std::string& path) {
    AtomicFile file;
    std::string error;
    if (!file.Create(path, error)) {
        ErrorBox(s_.Ask, FileProblemText(s_.Message, MsgCannotCreate, path, error));
        return false;
    }
    for (const std::string& line :
         TableFileLines(values_, fromFile_, FileKindFor(s_.State), s_.State.CpuDate)) {
        file.WriteLine(line);
    }
    if (!file.Commit(error)) {
        ErrorBox(s_.Ask, FileProblemText(s_.Message, MsgCannotWrite, path, error));
        return false;
    }
    return true;
}

PrintJob ParamTableCommand::PrintJobFor(const std::vector<bool>& marks) const {
    const std::string cpuLine = CpuLine(s_.State.CpuDate);
    std::vector<std::string> rows;
    for (std::size_t r = 0; r < rows_.size() && r < marks.size(); ++r) {
        if (!marks[r] || !rows_[r].Enabled) continue;
        const int cell = static_cast<int>(r);
        const std::optional<int> value =
            values_.Loaded(cell) ? std::optional<int>(values_.Cell(cell)) : std::nullopt;
        rows.push_back(PrintRowText(ParamNumberText(cell), rows_[r].Name, value));
    }
    PrintJob job;
    job.Title = PrintTitle;
    job.Pages = PrintPages(fromFile_ ? selectedPath_ + " , " : cpuLine, rows,
                           s_.State.PrintLines[0], cpuLine);
    job.CharWidth = s_.State.PrintLines[1];
    job.LineHeight = s_.State.PrintLines[2];
    return job;
}

bool ParamTableCommand::SpeedButton1Click(const std::vector<bool>& marks) {
    return s_.Ask.Print(PrintJobFor(marks));
}

void ParamTableCommand::FormClose() {
    writeBack_ = false;
    if (s_.State.CommErrorLatched) return;
    if (s_.Ask.StandardDialog(s_.Message(MsgWriteBackQuestion), DialogKind::Confirmation,
                              {sbYes, sbNo}, QuestionId::TableWriteBack) != mrYes) {
        edits_.clear();
        return;
    }
    StoreEdits();
    writeBack_ = true;
}

bool ParamTableCommand::WriteBack() {
    const FxLimit limit = FxLimitFor(s_.State);
    FileCheck entries;
    for (int index = TableFirstIndex; index <= limit.LastIndex; ++index) {
        const std::optional<int> value = values_.Entry(index);
        if (!value) continue;
        entries.Items.push_back({true, 0, IndexAddress(index), index, *value});
    }
    PassRules rules;
    rules.Limit = TableCells;
    rules.Divisor = limit.Divisor;
    rules.FxLinePauseMs = TableWritePauseMs;
    rules.FxClosingPauseMs = TableClosingPauseMs;
    rules.FxSettlePauseMs = 0;
    rules.StopOnFailedWrite = true;
    rules.Protect = [systemAccess = s_.State.FullAccess](int index) {
        return ProtectionOf(Family::Fx, index, systemAccess);
    };
    ShowProgressPanel(s_, MsgWriting);
    s_.Panel.Memo1Visible = true;
    TransferPass pass(s_);
    const FileKind& kind = FileKindFor(s_.State);
    outcome_.WriteBack = pass.Run(entries, kind, rules);
    outcome_.WrittenBack = true;
    if (s_.State.VerifyAfterTransfer) outcome_.Verify = VerifyAndLog(s_, outcome_.WriteBack, kind);
    // Nothing is asked after the write-back: a failure is told while its red
    // message is still on screen.
    ReportPassFailures(pass, s_, outcome_.WriteBack, outcome_.Verify);
    HideProgressPanel(s_);
    return TransferSucceeded(outcome_.WriteBack, outcome_.Verify);
}
