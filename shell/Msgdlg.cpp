#include "shell/Msgdlg.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "link/CatalogueTexts.h"
#include "link/DialogButtons.h"
#include "link/MessageCatalogue.h"
#include "shell/MessageLayout.h"
#include "shell/OtherPortDialog.h"
#include "shell/TableDialog.h"
#include "widgets/ModalDialog.h"

using namespace CatalogueTexts;

namespace {

struct KindRow {
    const char* title;  // before any catalogue is applied; nullptr: the application's title
    bool hasIcon;
    QStyle::StandardPixmap icon;
};
constexpr std::array<KindRow, 5> kKinds{{
    {"Warning", true, QStyle::SP_MessageBoxWarning},
    {"Error", true, QStyle::SP_MessageBoxCritical},
    {"Information", true, QStyle::SP_MessageBoxInformation},
    {"Confirmation", true, QStyle::SP_MessageBoxQuestion},
    {nullptr, false, QStyle::SP_CustomBase},
}};

const KindRow& KindOf(DialogKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return kKinds[index < kKinds.size() ? index : kKinds.size() - 1];
}

bool IsIndex(int value, std::size_t count) {
    return value >= 0 && static_cast<std::size_t>(value) < count;
}

// The text word-wrapped in the given width. A word longer than the width
// (a long path) is broken anywhere, as the label does, so that the dialog
// never grows wider than half the screen.
QRect MeasureText(const QFontMetrics& metrics, const QString& text, int width) {
    const QRect area(0, 0, width, 0);
    QRect rect = metrics.boundingRect(area, Qt::TextWordWrap | Qt::TextExpandTabs, text);
    if (rect.width() > width) {
        rect = metrics.boundingRect(area, Qt::TextWrapAnywhere | Qt::TextExpandTabs, text);
    }
    return rect;
}

QFont MessageFont() {
    return QApplication::font("QMessageBox");
}

// The buttons of a dialog from its button table and the current captions.
template <class Table, class CaptionOf>
std::vector<TMessageForm::Button> ButtonsOf(const std::vector<int>& list, const Table& table,
                                            CaptionOf captionOf) {
    std::vector<TMessageForm::Button> buttonRows;
    for (int index : list) {
        const auto& row = table[static_cast<std::size_t>(index)];
        buttonRows.push_back({row.Name, QString::fromStdString(captionOf(index)), row.Result});
    }
    return buttonRows;
}

QRect ScreenArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

DialogCaptions::DialogCaptions() {
    for (std::size_t i = 0; i < standard_.size(); ++i) {
        standard_[i] = StandardButtons[i].InitialCaption;
    }
    for (std::size_t i = 0; i < custom_.size(); ++i) custom_[i] = CustomButtons[i].InitialCaption;
    for (std::size_t i = 0; i < titles_.size(); ++i) titles_[i] = kKinds[i].title;
}

void DialogCaptions::SetCaptions(int first, int count, const MessageCatalogue& catalogue) {
    for (std::size_t i = 0; i < standard_.size(); ++i) {
        standard_[i] = catalogue.Msg(MsgDialogYes + static_cast<int>(i));
    }
    for (std::size_t i = 0; i < titles_.size(); ++i) {
        titles_[i] = catalogue.Msg(MsgDialogTitleFirst + static_cast<int>(i));
    }
    const int customCount = std::clamp(count, 0, CustomCount);
    for (int i = 0; i < customCount; ++i) {
        const bool sixthFamily = first == MsgFamilyButtonFirst && i == 5;
        custom_[static_cast<std::size_t>(i)] =
            catalogue.Msg(sixthFamily ? MsgSixthFamilyButton : first + i);
    }
}

const std::string& DialogCaptions::Standard(int index) const {
    return standard_.at(static_cast<std::size_t>(index));
}

const std::string& DialogCaptions::Custom(int index) const {
    return custom_.at(static_cast<std::size_t>(index));
}

QString DialogCaptions::Title(DialogKind kind, const QString& appTitle) const {
    const auto index = static_cast<std::size_t>(kind);
    return index < titles_.size() ? QString::fromStdString(titles_[index]) : appTitle;
}

TMessageForm::TMessageForm(const std::string& text, DialogKind kind,
                           const std::vector<Button>& buttons, int defaultPos, int cancelPos,
                           int focusPos, const QString& title, QWidget* parent)
    : QDialog(parent) {
    setObjectName("MessageForm");
    setFont(MessageFont());
    setWindowTitle(title);
    BuildButtons(buttons);
    if (IsIndex(defaultPos, buttons_.size())) {
        buttons_[static_cast<std::size_t>(defaultPos)]->setDefault(true);
    }
    if (IsIndex(cancelPos, buttons_.size())) {
        cancelButton_ = buttons_[static_cast<std::size_t>(cancelPos)];
    }
    if (IsIndex(focusPos, buttons_.size())) {
        focusButton_ = buttons_[static_cast<std::size_t>(focusPos)];
    } else if (!buttons_.empty()) {
        focusButton_ = buttons_.front();
    }
    ArrangeWidgets(text, kind);
}

void TMessageForm::BuildButtons(const std::vector<Button>& buttons) {
    for (const Button& row : buttons) {
        auto* button = new QPushButton(row.caption, this);
        button->setObjectName(row.name);
        const int result = row.result;
        // A button without a result (Help) leaves the dialog open.
        if (result != mrNone)
            connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        buttons_.push_back(button);
    }
}

void TMessageForm::ArrangeWidgets(const std::string& text, DialogKind kind) {
    const QFontMetrics metrics(font());
    const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const QString message = QString::fromStdString(text);
    const QRect textRect = MeasureText(metrics, message, ScreenArea().width() / 2);
    MessageLayoutInput in;
    in.charWidth = metrics.horizontalAdvance(letters) / 52;
    in.charHeight = metrics.height();
    in.textWidth = textRect.width();
    in.textHeight = textRect.height();
    in.hasIcon = KindOf(kind).hasIcon;
    in.buttonCount = static_cast<int>(buttons_.size());
    for (const QPushButton* button : buttons_) {
        in.minButtonWidth = std::max(in.minButtonWidth, button->sizeHint().width());
        in.minButtonHeight = std::max(in.minButtonHeight, button->sizeHint().height());
    }
    const MessageLayout layout = LayoutMessage(in);

    if (in.hasIcon) {
        auto* image = new QLabel(this);
        image->setObjectName("Image");
        image->setPixmap(style()->standardIcon(KindOf(kind).icon).pixmap(kMessageIconSize));
        image->setGeometry(layout.iconX, layout.iconY, kMessageIconSize, kMessageIconSize);
    }
    auto* label = new QLabel(message, this);
    label->setObjectName("Message");
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setGeometry(layout.textX, layout.textY, in.textWidth,
                       std::max(in.textHeight, label->heightForWidth(in.textWidth)));

    int x = layout.buttonsX;
    for (QPushButton* button : buttons_) {
        button->setGeometry(x, layout.buttonsY, layout.buttonWidth, layout.buttonHeight);
        x += layout.buttonWidth + layout.buttonGap;
    }
    setFixedSize(layout.clientWidth, layout.clientHeight);
    move(ScreenArea().center() - rect().center());
}

void TMessageForm::reject() {
    done(mrCancel);
}

void TMessageForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    // Without a cancel button Escape does nothing; only closing the window cancels.
    if (cancelButton_) cancelButton_->click();
    event->accept();
}

void TMessageForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (focusButton_) focusButton_->setFocus(Qt::OtherFocusReason);
}

std::unique_ptr<TMessageForm> CreateStandardDialog(const std::string& text, DialogKind kind,
                                                   const std::vector<int>& buttons,
                                                   const DialogCaptions& captions,
                                                   const QString& appTitle, QWidget* parent,
                                                   int focusPosition) {
    const DialogButtonSet set = StandardButtonSet(buttons);
    const auto buttonRows = ButtonsOf(set.Indexes, StandardButtons,
                                      [&captions](int index) { return captions.Standard(index); });
    const int focusPos = focusPosition >= 0 ? focusPosition : set.FocusPos;
    return std::make_unique<TMessageForm>(text, kind, buttonRows, set.DefaultPos, set.CancelPos,
                                          focusPos, captions.Title(kind, appTitle), parent);
}

std::unique_ptr<TMessageForm> CreateCustomDialog(const std::string& text, DialogKind kind,
                                                 const std::vector<int>& buttons, int focusPosition,
                                                 const DialogCaptions& captions,
                                                 const QString& appTitle, QWidget* parent,
                                                 int escapePosition) {
    const DialogButtonSet set =
        CustomButtonSet(buttons, focusPosition, CaptionRange{0, 0, escapePosition});
    const auto buttonRows = ButtonsOf(set.Indexes, CustomButtons,
                                      [&captions](int index) { return captions.Custom(index); });
    return std::make_unique<TMessageForm>(text, kind, buttonRows, set.DefaultPos, set.CancelPos,
                                          set.FocusPos, captions.Title(kind, appTitle), parent);
}

