#pragma once
// The file dialogs: TOpenForm and TSaveForm share one window class (drive
// selector, directory list, file list, filter, FileEdit, OK and Close);
// TSaveForm adds the NewDir button and asks before it replaces a file.
// TNewDirForm creates a folder. They reach logic through the file questions
// of Questions: the main window plugs in MakeOpenChooser / MakeSaveChooser.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "link/DriveState.h"
#include "link/MessageCatalogue.h"
#include "link/Questions.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

class TFileForm : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Open, Save };

    TFileForm(Mode mode, const FileQuestion& question, const MessageCatalogue& catalogue,
              Questions& ask, const std::string& startFolder, QWidget* parent = nullptr);

    // After OK: the chosen path, the folder shown (the next WorkFolder) and
    // the name as typed (the next TempFileName of an open dialog).
    const std::string& SelectedPath() const { return selectedPath_; }
    const std::string& ShownFolder() const { return folder_; }
    const std::string& TypedName() const { return typedName_; }
    bool DialogAccepted() const { return result() == QDialog::Accepted; }

    void ShowFolder(const std::string& folder);

    // The handlers of the buttons.
    void OpenOKBtnClick();
    void FileEditReturn();
    void NewDirClick();

private:
    void Build(const FileQuestion& question);
    void FillLists();
    void DriveChanged(int index);
    void DirectoryChosen(QListWidgetItem* item);
    void FileSelected();
    QString Msg(int n) const;

    Mode mode_;
    const MessageCatalogue& catalogue_;
    Questions& ask_;
    std::string startFolder_;
    std::string extension_;
    std::string folder_;
    std::string selectedPath_;
    std::string typedName_;
    QComboBox* drives_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    QListWidget* directories_ = nullptr;
    QListWidget* files_ = nullptr;
    QComboBox* filter_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
};

// TNewDirForm: creates a folder inside NewDirectory.
class TNewDirForm : public QDialog {
    Q_OBJECT
public:
    TNewDirForm(const std::string& newDirectory, const MessageCatalogue& catalogue, Questions& ask,
                QWidget* parent = nullptr);
    // The folder made, or the one given when nothing was made.
    const std::string& NewDirectory() const { return newDirectory_; }
    void ConfirmBtnClick();

private:
    std::string newDirectory_;
    const MessageCatalogue& catalogue_;
    Questions& ask_;
    QLineEdit* edit_ = nullptr;
};

// The file questions of the program's dialogs: each shows its form modally
// and, on OK, remembers WorkFolder (and TempFileName for an open) in state.
using FileChooser = std::function<std::optional<std::string>(const FileQuestion&)>;
FileChooser MakeOpenChooser(DriveState& state, const MessageCatalogue& catalogue, Questions& ask,
                            QWidget* parent);
FileChooser MakeSaveChooser(DriveState& state, const MessageCatalogue& catalogue, Questions& ask,
                            QWidget* parent);
