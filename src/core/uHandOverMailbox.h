#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>

#include <QObject>

#include "core/uMpscQueue.h"

// The queue behind HandOver: workers append calls, the GUI thread runs them in order. The
// queue takes no lock: a worker preempted while it hands over never makes the GUI thread
// wait. What a worker wrote before handing over is seen by the call (the queue's links
// publish it).
//
// The GUI thread drains in slices of about kSlice, then goes back to its event loop, so
// painting and input never wait behind a flood of calls; a slice cut short queues the next
// one. A wake-up is queued again before each call runs: a call that opens an inner event
// loop (a modal box) does not hold up the calls behind it, which run from that inner loop,
// still in order.
class THandOverMailbox : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kSlice{5};

    // The process's mailbox, the one HandOver posts to.
    static THandOverMailbox& Instance();
    // A mailbox of the calling thread; `slice` 0 drains one call per wake-up.
    explicit THandOverMailbox(std::chrono::milliseconds slice = kSlice);

    void Post(std::function<void()> call);

signals:
    void Pending();

private slots:
    void Drain();

private:
    // Takes the next call, queuing a wake-up first when more calls wait; false when empty.
    bool TakeNext(std::function<void()>& call);

    // Moves the calls handed over so far into m_ready, at most kBatch of them.
    void TakeBatch();
    void WakeUp();

    static constexpr size_t kBatch = 1024;

    const std::chrono::milliseconds m_slice;
    TMpscQueue<std::function<void()>> m_calls; // handed over by any thread
    // Taken over from m_calls a batch at a time; only the GUI thread touches it. Inner
    // drains take from it first, keeping order.
    std::deque<std::function<void()>> m_ready;
    std::atomic<bool> m_wakeUpQueued = false; // a Drain is queued and has not begun
};
