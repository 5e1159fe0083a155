#include "link/DialogButtons.h"

#include <algorithm>
#include <iterator>

const std::array<StandardButtonRow, StandardButtonCount> StandardButtons{{
    {"Yes", 71, mrYes, "&Yes"},
    {"No", 72, mrNo, "&No"},
    {"OK", 73, mrOk, "OK"},
    {"Cancel", 74, mrCancel, "Cancel"},
    {"Abort", 75, mrAbort, "&Abort"},
    {"Retry", 76, mrRetry, "&Retry"},
    {"Ignore", 77, mrIgnore, "&Ignore"},
    {"All", 78, mrAll, "&All"},
    {"NoToAll", 79, mrNoToAll, "N&o to All"},
    {"YesToAll", 80, mrYesToAll, "Yes to &All"},
    {"Help", 81, mrNone, "&Help"},
}};

const std::array<CustomButtonRow, CustomButtonCount> CustomButtons{{
    {"BXBtn", mrYes, "BX Amplifier"},
    {"DXBtn", mrNo, "DX Amplifier"},
    {"FXBtn", mrOk, "FX Amplifier"},
    {"FLBtn", mrCancel, "KQRV Amplifier"},
    {"LQRBtn", mrAbort, "LQRV Amplifier"},
    {"YZBtn", mrRetry, "YZ Amplifier"},
}};

namespace {

bool IsIndex(int value, std::size_t count) {
    return value >= 0 && static_cast<std::size_t>(value) < count;
}

int FirstPosition(const std::vector<int>& list, std::initializer_list<int> wanted) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (std::find(wanted.begin(), wanted.end(), list[i]) != wanted.end()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Drops indexes no button has, so positions refer to buttons actually shown.
std::vector<int> KnownIndexes(const std::vector<int>& list, std::size_t count) {
    std::vector<int> known;
    std::copy_if(list.begin(), list.end(), std::back_inserter(known),
                 [count](int index) { return IsIndex(index, count); });
    return known;
}

std::optional<int> ResultOfCancel(const DialogButtonSet& set, bool custom) {
    if (set.CancelPos < 0) return std::nullopt;
    return set.ResultAt(set.CancelPos, custom);
}

}  // namespace

int DialogButtonSet::ResultAt(int position, bool custom) const {
    if (!IsIndex(position, Indexes.size())) return CloseResult;
    const auto index = static_cast<std::size_t>(Indexes[static_cast<std::size_t>(position)]);
    return custom ? CustomButtons[index].Result : StandardButtons[index].Result;
}

DialogButtonSet StandardButtonSet(const std::vector<int>& buttons) {
    DialogButtonSet set;
    set.Indexes = KnownIndexes(buttons, StandardButtons.size());
    set.DefaultPos = FirstPosition(set.Indexes, {sbOK, sbYes});
    if (set.DefaultPos < 0) set.DefaultPos = FirstPosition(set.Indexes, {sbRetry});
    set.CancelPos = FirstPosition(set.Indexes, {sbCancel, sbNo});
    if (set.CancelPos < 0) set.CancelPos = FirstPosition(set.Indexes, {sbOK});
    set.FocusPos = set.DefaultPos;
    return set;
}

DialogButtonSet CustomButtonSet(const std::vector<int>& buttons, int focusPosition,
                                CaptionRange captions) {
    DialogButtonSet set;
    set.Indexes = KnownIndexes(buttons, CustomButtons.size());
    set.DefaultPos = set.Indexes.empty() ? -1 : 0;
    set.CancelPos = IsIndex(captions.EscapePosition, set.Indexes.size())
                        ? captions.EscapePosition
                        : FirstPosition(set.Indexes, {0, 1, 2, 3});
    set.FocusPos = focusPosition;
    return set;
}

std::optional<int> StandardEscapeResult(const std::vector<int>& buttons) {
    return ResultOfCancel(StandardButtonSet(buttons), false);
}

std::optional<int> CustomEscapeResult(const std::vector<int>& buttons, CaptionRange captions) {
    return ResultOfCancel(CustomButtonSet(buttons, 0, captions), true);
}
