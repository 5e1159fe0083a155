#pragma once
// The desk: the one place where the system is put together. It owns the drive
// state, the port and link, identification, the status poll and every logic
// object, and the line that runs their exchanges one job at a time. The main
// window, servoctl and the test bench all build this same desk; windows take
// the desk (or the part of it they use) and never touch the port.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "desk/DeskLock.h"
#include "desk/LineJobs.h"
#include "desk/QuestionsRelay.h"
#include "desk/UnlockedSeams.h"
#include "files/Compare.h"
#include "files/FileCommands.h"
#include "files/MotorTransfer.h"
#include "files/TableCommand.h"
#include "link/AddressMap.h"
#include "link/Clock.h"
#include "link/DriveLink.h"
#include "link/DriveState.h"
#include "link/Identification.h"
#include "link/LongOperation.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"
#include "monitor/Monitoring.h"
#include "monitor/TrendSampler.h"
#include "operation/DirectAccess.h"
#include "operation/JogControl.h"
#include "operation/TuneMachine.h"
#include "params/GroupRead.h"
#include "params/ParamCaches.h"
#include "params/ParamWriter.h"
#include "shell/StatusPoll.h"

struct DeskSetup {
    std::string StartFolder;     // with a trailing separator
    SerialLine* Port = nullptr;  // default: a serial port looked up in the start folder
    Clock* Time = nullptr;       // default: the system clock
    std::string PortFolder;      // where bare port names are looked up; empty: StartFolder
    bool OwnLineThread = false;  // the desktop program: exchanges on the line's own thread
    std::string ProgramVersion;  // named in the identity files of saves
};

// What connecting the port came to: the link label's state and, when the
// port did not open, why, in words the user can act on.
struct ConnectOutcome {
    bool Open = false;
    std::string FailureText;  // empty when nothing needs saying
};

class Desk {
public:
    explicit Desk(const DeskSetup& setup);
    ~Desk();
    Desk(const Desk&) = delete;
    Desk& operator=(const Desk&) = delete;

    // --- the line ---------------------------------------------------------
    LineJobs& Line() { return *line_; }
    DeskLock& Lock() { return lock_; }
    // Posts a periodic tick (dropped while its previous one waits), a command,
    // or a stop that goes ahead of queued ticks.
    bool PostTick(const std::string& name, std::function<void()> work);
    bool PostCommand(std::function<void()> work);
    bool PostStop(std::function<void()> work);
    // Ends the line thread after its running job (before the window goes).
    void StopLine();
    // Waits until every posted job has run (tests, shutdown).
    void DrainLine();
    // Asks the running long operation to stop at its next entry boundary.
    void RequestCancel() { LongOp.RequestCancel(); }

    // How window work is reached from the line thread, and what the window
    // does when the line has something new to show; the main window sets both.
    void SetWindowCall(WindowCall call);
    void SetRefreshRequest(std::function<void()> request) { refreshRequest_ = std::move(request); }
    // Where every question of the desk's logic goes (the real dialogs, or a script).
    void SetQuestions(Questions* target) { relay_.SetTarget(target); }
    Questions& Ask() { return relay_; }
    // Runs window work from any thread and returns when it is done.
    void OnWindow(const std::function<void()>& work);

    // --- decisions the window applies -------------------------------------
    // The status poll's tick; when the link has come back, a transfer that the
    // outage cut short is taken up next (a line job's body).
    void StatusTick();
    // What to tell the user when another amplifier answered after an outage
    // (the parameter windows then close); empty when nothing changed. Taken once.
    std::string TakeDriveChangeText() { return std::exchange(driveChangeText_, {}); }
    // Opens the port and identifies the amplifier (a line job's body).
    ConnectOutcome ConnectRS232();
    // Closes the port (a line job's body).
    void DisconnectRS232();
    // Chooses the port of COM item index (0 ... 7) or a typed device path.
    void ChooseComItem(int index);
    void ChooseOtherPort(const std::string& device);
    const std::string& OtherPort() const { return otherPort_; }
    // The link label: open or closed, with the other port's name.
    std::string LinkLabel() const;
    bool LinkOpen() const { return linkOpen_.load(); }

    // --- the seams ----------------------------------------------------------
    SerialLine& Port() { return unlockedPort_; }
    // The port device itself, for what only it can tell (why it did not open).
    const SerialLine& PortDevice() const { return unlockedPort_.Inner(); }
    Clock& Time() { return unlockedClock_; }

    DriveState State;
    MainPanel Panel;
    MessageCatalogue Catalogue;
    AddressMap Map;
    LongOperation LongOp;

private:
    DeskLock lock_;
    std::unique_ptr<SerialLine> ownPort_;
    std::unique_ptr<Clock> ownClock_;
    UnlockedLine unlockedPort_;
    UnlockedClock unlockedClock_;
    QuestionsRelay relay_;
    WindowCall windowCall_;
    std::function<void()> refreshRequest_;
    std::string otherPort_;
    std::atomic<bool> linkOpen_{false};
    std::string driveChangeText_;

public:
    // --- the logic objects, in the order they are built --------------------
    DriveLink Link;
    Identification Ident;
    StatusPoll Poll;
    ParamCaches Caches;
    GroupReader Reader;
    ParamWriter Writer;
    JogControl Jog;
    TuneMachine Tuning;
    DirectAccess Direct;
    Monitoring Monitors;
    TrendSampler Trend;
    ParamFileCommands FileCommands;
    ParamTableCommand Table;
    CompareCommand Compare;
    MotorParamCommand Maker;

    // The seams every file command reads, writes and reports through.
    TransferSeams Seams();
    // Told whether the AutoReset menu item carries its check mark.
    std::function<bool()> AutoReset = [] { return false; };

private:
    void RequestRefresh();
    std::unique_ptr<LineJobs> line_;
};
