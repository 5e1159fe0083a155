#pragma once
// "Save as (Copy to PC)" and "Open (Transfer to amp)": the whole parameter set
// between the amplifier and a parameter file. The main window's menu handlers
// and servoctl's save and open run these same objects; only the questions
// differ (dialogs there, options here).
#include <string>

#include "files/Transfer.h"
#include "link/LongOperation.h"

// What the last Save did, for callers that report it (servoctl's status).
struct SaveOutcome {
    bool Chosen = false;     // a file was chosen
    bool Written = false;    // the file is in place
    bool FileError = false;  // it could not be created or replaced
    bool LinkLost = false;   // the link failed; the old file stayed
    int ReadErrors = 0;      // read-error lines in the file
};

// What the last Open did.
struct OpenOutcome {
    bool Chosen = false;
    bool FileError = false;  // unreadable, or refused by the whole-file check
    bool Declined = false;   // a partial file was not confirmed
    bool LinkLost = false;
    int Passes = 0;
    int FailedWrites = 0;  // over all passes, the reset included
};

class ParamFileCommands {
public:
    ParamFileCommands(TransferSeams seams, LongOperation& longOperation)
        : s_(seams), long_(longOperation) {}

    void M32SaveClick();
    void M31OpenClick();

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
    void FileErrorBox(const char* what, const std::string& path, const std::string& reason);
    bool ReadEntry(const FileKind& kind, int index, int& value);
    void SaveEntries(const FileKind& kind, class AtomicFile& file, int& stoppedAt);
    bool OpenPass(const std::string& path, TransferPass& pass, bool& partialAccepted);
    void RefuseFile(const FileCheck& check, const std::string& path);

    TransferSeams s_;
    LongOperation& long_;
    SaveOutcome save_;
    OpenOutcome open_;
    std::string selectedPath_;
};
