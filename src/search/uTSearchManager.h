#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "core/uTCustomStringList.h"
#include "core/uTStringList.h"
#include <QObject>

#include "search/uPacedQueue.h"
#include "search/uTMp3Search.h"


// The program's pace for a search: at most three engines at once, one started a tick, a
// tick every 500 ms.
inline constexpr int kEnginesAtOnce = 3;
inline constexpr int kEngineStartsPerTick = 1;
inline constexpr int kSearchTickMs = 500;

// Runs one search at a time over all registered engines: queues them all and starts them
// on a timer, at most `startsPerTick` a tick and at most `maxRunning` in flight. Tells each
// file found, each engine's end and the end of the whole search to any number of
// listeners. Reports that arrive after Stop (until the next Search) are dropped.
class TSearchManager : public QObject {
    Q_OBJECT
public:
    TSearchManager(int maxRunning, int startsPerTick, int intervalMs);
    TSearchManager(const TSearchManager&) = delete;
    TSearchManager& operator=(const TSearchManager&) = delete;
    ~TSearchManager() override;

    // Takes the engine unless its key is already registered; returns whether it took it.
    bool AddEngine(const std::string& engineKey, std::unique_ptr<TMp3Search> engine);
    // Stops the current search and queues every engine for `key`; the first starts one
    // interval later.
    void Search(const std::string& key);
    void Stop();
    // One tick: starts what the limits allow.
    void StartNext();

    int EngineCount() const { return m_engines.Count(); }
    // The engines in the order added.
    const TMp3Search& Engine(int index) const { return *m_engines.Objects(index); }
    const std::string& Key() const { return m_searchKey; }
    // Engines waiting for their start, and those searching.
    int WaitingCount() const;
    // The last search was stopped (and nothing of it is told any more).
    bool Stopped() const { return m_stopped; }
    // The pacing timer runs: engines wait for their start.
    bool Ticking() const;

    // Why the engine's last search failed; empty when it did not (or there is no such engine).
    std::string EngineProblem(const std::string& engineKey) const;
    // Whether the engine's site answered from this machine or the local network.
    bool SiteIsLocal(const std::string& engineKey) const;

signals:
    void ResultFound(const std::string& engineKey, const std::string& title, const std::string& url);
    void EngineDone(const std::string& engineKey);
    void SearchDone();

private:
    void EngineResult(const std::string& engineKey, const std::string& title, const std::string& url);
    void EngineComplete(const std::string& engineKey);
    TMp3Search* EngineOf(const std::string& engineKey) const;
    void StartEngine(const std::string& engineKey);

    TCustomStringList<TMp3Search> m_engines; // owned, in the order added
    TStringList m_running;
    TPacedQueue* const m_pace; // owned as a child
    bool m_stopped = false;
    std::string m_searchKey;

    // Engines by their ASCII-lower-cased key, so that registering or finding one does not
    // scan the list: a list of 100,000 engines loads in linear time. Engines are only ever
    // added (and all freed together), so the map never goes stale.
    std::unordered_map<std::string, TMp3Search*> m_enginesByKey;
};
