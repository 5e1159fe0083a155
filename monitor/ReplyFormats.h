#pragma once

// Reply lengths and format of the monitoring reads: a word "%dddd" plus the
// checksum, a long "%dddddddd" plus the checksum, hexadecimal returned signed.
constexpr int WordReply = 7;
constexpr int LongReply = 11;
constexpr int SignedHex = 1;
