#pragma once
// "Compare Parameter": an FX-group parameter file beside the amplifier's
// words, entry by entry, and on the user's confirmation the file written in.
// The window (TCompareForm) shows a Comparison and says whether to go on.
#include <functional>
#include <string>
#include <vector>

#include "files/Transfer.h"
#include "files/Verify.h"
#include "link/LongOperation.h"

// "SET Pn%02d " up to index 93, "BAK Pn%02d " counted down from the limit above.
std::string CompareLabel(int index, int limit);
// "H%0004X , %6d": a value that differs, in hexadecimal and decimal.
std::string DifferenceText(int value);
inline constexpr const char* EqualText = "OK.";
inline constexpr const char* ProtectedText = "Is protected.";

struct CompareRow {
    std::string Label;
    std::string AmpText;
    std::string FileText;
    bool Differs = false;
};

struct Comparison {
    std::vector<CompareRow> Rows;
    bool Aborted = false;            // lost link, failed read, a file the check refused
    bool FileError = false;          // the file could not be read at all
    std::vector<std::string> Notes;  // shown under the labels
    FileCheck Check;
    bool AnyDifference() const;
};

// What the last command did.
struct CompareOutcome {
    bool Compared = false;
    bool Transferred = false;
    PassResult Transfer;
    bool BackupFailed = false;  // nothing written: the backup could not be made
    VerifyResult Verify;        // the read-back after the transfer (Ran when done)
};

class CompareCommand {
public:
    CompareCommand(TransferSeams seams, LongOperation& longOperation)
        : s_(seams), long_(longOperation) {}

    // Shows the comparison modally; true when the user confirmed.
    void SetCompareForm(std::function<bool(const Comparison&)> show) { show_ = std::move(show); }
    void M38CompareClick();

    // One comparison of the file with the amplifier; includeSystem compares
    // indexes from 57 up as well.
    Comparison Compare(const std::string& path, bool includeSystem);

    const CompareOutcome& Last() const { return outcome_; }

private:
    bool ComparePass(const std::string& path);
    CompareRow CompareEntry(const FileItem& item, bool includeSystem, int limit, bool& readFailed);

    TransferSeams s_;
    LongOperation& long_;
    std::function<bool(const Comparison&)> show_;
    CompareOutcome outcome_;
};
