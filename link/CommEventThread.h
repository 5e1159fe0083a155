#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "link/CommTypes.h"
#include "link/EnumSet.h"

using TCommEventTypes = EnumSet<TCommEventType>;

// Runs a piece of work on the main thread and returns once it has run there.
using MainThreadInvoker = std::function<void(std::function<void()>)>;

// Waits for line events of one open device and hands each batch, through the
// invoker, to the handler. It only watches: it never reads or writes.
//
// Modem lines and error counters cannot be waited for with poll(), so the
// thread wakes every SampleIntervalMs to sample them when any event is
// asked for (without, it only waits for a hang-up); that and the input
// check cost next to nothing on an idle port. Input is reported once per
// arrival: poll() is asked for POLLIN only while the input queue is empty, so
// bytes left unread do not wake the thread again and again. The owner counts
// up inputTaken whenever it reads or purges, so bytes that arrive after that
// count as new even when the queue length happens to repeat. After a hang-up
// the thread stops watching the device altogether and only raises SawHangUp().
//
// evRxFlag is never reported: a tty cannot be peeked for the event character
// without taking the bytes away from the reader.
class TCommEventThread {
public:
    using Handler = std::function<void(TCommEventTypes mask)>;
    static constexpr int SampleIntervalMs = 50;

    using InputCounter = std::shared_ptr<const std::atomic<unsigned>>;

    TCommEventThread(int fd, TCommEventTypes events, Handler handler, MainThreadInvoker invoker,
                     InputCounter inputTaken);
    ~TCommEventThread();
    TCommEventThread(const TCommEventThread&) = delete;
    TCommEventThread& operator=(const TCommEventThread&) = delete;

    // Detaches the handler and ends the thread. Returns at once: a thread that
    // is waiting for the main thread (which may be the caller) is left to
    // finish on its own and calls nothing any more.
    void Stop();

    bool SawHangUp() const;

private:
    struct Shared;
    static void Run(std::shared_ptr<Shared> shared);
    static void Deliver(const std::shared_ptr<Shared>& shared, TCommEventTypes mask);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};
