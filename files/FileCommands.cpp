#include "files/FileCommands.h"

#include <cstdio>

#include "files/AtomicFile.h"
#include "files/Backup.h"
#include "files/CommandSupport.h"
#include "files/Identity.h"
#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"
#include "link/Procedure.h"

using namespace CatalogueTexts;

namespace {

// The interrupted-transfer question: "Leave as it is" first, so that Escape
// and Return leave the amplifier alone; custom buttons 1 and 2 answer these.
constexpr int FinishAnswer = mrNo;
constexpr int RestoreAnswer = mrOk;

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

void ParamFileCommands::FileErrorBox(int what, const std::string& path, const std::string& reason) {
    s_.Ask.Beep();
    ErrorBox(s_.Ask, FileProblemText(s_.Message, what, path, reason));
}

void ParamFileCommands::M32SaveClick() {
    if (s_.State.SaveBusy || long_.Running()) return;
    const FlagScope busy(s_.State.SaveBusy);
    const LongOperation::Scope scope(long_);
    save_ = SaveOutcome{};
    const std::optional<std::string> path = s_.Ask.ChooseFileToSave(Question(MsgSaveAsTitle));
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
        FileErrorBox(MsgCannotCreate, *path, error);
        return;
    }
    const FileKind& kind = FileKindFor(s_.State);
    const SetLines set = ReadWholeSet(
        s_.Port, s_.State,
        [this, &kind](int index, bool ok, int value, int done) {
            s_.Panel.Memo1Visible = true;
            s_.Panel.Memo1.push_back(ok ? SaveLogLine(index, value) : ReadErrorLine(index));
            SetGauge(done * 100 / kind.Entries());
        },
        LogRetries(s_), [this] { return s_.Cancelled && s_.Cancelled(); });
    for (const std::string& line : set.Lines) file.WriteLine(line);
    save_.ReadErrors = set.ReadErrors;
    const int stoppedAt = set.FirstError;
    if (set.Cancelled) {
        // A save the user stopped is no copy of the amplifier: the old file stays.
        file.Abandon();
        HideProgress();
        save_.Cancelled = true;
        s_.Panel.Memo1.push_back(s_.Message(MsgSaveCancelled));
        return;
    }
    if (s_.State.CommErrorLatched) {
        // A save cut short is no copy of the amplifier: the old file stays.
        s_.Panel.Memo1.push_back(s_.Message(MsgCommError));
        s_.Time.WaitMs(LinkLostPauseMs);
        file.Abandon();
        HideProgress();
        save_.LinkLost = true;
        ErrorBox(s_.Ask, s_.Message(MsgCommError) + "\n" +
                             Say(s_.Message, MsgSaveStopped, {HexWord(stoppedAt), *path}));
        return;
    }
    HideProgress();
    if (!file.Commit(error)) {
        save_.FileError = true;
        FileErrorBox(MsgCannotWrite, *path, error);
        return;
    }
    save_.Written = true;
    WriteIdentity(*path);
}

// The identity file follows the parameter file; the save stands without it,
// but the user is told, since a later transfer cannot check the file then.
void ParamFileCommands::WriteIdentity(const std::string& path) {
    DriveIdentity identity = IdentityOf(s_.State, s_.Panel);
    identity.Time = IsoTime(safety_.Now());
    identity.ProgramVersion = safety_.ProgramVersion;
    std::string error;
    save_.IdentityWritten = WriteIdentityFile(path, identity, error);
    if (!save_.IdentityWritten) FileErrorBox(MsgCannotWrite, IdentityPath(path), error);
}

void ParamFileCommands::M31OpenClick() {
    if (s_.State.TransferBusy || long_.Running()) return;
    const FlagScope busy(s_.State.TransferBusy);
    const LongOperation::Scope scope(long_);
    open_ = OpenOutcome{};
    const std::optional<std::string> path = s_.Ask.ChooseFileToOpen(Question(MsgOpenTransferTitle));
    if (!path) return;
    open_.Chosen = true;
    selectedPath_ = *path;
    if (LinkDown()) {
        open_.LinkLost = true;
        return;
    }
    TransferPass pass(s_);
    bool partialAccepted = false;
    identityAccepted_ = false;
    while (!s_.State.CommErrorLatched && OpenPass(*path, pass, partialAccepted)) {
    }
}

// The lines of the file a transfer writes; false, with the panel hidden and
// the user told, when it cannot be read.
bool ParamFileCommands::ReadFileToWrite(const std::string& path, std::vector<std::string>& lines) {
    std::string error;
    if (ReadTextLines(path, lines, error)) return true;
    HideProgress();
    open_.FileError = true;
    FileErrorBox(MsgCannotRead, path, error);
    return false;
}

