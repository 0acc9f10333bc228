#include "search/uTSearchManager.h"

#include <QTimer>

#include "core/uTStringUtils.h"

TSearchManager::TSearchManager(int maxRunning, int startsPerTick, int intervalMs)
    : Timer(std::make_unique<QTimer>()), MaxRunning(maxRunning), StartsPerTick(startsPerTick) {
    Timer->setInterval(intervalMs);
    QObject::connect(Timer.get(), &QTimer::timeout, [this] { StartNext(); });
}

TSearchManager::~TSearchManager() {
    Timer->stop();
    m_enginesByKey.clear();
    Engines.Clear();
}

TMp3Search* TSearchManager::EngineOf(const std::string& engineKey) const {
    const auto found = m_enginesByKey.find(AsciiLowerCopy(engineKey));
    return found == m_enginesByKey.end() ? nullptr : found->second;
}

bool TSearchManager::AddEngine(const std::string& engineKey, std::unique_ptr<TMp3Search> engine) {
    // The first engine of a key stays; keys differing only in letter case are one key.
    if (!engine || !m_enginesByKey.try_emplace(AsciiLowerCopy(engineKey), engine.get()).second)
        return false;
    engine->OnEngineError = [this](const std::string& key) { EngineFailed(key); };
    engine->OnResultFound = [this](const std::string& key, const std::string& title, const std::string& url) {
        EngineResult(key, title, url);
    };
    engine->OnEngineComplete = [this](const std::string& key) { EngineComplete(key); };
    Engines.Add(engineKey, std::move(engine));
    return true;
}

void TSearchManager::Search(const std::string& key) {
    Stop();
    SearchKey = key;
    for (const auto& entry : Engines.Entries())
        Pending.Add(entry.Line);
    Stopped = false;
    Timer->start();
}

void TSearchManager::Stop() {
    Timer->stop();
    Stopped = true;
    Pending.Clear();
    const std::vector<std::string> running = Running.Lines();
    for (const std::string& key : running) {
        if (TMp3Search* engine = EngineOf(key))
            engine->Abort();
    }
    Running.Clear();
}

void TSearchManager::StartNext() {
    for (int started = 0; started < StartsPerTick; ++started) {
        // Idle means idle: with nothing left to start, the timer rests until a search.
        if (Pending.Count() == 0)
            Timer->stop();
        if (Running.Count() >= MaxRunning || Pending.Count() == 0)
            return;
        const std::string key = Pending.Strings(0);
        Pending.Delete(0);
        if (TMp3Search* engine = EngineOf(key)) {
            Running.Add(key);
            engine->Search(SearchKey);
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
    if (!Stopped && OnResultFound)
        OnResultFound(engineKey, title, url);
}

void TSearchManager::EngineFailed(const std::string& engineKey) {
    EngineComplete(engineKey);
}

void TSearchManager::EngineComplete(const std::string& engineKey) {
    const int index = Running.IndexOf(engineKey);
    if (index < 0)
        return;
    Running.Delete(index);
    if (Stopped)
        return;
    if (OnEngineDone)
        OnEngineDone(engineKey);
    // The receiver may have pumped messages inside its handler, and a Stop run there.
    if (!Stopped && Pending.Count() == 0 && Running.Count() == 0 && OnSearchDone)
        OnSearchDone();
}
