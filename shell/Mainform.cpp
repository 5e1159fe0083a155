#include "shell/Mainform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "files/Backup.h"
#include "files/Compare.h"
#include "files/FxForms.h"
#include "files/MotorTransfer.h"
#include "files/Openfile.h"
#include "files/ProductionRecord.h"
#include "files/TableCommand.h"
#include "link/Comm.h"
#include "link/PortDiagnosis.h"
#include "link/StatusTexts.h"
#include "operation/Help.h"
#include "operation/OperationExit.h"
#include "params/ParamForm.h"
#include "shell/MainMenu.h"
#include "shell/Msgdlg.h"
#include "shell/Settings.h"
#include "widgets/Gauge.h"

namespace {

constexpr const char* ComItems[] = {"M61COM1", "M62COM2", "M63COM3", "M64COM4",
                                    "M65COM5", "M66COM6", "M67COM7", "M68COM8"};
constexpr const char* LanguageItemNames[] = {"M51Japaness", "M52English", "M53Chinese"};
// The progress panel and the transfer log: a read-back's mismatch line fits on one line.
constexpr int ProgressWidth = 440;

constexpr int MsgTitle = 1;
constexpr int MsgFamilyQuestion = 48;
constexpr int MsgExitQuestion = 49;
constexpr int MsgPanelTitle1 = 51;
constexpr int MsgPanelTitle2 = 52;
constexpr int MsgFamilyButtons = 86;
constexpr int MsgOkButton = 73;
constexpr int MsgOtherPort = 328;
constexpr int EnglishLanguage = 1;

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
    {"TrendTimer", TrendSampler::TimerMs, true, &TMainForm::TrendTimerTimer},
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
      jog_(link_, state_, map_),
      tuning_(link_, state_, map_),
      direct_(link_, state_, catalogue_),
      ownQuestions_(setup.QuestionsOverride
                        ? nullptr
                        : std::make_unique<DialogQuestions>(captions_, catalogue_, this)),
      questions_(setup.QuestionsOverride ? setup.QuestionsOverride : ownQuestions_.get()),
      fileCommands_(TransferSeamsOfThisWindow(), longOperation_) {
    setObjectName("MainForm");
    TransferSafety safety;
    safety.ProgramVersion = kProgramVersion;
    fileCommands_.SetSafety(safety);
    resize(800, 472);
    panel_.ProcessEvents = [this] {
        RefreshPanel();
        QApplication::processEvents();
    };
    BuildFxTools();
    BuildMenu();
    BuildPanels();
    BuildTimers();
    if (auto* dialogs = dynamic_cast<DialogQuestions*>(ownQuestions_.get())) {
        dialogs->SetFileChoosers(MakeOpenChooser(state_, catalogue_, *questions_, this),
                                 MakeSaveChooser(state_, catalogue_, *questions_, this));
    }
}

// Every file command of this window reads, writes and reports through the
// same seams.
TransferSeams TMainForm::TransferSeamsOfThisWindow() {
    return {link_,
            state_,
            panel_,
            clock_,
            *questions_,
            [this](int n) { return Msg(n); },
            [this] { identification_.Read_current_mode(); },
            [this](int) { RepaintProgress(); }};
}

void TMainForm::BuildFxTools() {
    const MessageLookup message = [this](int n) { return Msg(n); };
    table_ = std::make_unique<ParamTableCommand>(TransferSeamsOfThisWindow(), longOperation_);
    table_->SetTableForm([this, message](ParamTableCommand& table) {
        TLQRVSYSParForm form(table, message, this);
        form.exec();
    });
    compare_ = std::make_unique<CompareCommand>(TransferSeamsOfThisWindow(), longOperation_);
    compare_->SetCompareForm([this, message](const Comparison& comparison) {
        TCompareForm form(comparison, message, this);
        form.exec();
        return form.CompareConfirmed();
    });
    maker_ =
        std::make_unique<MotorParamCommand>(TransferSeamsOfThisWindow(), longOperation_,
                                            [this] { return Action("M73AutoReset")->isChecked(); });
    if (auto* dialogs = dynamic_cast<DialogQuestions*>(ownQuestions_.get())) {
        dialogs->SetPrinter([this](const PrintJob& job) { return PrintWithDialog(job, this); });
    }
}

void TMainForm::M36TableClick() {
    table_->M36TableClick();
    RefreshPanel();
}

void TMainForm::M37MakerClick() {
    maker_->M37MakerClick();
    RefreshPanel();
}

void TMainForm::M38CompareClick() {
    compare_->M38CompareClick();
    RefreshPanel();
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
    if (itemsWithoutCommand_.count(name)) return;
    if (QAction* action = Action(name)) action->setEnabled(enabled);
}

// An item whose window or command is not built yet would do nothing when
// chosen: show it disabled instead.
void TMainForm::DisableItemsWithoutCommand() {
    for (const MenuItemRow& row : MainMenuRows()) {
        QAction* action = Action(row.Name);
        if (row.Parent == nullptr || itemsWithCommand_.count(row.Name)) continue;
        action->setEnabled(false);
        itemsWithoutCommand_.insert(row.Name);
    }
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
    ConnectCheckedByHandler("M69OtherPort", [this] { M69OtherPortClick(); });
    ConnectCheckedByHandler("M73AutoReset", [this] { M73AutoResetClick(); });
    for (const ChildWindowRow& row : ChildWindowRows())
        OnTriggered(row.Item, [this, &row] { OpenChildWindow(row); });
    OnTriggered("M36Table", [this] { M36TableClick(); });
    OnTriggered("M37Maker", [this] { M37MakerClick(); });
    OnTriggered("M38Compare", [this] { M38CompareClick(); });
    OnTriggered("M71ShowHelp", [this] { M71ShowHelpClick(); });
    OnTriggered("M72ShowAbout", [this] { M72ShowAboutClick(); });
    OnTriggered("M8Exit", [this] { M8ExitClick(); });
    OnTriggered("M34Reset", [this] { M34ResetClick(); });
    OnTriggered("M31Open", [this] { RunFileCommand(&ParamFileCommands::M31OpenClick); });
    OnTriggered("M32Save", [this] { RunFileCommand(&ParamFileCommands::M32SaveClick); });
    ConnectTransferChecks();
    OnTriggered("M3CProductionRecord", [this] { M3CProductionRecordClick(); });
    DisableItemsWithoutCommand();
    // Nothing on the menu may start while a command lets window events run.
    longOperation_.OnChange = [this](bool running) { menuBar()->setEnabled(!running); };

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

// The transfer check items flip their setting; the setting sets the mark.
void TMainForm::ConnectTransferChecks() {
    static constexpr std::pair<const char*, bool DriveState::*> Checks[] = {
        {"M39VerifyAfterTransfer", &DriveState::VerifyAfterTransfer},
        {"M3APreviewBeforeTransfer", &DriveState::PreviewBeforeTransfer},
        {"M3BBackupProduction", &DriveState::BackupInProduction},
    };
    for (const auto& [name, field] : Checks) {
        ConnectCheckedByHandler(name, [this, field] {
            state_.*field = !(state_.*field);
            ShowTransferChecks();
        });
    }
}

void TMainForm::ShowTransferChecks() {
    Action("M39VerifyAfterTransfer")->setChecked(state_.VerifyAfterTransfer);
    Action("M3APreviewBeforeTransfer")->setChecked(state_.PreviewBeforeTransfer);
    Action("M3BBackupProduction")->setChecked(state_.BackupInProduction);
}

// The record lives in the user's data folder; the desktop's file manager
// shows it, and without one the user is told where it is.
void TMainForm::M3CProductionRecordClick() {
    const std::string folder = UserDataFolder();
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)))) {
        questions_->StandardDialog(ProductionRecordPath(), DialogKind::Information, {sbOK});
    }
}

