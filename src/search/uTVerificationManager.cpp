#include "search/uTVerificationManager.h"

#include <unordered_map>

#include <QTimer>

#include "core/uTStringUtils.h"
#include "net/uTransferEngine.h"

TVerificationManager::TVerificationManager(TTransferEngine& transfers, int maxRunning, int startsPerTick,
                                           int intervalMs)
    : m_timer(new QTimer(this)), m_maxRunning(maxRunning), m_startsPerTick(startsPerTick), m_transfers(transfers) {
    m_timer->setInterval(intervalMs);
    connect(m_timer, &QTimer::timeout, this, &TVerificationManager::TimerTick);
}

TVerificationManager::~TVerificationManager() {
    m_timer->stop();
    KillAll();
    m_running.Clear();
}

void TVerificationManager::SetTickInterval(int intervalMs) {
    m_timer->setInterval(intervalMs);
}

void TVerificationManager::SetCheckTimeouts(int connectMs, int stallMs) {
    m_connectTimeoutMs = connectMs;
    m_stallTimeoutMs = stallMs;
}

std::vector<std::string> TVerificationManager::Held() const {
    std::vector<std::string> links;
    for (const auto& entry : m_running.Entries())
        links.push_back(entry.Line);
    return links;
}

int TVerificationManager::ActiveCount() const {
    int active = 0;
    for (const auto& entry : m_running.Entries())
        active += entry.Object->IsRunning() ? 1 : 0;
    return active;
}

bool TVerificationManager::Ticking() const {
    return m_timer->isActive();
}

void TVerificationManager::Add(const std::string& url, bool mayBeLocal) {
    if (!m_roundOpen) {
        ++m_round;
        m_roundOpen = true;
    }
    m_pending.Add(url);
    if (mayBeLocal)
        m_mayBeLocal.insert(url);
}

void TVerificationManager::Activate() {
    if (!m_timer->isActive())
        m_timer->start();
}

void TVerificationManager::Stop() {
    m_roundOpen = false;
    m_timer->stop();
    m_pending.Clear();
    m_mayBeLocal.clear();
    for (const auto& entry : m_running.Entries()) {
        if (entry.Object->IsRunning())
            entry.Object->Stop();
    }
}

void TVerificationManager::PurgeFinished() {
    for (int i = m_running.Count() - 1; i >= 0; --i) {
        if (!m_running.Objects(i)->IsRunning())
            m_running.Delete(i);
    }
}

void TVerificationManager::TimerTick() {
    PurgeFinished();
    // Idle means idle: nothing queued and nothing running, the timer rests until links come.
    if (m_pending.Count() == 0 && m_running.Count() == 0)
        m_timer->stop();
    // Pending is walked from the top; a link whose host has had its starts this tick waits
    // for the next one, and the links behind it of other hosts go ahead.
    std::unordered_map<std::string, int> startsOnHost;
    for (int i = 0; i < m_pending.Count() && m_running.Count() < m_maxRunning;) {
        int& starts = startsOnHost[AsciiLowerCopy(TInet::ExtractHost(m_pending.Strings(i)))];
        if (starts >= m_startsPerTick) {
            ++i;
            continue;
        }
        ++starts;
        const std::string url = m_pending.Strings(i);
        m_pending.Delete(i);
        StartCheck(url);
    }
}

void TVerificationManager::StartCheck(const std::string& url) {
    auto check = std::make_unique<TCheckFile>(url, m_transfers, m_connectTimeoutMs, m_stallTimeoutMs);
    check->Worker->PublicOnly = m_mayBeLocal.erase(url) == 0;
    // The check reports on its worker thread; the lists and the receiver belong to the GUI
    // thread, so the outcome is handed over, and dropped if this manager is gone by then.
    const TLifelineRef alive = m_alive;
    const int round = m_round;
    check->OnCheckFailed = [this, alive, round](const std::string& link, const std::string& reason) {
        HandOver(alive, [this, round, link, reason] {
            if (round == m_round)
                emit LinkFailed(link, reason);
        });
    };
    check->OnCheckVerified = [this, alive, round](const std::string& link, int64_t size) {
        HandOver(alive, [this, round, link, size] {
            if (round == m_round)
                emit LinkVerified(link, size);
        });
    };
    TCheckFile& started = *check;
    m_running.Add(url, std::move(check));
    started.Start(url);
}

void TVerificationManager::KillAll() {
    for (const auto& entry : m_running.Entries())
        entry.Object->Kill();
}
