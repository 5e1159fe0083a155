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
constexpr int MsgRepeatQuestion = 47;
constexpr int MsgMakerResetQuestion = 96;
constexpr int MsgIncludeQuestion = 144;
constexpr int MsgResetQuestion = 140;
constexpr int MsgLineCount = 191;
constexpr int MsgIdentityQuestion = 1019;

bool StartsWith(const std::string& text, const std::string& start) {
    return !start.empty() && text.rfind(start, 0) == 0;
}

}  // namespace

// The answers a script gives: the file named on the command line, Yes to a
// reset only with --reset, a second pass only while NextPass says so, Yes to
// a partial file (with a note); error boxes become lines on the error stream.
class CtlQuestions : public Questions {
public:
    // Asked at each repeat question of transfer-line.
    std::function<bool()> NextPass;

    CtlQuestions(const CtlCommand& command, const MessageCatalogue& catalogue, std::ostream& err)
        : command_(command), catalogue_(catalogue), err_(err) {}

    int StandardDialog(const std::string& text, DialogKind, const std::vector<int>&) override {
        if (StartsWith(text, catalogue_.Msg(MsgResetQuestion))) {
            return command_.Reset ? mrYes : mrNo;
        }
        if (StartsWith(text, catalogue_.Msg(MsgRepeatQuestion))) {
            return NextPass && NextPass() ? mrYes : mrNo;
        }
        if (StartsWith(text, catalogue_.Msg(MsgIncludeQuestion))) {
            return command_.IncludeProtected ? mrAll : mrNoToAll;
        }
        if (StartsWith(text, catalogue_.Msg(MsgIdentityQuestion))) {
            Tell(command_.Force ? "note: " + text + "\n--force: transferring anyway" : text);
            return command_.Force ? mrYes : mrNo;
        }
        if (StartsWith(text, catalogue_.Msg(MsgLineCount))) {
            Tell("note: " + text);
            return mrYes;
        }
        Tell(text);
        return mrNo;
    }
    int CustomDialog(const std::string& text, DialogKind, const std::vector<int>&, int,
                     CaptionRange) override {
        // The production reset: the first button resets and counts, the
        // third leaves the amplifier running.
        if (text == catalogue_.Msg(MsgMakerResetQuestion)) {
            return command_.ResetMode == "no" ? mrOk : mrYes;
        }
        Tell(text);
        return mrOk;
    }
    std::optional<std::string> ChooseFileToOpen(const FileQuestion&) override {
        return command_.File;
    }
    std::optional<std::string> ChooseFileToSave(const FileQuestion&) override {
        return command_.File;
    }
    bool Print(const PrintJob&) override { return false; }

private:
    // Each line of a box's text on a line of its own.
    void Tell(const std::string& text) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) err_ << line << "\n";
    }

    const CtlCommand& command_;
    const MessageCatalogue& catalogue_;
    std::ostream& err_;
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

int OpenStatus(const OpenOutcome& outcome, bool dryRun) {
    if (outcome.FileError || outcome.IdentityRefused || outcome.BackupFailed) return CtlFileError;
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
        return CtlLinkLost;
    }
    MessageCatalogue catalogue;
    catalogue.Load(d_.State.StartFolder, EnglishCatalogue);
    CtlQuestions questions(command, catalogue, err_);
    LogEcho echo(d_.Panel, out_);
    auto progress = [&](int percent) {
        if (name == "open") echo.Flush();
        if (showProgress_) err_ << "\r" << name << " " << percent << "%" << std::flush;
    };
    TransferSeams seams{d_.Link,
                        d_.State,
                        d_.Panel,
                        d_.Time,
                        questions,
                        [&catalogue](int n) { return catalogue.Msg(n); },
                        [this] { d_.Ident.Read_current_mode(); },
                        progress};
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
    return save ? SaveStatus(commands.LastSave()) : OpenStatus(commands.LastOpen(), command.DryRun);
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
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    int passes = 0;
    questions.NextPass = [&] {
        if (++passes >= command.Count) return false;
        if (!terminal) return true;
        err_ << "Connect the next amplifier and press Return." << std::endl;
        std::string line;
        return static_cast<bool>(std::getline(std::cin, line));
    };
    MotorParamCommand maker(seams, longOperation,
                            [&command] { return command.ResetMode == "auto"; });
    int failed = 0;
    maker.SetPassDone([&](const MakerPass& pass) {
        out_ << PassLine(pass) << "\n";
        // A unit that did not keep what was written is a failed unit.
        failed += pass.Failed + pass.Mismatched + pass.Unread;
    });
    maker.M37MakerClick();
    const MakerOutcome& outcome = maker.Last();
    if (outcome.FileError || outcome.IdentityRefused) return CtlFileError;
    if (outcome.LinkLost) return CtlLinkLost;
    return failed > 0 ? CtlExchangeFailed : CtlOk;
}
