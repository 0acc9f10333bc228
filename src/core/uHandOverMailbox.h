#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include <QObject>

// The queue behind HandOver: workers append calls, the GUI thread runs them in order. The
// queue itself carries the calls, so what a worker wrote before handing over is seen by the
// call through the queue's lock.
class THandOverMailbox : public QObject {
    Q_OBJECT
public:
    static THandOverMailbox& Instance();
    void Post(std::function<void()> call);

signals:
    void Pending();

private slots:
    void Drain();

private:
    THandOverMailbox();
    std::mutex m_lock;
    std::deque<std::function<void()>> m_calls;
};
