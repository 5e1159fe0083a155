#include "shell/Mainform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/Comm.h"
#include "operation/Help.h"
#include "params/Positionparam.h"
#include "params/Speedparam.h"
#include "params/Systemparam.h"
#include "params/Torqueparam.h"
#include "shell/MainMenu.h"
#include "shell/Msgdlg.h"
#include "shell/Settings.h"
#include "link/StatusTexts.h"
#include "widgets/Gauge.h"

namespace {

constexpr const char* ComItems[] = {"M61COM1", "M62COM2", "M63COM3", "M64COM4",
                                    "M65COM5", "M66COM6", "M67COM7", "M68COM8"};
constexpr const char* LanguageItemNames[] = {"M51Japaness", "M52English", "M53Chinese"};

constexpr int MsgTitle = 1;
constexpr int MsgFamilyQuestion = 48;
constexpr int MsgExitQuestion = 49;
constexpr int MsgPanelTitle1 = 51;
constexpr int MsgPanelTitle2 = 52;
constexpr int MsgFamilyButtons = 86;
constexpr int MsgOkButton = 73;

// The parameter menu: item, group, window class.
struct ParamMenuRow {
    const char* Item;
    ParamGroup Group;
    void (TMainForm::*Handler)();
    TParamForm* (*Create)(const ParamFormContext&, bool&, QWidget*);
};

template <class Form>
TParamForm* CreateForm(const ParamFormContext& context, bool& openFlag, QWidget* parent) {
    return new Form(context, openFlag, parent);
}

const ParamMenuRow ParamMenu[] = {
    {"M21SystemParam", ParamGroup::System, &TMainForm::M21SystemParamClick,
     &CreateForm<TSystemForm>},
    {"M22SpeedParam", ParamGroup::Speed, &TMainForm::M22SpeedParamClick, &CreateForm<TSpeedForm>},
    {"M23TorqueParam", ParamGroup::Torque, &TMainForm::M23TorqueParamClick,
     &CreateForm<TTorqueForm>},
    {"M24PositionParam", ParamGroup::Position, &TMainForm::M24PositionParamClick,
     &CreateForm<TPositionForm>},
};

const ParamMenuRow& ParamMenuOf(ParamGroup group) {
    return ParamMenu[static_cast<int>(group)];
}

struct TimerRow {
    const char* Name;
    int IntervalMs;
    bool Enabled;
    void (TMainForm::*Handler)();
};

const TimerRow Timers[] = {
    {"StsTimer", 200, true, &TMainForm::StsTimerTimer},
    {"MonitorTimer", 500, true, &TMainForm::MonitorTimerTimer},
    {"IODispalyTimer", 600, true, &TMainForm::IODispalyTimerTimer},
    {"AlarmTimer", 500, true, &TMainForm::AlarmTimerTimer},
    {"ReadParamTimer", 500, false, &TMainForm::ReadParamTimerTimer},
    {"WriteParamTimer", 500, true, &TMainForm::WriteParamTimerTimer},
    {"DirectSet", 500, true, &TMainForm::DirectSetTimer},
    {"JogTimer", 400, true, &TMainForm::JogTimerTimer},
    {"AutoTuneTimer", 500, true, &TMainForm::AutoTuneTimerTimer},
};

std::unique_ptr<SerialLine> MakePort(const MainFormSetup& setup) {
    if (setup.PortOverride) return nullptr;
    auto port = std::make_unique<TComm>();
    port->SetSearchFolder(setup.StartFolder);
    port->SetSuspendTime(20);
    // Line events reach their handlers on the window thread, never on the port's own.
    port->SetMainThreadInvoker([](std::function<void()> work) {
        QMetaObject::invokeMethod(qApp, std::move(work), Qt::BlockingQueuedConnection);
    });
    return port;
}

std::unique_ptr<Clock> MakeClock(const MainFormSetup& setup) {
    if (setup.ClockOverride) return nullptr;
    return std::make_unique<SystemClock>();
}

}  // namespace

