#pragma once
#include <string>

namespace sim {

// One pseudo-terminal in raw mode whose slave is linked at a fixed path, so
// that a program opening that path talks to us. Unplug closes the master (the
// peer sees a hang-up); Plug creates a new pty and re-points the same link.
class PtyServer {
public:
    explicit PtyServer(std::string linkPath) : linkPath_(std::move(linkPath)) {}
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Returns false with a reason in Error() when the pty or link fails, or
    // when something other than our link or a dangling link is in the way.
    bool Plug();
    void Unplug();
    // The adapter taken away: closed, and the link left dangling.
    void PullAdapter();
    bool Plugged() const { return master_ >= 0; }
    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }
    const std::string& LinkPath() const { return linkPath_; }
    const std::string& Error() const { return error_; }

    // Removes the link if it still points at our slave.
    void RemoveLink();
    bool LinkIsOurs() const;
    // Whether the link path may be taken: nothing there, a dangling link, or
    // the link we made. Anything else is the user's and stays; why says what.
    bool MayTakeLinkPath(std::string& why) const;
    // The same before any link of ours exists: nothing there or a dangling link.
    static bool PathIsFreeForLink(const std::string& path, std::string& why);
    std::string LinkTarget() const;

private:
    bool Fail(const std::string& what);

    std::string linkPath_;
    std::string slavePath_;
    std::string error_;
    int master_ = -1;
};

}  // namespace sim
