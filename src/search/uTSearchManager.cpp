#include "search/uTSearchManager.h"


#include "core/uTStringUtils.h"

TSearchManager::TSearchManager(int maxRunning, int startsPerTick, int intervalMs)
    : m_pace(new TPacedQueue(maxRunning, startsPerTick, intervalMs,
                             {.Held = [this] { return m_running.Count(); },
                              .Start = [this](const std::string& key) { StartEngine(key); }},
                             this)) {}

TSearchManager::~TSearchManager() {
    m_pace->Stop();
    m_enginesByKey.clear();
    m_engines.Clear();
}

bool TSearchManager::Ticking() const {
    return m_pace->Ticking();
}

int TSearchManager::WaitingCount() const {
    return m_pace->Waiting().Count();
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
        m_pace->Add(entry.Line);
    m_stopped = false;
    m_pace->Activate();
}

void TSearchManager::Stop() {
    m_pace->Stop();
    m_stopped = true;
    m_pace->Clear();
    const std::vector<std::string> running = m_running.Lines();
    for (const std::string& key : running) {
        if (TMp3Search* engine = EngineOf(key))
            engine->Abort();
    }
    m_running.Clear();
}

void TSearchManager::StartNext() {
    m_pace->Tick();
}

void TSearchManager::StartEngine(const std::string& key) {
    if (TMp3Search* engine = EngineOf(key)) {
        m_running.Add(key);
        engine->Search(m_searchKey);
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
    if (!m_stopped && m_pace->Waiting().Count() == 0 && m_running.Count() == 0)
        emit SearchDone();
}
