#include "operation/Jog.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"
#include "operation/FormParts.h"
#include "params/Fspinedit.h"
#include "widgets/StaleLook.h"

using namespace CatalogueTexts;

namespace {

constexpr OperationWindow::Caption Captions[] = {
    {"TitleLabel", 351}, {"SpdLabel", 352},   {"CWLabel", 353},     {"CCWLabel", 354},
    {"StopBtn", 355},    {"Label1", 101},     {"Label2", 102},      {"Label3", 103},
    {"Label4", 104},     {"Label9", 91},      {"Label10", 92},      {"Label11", 92},
    {"Label12", 92},     {"JogHelpBtn", 343}, {"JogCloseBtn", 346},
};

}  // namespace

TJogForm::TJogForm(JogControl& jog, DriveState& state, const MessageCatalogue& catalogue,
                   QWidget* parent)
    : OperationWindow(state.JogFormOpen, catalogue, "JogForm", parent), jog_(jog), state_(state) {
    Build();
    jog_.Reset();
    stopBtn_->setEnabled(false);
    jogSpeedEdit_->SetValue(jog_.Globals().JogSpeedSaved);
    refreshBusy_ = false;
    refreshTimer_->start();
}

void TJogForm::Build() {
    QWidget* client = FixedClient(this, "JogForm", 558, 392);
    PlaceTitle(client, 24, 16, 510, 28, 18);
    PlaceLabel(client, "SpdLabel", 24, 60, 200);
    jogSpeedEdit_ = new TFSpinEdit(client);
    jogSpeedEdit_->setObjectName("JogSpeedEdit");
    jogSpeedEdit_->setGeometry(230, 58, 90, 24);
    jogSpeedEdit_->SetMinValue(0);
    jogSpeedEdit_->SetMaxValue(3000);
    jogSpeedEdit_->SetIncrement(1);
    jogSpeedEdit_->SetMaxLength(4);
    PlaceLabel(client, "CWLabel", 24, 100, 150);
    cwBtn_ = PlaceButton(client, "CWBtn", 24, 122, 150, 40);
    cwBtn_->setText(QStringLiteral("CW"));
    PlaceLabel(client, "CCWLabel", 200, 100, 150);
    ccwBtn_ = PlaceButton(client, "CCWBtn", 200, 122, 150, 40);
    ccwBtn_->setText(QStringLiteral("CCW"));
    stopBtn_ = PlaceButton(client, "StopBtn", 376, 122, 150, 40);
    for (int row = 0; row < 4; ++row) {
        const int y = 190 + row * 30;
        PlaceLabel(client, ("Label" + std::to_string(row + 1)).c_str(), 24, y, 220);
        values_[row] = PlaceLabel(client, ("Label" + std::to_string(row + 5)).c_str(), 250, y, 100);
        values_[row]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        PlaceLabel(client, ("Label" + std::to_string(row + 9)).c_str(), 360, y, 60);
    }
    statusLabel_ = PlaceLabel(client, "JogStatusLabel", 24, 312, 510);
    statusLabel_->setStyleSheet("color: red");
    PlaceButton(client, "JogHelpBtn", 24, 348)->setEnabled(false);
    closeBtn_ = PlaceButton(client, "JogCloseBtn", 444, 348);

    connect(cwBtn_, &QPushButton::clicked, this, &TJogForm::CWBtnClick);
    connect(ccwBtn_, &QPushButton::clicked, this, &TJogForm::CCWBtnClick);
    connect(stopBtn_, &QPushButton::clicked, this, &TJogForm::StopBtnClick);
    connect(closeBtn_, &QPushButton::clicked, this, &TJogForm::JogCloseBtnClick);
    refreshTimer_ = MakeTimer("JogRefreshDataTimer", RefreshMs);
    connect(refreshTimer_, &QTimer::timeout, this, &TJogForm::JogRefreshDataTimerTimer);
}

void TJogForm::ChangeLanguage() {
    ApplyCaptions(Captions);
    ShowRunState();
}

void TJogForm::CWBtnClick() {
    StartJog(true);
}

void TJogForm::CCWBtnClick() {
    StartJog(false);
}

void TJogForm::StartJog(bool clockwise) {
    if (!jog_.Start(jogSpeedEdit_->GetValue(), clockwise)) return;
    ShowRunState();
}

void TJogForm::StopBtnClick() {
    jog_.Stop();
    ShowRunState();
}

void TJogForm::JogCloseBtnClick() {
    if (jog_.CanClose()) close();
}

void TJogForm::JogRefreshDataTimerTimer() {
    if (refreshBusy_) return;
    refreshBusy_ = true;
    const std::array<std::string, 4> texts = JogValueTexts(jog_.Globals().MonitorValues);
    for (int row = 0; row < 4; ++row) {
        values_[row]->setText(QString::fromStdString(texts[row]));
        ShowStale(*values_[row], state_.CommErrorLatched);
    }
    ShowRunState();
    refreshBusy_ = false;
}

// The buttons follow the jog logic, not the clicks: a stop the amplifier has
// not acknowledged keeps the window in its running state.
void TJogForm::ShowRunState() {
    const bool idle = jog_.Idle();
    const bool stopping = jog_.Globals().JogStopRequest || jog_.Notice() == JogNotice::StopRetrying;
    cwBtn_->setEnabled(idle);
    ccwBtn_->setEnabled(idle);
    closeBtn_->setEnabled(idle);
    stopBtn_->setEnabled(!idle && !stopping);
    QString status;
    if (jog_.Notice() == JogNotice::StopRetrying) {
        status = Msg(MsgWriteFailed) + " " + Msg(MsgDialogRetry) + " ...";
    } else if (jog_.Notice() != JogNotice::None) {
        status = Msg(MsgWriteFailed);
    }
    statusLabel_->setText(status);
}
