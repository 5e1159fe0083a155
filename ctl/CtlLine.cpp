#include "ctl/CtlLine.h"

#include <algorithm>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <streambuf>
#include <thread>

namespace {

DeskSetup StationSetup(const CtlOptions& options, const std::string& installFolder) {
    DeskSetup setup;
    setup.StartFolder = installFolder;
    setup.PortFolder = options.Folder;
    setup.ProgramVersion = CtlProgramVersion;
    return setup;
}

}  // namespace

CtlStation::CtlStation(const std::string& port, const CtlOptions& options,
                       const std::string& installFolder)
    : name_(port), desk_(StationSetup(options, installFolder)) {
    SetFamily(options.Family, desk_.State);
    desk_.Port().SetDeviceName(port);
}

CtlStation::~CtlStation() {
    desk_.DisconnectRS232();
}

bool CtlStation::Open(std::string& error) {
    try {
        if (OpenWithLineSettings(desk_.Port())) return true;
        const auto* comm = dynamic_cast<const TThreadComm*>(&desk_.PortDevice());
        if (comm != nullptr) error = DescribeOpenFailure(name_, comm->LastOpenFailure());
    } catch (const std::exception& failure) {
        error = "cannot open port " + name_ + ": " + failure.what();
    }
    return false;
}

CtlDrive CtlStation::Drive() {
    return {desk_.Link, desk_.Time(), desk_.State,  desk_.Panel,
            desk_.Map,  desk_.Ident,  desk_.Port(), desk_.Catalogue};
}

std::unique_ptr<CtlStation> MakeStation(const std::string& port, const CtlOptions& options,
                                        const std::string& installFolder) {
    return std::make_unique<CtlStation>(port, options, installFolder);
}

namespace {

// Whole lines of several threads onto one stream.
class SharedStream {
public:
    explicit SharedStream(std::ostream& out) : out_(out) {}
    void WriteLine(const std::string& line) {
        const std::lock_guard<std::mutex> lock(mutex_);
        out_ << line << std::flush;
    }

private:
    std::ostream& out_;
    std::mutex mutex_;
};

// A port's stream: each line goes out whole, after the port's name and a tab.
class PrefixedBuffer : public std::streambuf {
public:
    PrefixedBuffer(SharedStream& target, std::string prefix)
        : target_(target), prefix_(std::move(prefix)) {}
    ~PrefixedBuffer() override {
        if (!line_.empty()) target_.WriteLine(prefix_ + line_ + "\n");
    }

protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return traits_type::not_eof(c);
        if (c != '\n') {
            line_ += static_cast<char>(c);
            return c;
        }
        target_.WriteLine(prefix_ + line_ + "\n");
        line_.clear();
        return c;
    }

private:
    SharedStream& target_;
    std::string prefix_;
    std::string line_;
};

// The operator's Return between units, once for all ports: the last port to
// finish its unit asks; a port that ends leaves the round.
class UnitRounds {
public:
    UnitRounds(int ports, std::function<bool()> ask) : active_(ports), ask_(std::move(ask)) {}

    bool Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        ++waiting_;
        const int round = round_;
        if (waiting_ == active_) {
            Release();
        } else {
            changed_.wait(lock, [&] { return round_ != round; });
        }
        return answer_;
    }
    void Leave() {
        const std::lock_guard<std::mutex> lock(mutex_);
        --active_;
        if (waiting_ > 0 && waiting_ == active_) Release();
    }

private:
    void Release() {
        answer_ = ask_();
        waiting_ = 0;
        ++round_;
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    int active_;
    int waiting_ = 0;
    int round_ = 0;
    bool answer_ = false;
    std::function<bool()> ask_;
};

bool AskForTheNextUnits(SharedStream& err) {
    err.WriteLine("Connect the next amplifiers and press Return.\n");
    std::string line;
    return static_cast<bool>(std::getline(std::cin, line));
}

}  // namespace

int RunTransferLine(const std::vector<LinePort>& ports, const CtlCommand& command,
                    std::ostream& out, std::ostream& err, const std::function<bool()>& stop,
                    bool askBetweenUnits) {
    if (ports.size() == 1) {
        ServoCtl ctl(ports[0].Drive, out, err);
        ctl.SetLineControl({nullptr, stop});
        return ctl.Run(command);
    }
    SharedStream sharedOut(out), sharedErr(err);
    UnitRounds rounds(static_cast<int>(ports.size()),
                      [&] { return AskForTheNextUnits(sharedErr); });
    std::vector<int> statuses(ports.size(), CtlOk);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        threads.emplace_back([&, i] {
            PrefixedBuffer outBuffer(sharedOut, ports[i].Name + "\t");
            PrefixedBuffer errBuffer(sharedErr, ports[i].Name + "\t");
            std::ostream portOut(&outBuffer), portErr(&errBuffer);
            ServoCtl ctl(ports[i].Drive, portOut, portErr);
            LineControl control{nullptr, stop};
            if (askBetweenUnits) control.NextUnit = [&] { return rounds.Wait(); };
            ctl.SetLineControl(control);
            statuses[i] = ctl.Run(command);
            rounds.Leave();
        });
    }
    for (std::thread& thread : threads) thread.join();
    return *std::max_element(statuses.begin(), statuses.end());
}
