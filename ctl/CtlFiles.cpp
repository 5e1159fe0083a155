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

int OpenStatus(const OpenOutcome& outcome) {
    if (outcome.FileError) return CtlFileError;
    if (outcome.LinkLost) return CtlLinkLost;
    return outcome.FailedWrites > 0 || outcome.Declined ? CtlExchangeFailed : CtlOk;
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
        if (!save) echo.Flush();
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
    LongOperation longOperation;
    ParamFileCommands commands(seams, longOperation);
    if (save) {
        commands.M32SaveClick();
    } else {
        commands.M31OpenClick();
        if (commands.LastOpen().Passes > 0) echo.Flush();
    }
    if (showProgress_) err_ << "\n";
    return save ? SaveStatus(commands.LastSave()) : OpenStatus(commands.LastOpen());
}
