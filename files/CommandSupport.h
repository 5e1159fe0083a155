#pragma once
// What the whole-set commands (save, open, table, compare, production pass)
// share: the busy guard, the progress panel and the file question.
#include <string>

#include "files/Transfer.h"

// Sets a flag for the length of a command, cleared on every way out.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

// The progress panel of a long command.
void ShowProgressPanel(TransferSeams& s, int message);
void HideProgressPanel(TransferSeams& s);

// A parameter-file question with the given title, in the work folder, with
// the family's filter and the remembered name.
FileQuestion ParamFileQuestion(const TransferSeams& s, int titleMessage);

// The FX-group rules of the compare transfer and the production pass: the
// variant's limit, 20 ms after every line, 100 ms before the checksum step.
PassRules FxToolRules(const DriveState& state);

// The identity check before a transfer writes path: true when path has no
// identity file or it matches the connected amplifier, or when the user says
// to go on despite the differences. With logOnly the differences go to the
// log instead of a question (a dry run, which writes nothing).
bool IdentityConfirmed(TransferSeams& s, const std::string& path, bool logOnly = false);
