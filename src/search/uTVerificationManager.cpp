#include "search/uTVerificationManager.h"

#include <unordered_map>

#include <QTimer>

#include "core/uTStringUtils.h"
#include "net/uTransferEngine.h"

TVerificationManager::TVerificationManager(int maxRunning, int startsPerTick, int intervalMs)
    : Timer(std::make_unique<QTimer>()), MaxRunning(maxRunning), StartsPerTick(startsPerTick),
      m_engine(std::make_shared<TTransferEngine>(1)) {
    Timer->setInterval(intervalMs);
    QObject::connect(Timer.get(), &QTimer::timeout, [this] { TimerTick(); });
}

TVerificationManager::~TVerificationManager() {
    Timer->stop();
    KillAll();
    Running.Clear();
}

void TVerificationManager::Add(const std::string& url, bool mayBeLocal) {
    if (!m_roundOpen) {
        ++m_round;
        m_roundOpen = true;
    }
    Pending.Add(url);
    if (mayBeLocal)
        m_mayBeLocal.insert(url);
}

void TVerificationManager::Activate() {
    if (!Timer->isActive())
        Timer->start();
}

void TVerificationManager::Stop() {
    m_roundOpen = false;
    Timer->stop();
    Pending.Clear();
    m_mayBeLocal.clear();
    for (const auto& entry : Running.Entries()) {
        if (entry.Object->IsRunning())
            entry.Object->Stop();
    }
}

void TVerificationManager::PurgeFinished() {
    for (int i = Running.Count() - 1; i >= 0; --i) {
        if (!Running.Objects(i)->IsRunning())
            Running.Delete(i);
    }
}

void TVerificationManager::TimerTick() {
    PurgeFinished();
    // Idle means idle: nothing queued and nothing running, the timer rests until links come.
    if (Pending.Count() == 0 && Running.Count() == 0)
        Timer->stop();
    // Pending is walked from the top; a link whose host has had its starts this tick waits
    // for the next one, and the links behind it of other hosts go ahead.
    std::unordered_map<std::string, int> startsOnHost;
    for (int i = 0; i < Pending.Count() && Running.Count() < MaxRunning;) {
        int& starts = startsOnHost[AsciiLowerCopy(TInet::ExtractHost(Pending.Strings(i)))];
        if (starts >= StartsPerTick) {
            ++i;
            continue;
        }
        ++starts;
        const std::string url = Pending.Strings(i);
        Pending.Delete(i);
        StartCheck(url);
    }
}

void TVerificationManager::StartCheck(const std::string& url) {
    auto check = std::make_unique<TCheckFile>(url, CheckConnectTimeoutMs, CheckStallTimeoutMs, m_engine);
    check->Worker->PublicOnly = m_mayBeLocal.erase(url) == 0;
    // The check reports on its worker thread; the lists and the receiver belong to the GUI
    // thread, so the outcome is handed over, and dropped if this manager is gone by then.
    const TLifelineRef alive = m_alive;
    const int round = m_round;
    check->OnCheckFailed = [this, alive, round](const std::string& link, const std::string& reason) {
        HandOver(alive, [this, round, link, reason] {
            if (round == m_round)
                CheckFailed(link, reason);
        });
    };
    check->OnCheckVerified = [this, alive, round](const std::string& link, int64_t size) {
        HandOver(alive, [this, round, link, size] {
            if (round == m_round)
                CheckVerified(link, size);
        });
    };
    TCheckFile& started = *check;
    Running.Add(url, std::move(check));
    started.Start(url);
}

void TVerificationManager::KillAll() {
    for (const auto& entry : Running.Entries())
        entry.Object->Kill();
}

void TVerificationManager::CheckFailed(const std::string& url, const std::string& reason) {
    if (OnLinkFailed)
        OnLinkFailed(url, reason);
}

void TVerificationManager::CheckVerified(const std::string& url, int64_t size) {
    if (OnLinkVerified)
        OnLinkVerified(url, size);
}
