#pragma once
#include <string>

// Frame routines of the command protocol: request checksums, reply checks and
// the fixed-width hexadecimal value formats. Free functions without state.

// Reply lengths: "%", the data characters and the checksum.
constexpr int WordReplyLength = 7;
constexpr int LongReplyLength = 11;
// The FX CPU word ends with a CR, which the reader takes as its end.
constexpr int CpuReplyLength = 8;
// Longest reply any caller asks for ("%" + 8 data characters + checksum).
constexpr int MaxReplyLength = LongReplyLength;

// Formats of the read primitives' data characters.
constexpr int DecimalFormat = 0;
constexpr int HexFormat = 1;

// Appends the two checksum digits to a request. The first letter decides how
// many characters the sum covers: "R" and "L" 4, "W" 8, "M" 12. Returns false
// and leaves the request alone when the letter is unknown or the request is
// not exactly the covered length.
bool FinishRequest(std::string& request);

// True when the last two of the first count characters of reply are the
// upper-case checksum of the characters before them.
bool CheckReplySum(const std::string& reply, int count);

// CR, LF, "!", "%", "0"-"9" and "A"-"F".
bool IsReplyChar(char c);

// True when the ReplyBuffer of a failed exchange shows a reply that came but
// was spoilt on the way (a wrong checksum, a foreign character, cut short):
// neither silence ("?") nor the amplifier's own error reply ("!").
bool IsBrokenReply(const std::string& replyBuffer);

// 4 upper-case hexadecimal digits of the low 16 bits (FFFF for -1).
std::string HexWord(int value);
// 8 upper-case hexadecimal digits, zero-padded.
std::string HexLong(int value);

// Up to 4 hexadecimal digits (either case), returned signed: 8000 gives
// -32768. An empty text, a longer one or a foreign character gives 0.
int ParseHexWord(const std::string& text);
// Up to 8 hexadecimal digits, returned as the 32-bit value. Same rules.
int ParseHexLong(const std::string& text);

// Word value of a reply "%dddd..": format 1 reads the 4 data characters as
// hexadecimal, format 0 as a decimal number; any other format, a reply not
// starting with "%" or one too short gives 0.
int WordFromReply(const std::string& reply, int format);
// Long value of a reply "%dddddddd..", format 1 only; otherwise 0.
int LongFromReply(const std::string& reply, int format);

// False when the digits data characters after the "%" are not a number in
// the format: a reply that does not parse carries no value. Formats other than
// decimal and hexadecimal read as 0 and parse.
bool ReplyDataParses(const std::string& reply, int digits, int format);

// True for a text of exactly two upper-case hexadecimal digits.
bool IsAddressText(const std::string& text);
