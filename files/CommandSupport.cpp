#include "files/CommandSupport.h"

#include "files/FxLimits.h"
#include "files/Identity.h"
#include "link/CatalogueTexts.h"

using namespace CatalogueTexts;

namespace {

constexpr int FxToolLinePauseMs = 20;
constexpr int FxToolClosingPauseMs = 100;

}  // namespace

void ShowProgressPanel(TransferSeams& s, int message) {
    s.Panel.Memo1.clear();
    s.Panel.ProgressMsg = s.Message(message);
    s.Panel.ProgressFailed = false;
    s.Panel.RWGaugeProgress = 0;
    s.Panel.ProgressPanel = true;
    s.Panel.LetEventsRun();
}

void HideProgressPanel(TransferSeams& s) {
    s.Panel.ProgressPanel = false;
    s.Panel.Memo1Visible = false;
}

FileQuestion ParamFileQuestion(const TransferSeams& s, int titleMessage) {
    const DriveState& state = s.State;
    const std::string name =
        state.TempFileName.empty() ? FileKindFor(state).OfferedName : state.TempFileName;
    return FileQuestion{s.Message(titleMessage), state.WorkFolder, FileFilterFor(state.AmpFamily),
                        name};
}

PassRules FxToolRules(const DriveState& state) {
    const FxLimit limit = FxLimitFor(state);
    PassRules rules;
    rules.Limit = limit.LastIndex;
    rules.Divisor = limit.Divisor;
    rules.StopIndex = limit.LastIndex;
    rules.FxLinePauseMs = FxToolLinePauseMs;
    rules.FxClosingPauseMs = FxToolClosingPauseMs;
    return rules;
}

bool IdentityConfirmed(TransferSeams& s, const std::string& path, bool logOnly) {
    const IdentityCheck check = CheckIdentity(path, IdentityOf(s.State, s.Panel), s.Message);
    if (check.Matches()) return true;
    if (logOnly) {
        for (const std::string& difference : check.Differences) s.Panel.Memo1.push_back(difference);
        return true;
    }
    std::string text = s.Message(MsgIdentityQuestion);
    for (const std::string& difference : check.Differences) text += "\n" + difference;
    return s.Ask.CautiousYesNo(text, DialogKind::Warning, QuestionId::IdentityMismatch) == mrYes;
}
