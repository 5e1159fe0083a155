#include "desk/LineJobs.h"

#include <algorithm>
#include <exception>

#include "desk/DeskLock.h"

bool InlineJobs::Post(LineJob job) {
    const bool command = job.Kind != JobKind::Tick;
    if (command) ++running_;
    if (BeforeJob) BeforeJob(job);
    job.Work();
    if (AfterJob) AfterJob(job);
    if (command) --running_;
    return true;
}

LineThread::LineThread(DeskLock& lock) : lock_(lock), thread_([this] { Run(); }) {}

LineThread::~LineThread() {
    Stop();
}

bool LineThread::Post(LineJob job) {
    {
        std::lock_guard<std::mutex> guard(queueMutex_);
        if (stopping_) return false;
        if (job.Kind == JobKind::Tick) {
            const bool waiting =
                std::any_of(queue_.begin(), queue_.end(), [&](const LineJob& queued) {
                    return queued.Kind == JobKind::Tick && queued.Name == job.Name;
                });
            if (waiting) return false;
            queue_.push_back(std::move(job));
        } else if (job.Kind == JobKind::Stop) {
            ++commandsPending_;
            // Behind other stops, ahead of every command and tick.
            const auto firstOther =
                std::find_if(queue_.begin(), queue_.end(),
                             [](const LineJob& queued) { return queued.Kind != JobKind::Stop; });
            queue_.insert(firstOther, std::move(job));
        } else {
            ++commandsPending_;
            queue_.push_back(std::move(job));
        }
    }
    changed_.notify_all();
    return true;
}

bool LineThread::CommandPending() const {
    std::lock_guard<std::mutex> guard(queueMutex_);
    return commandsPending_ > 0;
}

void LineThread::Stop() {
    {
        std::lock_guard<std::mutex> guard(queueMutex_);
        if (stopping_ && !thread_.joinable()) return;
        stopping_ = true;
        queue_.clear();
        commandsPending_ = 0;
    }
    changed_.notify_all();
    if (thread_.joinable() && !OnLineThread()) {
        // The running job may need the lock the caller holds.
        lock_.ReleasedDuring([this] { thread_.join(); });
    }
}

void LineThread::Drain() {
    lock_.ReleasedDuring([&] {
        std::unique_lock<std::mutex> guard(queueMutex_);
        changed_.wait(guard, [this] { return stopping_ || (queue_.empty() && !busy_); });
    });
}

bool LineThread::TakeNext(LineJob& job) {
    std::unique_lock<std::mutex> guard(queueMutex_);
    changed_.wait(guard, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return false;
    job = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    return true;
}

void LineThread::Run() {
    LineJob job;
    while (TakeNext(job)) {
        RunOne(job);
        {
            std::lock_guard<std::mutex> guard(queueMutex_);
            busy_ = false;
            if (job.Kind != JobKind::Tick && commandsPending_ > 0) --commandsPending_;
        }
        changed_.notify_all();
    }
}

// A job that throws (a port that cannot be set up) ends alone; the line
// goes on with the next.
void LineThread::RunOne(const LineJob& job) {
    DeskLock::Scope hold(lock_);
    if (BeforeJob) BeforeJob(job);
    try {
        job.Work();
    } catch (const std::exception& error) {
        if (JobFailed) JobFailed(job, error.what());
    }
    if (AfterJob) AfterJob(job);
}
