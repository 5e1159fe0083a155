#include "shell/OtherPortDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"
#include "widgets/ModalDialog.h"

using namespace CatalogueTexts;

namespace {

// Two lines for an adapter (its name, then the path to open), one otherwise.
QString RowText(const SerialPortEntry& port) {
    if (port.Description.empty()) return QString::fromStdString(port.Path);
    return QString::fromStdString(port.Description + " (" + port.Device + ")\n" + port.Path);
}

// The menu caption without its ellipsis and accelerator makes the title.
QString TitleFrom(const std::string& caption) {
    QString title = QString::fromStdString(caption);
    title.remove('&');
    while (title.endsWith(QChar(0x2026)) || title.endsWith('.')) title.chop(1);
    return title.trimmed();
}

}  // namespace

TOtherPortForm::TOtherPortForm(const PortQuestion& question, const MessageCatalogue& catalogue,
                               QWidget* parent)
    : QDialog(parent), question_(question) {
    setObjectName("OtherPortForm");
    setWindowTitle(TitleFrom(question.Title));
    auto* column = new QVBoxLayout(this);

    portList_ = new QListWidget(this);
    portList_->setObjectName("PortList");
    portList_->setAlternatingRowColors(true);
    for (const SerialPortEntry& port : question.Ports) portList_->addItem(RowText(port));
    if (question.Ports.empty()) {
        auto* none = new QListWidgetItem("-", portList_);
        none->setFlags(Qt::NoItemFlags);
    }
    column->addWidget(portList_, 1);

    portPath_ = new QLineEdit(this);
    portPath_->setObjectName("PortPath");
    portPath_->setText(QString::fromStdString(question.Current));
    column->addWidget(portPath_);

    auto* buttons = new QDialogButtonBox(this);
    okButton_ = buttons->addButton(QString::fromStdString(catalogue.Msg(MsgDialogOk)),
                                   QDialogButtonBox::AcceptRole);
    okButton_->setObjectName("OKBtn");
    QPushButton* cancel = buttons->addButton(QString::fromStdString(catalogue.Msg(MsgDialogCancel)),
                                             QDialogButtonBox::RejectRole);
    cancel->setObjectName("CancelBtn");
    column->addWidget(buttons);

    // A row fills the field only when chosen: the list makes its first row
    // current, unselected, as soon as it takes the focus, which must not
    // replace a typed path.
    connect(portList_, &QListWidget::itemSelectionChanged, this, &TOtherPortForm::RowChosen);
    connect(portList_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(portPath_, &QLineEdit::textChanged, this, &TOtherPortForm::PathEdited);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    for (std::size_t i = 0; i < question.Ports.size(); ++i) {
        if (question.Ports[i].Path == question.Current)
            portList_->setCurrentRow(static_cast<int>(i));
    }
    PathEdited();
    resize(560, 320);
}

std::string TOtherPortForm::ChosenPath() const {
    return portPath_->text().trimmed().toStdString();
}

void TOtherPortForm::RowChosen() {
    const QList<QListWidgetItem*> chosen = portList_->selectedItems();
    if (chosen.isEmpty()) return;
    const int row = portList_->row(chosen.front());
    if (row >= 0 && row < static_cast<int>(question_.Ports.size()))
        portPath_->setText(
            QString::fromStdString(question_.Ports[static_cast<std::size_t>(row)].Path));
}

// Nothing to open, nothing to accept.
void TOtherPortForm::PathEdited() {
    okButton_->setEnabled(!ChosenPath().empty());
}

std::optional<std::string> AskOtherPort(const PortQuestion& question,
                                        const MessageCatalogue& catalogue, QWidget* parent) {
    TOtherPortForm form(question, catalogue, parent);
    if (ExecModal(form) != QDialog::Accepted || form.ChosenPath().empty()) return std::nullopt;
    return form.ChosenPath();
}
