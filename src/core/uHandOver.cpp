#include "core/uHandOver.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include <QCoreApplication>
#include <QThread>

#include "core/uHandOverMailbox.h"

TLifeline MakeLifeline() {
    return std::make_shared<const bool>(true);
}

THandOverMailbox::THandOverMailbox() {
    connect(this, &THandOverMailbox::Pending, this, &THandOverMailbox::Drain, Qt::QueuedConnection);
}

THandOverMailbox& THandOverMailbox::Instance() {
    // Made on first use, from whatever thread; it always lives on the GUI thread. It is never
    // destroyed: workers that were let go without waiting may still be handing over while
    // the process ends, and must not meet a mailbox in the middle of its destruction.
    static THandOverMailbox* const mailbox = [] {
        auto* created = new THandOverMailbox;
        if (QCoreApplication* app = QCoreApplication::instance())
            created->moveToThread(app->thread());
        return created;
    }();
    return *mailbox;
}

void THandOverMailbox::Post(std::function<void()> call) {
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_lock);
        wasEmpty = m_calls.empty();
        m_calls.push_back(std::move(call));
    }
    // One wake-up for a run of calls: Drain empties the queue.
    if (wasEmpty)
        emit Pending();
}

void THandOverMailbox::Drain() {
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard lock(m_lock);
            if (m_calls.empty())
                return;
            call = std::move(m_calls.front());
            m_calls.pop_front();
        }
        call();
    }
}

namespace {

std::function<void()> GuardedBy(const TLifelineRef& owner, std::function<void()> call) {
    return [owner, call = std::move(call)] {
        // Checked on the GUI thread, where owners are destroyed: no race with the owner's end.
        if (owner.lock())
            call();
    };
}

bool OnGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

// Tells a waiting worker that its call ran or will never run.
struct Completion {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Done = false;
    void Finish() {
        std::lock_guard lock(Lock);
        Done = true;
        Changed.notify_all();
    }
};

} // namespace

void HandOver(const TLifelineRef& owner, std::function<void()> call) {
    if (QCoreApplication::instance() == nullptr)
        return;
    THandOverMailbox::Instance().Post(GuardedBy(owner, std::move(call)));
}

void HandOverAndWait(const TLifelineRef& owner, std::function<void()> call) {
    if (QCoreApplication::instance() == nullptr)
        return;
    if (OnGuiThread()) {
        GuardedBy(owner, std::move(call))();
        return;
    }
    auto completion = std::make_shared<Completion>();
    THandOverMailbox::Instance().Post([completion, guarded = GuardedBy(owner, std::move(call))] {
        guarded();
        completion->Finish();
    });
    std::unique_lock lock(completion->Lock);
    // The GUI thread may be gone for good (the application is ending): stop waiting then.
    while (!completion->Changed.wait_for(lock, std::chrono::milliseconds(200), [&] { return completion->Done; })) {
        if (QCoreApplication::instance() == nullptr || QCoreApplication::closingDown())
            return;
    }
}
