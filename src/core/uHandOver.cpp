#include "core/uHandOver.h"

#include <chrono>
#include <utility>

#include <QCoreApplication>

#include "core/uHandOverMailbox.h"

TLifeline MakeLifeline() {
    return std::make_shared<const bool>(true);
}

THandOverMailbox::THandOverMailbox(std::chrono::milliseconds slice) : m_slice(slice) {
    connect(this, &THandOverMailbox::Pending, this, &THandOverMailbox::Drain, Qt::QueuedConnection);
}

THandOverMailbox& THandOverMailbox::Instance() {
    // Made on first use, from whatever thread; it always lives on the GUI thread. It is never
    // destroyed: every worker is joined by its owner, but a transfer thread stuck in a call
    // past its engine's bounded wait is let go, and may still hand over (a call that is then
    // dropped) while the process ends; it must not meet a mailbox being destroyed.
    static THandOverMailbox* const mailbox = [] {
        auto* created = new THandOverMailbox;
        if (QCoreApplication* app = QCoreApplication::instance())
            created->moveToThread(app->thread());
        return created;
    }();
    return *mailbox;
}

void THandOverMailbox::Post(std::function<void()> call) {
    m_calls.Push(std::move(call));
    // Queued after the call is in: a Drain that has not begun yet is bound to see it.
    WakeUp();
}

void THandOverMailbox::WakeUp() {
    // One wake-up for a run of calls.
    if (!m_wakeUpQueued.exchange(true))
        emit Pending();
}

bool THandOverMailbox::TakeNext(std::function<void()>& call) {
    if (m_ready.empty())
        TakeBatch();
    if (m_ready.empty())
        return false;
    call = std::move(m_ready.front());
    m_ready.pop_front();
    if (!m_ready.empty())
        WakeUp();
    return true;
}

void THandOverMailbox::TakeBatch() {
    std::function<void()> call;
    while (m_ready.size() < kBatch && m_calls.TryPop(call))
        m_ready.push_back(std::move(call));
    // Calls left behind by a full batch lost their wake-up to this drain.
    if (m_ready.size() == kBatch)
        WakeUp();
}

void THandOverMailbox::Drain() {
    // An exchange, not a store: it reads the flag a worker set after its call went in, and
    // with it that call.
    m_wakeUpQueued.exchange(false);
    const auto sliceEnd = std::chrono::steady_clock::now() + m_slice;
    std::function<void()> call;
    while (TakeNext(call)) {
        std::exchange(call, nullptr)();
        if (std::chrono::steady_clock::now() >= sliceEnd) {
            // Calls handed over while this wake-up was queued counted on it; it may have
            // taken only from m_ready and not yet looked at them.
            WakeUp();
            return;
        }
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

} // namespace

void HandOver(const TLifelineRef& owner, std::function<void()> call) {
    if (QCoreApplication::instance() == nullptr)
        return;
    THandOverMailbox::Instance().Post(GuardedBy(owner, std::move(call)));
}