void BackgroundMdiArea::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    viewport()->update();
}

void BackgroundMdiArea::paintEvent(QPaintEvent* event) {
    if (picture_.isNull()) {
        QMdiArea::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    painter.drawPixmap(viewport()->rect(), picture_);
}

void BackgroundMdiArea::scrollContentsBy(int dx, int dy) {
    QMdiArea::scrollContentsBy(dx, dy);
    viewport()->update();  // the stretched picture must not scroll with the windows
}

TMainForm::TMainForm(const MainFormSetup& setup)
    : setup_(setup),
      ownPort_(MakePort(setup)),
      port_(setup.PortOverride ? *setup.PortOverride : *ownPort_),
      ownClock_(MakeClock(setup)),
      clock_(setup.ClockOverride ? *setup.ClockOverride : *ownClock_),
      link_(port_, clock_, state_, panel_, catalogue_),
      identification_(link_, port_, state_, panel_, catalogue_, map_),
      statusPoll_(link_, state_, panel_, catalogue_, map_, identification_),
      groupReader_(link_, state_, panel_, map_, paramCaches_,
                   [this](int n) { return catalogue_.Msg(n); }),
      paramWriter_(link_, state_, paramCaches_, map_),
      ownQuestions_(setup.QuestionsOverride
                        ? nullptr
                        : std::make_unique<DialogQuestions>(captions_, catalogue_, this)),
      questions_(setup.QuestionsOverride ? setup.QuestionsOverride : ownQuestions_.get()) {
    setObjectName("MainForm");
    resize(800, 472);
    panel_.ProcessEvents = [this] {
        RefreshPanel();
        QApplication::processEvents();
    };
    BuildMenu();
    BuildPanels();
    BuildTimers();
}

TMainForm::~TMainForm() {
    FormDestroy();
}

QString TMainForm::MsgQ(int n) const {
    return QString::fromStdString(Msg(n));
}

QAction* TMainForm::Action(const std::string& name) const {
    const auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void TMainForm::SetActionEnabled(const char* name, bool enabled) {
    if (QAction* action = Action(name)) action->setEnabled(enabled);
}

void TMainForm::BuildMenu() {
    std::map<std::string, QMenu*> menus;
    for (const MenuItemRow& row : MainMenuRows()) {
        QAction* action = nullptr;
        const bool isSubmenu = row.Parent == nullptr && std::string(row.Name) != "M8Exit";
        if (isSubmenu) {
            QMenu* menu = menuBar()->addMenu(QString::fromUtf8(row.Caption));
            menu->setObjectName(QString(row.Name) + "Menu");
            menus[row.Name] = menu;
            action = menu->menuAction();
        } else if (row.Parent == nullptr) {
            action = menuBar()->addAction(QString::fromUtf8(row.Caption));
        } else {
            action = menus[row.Parent]->addAction(QString::fromUtf8(row.Caption));
        }
        action->setObjectName(row.Name);
        action->setEnabled(row.Enabled);
        action->setCheckable(row.Checkable);
        action->setChecked(row.Checked);
        actions_[row.Name] = action;
    }
    for (int i = 0; i < static_cast<int>(std::size(ComItems)); ++i)
        ConnectCheckedByHandler(ComItems[i], [this, i] { ComClick(i); });
    for (int i = 0; i < static_cast<int>(std::size(LanguageItemNames)); ++i)
        ConnectCheckedByHandler(LanguageItemNames[i], [this, i] { LanguageClick(i); });
    ConnectCheckedByHandler("M73AutoReset", [this] { M73AutoResetClick(); });
    for (const ParamMenuRow& row : ParamMenu)
        connect(Action(row.Item), &QAction::triggered, this, row.Handler);
    connect(Action("M71ShowHelp"), &QAction::triggered, this, &TMainForm::M71ShowHelpClick);
    connect(Action("M72ShowAbout"), &QAction::triggered, this, &TMainForm::M72ShowAboutClick);
    connect(Action("M8Exit"), &QAction::triggered, this, &TMainForm::M8ExitClick);

    // The service-mode switch lives in a pop-up menu that is never shown.
    auto* hotkeyMenu = new QMenu(this);
    hotkeyMenu->setObjectName("Hotkey");
    QAction* hotKey = hotkeyMenu->addAction("HotKey1");
    hotKey->setObjectName("HotKey1");
    hotKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    hotKey->setShortcutContext(Qt::ApplicationShortcut);
    addAction(hotKey);
    actions_["HotKey1"] = hotKey;
    connect(hotKey, &QAction::triggered, this, &TMainForm::HotKey1Click);
}

// Check marks are set by the handlers, not by Qt's own toggling: the item's
// state is put back before the handler sees it.
void TMainForm::ConnectCheckedByHandler(const char* name, const std::function<void()>& handler) {
    QAction* item = Action(name);
    connect(item, &QAction::triggered, this, [item, handler] {
        item->setChecked(!item->isChecked());
        handler();
    });
}

void TMainForm::BuildPanels() {
    mdiArea_ = new BackgroundMdiArea(this);
    mdiArea_->setObjectName("Image1");
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(mdiArea_, 1);

    auto* bottom = new QFrame(central);
    bottom->setObjectName("MainPanel");
    bottom->setFrameShape(QFrame::Panel);
    bottom->setFrameShadow(QFrame::Raised);
    bottom->setMinimumHeight(47);
    auto* grid = new QGridLayout(bottom);
    grid->setContentsMargins(6, 3, 6, 3);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(2);
    // Two rows: the live status, then the link and identification.
    const char* rows[2][5] = {{"MsgTitle1", "MainMsg1", "MainMsg2", "MainMsg3", "MainMsg6"},
                              {"MsgTitle2", "MainMsg4", "MainMsg5", "CPULabel", "EEPLabel"}};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 5; ++c) {
            auto* label = new QLabel(bottom);
            label->setObjectName(rows[r][c]);
            label->setTextFormat(Qt::PlainText);
            if (c == 0) {
                QFont bold = label->font();
                bold.setBold(true);
                label->setFont(bold);
            }
            grid->addWidget(label, r, c);
            labels_[rows[r][c]] = label;
        }
    }
    // Columns keep a width of their own, so that the texts do not shift when a
    // status or model text changes, and stay together at the left on a wide
    // window; the spare width goes to an empty last column.
    const int charWidth = QFontMetrics(bottom->font()).averageCharWidth();
    const int minimumChars[5] = {0, 10, 34, 16, 14};
    for (int c = 1; c < 5; ++c) grid->setColumnMinimumWidth(c, minimumChars[c] * charWidth);
    grid->setColumnStretch(5, 1);
    column->addWidget(bottom);
    setCentralWidget(central);

    progressPanel_ = new QFrame(this);
    progressPanel_->setObjectName("ProgressPanel");
    progressPanel_->setFrameShape(QFrame::Panel);
    progressPanel_->setFrameShadow(QFrame::Raised);
    progressPanel_->setAutoFillBackground(true);
    progressPanel_->resize(360, 72);
    auto* progressLayout = new QVBoxLayout(progressPanel_);
    progressMsg_ = new QLabel(progressPanel_);
    progressMsg_->setObjectName("ProgressMsg");
    progressMsg_->setAlignment(Qt::AlignCenter);
    rwGauge_ = new TGauge(progressPanel_);
    rwGauge_->setObjectName("RWGauge");
    progressLayout->addWidget(progressMsg_);
    progressLayout->addWidget(rwGauge_);
    progressPanel_->hide();

    memo1_ = new QPlainTextEdit(this);
    memo1_->setObjectName("Memo1");
    memo1_->setReadOnly(true);
    memo1_->resize(360, 160);
    memo1_->hide();

    for (const char* name : {"Button1", "Button2"}) {
        auto* button = new QPushButton(name, this);
        button->setObjectName(name);
        button->hide();
    }
}

