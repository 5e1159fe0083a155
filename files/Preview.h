#pragma once
// The preview before a transfer writes: the current word of every entry the
// file would write, beside the file's value, with the counts of what would
// change. Read with the same primitive the read-back uses, so the preview and
// the verification agree on what "current" means.
//
// A pass that previews calls, before TransferPass::Run:
//     const TransferPreview preview = ReadPreview(seams, check, kind, systemAccess);
//     if (!ConfirmPreview(seams, preview)) ... nothing is written
#include <string>
#include <vector>

#include "files/Transfer.h"

struct PreviewRow {
    std::string Address;
    int Index = 0;
    bool Readable = false;  // the current word could be read
    int Current = 0;
    int FileValue = 0;
    Protection Protected = Protection::None;
    bool Changes() const {
        return Protected == Protection::None &&
               (!Readable || (Current & 0xFFFF) != (FileValue & 0xFFFF));
    }
};

struct TransferPreview {
    std::vector<PreviewRow> Rows;  // the entries the pass would take, in file order
    int WouldChange = 0;           // written and different (or unreadable now)
    int Unchanged = 0;             // written with the value already there
    int Protected = 0;             // never written
    int Unreadable = 0;            // current word not read (counted in WouldChange)
    bool LinkLost = false;
};

// Reads the current words of the entries the pass would take (the family's
// limit of data lines), protected ones included so the table shows them.
TransferPreview ReadPreview(TransferSeams& seams, const FileCheck& file, const FileKind& kind,
                            bool systemAccess = false);

// The table as the window and servoctl show it: column heads, one row per
// entry (marked when it would change; those first), the counts.
TableQuestion PreviewTable(const TransferPreview& preview, const MessageLookup& message);
// The same table as text lines, columns aligned, for servoctl and logs.
std::vector<std::string> PreviewTextLines(const TableQuestion& table);

// Shows the table and asks whether to transfer; true on Yes.
bool ConfirmPreview(TransferSeams& seams, const TransferPreview& preview);
