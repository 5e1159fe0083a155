#include "files/Verify.h"

#include <cstdio>

#include "link/CatalogueTexts.h"
#include "link/Procedure.h"

using namespace CatalogueTexts;

namespace {

constexpr std::size_t BoxLines = 12;

// The last write of each address decides what the amplifier should hold (BX
// writes its 33rd entry twice).
std::vector<const WrittenWord*> LastWrites(const PassResult& pass) {
    std::vector<const WrittenWord*> last;
    for (const WrittenWord& word : pass.Words) {
        bool replaced = false;
        for (const WrittenWord*& seen : last) {
            if (seen->Address == word.Address) {
                seen = &word;
                replaced = true;
            }
        }
        if (!replaced) last.push_back(&word);
    }
    return last;
}

// Words come back sign-extended; the file holds the same 16 bits either way.
int Word(int value) {
    return value & 0xFFFF;
}

std::string Format(const char* format, int a, int b = 0, int c = 0, int d = 0, int e = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b, c, d, e);
    return text;
}

}  // namespace

int AcknowledgedWords(const PassResult& pass) {
    int words = 0;
    for (const WrittenWord* word : LastWrites(pass)) words += word->Acknowledged ? 1 : 0;
    return words;
}

VerifyResult VerifyWrites(TransferSeams& s, const PassResult& pass, const FileKind& kind) {
    VerifyResult verify;
    verify.Ran = true;
    verify.Failed = pass.FailedWrites;
    const std::vector<const WrittenWord*> words = LastWrites(pass);
    int done = 0;
    for (const WrittenWord* word : words) {
        if (s.State.CommErrorLatched) break;
        ++done;
        s.Panel.RWGaugeProgress = done * 100 / static_cast<int>(words.size());
        if (s.Progress) s.Progress(s.Panel.RWGaugeProgress);
        if (!word->Acknowledged) continue;  // already counted as a failed write
        ++verify.Written;
        int value = 0;
        if (!ReadParamWord(s.Port, kind.AmpFamily, word->Address, value, LogRetries(s))) {
            ++verify.Failed;
            verify.Unread.push_back(word->Address);
        } else if (Word(value) != Word(word->Value)) {
            ++verify.Mismatched;
            verify.Mismatches.push_back({word->Address, word->Index, word->Value, value});
        } else {
            ++verify.Verified;
        }
    }
    // Words left unread because the link went down count as failed.
    for (std::size_t i = static_cast<std::size_t>(done); i < words.size(); ++i) {
        if (!words[i]->Acknowledged) continue;
        ++verify.Written;
        ++verify.Failed;
        verify.Unread.push_back(words[i]->Address);
    }
    return verify;
}

std::vector<std::string> VerificationLines(const VerifyResult& v) {
    std::vector<std::string> lines;
    lines.push_back(Format("Verify: written %d, verified %d, mismatched %d, failed %d", v.Written,
                           v.Verified, v.Mismatched, v.Failed));
    for (const Mismatch& m : v.Mismatches) {
        lines.push_back("Mismatch index " + HexWord(m.Index) + ": written " + HexWord(m.Written) +
                        Format(" (%d), read back ", m.Written) + HexWord(m.ReadBack) +
                        Format(" (%d)", m.ReadBack));
    }
    for (const std::string& address : v.Unread) lines.push_back("Not read back: Add=" + address);
    return lines;
}

VerifyResult VerifyAndLog(TransferSeams& s, const PassResult& pass, const FileKind& kind) {
    // Nothing can be read back over a lost link; the pass has said so.
    if (pass.LinkLost) {
        VerifyResult none;
        none.Failed = pass.FailedWrites;
        return none;
    }
    const std::string shown = s.Panel.ProgressMsg;
    s.Panel.ProgressMsg = s.Message(MsgVerifying);
    s.Panel.LetEventsRun();
    const VerifyResult verify = VerifyWrites(s, pass, kind);
    s.Panel.ProgressMsg = shown;
    for (const std::string& line : VerificationLines(verify)) s.Panel.Memo1.push_back(line);
    if (!TransferSucceeded(pass, verify)) {
        s.Panel.ProgressMsg = VerifyFailureText(verify, s.Message);
        s.Panel.ProgressFailed = true;
    }
    if (s.Progress) s.Progress(s.Panel.RWGaugeProgress);
    return verify;
}

int FailedWords(const PassResult& pass, const VerifyResult& verify) {
    return verify.Ran ? verify.Failed : pass.FailedWrites;
}

bool TransferSucceeded(const PassResult& pass, const VerifyResult& verify) {
    if (pass.LinkLost || pass.FailedWrites > 0) return false;
    return !verify.Ran || (verify.Mismatched == 0 && verify.Failed == 0);
}

std::string VerifyFailureText(const VerifyResult& v, const MessageLookup& message) {
    // A word that could not be read back is not known to differ.
    const int headline = v.Mismatched > 0 ? MsgVerifyFailed : MsgNotReadBack;
    return message(headline) + " (" + message(MsgMismatched) + Format(": %d, ", v.Mismatched) +
           message(MsgFailed) + Format(": %d)", v.Failed);
}

bool ReportPassFailures(TransferPass& pass, TransferSeams& s, const PassResult& result,
                        const VerifyResult& verify) {
    const bool writesFailed = pass.ReportFailures(result);
    if (result.LinkLost || (verify.Mismatched == 0 && verify.Unread.empty())) return writesFailed;
    std::string text = VerifyFailureText(verify, s.Message);
    const std::vector<std::string> lines = VerificationLines(verify);
    for (std::size_t i = 0; i < lines.size() && i < BoxLines; ++i) text += "\n" + lines[i];
    if (lines.size() > BoxLines) text += "\n...";
    s.Ask.Beep();
    ErrorBox(s.Ask, text);
    return true;
}
