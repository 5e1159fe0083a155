// Init.ini: any content reads without harm, and what it reads survives the
// rewrite at exit: reading the written file gives back the same settings.
#include "fuzz/FuzzCheck.h"
#include "shell/Settings.h"

namespace {

const std::string StartFolder = "/start/";

// At most one problem a line: six of the seven value lines (the folder line
// has none) and each key line after them.
void CheckBounds(const InitSettings& settings, std::string_view content) {
    const std::size_t lines = fuzz::LinesOf(content).size();
    FUZZ_CHECK(settings.LinesRead >= 0 && settings.LinesRead <= 7);
    FUZZ_CHECK(settings.Problems.size() <= 6 + (lines > 7 ? lines - 7 : 0));
    if (settings.WorkFolder) {
        FUZZ_CHECK(!settings.WorkFolder->empty() && settings.WorkFolder->size() <= 254);
        FUZZ_CHECK(settings.WorkFolder->find('\n') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(fuzz::Bytes(data, size));
    const InitSettings first = ParseInitIni(content);
    CheckBounds(first, content);

    DriveState state;
    ApplyInitSettings(first, StartFolder, state);
    FUZZ_CHECK(state.SelectCom >= 0 && state.SelectCom <= 7);
    const std::string written = FormatInitIni(state);
    const InitSettings again = ParseInitIni(written);
    CheckBounds(again, written);

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
