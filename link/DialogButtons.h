#pragma once
#include <array>
#include <optional>
#include <vector>

#include "link/Questions.h"

// The buttons of the message dialogs and what each key and gesture gives.
// The real dialog and the scripted answers of tests both take them from
// here, so that Escape in a test gives exactly what Escape gives the user.

struct StandardButtonRow {
    const char* Name;
    int Message;  // caption
    int Result;
    const char* InitialCaption;
};
struct CustomButtonRow {
    const char* Name;
    int Result;
    const char* InitialCaption;
};
inline constexpr int StandardButtonCount = 11;
inline constexpr int CustomButtonCount = 6;
extern const std::array<StandardButtonRow, StandardButtonCount> StandardButtons;
extern const std::array<CustomButtonRow, CustomButtonCount> CustomButtons;

// The buttons a dialog shows and the roles of their positions (-1: none).
struct DialogButtonSet {
    std::vector<int> Indexes;  // known button indexes, in display order
    int DefaultPos = -1;
    int CancelPos = -1;  // the button Escape presses
    int FocusPos = -1;

    int ResultAt(int position, bool custom) const;
};

// Standard: default is the first OK or Yes, else Retry; Escape presses the
// first Cancel or No, else OK.
DialogButtonSet StandardButtonSet(const std::vector<int>& buttons);
// Custom: default is the first button; Escape presses the button the
// question names, else the first of buttons 0 ... 3.
DialogButtonSet CustomButtonSet(const std::vector<int>& buttons, int focusPosition,
                                CaptionRange captions);

// What Escape gives; nothing when the dialog has no cancel button and stays open.
std::optional<int> StandardEscapeResult(const std::vector<int>& buttons);
std::optional<int> CustomEscapeResult(const std::vector<int>& buttons, CaptionRange captions);
// Closing the window without a button.
inline constexpr int CloseResult = mrCancel;
