#include "files/Readampdata.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>
#include <vector>

#include "files/AtomicFile.h"
#include "files/FileDialogRules.h"
#include "files/ParamFile.h"
#include "files/Transfer.h"
#include "link/CatalogueTexts.h"

using namespace CatalogueTexts;

namespace {

QPushButton* Button(const char* name, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    return button;
}

MessageLookup TextsOf(const MessageCatalogue& catalogue) {
    return [&catalogue](int n) { return catalogue.Msg(n); };
}

}  // namespace

TReadData::TReadData(DriveState& state, const MessageCatalogue& catalogue, Questions& ask,
                     QWidget* parent)
    : QWidget(parent), state_(state), catalogue_(catalogue), ask_(ask) {
    setObjectName("TReadData");
    setAttribute(Qt::WA_DeleteOnClose);
    fname_ = new QLabel("/", this);
    fname_->setObjectName("Fname");
    fname_->setWordWrap(true);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName("Memo1");
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setFont(QFont("Monospace"));
    readBtn_ = Button("ReadBtn", this);
    saveBtn_ = Button("SaveBtn", this);
    closeBtn_ = Button("ReadCloseBtn", this);
    helpBtn_ = Button("ReadHelpBtn", this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {readBtn_, saveBtn_, closeBtn_, helpBtn_})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fname_);
    layout->addWidget(memo_, 1);
    layout->addLayout(buttons);
    connect(readBtn_, &QPushButton::clicked, this, [this] { ReadBtnClick(); });
    connect(saveBtn_, &QPushButton::clicked, this, [this] { SaveBtnClick(); });
    connect(closeBtn_, &QPushButton::clicked, this, [this] { ReadCloseBtnClick(); });
    resize(560, 420);
    ChangeLanguage();
}

QString TReadData::Msg(int n) const {
    return QString::fromStdString(catalogue_.Msg(n));
}

void TReadData::ChangeLanguage() {
    setWindowTitle(Msg(MsgReadDataTitle));
    readBtn_->setText(Msg(MsgButtonOpen));
    saveBtn_->setText(Msg(MsgButtonSave));
    closeBtn_->setText(Msg(MsgButtonClose));
    helpBtn_->setText(Msg(MsgButtonHelp));
}

FileQuestion TReadData::Question(int titleMessage) const {
    const std::string name =
        state_.TempFileName.empty() ? FileKindFor(state_).OfferedName : state_.TempFileName;
    return FileQuestion{catalogue_.Msg(titleMessage), state_.WorkFolder,
                        FileFilterFor(state_.AmpFamily), name};
}

// The file is read before anything of the viewer changes: a file that cannot
// be read leaves the text being edited as it was.
void TReadData::ReadBtnClick() {
    const std::optional<std::string> path = ask_.ChooseFileToOpen(Question(MsgOpenFileTitle));
    std::string error;
    if (path && !ReadFile(*path, error)) {
        ask_.Beep();
        ErrorBox(ask_, FileProblemText(TextsOf(catalogue_), MsgCannotRead, *path, error));
    }
    memo_->moveCursor(QTextCursor::Start);
    memo_->verticalScrollBar()->setValue(0);
}

bool TReadData::ReadFile(const std::string& path, std::string& error) {
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines, error)) return false;
    QStringList text;
    for (const std::string& line : lines) text << QString::fromStdString(line);
    memo_->setPlainText(text.join('\n'));
    ShowPath(PathLabelText(path), path);
    return true;
}

// The label breaks the path as the rules say; a line still wider than the
// viewer breaks again after a separator rather than losing its end.
void TReadData::ShowPath(const std::string& text, const std::string& path) {
    QString shown = QString::fromStdString(text);
    shown.replace('/', QStringLiteral("/\u200B"));
    fname_->setText(shown);
    fname_->setToolTip(QString::fromStdString(path));
}

// Inside the main window the viewer sits in a frame of its own: closing only
// the viewer would leave that frame behind, empty.
void TReadData::ReadCloseBtnClick() {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->close();
    } else {
        close();
    }
}

void TReadData::SaveBtnClick() {
    const std::optional<std::string> path = ask_.ChooseFileToSave(Question(MsgSaveFileTitle));
    if (!path) return;
    std::string error;
    if (!SaveFile(*path, error)) {
        ask_.Beep();
        ErrorBox(ask_, FileProblemText(TextsOf(catalogue_), MsgCannotWrite, *path, error));
    }
}

bool TReadData::SaveFile(const std::string& path, std::string& error) {
    AtomicFile file;
    if (!file.Create(path, error)) return false;
    for (const std::string& line : TextLines(memo_->toPlainText().toStdString())) {
        file.WriteLine(line);
    }
    if (!file.Commit(error)) return false;
    ShowPath(path, path);
    return true;
}
