#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/uHandOver.h"
#include "media/uContentCheck.h"

// Checks many files in the background: a play list's thousands, or each download as it
// ends. A few worker threads take the files in the order asked; each verdict reaches
// OnChecked on the GUI thread as its check ends. Made, fed and destroyed on the GUI thread.
class TContentChecker {
public:
    // Two workers keep a two-core machine's GUI thread a core of its own.
    static constexpr int kDefaultWorkers = 2;
    // Workers run this much below the window's thread, as the transfer lanes do.
    static constexpr int kCheckerNiceness = 10;

    explicit TContentChecker(int workers = kDefaultWorkers);
    TContentChecker(const TContentChecker&) = delete;
    TContentChecker& operator=(const TContentChecker&) = delete;
    // Drops what is queued and waits for the checks under way (each reads a bounded amount).
    ~TContentChecker();

    std::function<void(const std::string& path, const TContentVerdict& verdict)> OnChecked;

    // Queued behind the files asked before, each checked to `depth`.
    void Check(const std::string& path, TCheckDepth depth = TCheckDepth::Full);
    void Check(const std::vector<std::string>& paths, TCheckDepth depth = TCheckDepth::Full);
    // Forgets every file queued or under way: none of them reaches OnChecked any more (the
    // play list was listed anew, or shows another folder).
    void CancelAll();

private:
    struct TJob {
        std::string Path;
        uint64_t Round;
        TCheckDepth Depth;
    };
    struct TQueue;

    void Run();
    void Deliver(const TJob& job, const TContentVerdict& verdict);

    std::unique_ptr<TQueue> m_queue;
    std::vector<std::thread> m_workers;
    uint64_t m_round = 0; // counts CancelAll calls; GUI thread only
    TLifeline m_alive = MakeLifeline();
};
