#include "desk/Desk.h"

#include <exception>

#include "link/CatalogueTexts.h"
#include "link/Comm.h"
#include "link/PortDiagnosis.h"
#include "link/PortList.h"
#include "link/StatusTexts.h"

namespace {

constexpr int PortSuspendMs = 20;

std::unique_ptr<SerialLine> MakePort(const DeskSetup& setup) {
    if (setup.Port) return nullptr;
    auto port = std::make_unique<TComm>();
    port->SetSearchFolder(setup.PortFolder.empty() ? setup.StartFolder : setup.PortFolder);
    port->SetSuspendTime(PortSuspendMs);
    return port;
}

std::unique_ptr<Clock> MakeClock(const DeskSetup& setup) {
    if (setup.Time) return nullptr;
    return std::make_unique<SystemClock>();
}

}  // namespace

Desk::Desk(const DeskSetup& setup)
    : ownPort_(MakePort(setup)),
      ownClock_(MakeClock(setup)),
      unlockedPort_(setup.Port ? *setup.Port : *ownPort_, lock_),
      unlockedClock_(setup.Time ? *setup.Time : *ownClock_, lock_),
      Link(unlockedPort_, unlockedClock_, State, Panel, Catalogue),
      Ident(Link, unlockedPort_, State, Panel, Catalogue, Map),
      Poll(Link, State, Panel, Catalogue, Map, Ident),
      Reader(Link, State, Panel, Map, Caches, [this](int n) { return Catalogue.Msg(n); }),
      Writer(Link, State, Caches, Map),
      Jog(Link, State, Map),
      Tuning(Link, State, Map),
      Direct(Link, State, Catalogue),
      Monitors(Link, State, Map, Panel, Catalogue, LongOp),
      Trend(Monitors.Monitor, State, unlockedClock_),
      FileCommands(Seams(), LongOp),
      Table(Seams(), LongOp),
      Compare(Seams(), LongOp),
      Maker(Seams(), LongOp, [this] { return AutoReset(); }) {
    State.StartFolder = setup.StartFolder;
    TransferSafety safety;
    safety.ProgramVersion = setup.ProgramVersion;
    FileCommands.SetSafety(safety);
    // The production record names the port in use, a COM item or another port.
    Maker.SetPortName([this] { return unlockedPort_.GetDeviceName(); });
    Reader.SetCancelled([this] { return LongOp.CancelRequested(); });
    if (setup.OwnLineThread) {
        line_ = std::make_unique<LineThread>(lock_);
    } else {
        line_ = std::make_unique<InlineJobs>();
    }
    // A periodic tick gives up at its first unanswered request; every job
    // ends with the window told that there is something new to show.
    line_->BeforeJob = [this](const LineJob& job) { Link.BeginJob(job.Kind == JobKind::Tick); };
    line_->AfterJob = [this](const LineJob&) {
        Link.BeginJob(false);
        RequestRefresh();
    };
}

Desk::~Desk() {
    StopLine();
}

TransferSeams Desk::Seams() {
    return {Link,
            State,
            Panel,
            unlockedClock_,
            relay_,
            [this](int n) { return Catalogue.Msg(n); },
            [this] { Ident.Read_current_mode(); },
            [this](int) { RequestRefresh(); },
            [this] { return LongOp.CancelRequested(); }};
}

bool Desk::PostTick(const std::string& name, std::function<void()> work) {
    return line_->Post({JobKind::Tick, name, std::move(work)});
}

bool Desk::PostCommand(std::function<void()> work) {
    return line_->Post({JobKind::Command, {}, std::move(work)});
}

bool Desk::PostStop(std::function<void()> work) {
    return line_->Post({JobKind::Stop, {}, std::move(work)});
}

void Desk::StopLine() {
    if (auto* thread = dynamic_cast<LineThread*>(line_.get())) {
        LongOp.RequestCancel();
        thread->Stop();
    }
}

void Desk::DrainLine() {
    if (auto* thread = dynamic_cast<LineThread*>(line_.get())) thread->Drain();
}

void Desk::SetWindowCall(WindowCall call) {
    windowCall_ = call;
    relay_.SetWindowCall(std::move(call));
}

void Desk::OnWindow(const std::function<void()>& work) {
    if (windowCall_) {
        windowCall_(work);
    } else {
        work();
    }
}

void Desk::RequestRefresh() {
    if (refreshRequest_) refreshRequest_();
}

void Desk::StatusTick() {
    const bool latched = State.CommErrorLatched;
    Poll.StsTimerTimer();
    // Another amplifier behind the port: the caches and queued writes belong
    // to the old one.
    if (const auto change = Poll.TakeDriveChange()) {
        Writer.DropPendingWrites();
        driveChangeText_ = DriveChangeText(*change, Catalogue);
    }
    if (latched && !State.CommErrorLatched) PostCommand([this] { FileCommands.LinkReturned(); });
}

ConnectOutcome Desk::ConnectRS232() {
    ConnectOutcome outcome;
    State.CommErrorLatched = false;
    try {
        Ident.ConnectRS232();
    } catch (const std::exception& error) {
        // Opening or setting up the port can throw (an adapter pulled
        // mid-open): the link stays closed and the user is told.
        outcome.FailureText = Catalogue.Msg(CatalogueTexts::MsgPortSetupFailed, {error.what()});
    }
    linkOpen_.store(unlockedPort_.Inner().Enabled());
    outcome.Open = linkOpen_.load();
    const auto* comm = dynamic_cast<const TThreadComm*>(&unlockedPort_.Inner());
    if (!outcome.Open && outcome.FailureText.empty() && comm != nullptr) {
        DiagnosisContext context;
        context.Catalogue = &Catalogue;
        outcome.FailureText =
            DescribeOpenFailure(unlockedPort_.GetDeviceName(), comm->LastOpenFailure(), context);
    }
    Panel.MainMsg4 = LinkLabel();
    return outcome;
}

void Desk::DisconnectRS232() {
    if (unlockedPort_.Enabled()) unlockedPort_.Close();
    linkOpen_.store(false);
    Panel.MainMsg4 = LinkLabel();
}

void Desk::ChooseComItem(int index) {
    unlockedPort_.SetDeviceName("Com" + std::to_string(index + 1));
    State.SelectCom = index;
    otherPort_.clear();
}

// SelectCom keeps the last COM item, so that a reader of the seven known
// Init.ini lines still finds a port.
void Desk::ChooseOtherPort(const std::string& device) {
    otherPort_ = device;
    unlockedPort_.SetDeviceName(device);
}

std::string Desk::LinkLabel() const {
    const std::string state = Catalogue.Msg(linkOpen_.load() ? CatalogueTexts::MsgLinkOpen
                                                             : CatalogueTexts::MsgLinkClosed);
    return otherPort_.empty() ? state : state + "  " + PortDisplayName(otherPort_);
}
