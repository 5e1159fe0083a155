// servoctl's save and open: the main window's Save and Open with the
// questions answered by the command's options and the log on standard output.
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <ostream>
#include <sstream>

#include "ctl/ServoCtl.h"
#include "files/Compare.h"
#include "files/FileCommands.h"
#include "files/MotorTransfer.h"
#include "files/TableCommand.h"

namespace {

constexpr int EnglishCatalogue = 1;

}  // namespace

// The answers a script gives: the file named on the command line, Yes to a
// reset only with --reset, a second pass only while NextPass says so, Yes to
// a partial file (with a note) unless --no-partial; error boxes become lines
// on the error stream.
class CtlQuestions : public Questions {
public:
    // Asked at each repeat question of transfer-line.
    std::function<bool()> NextPass;

    CtlQuestions(const CtlCommand& command, std::ostream& err) : command_(command), err_(err) {}

    int StandardDialog(const std::string& text, DialogKind, const std::vector<int>&,
                       QuestionId id) override {
        switch (id) {
            case QuestionId::ResetAfterOpen:
                return command_.Reset ? mrYes : mrNo;
            case QuestionId::RepeatTransfer:
                return NextPass && NextPass() ? mrYes : mrNo;
            case QuestionId::CompareProtected:
                return command_.IncludeProtected ? mrAll : mrNoToAll;
            case QuestionId::IdentityMismatch:
                Tell(command_.Force ? "note: " + text + "\n--force: transferring anyway" : text);
                return command_.Force ? mrYes : mrNo;
            case QuestionId::PartialFile:
                return AnswerPartial(text);
            default:
                Tell(text);
                return mrNo;
        }
    }
    int CustomDialog(const std::string& text, DialogKind, const std::vector<int>&, int,
                     CaptionRange, QuestionId id) override {
        // The production reset: the first button resets and counts, the
        // third leaves the amplifier running.
        if (id == QuestionId::ProductionReset) return command_.ResetMode == "no" ? mrOk : mrYes;
        Tell(text);
        return mrOk;
    }
    // A partial file was refused by --no-partial.
    bool PartialRefused() const { return partialRefused_; }
    std::optional<std::string> ChooseFileToOpen(const FileQuestion&) override {
        return command_.File;
    }
    std::optional<std::string> ChooseFileToSave(const FileQuestion&) override {
        return command_.File;
    }
    bool Print(const PrintJob&) override { return false; }

private:
    int AnswerPartial(const std::string& text) {
        partialRefused_ = command_.NoPartial;
        Tell((partialRefused_ ? "" : "note: ") + text +
             (partialRefused_ ? "\n--no-partial: not transferred" : ""));
        return partialRefused_ ? mrNo : mrYes;
    }
    // Each line of a box's text on a line of its own.
    void Tell(const std::string& text) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) err_ << line << "\n";
    }

    const CtlCommand& command_;
    std::ostream& err_;
    bool partialRefused_ = false;
};

namespace {

// Passes the transfer log to standard output as it grows.
class LogEcho {
public:
    LogEcho(const MainPanel& panel, std::ostream& out) : panel_(panel), out_(out) {}
    void Flush() {
        if (panel_.Memo1.size() < shown_) shown_ = 0;  // cleared for a new pass
        for (; shown_ < panel_.Memo1.size(); ++shown_) out_ << panel_.Memo1[shown_] << "\n";
    }

private:
    const MainPanel& panel_;
    std::ostream& out_;
    std::size_t shown_ = 0;
};

int SaveStatus(const SaveOutcome& outcome) {
    if (outcome.FileError) return CtlFileError;
    if (outcome.LinkLost) return CtlLinkLost;
    return outcome.ReadErrors > 0 ? CtlExchangeFailed : CtlOk;
}

int OpenStatus(const OpenOutcome& outcome, bool dryRun, bool linkLost, bool partialRefused) {
    // A backup cut short by the link is a lost link, not a file problem.
    if (outcome.BackupFailed && linkLost) return CtlLinkLost;
    if (outcome.FileError || outcome.IdentityRefused || outcome.BackupFailed || partialRefused) {
        return CtlFileError;
    }
    if (outcome.LinkLost) return CtlLinkLost;
    if (dryRun) return outcome.WouldChange > 0 ? CtlExchangeFailed : CtlOk;
    const bool failed = outcome.FailedWrites > 0 || outcome.Mismatched > 0 ||
                        outcome.VerifyFailed > 0 || outcome.Declined;
    return failed ? CtlExchangeFailed : CtlOk;
}

}  // namespace

// As the main window does at start-up: the family chosen by the option, the
// version, CPU code and QRV flag from the amplifier.
bool ServoCtl::Identify() {
    return IdentifyAmplifier(d_) && !d_.State.CommErrorLatched;
}

