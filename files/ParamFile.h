#pragma once
// Parameter files: one ".DATA.W" line per parameter word in an assembler-like
// text a person can read and edit. The writers build the lines (without their
// line end); files carry CR LF on disk so that they move unchanged between
// installations, and the readers accept LF and CR LF alike.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/DriveState.h"

// The kinds of parameter file, one per family and FX-group variant.
struct FileKind {
    const char* Name;         // short name for messages: "BX", "DX", "KQRV", "FX", "New FX"
    int AmpFamily;            // 0 BX, 1 DX, 2 FX group
    const char* Extension;    // ".src", ".hdt", ".dat"
    const char* OfferedName;  // the name the dialogs offer first
    const char* Header;       // the first line
    bool CpuLine;             // FX group: "CPU date:" line after the header
    int FirstIndex;           // entry indexes written, in ascending order
    int LastIndex;
    int OpenLimit;  // data lines an Open processes at most
    int Entries() const { return LastIndex - FirstIndex + 1; }
};

// The kind a connected amplifier reads and writes.
const FileKind& FileKindFor(int ampFamily, bool qrv, int fxVersion);
const FileKind& FileKindFor(const DriveState& state);
// Every kind, for checks that recognise a header.
const std::vector<FileKind>& FileKinds();

// The dialog filter of a family: its own files first, then the others.
std::string FileFilterFor(int ampFamily);

// "CPU date:013AB": the CPU code in five upper-case hexadecimal digits.
std::string CpuLine(int cpuDate);
// One data line; the FX group's lines carry "   :" after the index digits.
std::string DataLine(int index, int value, bool fxGroup);
// The line written when an entry could not be read.
std::string ReadErrorLine(int index);
// The parameter table's line: a data line with " > Pn%02d" appended.
std::string TableDataLine(int index, int value, int paramNumber);
// The parameter number shown by the table for an index (last index 127 or 63).
int TableParamNumber(int index, int lastIndex);
// The two address digits a file index is sent with (the low byte).
std::string IndexAddress(int index);

// What the transfer reader makes of one line.
enum class LineKind { Entry, NonData, FormatError };

inline constexpr const char* NotDataString = "Not data string";
inline constexpr const char* DataReadError = "Data Read error";
inline constexpr const char* AddReadError = "Add Read error";

struct TransferLine {
    LineKind Kind = LineKind::NonData;
    std::string Error;           // FormatError: DataReadError or AddReadError
    std::string Address;         // Entry: the two characters after ";" and two more
    int Index = 0;               // Entry: the address read as hexadecimal
    int Value = 0;               // Entry: the four value characters read as a signed word
    bool ValueDigits = false;    // the value field is four hexadecimal digits
    bool AddressDigits = false;  // the address field is two hexadecimal digits
    bool IndexDigits = false;    // the whole index field after ";" is four hexadecimal digits
    int FullIndex = -1;          // those four digits as a number; -1 when they are not
};

// The transfer reader: the hexadecimal columns, found by their anchors.
TransferLine ReadTransferLine(std::string_view line);

// The table reader: the decimal index and value, or nothing for a skipped
// line. The value is bounded to the word range.
struct TableLine {
    int Index = 0;
    int Value = 0;
};
std::optional<TableLine> ReadTableLine(std::string_view line);

// Reads a text file into lines without their LF or CR LF. False with the
// system's reason in error when it cannot be read.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines, std::string& error);
