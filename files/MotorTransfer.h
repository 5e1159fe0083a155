#pragma once
// "Modify Motor Parameter": the production-line form of Open. One file goes
// into amplifier after amplifier; each FX-group amplifier is reset after its
// transfer and counted when its pass was clean.
#include <functional>
#include <string>
#include <vector>

#include "files/Transfer.h"
#include "files/Verify.h"
#include "link/LongOperation.h"

// One amplifier of the line.
struct MakerPass {
    int Counter = 0;    // the amplifier counter after this pass
    int Written = 0;    // entries
    int Protected = 0;  // entries
    int Failed = 0;     // the record's failed count: writes not acknowledged, words not
                        // read back, and a failed reset
    bool Reset = false;
    bool Clean = false;     // no failed write, no lost link, no line-count error, no mismatch
    int Mismatched = 0;     // words read back different (when verified)
    int Unread = 0;         // written words whose read-back got no answer
    bool Recorded = false;  // its line is in the production record
};

struct MakerOutcome {
    bool Chosen = false;
    bool FileError = false;        // unreadable or refused by the whole-file check
    bool IdentityRefused = false;  // nothing written: the identity check was answered No
    bool LinkLost = false;
    int Counter = 0;
    std::vector<MakerPass> Passes;
};

class MotorParamCommand {
public:
    // autoReset tells whether the AutoReset menu item carries its check mark.
    MotorParamCommand(TransferSeams seams, LongOperation& longOperation,
                      std::function<bool()> autoReset)
        : s_(seams), long_(longOperation), autoReset_(std::move(autoReset)) {}

    // Told after each pass, before the repeat question (servoctl prints it).
    void SetPassDone(std::function<void(const MakerPass&)> told) { passDone_ = std::move(told); }
    // Where each unit is recorded; ProductionRecordPath() until set.
    void SetRecordPath(std::string path) { recordPath_ = std::move(path); }
    // The name of the port in use, for the record; "ComN" of SelectCom until set.
    void SetPortName(std::function<std::string()> name) { portName_ = std::move(name); }
    void M37MakerClick();

    const MakerOutcome& Last() const { return outcome_; }

private:
    bool MakerPassRun(const std::string& path);
    void ResetStep(MakerPass& pass, TransferPass& transfer);
    bool Record(const std::string& path, const PassResult& result, const VerifyResult& verify,
                const MakerPass& pass);

    TransferSeams s_;
    LongOperation& long_;
    std::function<bool()> autoReset_;
    std::function<void(const MakerPass&)> passDone_;
    MakerOutcome outcome_;
    std::string recordPath_;
    std::function<std::string()> portName_;
};
