#include "search/uTVerificationManager.h"



#include "core/uTStringUtils.h"
#include "net/uTransferEngine.h"

TVerificationManager::TVerificationManager(TTransferEngine& transfers, int maxRunning, int startsPerTick,
                                           int intervalMs)
    : m_pace(new TPacedQueue(maxRunning, startsPerTick, intervalMs,
                             {// The pace is politeness to each file host.
                              .GroupOf = [](const std::string& link) { return AsciiLowerCopy(TInet::ExtractHost(link)); },
                              .Held = [this] { return m_running.Count(); },
                              // A finished check gives up its place at the next tick's purge.
                              .NeedingTicks = [this] { return m_running.Count(); },
                              .BeforeTick = [this] { PurgeFinished(); },
                              .Start = [this](const std::string& link) { StartCheck(link); }},
                             this)),
      m_transfers(transfers) {}

TVerificationManager::~TVerificationManager() {
    m_pace->Stop();
    KillAll();
    m_running.Clear();
}

void TVerificationManager::SetTickInterval(int intervalMs) {
    m_pace->SetInterval(intervalMs);
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
    return m_pace->Ticking();
}

const TStringList& TVerificationManager::Waiting() const {
    return m_pace->Waiting();
}

void TVerificationManager::Add(const std::string& url, bool mayBeLocal) {
    if (!m_roundOpen) {
        ++m_round;
        m_roundOpen = true;
    }
    m_pace->Add(url);
    if (mayBeLocal)
        m_mayBeLocal.insert(url);
}

void TVerificationManager::Activate() {
    m_pace->Activate();
}

void TVerificationManager::Stop() {
    m_roundOpen = false;
    m_pace->Stop();
    m_pace->Clear();
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
    m_pace->Tick();
}

void TVerificationManager::StartCheck(const std::string& url) {
    auto check = std::make_unique<TCheckFile>(url, m_transfers, m_connectTimeoutMs, m_stallTimeoutMs);
    check->PublicOnly = m_mayBeLocal.erase(url) == 0;
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
    check->OnCheckVerified = [this, alive, round](const std::string& link, int64_t size, const TContentVerdict& content) {
        HandOver(alive, [this, round, link, size, content] {
            if (round != m_round)
                return;
            emit LinkJudged(link, content);
            emit LinkVerified(link, size);
        });
    };
    // A tag longer than the first part: the rest is asked for here, where requests start.
    check->OnWantsRest = [this, alive](const std::string& link) {
        HandOver(alive, [this, link] {
            if (const int index = m_running.IndexOf(link); index >= 0)
                m_running.Objects(index)->ReadRest();
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
