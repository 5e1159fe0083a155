#include "link/CommEventThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>

#include "link/CommLine.h"

struct TCommEventThread::Shared {
    int fd = -1;
    int wakeFd = -1;
    TCommEventTypes events;
    MainThreadInvoker invoker;
    InputCounter inputTaken;

    // Held while the handler runs, so Stop() never returns under a handler
    // that is still using the port from this thread. Recursive so a handler
    // may close the port.
    std::recursive_mutex handlerMutex;
    Handler handler;

    std::mutex stateMutex;
    std::condition_variable stateChanged;
    bool stopping = false;
    bool invoking = false;
    bool finished = false;

    std::atomic<bool> sawHangUp{false};

    ~Shared() {
        if (wakeFd >= 0) ::close(wakeFd);
    }

    bool Stopping() {
        std::lock_guard guard(stateMutex);
        return stopping;
    }

    unsigned InputTaken() const { return inputTaken ? inputTaken->load() : 0; }
};

namespace {

struct ModemEventRow {
    TCommEventType event;
    int line;
};
const ModemEventRow ModemEventRows[] = {
    {evCts, TIOCM_CTS},
    {evDsr, TIOCM_DSR},
    {evRing, TIOCM_RI},
    {evRlsd, TIOCM_CD},
};

// What the thread remembers of the line between two looks at it.
class LineWatch {
public:
    LineWatch(int fd, unsigned inputTaken, bool watchInput)
        : fd_(fd),
          watchInput_(watchInput),
          modemLines_(commline::ModemLines(fd)),
          counters_(commline::ReadLineCounters(fd)),
          inputTaken_(inputTaken) {}

    short PollEvents() const { return watchInput_ && rxArmed_ ? POLLIN : 0; }

    TCommEventTypes Sample(unsigned inputTaken) {
        TCommEventTypes mask;
        SampleInput(mask, inputTaken);
        SampleOutput(mask);
        SampleModemLines(mask);
        SampleCounters(mask);
        return mask;
    }

private:
    void SampleInput(TCommEventTypes& mask, unsigned inputTaken) {
        if (inputTaken != inputTaken_) inputWaiting_ = 0;
        inputTaken_ = inputTaken;
        const int waiting = commline::InputQueueCount(fd_);
        if (waiting > inputWaiting_) mask.Include(evRxChar);
        inputWaiting_ = waiting;
        rxArmed_ = waiting == 0;
    }
    void SampleOutput(TCommEventTypes& mask) {
        const int waiting = commline::OutputQueueCount(fd_);
        if (outputWaiting_ > 0 && waiting == 0) mask.Include(evTxEmpty);
        outputWaiting_ = waiting;
    }
    void SampleModemLines(TCommEventTypes& mask) {
        const int lines = commline::ModemLines(fd_);
        if (lines < 0 || modemLines_ < 0) return;
        for (const ModemEventRow& row : ModemEventRows) {
            if ((lines ^ modemLines_) & row.line) mask.Include(row.event);
        }
        modemLines_ = lines;
    }
    void SampleCounters(TCommEventTypes& mask) {
        const commline::LineCounters now = commline::ReadLineCounters(fd_);
        const unsigned errors = commline::ErrorBitsBetween(counters_, now);
        if (errors & commline::ceBreak) mask.Include(evBreak);
        if (errors & ~commline::ceBreak) mask.Include(evError);
        counters_ = now;
    }

    int fd_;
    bool watchInput_;
    int modemLines_;
    commline::LineCounters counters_;
    int inputWaiting_ = 0;
    unsigned inputTaken_ = 0;
    int outputWaiting_ = 0;
    bool rxArmed_ = true;
};

}  // namespace

TCommEventThread::TCommEventThread(int fd, TCommEventTypes events, Handler handler,
                                   MainThreadInvoker invoker, InputCounter inputTaken)
    : shared_(std::make_shared<Shared>()) {
    shared_->fd = fd;
    shared_->events = events;
    shared_->handler = std::move(handler);
    shared_->invoker = std::move(invoker);
    shared_->inputTaken = std::move(inputTaken);
    shared_->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (shared_->wakeFd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    thread_ = std::thread(&TCommEventThread::Run, shared_);
}

TCommEventThread::~TCommEventThread() {
    Stop();
}

void TCommEventThread::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard guard(shared_->stateMutex);
        shared_->stopping = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(shared_->wakeFd, &one, sizeof one);
    {
        std::lock_guard guard(shared_->handlerMutex);
        shared_->handler = nullptr;
    }
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
        return;
    }
    std::unique_lock lock(shared_->stateMutex);
    shared_->stateChanged.wait(lock, [this] { return shared_->finished || shared_->invoking; });
    const bool finished = shared_->finished;
    lock.unlock();
    if (finished) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

bool TCommEventThread::SawHangUp() const {
    return shared_->sawHangUp;
}

void TCommEventThread::Run(std::shared_ptr<Shared> shared) {
    LineWatch watch(shared->fd, shared->InputTaken(),
                    shared->events.Contains(evRxChar) || shared->events.Contains(evRxFlag));
    while (!shared->Stopping()) {
        const bool watching = !shared->sawHangUp;
        // With nothing to report there is nothing to sample: a hang-up wakes
        // the poll by itself.
        const bool sampling = watching && !shared->events.Empty();
        // POLLRDHUP: a network port's server closed the connection (a tty
        // never reports it).
        pollfd fds[2] = {{shared->wakeFd, POLLIN, 0},
                         {shared->fd, static_cast<short>(watch.PollEvents() | POLLRDHUP), 0}};
        const int ready = ::poll(fds, watching ? 2 : 1, sampling ? SampleIntervalMs : -1);
        if (shared->Stopping()) break;
        if (ready < 0) {
            if (errno != EINTR) shared->sawHangUp = true;
            continue;
        }
        if (watching && (fds[1].revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL))) {
            shared->sawHangUp = true;
            continue;
        }
        const TCommEventTypes mask = watch.Sample(shared->InputTaken()) & shared->events;
        if (!mask.Empty()) Deliver(shared, mask);
    }
    std::lock_guard guard(shared->stateMutex);
    shared->finished = true;
    shared->stateChanged.notify_all();
}

void TCommEventThread::Deliver(const std::shared_ptr<Shared>& shared, TCommEventTypes mask) {
    {
        std::lock_guard guard(shared->stateMutex);
        if (shared->stopping) return;
        shared->invoking = true;
    }
    auto work = [shared, mask] {
        std::lock_guard guard(shared->handlerMutex);
        if (shared->handler) shared->handler(mask);
    };
    if (shared->invoker) {
        shared->invoker(work);
    } else {
        work();
    }
    std::lock_guard guard(shared->stateMutex);
    shared->invoking = false;
    shared->stateChanged.notify_all();
}