void TMainForm::BuildTimers() {
    for (const TimerRow& row : Timers) {
        auto* timer = new QTimer(this);
        timer->setObjectName(row.Name);
        timer->setInterval(row.IntervalMs);
        const auto handler = row.Handler;
        connect(timer, &QTimer::timeout, this, [this, handler] {
            (this->*handler)();
            RefreshPanel();
        });
        timers_[row.Name] = timer;
    }
}

void TMainForm::FormCreate() {
    const std::string startFolder = setup_.StartFolder;
    const InitSettings settings = ReadInitIni(InitIniPath(startFolder));
    // The defaults stand in for unreadable lines; say which ones.
    for (const std::string& problem : settings.Problems) qWarning("%s", problem.c_str());
    ApplyInitSettings(settings, startFolder, state_);

    mdiArea_->SetPicture(QPixmap(QString::fromStdString(startFolder + "Main.Bmp")));

    state_.MonitorFormOpen = state_.IOFormOpen = state_.AlarmFormOpen = false;
    state_.SystemFormOpen = state_.SpeedFormOpen = state_.TorqueFormOpen = false;
    state_.PositionFormOpen = state_.JogFormOpen = state_.AutoTuneFormOpen = false;
    state_.DirectRWFormOpen = false;
    // A language without a catalogue checks no item, so that any choice loads one.
    CheckOnly(LanguageItemNames, state_.Language);
    catalogue_.Load(startFolder, state_.Language);

    state_.ServoWord = state_.IoWord = state_.StatusWord = 0;
    state_.CurrentMode = -1;
    ChangeLanguage();

    AskFamily(settings.PreviousFamily);

    LoadAddressMap(map_, state_.AmpFamily, state_.FxVersion, state_.QrvFlag);
    Action("M36Table")->setText("QRV Parameter Table");

    if (state_.SelectCom >= 0 && state_.SelectCom < static_cast<int>(std::size(ComItems)))
        SelectComItem(state_.SelectCom);

    state_.CommErrorLatched = false;
    identification_.ConnectRS232();

    state_.PollBusy = state_.ParamWriteBusy = false;
    state_.MonitorBusy = state_.IODisplayBusy = state_.AlarmBusy = false;
    state_.JogBusy = state_.AutoTuneBusy = false;
    ApplyServiceMenu(ApplyUserLevel(state_));
    state_.TempFileName = TempFileNameFor(state_.AmpFamily);

    RefreshPanel();
    if (setup_.StartTimers) {
        for (const TimerRow& row : Timers) {
            if (row.Enabled) timers_[row.Name]->start();
        }
    }
}

