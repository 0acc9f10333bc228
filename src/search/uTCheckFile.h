#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/uContentCheck.h"
#include "net/uTInet.h"

// One link check: a GET of the file's first bytes. Status 200 (or 206 for the part asked for)
// with a size verifies the link; anything else fails it. What the start holds is judged by
// the content check (kind, rate, length), so that a page or a preview is known before the
// download. At most the tag at the file's start (up to kLargestHeadTag) and kAudioBytes after
// it are read: asked for by a range, and the transfer ended there when the server sends more.
// The outcome events run on the worker's thread, exactly one per check that was started and
// not killed: a check stopped before its answer came reports failure; one whose answer came
// is verified, whatever then became of its transfer.
class TCheckFile {
public:
    // A check needs only the start: it gives up sooner than a download would.
    static constexpr int kConnectTimeoutMs = 15000;
    static constexpr int kStallTimeoutMs = 15000;
    // A server trickling the start byte by byte is given up too.
    static constexpr int kTotalTimeoutMs = 30000;
    // Of the audio after the tag, this much is read: the info header and enough frames for
    // the rate.
    static constexpr int64_t kAudioBytes = 64 * 1024;
    // A larger tag at the start (pictures) is not read through: the link is verified, its
    // content not judged.
    static constexpr int64_t kLargestHeadTag = 1024 * 1024;

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
    // Asked of every request the check makes: the link may not lie on the local network.
    bool PublicOnly = true;
    // `reason` says why, as the window shows it ("HTTP 404", "timed out" ...).
    std::function<void(const std::string& url, const std::string& reason)> OnCheckFailed;
    // `content`: what the start holds; Unreadable when it could not be judged.
    std::function<void(const std::string& url, int64_t size, const TContentVerdict& content)> OnCheckVerified;
    // A tag longer than the first part asked for: the owner calls ReadRest, on its thread.
    std::function<void(const std::string& url)> OnWantsRest;

    void Start(const std::string& url);
    // Asks for the rest of the start after a first part that ended inside the tag.
    void ReadRest();
    bool IsRunning() const;
    void Stop();
    // Ends the check at once without waiting for the network; no outcome follows.
    void Kill();

private:
    // A request for the bytes from `first` to `last` of the file.
    void Request(int64_t first, int64_t last);
    void RequestFailed(int errorCode);
    void HeadersReceived(int statusCode, int64_t contentLength);
    void DataReceived(std::string_view chunk);
    void RequestComplete();
    // The bytes the check wants: the tag at the start and kAudioBytes after it, no more
    // than the file holds.
    int64_t Wanted() const;
    void Judge();
    void Fail(const std::string& reason);

    TTransferEngine& m_engine;
    int m_connectTimeoutMs;
    int m_stallTimeoutMs;
    int64_t m_size = 0;   // the file's, as the first answer tells it
    std::string m_head;   // its first bytes, as far as read
    // Waits for ReadRest: set on the worker's thread before its request stops being busy.
    std::atomic<bool> m_wantsRest{false};
};
