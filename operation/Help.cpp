#include "operation/Help.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <array>
#include <string>

#include "PackageVersion.h"
#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"
#include "widgets/ModalDialog.h"

using namespace CatalogueTexts;

namespace {

constexpr int kEmptyLine = 0;

struct HelpRow {
    HelpCaller caller;
    std::vector<int> messages;
};

const std::array<HelpRow, 8>& HelpTable() {
    static const std::array<HelpRow, 8> table{{
        {HelpCaller::MainMenu, {331, kEmptyLine, 337, kEmptyLine, 338, 339, 340}},
        {HelpCaller::DataMonitor, {381, kEmptyLine, 382}},
        {HelpCaller::IODisplay, {383, kEmptyLine, 384}},
        {HelpCaller::Alarm, {385, kEmptyLine, 386}},
        {HelpCaller::SystemParam, {389, kEmptyLine, 390}},
        {HelpCaller::SpeedParam, {391, kEmptyLine, 392}},
        {HelpCaller::TorqueParam, {393, kEmptyLine, 394}},
        {HelpCaller::PositionParam, {395, kEmptyLine, 396}},
    }};
    return table;
}

QString Text(const MessageCatalogue& catalogue, int message) {
    return QString::fromStdString(catalogue.Msg(message));
}

void CentreOnScreen(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
}

// The program's icon: a servo motor face drawn once, so the box needs no file.
QPixmap ProgramPixmap() {
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(30, 70, 140));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(2, 2, 44, 44, 8, 8);
    painter.setBrush(QColor(235, 240, 250));
    painter.drawEllipse(QPointF(24, 24), 15, 15);
    painter.setBrush(QColor(30, 70, 140));
    painter.drawEllipse(QPointF(24, 24), 5, 5);
    painter.setPen(QPen(QColor(30, 70, 140), 3));
    painter.drawLine(QPointF(24, 24), QPointF(34, 14));
    return pixmap;
}

constexpr int kHelpWidth = 480;
constexpr int kHelpMemoHeight = 280;
constexpr int kAboutWidth = 526;
constexpr int kAboutHeight = 233;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;
constexpr int kPad = 8;

}  // namespace

std::vector<int> HelpMessages(HelpCaller caller) {
    for (const HelpRow& row : HelpTable()) {
        if (row.caller == caller) return row.messages;
    }
    return {};
}

THelpForm::THelpForm(QWidget* parent)
    : QDialog(parent), helpMemo_(new QPlainTextEdit(this)), okButton_(new QPushButton(this)) {
    setObjectName("HelpForm");
    setWindowTitle("HelpForm");
    helpMemo_->setObjectName("HelpMemo");
    helpMemo_->setReadOnly(true);
    helpMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    helpMemo_->setGeometry(kPad, kPad, kHelpWidth - 2 * kPad, kHelpMemoHeight);
    okButton_->setObjectName("OKButton");
    okButton_->setDefault(true);
    const int buttonY = kPad + kHelpMemoHeight + kPad;
    okButton_->setGeometry((kHelpWidth - kButtonWidth) / 2, buttonY, kButtonWidth, kButtonHeight);
    connect(okButton_, &QPushButton::clicked, this, &THelpForm::OKButtonClick);
    setFixedSize(kHelpWidth, buttonY + kButtonHeight + kPad);
    CentreOnScreen(*this);
}

void THelpForm::ChangeLanguage(const MessageCatalogue& catalogue) {
    okButton_->setText(Text(catalogue, MsgButtonOk));
}

void THelpForm::AddHelp(HelpCaller caller, const MessageCatalogue& catalogue) {
    QStringList lines;
    for (int message : HelpMessages(caller)) {
        lines << (message == kEmptyLine ? QString() : Text(catalogue, message));
    }
    helpMemo_->appendPlainText(lines.join('\n'));
    helpMemo_->moveCursor(QTextCursor::Start);
}

void THelpForm::OKButtonClick() {
    done(QDialog::Accepted);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("About");
    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    const int panelHeight = kAboutHeight - kButtonHeight - 3 * kPad;
    panel->setGeometry(kPad, kPad, kAboutWidth - 2 * kPad, panelHeight);

    auto* icon = new QLabel(this);
    icon->setObjectName("ProgramIcon");
    icon->setPixmap(ProgramPixmap());
    icon->setGeometry(2 * kPad, 2 * kPad, 48, 48);

    const int textX = 2 * kPad + 48 + 2 * kPad;
    const int textWidth = kAboutWidth - textX - 2 * kPad;
    productName_ = AddLabel("ProductName", textX, 2 * kPad, textWidth);
    QFont bold = productName_->font();
    bold.setBold(true);
    productName_->setFont(bold);
    version_ = AddLabel("Version", textX, 2 * kPad + 24, textWidth);
    version_->setText(QString(" Version ") + kPackageVersion);
    copyright_ = AddLabel("Copyright", textX, 2 * kPad + 48, textWidth);
    comments_ = AddLabel("Comments", 2 * kPad, 2 * kPad + 84, kAboutWidth - 4 * kPad);
    comments2_ = AddLabel("Comments2", 2 * kPad, 2 * kPad + 106, kAboutWidth - 4 * kPad);
    comments3_ = AddLabel("Comments3", 2 * kPad, 2 * kPad + 128, kAboutWidth - 4 * kPad);

    okButton_ = new QPushButton(this);
    okButton_->setObjectName("OKButton");
    okButton_->setDefault(true);
    okButton_->setGeometry((kAboutWidth - kButtonWidth) / 2, kPad + panelHeight + kPad,
                           kButtonWidth, kButtonHeight);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(kAboutWidth, kAboutHeight);
    CentreOnScreen(*this);
}

QLabel* TAboutBox::AddLabel(const char* name, int x, int y, int width) {
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(x, y, width, 20);
    return label;
}

void TAboutBox::ChangeLanguage(const MessageCatalogue& catalogue) {
    productName_->setText(Text(catalogue, 331));
    copyright_->setText(Text(catalogue, 332));
    comments_->setText(Text(catalogue, 333));
    comments2_->setText(Text(catalogue, 334));
    comments3_->setText(Text(catalogue, 335));
    okButton_->setText(Text(catalogue, MsgButtonOk));
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    okButton_->setFocus(Qt::OtherFocusReason);
}

void ShowHelp(HelpCaller caller, const MessageCatalogue& catalogue, QWidget* parent) {
    THelpForm form(parent);
    form.ChangeLanguage(catalogue);
    form.AddHelp(caller, catalogue);
    ExecModal(form);
}

void ShowMainHelp(const MessageCatalogue& catalogue, QWidget* parent) {
    ShowHelp(HelpCaller::MainMenu, catalogue, parent);
}

void ShowAbout(const MessageCatalogue& catalogue, QWidget* parent) {
    TAboutBox box(parent);
    box.ChangeLanguage(catalogue);
    ExecModal(box);
}
