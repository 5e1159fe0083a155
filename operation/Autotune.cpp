#include "operation/Autotune.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"
#include "operation/FormParts.h"

using namespace CatalogueTexts;

namespace {

void SetColour(QLabel* label, bool red) {
    label->setStyleSheet(red ? "color: red" : "color: blue");
}

}  // namespace

TAutoTuneForm::TAutoTuneForm(TuneMachine& machine, DriveState& state,
                             const MessageCatalogue& catalogue, QWidget* parent)
    : OperationWindow(state.AutoTuneFormOpen, catalogue, "AutoTuneForm", parent),
      machine_(machine),
      state_(state) {
    Build();
    machine_.Reset();
    statusBusy_ = false;
    statusTimer_->start();
}

void TAutoTuneForm::Build() {
    QWidget* client = FixedClient(this, "AutoTuneForm", 435, 289);
    PlaceTitle(client, 16, 10, 400, 26, 16);
    for (int i = 0; i < 4; ++i) {
        modes_[i] = new QRadioButton(client);
        modes_[i]->setObjectName(QString("RadioButton%1").arg(i + 1));
        modes_[i]->setGeometry(16, 42 + i * 24, 260, 22);
    }
    modes_[0]->setChecked(true);
    startBtn_ = PlaceButton(client, "StartBtn", 310, 60, 100, 32);
    tuneStatus_ = PlaceLabel(client, "TuneStatus", 16, 142, 400, 22);
    BuildPanel(client);
    PlaceButton(client, "TuneHelpBtn", 16, 252)->setEnabled(false);
    closeBtn_ = PlaceButton(client, "TuneCloseBtn", 328, 252);

    connect(startBtn_, &QPushButton::clicked, this, &TAutoTuneForm::StartBtnClick);
    connect(okBtn_, &QPushButton::clicked, this, &TAutoTuneForm::OKBtnClick);
    connect(cancelBtn_, &QPushButton::clicked, this, &TAutoTuneForm::CancelBtnClick);
    connect(closeBtn_, &QPushButton::clicked, this, &TAutoTuneForm::TuneCloseBtnClick);
    statusTimer_ = MakeTimer("ShowTuneStatusTimer", StatusMs);
    connect(statusTimer_, &QTimer::timeout, this, &TAutoTuneForm::ShowTuneStatusTimerTimer);
}

void TAutoTuneForm::BuildPanel(QWidget* client) {
    tunePanel_ = new QFrame(client);
    tunePanel_->setObjectName("TunePanel");
    tunePanel_->setFrameShape(QFrame::StyledPanel);
    tunePanel_->setGeometry(10, 166, 415, 82);
    tuneStatus1_ = PlaceLabel(tunePanel_, "TuneStatus1", 8, 2, 400, 18);
    tuneStatus2_ = PlaceLabel(tunePanel_, "TuneStatus2", 8, 20, 290, 18);
    pGain_ = PlaceLabel(tunePanel_, "P_Gain_Label", 8, 40, 280, 18);
    iGain_ = PlaceLabel(tunePanel_, "I_Gain_Label", 8, 58, 280, 18);
    okBtn_ = PlaceButton(tunePanel_, "OKBtn", 300, 24, 100, 26);
    cancelBtn_ = PlaceButton(tunePanel_, "CancelBtn", 300, 52, 100, 26);
    tunePanel_->hide();
}

void TAutoTuneForm::ChangeLanguage() {
    findChild<QLabel*>("TitleLabel")->setText(Msg(MsgTuningTitle));
    for (int i = 0; i < 4; ++i) modes_[i]->setText(Msg(MsgFirstTuneMode + i));
    startBtn_->setText(Msg(MsgTuneStart));
    ShowIdleHint();
    okBtn_->setText(Msg(MsgButtonOk));
    cancelBtn_->setText(Msg(MsgButtonCancel));
    findChild<QPushButton*>("TuneHelpBtn")->setText(Msg(MsgButtonHelp));
    closeBtn_->setText(Msg(MsgButtonClose));
}

void TAutoTuneForm::StartBtnClick() {
    int mode = 1;
    while (mode < 4 && !modes_[mode - 1]->isChecked()) ++mode;
    startBtn_->setEnabled(false);
    closeBtn_->setEnabled(false);
    okBtn_->setEnabled(false);
    cancelBtn_->setEnabled(true);
    tunePanel_->show();
    tuneStatus1_->setText(Msg(MsgTuneWaitServoOff));
    SetColour(tuneStatus1_, false);
    tuneStatus2_->clear();
    pGain_->clear();
    iGain_->clear();
    machine_.Start(mode);
    ShowIdleHint();
}

// "Choose a mode and press Start" only while nothing runs: during a run and
// after a failed one the panel below says what is going on.
void TAutoTuneForm::ShowIdleHint() {
    const TuneGlobals& globals = machine_.Globals();
    const bool idle = globals.TuneState == TuneIdle && !globals.TuneRunning;
    tuneStatus_->setText(idle ? Msg(MsgTuneIdle) : QString());
}

void TAutoTuneForm::OKBtnClick() {
    const int tuneState = machine_.Globals().TuneState;
    if (tuneState != TuneResultReady && tuneState != TuneStored) return;
    okBtn_->setEnabled(false);
    tuneStatus1_->setText(tuneState == TuneResultReady ? Msg(MsgTuneFinished) : QString());
    tuneStatus2_->clear();
    machine_.OK();
}

// A cancel the amplifier did not acknowledge leaves the window open with the
// write failure in red; Close then lets the user leave knowingly.
void TAutoTuneForm::CancelBtnClick() {
    if (machine_.Cancel()) return BackToIdleAndClose();
    closeBtn_->setEnabled(true);
}

void TAutoTuneForm::TuneCloseBtnClick() {
    statusTimer_->stop();
    close();
}

void TAutoTuneForm::ShowTuneStatusTimerTimer() {
    if (statusBusy_) return;
    statusBusy_ = true;
    Apply(ShowTuneStatus(machine_.Globals(), state_, Catalogue()));
    statusBusy_ = false;
}

void TAutoTuneForm::Apply(const TuneDisplay& display) {
    if (!display.Changed) return;
    if (display.Finish) return BackToIdleAndClose();
    SetColour(tuneStatus1_, display.Red);
    SetColour(tuneStatus2_, display.Red);
    if (display.Status1) tuneStatus1_->setText(QString::fromStdString(*display.Status1));
    if (display.Status2) tuneStatus2_->setText(QString::fromStdString(*display.Status2));
    if (display.PGain) pGain_->setText(QString::fromStdString(*display.PGain));
    if (display.IGain) iGain_->setText(QString::fromStdString(*display.IGain));
    if (display.EnableOK) okBtn_->setEnabled(true);
    if (display.DisableCancel) cancelBtn_->setEnabled(false);
}

void TAutoTuneForm::BackToIdleAndClose() {
    machine_.Reset();
    closeBtn_->setEnabled(true);
    startBtn_->setEnabled(true);
    statusTimer_->stop();
    tunePanel_->hide();
    ShowIdleHint();
    close();
}
