#pragma once
#include <optional>
#include <string>
#include <vector>

#include "link/PortList.h"

// Every modal question goes through this seam: the real dialogs implement it,
// tests answer from a script. It lives in the lowest layer so that every logic
// library can ask without depending on the windows.
enum class DialogKind {
    Warning = 0,
    Error = 1,
    Information = 2,
    Confirmation = 3,
    Application = 4
};

// Standard button indexes; the table in DialogButtons.cpp gives each its result.
enum StandardButton {
    sbYes,
    sbNo,
    sbOK,
    sbCancel,
    sbAbort,
    sbRetry,
    sbIgnore,
    sbAll,
    sbNoToAll,
    sbYesToAll,
    sbHelp
};

// What a dialog asks, whatever the language it asks in: whoever answers
// without a person (servoctl, tests) goes by it, never by the text. A box
// that only tells something, with one button, is a Notice.
enum class QuestionId {
    Notice,
    PartialFile,       // a file with another number of entries than the family: transfer it?
    IdentityMismatch,  // the file's identity does not match the amplifier: transfer anyway?
    ResetAfterOpen,    // reset the amplifier now? (Yes, No)
    RepeatTransfer,    // transfer the same file again? (Yes, No)
    ProductionReset,   // reset+count, reset only, no reset
    CompareProtected,  // compare the protected range too? (All, No to all)
    PreviewTransfer,   // the preview table: transfer the file? (Yes, No)
    TableFill,         // fill the table from the amplifier or from a file
    TableWriteBack,    // write the table's edits back? (Yes, No)
    ReplaceFile,       // the file exists already: replace it? (Yes, No)
    FamilyChoice,      // which family the amplifier is
    ExitProgram,       // leave the program? (Yes, No)
};
// The identifier's name ("ResetAfterOpen"), as the real dialog carries it.
const char* QuestionName(QuestionId id);

// Dialog results.
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
              mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

// The catalogue messages that caption the buttons of a custom dialog: button i
// takes message First + i. A question carries its own range, so no caller
// depends on captions another caller left behind. EscapePosition is the
// position of the button Escape presses, -1 for the usual one (the first of
// buttons 0 ... 3); a question whose first buttons act names its harmless one.
struct CaptionRange {
    int First = 0;
    int Count = 0;
    int EscapePosition = -1;
};

// A file to choose: the dialog's title, the folder it starts in (with a
// trailing separator), the filter ("*.dat") and a proposed name.
struct FileQuestion {
    std::string Title;
    std::string Folder;
    std::string Filter;
    std::string Name;
};

// Pages to print: each page is lines of text on a fixed character grid whose
// cells are CharWidth by LineHeight printer units.
struct PrintJob {
    std::string Title;
    std::vector<std::vector<std::string>> Pages;
    int CharWidth = 24;
    int LineHeight = 36;
};

// A serial device to choose: the dialog's title, the devices present and
// the device in use (may be empty).
struct PortQuestion {
    std::string Title;
    std::vector<SerialPortEntry> Ports;
    std::string Current;
};

// A table to look at before something is done: the title, column heads,
// rows (marked rows stand out), the counts under the table and the question.
struct TableQuestion {
    std::string Title;
    std::vector<std::string> Columns;
    std::vector<std::vector<std::string>> Rows;
    std::vector<bool> Marked;  // one per row
    std::string Summary;
    std::string Question;
};

class Questions {
public:
    virtual ~Questions() = default;

    // Standard dialog: buttons are StandardButton indexes in display order;
    // id tells which question it is (a box with one button is a Notice).
    virtual int StandardDialog(const std::string& text, DialogKind kind,
                               const std::vector<int>& buttons,
                               QuestionId id = QuestionId::Notice) = 0;
    // Custom dialog: buttons are custom button indexes 0 ... 5 in display
    // order, captioned from captions; focusPosition is the 0-based position
    // that gets the focus.
    virtual int CustomDialog(const std::string& text, DialogKind kind,
                             const std::vector<int>& buttons, int focusPosition,
                             CaptionRange captions, QuestionId id = QuestionId::Notice) = 0;
    // A Yes/No question whose safe answer is No: No has the focus, so that
    // Return does not start what cannot be undone; Escape answers No.
    virtual int CautiousYesNo(const std::string& text, DialogKind kind,
                              QuestionId id = QuestionId::Notice) {
        return StandardDialog(text, kind, {sbYes, sbNo}, id);
    }
    // The error beep that precedes some dialogs.
    virtual void Beep() {}

    // The chosen file's full path, or nothing when the user cancelled. A
    // save question asks before an existing file is replaced.
    virtual std::optional<std::string> ChooseFileToOpen(const FileQuestion& question) = 0;
    virtual std::optional<std::string> ChooseFileToSave(const FileQuestion& question) = 0;
    // Shows the print dialog and prints the pages; false when the user
    // cancelled or printing failed.
    virtual bool Print(const PrintJob& job) = 0;
    // The device to open, or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseSerialPort(const PortQuestion&) {
        return std::nullopt;
    }

    // Shows the table and asks its question; true for Yes. Without a table
    // window the question is the standard Yes/No dialog with the summary.
    virtual bool ConfirmTable(const TableQuestion& question) {
        return StandardDialog(question.Summary + "\n" + question.Question, DialogKind::Confirmation,
                              {sbYes, sbNo}, QuestionId::PreviewTransfer) == mrYes;
    }
};
