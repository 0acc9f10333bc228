#include "search/uTSearchManager.h"

#include <QTimer>

#include "core/uTStringUtils.h"

TSearchManager::TSearchManager(int maxRunning, int startsPerTick, int intervalMs)
    : m_timer(new QTimer(this)), m_maxRunning(maxRunning), m_startsPerTick(startsPerTick) {
    m_timer->setInterval(intervalMs);
    connect(m_timer, &QTimer::timeout, this, &TSearchManager::StartNext);
}

TSearchManager::~TSearchManager() {
    m_timer->stop();
    m_enginesByKey.clear();
    m_engines.Clear();
}

bool TSearchManager::Ticking() const {
    return m_timer->isActive();
}

TMp3Search* TSearchManager::EngineOf(const std::string& engineKey) const {
    const auto found = m_enginesByKey.find(AsciiLowerCopy(engineKey));
    return found == m_enginesByKey.end() ? nullptr : found->second;
}

bool TSearchManager::AddEngine(const std::string& engineKey, std::unique_ptr<TMp3Search> engine) {
    // The first engine of a key stays; keys differing only in letter case are one key.
    if (!engine || !m_enginesByKey.try_emplace(AsciiLowerCopy(engineKey), engine.get()).second)
        return false;
    // A failed engine has ended as well; why it failed stays with the engine (EngineProblem).
    engine->OnEngineError = [this](const std::string& key) { EngineComplete(key); };
    engine->OnResultFound = [this](const std::string& key, const std::string& title, const std::string& url) {
        EngineResult(key, title, url);
    };
    engine->OnEngineComplete = [this](const std::string& key) { EngineComplete(key); };
    m_engines.Add(engineKey, std::move(engine));
    return true;
}

void TSearchManager::Search(const std::string& key) {
    Stop();
    m_searchKey = key;
    for (const auto& entry : m_engines.Entries())
        m_pending.Add(entry.Line);
    m_stopped = false;
    m_timer->start();
}

void TSearchManager::Stop() {
    m_timer->stop();
    m_stopped = true;
    m_pending.Clear();
    const std::vector<std::string> running = m_running.Lines();
    for (const std::string& key : running) {
        if (TMp3Search* engine = EngineOf(key))
            engine->Abort();
    }
    m_running.Clear();
}

void TSearchManager::StartNext() {
    for (int started = 0; started < m_startsPerTick; ++started) {
        // Idle means idle: with nothing left to start, the timer rests until a search.
        if (m_pending.Count() == 0)
            m_timer->stop();
        if (m_running.Count() >= m_maxRunning || m_pending.Count() == 0)
            return;
        const std::string key = m_pending.Strings(0);
        m_pending.Delete(0);
        if (TMp3Search* engine = EngineOf(key)) {
            m_running.Add(key);
            engine->Search(m_searchKey);
        }
    }
}

std::string TSearchManager::EngineProblem(const std::string& engineKey) const {
    const TMp3Search* engine = EngineOf(engineKey);
    return engine == nullptr ? std::string() : engine->Problem;
}

bool TSearchManager::SiteIsLocal(const std::string& engineKey) const {
    const TMp3Search* engine = EngineOf(engineKey);
    return engine != nullptr && engine->SiteIsLocal;
}

void TSearchManager::EngineResult(const std::string& engineKey, const std::string& title, const std::string& url) {
    if (!m_stopped)
        emit ResultFound(engineKey, title, url);
}

void TSearchManager::EngineComplete(const std::string& engineKey) {
    const int index = m_running.IndexOf(engineKey);
    if (index < 0)
        return;
    m_running.Delete(index);
    if (m_stopped)
        return;
    emit EngineDone(engineKey);
    // A listener may have pumped messages inside its handler, and a Stop run there.
    if (!m_stopped && m_pending.Count() == 0 && m_running.Count() == 0)
        emit SearchDone();
}
