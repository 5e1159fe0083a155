#pragma once
// TReadData: a viewer in which any text file (typically a parameter file) is
// read into an editable memo and saved again. It never talks to the
// amplifier; each use of the menu item opens another one.
#include <QWidget>
#include <string>

#include "link/DriveState.h"
#include "link/MessageCatalogue.h"
#include "link/Questions.h"
#include "widgets/ChildWindow.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TReadData : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    TReadData(DriveState& state, const MessageCatalogue& catalogue, Questions& ask,
              QWidget* parent = nullptr);

    void ChangeLanguage() override;
    // The main window's frame takes a child's size from its hint: a whole
    // parameter-file line fits, and a longer one (a production record) scrolls.
    QSize sizeHint() const override { return {560, 420}; }
    void ReadBtnClick();
    void SaveBtnClick();
    void ReadCloseBtnClick();

    // Reads path into the memo; false (memo and label untouched) when it
    // cannot be read, with the reason in error.
    bool ReadFile(const std::string& path, std::string& error);
    bool SaveFile(const std::string& path, std::string& error);

private:
    FileQuestion Question(int titleMessage) const;
    void ShowPath(const std::string& text, const std::string& path);
    QString Msg(int n) const;

    DriveState& state_;
    const MessageCatalogue& catalogue_;
    Questions& ask_;
    QLabel* fname_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QPushButton* readBtn_ = nullptr;
    QPushButton* saveBtn_ = nullptr;
    QPushButton* closeBtn_ = nullptr;
    QPushButton* helpBtn_ = nullptr;
};
