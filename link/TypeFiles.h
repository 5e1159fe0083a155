#pragma once
#include <string>

// Amplifier and motor names from the type files in the start-up folder.
// Problems never stop identification: they come back as error texts that are
// shown inside the model text.

// "BXAmp.typ": the 5 characters after the first ":" of the entry line for
// amplifier number; or "Amp-File error1" / "Amp-File error2" /
// "Amp-Num error" / "Amp-File error4".
struct TypeText {
    std::string Text;
    bool Found = false;  // false: Text is one of the error texts
};
TypeText BxAmplifierText(const std::string& folder, int amplifierNumber);

// "Motor.typ": the rest of the entry line after its first ":"; or the same
// errors with "Mot-" in place of "Amp-".
TypeText BxMotorText(const std::string& folder, int motorNumber);

// "FX_Motor.tpy": the text of the line whose leading code equals motorCode;
// "Unknow motor type" when none does; "Mot-File error1" / "Mot-File error2" /
// "Mot-Num error"; the placeholder when the file announces no entries.
std::string FxMotorText(const std::string& folder, int motorCode, const std::string& placeholder);
