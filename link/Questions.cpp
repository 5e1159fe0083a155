#include "link/Questions.h"

#include <array>

namespace {

// In the order of QuestionId.
constexpr std::array QuestionNames = {
    "Notice",          "PartialFile",      "IdentityMismatch", "ResetAfterOpen", "RepeatTransfer",
    "ProductionReset", "CompareProtected", "PreviewTransfer",  "TableFill",      "TableWriteBack",
    "ReplaceFile",     "FamilyChoice",     "ExitProgram",
};
static_assert(QuestionNames.size() == static_cast<std::size_t>(QuestionId::ExitProgram) + 1);

}  // namespace

const char* QuestionName(QuestionId id) {
    const auto index = static_cast<std::size_t>(id);
    return index < QuestionNames.size() ? QuestionNames[index] : "";
}