void TMainForm::AskFamily(int previousChoice) {
    state_.YzFlag = false;
    const std::vector<int> buttons{0, 1, 2, 3, 4, 5};
    const int focus = previousChoice >= 0 && previousChoice <= 5 ? previousChoice : 0;
    const int result = questions_->CustomDialog(Msg(MsgFamilyQuestion), DialogKind::Confirmation,
                                                buttons, focus, {MsgFamilyButtons, 6});
    ApplyFamilyAnswer(result, state_);
    panel_.MainMsg6.clear();
    if (state_.AmpFamily == 0) {
        for (const char* name : {"M4Jog", "M41Jog", "M42AutoGain"}) SetActionEnabled(name, true);
    }
}

void TMainForm::CheckOnly(std::span<const char* const> names, int index) {
    for (std::size_t i = 0; i < names.size(); ++i)
        Action(names[i])->setChecked(static_cast<int>(i) == index);
}

void TMainForm::SelectComItem(int index) {
    port_.SetDeviceName("Com" + std::to_string(index + 1));
    CheckOnly(ComItems, index);
}

void TMainForm::ChangeLanguage() {
    using namespace StatusTexts;
    setWindowTitle(QString::fromStdString(Msg(MsgTitle) + " " + kProgramVersion));
    for (const MenuItemRow& row : MainMenuRows()) {
        if (row.Message > 0) Action(row.Name)->setText(MsgQ(row.Message));
    }
    panel_.MainMsg4 = Msg(port_.Enabled() ? MsgLinkOpen : MsgLinkClosed);
    labels_["MsgTitle1"]->setText(MsgQ(MsgPanelTitle1));
    labels_["MsgTitle2"]->setText(MsgQ(MsgPanelTitle2));

    DrawStatusTexts(state_, catalogue_, panel_);

    // Open child windows follow in a fixed order: the monitor, I/O and alarm
    // windows come first once they exist, then the parameter windows.
    for (const ParamMenuRow& row : ParamMenu) {
        if (TParamForm* form = ParamForm(row.Group)) form->ChangeLanguage();
    }

    RefreshPanel();
}

