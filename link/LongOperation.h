#pragma once
#include <atomic>
#include <functional>

// A command that lets window events run (group reads, saves, transfers,
// compares, tables, alarm clears) holds this for its whole length, so that no
// menu command starts again inside it. Menu handlers check Running() first; the
// main window disables the items that would re-enter while it is held.
class LongOperation {
public:
    bool Running() const { return depth_ > 0; }
    // The user's Cancel (or Ctrl-C): the command stops at its next boundary
    // between entries. Asked from any thread; cleared when a command starts.
    void RequestCancel() { cancel_.store(true); }
    bool CancelRequested() const { return cancel_.load(); }
    // Told when Running() changes; the main window sets it.
    std::function<void(bool running)> OnChange;

    // Held by the command's scope.
    class Scope {
    public:
        explicit Scope(LongOperation& operation) : operation_(operation) { operation_.Enter(); }
        ~Scope() { operation_.Leave(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        LongOperation& operation_;
    };

private:
    void Enter() {
        if (depth_ == 0) cancel_.store(false);
        if (depth_++ == 0 && OnChange) OnChange(true);
    }
    void Leave() {
        if (--depth_ == 0 && OnChange) OnChange(false);
    }
    int depth_ = 0;
    std::atomic<bool> cancel_{false};
};