void TMainForm::OnTriggered(const char* name, const std::function<void()>& handler) {
    itemsWithCommand_.insert(name);
    connect(Action(name), &QAction::triggered, this, handler);
}

// Check marks are set by the handlers, not by Qt's own toggling: the item's
// state is put back before the handler sees it.
void TMainForm::ConnectCheckedByHandler(const char* name, const std::function<void()>& handler) {
    QAction* item = Action(name);
    itemsWithCommand_.insert(name);
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
    progressPanel_->resize(ProgressWidth, 72);
    auto* progressLayout = new QVBoxLayout(progressPanel_);
    progressMsg_ = new QLabel(progressPanel_);
    progressMsg_->setObjectName("ProgressMsg");
    progressMsg_->setAlignment(Qt::AlignCenter);
    progressMsg_->setWordWrap(true);
    rwGauge_ = new TGauge(progressPanel_);
    rwGauge_->setObjectName("RWGauge");
    progressLayout->addWidget(progressMsg_);
    progressLayout->addWidget(rwGauge_);
    progressPanel_->hide();

    memo1_ = new QPlainTextEdit(this);
    memo1_->setObjectName("Memo1");
    memo1_->setReadOnly(true);
    memo1_->resize(ProgressWidth, 160);
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
    places_ = FindSettingsPlaces(SystemPlaceFacts(setup_.StartFolder));
    const InitSettings settings = ReadSettings(places_);
    // The defaults stand in for unreadable lines; say which ones.
    for (const std::string& problem : settings.Problems) qWarning("%s", problem.c_str());
    ApplyInitSettings(settings, places_.DataFolder, state_);
    if (!settings.WorkFolder) state_.WorkFolder = places_.WorkFolder;
    initOtherLines_ = settings.OtherLines;
    networkPorts_ = settings.NetworkPorts;
    ShowTransferChecks();

    mdiArea_->SetPicture(QPixmap(QString::fromStdString(state_.StartFolder + "Main.Bmp")));

    state_.MonitorFormOpen = state_.IOFormOpen = state_.AlarmFormOpen = false;
    state_.SystemFormOpen = state_.SpeedFormOpen = state_.TorqueFormOpen = false;
    state_.PositionFormOpen = state_.JogFormOpen = state_.AutoTuneFormOpen = false;
    state_.DirectRWFormOpen = state_.TrendFormOpen = false;
    LoadStartCatalogue();

    state_.ServoWord = state_.IoWord = state_.StatusWord = 0;
    state_.CurrentMode = -1;
    ChangeLanguage();

    AskFamily(settings.PreviousFamily);

    LoadAddressMap(map_, state_.AmpFamily, state_.FxVersion, state_.QrvFlag);
    Action("M36Table")->setText("QRV Parameter Table");

    SelectComItem(state_.SelectCom);
    if (settings.OtherPort) UseOtherPort(*settings.OtherPort);

    state_.CommErrorLatched = false;
    ConnectRS232();

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
    panel_.MainMsg4 = LinkLabel();
    labels_["MsgTitle1"]->setText(MsgQ(MsgPanelTitle1));
    labels_["MsgTitle2"]->setText(MsgQ(MsgPanelTitle2));

    DrawStatusTexts(state_, catalogue_, panel_);

    // Open child windows follow in the order of their table.
    for (const auto& [row, window] : childWindows_) {
        if (auto* child = dynamic_cast<ChildWindow*>(window.data())) child->ChangeLanguage();
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
    progressMsg_->setStyleSheet(panel_.ProgressFailed ? "color: red; font-weight: bold;" : "");
    // A failure says why in a sentence or two: the panel grows to show it whole.
    const int panelHeight = panel_.ProgressFailed ? 120 : 72;
    if (progressPanel_->height() != panelHeight) {
        progressPanel_->resize(progressPanel_->width(), panelHeight);
        FormResize();
    }
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

// Each gauge step is painted at once, without letting other events run, so
// that a long transfer shows how far it is.
void TMainForm::RepaintProgress() {
    RefreshPanel();
    progressPanel_->repaint();
    if (memo1_->isVisible()) memo1_->repaint();
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
void TMainForm::MonitorTimerTimer() {
    monitoring_.Monitor.MonitorTimerTimer();
}
void TMainForm::IODispalyTimerTimer() {
    monitoring_.IO.IODispalyTimerTimer();
}
void TMainForm::AlarmTimerTimer() {
    monitoring_.Alarm.AlarmTimerTimer();
    RefreshPanel();
}
void TMainForm::WriteParamTimerTimer() {
    paramWriter_.WriteParamTimerTimer();
}
void TMainForm::ReadParamTimerTimer() {}  // reading is never driven by a timer
void TMainForm::JogTimerTimer() {
    jog_.JogTimerTimer();
}
void TMainForm::AutoTuneTimerTimer() {
    tuning_.AutoTuneTimerTimer();
}
void TMainForm::DirectSetTimer() {
    direct_.DirectSetTimer();
}
void TMainForm::TrendTimerTimer() {
    trend_.TrendTimerTimer();
}

// --- menus --------------------------------------------------------------

void TMainForm::ComClick(int index) {
    if (Action(ComItems[index])->isChecked()) return;  // no reconnect for the same port
    if (port_.Enabled()) port_.Close();
    SelectComItem(index);
    otherPort_.clear();
    Action("M69OtherPort")->setChecked(false);
    state_.SelectCom = index;
    ConnectRS232();
    RefreshPanel();
}

// Any serial device, picked from those present. SelectCom keeps the last COM
// item, so that a reader of the seven known lines still finds a port.
void TMainForm::M69OtherPortClick() {
    if (longOperation_.Running()) return;
    const std::optional<std::string> device =
        questions_->ChooseSerialPort(
        {Msg(MsgOtherPort), WithNetworkPorts(ListSerialPorts(), networkPorts_), otherPort_});
    if (!device) return;
    if (port_.Enabled()) port_.Close();
    UseOtherPort(*device);
    ConnectRS232();
    RefreshPanel();
}

void TMainForm::UseOtherPort(const std::string& device) {
    otherPort_ = device;
    RememberNetworkPort(networkPorts_, device);
    port_.SetDeviceName(device);
    CheckOnly(ComItems, -1);
    Action("M69OtherPort")->setChecked(true);
}

std::string TMainForm::LinkLabel() const {
    const std::string state =
        Msg(port_.Enabled() ? StatusTexts::MsgLinkOpen : StatusTexts::MsgLinkClosed);
    return otherPort_.empty() ? state : state + "  " + PortDisplayName(otherPort_);
}

// The port did not open: say why, in words the user can act on.
void TMainForm::ReportOpenFailure() {
    const auto* comm = dynamic_cast<const TThreadComm*>(&port_);
    if (comm == nullptr || port_.Enabled()) return;
    DiagnosisContext context;
    context.Catalogue = &catalogue_;
    const std::string text =
        DescribeOpenFailure(port_.GetDeviceName(), comm->LastOpenFailure(), context);
    if (!text.empty()) questions_->StandardDialog(text, DialogKind::Error, {sbOK});
}

void TMainForm::LanguageClick(int language) {
    if (Action(LanguageItemNames[language])->isChecked()) return;
    // Without its catalogue a language would blank every caption, the menu
    // included: keep the texts in use and say why.
    MessageCatalogue next;
    if (!next.Load(state_.StartFolder, language)) {
        questions_->StandardDialog("Cannot read the message catalogue " + state_.StartFolder +
                                       MessageCatalogue::FileName(language) +
                                       "; the language stays as it was.",
                                   DialogKind::Error, {sbOK});
        return;
    }
    catalogue_ = std::move(next);
    CheckOnly(LanguageItemNames, language);
    state_.Language = language;
    ChangeLanguage();
}

// A language number outside the three, or one whose catalogue cannot be
// read, starts in English rather than with empty captions.
void TMainForm::LoadStartCatalogue() {
    const bool known =
        state_.Language >= 0 && state_.Language < static_cast<int>(std::size(LanguageItemNames));
    if (!known || !catalogue_.Load(state_.StartFolder, state_.Language)) {
        std::fprintf(stderr, "servodesk: no readable catalogue for language %d; using English\n",
                     state_.Language);
        state_.Language = EnglishLanguage;
        catalogue_.Load(state_.StartFolder, state_.Language);
    }
    CheckOnly(LanguageItemNames, state_.Language);
}

// Opening or setting up the port can throw (an adapter pulled mid-open):
// the program tells the user and keeps running with the link closed.
void TMainForm::ConnectRS232() {
    try {
        identification_.ConnectRS232();
        panel_.MainMsg4 = LinkLabel();
        ReportOpenFailure();
    } catch (const std::exception& error) {
        panel_.MainMsg4 = Msg(StatusTexts::MsgLinkClosed);
        questions_->StandardDialog(
            std::string("The serial port could not be set up: ") + error.what(), DialogKind::Error,
            {sbOK});
    }
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

// Save and Open run inside the menu handler with the progress panel showing.
void TMainForm::RunFileCommand(void (ParamFileCommands::*command)()) {
    if (longOperation_.Running()) return;
    (fileCommands_.*command)();
    RefreshPanel();
}

void TMainForm::M34ResetClick() {
    if (longOperation_.Running()) return;
    ResetAmplifier(link_, *questions_, catalogue_);
}

void TMainForm::M73AutoResetClick() {
    QAction* item = Action("M73AutoReset");
    item->setChecked(!item->isChecked());
}

TParamForm* TMainForm::ParamForm(ParamGroup group) const {
    static constexpr const char* Items[] = {"M21SystemParam", "M22SpeedParam", "M23TorqueParam",
                                            "M24PositionParam"};
    return qobject_cast<TParamForm*>(ChildWindowOf(Items[static_cast<int>(group)]));
}

QWidget* TMainForm::ChildWindowOf(const std::string& item) const {
    for (const auto& [row, window] : childWindows_) {
        if (window && row->Item == item) return window.data();
    }
    return nullptr;
}

void TMainForm::OpenChildWindow(const ChildWindowRow& row) {
    if (longOperation_.Running()) return;
    if (row.OpenFlag && state_.*row.OpenFlag) return;
    QWidget* window = row.Create(*this);
    RefreshPanel();
    if (!window) return;
    std::erase_if(childWindows_, [](const auto& open) { return open.second.isNull(); });
    childWindows_.emplace_back(&row, window);
    mdiArea_->addSubWindow(window);
    auto* child = dynamic_cast<ChildWindow*>(window);
    if (row.OpenFlag) {
        // The flag follows the window: cleared when it closes, and in any
        // case when it is gone.
        state_.*row.OpenFlag = true;
        const auto clear = [this, flag = row.OpenFlag] { state_.*flag = false; };
        connect(window, &QObject::destroyed, this, clear);
        if (child) child->SetClosedHandler(clear);
    }
    if (child) child->ChangeLanguage();
    window->show();
}

bool TMainForm::ReadParamGroup(ParamGroup group) {
    // A queued edit reaches the amplifier first, so the read cannot undo it.
    paramWriter_.WriteParamTimerTimer();
    bool read = false;
    {
        const LongOperation::Scope busy(longOperation_);
        read = groupReader_.ReadGroup(group);
    }
    if (read) return true;
    RefreshPanel();
    questions_->Beep();
    questions_->CustomDialog(Msg(StatusTexts::MsgCommError), DialogKind::Error, {0}, 0,
                             {MsgOkButton, 1});
    return false;
}

ParamFormContext TMainForm::ParamContext() {
    return {state_, map_, paramCaches_, paramWriter_, catalogue_};
}

// The windows refer to the caches and the writer, which go before the
// window's children do.
void TMainForm::CloseChildWindows() {
    for (auto& [row, window] : childWindows_) delete window.data();
    childWindows_.clear();
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
    // A jogging motor or a tuning run is stopped before the port goes; the
    // user has been told when the amplifier did not acknowledge it.
    if (port_.Enabled()) StopMotionBeforeExit(jog_, tuning_, state_, *questions_, catalogue_);
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
    CloseChildWindows();
    if (port_.Enabled()) port_.Close();
    const std::string iniPath = places_.IniPath;
    if (!WriteInitIni(iniPath, state_, otherPort_, initOtherLines_, networkPorts_)) {
        questions_->StandardDialog(
            "The settings could not be saved to " + iniPath + ": " + std::strerror(errno),
            DialogKind::Error, {sbOK});
    }
}
