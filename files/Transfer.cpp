#include "files/Transfer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"
#include "link/Procedure.h"

using namespace CatalogueTexts;

namespace {

struct ProtectedRange {
    int AmpFamily;
    int First;
    int Last;
    Protection Kind;
};

// The alarm history lies inside the BX and DX file ranges: a restored file
// must not overwrite the target's history with the source's.
// clang-format off
constexpr ProtectedRange ProtectedRanges[] = {
    {Family::Bx, 0x00, 0x09, Protection::AlarmHistory},
    {Family::Bx, 0x2A, 0x2B, Protection::DontWrite},
    {Family::Bx, 0x50, 0x51, Protection::DontWrite},
    {Family::Bx, 0x70, 0x70, Protection::AlarmHistory},
    {Family::Dx, 0x6A, 0x71, Protection::DontWrite},
    {Family::Dx, 0x74, 0x74, Protection::DontWrite},
    {Family::Dx, 0x80, 0x84, Protection::AlarmHistory},
    {Family::Fx, 0x30, 0x33, Protection::DontWrite},
    {Family::Fx, 0x39, 0x5E, Protection::System},
};
// clang-format on

// The pauses of each family, part of the procedure the amplifiers expect.
constexpr int DxLinePauseMs = 50;
constexpr int BxRewritePauseMs = 150;
constexpr int LinkLostPauseMs = 2000;
constexpr int ResetPauseMs = 1500;

// What the link's reply buffer holds after a time-out.
constexpr const char* NoReplyText = "?";

constexpr int BxRewriteEntry = 32;  // the 33rd data entry, counted from 0

std::string Trimmed(const std::string& line) {
    std::size_t first = 0, last = line.size();
    while (first < last && std::isspace(static_cast<unsigned char>(line[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(line[last - 1]))) --last;
    return line.substr(first, last - first);
}

// The family a header line names, or -1 for any other line.
int HeaderFamily(const std::string& line) {
    const std::string text = Trimmed(line);
    for (const FileKind& kind : FileKinds()) {
        if (text == kind.Header) return kind.AmpFamily;
    }
    return -1;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

void SetProblem(FileCheck& check, int message, std::vector<std::string> values = {}) {
    check.ErrorMessage = message;
    check.ErrorValues = std::move(values);
}

// Records the format problem of one line in check; false when there is none.
bool LineProblem(const TransferLine& line, FileCheck& check) {
    if (line.Kind == LineKind::FormatError) {
        check.Error = line.Error;
    } else if (line.Kind == LineKind::Entry && !line.ValueDigits) {
        SetProblem(check, MsgCheckValueDigits);
    } else if (line.Kind == LineKind::Entry && !line.IndexDigits) {
        // The address sent is the field's last two digits; the two before them
        // must be digits too, or ";zz20" and ";0120" would both reach address 20.
        SetProblem(check, MsgCheckAddressDigits);
    } else {
        return false;
    }
    return true;
}

// Where a pass ends even with every line left: the line limit, or the entry
// at the stop index taken.
bool PassExhausted(const PassRules& rules, int processed, int lastIndex) {
    return processed >= rules.Limit || (rules.StopIndex >= 0 && lastIndex >= rules.StopIndex);
}

// The parameter writes a pass makes when nothing stops it early: the whole a
// lost link is told against.
int PlannedWrites(const FileCheck& file, const PassRules& rules) {
    int processed = 0, planned = 0, lastIndex = -1;
    for (const FileItem& item : file.Items) {
        if (PassExhausted(rules, processed, lastIndex)) break;
        if (!item.Data) continue;
        lastIndex = item.Index;
        ++processed;
        if (rules.Protect(item.Index) == Protection::None) ++planned;
    }
    return planned;
}

}  // namespace

Protection ProtectionOf(int ampFamily, int index, bool systemAccess) {
    for (const ProtectedRange& range : ProtectedRanges) {
        if (range.AmpFamily != ampFamily || index < range.First || index > range.Last) continue;
        if (range.Kind == Protection::System && systemAccess) return Protection::None;
        return range.Kind;
    }
    return Protection::None;
}

const char* ProtectionText(Protection protection) {
    return protection == Protection::DontWrite ? "Don't Write..........."
           : protection == Protection::None    ? ""
                                               : "Parameter is protected by system..";
}

FileCheck CheckTransferFile(const std::vector<std::string>& lines, const FileKind& kind) {
    FileCheck check;
    int headerLine = 0, rangeLine = 0;
    std::string rangeAddress;  // the whole index when it is more than the address: ;0120 is not 20
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        const TransferLine line = ReadTransferLine(lines[i]);
        if (LineProblem(line, check)) {
            check.ErrorLine = lineNumber;
            return check;
        }
        FileItem item;
        item.LineNumber = lineNumber;
        if (line.Kind == LineKind::NonData) {
            const int family = HeaderFamily(lines[i]);
            if (family >= 0 && family != kind.AmpFamily && headerLine == 0) headerLine = lineNumber;
        } else {
            item.Data = true;
            item.Address = Upper(line.Address);
            item.Index = line.FullIndex;
            item.Value = line.Value;
            ++check.DataLines;
            if ((item.Index < kind.FirstIndex || item.Index > kind.LastIndex) && rangeLine == 0) {
                rangeLine = lineNumber;
                rangeAddress = item.Index > 0xFF ? HexWord(item.Index) : item.Address;
            }
        }
        check.Items.push_back(std::move(item));
    }
    if (headerLine != 0) {
        check.ErrorLine = headerLine;
        SetProblem(check, MsgCheckForeignHeader, {kind.Name});
    } else if (check.DataLines > kind.Entries() || check.DataLines == 0) {
        check.TooMany = check.DataLines > 0;
        SetProblem(check, MsgCheckLineCount,
                   {std::to_string(check.DataLines), std::to_string(kind.Entries())});
    } else if (rangeLine != 0) {
        check.ErrorLine = rangeLine;
        SetProblem(check, MsgCheckOutOfRange,
                   {rangeAddress, IndexAddress(kind.FirstIndex), IndexAddress(kind.LastIndex)});
    } else {
        check.Ok = true;
        check.Partial = check.DataLines < kind.Entries();
    }
    return check;
}

std::string Say(const MessageLookup& message, int n, const std::vector<std::string>& values) {
    return Filled(message(n), values);
}

std::string FileProblemText(const MessageLookup& message, int what, const std::string& path,
                            const std::string& reason) {
    return Say(message, what, {path}) + "\n" + reason;
}

std::string CheckProblemText(const FileCheck& check, const MessageLookup& message) {
    return check.ErrorMessage != 0 ? Say(message, check.ErrorMessage, check.ErrorValues)
                                   : check.Error;
}

std::string CheckFailureText(const FileCheck& check, const std::string& path,
                             const MessageLookup& message) {
    const std::string problem = CheckProblemText(check, message);
    if (check.ErrorLine == 0) return message(MsgLineCount) + "\n" + path + ": " + problem;
    return message(MsgFormatError) + "\n" +
           Say(message, MsgFormatErrorAt, {path, std::to_string(check.ErrorLine), problem});
}

PassRules OpenRules(const FileKind& kind, bool systemAccess) {
    PassRules rules;
    rules.Limit = kind.OpenLimit;
    rules.Divisor = kind.Entries();
    rules.Protect = [family = kind.AmpFamily, systemAccess](int index) {
        return ProtectionOf(family, index, systemAccess);
    };
    return rules;
}

PassResult TransferPass::Run(const FileCheck& file, const FileKind& kind, bool systemAccess) {
    return Run(file, kind, OpenRules(kind, systemAccess));
}

PassResult TransferPass::Run(const FileCheck& file, const FileKind& kind, const PassRules& rules) {
    result_ = PassResult{};
    result_.Planned = PlannedWrites(file, rules);
    bool lastFailed = false;
    const FileItem* thirtyThird = nullptr;
    int lastIndex = -1;
    if (kind.AmpFamily == Family::Fx) ChecksumOff();
    for (const FileItem& item : file.Items) {
        if (s_.State.CommErrorLatched || PassExhausted(rules, result_.Processed, lastIndex)) break;
        if (rules.StopOnFailedWrite && lastFailed) break;
        if (s_.Cancelled && s_.Cancelled()) {
            result_.Cancelled = true;
            break;
        }
        if (!item.Data) {
            Log(NotDataString);
            AfterLine(kind, rules);
            continue;
        }
        if (result_.Processed == BxRewriteEntry) thirtyThird = &item;
        lastIndex = item.Index;
        const Protection protection = rules.Protect(item.Index);
        if (protection != Protection::None) {
            Log(ProtectionText(protection));
            ++result_.Protected;
        } else {
            lastFailed = !Write(kind, item.Address, item.Value);
            result_.Words.push_back({item.Address, item.Index, item.Value, !lastFailed});
            if (!lastFailed) ++result_.EntriesWritten;
        }
        ++result_.Processed;
        SetGauge(result_.Processed, rules.Divisor);
        StatusLine(item, lastFailed);
        AfterLine(kind, rules);
    }
    if (kind.AmpFamily == Family::Bx) FinishBx(kind, thirtyThird, rules);
    if (kind.AmpFamily == Family::Fx) FinishFx(rules);
    result_.LinkLost = s_.State.CommErrorLatched;
    if (result_.Cancelled) Log(CancelledText());
    // One cause, one count: nothing was read back, so nothing is said to differ.
    if (result_.LinkLost) {
        s_.Panel.ProgressMsg = LinkLostText(result_);
        s_.Panel.ProgressFailed = true;
    }
    return result_;
}

bool TransferPass::Write(const FileKind& kind, const std::string& address, int value) {
    if (kind.AmpFamily != Family::Bx) return WriteRam(address, value);
    return Counted(s_.Port.WriteToEEP(address, value) == 1);
}

bool TransferPass::WriteRam(const std::string& address, int value) {
    return Counted(s_.Port.WriteToRAM(address, value) == 1);
}

// A write that got no reply at all, twice, means the link is gone (a pulled
// cable): it is reported as such, which stops the pass at the next entry and
// keeps the checksum commands back. A rejected write ("!") is only counted.
bool TransferPass::Counted(bool ok) {
    ++(ok ? result_.Written : result_.FailedWrites);
    if (!ok && s_.Port.ReplyBuffer() == NoReplyText) s_.Port.Communicating_error();
    return ok;
}

void TransferPass::SetGauge(int processed, int entries) {
    s_.Panel.RWGaugeProgress = processed * 100 / entries;
    if (s_.Progress) s_.Progress(s_.Panel.RWGaugeProgress);
}

void TransferPass::StatusLine(const FileItem& item, bool lastFailed) {
    char text[96];
    std::snprintf(text, sizeof text,
                  lastFailed ? "Data=%8X Data=%d Add=%s Error" : "Data=%8X Data=%d Add=%s",
                  static_cast<unsigned>(item.Value), item.Value, item.Address.c_str());
    Log(text);
}

void TransferPass::AfterLine(const FileKind& kind, const PassRules& rules) {
    if (kind.AmpFamily == Family::Dx) {
        if (s_.State.CommErrorLatched) {
            Log(s_.Message(MsgCommError));
            s_.Time.WaitMs(LinkLostPauseMs);
        } else {
            s_.Time.WaitMs(DxLinePauseMs);
        }
    } else if (kind.AmpFamily == Family::Fx) {
        s_.Time.WaitMs(rules.FxLinePauseMs);
    }
}

// Some BX amplifiers take the 33rd entry only after the others are in place,
// so it is written once more at the end, under the same protection rule.
void TransferPass::FinishBx(const FileKind& kind, const FileItem* thirtyThird,
                            const PassRules& rules) {
    if (s_.State.CommErrorLatched) {
        Log(s_.Message(MsgCommError));
        s_.Time.WaitMs(LinkLostPauseMs);
        return;
    }
    s_.Time.WaitMs(BxRewritePauseMs);
    if (thirtyThird == nullptr) return;
    const Protection protection = rules.Protect(thirtyThird->Index);
    if (protection != Protection::None) {
        Log(ProtectionText(protection));
        return;
    }
    const bool ok = Write(kind, thirtyThird->Address, thirtyThird->Value);
    result_.Words.push_back({thirtyThird->Address, thirtyThird->Index, thirtyThird->Value, ok});
    char text[64];
    std::snprintf(text, sizeof text, ok ? "Add=%s data_val=%3d" : "Add=%s data_val=%3d Error",
                  thirtyThird->Address.c_str(), thirtyThird->Value);
    Log(text);
}

void TransferPass::ChecksumOff() {
    result_.ChecksumLeftOff = WriteRam("C0", 0);
    Log("Cancel Auto Checksum");
}

void TransferPass::FinishFx(const PassRules& rules) {
    if (rules.FxClosingPauseMs > 0) s_.Time.WaitMs(rules.FxClosingPauseMs);
    if (s_.State.CommErrorLatched) {
        Log(s_.Message(MsgCommError));
    } else {
        WriteRam("0B", 0);
        Log("Make Checksum");
        if (WriteRam("C0", 1)) result_.ChecksumLeftOff = false;
        Log("Enable Auto Checksum");
    }
    if (rules.FxSettlePauseMs > 0) s_.Time.WaitMs(rules.FxSettlePauseMs);
}

namespace {

bool ReadFamilyWord(Drive& port, int ampFamily, const std::string& address, int& value) {
    return (ampFamily == Family::Bx
                ? port.ReadFromEEP(address, WordReplyLength, HexFormat, value)
                : port.ReadFromRAM(address, WordReplyLength, HexFormat, value)) == 1;
}

}  // namespace

bool ReadParamWord(Drive& port, int ampFamily, const std::string& address, int& value,
                   const ReadRetried& onRetry) {
    port.HoldErrorReport(true);
    bool ok = ReadFamilyWord(port, ampFamily, address, value);
    if (!ok && IsBrokenReply(port.ReplyBuffer())) {
        if (onRetry) onRetry(address);
        ok = ReadFamilyWord(port, ampFamily, address, value);
    }
    port.HoldErrorReport(false);
    if (!ok) port.Communicating_error();
    return ok;
}

ReadRetried LogRetries(TransferSeams& s) {
    return [&s](const std::string& address) {
        std::string line = s.Message(MsgReadRetried);
        const std::size_t mark = line.find("%1");
        if (mark != std::string::npos) line.replace(mark, 2, address);
        s.Panel.Memo1.push_back(line);
    };
}

void ErrorBox(Questions& ask, const std::string& text) {
    ask.CustomDialog(text, DialogKind::Error, {0}, 0, CaptionRange{MsgDialogOk, 1});
}

// "Cancelled after N of M entries": the pass wrote some of the file's entries.
std::string TransferPass::CancelledText() const {
    char text[512];
    std::snprintf(text, sizeof text, s_.Message(MsgCancelledAfter).c_str(),
                  static_cast<int>(result_.Words.size()), result_.Planned);
    return text;
}

bool TransferPass::ReportFailures(const PassResult& result) {
    if (!result.LinkLost && result.FailedWrites == 0 && !result.Cancelled) return false;
    std::string text = result.LinkLost    ? s_.Message(MsgCommError) + "\n" + LinkLostText(result)
                       : result.Cancelled ? CancelledText()
                                          : std::string();
    if (!result.LinkLost && result.FailedWrites > 0) {
        if (!text.empty()) text += "\n";
        text += Say(s_.Message, MsgFailedWrites,
                    {std::to_string(result.FailedWrites),
                     std::to_string(result.FailedWrites + result.Written)});
    }
    s_.Ask.Beep();
    ErrorBox(s_.Ask, text);
    return true;
}

std::string TransferPass::LinkLostText(const PassResult& result) const {
    const int message =
        s_.State.VerifyAfterTransfer ? MsgLinkLostNoReadBack : MsgLinkLostAfterWrites;
    return Filled(s_.Message(message),
                  {std::to_string(result.EntriesWritten), std::to_string(result.Planned)});
}

void TransferPass::ShowLineCountError() {
    s_.Ask.Beep();
    ErrorBox(s_.Ask, s_.Message(MsgLineCount));
}

TransferPass::Reset TransferPass::AskReset() {
    const int answer = s_.Ask.StandardDialog(s_.Message(MsgResetQuestion), DialogKind::Confirmation,
                                             {sbYes, sbNo}, QuestionId::ResetAfterOpen);
    if (answer != mrYes) return Reset::Declined;
    return ResetAmplifier() ? Reset::Done : Reset::Failed;
}

bool TransferPass::ResetAmplifier() {
    const bool ok = s_.Port.WriteToRAM("C4", 0) == 1;
    s_.Time.WaitMs(ResetPauseMs);
    if (s_.ReadCurrentMode) s_.ReadCurrentMode();
    return ok;
}

bool TransferPass::AskRepeat() {
    return s_.Ask.StandardDialog(s_.Message(MsgRepeatQuestion), DialogKind::Confirmation,
                                 {sbYes, sbNo}, QuestionId::RepeatTransfer) == mrYes;
}
