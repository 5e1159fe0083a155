// Identity files: any content reads without harm; what is refused says why,
// and what is read survives being written again: reading the written JSON
// gives back the same identity.
#include "files/Identity.h"
#include "fuzz/FuzzCheck.h"

namespace {

bool Same(const DriveIdentity& a, const DriveIdentity& b) {
    return a.AmpFamily == b.AmpFamily && a.FxVersion == b.FxVersion && a.QrvFlag == b.QrvFlag &&
           a.LqrvFlag == b.LqrvFlag && a.YzFlag == b.YzFlag && a.Model == b.Model &&
           a.CpuLabel == b.CpuLabel && a.EepLabel == b.EepLabel && a.CpuDate == b.CpuDate &&
           a.Time == b.Time && a.ProgramVersion == b.ProgramVersion && a.Sha256 == b.Sha256;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto first = ParseIdentityJson(std::string(fuzz::Bytes(data, size)), error);
    if (!first) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    std::string againError;
    const auto again = ParseIdentityJson(IdentityJson(*first), againError);
    FUZZ_CHECK(again.has_value() && againError.empty());
    FUZZ_CHECK(Same(*first, *again));
    return 0;
}
