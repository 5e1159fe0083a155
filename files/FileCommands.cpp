#include "files/FileCommands.h"

#include <cstdio>

#include "files/AtomicFile.h"
#include "files/CommandSupport.h"
#include "link/Procedure.h"

namespace {

constexpr int FamilyBx = 0, FamilyFx = 2;
constexpr int WordReply = 7;
constexpr int Hex = 1;

constexpr int MsgReading = 68;
constexpr int MsgWriting = 69;
constexpr int MsgCommError = 167;
constexpr int MsgLineCount = 191;
constexpr int MsgFormatError = 193;
constexpr int MsgOpenTitle = 196;
constexpr int MsgSaveTitle = 197;

constexpr int LinkLostPauseMs = 2000;
constexpr int FormatErrorPauseMs = 1000;

std::string SaveLogLine(int index, int value) {
    char text[48];
    std::snprintf(text, sizeof text, ".DATA.W      H'%s  ;%s", HexWord(value).c_str(),
                  HexWord(index).c_str());
    return text;
}

}  // namespace

FileQuestion ParamFileCommands::Question(int titleMessage) const {
    return ParamFileQuestion(s_, titleMessage);
}

// Nothing can be read or written while the link error is latched; the user
// is told so instead of seeing nothing happen.
bool ParamFileCommands::LinkDown() {
    if (!s_.State.CommErrorLatched) return false;
    ErrorBox(s_.Ask, s_.Message(MsgCommError));
    return true;
}

void ParamFileCommands::ShowProgress(int message) {
    ShowProgressPanel(s_, message);
}

void ParamFileCommands::HideProgress() {
    HideProgressPanel(s_);
}

void ParamFileCommands::SetGauge(int percent) {
    s_.Panel.RWGaugeProgress = percent;
    if (s_.Progress) s_.Progress(percent);
}

void ParamFileCommands::FileErrorBox(const char* what, const std::string& path,
                                     const std::string& reason) {
    s_.Ask.Beep();
    ErrorBox(s_.Ask, std::string(what) + " " + path + ":\n" + reason);
}

void ParamFileCommands::M32SaveClick() {
    if (s_.State.SaveBusy || long_.Running()) return;
    const FlagScope busy(s_.State.SaveBusy);
    const LongOperation::Scope scope(long_);
    save_ = SaveOutcome{};
    const std::optional<std::string> path = s_.Ask.ChooseFileToSave(Question(MsgSaveTitle));
    if (!path) return;
    save_.Chosen = true;
    selectedPath_ = *path;
    if (LinkDown()) {
        save_.LinkLost = true;
        return;
    }
    ShowProgress(MsgReading);
    AtomicFile file;
    std::string error;
    if (!file.Create(*path, error)) {
        HideProgress();
        save_.FileError = true;
        FileErrorBox("Cannot create", *path, error);
        return;
    }
    const FileKind& kind = FileKindFor(s_.State);
    file.WriteLine(kind.Header);
    if (kind.CpuLine) file.WriteLine(CpuLine(s_.State.CpuDate));
    int stoppedAt = -1;
    SaveEntries(kind, file, stoppedAt);
    if (s_.State.CommErrorLatched) {
        // A save cut short is no copy of the amplifier: the old file stays.
        s_.Panel.Memo1.push_back(s_.Message(MsgCommError));
        s_.Time.WaitMs(LinkLostPauseMs);
        file.Abandon();
        HideProgress();
        save_.LinkLost = true;
        ErrorBox(s_.Ask, s_.Message(MsgCommError) + "\nThe save stopped at entry " +
                             HexWord(stoppedAt) + "; " + *path + " was not changed.");
        return;
    }
    HideProgress();
    if (!file.Commit(error)) {
        save_.FileError = true;
        FileErrorBox("Cannot write", *path, error);
        return;
    }
    save_.Written = true;
}

bool ParamFileCommands::ReadEntry(const FileKind& kind, int index, int& value) {
    const std::string address = IndexAddress(index);
    return (kind.AmpFamily == FamilyBx ? s_.Port.ReadFromEEP(address, WordReply, Hex, value)
                                       : s_.Port.ReadFromRAM(address, WordReply, Hex, value)) == 1;
}

