#include "files/FileCommands.h"

#include <cstdio>

#include "files/AtomicFile.h"
#include "files/Backup.h"
#include "files/CommandSupport.h"
#include "files/Identity.h"
#include "link/Procedure.h"

namespace {

constexpr int MsgReading = 68;
constexpr int MsgWriting = 69;
constexpr int MsgCommError = 167;
constexpr int MsgLineCount = 191;
constexpr int MsgFormatError = 193;
constexpr int MsgOpenTitle = 196;
constexpr int MsgSaveTitle = 197;
constexpr int MsgVerified = 1007;

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
    const SetLines set = ReadWholeSet(
        s_.Port, s_.State,
        [this, &kind](int index, bool ok, int value, int done) {
            s_.Panel.Memo1Visible = true;
            s_.Panel.Memo1.push_back(ok ? SaveLogLine(index, value) : ReadErrorLine(index));
            SetGauge(done * 100 / kind.Entries());
        },
        LogRetries(s_));
    for (const std::string& line : set.Lines) file.WriteLine(line);
    save_.ReadErrors = set.ReadErrors;
    const int stoppedAt = set.FirstError;
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
    if (!save_.IdentityWritten) FileErrorBox("Cannot write", IdentityPath(path), error);
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
    identityAccepted_ = false;
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
    if (!IdentityAccepted(path) || !PreviewAccepted(check, kind) || safety_.DryRun || !BackedUp()) {
        return false;
    }
    s_.Panel.Memo1Visible = true;
    const PassResult result = pass.Run(check, kind);
    ++open_.Passes;
    open_.FailedWrites += result.FailedWrites;
    open_.LinkLost = result.LinkLost;
    const VerifyResult verify = Verify(result, kind);
    // A failed transfer stays on screen, its message in red, until the
    // questions after it are answered.
    if (!s_.Panel.ProgressFailed) HideProgress();
    const bool stop = ReportPassFailures(pass, s_, result, verify) && result.LinkLost;
    if (!stop && kind.AmpFamily == Family::Fx) {
        if (result.Processed < check.DataLines) pass.ShowLineCountError();
        if (pass.AskReset() == TransferPass::Reset::Failed) ++open_.FailedWrites;
    }
    const bool again = !stop && pass.AskRepeat();
    HideProgress();
    return again;
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
    s_.Panel.Memo1.push_back(check.Error);
    s_.Panel.ProgressMsg = s_.Message(check.ErrorLine == 0 ? MsgLineCount : MsgFormatError);
    s_.Time.WaitMs(FormatErrorPauseMs);
    HideProgress();
    s_.Ask.Beep();
    ErrorBox(s_.Ask, CheckFailureText(check, path, s_.Message));
}
