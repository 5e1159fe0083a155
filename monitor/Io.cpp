#include "monitor/Io.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "link/CatalogueTexts.h"
#include "link/Procedure.h"
#include "monitor/MonitorUi.h"
#include "operation/Help.h"
#include "widgets/StaleLook.h"

using namespace CatalogueTexts;

using namespace MonitorUi;

namespace {

constexpr int ClientWidth = 560;
constexpr int ClientHeight = 420;
constexpr int GroupWidth = 264;
constexpr int GroupTop = 8;
constexpr int RowPitch = 26;
constexpr int NameWidth = 170;
constexpr int PanelWidth = 64;
const char* const UnknownText = "----";

const char* PanelColour(IoPanelState state) {
    switch (state) {
        case IoPanelState::Off:
            return "background: lime; color: black;";
        case IoPanelState::On:
            return "background: red; color: white;";
        case IoPanelState::Unknown:
            break;
    }
    return "background: lightgray; color: black;";
}

}  // namespace

TIOForm::TIOForm(DriveState& state, IODisplayPoll& poll, const MessageCatalogue& catalogue,
                 QWidget* parent)
    : MonitoringWindow(state.IOFormOpen, "IOForm", "IO Display", QSize(ClientWidth, ClientHeight),
                       RefreshMs, parent),
      state_(state),
      poll_(poll),
      catalogue_(catalogue) {
    QWidget* content = Content();
    inputGroupBox_ = BuildGroup(content, "InputGroupBox", 8, InputCount, 0, "InputLabel", "InSts");
    outputGroupBox_ = BuildGroup(content, "OutputGroupBox", 8 + GroupWidth + 16, OutputCount,
                                 InputCount, "OutputLabel", "OutSts");
    helpBtn_ = MakeButton(content, "IOHelpBtn", 300, ClientHeight - 40);
    closeBtn_ = MakeButton(content, "IOCloseBtn", 430, ClientHeight - 40);
    connect(helpBtn_, &QPushButton::clicked, this, &TIOForm::IOHelpBtnClick);
    connect(closeBtn_, &QPushButton::clicked, this, &TIOForm::IOCloseBtnClick);
    label1_ = MakeLabel(content, "Label1", 8, ClientHeight - 34, 60, 20);
    label1_->hide();
    for (int p = 0; p < IoPanelCount; ++p) Draw(p);
    RefreshTimer()->setObjectName("RefreshIOData");
    connect(RefreshTimer(), &QTimer::timeout, this, &TIOForm::RefreshIODataTimer);
    refreshBusy_ = false;
    RefreshIODisplay();
    RefreshTimer()->start();
}

QGroupBox* TIOForm::BuildGroup(QWidget* content, const char* name, int x, int count, int firstPanel,
                               const char* labelPrefix, const char* panelPrefix) {
    auto* group = new QGroupBox(content);
    group->setObjectName(name);
    group->setGeometry(x, GroupTop, GroupWidth, 30 + RowPitch * count);
    const QFont bold = Bold(font());
    for (int i = 0; i < count; ++i) {
        const int y = 24 + RowPitch * i;
        const int p = firstPanel + i;
        names_[p] = MakeLabel(group, QString("%1%2").arg(labelPrefix).arg(i + 1), 10, y, NameWidth,
                              RowPitch - 4);
        panels_[p] = MakeLabel(group, QString("%1%2").arg(panelPrefix).arg(i + 1),
                               GroupWidth - PanelWidth - 10, y, PanelWidth, RowPitch - 4);
        panels_[p]->setAlignment(Qt::AlignCenter);
        panels_[p]->setFont(bold);
        panels_[p]->setFrameShape(QFrame::Panel);
        panels_[p]->setFrameShadow(QFrame::Sunken);
    }
    return group;
}

void TIOForm::Draw(int p) {
    const IoPanelState state = shown_.Shown(p);
    const int message = IoPanelMessage(state);
    panels_[p]->setText(message ? Text(catalogue_.Msg(message)) : QString(UnknownText));
    panels_[p]->setStyleSheet(PanelColour(state));
}

void TIOForm::ChangeLanguage() {
    inputGroupBox_->setTitle(Text(catalogue_.Msg(MsgInputGroup)));
    outputGroupBox_->setTitle(Text(catalogue_.Msg(MsgOutputGroup)));
    for (int i = 0; i < InputCount; ++i) {
        names_[i]->setText(Text(catalogue_.Msg(MsgFirstInput + i)));
    }
    for (int j = 0; j < OutputCount; ++j) {
        names_[InputCount + j]->setText(Text(catalogue_.Msg(MsgFirstOutput + j)));
    }
    helpBtn_->setText(Text(catalogue_.Msg(MsgButtonHelp)));
    closeBtn_->setText(Text(catalogue_.Msg(MsgButtonClose)));
    for (int p = 0; p < IoPanelCount; ++p) Draw(p);
}

void TIOForm::RefreshIODisplay() {
    for (int p : shown_.Update(poll_.PanelStates())) {
        Draw(p);
        ++redraws_;
    }
}

void TIOForm::RefreshIODataTimer() {
    if (refreshBusy_) return;
    refreshBusy_ = true;
    RefreshIODisplay();
    for (QLabel* panel : panels_) ShowStale(*panel, state_.CommErrorLatched);
    label1_->setText(Text(HexWord(state_.ServoWord)));
    refreshBusy_ = false;
}

void TIOForm::IOCloseBtnClick() {
    CloseWindow();
}

void TIOForm::IOHelpBtnClick() {
    ShowHelp(HelpCaller::IODisplay, catalogue_, this);
}
