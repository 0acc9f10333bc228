#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/uHandOver.h"
#include "net/uUserAgent.h"

class TTransferEngine;

// Fetches web pages into memory on a transfer engine, one at a time, and reports each one's
// outcome on the GUI thread: OnPage with the body (whatever the status: LastStatus tells),
// or OnFailed (LastFailure says why). Made, used and destroyed on the GUI thread.
class TPageFetch {
public:
    using TPageEvent = std::function<void(TPageFetch* sender, const std::string& page)>;
    using TFailedEvent = std::function<void(TPageFetch* sender)>;

    // `engine`: the transfer engine the requests run on; it outlives the fetch.
    explicit TPageFetch(TTransferEngine& engine);
    TPageFetch(const TPageFetch&) = delete;
    TPageFetch& operator=(const TPageFetch&) = delete;
    // Ends a fetch in flight; no outcome of it comes any more.
    ~TPageFetch();

    std::string Agent = kUserAgent; // empty: no User-Agent header
    std::string Referer;
    // Bounds that keep a hostile or broken server from hanging a fetch or filling memory.
    int ConnectTimeoutMs = 30000;
    int StallTimeoutMs = 60000;
    int TotalTimeoutMs = 120000;            // a page that takes longer than this fails
    int64_t MaxDataSize = 16 * 1024 * 1024; // a larger page fails
    // A fetch the program makes by itself (a detail page): never to the local network.
    bool PublicOnly = false;

    TPageEvent OnPage;
    TFailedEvent OnFailed;

    // Starts fetching `url`, ending (without an outcome) a fetch still in flight. A fetch
    // that cannot get a thread fails through OnFailed, on a later turn of the event loop.
    void Fetch(const std::string& url);
    // Ends the fetch in flight; it then fails ("cancelled").
    void Abort();
    bool Busy() const { return m_job != nullptr; }

    // Of the last fetch, while its outcome runs and after: the answer's status (0 when none
    // came), and why it failed ("timed out", "page too large" ...; empty when it did not).
    int LastStatus = 0;
    std::string LastFailure;
    // The last fetch was answered straight from an address of the local network.
    bool LastFromLocalNetwork = false;

private:
    struct TJob;
    void Finished(const TJob& job);

    TTransferEngine& m_engine;
    std::shared_ptr<TJob> m_job; // the fetch in flight
    TLifeline m_alive = MakeLifeline();
};
