#include "operation/Directrw.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "link/MessageCatalogue.h"
#include "operation/FormParts.h"
#include "params/Fspinedit.h"

namespace {

constexpr OperationWindow::Caption Captions[] = {
    {"Label1", 131},     {"Label2", 132},      {"Label3", 133},     {"Label4", 135},
    {"Label5", 134},     {"Label6", 135},      {"Label7", 138},     {"ROMWriteBtn", 137},
    {"ROMReadBtn", 136}, {"RAMWriteBtn", 137}, {"RAMReadBtn", 136}, {"DRWCloseBtn", 346},
};

TFSpinEdit* PlaceSpinEdit(QWidget* parent, const QString& name, int x, int y, int maxLength) {
    auto* edit = new TFSpinEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(x, y, 90, 24);
    edit->SetIncrement(1);
    edit->SetMaxLength(maxLength);
    return edit;
}

QLineEdit* PlaceBox(QWidget* parent, const QString& name, int x, int y) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setGeometry(x, y, 60, 24);
    box->setReadOnly(true);
    return box;
}

QString ToText(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TDirectRWForm::TDirectRWForm(DirectAccess& access, DriveState& state,
                             const MessageCatalogue& catalogue, QWidget* parent)
    : OperationWindow(state.DirectRWFormOpen, catalogue, "DirectRWForm", parent),
      access_(access),
      state_(state) {
    Build();
    FormCreate();
    freshTimer_->start();
}

void TDirectRWForm::Build() {
    QWidget* client = FixedClient(this, "Direct Read/Write Address", 374, 304, true);
    PlaceLabel(client, "Label1", 110, 8, 90);
    PlaceLabel(client, "Label2", 230, 8, 90);
    PlaceLabel(client, "Label3", 8, 34, 200);
    BuildHalf(client, DirectHalf::Rom, "ROM", 56);
    PlaceLabel(client, "Label4", 8, 86, 90);
    PlaceLabel(client, "Label5", 8, 128, 200);
    BuildHalf(client, DirectHalf::Ram, "RAM", 150);
    PlaceLabel(client, "Label6", 8, 180, 90);
    PlaceLabel(client, "Label7", 8, 224, 120);
    parameterNumber_ = PlaceLabel(client, "Label8", 130, 224, 60);
    results_ = PlaceLabel(client, "DirectResultLabel", 8, 244, 260, 54);
    results_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    results_->setWordWrap(true);
    auto* close = PlaceButton(client, "DRWCloseBtn", 276, 266);
    connect(close, &QPushButton::clicked, this, &TDirectRWForm::DRWCloseBtnClick);
    freshTimer_ = MakeTimer("DataFresh", FreshMs);
    connect(freshTimer_, &QTimer::timeout, this, &TDirectRWForm::DataFreshTimer);
}

void TDirectRWForm::BuildHalf(QWidget* client, DirectHalf half, const char* prefix, int y) {
    const QString p = prefix;
    HalfControls& controls = Controls(half);
    controls.AddressEdit = PlaceSpinEdit(client, p + "_Add_SpinEdit", 110, y, 3);
    controls.ValueEdit = PlaceSpinEdit(client, p + "_Val_SpinEdit", 230, y, 6);
    controls.ValueEdit->SetMinValue(-32768);
    controls.ValueEdit->SetMaxValue(32767);
    controls.AddressBox = PlaceBox(client, p + "_Address", 110, y + 30);
    controls.ValueBox = PlaceBox(client, p + "_Value", 230, y + 30);
    controls.WriteBtn = PlaceButton(client, (p + "WriteBtn").toLatin1().constData(), 8, y, 44, 24);
    controls.ReadBtn = PlaceButton(client, (p + "ReadBtn").toLatin1().constData(), 56, y, 44, 24);
    WireHalf(half);
}

void TDirectRWForm::WireHalf(DirectHalf half) {
    HalfControls& c = Controls(half);
    const bool rom = half == DirectHalf::Rom;
    connect(c.WriteBtn, &QPushButton::clicked, this,
            rom ? &TDirectRWForm::ROMWriteBtnClick : &TDirectRWForm::RAMWriteBtnClick);
    connect(c.ReadBtn, &QPushButton::clicked, this,
            rom ? &TDirectRWForm::ROMReadBtnClick : &TDirectRWForm::RAMReadBtnClick);
    connect(c.AddressEdit, &TFSpinEdit::changed, this, [this, half, &c] {
        access_.AddressChange(half, c.AddressEdit->text().toStdString());
        ShowBoxes(half);
    });
    connect(c.ValueEdit, &TFSpinEdit::changed, this, [this, half, &c] {
        access_.ValueChange(half, c.ValueEdit->text().toStdString());
        ShowBoxes(half);
    });
    connect(c.AddressEdit, &TFSpinEdit::exited, this, [this, half, &c] {
        c.AddressEdit->setText(
            ToText(access_.AddressExit(half, c.AddressEdit->text().toStdString())));
        ShowBoxes(half);
    });
    connect(c.ValueEdit, &TFSpinEdit::exited, this, [this, half, &c] {
        c.ValueEdit->setText(ToText(access_.ValueExit(half, c.ValueEdit->text().toStdString())));
        ShowBoxes(half);
    });
    // Enter moves on to the next control instead of reaching the edit.
    for (TFSpinEdit* edit : {c.AddressEdit, c.ValueEdit}) {
        connect(edit, &TFSpinEdit::keyPress, this, [this](QChar key, bool* swallow) {
            if (key != QChar('\r')) return;
            *swallow = true;
            focusNextChild();
        });
    }
}

void TDirectRWForm::FormCreate() {
    access_.FormCreate();
    for (DirectHalf half : {DirectHalf::Rom, DirectHalf::Ram}) {
        const DirectRange range = DirectAddressRange(state_, half);
        HalfControls& c = Controls(half);
        c.AddressEdit->SetMinValue(range.Min);
        c.AddressEdit->SetMaxValue(range.Max);
        c.AddressEdit->setText(QString::number(access_.Address(half)));
        c.ValueEdit->setText(QString::number(access_.Value(half)));
        ShowBoxes(half);
    }
    const bool ramHalf = HasRamHalf(state_);
    for (QWidget* widget :
         {static_cast<QWidget*>(ram_.AddressEdit), static_cast<QWidget*>(ram_.ValueEdit),
          static_cast<QWidget*>(ram_.AddressBox), static_cast<QWidget*>(ram_.ValueBox),
          static_cast<QWidget*>(ram_.WriteBtn), static_cast<QWidget*>(ram_.ReadBtn),
          findChild<QWidget*>("Label5"), findChild<QWidget*>("Label6")}) {
        widget->setEnabled(ramHalf);
    }
    parameterNumber_->setText(ToText(access_.ParameterNumber()));
}

void TDirectRWForm::ChangeLanguage() {
    ApplyCaptions(Captions);
    const bool fx = state_.AmpFamily == Family::Fx;
    findChild<QLabel*>("Label7")->setVisible(fx);
    parameterNumber_->setVisible(fx);
}

void TDirectRWForm::ROMWriteBtnClick() {
    access_.WriteClick(DirectHalf::Rom, rom_.AddressEdit->text().toStdString(),
                       rom_.ValueEdit->text().toStdString());
}

void TDirectRWForm::ROMReadBtnClick() {
    access_.ReadClick(DirectHalf::Rom, rom_.AddressEdit->text().toStdString());
}

void TDirectRWForm::RAMWriteBtnClick() {
    access_.WriteClick(DirectHalf::Ram, ram_.AddressEdit->text().toStdString(),
                       ram_.ValueEdit->text().toStdString());
}

void TDirectRWForm::RAMReadBtnClick() {
    access_.ReadClick(DirectHalf::Ram, ram_.AddressEdit->text().toStdString());
}

void TDirectRWForm::DRWCloseBtnClick() {
    close();
}

void TDirectRWForm::DataFreshTimer() {
    const DirectFresh fresh = access_.DataFresh();
    if (fresh.RomValue) {
        rom_.ValueEdit->setText(QString::number(*fresh.RomValue));
        ShowBoxes(DirectHalf::Rom);
    }
    if (fresh.RamValue) {
        ram_.ValueEdit->setText(QString::number(*fresh.RamValue));
        ShowBoxes(DirectHalf::Ram);
    }
    ShowResults(fresh.Results, fresh.Refusal);
}

void TDirectRWForm::ShowBoxes(DirectHalf half) {
    HalfControls& c = Controls(half);
    c.AddressBox->setText(ToText(access_.AddressBox(half)));
    c.ValueBox->setText(ToText(access_.ValueBox(half)));
    if (half == DirectHalf::Rom) parameterNumber_->setText(ToText(access_.ParameterNumber()));
}

// The latest results, newest last, and below them the refusal of the last
// click while it stands.
void TDirectRWForm::ShowResults(const std::vector<std::string>& lines, const std::string& refusal) {
    for (const std::string& line : lines) resultLines_.append(ToText(line));
    while (resultLines_.size() > ResultLines) resultLines_.removeFirst();
    QStringList shown = resultLines_;
    if (!refusal.empty()) {
        if (shown.size() == ResultLines) shown.removeFirst();
        shown.append(ToText(refusal));
    }
    results_->setText(shown.join('\n'));
}