// One pass of Open with the questions after it; true when the user asked for
// another pass.
bool ParamFileCommands::OpenPass(const std::string& path, TransferPass& pass,
                                 bool& partialAccepted) {
    ShowProgress(MsgWriting);
    std::vector<std::string> lines;
    if (!ReadFileToWrite(path, lines)) return false;
    const FileKind& kind = FileKindFor(s_.State);
    const FileCheck check = CheckTransferFile(lines, kind);
    if (!check.Ok) {
        RefuseFile(check, path);
        return false;
    }
    if (check.Partial && !partialAccepted) {
        const std::string text = s_.Message(MsgLineCount) + "\n" + std::to_string(check.DataLines) +
                                 " of " + std::to_string(kind.Entries()) + " entries.";
        if (s_.Ask.StandardDialog(text, DialogKind::Confirmation, {sbYes, sbNo},
                                  QuestionId::PartialFile) != mrYes) {
            HideProgress();
            open_.Declined = true;
            return false;
        }
        partialAccepted = true;
    }
    if (!IdentityAccepted(path) || !PreviewAccepted(check, kind) || safety_.DryRun || !BackedUp()) {
        return false;
    }
    PassResult result;
    const bool reported = WriteChecked(path, check, kind, pass, result, open_.BackupPath);
    // A link lost during the read-back ends the command as one lost during
    // the pass: nothing more can be asked of the amplifier.
    const bool linkDown = result.LinkLost || s_.State.CommErrorLatched;
    const bool stop = reported && linkDown;
    if (!stop && kind.AmpFamily == Family::Fx) {
        if (result.Processed < check.DataLines) pass.ShowLineCountError();
        if (pass.AskReset() == TransferPass::Reset::Failed) ++open_.FailedWrites;
    }
    const bool again = !stop && pass.AskRepeat();
    HideProgress();
    return again;
}

// One write of a checked file and its read-back. A failed transfer stays on
// screen, its message in red, while its failures are told; true when any was.
bool ParamFileCommands::WriteChecked(const std::string& path, const FileCheck& check,
                                     const FileKind& kind, TransferPass& pass, PassResult& result,
                                     const std::string& backupPath) {
    s_.Panel.Memo1Visible = true;
    result = pass.Run(check, kind);
    ++open_.Passes;
    open_.FailedWrites += result.FailedWrites;
    open_.LinkLost = result.LinkLost;
    NoteInterruption(path, backupPath, result);
    const VerifyResult verify = Verify(result, kind);
    if (!s_.Panel.ProgressFailed) HideProgress();
    return ReportPassFailures(pass, s_, result, verify);
}

// An FX drive cut off with its checksum off is remembered until a transfer
// into it ends with the link up.
void ParamFileCommands::NoteInterruption(const std::string& path, const std::string& backupPath,
                                         const PassResult& result) {
    if (!result.LinkLost) {
        interrupted_.reset();
    } else if (result.ChecksumLeftOff) {
        interrupted_ = InterruptedTransfer{path, backupPath, s_.State.AmpFamily, s_.Panel.MainMsg5,
                                           s_.State.CpuDate};
    }
}

bool ParamFileCommands::SameDrive(const InterruptedTransfer& interrupted) const {
    return interrupted.AmpFamily == s_.State.AmpFamily && interrupted.Model == s_.Panel.MainMsg5 &&
           interrupted.CpuDate == s_.State.CpuDate;
}

std::string ParamFileCommands::InterruptedText() const {
    return interrupted_ ? Filled(s_.Message(MsgInterrupted), {interrupted_->FilePath}) : "";
}

std::string ParamFileCommands::InterruptedRemedy() const {
    if (!interrupted_) return {};
    if (interrupted_->BackupPath.empty())
        return Filled(s_.Message(MsgRemedy), {interrupted_->FilePath});
    return Filled(s_.Message(MsgRemedyWithBackup),
                  {interrupted_->FilePath, interrupted_->BackupPath});
}

void ParamFileCommands::LinkReturned() {
    if (!interrupted_ || s_.State.CommErrorLatched || s_.State.TransferBusy || long_.Running()) {
        return;
    }
    const FlagScope busy(s_.State.TransferBusy);
    const LongOperation::Scope scope(long_);
    // Told once: the user decides now, and another drive on the port is not ours to touch.
    const InterruptedTransfer interrupted = *interrupted_;
    const std::string text = InterruptedText();
    interrupted_.reset();
    if (!SameDrive(interrupted)) return;
    const bool backup = !interrupted.BackupPath.empty();
    const std::string question =
        backup ? Filled(s_.Message(MsgFinishOrRestore), {interrupted.BackupPath})
               : s_.Message(MsgFinish);
    const std::vector<int> buttons = backup ? std::vector<int>{0, 1, 2} : std::vector<int>{0, 1};
    s_.Ask.Beep();
    const int answer =
        s_.Ask.CustomDialog(text + "\n" + question, DialogKind::Warning, buttons, 0,
                            CaptionRange{MsgLeaveFinishRestore, static_cast<int>(buttons.size())});
    if (answer == FinishAnswer) WriteAgain(interrupted.FilePath, interrupted.BackupPath);
    if (backup && answer == RestoreAnswer)
        WriteAgain(interrupted.BackupPath, interrupted.BackupPath);
}

