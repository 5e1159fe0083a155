#include "shell/Mainform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
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
#include "link/CatalogueTexts.h"
#include "link/Comm.h"
#include "link/PortDiagnosis.h"
#include "link/StatusTexts.h"
#include "operation/Help.h"
#include "operation/OperationExit.h"
#include "params/ParamForm.h"
#include "shell/MainMenu.h"
#include "shell/Msgdlg.h"
#include "shell/QtTranslations.h"
#include "shell/Settings.h"
#include "widgets/Gauge.h"
#include "widgets/ModalDialog.h"

using namespace CatalogueTexts;

namespace {

constexpr const char* ComItems[] = {"M61COM1", "M62COM2", "M63COM3", "M64COM4",
                                    "M65COM5", "M66COM6", "M67COM7", "M68COM8"};
constexpr const char* LanguageItemNames[] = {"M51Japaness", "M52English", "M53Chinese"};
// The progress panel and the transfer log: a read-back's mismatch line fits on one line.
constexpr int ProgressWidth = 440;

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

DeskSetup DeskSetupOf(const MainFormSetup& setup) {
    DeskSetup desk;
    desk.StartFolder = setup.StartFolder;
    desk.Port = setup.PortOverride;
    desk.Time = setup.ClockOverride;
    desk.OwnLineThread = setup.LineThread;
    desk.ProgramVersion = kProgramVersion;
    return desk;
}

// A top menu's own widget lies inside the menu bar, and re-enabling the bar
// (after a long operation) re-enables every child not disabled itself; the
// menu then turns its action back on. So a top menu is disabled as a widget.
void EnableAction(QAction& action, bool enabled) {
    if (auto* menu = action.menu<QMenu*>()) menu->setEnabled(enabled);
    action.setEnabled(enabled);
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
      desk_(std::make_unique<Desk>(DeskSetupOf(setup))),
      ownQuestions_(setup.QuestionsOverride
                        ? nullptr
                        : std::make_unique<DialogQuestions>(captions_, desk_->Catalogue, this)),
      questions_(setup.QuestionsOverride ? setup.QuestionsOverride : ownQuestions_.get()) {
    setObjectName("MainForm");
    resize(800, 472);
    desk_->SetQuestions(questions_);
    BuildLineSeams();
    BuildFxTools();
    BuildMenu();
    BuildPanels();
    BuildTimers();
    if (auto* dialogs = dynamic_cast<DialogQuestions*>(ownQuestions_.get())) {
        dialogs->SetFileChoosers(MakeOpenChooser(State(), desk_->Catalogue, *questions_, this),
                                 MakeSaveChooser(State(), desk_->Catalogue, *questions_, this));
    }
}

// How the line reaches the window. On the line's own thread a question or a
// form waits for the window thread with the desk lock let go, and "let window
// events run" lets the window have the lock for a moment; stepped tests run
// everything on the window thread as before.
void TMainForm::BuildLineSeams() {
    if (!setup_.LineThread) {
        Panel().ProcessEvents = [this] {
            RefreshPanel();
            QApplication::processEvents();
        };
        desk_->SetRefreshRequest([this] { RepaintProgress(); });
        return;
    }
    desk_->SetWindowCall([this](const std::function<void()>& work) {
        if (QThread::currentThread() == thread()) {
            work();
            return;
        }
        desk_->Lock().ReleasedDuring(
            [&] { QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection); });
    });
    desk_->SetRefreshRequest([this] { RequestRefresh(); });
    Panel().ProcessEvents = [this] {
        RequestRefresh();
        desk_->Lock().ReleasedDuring([] {});
    };
}

// Many refresh requests from the line come to one repaint.
void TMainForm::RequestRefresh() {
    if (refreshPosted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshPosted_.store(false);
            RefreshPanel();
        },
        Qt::QueuedConnection);
}

// Runs work on the line; then, on the window thread, runs then.
void TMainForm::RunOnLine(std::function<void()> work, std::function<void()> then, JobKind kind) {
    QPointer<TMainForm> self(this);
    const auto post = kind == JobKind::Stop ? &Desk::PostStop : &Desk::PostCommand;
    (desk_.get()->*post)([this, self, work = std::move(work), then = std::move(then)] {
        work();
        if (!then) return;
        if (!setup_.LineThread) {
            then();
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [self, then] {
                if (self) then();
            },
            Qt::QueuedConnection);
    });
}

