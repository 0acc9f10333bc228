#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/uTInet.h"

// One link check: a GET whose answer is judged by its headers alone. Status 200 with a
// non-zero length verifies the link (the length is its size); anything else fails it. The
// body is never read. The outcome events run on the worker's thread, exactly one per check
// that was started and not killed: a check stopped before its answer came reports failure.
class TCheckFile {
public:
    // A check needs only the headers: it gives up sooner than a download would.
    static constexpr int kConnectTimeoutMs = 15000;
    static constexpr int kStallTimeoutMs = 15000;
    // Only the headers are wanted: a server trickling them byte by byte is given up too.
    static constexpr int kTotalTimeoutMs = 30000;

    // `engine`: the transfer engine the request runs on.
    TCheckFile(std::string url, TTransferEngine& engine, int connectTimeoutMs = kConnectTimeoutMs,
               int stallTimeoutMs = kStallTimeoutMs);
    TCheckFile(const TCheckFile&) = delete;
    TCheckFile& operator=(const TCheckFile&) = delete;
    ~TCheckFile();

    std::string Url;
    std::unique_ptr<TInet> Worker;
    bool Killed = false; // by Kill: it runs no more and raises nothing
    bool Reported = false;
    // `reason` says why, as the window shows it ("HTTP 404", "timed out" ...).
    std::function<void(const std::string& url, const std::string& reason)> OnCheckFailed;
    std::function<void(const std::string& url, int64_t size)> OnCheckVerified;

    void Start(const std::string& url);
    bool IsRunning() const;
    void Stop();
    // Ends the check at once without waiting for the network; no outcome follows.
    void Kill();

    void RequestFailed(const std::string& key, int errorCode);
    void HeadersReceived(const std::string& key, int statusCode, int64_t contentLength);

private:
    void Fail(const std::string& reason);
};
