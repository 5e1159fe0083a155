#pragma once
#include <string>
#include <vector>

// Every modal question goes through this seam: the real dialogs implement it,
// tests answer from a script.
enum class DialogKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Application = 4 };

// Standard button indexes; the dialog table in Msgdlg.cpp gives each its result.
enum StandardButton {
    sbYes, sbNo, sbOK, sbCancel, sbAbort, sbRetry, sbIgnore, sbAll, sbNoToAll, sbYesToAll, sbHelp
};

// Dialog results.
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
              mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

class Questions {
public:
    virtual ~Questions() = default;

    // Standard dialog: buttons are StandardButton indexes in display order.
    virtual int StandardDialog(const std::string& text, DialogKind kind,
                               const std::vector<int>& buttons) = 0;
    // Custom dialog: buttons are custom button indexes 0 ... 5 in display
    // order; focusPosition is the 0-based position that gets the focus.
    virtual int CustomDialog(const std::string& text, DialogKind kind,
                             const std::vector<int>& buttons, int focusPosition) = 0;
    // The error beep that precedes some dialogs.
    virtual void Beep() {}
};