namespace {

int ShowAs(QuestionId id, const std::unique_ptr<TMessageForm>& form) {
    form->setProperty("question", QString(QuestionName(id)));
    return ExecModal(*form);
}

}  // namespace

int StandardDialog(const std::string& text, DialogKind kind, const std::vector<int>& buttons,
                   const DialogCaptions& captions, const QString& appTitle, QWidget* parent,
                   QuestionId id) {
    return ShowAs(id, CreateStandardDialog(text, kind, buttons, captions, appTitle, parent));
}

int CustomDialog(const std::string& text, DialogKind kind, const std::vector<int>& buttons,
                 int focusPosition, const DialogCaptions& captions, const QString& appTitle,
                 QWidget* parent, int escapePosition, QuestionId id) {
    return ShowAs(id, CreateCustomDialog(text, kind, buttons, focusPosition, captions, appTitle,
                                         parent, escapePosition));
}

DialogQuestions::DialogQuestions(DialogCaptions& captions, const MessageCatalogue& catalogue,
                                 QWidget* parent)
    : captions_(captions),
      catalogue_(catalogue),
      parent_(parent),
      appTitle_(QGuiApplication::applicationDisplayName()) {}

int DialogQuestions::StandardDialog(const std::string& text, DialogKind kind,
                                    const std::vector<int>& buttons, QuestionId id) {
    // The standard captions follow the language now in use.
    captions_.SetCaptions(0, 0, catalogue_);
    return ::StandardDialog(text, kind, buttons, captions_, appTitle_, parent_, id);
}

int DialogQuestions::CautiousYesNo(const std::string& text, DialogKind kind, QuestionId id) {
    constexpr int NoPosition = 1;
    captions_.SetCaptions(0, 0, catalogue_);
    return ShowAs(id, CreateStandardDialog(text, kind, {sbYes, sbNo}, captions_, appTitle_, parent_,
                                           NoPosition));
}

int DialogQuestions::CustomDialog(const std::string& text, DialogKind kind,
                                  const std::vector<int>& buttons, int focusPosition,
                                  CaptionRange captions, QuestionId id) {
    captions_.SetCaptions(captions.First, captions.Count, catalogue_);
    return ::CustomDialog(text, kind, buttons, focusPosition, captions_, appTitle_, parent_,
                          captions.EscapePosition, id);
}

std::optional<std::string> DialogQuestions::ChooseFileToOpen(const FileQuestion& question) {
    return openChooser_ ? openChooser_(question) : std::nullopt;
}

std::optional<std::string> DialogQuestions::ChooseFileToSave(const FileQuestion& question) {
    return saveChooser_ ? saveChooser_(question) : std::nullopt;
}

bool DialogQuestions::Print(const PrintJob& job) {
    return printer_ ? printer_(job) : false;
}

std::optional<std::string> DialogQuestions::ChooseSerialPort(const PortQuestion& question) {
    return AskOtherPort(question, catalogue_, parent_);
}

bool DialogQuestions::ConfirmTable(const TableQuestion& question) {
    TTableQuestionForm form(question, catalogue_, parent_);
    return ExecModal(form) == QDialog::Accepted;
}

void DialogQuestions::Beep() {
    QApplication::beep();
}
