#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

#include "core/uHandOver.h"
#include "core/uTCustomStringList.h"
#include "core/uTStringList.h"
#include "search/uTCheckFile.h"

class QTimer;
class TTransferEngine;

// The program's pace for link checks: at most five at once, one started a tick on each host,
// a tick every 500 ms.
inline constexpr int kChecksAtOnce = 5;
inline constexpr int kCheckStartsPerTick = 1;
inline constexpr int kCheckTickMs = 500;

// Checks queued links in the background: at most StartsPerTick started a tick on each host
// (the pace is politeness to the file hosts, so links of different hosts do not wait for
// each other), at most MaxRunning held at once (a finished check gives up its place at the
// next tick's purge). Links of one host start in the order added. Outcomes reach the
// receiver on the GUI thread.
class TVerificationManager {
public:
    TVerificationManager(int maxRunning, int startsPerTick, int intervalMs);
    TVerificationManager(const TVerificationManager&) = delete;
    TVerificationManager& operator=(const TVerificationManager&) = delete;
    // Ends every running check without waiting for the network.
    ~TVerificationManager();

    TStringList Pending;
    TCustomStringList<TCheckFile> Running;
    std::unique_ptr<QTimer> Timer;
    int MaxRunning;
    int StartsPerTick;
    int CheckConnectTimeoutMs = TCheckFile::kConnectTimeoutMs;
    int CheckStallTimeoutMs = TCheckFile::kStallTimeoutMs;

    std::function<void(const std::string& url, const std::string& reason)> OnLinkFailed;
    std::function<void(const std::string& url, int64_t size)> OnLinkVerified;

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
    void TimerTick();
    void PurgeFinished();
    void KillAll();

    void CheckFailed(const std::string& url, const std::string& reason);
    void CheckVerified(const std::string& url, int64_t size);

private:
    void StartCheck(const std::string& url);
    std::unordered_set<std::string> m_mayBeLocal; // queued links allowed on the local network
    int m_round = 0;          // counts the rounds of checks: a round begins at the first Add after a Stop
    bool m_roundOpen = false; // an Add has begun the current round
    std::shared_ptr<TTransferEngine> m_engine; // the checks' requests share its thread
    TLifeline m_alive = MakeLifeline();
};