void TMainForm::BuildFxTools() {
    const MessageLookup message = [this](int n) { return Msg(n); };
    desk_->Table.SetTableForm([this, message](ParamTableCommand& table) {
        desk_->OnWindow([&] {
            TLQRVSYSParForm form(table, message, this);
            ExecModal(form);
        });
    });
    desk_->Compare.SetCompareForm([this, message](const Comparison& comparison) {
        bool confirmed = false;
        desk_->OnWindow([&] {
            TCompareForm form(comparison, message, this);
            ExecModal(form);
            confirmed = form.CompareConfirmed();
        });
        return confirmed;
    });
    // The check mark is read on the window thread's side of the lock.
    desk_->AutoReset = [this] { return autoResetChecked_.load(); };
    if (auto* dialogs = dynamic_cast<DialogQuestions*>(ownQuestions_.get())) {
        dialogs->SetPrinter([this](const PrintJob& job) { return PrintWithDialog(job, this); });
    }
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
    if (QAction* action = Action(name)) EnableAction(*action, enabled);
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
        EnableAction(*action, row.Enabled);
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
    OnTriggered("M36Table", [this] { RunLongCommand([this] { desk_->Table.M36TableClick(); }); });
    OnTriggered("M37Maker", [this] { RunLongCommand([this] { desk_->Maker.M37MakerClick(); }); });
    OnTriggered("M38Compare",
                [this] { RunLongCommand([this] { desk_->Compare.M38CompareClick(); }); });
    OnTriggered("M71ShowHelp", [this] { M71ShowHelpClick(); });
    OnTriggered("M72ShowAbout", [this] { M72ShowAboutClick(); });
    OnTriggered("M8Exit", [this] { M8ExitClick(); });
    OnTriggered("M34Reset", [this] { M34ResetClick(); });
    OnTriggered("M31Open",
                [this] { RunLongCommand([this] { desk_->FileCommands.M31OpenClick(); }); });
    OnTriggered("M32Save",
                [this] { RunLongCommand([this] { desk_->FileCommands.M32SaveClick(); }); });
    ConnectTransferChecks();
    OnTriggered("M3CProductionRecord", [this] { M3CProductionRecordClick(); });
    DisableItemsWithoutCommand();
    // Nothing on the menu may start while a command lets window events run.
    // The line tells it from its own thread: the menu bar follows on the window's.
    desk_->LongOp.OnChange = [this](bool) {
        const auto follow = [this] {
            const bool running = desk_->LongOp.Running();
            menuBar()->setEnabled(!running);
            cancelButton_->setVisible(running);
            cancelButton_->setEnabled(true);
        };
        if (QThread::currentThread() == thread()) {
            follow();
        } else {
            QMetaObject::invokeMethod(this, follow, Qt::QueuedConnection);
        }
    };

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
            State().*field = !(State().*field);
            ShowTransferChecks();
        });
    }
}

