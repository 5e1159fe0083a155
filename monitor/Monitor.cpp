#include "monitor/Monitor.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "link/CatalogueTexts.h"
#include "monitor/MonitorUi.h"
#include "operation/Help.h"
#include "widgets/StaleLook.h"

using namespace CatalogueTexts;

using namespace MonitorUi;

namespace {

constexpr int ClientWidth = 566;
constexpr int ClientHeight = 473;
constexpr int RowPitch = 24;
constexpr int Top = 8;
constexpr int CheckWidth = 300;
constexpr int ValueX = 330;
constexpr int ValueWidth = 80;
constexpr int UnitX = 420;
constexpr int UnitWidth = 60;

// Value and unit label numbers of a row: rows 16 and 17 came last.
int ValueLabelNumber(int row) {
    return row <= 15 ? row : row + 15;
}
int UnitLabelNumber(int row) {
    return row <= 15 ? row + 15 : row + 17;
}

}  // namespace

TMonitorForm::TMonitorForm(DriveState& state, MonitorPoll& poll, const MessageCatalogue& catalogue,
                           QWidget* parent)
    : MonitoringWindow(state.MonitorFormOpen, "MonitorForm", "Monitor Form",
                       QSize(ClientWidth, ClientHeight), RefreshMs, parent),
      state_(state),
      poll_(poll),
      catalogue_(catalogue) {
    OpenCentred();
    BuildRows(Content());
    BuildButtons(Content());
    RefreshTimer()->setObjectName("RefreshDataTimer");
    connect(RefreshTimer(), &QTimer::timeout, this, &TMonitorForm::RefreshDataTimerTimer);
    SetUpRows();
    RefreshTimer()->start();
}

void TMonitorForm::BuildRows(QWidget* content) {
    const QFont bold = Bold(font());
    for (int row = 1; row <= MonitorRowCount; ++row) {
        Row& r = rows_[row - 1];
        const int y = Top + RowPitch * (row - 1);
        r.check = new QCheckBox(content);
        r.check->setObjectName(QString("CheckBox%1").arg(row));
        r.check->setGeometry(8, y, CheckWidth, RowPitch - 2);
        r.value = MakeLabel(content, QString("Label%1").arg(ValueLabelNumber(row)), ValueX, y,
                            ValueWidth, RowPitch - 2);
        r.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        r.value->setFont(bold);
        r.value->setStyleSheet("color: blue;");
        r.unit = MakeLabel(content, QString("Label%1").arg(UnitLabelNumber(row)), UnitX, y,
                           UnitWidth, RowPitch - 2);
        r.unit->setFont(bold);
        r.unit->setStyleSheet("color: aqua;");
    }
}

void TMonitorForm::BuildButtons(QWidget* content) {
    const int y = ClientHeight - 40;
    helpBtn_ = MakeButton(content, "MoniHelpBtn", 24, y, 112);
    selectAllBtn_ = MakeButton(content, "MoniSelectAllBtn", 160, y, 112);
    clearBtn_ = MakeButton(content, "MoniClearBtn", 296, y, 112);
    closeBtn_ = MakeButton(content, "MoniCloseBtn", 432, y, 112);
    connect(helpBtn_, &QPushButton::clicked, this, &TMonitorForm::MoniHelpBtnClick);
    connect(selectAllBtn_, &QPushButton::clicked, this, &TMonitorForm::MoniSelectAllBtnClick);
    connect(clearBtn_, &QPushButton::clicked, this, &TMonitorForm::MoniClearBtnClick);
    connect(closeBtn_, &QPushButton::clicked, this, &TMonitorForm::MoniCloseBtnClick);
}

// Units, hidden values and the rows this amplifier does not offer, once.
void TMonitorForm::SetUpRows() {
    const auto enabled = MonitorRowsEnabled(state_.AmpFamily, state_.FxVersion, state_.CurrentMode);
    for (int row = 1; row <= MonitorRowCount; ++row) {
        Row& r = rows_[row - 1];
        r.unit->setText(Text(catalogue_.Msg(MonitorUnitMessage(row))));
        r.value->hide();
        if (!enabled[row - 1]) {
            r.check->setEnabled(false);
            r.unit->hide();
        }
    }
    refreshBusy_ = false;
}

void TMonitorForm::ChangeLanguage() {
    for (int row = 1; row <= MonitorRowCount; ++row) {
        rows_[row - 1].check->setText(
            Text(MonitorCaptionText(row, state_.AmpFamily, state_.FxVersion, catalogue_)));
        rows_[row - 1].unit->setText(Text(catalogue_.Msg(MonitorUnitMessage(row))));
    }
    helpBtn_->setText(Text(catalogue_.Msg(MsgButtonHelp)));
    selectAllBtn_->setText(Text(catalogue_.Msg(MsgSelectAll)));
    clearBtn_->setText(Text(catalogue_.Msg(MsgButtonClear)));
    closeBtn_->setText(Text(catalogue_.Msg(MsgButtonClose)));
}

void TMonitorForm::RefreshDisplayData() {
    const MonitorVariant variant = MonitorVariantOf(state_.AmpFamily, state_.FxVersion);
    for (int row = 1; row <= MonitorRowCount; ++row) {
        Row& r = rows_[row - 1];
        const bool selected = r.check->isChecked();
        poll_.MonitorSelection[row - 1] = selected ? 1 : 0;
        if (!selected) {
            r.value->clear();
            r.value->hide();
            continue;
        }
        r.value->setText(Text(MonitorValueText(row, variant, poll_.MonitorValues)));
        ShowStale(*r.value, state_.CommErrorLatched);
        if (r.value->isHidden()) r.value->show();
    }
}

void TMonitorForm::RefreshDataTimerTimer() {
    if (refreshBusy_) return;
    refreshBusy_ = true;
    RefreshDisplayData();
    refreshBusy_ = false;
}

void TMonitorForm::MoniSelectAllBtnClick() {
    for (Row& r : rows_) {
        if (r.check->isEnabled()) r.check->setChecked(true);
    }
    RefreshDisplayData();
}

void TMonitorForm::MoniClearBtnClick() {
    for (Row& r : rows_) r.check->setChecked(false);
    RefreshDisplayData();
}

void TMonitorForm::MoniCloseBtnClick() {
    CloseWindow();
}

void TMonitorForm::MoniHelpBtnClick() {
    ShowHelp(HelpCaller::DataMonitor, catalogue_, this);
}
