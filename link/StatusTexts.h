#pragma once
#include <string>

#include "link/CatalogueTexts.h"
#include "link/DriveState.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"

// The bottom-panel texts of the main window: their placeholders, and the
// one function that draws them from the drive state. The status poll, the outage report and the
// language switch all draw through it, so they always agree.
namespace StatusTexts {

constexpr int CommErrorStatusCode = 16;
static_assert(CatalogueTexts::MsgCommError == CatalogueTexts::MsgStatusBase + CommErrorStatusCode);

// Identification labels while the amplifier is unknown, and the two halves
// of the BX model text.
inline constexpr const char* UnknownCpuText = "CPU:XXX";
inline constexpr const char* UnknownEepText = "EEP:XXX";
inline constexpr const char* UnknownModelText = "XXXX-XXXXXXXXX";
inline constexpr const char* UnknownAmplifierText = "XXXX-";
inline constexpr const char* UnknownMotorText = "XXXXXXXXX";

// Status text for a status code; the FX group words some codes differently.
int StatusMessage(int ampFamily, int statusCode);

// Mode text for a mode value, or 0 when the value leaves the text unchanged.
int ModeMessage(int ampFamily, int mode);

// Servo, status and mode texts, and for BX the status fields, of the state:
// the outage's own texts while CommErrorLatched is set (the status words then
// hold -1, which would read as "servo on" and wrong fields).
void DrawStatusTexts(const DriveState& state, const MessageCatalogue& catalogue, MainPanel& panel);

}  // namespace StatusTexts