void TMainForm::ShowTransferChecks() {
    Action("M39VerifyAfterTransfer")->setChecked(State().VerifyAfterTransfer);
    Action("M3APreviewBeforeTransfer")->setChecked(State().PreviewBeforeTransfer);
    Action("M3BBackupProduction")->setChecked(State().BackupInProduction);
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
    // Cancel stops a long command at its next boundary between entries.
    auto* gaugeRow = new QHBoxLayout;
    gaugeRow->addWidget(rwGauge_, 1);
    cancelButton_ = new QPushButton(progressPanel_);
    cancelButton_->setObjectName("CancelButton");
    cancelButton_->hide();
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        desk_->RequestCancel();
        cancelButton_->setEnabled(false);
    });
    gaugeRow->addWidget(cancelButton_);
    progressLayout->addLayout(gaugeRow);
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
    // Start-up runs before the event loop: it holds the desk as an event would.
    const DeskLock::Scope hold(desk_->Lock());
    places_ = FindSettingsPlaces(SystemPlaceFacts(setup_.StartFolder));
    const InitSettings settings = ReadSettings(places_);
    // The defaults stand in for unreadable lines; say which ones.
    for (const std::string& problem : settings.Problems) qWarning("%s", problem.c_str());
    ApplyInitSettings(settings, places_.DataFolder, State());
    if (!settings.WorkFolder) State().WorkFolder = places_.WorkFolder;
    initOtherLines_ = settings.OtherLines;
    networkPorts_ = settings.NetworkPorts;
    ShowTransferChecks();

    mdiArea_->SetPicture(QPixmap(QString::fromStdString(State().StartFolder + "Main.Bmp")));

    State().MonitorFormOpen = State().IOFormOpen = State().AlarmFormOpen = false;
    State().SystemFormOpen = State().SpeedFormOpen = State().TorqueFormOpen = false;
    State().PositionFormOpen = State().JogFormOpen = State().AutoTuneFormOpen = false;
    State().DirectRWFormOpen = State().TrendFormOpen = false;
    LoadStartCatalogue();

    State().ServoWord = State().IoWord = State().StatusWord = 0;
    State().CurrentMode = -1;
    ChangeLanguage();

    AskFamily(settings.PreviousFamily);

    LoadAddressMap(Map(), State().AmpFamily, State().FxVersion, State().QrvFlag);
    Action("M36Table")->setText("QRV Parameter Table");

    SelectComItem(State().SelectCom);
    if (settings.OtherPort) {
        desk_->ChooseOtherPort(*settings.OtherPort);
        CheckOnly(ComItems, -1);
        Action("M69OtherPort")->setChecked(true);
    }
    ConnectRS232();

    State().PollBusy = State().ParamWriteBusy = false;
    State().MonitorBusy = State().IODisplayBusy = State().AlarmBusy = false;
    State().JogBusy = State().AutoTuneBusy = false;
    ApplyServiceMenu(ApplyUserLevel(State()));
    State().TempFileName = TempFileNameFor(State().AmpFamily);

    RefreshPanel();
    if (setup_.StartTimers) {
        for (const TimerRow& row : Timers) {
            if (row.Enabled) timers_[row.Name]->start();
        }
    }
}

void TMainForm::AskFamily(int previousChoice) {
    State().YzFlag = false;
    const std::vector<int> buttons{0, 1, 2, 3, 4, 5};
    const int focus = previousChoice >= 0 && previousChoice <= 5 ? previousChoice : 0;
    const int result =
        questions_->CustomDialog(Msg(MsgFamilyQuestion), DialogKind::Confirmation, buttons, focus,
                                 {MsgFamilyButtonFirst, 6}, QuestionId::FamilyChoice);
    ApplyFamilyAnswer(result, State());
    Panel().MainMsg6.clear();
    // The jog group follows the family alone.
    for (const char* name : {"M4Jog", "M41Jog", "M42AutoGain"})
        SetActionEnabled(name, State().AmpFamily == 0);
}

void TMainForm::CheckOnly(std::span<const char* const> names, int index) {
    for (std::size_t i = 0; i < names.size(); ++i)
        Action(names[i])->setChecked(static_cast<int>(i) == index);
}

void TMainForm::SelectComItem(int index) {
    desk_->ChooseComItem(index);
    CheckOnly(ComItems, index);
}

void TMainForm::ChangeLanguage() {
    using namespace StatusTexts;
    setWindowTitle(QString::fromStdString(Msg(MsgAppTitle) + " " + kProgramVersion));
    FollowLanguageInQtTexts(State().Language);
    for (const MenuItemRow& row : MainMenuRows()) {
        if (row.Message > 0) Action(row.Name)->setText(MsgQ(row.Message));
    }
    Panel().MainMsg4 = desk_->LinkLabel();
    labels_["MsgTitle1"]->setText(MsgQ(MsgPanelTitle1));
    cancelButton_->setText(MsgQ(MsgDialogCancel));
    labels_["MsgTitle2"]->setText(MsgQ(MsgPanelTitle2));

    DrawStatusTexts(State(), desk_->Catalogue, Panel());

    // Open child windows follow in the order of their table.
    for (const auto& [row, window] : childWindows_) {
        if (auto* child = dynamic_cast<ChildWindow*>(window.data())) child->ChangeLanguage();
    }

    RefreshPanel();
}

