#include "files/Compare.h"

#include <cstdio>
#include <ctime>

#include "files/Backup.h"
#include "files/CommandSupport.h"
#include "files/FxLimits.h"
#include "link/CatalogueTexts.h"
#include "link/Procedure.h"

using namespace CatalogueTexts;

namespace {

constexpr int FirstKept = 0x30, LastKept = 0x33;  // never compared or written
constexpr int FirstSystem = 0x39;                 // from here on only with the include flag
constexpr int LastSetIndex = 93;
constexpr int FirstTableIndex = 12;
constexpr int ComparePauseMs = 10;

// The formats carry a repeated zero flag; kept as they are.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
std::string HexDecimal(int value) {
    char text[40];
    std::snprintf(text, sizeof text, "H%0004X , %6d", static_cast<unsigned>(value), value);
    return text;
}
#pragma GCC diagnostic pop

Protection CompareProtection(int index, bool includeSystem) {
    if (index >= FirstKept && index <= LastKept) return Protection::DontWrite;
    if (index >= FirstSystem && !includeSystem) return Protection::System;
    return Protection::None;
}

}  // namespace

std::string CompareLabel(int index, int limit) {
    char text[24];
    if (index <= LastSetIndex) {
        std::snprintf(text, sizeof text, "SET Pn%02d ", index - FirstTableIndex);
    } else {
        std::snprintf(text, sizeof text, "BAK Pn%02d ", limit - index);
    }
    return text;
}

std::string DifferenceText(int value) {
    return HexDecimal(value);
}

bool Comparison::AnyDifference() const {
    for (const CompareRow& row : Rows) {
        if (row.Differs) return true;
    }
    return false;
}

CompareRow CompareCommand::CompareEntry(const FileItem& item, bool includeSystem, int limit,
                                        bool& readFailed) {
    CompareRow row{CompareLabel(item.Index, limit), ProtectedText, ProtectedText, false};
    if (CompareProtection(item.Index, includeSystem) != Protection::None) return row;
    int value = 0;
    if (!ReadParamWord(s_.Port, Family::Fx, item.Address, value, LogRetries(s_))) {
        readFailed = true;
        return row;
    }
    if (value == item.Value) {
        row.AmpText = row.FileText = EqualText;
    } else {
        row.AmpText = DifferenceText(value);
        row.FileText = DifferenceText(item.Value);
        row.Differs = true;
    }
    return row;
}

Comparison CompareCommand::Compare(const std::string& path, bool includeSystem) {
    Comparison result;
    std::vector<std::string> lines;
    std::string error;
    if (!ReadTextLines(path, lines, error)) {
        result.Aborted = result.FileError = true;
        result.Notes.push_back(FileProblemText(s_.Message, MsgCannotRead, path, error));
        return result;
    }
    result.Check = CheckTransferFile(lines, FileKindFor(s_.State));
    const FxLimit limit = FxLimitFor(s_.State);
    ShowProgressPanel(s_, MsgReading);
    int count = 0, lastIndex = 0;
    bool cancelled = false;
    for (const FileItem& item : result.Check.Items) {
        if (count >= limit.LastIndex || lastIndex >= limit.LastIndex) break;
        // A lost link and the user's Cancel both end the comparison here.
        cancelled = s_.Cancelled && s_.Cancelled();
        if (s_.State.CommErrorLatched || cancelled) {
            result.Aborted = true;
            break;
        }
        s_.Time.WaitMs(ComparePauseMs);
        if (!item.Data) continue;
        lastIndex = item.Index;
        bool readFailed = false;
        CompareRow row = CompareEntry(item, includeSystem, limit.LastIndex, readFailed);
        if (readFailed) {
            result.Aborted = true;
            break;
        }
        result.Rows.push_back(std::move(row));
        s_.Panel.RWGaugeProgress = ++count * 100 / limit.Divisor;
        if (s_.Progress) s_.Progress(s_.Panel.RWGaugeProgress);
    }
    // A file the whole-file check refused is shown up to its fault but can
    // never be transferred.
    if (!result.Check.Ok) {
        result.Aborted = true;
        s_.Panel.ProgressMsg = s_.Message(MsgFormatError);
        result.Notes.push_back(CheckFailureText(result.Check, path, s_.Message));
    }
    if (s_.State.CommErrorLatched) result.Notes.push_back(s_.Message(MsgCommError));
    HideProgressPanel(s_);
    s_.Panel.LetEventsRun();
    // The user's own Cancel is told as such, not as a fault.
    if (result.Aborted)
        result.Notes.insert(result.Notes.begin(),
                            s_.Message(cancelled ? MsgCompareCancelled : MsgCompareStopped));
    return result;
}

