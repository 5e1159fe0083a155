#pragma once
#include <QDialog>
#include <vector>

class MessageCatalogue;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// Who asks for help; each caller shows its own catalogue lines.
enum class HelpCaller {
    MainMenu,     // M71ShowHelpClick
    DataMonitor,  // MoniHelpBtnClick
    IODisplay,    // IOHelpBtnClick
    Alarm,        // AlarmHelpBtnClick
    SystemParam,
    SpeedParam,
    TorqueParam,
    PositionParam,
};

// Message numbers of the caller's help lines in order; 0 is an empty line.
std::vector<int> HelpMessages(HelpCaller caller);

// The shared help window: a read-only memo and an OK button.
class THelpForm : public QDialog {
    Q_OBJECT
public:
    explicit THelpForm(QWidget* parent = nullptr);
    void ChangeLanguage(const MessageCatalogue& catalogue);
    // Appends the caller's lines, looked up in catalogue.
    void AddHelp(HelpCaller caller, const MessageCatalogue& catalogue);

    QPlainTextEdit* HelpMemo() const { return helpMemo_; }

public slots:
    void OKButtonClick();

private:
    QPlainTextEdit* helpMemo_;
    QPushButton* okButton_;
};

// The about box: product lines from the catalogue and the package's version.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    void ChangeLanguage(const MessageCatalogue& catalogue);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* AddLabel(const char* name, int x, int y, int width);

    QLabel* productName_;
    QLabel* version_;
    QLabel* copyright_;
    QLabel* comments_;
    QLabel* comments2_;
    QLabel* comments3_;
    QPushButton* okButton_;
};

// Shows the caller's help modally in a new help window, destroyed afterwards.
void ShowHelp(HelpCaller caller, const MessageCatalogue& catalogue, QWidget* parent = nullptr);
// M71ShowHelpClick and M72ShowAboutClick of the main window.
void ShowMainHelp(const MessageCatalogue& catalogue, QWidget* parent = nullptr);
void ShowAbout(const MessageCatalogue& catalogue, QWidget* parent = nullptr);
