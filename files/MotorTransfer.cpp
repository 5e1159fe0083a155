#include "files/MotorTransfer.h"

#include <cstdio>
#include <ctime>

#include "files/Backup.h"
#include "files/CommandSupport.h"
#include "files/FxLimits.h"
#include "files/ProductionRecord.h"
#include "files/Verify.h"
#include "link/CatalogueTexts.h"

using namespace CatalogueTexts;

namespace {

// Escape presses the third button ("no reset"): the harmless answer.
constexpr CaptionRange ResetQuestionCaptions{MsgResetAndCount, 3, 2};
constexpr int FormatErrorPauseMs = 1000;

// The format carries a repeated zero flag; kept as it is.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
std::string RepeatText(const std::string& again, const std::string& done, int counter) {
    char text[512];
    std::snprintf(text, sizeof text, "%s\n%s %003d", again.c_str(), done.c_str(), counter);
    return text;
}
#pragma GCC diagnostic pop

}  // namespace

void MotorParamCommand::M37MakerClick() {
    if (s_.State.TransferBusy || long_.Running()) return;
    const FlagScope busy(s_.State.TransferBusy);
    const LongOperation::Scope scope(long_);
    outcome_ = MakerOutcome{};
    const std::optional<std::string> path =
        s_.Ask.ChooseFileToOpen(ParamFileQuestion(s_, MsgOpenTransferTitle));
    if (!path) return;
    outcome_.Chosen = true;
    while (!s_.State.CommErrorLatched && MakerPassRun(*path)) {
    }
    outcome_.LinkLost = s_.State.CommErrorLatched;
}

// One amplifier; true when the user asked for the next.
bool MotorParamCommand::MakerPassRun(const std::string& path) {
    std::vector<std::string> lines;
    std::string error;
    if (!ReadTextLines(path, lines, error)) {
        outcome_.FileError = true;
        ErrorBox(s_.Ask, FileProblemText(s_.Message, MsgCannotRead, path, error));
        return false;
    }
    const FileKind& kind = FileKindFor(s_.State);
    const FileCheck check = CheckTransferFile(lines, kind);
    if (!check.Ok) {
        // Nothing of a refused file is written.
        outcome_.FileError = true;
        s_.Time.WaitMs(FormatErrorPauseMs);
        s_.Ask.Beep();
        ErrorBox(s_.Ask, CheckFailureText(check, path, s_.Message));
        return false;
    }
    // The file is checked against the amplifier once a pass, before the
    // first unit: a line runs one file into units of one model.
    if (outcome_.Passes.empty() && !IdentityConfirmed(s_, path)) {
        outcome_.IdentityRefused = true;
        return false;
    }
    const bool fx = kind.AmpFamily == Family::Fx;
    PassRules rules = OpenRules(kind, false);
    if (fx) {
        rules = FxToolRules(s_.State);
        rules.Protect = [access = s_.State.FullAccess](int index) {
            return ProtectionOf(Family::Fx, index, access);
        };
    }
    ShowProgressPanel(s_, MsgWriting);
    s_.Panel.Memo1Visible = true;
    // A line runs against many units: each is backed up only when asked.
    if (s_.State.BackupInProduction) {
        const BackupOutcome backup = BackUpDrive(s_, UserDataFolder(), "", std::time(nullptr));
        if (!backup.Ok) {
            HideProgressPanel(s_);
            ErrorBox(s_.Ask, s_.Message(MsgBackupFailed) + "\n" + backup.Error);
            return false;
        }
    }
    TransferPass transfer(s_);
    const PassResult result = transfer.Run(check, kind, rules);
    VerifyResult verify;
    if (s_.State.VerifyAfterTransfer) verify = VerifyAndLog(s_, result, kind);
    // A unit that failed stays on screen, its message in red, until the
    // questions after it are answered.
    if (!s_.Panel.ProgressFailed) HideProgressPanel(s_);

    MakerPass pass;
    pass.Written = result.EntriesWritten;
    pass.Protected = result.Protected;
    pass.Failed = FailedWords(result, verify);
    const bool failures = ReportPassFailures(transfer, s_, result, verify);
    // A unit that does not hold the file is not counted as done.
    pass.Mismatched = verify.Mismatched;
    pass.Unread = static_cast<int>(verify.Unread.size());
    pass.Clean = !failures && TransferSucceeded(result, verify);
    // A link lost during the read-back leaves nothing to reset or to ask.
    const bool linkDown = result.LinkLost || s_.State.CommErrorLatched;
    if (fx && !linkDown) {
        if (DataLineCountWrong(s_.State, result.Processed)) {
            transfer.ShowLineCountError();
            pass.Clean = false;
        }
        ResetStep(pass, transfer);
    }
    pass.Counter = outcome_.Counter;
    pass.Recorded = Record(path, result, verify, pass);
    outcome_.Passes.push_back(pass);
    if (passDone_) passDone_(pass);
    const bool again = !linkDown && s_.Ask.StandardDialog(
                                        RepeatText(s_.Message(MsgRepeatQuestion),
                                                   s_.Message(MsgAmplifiersDone), outcome_.Counter),
                                        DialogKind::Confirmation, {sbYes, sbNo},
                                        QuestionId::RepeatTransfer) == mrYes;
    HideProgressPanel(s_);
    return again;
}

// Each unit leaves its line in the production record before the next starts.
bool MotorParamCommand::Record(const std::string& path, const PassResult& result,
                               const VerifyResult& verify, const MakerPass& pass) {
    const std::string port =
        portName_ ? portName_() : "Com" + std::to_string(s_.State.SelectCom + 1);
    ProductionUnit unit = MakeProductionUnit(s_.State, s_.Panel, port, path, result, verify,
                                             pass.Reset, pass.Counter);
    // One count for the record and for whoever reports the unit.
    unit.Failed = pass.Failed;
    if (!pass.Clean) unit.Result = "failed";
    std::string error;
    const std::string record = recordPath_.empty() ? ProductionRecordPath() : recordPath_;
    if (AppendProductionUnit(record, unit, error)) return true;
    ErrorBox(s_.Ask, FileProblemText(s_.Message, MsgCannotWrite, record, error));
    return false;
}

// The reset after an FX-group pass. Only a clean pass whose reset was
// acknowledged counts; Escape or closing the question leaves the amplifier
// as it is.
void MotorParamCommand::ResetStep(MakerPass& pass, TransferPass& transfer) {
    bool count = true;
    if (!(autoReset_ && autoReset_())) {
        const int answer =
            s_.Ask.CustomDialog(s_.Message(MsgResetCountQuestion), DialogKind::Confirmation,
                                {0, 1, 2}, 0, ResetQuestionCaptions, QuestionId::ProductionReset);
        if (answer != mrYes && answer != mrNo) return;
        count = answer == mrYes;
    }
    pass.Reset = transfer.ResetAmplifier();
    if (!pass.Reset) {
        ++pass.Failed;
        pass.Clean = false;
    }
    if (count && pass.Clean) ++outcome_.Counter;
}
