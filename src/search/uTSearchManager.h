#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/uTCustomStringList.h"
#include "core/uTStringList.h"
#include "search/uTMp3Search.h"

class QTimer;

// The program's pace for a search: at most three engines at once, one started a tick, a
// tick every 500 ms.
inline constexpr int kEnginesAtOnce = 3;
inline constexpr int kEngineStartsPerTick = 1;
inline constexpr int kSearchTickMs = 500;

// Runs one search at a time over all registered engines: queues them all and starts them
// on a timer, at most StartsPerTick a tick and at most MaxRunning in flight. Relays each
// file found, each engine's end and the end of the whole search. Reports that arrive after
// Stop (until the next Search) are dropped.
class TSearchManager {
public:
    TSearchManager(int maxRunning, int startsPerTick, int intervalMs);
    TSearchManager(const TSearchManager&) = delete;
    TSearchManager& operator=(const TSearchManager&) = delete;
    ~TSearchManager();

    TCustomStringList<TMp3Search> Engines; // owned, in the order added
    TStringList Pending;
    TStringList Running;
    std::unique_ptr<QTimer> Timer;
    bool Stopped = false;
    int MaxRunning;
    int StartsPerTick;
    std::string SearchKey;

    std::function<void(const std::string& engineKey, const std::string& title, const std::string& url)> OnResultFound;
    std::function<void(const std::string& engineKey)> OnEngineDone;
    std::function<void()> OnSearchDone;

    // Takes the engine unless its key is already registered; returns whether it took it.
    bool AddEngine(const std::string& engineKey, std::unique_ptr<TMp3Search> engine);
    // Stops the current search and queues every engine for `key`; the first starts one
    // interval later.
    void Search(const std::string& key);
    void Stop();
    void StartNext();

    // Why the engine's last search failed; empty when it did not (or there is no such engine).
    std::string EngineProblem(const std::string& engineKey) const;
    // Whether the engine's site answered from this machine or the local network.
    bool SiteIsLocal(const std::string& engineKey) const;

    void EngineResult(const std::string& engineKey, const std::string& title, const std::string& url);
    void EngineFailed(const std::string& engineKey);
    void EngineComplete(const std::string& engineKey);

private:
    TMp3Search* EngineOf(const std::string& engineKey) const;

    // Engines by their ASCII-lower-cased key, so that registering or finding one does not
    // scan the list: a list of 100,000 engines loads in linear time. Engines are only ever
    // added (and all freed together), so the map never goes stale.
    std::unordered_map<std::string, TMp3Search*> m_enginesByKey;
};