int ServoCtl::RunFileCommand(const CtlCommand& command, const std::string& name) {
    const bool save = name == "save";
    if (!Identify()) {
        err_ << name << ": " << Failure() << "\n";
        return FailedExchangeStatus(d_.Link.ReplyBuffer());
    }
    MessageCatalogue catalogue;
    catalogue.Load(d_.State.StartFolder, EnglishCatalogue);
    CtlQuestions questions(command, err_);
    LogEcho echo(d_.Panel, out_);
    stopped_ = false;
    auto progress = [&](int percent) {
        // The exchange before this step is whole; none follows once stopped.
        if (!save && name != "open" && StopRequested()) d_.State.CommErrorLatched = true;
        if (name == "open") echo.Flush();
        if (showProgress_) err_ << "\r" << name << " " << percent << "%" << std::flush;
    };
    TransferSeams seams{d_.Link, d_.State, d_.Panel, d_.Time, questions,
                        [&catalogue](int n) { return catalogue.Msg(n); },
                        [this] { d_.Ident.Read_current_mode(); }, progress,
                        // Ctrl-C: save and open stop between two entries.
                        [this] { return StopRequested(); }};
    // A script cannot look at a table: the preview is the dry run's business.
    d_.State.PreviewBeforeTransfer = false;
    d_.State.VerifyAfterTransfer = true;
    if (name != "save" && name != "open") {
        const int status = RunFxTool(command, name, seams, questions);
        if (showProgress_) err_ << "\n";
        return status;
    }
    LongOperation longOperation;
    ParamFileCommands commands(seams, longOperation);
    TransferSafety safety;
    safety.ProgramVersion = CtlProgramVersion;
    safety.DryRun = command.DryRun;
    commands.SetSafety(safety);
    if (save) {
        commands.M32SaveClick();
    } else {
        commands.M31OpenClick();
        if (commands.LastOpen().Passes > 0 || command.DryRun) echo.Flush();
        if (commands.Interrupted()) {
            err_ << commands.InterruptedText() << "\n" << commands.InterruptedRemedy() << "\n";
        }
    }
    if (showProgress_) err_ << "\n";
    if (stopped_) return CtlInterrupted;
    if (save) return SaveStatus(commands.LastSave());
    return OpenStatus(commands.LastOpen(), command.DryRun, d_.State.CommErrorLatched,
                      questions.PartialRefused());
}

bool ServoCtl::StopRequested() {
    if (line_.Stop && line_.Stop()) stopped_ = true;
    return stopped_;
}

// Between two units of transfer-line: at once for a script; an operator at a
// terminal connects the next amplifier first.
bool ServoCtl::NextUnit() {
    if (StopRequested()) return false;
    if (line_.NextUnit) return line_.NextUnit();
    if (::isatty(STDIN_FILENO) != 1) return true;
    err_ << "Connect the next amplifier and press Return." << std::endl;
    std::string line;
    return static_cast<bool>(std::getline(std::cin, line));
}

namespace {

int CompareStatus(const Comparison& comparison, bool linkLost) {
    if (linkLost) return CtlLinkLost;
    if (comparison.FileError || !comparison.Check.Ok) return CtlFileError;
    if (comparison.Aborted) return CtlLinkLost;  // a read that failed
    return comparison.AnyDifference() ? CtlExchangeFailed : CtlOk;
}

std::string WithoutTrailingBlank(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string PassLine(const MakerPass& pass) {
    char text[128];
    std::snprintf(text, sizeof text, "%03d written %d protected %d failed %d %s", pass.Counter,
                  pass.Written, pass.Protected, pass.Failed, pass.Reset ? "reset" : "not reset");
    return text;
}

}  // namespace

// compare, transfer-line and table: the window's commands with the answers
// of the command line.
int ServoCtl::RunFxTool(const CtlCommand& command, const std::string& name, TransferSeams& seams,
                        CtlQuestions& questions) {
    DriveState& state = d_.State;
    LongOperation longOperation;
    if (name != "transfer-line" && state.AmpFamily != Family::Fx) {
        err_ << name << ": the FX group only\n";
        return CtlUsageError;
    }
    if (name == "compare") {
        CompareCommand compare(seams, longOperation);
        const Comparison comparison = compare.Compare(command.File, command.IncludeProtected);
        for (const CompareRow& row : comparison.Rows) {
            out_ << WithoutTrailingBlank(row.Label) << "\t" << row.FileText << "\t" << row.AmpText
                 << "\n";
        }
        for (const std::string& note : comparison.Notes) err_ << note << "\n";
        return CompareStatus(comparison, state.CommErrorLatched);
    }
    if (name == "table") {
        ParamTableCommand table(seams, longOperation);
        if (!table.FillFromAmplifier()) return CtlLinkLost;
        return table.SaveTo(command.File) ? CtlOk : CtlFileError;
    }
    // transfer-line
    int passes = 0;
    questions.NextPass = [&] { return ++passes < command.Count && NextUnit(); };
    MotorParamCommand maker(seams, longOperation,
                            [&command] { return command.ResetMode == "auto"; });
    int failed = 0;
    maker.SetPassDone([&](const MakerPass& pass) {
        out_ << PassLine(pass) << "\n";
        // A unit that did not keep what was written is a failed unit.
        failed += pass.Failed + pass.Mismatched;
    });
    maker.SetPortName([this] { return d_.Port.GetDeviceName(); });
    maker.M37MakerClick();
    const MakerOutcome& outcome = maker.Last();
    if (stopped_) return CtlInterrupted;
    if (outcome.FileError || outcome.IdentityRefused) return CtlFileError;
    if (outcome.LinkLost) return CtlLinkLost;
    return failed > 0 ? CtlExchangeFailed : CtlOk;
}
