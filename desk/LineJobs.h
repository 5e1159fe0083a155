#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class DeskLock;

// How a job waits its turn on the line.
enum class JobKind {
    Stop,     // the user stops something: ahead of everything queued
    Command,  // a command of the user, in the order given
    Tick,     // a periodic tick: dropped while one of its name waits to start
};

struct LineJob {
    JobKind Kind = JobKind::Command;
    std::string Name;  // ticks of the same name replace nothing: a second is dropped
    std::function<void()> Work;
};

// Runs the exchanges with the amplifier one job at a time, each job from
// start to end before the next.
class LineJobs {
public:
    virtual ~LineJobs() = default;
    // False when the job was dropped (a tick whose previous one has not started).
    virtual bool Post(LineJob job) = 0;
    // Whether a command is queued or running; ticks do not count.
    virtual bool CommandPending() const = 0;
    // Whether the calling thread is the one that runs the jobs.
    virtual bool OnLineThread() const = 0;

    // Told on the line thread before and after each job, with the job.
    std::function<void(const LineJob&)> BeforeJob;
    std::function<void(const LineJob&)> AfterJob;
    // Told on the line thread when a job threw; inline jobs let it through.
    std::function<void(const LineJob&, const std::string& what)> JobFailed;
};

// Runs each job at once on the posting thread: servoctl, and the tests that
// drive the windows step by step with a manual clock.
class InlineJobs : public LineJobs {
public:
    bool Post(LineJob job) override;
    bool CommandPending() const override { return running_ > 0; }
    bool OnLineThread() const override { return true; }

private:
    int running_ = 0;
};

// The line's own thread. Jobs run with the desk lock held; the port and clock
// seams let it go while they wait.
class LineThread : public LineJobs {
public:
    explicit LineThread(DeskLock& lock);
    ~LineThread() override;
    LineThread(const LineThread&) = delete;
    LineThread& operator=(const LineThread&) = delete;

    bool Post(LineJob job) override;
    bool CommandPending() const override;
    bool OnLineThread() const override { return std::this_thread::get_id() == thread_.get_id(); }

    // Lets the running job end, drops the queued ones and ends the thread.
    // Call without holding the desk lock.
    void Stop();
    // Waits until every job posted so far has ended (tests and shutdown).
    void Drain();

private:
    void Run();
    bool TakeNext(LineJob& job);
    void RunOne(const LineJob& job);

    DeskLock& lock_;
    mutable std::mutex queueMutex_;
    std::condition_variable changed_;
    std::deque<LineJob> queue_;
    int commandsPending_ = 0;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};
