#pragma once
// The read-back after a transfer: every parameter word a pass wrote is read
// again (EEPROM for BX, RAM for the others; after the FX checksum commands,
// since the pass sends those before it returns) and compared. An amplifier
// that acknowledges a word and keeps another is the fault this catches.
//
// Any pass that writes parameter words calls, after TransferPass::Run:
//     const VerifyResult verify = VerifyAndLog(seams, result, kind);
// and reports failure when !TransferSucceeded(result, verify).
#include <string>
#include <vector>

#include "files/Transfer.h"

struct Mismatch {
    std::string Address;
    int Index = 0;
    int Written = 0;
    int ReadBack = 0;
};

struct VerifyResult {
    bool Ran = false;
    int Written = 0;     // words acknowledged by the amplifier (last write of each address)
    int Verified = 0;    // read back equal
    int Mismatched = 0;  // read back different
    int Failed = 0;      // writes not acknowledged (checksum commands included) and read-backs
                         // not answered
    std::vector<Mismatch> Mismatches;
    std::vector<std::string> Unread;  // addresses whose read-back got no answer
};

// Reads back the last value written to each address of the pass.
VerifyResult VerifyWrites(TransferSeams& seams, const PassResult& pass, const FileKind& kind);

// Parameter words the amplifier acknowledged, each address once (what the
// read-back checks; the checksum commands are not parameter words).
int AcknowledgedWords(const PassResult& pass);

// The log's closing lines: the summary, then one line per mismatch and per
// word that could not be read back.
std::vector<std::string> VerificationLines(const VerifyResult& verify);

// Verifies, adds the closing lines to the log and, when anything went wrong,
// sets the progress message to the failure text and marks it failed (red).
VerifyResult VerifyAndLog(TransferSeams& seams, const PassResult& pass, const FileKind& kind);

// Writes not acknowledged and, when verified, words not read back: the
// failed count of a unit.
int FailedWords(const PassResult& pass, const VerifyResult& verify);

// A pass is a success only when every write was acknowledged, the link held
// and, when verified, every word read back as written.
bool TransferSucceeded(const PassResult& pass, const VerifyResult& verify);

// The boxes after a pass: failed writes or a lost link
// (TransferPass::ReportFailures), then, unless the link was lost, words the
// amplifier did not keep or could not read back, with the closing lines (the
// first few; the log has all). Shown while the red message is still up, so
// the user learns it even where the log is hidden. True when anything was
// reported.
bool ReportPassFailures(TransferPass& pass, TransferSeams& seams, const PassResult& result,
                        const VerifyResult& verify);

// The failure text for boxes and servoctl: the counts of the verification.
std::string VerifyFailureText(const VerifyResult& verify, const MessageLookup& message);
