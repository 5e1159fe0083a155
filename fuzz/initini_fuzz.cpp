// Init.ini: any content reads without harm, and what it reads survives the
// rewrite at exit: reading the written file gives back the same settings.
#include "fuzz/FuzzCheck.h"
#include "shell/Settings.h"

namespace {

const std::string StartFolder = "/start/";

void CheckBounds(const InitSettings& settings) {
    FUZZ_CHECK(settings.LinesRead >= 0 && settings.LinesRead <= 7);
    FUZZ_CHECK(settings.Problems.size() <= 6);
    if (settings.WorkFolder) {
        FUZZ_CHECK(!settings.WorkFolder->empty() && settings.WorkFolder->size() <= 254);
        FUZZ_CHECK(settings.WorkFolder->find('\n') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const InitSettings first = ParseInitIni(std::string(fuzz::Bytes(data, size)));
    CheckBounds(first);

    DriveState state;
    ApplyInitSettings(first, StartFolder, state);
    FUZZ_CHECK(state.SelectCom >= 0 && state.SelectCom <= 7);
    const std::string written = FormatInitIni(state);
    const InitSettings again = ParseInitIni(written);
    CheckBounds(again);

    FUZZ_CHECK(again.LinesRead == 7);
    FUZZ_CHECK(again.Problems.empty());
    FUZZ_CHECK(again.SelectCom == state.SelectCom);
    FUZZ_CHECK(again.Language == first.Language);
    FUZZ_CHECK(again.FxVersion == first.FxVersion);
    FUZZ_CHECK(again.UserRestricted == first.UserRestricted);
    FUZZ_CHECK(again.PrintLines == first.PrintLines);
    FUZZ_CHECK(again.WorkFolder.value_or(StartFolder) == first.WorkFolder.value_or(StartFolder));
    return 0;
}
