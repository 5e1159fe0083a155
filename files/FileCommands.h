#pragma once
// "Save as (Copy to PC)" and "Open (Transfer to amp)": the whole parameter set
// between the amplifier and a parameter file. The main window's menu handlers
// and servoctl's save and open run these same objects; only the questions
// differ (dialogs there, options here).
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "files/Preview.h"
#include "files/Transfer.h"
#include "files/Verify.h"
#include "link/LongOperation.h"

// What the last Save did, for callers that report it (servoctl's status).
struct SaveOutcome {
    bool Chosen = false;           // a file was chosen
    bool Written = false;          // the file is in place
    bool FileError = false;        // it could not be created or replaced
    bool LinkLost = false;         // the link failed; the old file stayed
    bool Cancelled = false;        // the user cancelled; the old file stayed
    int ReadErrors = 0;            // read-error lines in the file
    bool IdentityWritten = false;  // NAME.ext.json beside the file
};

// What the last Open did.
struct OpenOutcome {
    bool Chosen = false;
    bool FileError = false;  // unreadable, or refused by the whole-file check
    bool Declined = false;   // a partial file was not confirmed
    bool LinkLost = false;
    bool IdentityRefused = false;  // the identity check's question was answered No
    bool PreviewDeclined = false;  // the preview was not confirmed
    bool BackupFailed = false;     // nothing written: the backup could not be made
    int Passes = 0;
    int FailedWrites = 0;  // over all passes, the reset included
    int Mismatched = 0;    // words read back different, over all passes
    int VerifyFailed = 0;  // words not read back
    int WouldChange = 0;   // dry run: entries that would change
    std::string BackupPath;
};

// An FX-group Open cut off by a lost link after it switched the automatic
// checksum off: until the set is finished or restored, the amplifier holds a
// partly written set with "C0" = 0.
struct InterruptedTransfer {
    std::string FilePath;
    std::string BackupPath;  // the set from before the transfer; empty when none was taken
    int AmpFamily = 0;       // the drive it happened to
    std::string Model;
    int CpuDate = 0;
};

// What the safety steps of Save and Open need beyond the drive: the checks
// that ask the user come from the drive state (VerifyAfterTransfer,
// PreviewBeforeTransfer); these come from the program or the command line.
struct TransferSafety {
    std::string ProgramVersion;
    std::string DataFolder;  // backups; empty: UserDataFolder()
    bool Backup = true;      // Open backs up the amplifier before its first write
    bool DryRun = false;     // Open previews and writes nothing
    std::function<std::time_t()> Now = [] { return std::time(nullptr); };
};

class ParamFileCommands {
public:
    ParamFileCommands(TransferSeams seams, LongOperation& longOperation)
        : s_(seams), long_(longOperation) {}

    void M32SaveClick();
    void M31OpenClick();
    void SetSafety(TransferSafety safety) { safety_ = std::move(safety); }
    // Told when the link is back after an outage: after an interrupted
    // transfer, says what the amplifier holds and offers to finish the
    // transfer or to restore the backup taken before it.
    void LinkReturned();
    const std::optional<InterruptedTransfer>& Interrupted() const { return interrupted_; }
    // What the amplifier holds after the interrupted transfer, and the
    // command-line way out of it.
    std::string InterruptedText() const;
    std::string InterruptedRemedy() const;

    const SaveOutcome& LastSave() const { return save_; }
    const OpenOutcome& LastOpen() const { return open_; }
    // The path chosen in the last accepted file question.
    const std::string& SelectedPath() const { return selectedPath_; }

private:
    FileQuestion Question(int titleMessage) const;
    bool LinkDown();
    void ShowProgress(int message);
    void HideProgress();
    void SetGauge(int percent);
    void FileErrorBox(int what, const std::string& path, const std::string& reason);
    void WriteIdentity(const std::string& path);
    bool OpenPass(const std::string& path, TransferPass& pass, bool& partialAccepted);
    bool ReadFileToWrite(const std::string& path, std::vector<std::string>& lines);
    bool WriteChecked(const std::string& path, const FileCheck& check, const FileKind& kind,
                      TransferPass& pass, PassResult& result, const std::string& backupPath);
    void NoteInterruption(const std::string& path, const std::string& backupPath,
                          const PassResult& result);
    bool SameDrive(const InterruptedTransfer& interrupted) const;
    void WriteAgain(const std::string& path, const std::string& backupPath);
    bool IdentityAccepted(const std::string& path);
    bool PreviewAccepted(const FileCheck& check, const FileKind& kind);
    bool BackedUp();
    VerifyResult Verify(const PassResult& result, const FileKind& kind);
    void RefuseFile(const FileCheck& check, const std::string& path);

    TransferSeams s_;
    LongOperation& long_;
    SaveOutcome save_;
    OpenOutcome open_;
    std::string selectedPath_;
    TransferSafety safety_;
    bool identityAccepted_ = false;
    std::optional<InterruptedTransfer> interrupted_;
};