// Finishing or restoring: the whole file written again and read back, without
// Open's questions, which were answered for this drive before the outage.
void ParamFileCommands::WriteAgain(const std::string& path, const std::string& backupPath) {
    open_ = OpenOutcome{};
    open_.Chosen = true;
    selectedPath_ = path;
    ShowProgress(MsgWriting);
    std::vector<std::string> lines;
    if (!ReadFileToWrite(path, lines)) return;
    const FileKind& kind = FileKindFor(s_.State);
    const FileCheck check = CheckTransferFile(lines, kind);
    if (!check.Ok) {
        RefuseFile(check, path);
        return;
    }
    TransferPass pass(s_);
    PassResult result;
    WriteChecked(path, check, kind, pass, result, backupPath);
    HideProgress();
}

// A file whose identity file names another amplifier, or that was changed
// since it was saved, is written only when the user says so (once a command).
bool ParamFileCommands::IdentityAccepted(const std::string& path) {
    if (identityAccepted_) return true;
    identityAccepted_ = IdentityConfirmed(s_, path, safety_.DryRun);
    if (!identityAccepted_) {
        HideProgress();
        open_.IdentityRefused = true;
    }
    return identityAccepted_;
}

// The current words beside the file's: shown and confirmed before the first
// write, or, in a dry run, logged as the whole result.
bool ParamFileCommands::PreviewAccepted(const FileCheck& check, const FileKind& kind) {
    if (!s_.State.PreviewBeforeTransfer && !safety_.DryRun) return true;
    const TransferPreview preview = ReadPreview(s_, check, kind);
    open_.WouldChange = preview.WouldChange;
    open_.LinkLost = preview.LinkLost;
    if (preview.LinkLost) {
        HideProgress();
        ErrorBox(s_.Ask, s_.Message(MsgCommError));
        return false;
    }
    if (safety_.DryRun) {
        for (const std::string& line : PreviewTextLines(PreviewTable(preview, s_.Message))) {
            s_.Panel.Memo1.push_back(line);
        }
        HideProgress();
        return true;
    }
    const bool accepted = ConfirmPreview(s_, preview);
    if (!accepted) {
        HideProgress();
        open_.PreviewDeclined = true;
    }
    return accepted;
}

// No backup, no transfer: the drive's set must be recoverable before it is
// overwritten.
bool ParamFileCommands::BackedUp() {
    if (!safety_.Backup) return true;
    s_.Panel.Memo1Visible = true;
    const std::string folder = safety_.DataFolder.empty() ? UserDataFolder() : safety_.DataFolder;
    const BackupOutcome backup = BackUpDrive(s_, folder, safety_.ProgramVersion, safety_.Now());
    s_.Panel.RWGaugeProgress = 0;
    if (backup.Ok) {
        open_.BackupPath = backup.Path;
        return true;
    }
    open_.BackupFailed = true;
    HideProgress();
    s_.Ask.Beep();
    ErrorBox(s_.Ask, s_.Message(MsgBackupFailed) + "\n" + backup.Error);
    return false;
}

VerifyResult ParamFileCommands::Verify(const PassResult& result, const FileKind& kind) {
    if (!s_.State.VerifyAfterTransfer) return {};
    const VerifyResult verify = VerifyAndLog(s_, result, kind);
    open_.Mismatched += verify.Mismatched;
    open_.VerifyFailed += verify.Failed - result.FailedWrites;
    if (TransferSucceeded(result, verify)) s_.Panel.ProgressMsg = s_.Message(MsgVerified);
    return verify;
}

// A file the check refused: nothing of it is written.
void ParamFileCommands::RefuseFile(const FileCheck& check, const std::string& path) {
    open_.FileError = true;
    s_.Panel.Memo1Visible = true;
    s_.Panel.Memo1.push_back(CheckProblemText(check, s_.Message));
    s_.Panel.ProgressMsg = s_.Message(check.ErrorLine == 0 ? MsgLineCount : MsgFormatError);
    s_.Time.WaitMs(FormatErrorPauseMs);
    HideProgress();
    s_.Ask.Beep();
    ErrorBox(s_.Ask, CheckFailureText(check, path, s_.Message));
}
