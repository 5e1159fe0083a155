#pragma once
#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/DialogButtons.h"

class MessageCatalogue;
class QPushButton;

// Button captions of the message dialogs. One object for the whole program
// (the main window owns it); captions stay until they are set again.
class DialogCaptions {
public:
    static constexpr int StandardCount = StandardButtonCount;
    static constexpr int CustomCount = CustomButtonCount;
    static constexpr int TitleCount = 4;  // the kinds Warning ... Confirmation

    DialogCaptions();
    // Standard captions <- messages 71 ... 81; custom captions 0 ... count-1
    // <- messages first, first+1, ...; with first 86 custom button 5 takes 190.
    // The titles of the dialog kinds follow the language too.
    void SetCaptions(int first, int count, const MessageCatalogue& catalogue);

    const std::string& Standard(int index) const;
    const std::string& Custom(int index) const;
    // The window title of a dialog of this kind; Application dialogs take appTitle.
    QString Title(DialogKind kind, const QString& appTitle) const;

private:
    std::array<std::string, StandardCount> standard_;
    std::array<std::string, CustomCount> custom_;
    std::array<std::string, TitleCount> titles_;
};

// One modal message box. Each button closes it with its result, except a
// button whose result is mrNone (Help). Escape presses the cancel button;
// closing the window without a button gives mrCancel.
class TMessageForm : public QDialog {
    Q_OBJECT
public:
    struct Button {
        QString name;
        QString caption;
        int result;
    };
    // defaultPos, cancelPos and focusPos are positions in buttons, -1 for none.
    TMessageForm(const std::string& text, DialogKind kind, const std::vector<Button>& buttons,
                 int defaultPos, int cancelPos, int focusPos, const QString& title,
                 QWidget* parent = nullptr);

    QPushButton* CancelButton() const { return cancelButton_; }
    QPushButton* FocusButton() const { return focusButton_; }

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildButtons(const std::vector<Button>& buttons);
    void ArrangeWidgets(const std::string& text, DialogKind kind);

    std::vector<QPushButton*> buttons_;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* focusButton_ = nullptr;
};

// The two builders. buttons are StandardButton indexes (standard) or custom
// button indexes 0 ... 5 (custom), in display order; unknown indexes are
// skipped. The caller shows the form (tests) or uses the *Dialog functions.
// escapePosition names the custom button Escape presses (-1: the usual one).
std::unique_ptr<TMessageForm> CreateStandardDialog(const std::string& text, DialogKind kind,
                                                   const std::vector<int>& buttons,
                                                   const DialogCaptions& captions,
                                                   const QString& appTitle,
                                                   QWidget* parent = nullptr,
                                                   int focusPosition = -1);
std::unique_ptr<TMessageForm> CreateCustomDialog(const std::string& text, DialogKind kind,
                                                 const std::vector<int>& buttons, int focusPosition,
                                                 const DialogCaptions& captions,
                                                 const QString& appTitle, QWidget* parent = nullptr,
                                                 int escapePosition = -1);

// Shows the dialog modally, centred on the screen, and returns the result.
// The form carries the question's identifier as its "question" property.
int StandardDialog(const std::string& text, DialogKind kind, const std::vector<int>& buttons,
                   const DialogCaptions& captions, const QString& appTitle,
                   QWidget* parent = nullptr, QuestionId id = QuestionId::Notice);
int CustomDialog(const std::string& text, DialogKind kind, const std::vector<int>& buttons,
                 int focusPosition, const DialogCaptions& captions, const QString& appTitle,
                 QWidget* parent = nullptr, int escapePosition = -1,
                 QuestionId id = QuestionId::Notice);

// The real questions: the dialogs above with the program's captions, which
// each question sets from the catalogue before it is shown. The file and print
// questions are windows of higher layers; the main window plugs them in.
class DialogQuestions : public Questions {
public:
    using FileChooser = std::function<std::optional<std::string>(const FileQuestion&)>;
    using Printer = std::function<bool(const PrintJob&)>;

    DialogQuestions(DialogCaptions& captions, const MessageCatalogue& catalogue,
                    QWidget* parent = nullptr);

    // Title of kind Application dialogs; the application display name until set.
    void SetAppTitle(const QString& title) { appTitle_ = title; }
    void SetParent(QWidget* parent) { parent_ = parent; }
    void SetFileChoosers(FileChooser open, FileChooser save) {
        openChooser_ = std::move(open);
        saveChooser_ = std::move(save);
    }
    void SetPrinter(Printer printer) { printer_ = std::move(printer); }

    int StandardDialog(const std::string& text, DialogKind kind, const std::vector<int>& buttons,
                       QuestionId id = QuestionId::Notice) override;
    int CautiousYesNo(const std::string& text, DialogKind kind,
                      QuestionId id = QuestionId::Notice) override;
    int CustomDialog(const std::string& text, DialogKind kind, const std::vector<int>& buttons,
                     int focusPosition, CaptionRange captions,
                     QuestionId id = QuestionId::Notice) override;
    void Beep() override;
    std::optional<std::string> ChooseFileToOpen(const FileQuestion& question) override;
    std::optional<std::string> ChooseFileToSave(const FileQuestion& question) override;
    bool Print(const PrintJob& job) override;
    std::optional<std::string> ChooseSerialPort(const PortQuestion& question) override;
    bool ConfirmTable(const TableQuestion& question) override;

private:
    DialogCaptions& captions_;
    const MessageCatalogue& catalogue_;
    QWidget* parent_;
    QString appTitle_;
    FileChooser openChooser_;
    FileChooser saveChooser_;
    Printer printer_;
};
