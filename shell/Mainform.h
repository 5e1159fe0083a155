#pragma once
#include <QMainWindow>
#include <QMdiArea>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>

#include "desk/Desk.h"
#include "shell/ChildWindows.h"
#include "shell/Msgdlg.h"
#include "shell/Settings.h"
#include "shell/SettingsLocation.h"

class QAction;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TGauge;
class TParamForm;
struct ParamFormContext;
struct TransferSeams;
class ParamTableCommand;
class CompareCommand;
class MotorParamCommand;

// What the main window is built on. The program passes only the start-up
// folder; tests also pass a simulated line, a manual clock and scripted answers.
struct MainFormSetup {
    std::string StartFolder;  // with a trailing separator
    Questions* QuestionsOverride = nullptr;
    SerialLine* PortOverride = nullptr;
    Clock* ClockOverride = nullptr;
    bool StartTimers = true;
    // The program runs every exchange on the line's own thread; tests that
    // step the window with a manual clock run each job at once instead.
    bool LineThread = false;
};

// The client area: paints Main.Bmp stretched over the whole area, also after
// scrolling and resizing.
class BackgroundMdiArea : public QMdiArea {
public:
    using QMdiArea::QMdiArea;
    void SetPicture(const QPixmap& picture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QPixmap picture_;
};

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(const MainFormSetup& setup);
    ~TMainForm() override;

    // Start-up: settings, catalogue, family question, connection.
    void FormCreate();
    void ChangeLanguage();

    // The system this window shows: drive state, link and logic objects.
    Desk& GetDesk() { return *desk_; }
    DriveState& State() { return desk_->State; }
    MainPanel& Panel() { return desk_->Panel; }
    AddressMap& Map() { return desk_->Map; }
    const MessageCatalogue& Catalogue() const { return desk_->Catalogue; }
    Questions& Ask() { return desk_->Ask(); }
    QAction* Action(const std::string& name) const;
    // Whether choosing the menu item does something yet.
    bool HasCommand(const std::string& item) const { return itemsWithCommand_.count(item) > 0; }
    ParamWriter& Writer() { return desk_->Writer; }
    Monitoring& Monitors() { return desk_->Monitors; }
    // The group's open parameter window, or null.
    TParamForm* ParamForm(ParamGroup group) const;
    // The child window opened from a menu item, or null.
    QWidget* ChildWindowOf(const std::string& item) const;
    // Copies the main panel's state onto the window's labels and panels.
    void RefreshPanel();

public slots:
    void StsTimerTimer();
    void MonitorTimerTimer();
    void IODispalyTimerTimer();
    void AlarmTimerTimer();
    void WriteParamTimerTimer();
    void ReadParamTimerTimer();
    void JogTimerTimer();
    void AutoTuneTimerTimer();
    void DirectSetTimer();
    void TrendTimerTimer();

    void HotKey1Click();
    void M8ExitClick();
    void M71ShowHelpClick();
    void M72ShowAboutClick();
    void M73AutoResetClick();
    void M34ResetClick();
    void M3CProductionRecordClick();
    void ComClick(int index);
    void M69OtherPortClick();
    void LanguageClick(int language);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void BuildPanels();
    void BuildTimers();
    void FormResize();
    void FormDestroy();
    void AskFamily(int previousChoice);
    void SelectComItem(int index);
    void CheckOnly(std::span<const char* const> names, int index);
    void ConnectCheckedByHandler(const char* name, const std::function<void()>& handler);
    std::string Msg(int n) const { return desk_->Catalogue.Msg(n); }
    std::string Msg(int n, const std::vector<std::string>& values) const {
        return desk_->Catalogue.Msg(n, values);
    }
    QString MsgQ(int n) const;
    void SetActionEnabled(const char* name, bool enabled);
    void ApplyServiceMenu(const ServiceMenuState& menu);
    void OpenChildWindow(const ChildWindowRow& row);
    void CloseChildWindows();
    void CloseParamWindows();
    void ConnectRS232();
    void UseOtherPort(const std::string& device);
    void ShowConnectOutcome(const ConnectOutcome& outcome);
    void SwitchPort(const std::function<void()>& choose);
    void BuildLineSeams();
    void RequestRefresh();
    void RunOnLine(std::function<void()> work, std::function<void()> then = {},
                   JobKind kind = JobKind::Command);
    void OpenChildWindowNow(const ChildWindowRow& row);
    void ConnectTransferChecks();
    void ShowTransferChecks();
    void LoadStartCatalogue();
    void DisableItemsWithoutCommand();
    void RepaintProgress();
    void RunLongCommand(const std::function<void()>& command);
    void OnTriggered(const char* name, const std::function<void()>& handler);
    void BuildFxTools();

    MainFormSetup setup_;
    std::unique_ptr<Desk> desk_;
    DialogCaptions captions_;
    std::vector<std::string> initOtherLines_;  // Init.ini lines of other builds, kept
    std::unique_ptr<Questions> ownQuestions_;
    Questions* questions_;  // the window thread's own questions
    SettingsPlaces places_;
    std::vector<std::string> networkPorts_;  // network ports used last, newest first
    bool shutDown_ = false;
    bool exitConfirmed_ = false;

    BackgroundMdiArea* mdiArea_ = nullptr;
    std::map<std::string, QAction*> actions_;
    std::map<std::string, QLabel*> labels_;
    QFrame* progressPanel_ = nullptr;
    QLabel* progressMsg_ = nullptr;
    TGauge* rwGauge_ = nullptr;
    QPlainTextEdit* memo1_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    std::atomic<bool> refreshPosted_{false};
    std::atomic<bool> autoResetChecked_{false};
    std::size_t memoLinesShown_ = 0;
    std::map<std::string, QTimer*> timers_;
    // Open child windows with the row each came from; a row without an open
    // flag may have several.
    std::vector<std::pair<const ChildWindowRow*, QPointer<QWidget>>> childWindows_;
    // Menu items without a command yet stay disabled whatever enables others.
    std::set<std::string> itemsWithoutCommand_;
    std::set<std::string> itemsWithCommand_;
};
