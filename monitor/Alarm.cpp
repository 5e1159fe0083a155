#include "monitor/Alarm.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "link/CatalogueTexts.h"
#include "monitor/MonitorUi.h"
#include "operation/Help.h"

using namespace CatalogueTexts;

using namespace MonitorUi;

namespace {

constexpr int ClientWidth = 520;
constexpr int ClientHeight = 356;
constexpr int RowPitch = 26;
constexpr int Top = 10;

}  // namespace

TAlarmForm::TAlarmForm(DriveState& state, AlarmHistory& history, const MessageCatalogue& catalogue,
                       QWidget* parent)
    : MonitoringWindow(state.AlarmFormOpen, "AlarmForm", "Alarm", QSize(ClientWidth, ClientHeight),
                       RefreshMs, parent),
      state_(state),
      history_(history),
      catalogue_(catalogue) {
    QWidget* content = Content();
    const QFont bold = Bold(font());
    for (int k = 0; k < AlarmSlotCount; ++k) {
        const int y = Top + RowPitch * k;
        captions_[k] = MakeLabel(content, QString("AlarmN%1").arg(k + 1), 16, y, 150, 22);
        codes_[k] = MakeLabel(content, QString("AlarmV%1").arg(k + 1), 176, y, 60, 22);
        codes_[k]->setFont(bold);
        codes_[k]->setStyleSheet("color: red;");
        messages_[k] = MakeLabel(content, QString("AlarmM%1").arg(k + 1), 250, y, 260, 22);
        messages_[k]->setFont(bold);
        messages_[k]->setStyleSheet("color: blue;");
    }
    unread_ = MakeLabel(content, "AlarmUnread", 16, Top + RowPitch * AlarmSlotCount, 494, 22);
    unread_->setStyleSheet("color: red;");
    const int y = ClientHeight - 40;
    helpBtn_ = MakeButton(content, "AlarmHelpBtn", 40, y);
    clearBtn_ = MakeButton(content, "AlarmClearBtn", 210, y);
    closeBtn_ = MakeButton(content, "AlarmCloseBtn", 380, y);
    connect(helpBtn_, &QPushButton::clicked, this, &TAlarmForm::AlarmHelpBtnClick);
    connect(clearBtn_, &QPushButton::clicked, this, &TAlarmForm::AlarmClearBtnClick);
    connect(closeBtn_, &QPushButton::clicked, this, &TAlarmForm::AlarmCloseBtnClick);
    RefreshTimer()->setObjectName("RefreshData");
    connect(RefreshTimer(), &QTimer::timeout, this, &TAlarmForm::RefreshDataTimer);
    FormCreate();
    RefreshTimer()->start();
}

void TAlarmForm::FormCreate() {
    RefreshAlarmData();
    refreshBusy_ = false;
}

void TAlarmForm::ChangeLanguage() {
    for (int k = 0; k < AlarmSlotCount; ++k) {
        captions_[k]->setText(Text(catalogue_.Msg(MsgFirstAlarmCaption + k)));
    }
    RefreshAlarmData();
    helpBtn_->setText(Text(catalogue_.Msg(MsgButtonHelp)));
    clearBtn_->setText(Text(catalogue_.Msg(MsgButtonClear)));
    closeBtn_->setText(Text(catalogue_.Msg(MsgButtonClose)));
}

// A slot whose read failed shows dashes and no text, never "Normal".
void TAlarmForm::RefreshAlarmData() {
    unread_->setText(history_.HistoryRead ? QString() : Text(catalogue_.Msg(MsgHistoryUnread)));
    for (int k = 0; k < AlarmSlotCount; ++k) {
        const int code = history_.AlarmCodes[k];
        const bool read = history_.SlotRead[k];
        codes_[k]->setText(Text(AlarmCodeText(code, read)));
        messages_[k]->setText(read ? Text(catalogue_.Msg(AlarmMessage(state_.AmpFamily, code)))
                                   : QString());
    }
}

void TAlarmForm::RefreshDataTimer() {
    if (!history_.AlarmDataReady || refreshBusy_) return;
    refreshBusy_ = true;
    RefreshAlarmData();
    history_.AlarmDataReady = false;
    refreshBusy_ = false;
}

void TAlarmForm::AlarmClearBtnClick() {
    history_.AlarmResetRequest = true;
}

void TAlarmForm::AlarmCloseBtnClick() {
    CloseWindow();
}

void TAlarmForm::AlarmHelpBtnClick() {
    ShowHelp(HelpCaller::Alarm, catalogue_, this);
}
