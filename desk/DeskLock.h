#pragma once
#include <atomic>
#include <mutex>
#include <thread>

// The one lock of the desk's state. The line thread holds it while a job runs,
// except while the job waits on the port or the clock; the window thread holds
// it while it handles an event. So the two never touch the drive state, the
// panel or a logic object at the same time, and the window never waits longer
// than the line thread's work between two waits, never for the wire.
//
// A thread may take it again while it holds it (a window event handled inside
// another's nested event loop).
class DeskLock {
public:
    void Lock();
    void Unlock();
    bool HeldByThisThread() const { return owner_.load() == std::this_thread::get_id(); }

    // Runs work with the lock let go when this thread holds it, and takes it
    // back, as deep as before, afterwards. Without the lock it just runs work.
    template <class Work>
    void ReleasedDuring(Work&& work) {
        if (!HeldByThisThread()) {
            work();
            return;
        }
        const int depth = LetGo();
        try {
            work();
        } catch (...) {
            TakeBack(depth);
            throw;
        }
        TakeBack(depth);
    }

    class Scope {
    public:
        explicit Scope(DeskLock& lock) : lock_(lock) { lock_.Lock(); }
        ~Scope() { lock_.Unlock(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        DeskLock& lock_;
    };

private:
    int LetGo();
    void TakeBack(int depth);

    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    std::atomic<int> waiting_{0};
    int depth_ = 0;  // touched by the owner only
};
