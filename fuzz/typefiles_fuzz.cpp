// Type files: whatever they hold, identification gets a text: an entry from
// the file (one line's text, within the line length the readers keep) or one
// of the error texts.
#include <set>

#include "fuzz/FuzzCheck.h"
#include "link/TypeFiles.h"

namespace {

constexpr std::size_t MaxLine = 79;

const std::set<std::string> AmpErrors{"Amp-File error1", "Amp-File error2", "Amp-Num error",
                                      "Amp-File error4"};
const std::set<std::string> MotErrors{"Mot-File error1", "Mot-File error2", "Mot-Num error",
                                      "Mot-File error4"};
const std::string Placeholder = "----";

bool IsOneLineText(const std::string& text, std::size_t most) {
    return text.size() <= most && text.find('\n') == std::string::npos;
}

// The number is a small signed value from the first two bytes, so that the
// entries of a short file are reached often.
int NumberFrom(const std::uint8_t* data) {
    return static_cast<int>(static_cast<std::int8_t>(data[0])) * 2 + (data[1] & 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int number = NumberFrom(data);
    const std::string_view content = fuzz::Bytes(data + 2, size - 2);
    const std::string folder = fuzz::ScratchFolder();
    fuzz::WriteScratchFile("BXAmp.typ", content);
    fuzz::WriteScratchFile("Motor.typ", content);
    fuzz::WriteScratchFile("FX_Motor.tpy", content);

    const TypeText amp = BxAmplifierText(folder, number);
    if (amp.Found) {
        FUZZ_CHECK(number >= 0 && IsOneLineText(amp.Text, 5));
    } else {
        FUZZ_CHECK(AmpErrors.count(amp.Text) == 1);
    }
    const TypeText motor = BxMotorText(folder, number);
    if (motor.Found) {
        FUZZ_CHECK(number >= 0 && IsOneLineText(motor.Text, MaxLine - 1));
        FUZZ_CHECK(content.find(motor.Text) != std::string_view::npos);
    } else {
        FUZZ_CHECK(MotErrors.count(motor.Text) == 1);
    }
    const std::string fx = FxMotorText(folder, number, Placeholder);
    const bool known = MotErrors.count(fx) == 1 || fx == Placeholder || fx == "Unknow motor type";
    FUZZ_CHECK(known || (number >= 0 && IsOneLineText(fx, MaxLine - 1) &&
                         content.find(fx) != std::string_view::npos));
    return 0;
}
