#include "desk/DeskLock.h"

void DeskLock::Lock() {
    if (HeldByThisThread()) {
        ++depth_;
        return;
    }
    ++waiting_;
    mutex_.lock();
    --waiting_;
    owner_.store(std::this_thread::get_id());
    depth_ = 1;
}

void DeskLock::Unlock() {
    if (--depth_ > 0) return;
    owner_.store(std::thread::id{});
    mutex_.unlock();
}

int DeskLock::LetGo() {
    const int depth = depth_;
    depth_ = 0;
    owner_.store(std::thread::id{});
    mutex_.unlock();
    return depth;
}

// A thread coming back from a wait lets a thread that is already waiting go
// first: the line thread would otherwise take the lock back between two fast
// exchanges again and again while the window waits for it.
void DeskLock::TakeBack(int depth) {
    while (waiting_.load() > 0) std::this_thread::yield();
    ++waiting_;
    mutex_.lock();
    --waiting_;
    owner_.store(std::this_thread::get_id());
    depth_ = depth;
}
