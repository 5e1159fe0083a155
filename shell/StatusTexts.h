#pragma once

// Message numbers of the bottom-panel texts, shared by the status poll and the
// main window's language switch so that both always agree.
namespace StatusTexts {

constexpr int MsgServoOff = 53;  // 53 + servo state
constexpr int MsgModeUnknown = 55;
constexpr int MsgBxModeBase = 56;   // 56 + mode nibble
constexpr int MsgBxFieldA = 62;     // 62 + bits 11-8
constexpr int MsgBxFieldB = 64;     // 64 + bits 7-4
constexpr int MsgStatusBase = 151;  // 151 + status code
constexpr int MsgCommError = 167;

// Status text for a status code; the FX group words some codes differently.
int StatusMessage(int ampFamily, int statusCode);

// Mode text for a mode value, or 0 when the value leaves the text unchanged.
int ModeMessage(int ampFamily, int mode);

}  // namespace StatusTexts