void TMainForm::RefreshPanel() {
    const std::pair<const char*, const std::string*> texts[] = {
        {"MainMsg1", &panel_.MainMsg1}, {"MainMsg2", &panel_.MainMsg2},
        {"MainMsg3", &panel_.MainMsg3}, {"MainMsg4", &panel_.MainMsg4},
        {"MainMsg5", &panel_.MainMsg5}, {"MainMsg6", &panel_.MainMsg6},
        {"CPULabel", &panel_.CPULabel}, {"EEPLabel", &panel_.EEPLabel}};
    for (const auto& [name, text] : texts) {
        const QString value = QString::fromStdString(*text);
        if (labels_[name]->text() != value) labels_[name]->setText(value);
    }
    if (panel_.M34ResetEnabled) SetActionEnabled("M34Reset", true);

    progressMsg_->setText(QString::fromStdString(panel_.ProgressMsg));
    rwGauge_->SetRange(0, panel_.RWGaugeMax);
    rwGauge_->SetProgress(panel_.RWGaugeProgress);
    if (progressPanel_->isVisible() != panel_.ProgressPanel) {
        progressPanel_->setVisible(panel_.ProgressPanel);
        if (panel_.ProgressPanel) progressPanel_->raise();
    }
    if (panel_.Memo1.size() < memoLinesShown_) {
        memo1_->clear();
        memoLinesShown_ = 0;
    }
    for (; memoLinesShown_ < panel_.Memo1.size(); ++memoLinesShown_) {
        memo1_->appendPlainText(QString::fromStdString(panel_.Memo1[memoLinesShown_]));
    }
    memo1_->setVisible(panel_.Memo1Visible);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TMainForm::FormResize() {
    const int left = width() / 2 - progressPanel_->width() / 2;
    const int top = height() / 8 + progressPanel_->height() / 2;
    progressPanel_->move(left, top);
    memo1_->move(width() / 2 - memo1_->width() / 2, top + progressPanel_->height());
}

// --- timers -------------------------------------------------------------

void TMainForm::StsTimerTimer() {
    statusPoll_.StsTimerTimer();
}
void TMainForm::MonitorTimerTimer() {}
void TMainForm::IODispalyTimerTimer() {}
void TMainForm::AlarmTimerTimer() {}
void TMainForm::WriteParamTimerTimer() {
    paramWriter_.WriteParamTimerTimer();
}
void TMainForm::ReadParamTimerTimer() {}  // reading is never driven by a timer
void TMainForm::JogTimerTimer() {}
void TMainForm::AutoTuneTimerTimer() {}
void TMainForm::DirectSetTimer() {}

// --- menus --------------------------------------------------------------

void TMainForm::ComClick(int index) {
    if (Action(ComItems[index])->isChecked()) return;  // no reconnect for the same port
    if (port_.Enabled()) port_.Close();
    SelectComItem(index);
    state_.SelectCom = index;
    identification_.ConnectRS232();
    RefreshPanel();
}

void TMainForm::LanguageClick(int language) {
    if (Action(LanguageItemNames[language])->isChecked()) return;
    CheckOnly(LanguageItemNames, language);
    catalogue_.Load(state_.StartFolder, language);
    state_.Language = language;
    ChangeLanguage();
}

void TMainForm::HotKey1Click() {
    ApplyServiceMenu(ToggleServiceMode(state_));
}

void TMainForm::ApplyServiceMenu(const ServiceMenuState& menu) {
    if (menu.M33DirectRW) SetActionEnabled("M33DirectRW", *menu.M33DirectRW);
    if (menu.M36Table) SetActionEnabled("M36Table", *menu.M36Table);
    if (menu.M37Maker) SetActionEnabled("M37Maker", *menu.M37Maker);
    if (menu.M38Compare) SetActionEnabled("M38Compare", *menu.M38Compare);
    if (menu.M73AutoReset) Action("M73AutoReset")->setChecked(*menu.M73AutoReset);
}

void TMainForm::M73AutoResetClick() {
    QAction* item = Action("M73AutoReset");
    item->setChecked(!item->isChecked());
}

void TMainForm::M21SystemParamClick() {
    OpenParamForm(ParamGroup::System);
}
void TMainForm::M22SpeedParamClick() {
    OpenParamForm(ParamGroup::Speed);
}
void TMainForm::M23TorqueParamClick() {
    OpenParamForm(ParamGroup::Torque);
}
void TMainForm::M24PositionParamClick() {
    OpenParamForm(ParamGroup::Position);
}

bool& TMainForm::ParamFormOpen(ParamGroup group) {
    switch (group) {
        case ParamGroup::System:
            return state_.SystemFormOpen;
        case ParamGroup::Speed:
            return state_.SpeedFormOpen;
        case ParamGroup::Torque:
            return state_.TorqueFormOpen;
        case ParamGroup::Position:
            break;
    }
    return state_.PositionFormOpen;
}

TParamForm* TMainForm::ParamForm(ParamGroup group) const {
    return paramForms_[static_cast<std::size_t>(group)].data();
}

void TMainForm::OpenParamForm(ParamGroup group) {
    bool& open = ParamFormOpen(group);
    if (open) return;
    // A queued edit reaches the amplifier first, so the read cannot undo it.
    paramWriter_.WriteParamTimerTimer();
    const bool read = groupReader_.ReadGroup(group);
    RefreshPanel();
    if (!read) {
        questions_->Beep();
        questions_->CustomDialog(Msg(StatusTexts::MsgCommError), DialogKind::Error, {0}, 0,
                                 {MsgOkButton, 1});
        return;
    }
    const ParamFormContext context{state_, map_, paramCaches_, paramWriter_, catalogue_};
    TParamForm* form = ParamMenuOf(group).Create(context, open, nullptr);
    paramForms_[static_cast<std::size_t>(group)] = form;
    form->FormCreate();
    mdiArea_->addSubWindow(form);
    form->ChangeLanguage();
    form->show();
    open = true;
}

// The windows refer to the caches and the writer, which go before the
// window's children do.
void TMainForm::CloseParamForms() {
    for (QPointer<TParamForm>& form : paramForms_) delete form.data();
}

void TMainForm::M71ShowHelpClick() {
    ShowMainHelp(catalogue_, this);
}

void TMainForm::M72ShowAboutClick() {
    ShowAbout(catalogue_, this);
}

void TMainForm::M8ExitClick() {
    const int answer =
        questions_->StandardDialog(Msg(MsgExitQuestion), DialogKind::Confirmation, {sbYes, sbNo});
    if (answer != mrYes) return;
    if (port_.Enabled()) port_.Close();
    exitConfirmed_ = true;
    close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // The window's close box asks the same question as Exit.
    if (!exitConfirmed_) {
        event->ignore();
        M8ExitClick();
        return;
    }
    FormDestroy();
    event->accept();
}

void TMainForm::FormDestroy() {
    if (shutDown_) return;
    shutDown_ = true;
    for (auto& [name, timer] : timers_) timer->stop();
    CloseParamForms();
    if (port_.Enabled()) port_.Close();
    WriteInitIni(InitIniPath(state_.StartFolder), state_);
}
