#pragma once
#include <QMainWindow>
#include <QMdiArea>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>

#include "files/FileCommands.h"
#include "link/AddressMap.h"
#include "link/Clock.h"
#include "link/DriveLink.h"
#include "link/DriveState.h"
#include "link/Identification.h"
#include "link/LongOperation.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"
#include "link/Questions.h"
#include "monitor/Monitoring.h"
#include "monitor/TrendSampler.h"
#include "operation/DirectAccess.h"
#include "operation/JogControl.h"
#include "operation/TuneMachine.h"
#include "params/GroupRead.h"
#include "params/ParamCaches.h"
#include "params/ParamWriter.h"
#include "shell/ChildWindows.h"
#include "shell/Msgdlg.h"
#include "shell/Settings.h"
#include "shell/SettingsLocation.h"
#include "shell/StatusPoll.h"

class QAction;
class QFrame;
class QLabel;
class QPlainTextEdit;
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

    DriveState& State() { return state_; }
    MainPanel& Panel() { return panel_; }
    AddressMap& Map() { return map_; }
    DriveLink& Link() { return link_; }
    const MessageCatalogue& Catalogue() const { return catalogue_; }
    DialogCaptions& Captions() { return captions_; }
    Questions& Ask() { return *questions_; }
    QAction* Action(const std::string& name) const;
    ParamCaches& Caches() { return paramCaches_; }
    ParamWriter& Writer() { return paramWriter_; }
    LongOperation& LongOp() { return longOperation_; }
    // Whether choosing the menu item does something yet.
    bool HasCommand(const std::string& item) const { return itemsWithCommand_.count(item) > 0; }
    // The group's open parameter window, or null.
    TParamForm* ParamForm(ParamGroup group) const;
    // The child window opened from a menu item, or null.
    QWidget* ChildWindowOf(const std::string& item) const;
    // Reads the whole group before its window opens; false (and the user
    // told) when the read failed.
    bool ReadParamGroup(ParamGroup group);
    ParamFormContext ParamContext();
    JogControl& Jog() { return jog_; }
    TuneMachine& Tuning() { return tuning_; }
    DirectAccess& Direct() { return direct_; }
    ParamFileCommands& FileCommands() { return fileCommands_; }
    Monitoring& Monitors() { return monitoring_; }
    TrendSampler& Trend() { return trend_; }
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
    std::string Msg(int n) const { return catalogue_.Msg(n); }
    QString MsgQ(int n) const;
    void SetActionEnabled(const char* name, bool enabled);
    void ApplyServiceMenu(const ServiceMenuState& menu);
    void OpenChildWindow(const ChildWindowRow& row);
    void CloseChildWindows();
    void ConnectRS232();
    void UseOtherPort(const std::string& device);
    void ReportOpenFailure();
    std::string LinkLabel() const;
    void ConnectTransferChecks();
    void ShowTransferChecks();
    void LoadStartCatalogue();
    void DisableItemsWithoutCommand();
    void RepaintProgress();
    void RunFileCommand(void (ParamFileCommands::*command)());
    void OnTriggered(const char* name, const std::function<void()>& handler);
    TransferSeams TransferSeamsOfThisWindow();
    void BuildFxTools();
    void M36TableClick();
    void M37MakerClick();
    void M38CompareClick();

    MainFormSetup setup_;
    DriveState state_;
    MainPanel panel_;
    MessageCatalogue catalogue_;
    AddressMap map_;
    std::unique_ptr<SerialLine> ownPort_;
    SerialLine& port_;
    std::unique_ptr<Clock> ownClock_;
    Clock& clock_;
    DriveLink link_;
    Identification identification_;
    StatusPoll statusPoll_;
    ParamCaches paramCaches_;

    GroupReader groupReader_;
    ParamWriter paramWriter_;
    LongOperation longOperation_;
    JogControl jog_;
    TuneMachine tuning_;
    DirectAccess direct_;
    DialogCaptions captions_;
    std::vector<std::string> initOtherLines_;  // Init.ini lines of other builds, kept
    std::unique_ptr<Questions> ownQuestions_;
    Questions* questions_;
    ParamFileCommands fileCommands_;
    Monitoring monitoring_{link_, state_, map_, panel_, catalogue_, longOperation_};
    TrendSampler trend_{monitoring_.Monitor, state_, clock_};
    // The FX-group tools: parameter table, production pass, compare.
    std::unique_ptr<ParamTableCommand> table_;
    std::unique_ptr<MotorParamCommand> maker_;
    std::unique_ptr<CompareCommand> compare_;
    SettingsPlaces places_;
    // The device chosen with "Other port..."; empty while a COM item is in use.
    std::string otherPort_;
    std::vector<std::string> networkPorts_;  // used last, newest first
    bool shutDown_ = false;
    bool exitConfirmed_ = false;

    BackgroundMdiArea* mdiArea_ = nullptr;
    std::map<std::string, QAction*> actions_;
    std::map<std::string, QLabel*> labels_;
    QFrame* progressPanel_ = nullptr;
    QLabel* progressMsg_ = nullptr;
    TGauge* rwGauge_ = nullptr;
    QPlainTextEdit* memo1_ = nullptr;
    std::size_t memoLinesShown_ = 0;
    std::map<std::string, QTimer*> timers_;
    // Open child windows with the row each came from; a row without an open
    // flag may have several.
    std::vector<std::pair<const ChildWindowRow*, QPointer<QWidget>>> childWindows_;
    // Menu items without a command yet stay disabled whatever enables others.
    std::set<std::string> itemsWithoutCommand_;
    std::set<std::string> itemsWithCommand_;
};
