#include "download/uProgressRelay.h"

#include <algorithm>

void TProgressRelay::Report(const Figures& figures) {
    m_total.store(figures.Total, std::memory_order_relaxed);
    m_received.store(figures.Received, std::memory_order_relaxed);
    m_speed.store(figures.Speed, std::memory_order_relaxed);
    m_fresh.store(true, std::memory_order_release);
}

bool TProgressRelay::TakeFresh(Figures& figures) {
    if (!m_fresh.exchange(false, std::memory_order_acquire))
        return false;
    figures = {m_total.load(std::memory_order_relaxed), m_received.load(std::memory_order_relaxed),
               m_speed.load(std::memory_order_relaxed)};
    return true;
}

TProgressRelays::TProgressRelays(std::chrono::milliseconds interval, TDeliver deliver)
    : m_deliver(std::move(deliver)) {
    m_timer.setInterval(interval);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { DeliverAll(); });
}

TProgressRelays::~TProgressRelays() {
    m_timer.stop();
}

std::shared_ptr<TProgressRelay> TProgressRelays::Open(const std::string& key) {
    auto relay = std::make_shared<TProgressRelay>(key);
    m_open.push_back(relay);
    if (!m_timer.isActive())
        m_timer.start();
    return relay;
}

void TProgressRelays::Close(const std::shared_ptr<TProgressRelay>& relay) {
    DeliverFresh(*relay);
    const auto found = std::find(m_open.begin(), m_open.end(), relay);
    if (found != m_open.end()) {
        *found = std::move(m_open.back());
        m_open.pop_back();
    }
    if (m_open.empty())
        m_timer.stop();
}

void TProgressRelays::DeliverAll() {
    ++m_round;
    // A delivery may start or end transfers: the list is walked by position, as it stands.
    for (size_t i = 0; i < m_open.size(); ++i) {
        const std::shared_ptr<TProgressRelay> relay = m_open[i];
        DeliverFresh(*relay);
    }
}

void TProgressRelays::DeliverFresh(TProgressRelay& relay) {
    TProgressRelay::Figures figures;
    if (relay.TakeFresh(figures))
        m_deliver(relay, figures);
}
