#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "net/uTransferEngine.h"
#include "net/uUserAgent.h"

// One HTTP GET (over http or https), streaming the answer to its owner. It runs on a thread
// of the transfer engine it is given, which many requests share and which outlives it.
// Events are raised on that thread,
// in this order: any OnError, then OnHeaders (only when the request was sent), then OnData
// blocks of 1 to BlockSize bytes, then exactly one of OnComplete and OnFailed. Owners that
// touch the GUI hand the events over themselves. A worker that cannot get a thread raises
// OnFailed alone, on the thread that called Start.
class TInet {
public:
    using TErrorEvent = std::function<void(const std::string& key, int errorCode)>;
    using THeadersEvent = std::function<void(const std::string& key, int statusCode, int64_t contentLength)>;
    // The chunk is valid for the call only; it may hold bytes of value 0.
    using TDataEvent = std::function<void(const std::string& key, std::string_view chunk)>;
    using TKeyEvent = std::function<void(const std::string& key)>;

    static constexpr const char* DefaultAgent = kUserAgent;
    static constexpr int kBlockSize = 1024;

    TInet(std::string key, TTransferEngine& engine);
    TInet(const TInet&) = delete;
    TInet& operator=(const TInet&) = delete;
    // A worker still running is killed: no event follows, and nothing waits for the network.
    ~TInet();

    const std::string& Key() const { return m_key; }
    bool Busy() const;
    // How the last request ended: 0, or its error code (known from OnFailed on).
    int LastResult() const;

    // Events: assign before Start.
    TErrorEvent OnError;
    THeadersEvent OnHeaders;
    TDataEvent OnData;
    TKeyEvent OnFailed;
    TKeyEvent OnComplete;

    // Time-outs that keep a request from hanging for ever; set before Start.
    int ConnectTimeoutMs = 30000;
    int StallTimeoutMs = 60000;
    int64_t StallBytes = 1; // fewer bytes than this for StallTimeoutMs end the request
    int TotalTimeoutMs = 0; // the whole request; 0: no limit (a download may take long)
    // A request the program makes by itself (a link check): never to the local network.
    bool PublicOnly = false;
    // Which of the engine's lanes carry it: a download is bulk.
    TTraffic Traffic = TTraffic::Interactive;
    // The rest of a file from this byte on, while it is still the version `IfRange` names
    // (see TRequestSettings); set before Start.
    int64_t RangeFrom = 0;
    std::string IfRange;
    int64_t RangeTo = -1; // the last byte asked for; -1: to the end
    // The connection may serve the next request to the same server (see TRequestSettings).
    bool KeepAlive = false;
    // A request of the same server this one is to follow: it begins when that one ends, on
    // the connection it leaves. Read by Start only.
    const TInet* After = nullptr;

    // What the answer said beyond its status and length; read from OnHeaders on (on the
    // worker's thread) and after the final event.
    struct TAnswerFacts {
        std::string ContentRange; // the Content-Range header's text, empty when none came
        std::string Validator;    // see ResumeValidator
    };
    const TAnswerFacts& Answer() const;
    // The largest OnData block. An owner that takes bytes in bulk (a file transfer) raises
    // it up to kReadSize to get each read of the network whole, in one event.
    size_t BlockSize = kBlockSize;
    static constexpr size_t kReadSize = 65536;

    // Starts the request. An empty agent means DefaultAgent. A worker runs once only.
    // Returns false when it did not start: started before, or no thread could be made (then
    // OnFailed has been raised, and a self-freeing worker is already freed).
    bool Start(const std::string& url, const std::string& agent = {},
               const std::string& referer = {});
    // Ends the request before the next body block (also from inside OnHeaders or OnData).
    void Stop();
    // A request started to follow another begins now, without waiting for it.
    void BeginNow();
    // Ends the worker without waiting for it: the transfer is dropped, the thread winds down
    // on its own, and no event is raised after Kill returns. Safe from inside an event.
    void Kill();

    // The address split: an optional "http://" or "https://" (any letter case) removed, the
    // host is what stands before the first "/", the path what stands after it.
    static std::string ExtractHost(const std::string& url);
    static std::string ExtractPath(const std::string& url);

private:
    struct Shared;
    std::string m_key;
    TTransferEngine& m_engine;
    std::shared_ptr<Shared> m_shared;
    bool m_started = false; // handed to an engine; its request is let go, never waited for
};
