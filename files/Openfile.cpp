#include "files/Openfile.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "files/FileDialogRules.h"
#include "link/CatalogueTexts.h"
#include "widgets/ModalDialog.h"

using namespace CatalogueTexts;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

bool IsFolder(const std::string& path) {
    std::error_code ignored;
    return !path.empty() && std::filesystem::is_directory(path, ignored);
}

// A Linux user has no drives: the file system root, the home folder and the
// folder the program started in stand in for them.
std::vector<std::string> DriveFolders(const std::string& startFolder) {
    return {"/", WithSeparator(QDir::homePath().toStdString()), WithSeparator(startFolder)};
}

QPushButton* Button(const QString& name, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TFileForm::TFileForm(Mode mode, const FileQuestion& question, const MessageCatalogue& catalogue,
                     Questions& ask, const std::string& startFolder, QWidget* parent)
    : QDialog(parent),
      mode_(mode),
      catalogue_(catalogue),
      ask_(ask),
      startFolder_(startFolder),
      extension_(FilterExtension(question.Filter)) {
    setObjectName(mode == Mode::Open ? "TOpenForm" : "TSaveForm");
    Build(question);
    std::string folder = question.Folder;
    if (!IsFolder(folder))
        folder = IsFolder(startFolder) ? startFolder : QDir::homePath().toStdString();
    ShowFolder(folder);
    fileEdit_->setText(Q(question.Name));
}

QString TFileForm::Msg(int n) const {
    return Q(catalogue_.Msg(n));
}

void TFileForm::Build(const FileQuestion& question) {
    setWindowTitle(Q(question.Title));
    setModal(true);
    auto* grid = new QGridLayout(this);
    drives_ = new QComboBox(this);
    drives_->setObjectName("DriveComboBox");
    for (const std::string& drive : DriveFolders(startFolder_)) drives_->addItem(Q(drive));
    folderLabel_ = new QLabel(this);
    folderLabel_->setObjectName("DirLabel");
    directories_ = new QListWidget(this);
    directories_->setObjectName("DirectoryListBox");
    files_ = new QListWidget(this);
    files_->setObjectName("FileListBox");
    filter_ = new QComboBox(this);
    filter_->setObjectName("FilterComboBox");
    for (const auto& [label, pattern] : FilterEntries(question.Filter)) {
        filter_->addItem(Q(label + " (" + pattern + ")"), Q(pattern));
    }
    fileEdit_ = new QLineEdit(this);
    fileEdit_->setObjectName("FileEdit");
    auto* nameLabel = new QLabel(Msg(mode_ == Mode::Open ? MsgOpenName : MsgSaveName), this);
    auto* ok = Button(mode_ == Mode::Open ? "OpenOKBtn" : "SaveOKBtn", Msg(MsgDialogOk), this);
    auto* close =
        Button(mode_ == Mode::Open ? "OpenCloseBtn" : "SaveCloseBtn", Msg(MsgDialogCancel), this);

    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(fileEdit_, 1, 0);
    grid->addWidget(files_, 2, 0, 2, 1);
    grid->addWidget(filter_, 4, 0);
    grid->addWidget(folderLabel_, 0, 1, 1, 2);
    grid->addWidget(directories_, 2, 1, 2, 2);
    grid->addWidget(drives_, 4, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    if (mode_ == Mode::Save) {
        auto* newDir = new QToolButton(this);
        newDir->setObjectName("NewDir");
        newDir->setText(Msg(MsgNewDir));
        newDir->setToolTip(Msg(MsgNewDir));
        buttons->addWidget(newDir);
        connect(newDir, &QToolButton::clicked, this, [this] { NewDirClick(); });
    }
    buttons->addWidget(ok);
    buttons->addWidget(close);
    grid->addLayout(buttons, 5, 0, 1, 3);
    resize(560, 360);

    connect(ok, &QPushButton::clicked, this, [this] { OpenOKBtnClick(); });
    connect(close, &QPushButton::clicked, this, [this] { reject(); });
    connect(drives_, &QComboBox::activated, this, [this](int i) { DriveChanged(i); });
    connect(filter_, &QComboBox::currentIndexChanged, this, [this] { FillLists(); });
    connect(directories_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { DirectoryChosen(item); });
    connect(files_, &QListWidget::itemSelectionChanged, this, [this] { FileSelected(); });
    if (mode_ == Mode::Open) {
        connect(files_, &QListWidget::itemDoubleClicked, this, [this] { OpenOKBtnClick(); });
    }
    connect(fileEdit_, &QLineEdit::returnPressed, this, [this] { FileEditReturn(); });
}

void TFileForm::ShowFolder(const std::string& folder) {
    folder_ = WithSeparator(QDir(Q(folder)).absolutePath().toStdString());
    folderLabel_->setText(Q(folder_));
    // The selector shows the "drive" the folder lies on: the longest that holds it.
    int drive = 0;
    for (int i = 0; i < drives_->count(); ++i) {
        const std::string root = drives_->itemText(i).toStdString();
        if (folder_.rfind(root, 0) == 0 &&
            drives_->itemText(i).size() >= drives_->itemText(drive).size())
            drive = i;
    }
    drives_->setCurrentIndex(drive);
    FillLists();
}

void TFileForm::FillLists() {
    const QDir dir(Q(folder_));
    directories_->clear();
    if (folder_ != "/") directories_->addItem("..");
    // Qt lists a link to a device (the simulator's Com1) among the folders:
    // only what opens as a folder is offered as one.
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (entry.isDir()) directories_->addItem(entry.fileName());
    }
    files_->clear();
    const QString pattern = filter_->currentData().toString();
    files_->addItems(dir.entryList({pattern.isEmpty() ? QString("*") : pattern}, QDir::Files,
                                   QDir::Name | QDir::IgnoreCase));
}

void TFileForm::DriveChanged(int index) {
    ShowFolder(drives_->itemText(index).toStdString());
}

void TFileForm::DirectoryChosen(QListWidgetItem* item) {
    ShowFolder(JoinPath(folder_, item->text().toStdString()));
}

void TFileForm::FileSelected() {
    const QList<QListWidgetItem*> selected = files_->selectedItems();
    if (!selected.isEmpty()) fileEdit_->setText(selected.front()->text());
}

void TFileForm::OpenOKBtnClick() {
    const std::string typed = fileEdit_->text().toStdString();
    const std::string path = AcceptedPath(folder_, typed, extension_);
    if (path.empty()) {
        ask_.Beep();
        ask_.StandardDialog(catalogue_.Msg(MsgTypeFileName), DialogKind::Warning, {sbOK});
        return;
    }
    std::error_code ignored;
    if (mode_ == Mode::Save && std::filesystem::exists(path, ignored)) {
        const std::string question = path + "\n" + catalogue_.Msg(MsgReplaceFile);
        if (ask_.StandardDialog(question, DialogKind::Confirmation, {sbYes, sbNo},
                                QuestionId::ReplaceFile) != mrYes)
            return;
    }
    selectedPath_ = path;
    typedName_ = typed;
    accept();
}

// Return in the name field: a folder typed there is shown, anything else is
// taken as if OK were pressed (a full path included).
void TFileForm::FileEditReturn() {
    const std::string typed = fileEdit_->text().trimmed().toStdString();
    const std::string folder = typed.empty() ? std::string() : JoinPath(folder_, typed);
    if (IsFolder(folder)) {
        ShowFolder(folder);
        fileEdit_->clear();
        return;
    }
    OpenOKBtnClick();
}

void TFileForm::NewDirClick() {
    TNewDirForm form(folder_, catalogue_, ask_, this);
    ExecModal(form);
    ShowFolder(form.NewDirectory());
}

TNewDirForm::TNewDirForm(const std::string& newDirectory, const MessageCatalogue& catalogue,
                         Questions& ask, QWidget* parent)
    : QDialog(parent), newDirectory_(newDirectory), catalogue_(catalogue), ask_(ask) {
    setObjectName("TNewDirForm");
    setWindowTitle(Q(catalogue.Msg(MsgNewDir)));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Q(catalogue.Msg(MsgNowDir)), this));
    auto* nowDir = new QLabel(Q(newDirectory), this);
    nowDir->setObjectName("NowDir");
    layout->addWidget(nowDir);
    layout->addWidget(new QLabel(Q(catalogue.Msg(MsgNewDirName)), this));
    edit_ = new QLineEdit(this);
    edit_->setObjectName("NewDirEdit");
    layout->addWidget(edit_);
    auto* buttons = new QHBoxLayout;
    auto* confirm = Button("ConfirmBtn", Q(catalogue.Msg(MsgDialogOk)), this);
    auto* cancel = Button("CancelBtn", Q(catalogue.Msg(MsgDialogCancel)), this);
    buttons->addStretch();
    buttons->addWidget(confirm);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(360, 0)));
    connect(confirm, &QPushButton::clicked, this, [this] { ConfirmBtnClick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    // Enter in the edit confirms and goes no further.
    connect(edit_, &QLineEdit::returnPressed, this, [this] { ConfirmBtnClick(); });
}

void TNewDirForm::ConfirmBtnClick() {
    const std::string name = edit_->text().trimmed().toStdString();
    std::error_code failure;
    const std::string folder = JoinPath(newDirectory_, name);
    if (name.empty() || !std::filesystem::create_directory(folder, failure)) {
        ask_.Beep();
        ask_.StandardDialog(catalogue_.Msg(MsgNewDirFailed), DialogKind::Error, {sbOK});
        return;
    }
    newDirectory_ = WithSeparator(folder);
    accept();
}

namespace {

FileChooser MakeChooser(TFileForm::Mode mode, DriveState& state, const MessageCatalogue& catalogue,
                        Questions& ask, QWidget* parent) {
    return [mode, &state, &catalogue, &ask,
            parent](const FileQuestion& question) -> std::optional<std::string> {
        TFileForm form(mode, question, catalogue, ask, state.StartFolder, parent);
        if (ExecModal(form) != QDialog::Accepted) return std::nullopt;
        // The folder shown is remembered even when no file of the list was
        // selected, so the settings never store an empty folder.
        state.WorkFolder = form.ShownFolder();
        if (mode == TFileForm::Mode::Open) state.TempFileName = form.TypedName();
        return form.SelectedPath();
    };
}

}  // namespace

FileChooser MakeOpenChooser(DriveState& state, const MessageCatalogue& catalogue, Questions& ask,
                            QWidget* parent) {
    return MakeChooser(TFileForm::Mode::Open, state, catalogue, ask, parent);
}

FileChooser MakeSaveChooser(DriveState& state, const MessageCatalogue& catalogue, Questions& ask,
                            QWidget* parent) {
    return MakeChooser(TFileForm::Mode::Save, state, catalogue, ask, parent);
}
