#include "search/uPacedQueue.h"

#include <unordered_map>

TPacedQueue::TPacedQueue(int maxRunning, int startsPerTick, int intervalMs, TOwner owner,
                         QObject* parent)
    : QObject(parent), m_owner(std::move(owner)), m_maxRunning(maxRunning),
      m_startsPerTick(startsPerTick) {
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TPacedQueue::Tick);
}

void TPacedQueue::Activate() {
    if (!m_timer.isActive())
        m_timer.start();
}

void TPacedQueue::Tick() {
    if (m_owner.BeforeTick)
        m_owner.BeforeTick();
    // Idle means idle: with nothing waiting and nothing to purge, the timer rests.
    if (m_waiting.Count() == 0 && (!m_owner.NeedingTicks || m_owner.NeedingTicks() == 0))
        m_timer.stop();
    std::unordered_map<std::string, int> startsOfGroup;
    for (int i = 0; i < m_waiting.Count() && m_owner.Held() < m_maxRunning;) {
        int& starts =
            startsOfGroup[m_owner.GroupOf ? m_owner.GroupOf(m_waiting.Strings(i)) : std::string()];
        if (starts >= m_startsPerTick) {
            // In one group, what follows waits as well: no need to look at it.
            if (!m_owner.GroupOf)
                break;
            ++i;
            continue;
        }
        ++starts;
        const std::string item = m_waiting.Strings(i);
        m_waiting.Delete(i);
        m_owner.Start(item);
    }
}
