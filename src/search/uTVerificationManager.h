#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include <QObject>

#include "core/uHandOver.h"
#include "core/uTCustomStringList.h"
#include "core/uTStringList.h"
#include "search/uPacedQueue.h"
#include "search/uTCheckFile.h"

class TTransferEngine;

// The program's pace for link checks: at most five at once, one started a tick on each host,
// a tick every 500 ms.
inline constexpr int kChecksAtOnce = 5;
inline constexpr int kCheckStartsPerTick = 1;
inline constexpr int kCheckTickMs = 500;

// Checks queued links in the background: at most `startsPerTick` started a tick on each host
// (the pace is politeness to the file hosts, so links of different hosts do not wait for
// each other), at most `maxRunning` held at once (a finished check gives up its place at the
// next tick's purge). Links of one host start in the order added. Outcomes are told to any
// number of listeners on the GUI thread.
class TVerificationManager : public QObject {
    Q_OBJECT
public:
    // The checks run on `transfers`, which outlives the manager.
    TVerificationManager(TTransferEngine& transfers, int maxRunning, int startsPerTick, int intervalMs);
    TVerificationManager(const TVerificationManager&) = delete;
    TVerificationManager& operator=(const TVerificationManager&) = delete;
    // Ends every running check without waiting for the network.
    ~TVerificationManager() override;

    // How long a check waits for a connection, and for the answer once connected.
    void SetCheckTimeouts(int connectMs, int stallMs);
    // How long a tick is (a longer one paces the checks further apart).
    void SetTickInterval(int intervalMs);

    // `mayBeLocal`: the link may lie on this machine or the local network (its site does);
    // other links found there are not checked ("private address, not checked").
    void Add(const std::string& url, bool mayBeLocal = false);
    void Activate();
    // Stops the timer, drops the queue and stops running checks. A check that already had
    // its answer has reported it; one stopped before that reports failure, unless links were
    // added again meanwhile: outcomes of checks from before a Stop never reach the receiver
    // once a new round of checks has begun (the same link may be queued again for a new
    // search, and a late answer of the old check must not stand for it).
    void Stop();
    // One tick: purges finished checks and starts what the limits allow.
    void TimerTick();

    // Links waiting for their check, in the order they will start (per host).
    const TStringList& Waiting() const;
    // Checks holding a place (a finished one until the next tick), in the order started.
    std::vector<std::string> Held() const;
    int HeldCount() const { return m_running.Count(); }
    // Held checks whose request still runs.
    int ActiveCount() const;
    // The pacing timer runs: links wait, or finished checks wait to be purged.
    bool Ticking() const;

signals:
    void LinkFailed(const std::string& url, const std::string& reason);
    // What the start of a verified link holds; told just before LinkVerified.
    void LinkJudged(const std::string& url, const TContentVerdict& content);
    void LinkVerified(const std::string& url, int64_t size);

private:
    void StartCheck(const std::string& url);
    void PurgeFinished();
    void KillAll();

    TCustomStringList<TCheckFile> m_running;
    TPacedQueue* const m_pace; // owned as a child
    int m_connectTimeoutMs = TCheckFile::kConnectTimeoutMs;
    int m_stallTimeoutMs = TCheckFile::kStallTimeoutMs;
    std::unordered_set<std::string> m_mayBeLocal; // queued links allowed on the local network
    int m_round = 0;          // counts the rounds of checks: a round begins at the first Add after a Stop
    bool m_roundOpen = false; // an Add has begun the current round
    TTransferEngine& m_transfers;
    TLifeline m_alive = MakeLifeline();
};