void ParamFileCommands::SaveEntries(const FileKind& kind, AtomicFile& file, int& stoppedAt) {
    int done = 0;
    for (int index = kind.FirstIndex; index <= kind.LastIndex; ++index) {
        if (s_.State.CommErrorLatched) break;
        s_.Panel.Memo1Visible = true;
        int value = 0;
        if (ReadEntry(kind, index, value)) {
            file.WriteLine(DataLine(index, value, kind.AmpFamily == FamilyFx));
            s_.Panel.Memo1.push_back(SaveLogLine(index, value));
        } else {
            file.WriteLine(ReadErrorLine(index));
            s_.Panel.Memo1.push_back(ReadErrorLine(index));
            ++save_.ReadErrors;
            if (stoppedAt < 0) stoppedAt = index;
        }
        SetGauge(++done * 100 / kind.Entries());
    }
}

void ParamFileCommands::M31OpenClick() {
    if (s_.State.TransferBusy || long_.Running()) return;
    const FlagScope busy(s_.State.TransferBusy);
    const LongOperation::Scope scope(long_);
    open_ = OpenOutcome{};
    const std::optional<std::string> path = s_.Ask.ChooseFileToOpen(Question(MsgOpenTitle));
    if (!path) return;
    open_.Chosen = true;
    selectedPath_ = *path;
    if (LinkDown()) {
        open_.LinkLost = true;
        return;
    }
    TransferPass pass(s_);
    bool partialAccepted = false;
    while (!s_.State.CommErrorLatched && OpenPass(*path, pass, partialAccepted)) {
    }
}

// One pass of Open with the questions after it; true when the user asked for
// another pass.
bool ParamFileCommands::OpenPass(const std::string& path, TransferPass& pass,
                                 bool& partialAccepted) {
    ShowProgress(MsgWriting);
    std::vector<std::string> lines;
    std::string error;
    if (!ReadTextLines(path, lines, error)) {
        HideProgress();
        open_.FileError = true;
        FileErrorBox("Cannot read", path, error);
        return false;
    }
    const FileKind& kind = FileKindFor(s_.State);
    const FileCheck check = CheckTransferFile(lines, kind);
    if (!check.Ok) {
        RefuseFile(check, path);
        return false;
    }
    if (check.Partial && !partialAccepted) {
        const std::string text = s_.Message(MsgLineCount) + "\n" + std::to_string(check.DataLines) +
                                 " of " + std::to_string(kind.Entries()) + " entries.";
        if (s_.Ask.StandardDialog(text, DialogKind::Confirmation, {sbYes, sbNo}) != mrYes) {
            HideProgress();
            open_.Declined = true;
            return false;
        }
        partialAccepted = true;
    }
    s_.Panel.Memo1Visible = true;
    const PassResult result = pass.Run(check, kind);
    ++open_.Passes;
    open_.FailedWrites += result.FailedWrites;
    open_.LinkLost = result.LinkLost;
    HideProgress();
    if (pass.ReportFailures(result) && result.LinkLost) return false;
    if (kind.AmpFamily == FamilyFx) {
        if (result.Processed < check.DataLines) pass.ShowLineCountError();
        if (pass.AskReset() == TransferPass::Reset::Failed) ++open_.FailedWrites;
    }
    return pass.AskRepeat();
}

// A file the check refused: nothing of it is written.
void ParamFileCommands::RefuseFile(const FileCheck& check, const std::string& path) {
    open_.FileError = true;
    s_.Panel.Memo1Visible = true;
    s_.Panel.Memo1.push_back(check.Error);
    s_.Panel.ProgressMsg = s_.Message(check.ErrorLine == 0 ? MsgLineCount : MsgFormatError);
    s_.Time.WaitMs(FormatErrorPauseMs);
    HideProgress();
    s_.Ask.Beep();
    ErrorBox(s_.Ask, CheckFailureText(check, path, s_.Message));
}
