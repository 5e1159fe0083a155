// servoctl's save and open: the main window's Save and Open with the
// questions answered by the command's options and the log on standard output.
#include <ostream>
#include <sstream>

#include "ctl/ServoCtl.h"
#include "files/FileCommands.h"

namespace {

constexpr int EnglishCatalogue = 1;
constexpr int MsgRepeatQuestion = 47;
constexpr int MsgResetQuestion = 140;
constexpr int MsgLineCount = 191;
constexpr int MsgIdentityQuestion = 1119;

bool StartsWith(const std::string& text, const std::string& start) {
    return !start.empty() && text.rfind(start, 0) == 0;
}

// The answers a script gives: the file named on the command line, Yes to a
// reset only with --reset, never a second pass, Yes to a partial file (with
// a note); error boxes become lines on the error stream.
class CtlQuestions : public Questions {
public:
    CtlQuestions(const CtlCommand& command, const MessageCatalogue& catalogue, std::ostream& err)
        : command_(command), catalogue_(catalogue), err_(err) {}

    int StandardDialog(const std::string& text, DialogKind, const std::vector<int>&) override {
        if (StartsWith(text, catalogue_.Msg(MsgResetQuestion))) {
            return command_.Reset ? mrYes : mrNo;
        }
        if (StartsWith(text, catalogue_.Msg(MsgRepeatQuestion))) return mrNo;
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
    DriveState& state = link_.State();
    MainPanel& panel = link_.Panel();
    panel = MainPanel{};
    LoadAddressMap(map_, state.AmpFamily, state.FxVersion, state.QrvFlag);
    identification_.Read_current_mode();
    return !state.CommErrorLatched && !panel.MainMsg5.empty() && panel.MainMsg5 != UnknownModelText;
}

int ServoCtl::RunFileCommand(const CtlCommand& command, const std::string& name) {
    const bool save = name == "save";
    if (!Identify()) {
        err_ << name << ": " << Failure() << "\n";
        return CtlLinkLost;
    }
    MessageCatalogue catalogue;
    catalogue.Load(link_.State().StartFolder, EnglishCatalogue);
    CtlQuestions questions(command, catalogue, err_);
    LogEcho echo(link_.Panel(), out_);
    auto progress = [&](int percent) {
        if (!save) echo.Flush();
        if (showProgress_) err_ << "\r" << name << " " << percent << "%" << std::flush;
    };
    TransferSeams seams{link_,
                        link_.State(),
                        link_.Panel(),
                        link_.GetClock(),
                        questions,
                        [&catalogue](int n) { return catalogue.Msg(n); },
                        [this] { identification_.Read_current_mode(); },
                        progress};
    LongOperation longOperation;
    ParamFileCommands commands(seams, longOperation);
    TransferSafety safety;
    safety.ProgramVersion = CtlProgramVersion;
    safety.DryRun = command.DryRun;
    commands.SetSafety(safety);
    // A script cannot look at a table: the preview is the dry run's business.
    link_.State().PreviewBeforeTransfer = false;
    link_.State().VerifyAfterTransfer = true;
    if (save) {
        commands.M32SaveClick();
    } else {
        commands.M31OpenClick();
        if (commands.LastOpen().Passes > 0 || command.DryRun) echo.Flush();
    }
    if (showProgress_) err_ << "\n";
    return save ? SaveStatus(commands.LastSave()) : OpenStatus(commands.LastOpen(), command.DryRun);
}