void CompareCommand::M38CompareClick() {
    if (s_.State.AmpFamily != Family::Fx || long_.Running()) return;
    const LongOperation::Scope scope(long_);
    outcome_ = CompareOutcome{};
    identityConfirmed_ = false;
    if (s_.State.CommErrorLatched) {
        ErrorBox(s_.Ask, s_.Message(MsgCommError));
        return;
    }
    const std::optional<std::string> path =
        s_.Ask.ChooseFileToOpen(ParamFileQuestion(s_, MsgOpenTransferTitle));
    if (!path) return;
    while (!s_.State.CommErrorLatched && ComparePass(*path)) {
    }
}

// One pass: the question, the comparison, and on confirmation the transfer
// with the questions after it. True when the user asked for another pass.
bool CompareCommand::ComparePass(const std::string& path) {
    const bool includeSystem =
        s_.Ask.StandardDialog(s_.Message(MsgIncludeQuestion), DialogKind::Confirmation,
                              {sbAll, sbNoToAll}, QuestionId::CompareProtected) == mrAll;
    const Comparison comparison = Compare(path, includeSystem);
    outcome_.Compared = true;
    if (comparison.FileError) {
        ErrorBox(s_.Ask, comparison.Notes.back());
        return false;
    }
    s_.Ask.Beep();
    const bool confirmed = show_ && show_(comparison);
    if (comparison.Aborted || !confirmed) return false;
    // A file of another drive, or one edited since it was saved, is written
    // only on the user's word, asked once a command.
    if (!identityConfirmed_ && !IdentityConfirmed(s_, path)) {
        outcome_.IdentityRefused = true;
        return false;
    }
    identityConfirmed_ = true;

    // The transfer starts from the first line with fresh counts, whatever
    // the comparison went through.
    TransferPass pass(s_);
    ShowProgressPanel(s_, MsgWriting);
    s_.Panel.Memo1Visible = true;
    // The drive's set is kept before the first write, as for Open.
    const BackupOutcome backup = BackUpDrive(s_, UserDataFolder(), "", std::time(nullptr));
    if (!backup.Ok) {
        outcome_.BackupFailed = true;
        HideProgressPanel(s_);
        ErrorBox(s_.Ask, s_.Message(MsgBackupFailed) + "\n" + backup.Error);
        return false;
    }
    PassRules rules = FxToolRules(s_.State);
    rules.Protect = [includeSystem](int index) { return CompareProtection(index, includeSystem); };
    const PassResult result = pass.Run(comparison.Check, FileKindFor(s_.State), rules);
    outcome_.Transferred = true;
    outcome_.Transfer = result;
    if (s_.State.VerifyAfterTransfer) {
        outcome_.Verify = VerifyAndLog(s_, result, FileKindFor(s_.State));
    }
    // A failed transfer stays on screen, its message in red, until the
    // questions after it are answered.
    if (!s_.Panel.ProgressFailed) HideProgressPanel(s_);
    const bool again = AfterTransfer(pass, result);
    HideProgressPanel(s_);
    return again;
}

bool CompareCommand::AfterTransfer(TransferPass& pass, const PassResult& result) {
    if (ReportPassFailures(pass, s_, result, outcome_.Verify) && result.LinkLost) return false;
    if (DataLineCountWrong(s_.State, result.Processed)) pass.ShowLineCountError();
    if (pass.AskReset() == TransferPass::Reset::Failed) ++outcome_.Transfer.FailedWrites;
    return pass.AskRepeat();
}