void TMainForm::RefreshPanel() {
    if (const std::string change = desk_->TakeDriveChangeText(); !change.empty()) {
        CloseParamWindows();
        questions_->StandardDialog(change, DialogKind::Warning, {sbOK});
    }
    const std::pair<const char*, const std::string*> texts[] = {
        {"MainMsg1", &Panel().MainMsg1}, {"MainMsg2", &Panel().MainMsg2},
        {"MainMsg3", &Panel().MainMsg3}, {"MainMsg4", &Panel().MainMsg4},
        {"MainMsg5", &Panel().MainMsg5}, {"MainMsg6", &Panel().MainMsg6},
        {"CPULabel", &Panel().CPULabel}, {"EEPLabel", &Panel().EEPLabel}};
    for (const auto& [name, text] : texts) {
        const QString value = QString::fromStdString(*text);
        if (labels_[name]->text() != value) labels_[name]->setText(value);
    }
    if (Panel().M34ResetEnabled) SetActionEnabled("M34Reset", true);

    progressMsg_->setText(QString::fromStdString(Panel().ProgressMsg));
    progressMsg_->setStyleSheet(Panel().ProgressFailed ? "color: red; font-weight: bold;" : "");
    // A failure says why in a sentence or two: the panel grows to show it whole.
    const int panelHeight = Panel().ProgressFailed ? 120 : 72;
    if (progressPanel_->height() != panelHeight) {
        progressPanel_->resize(progressPanel_->width(), panelHeight);
        FormResize();
    }
    rwGauge_->SetRange(0, Panel().RWGaugeMax);
    rwGauge_->SetProgress(Panel().RWGaugeProgress);
    if (progressPanel_->isVisible() != Panel().ProgressPanel) {
        progressPanel_->setVisible(Panel().ProgressPanel);
        if (Panel().ProgressPanel) progressPanel_->raise();
    }
    if (Panel().Memo1.size() < memoLinesShown_) {
        memo1_->clear();
        memoLinesShown_ = 0;
    }
    for (; memoLinesShown_ < Panel().Memo1.size(); ++memoLinesShown_) {
        memo1_->appendPlainText(QString::fromStdString(Panel().Memo1[memoLinesShown_]));
    }
    memo1_->setVisible(Panel().Memo1Visible);
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
// Each tick is a job on the line; a tick whose previous one has not started
// yet is dropped, so a slow wire builds no backlog.

void TMainForm::StsTimerTimer() {
    desk_->PostTick("StsTimer", [this] { desk_->StatusTick(); });
}
void TMainForm::MonitorTimerTimer() {
    desk_->PostTick("MonitorTimer", [this] { desk_->Monitors.Monitor.MonitorTimerTimer(); });
}
void TMainForm::IODispalyTimerTimer() {
    desk_->PostTick("IODispalyTimer", [this] { desk_->Monitors.IO.IODispalyTimerTimer(); });
}
void TMainForm::AlarmTimerTimer() {
    desk_->PostTick("AlarmTimer", [this] { desk_->Monitors.Alarm.AlarmTimerTimer(); });
}
void TMainForm::WriteParamTimerTimer() {
    desk_->PostTick("WriteParamTimer", [this] { desk_->Writer.WriteParamTimerTimer(); });
}
void TMainForm::ReadParamTimerTimer() {}  // reading is never driven by a timer
void TMainForm::JogTimerTimer() {
    desk_->PostTick("JogTimer", [this] { desk_->Jog.JogTimerTimer(); });
}
void TMainForm::AutoTuneTimerTimer() {
    desk_->PostTick("AutoTuneTimer", [this] { desk_->Tuning.AutoTuneTimerTimer(); });
}
void TMainForm::DirectSetTimer() {
    desk_->PostTick("DirectSet", [this] { desk_->Direct.DirectSetTimer(); });
}
void TMainForm::TrendTimerTimer() {
    desk_->PostTick("TrendTimer", [this] { desk_->Trend.TrendTimerTimer(); });
}

// --- menus --------------------------------------------------------------

void TMainForm::ComClick(int index) {
    if (Action(ComItems[index])->isChecked()) return;  // no reconnect for the same port
    CheckOnly(ComItems, index);
    Action("M69OtherPort")->setChecked(false);
    SwitchPort([this, index] { desk_->ChooseComItem(index); });
}

// Any serial device, picked from those present.
void TMainForm::M69OtherPortClick() {
    if (desk_->LongOp.Running()) return;
    const std::optional<std::string> device = questions_->ChooseSerialPort(
        {Msg(MsgOtherPort), WithNetworkPorts(ListSerialPorts(), networkPorts_),
         desk_->OtherPort()});
    if (!device) return;
    UseOtherPort(*device);
}

void TMainForm::UseOtherPort(const std::string& device) {
    RememberNetworkPort(networkPorts_, device);
    CheckOnly(ComItems, -1);
    Action("M69OtherPort")->setChecked(true);
    SwitchPort([this, device] { desk_->ChooseOtherPort(device); });
}

// The old port closes and the new one opens on the line, in turn with
// whatever it is doing.
void TMainForm::SwitchPort(const std::function<void()>& choose) {
    auto outcome = std::make_shared<ConnectOutcome>();
    RunOnLine(
        [this, choose, outcome] {
            desk_->DisconnectRS232();
            choose();
            *outcome = desk_->ConnectRS232();
        },
        [this, outcome] { ShowConnectOutcome(*outcome); });
}

void TMainForm::ConnectRS232() {
    auto outcome = std::make_shared<ConnectOutcome>();
    RunOnLine([this, outcome] { *outcome = desk_->ConnectRS232(); },
              [this, outcome] { ShowConnectOutcome(*outcome); });
}

// The port did not open: say why, in words the user can act on.
void TMainForm::ShowConnectOutcome(const ConnectOutcome& outcome) {
    RefreshPanel();
    if (!outcome.FailureText.empty()) {
        questions_->StandardDialog(outcome.FailureText, DialogKind::Error, {sbOK});
    }
}

void TMainForm::LanguageClick(int language) {
    if (Action(LanguageItemNames[language])->isChecked()) return;
    // Without its catalogue a language would blank every caption, the menu
    // included: keep the texts in use and say why.
    MessageCatalogue next;
    if (!next.Load(State().StartFolder, language)) {
        const std::string path = State().StartFolder + MessageCatalogue::FileName(language);
        questions_->StandardDialog(Msg(MsgCatalogueUnreadable, {path}), DialogKind::Error, {sbOK});
        return;
    }
    desk_->Catalogue = std::move(next);
    CheckOnly(LanguageItemNames, language);
    State().Language = language;
    ChangeLanguage();
}

// A language number outside the three, or one whose catalogue cannot be
// read, starts in English rather than with empty captions.
void TMainForm::LoadStartCatalogue() {
    const bool known =
        State().Language >= 0 && State().Language < static_cast<int>(std::size(LanguageItemNames));
    if (!known || !desk_->Catalogue.Load(State().StartFolder, State().Language)) {
        std::fprintf(stderr, "servodesk: no readable catalogue for language %d; using English\n",
                     State().Language);
        State().Language = EnglishLanguage;
        desk_->Catalogue.Load(State().StartFolder, State().Language);
    }
    CheckOnly(LanguageItemNames, State().Language);
}

void TMainForm::HotKey1Click() {
    ApplyServiceMenu(ToggleServiceMode(State()));
}

void TMainForm::ApplyServiceMenu(const ServiceMenuState& menu) {
    if (menu.M33DirectRW) SetActionEnabled("M33DirectRW", *menu.M33DirectRW);
    if (menu.M36Table) SetActionEnabled("M36Table", *menu.M36Table);
    if (menu.M37Maker) SetActionEnabled("M37Maker", *menu.M37Maker);
    if (menu.M38Compare) SetActionEnabled("M38Compare", *menu.M38Compare);
    if (menu.M73AutoReset) Action("M73AutoReset")->setChecked(*menu.M73AutoReset);
    autoResetChecked_.store(Action("M73AutoReset")->isChecked());
}

// Save, Open and the FX tools run on the line with the progress panel and its
// Cancel showing; the menu stays shut until they end.
void TMainForm::RunLongCommand(const std::function<void()>& command) {
    if (desk_->LongOp.Running() || desk_->Line().CommandPending()) return;
    RunOnLine(command, [this] { RefreshPanel(); });
}

void TMainForm::M34ResetClick() {
    if (desk_->LongOp.Running() || desk_->Line().CommandPending()) return;
    RunOnLine([this] { ResetAmplifier(desk_->Link, desk_->Ask(), desk_->Catalogue); });
}

void TMainForm::M73AutoResetClick() {
    QAction* item = Action("M73AutoReset");
    item->setChecked(!item->isChecked());
    autoResetChecked_.store(item->isChecked());
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

// A window that needs a read first opens when the line has done it.
void TMainForm::OpenChildWindow(const ChildWindowRow& row) {
    if (desk_->LongOp.Running()) return;
    if (row.OpenFlag && State().*row.OpenFlag) return;
    if (!row.Prepare) {
        OpenChildWindowNow(row);
        return;
    }
    auto prepared = std::make_shared<bool>(false);
    RunOnLine([this, &row, prepared] { *prepared = row.Prepare(*desk_); },
              [this, &row, prepared] {
                  RefreshPanel();
                  if (*prepared && !(row.OpenFlag && State().*row.OpenFlag))
                      OpenChildWindowNow(row);
              });
}

void TMainForm::OpenChildWindowNow(const ChildWindowRow& row) {
    QWidget* window = row.Create(*desk_);
    RefreshPanel();
    if (!window) return;
    std::erase_if(childWindows_, [](const auto& open) { return open.second.isNull(); });
    childWindows_.emplace_back(&row, window);
    mdiArea_->addSubWindow(window);
    auto* child = dynamic_cast<ChildWindow*>(window);
    if (row.OpenFlag) {
        // The flag follows the window: cleared when it closes, and in any
        // case when it is gone.
        State().*row.OpenFlag = true;
        const auto clear = [this, flag = row.OpenFlag] { State().*flag = false; };
        connect(window, &QObject::destroyed, this, clear);
        if (child) child->SetClosedHandler(clear);
    }
    if (child) child->ChangeLanguage();
    window->show();
}

// Their caches belong to the amplifier that was there before.
void TMainForm::CloseParamWindows() {
    for (const ParamGroup group :
         {ParamGroup::System, ParamGroup::Speed, ParamGroup::Torque, ParamGroup::Position}) {
        if (QWidget* window = ParamForm(group)) window->close();
    }
}

// The windows refer to the caches and the writer, which go before the
// window's children do.
void TMainForm::CloseChildWindows() {
    for (auto& [row, window] : childWindows_) delete window.data();
    childWindows_.clear();
}

void TMainForm::M71ShowHelpClick() {
    ShowMainHelp(desk_->Catalogue, this);
}

void TMainForm::M72ShowAboutClick() {
    ShowAbout(desk_->Catalogue, this);
}

void TMainForm::M8ExitClick() {
    const int answer = questions_->StandardDialog(Msg(MsgExitQuestion), DialogKind::Confirmation,
                                                  {sbYes, sbNo}, QuestionId::ExitProgram);
    if (answer != mrYes) return;
    // A jogging motor or a tuning run is stopped before the port goes; the
    // user has been told when the amplifier did not acknowledge it.
    desk_->RequestCancel();
    RunOnLine(
        [this] {
            if (desk_->LinkOpen()) {
                StopMotionBeforeExit(desk_->Jog, desk_->Tuning, State(), desk_->Ask(),
                                     desk_->Catalogue);
            }
            desk_->DisconnectRS232();
        },
        [this] {
            exitConfirmed_ = true;
            close();
        },
        JobKind::Stop);
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
    desk_->StopLine();
    CloseChildWindows();
    desk_->DisconnectRS232();
    const std::string iniPath = places_.IniPath;
    if (!WriteInitIni(iniPath, State(), desk_->OtherPort(), initOtherLines_, networkPorts_)) {
        questions_->StandardDialog(Msg(MsgSettingsNotSaved, {iniPath, std::strerror(errno)}),
                                   DialogKind::Error, {sbOK});
    }
}
