#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>

#include <QObject>

// The queue behind HandOver: workers append calls, the GUI thread runs them in order. The
// queue itself carries the calls, so what a worker wrote before handing over is seen by the
// call through the queue's lock.
//
// The GUI thread drains in slices of about kSlice, then goes back to its event loop, so
// painting and input never wait behind a flood of calls. A wake-up is queued again before
// each call runs: a call that opens an inner event loop (a modal box) does not hold up the
// calls behind it, which run from that inner loop, still in order.
class THandOverMailbox : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kSlice{5};

    static THandOverMailbox& Instance();
    void Post(std::function<void()> call);

signals:
    void Pending();

private slots:
    void Drain();

private:
    THandOverMailbox();
    // Takes the next call, queuing a wake-up first when more calls wait; false when empty.
    bool TakeNext(std::function<void()>& call);

    void WakeUp();

    std::mutex m_lock;
    std::deque<std::function<void()>> m_calls; // handed over, guarded by m_lock
    // Taken over from m_calls in one swap, so the GUI thread locks once per batch, not per
    // call; only the GUI thread touches it. Inner drains take from it first, keeping order.
    std::deque<std::function<void()>> m_ready;
    std::atomic<bool> m_wakeUpQueued = false; // a Drain is queued and has not begun
};
