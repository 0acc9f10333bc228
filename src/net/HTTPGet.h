#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <QObject>

#include "core/uHandOver.h"
#include "net/uCurlRequest.h"
#include "net/uUserAgent.h"

class THTTPGet;
class THTTPGetThread;

using TOnProgressEvent = std::function<void(THTTPGetThread* sender, int64_t totalBytes, int64_t bytesReceived)>;
using TOnFileSizeEvent = std::function<void(THTTPGetThread* sender, int64_t fileSize)>;
using TOnFileCompleteEvent = std::function<void(THTTPGet* sender, const std::string& fileName, int64_t fileSize)>;
using TOnDataCompleteEvent = std::function<void(THTTPGet* sender, const std::string& data)>;
using TNotifyEvent = std::function<void(THTTPGet* sender)>;

// Fetches one web page on a worker thread and reports exactly one outcome on the GUI thread:
// OnDataComplete (memory mode) or OnFileComplete (file mode) on success, OnError otherwise.
// The worker copies every setting when it starts, so the properties may change meanwhile.
class THTTPGet : public QObject {
    Q_OBJECT
public:
    static constexpr const char* DefaultAgent = kUserAgent;

    explicit THTTPGet(QObject* owner = nullptr);
    // Aborts a running fetch; its late outcome never reaches the freed component.
    ~THTTPGet() override;

    std::string AcceptTypes = "*/*";
    std::string Agent = DefaultAgent; // empty: no User-Agent header
    bool BinaryData = false;          // an answer without a length fails unread
    std::string URL;
    bool UseCache = false;
    std::string DstFilePath; // target of the file mode
    std::string UserName;
    std::string Password;
    std::string PostQuery; // not empty: a form-encoded POST
    std::string Referer;
    bool WaitThread = false; // after starting, dispatch the GUI events already queued

    // Bounds that keep a hostile or broken server from hanging a fetch or filling memory.
    int ConnectTimeoutMs = 30000;
    int StallTimeoutMs = 60000;
    int TotalTimeoutMs = 120000; // a page that takes longer than this fails
    int64_t MaxDataSize = 16 * 1024 * 1024; // memory mode: a larger page fails

    TOnFileSizeEvent OnFileSize;     // on the GUI thread, while the worker waits
    TOnProgressEvent OnProgress;     // on the GUI thread, while the worker waits
    TOnFileCompleteEvent OnFileComplete;
    TOnDataCompleteEvent OnDataComplete;
    TNotifyEvent OnError;

    // Starts a memory-mode fetch of URL. Does nothing while a fetch is in flight, including
    // one that was aborted and has not wound down yet. A fetch that cannot get a thread
    // fails through OnError like any other.
    void Fetch();
    // The same, writing the body to DstFilePath.
    void FetchToFile();
    // Ends the fetch in flight; its outcome is then reported through OnError.
    void Abort();
    bool Busy() const { return Worker != nullptr; }

    // The fetch in flight, empty when idle.
    std::shared_ptr<THTTPGetThread> Worker;
    // Of the last fetch, while its outcome event runs and after: the answer's status (0 when
    // none came), and why it failed ("timed out", "host not found" ...; empty when it did not).
    int LastStatus = 0;
    std::string LastFailure;

private:
    void StartWorker(bool toFile);
    void WorkerDone(const THTTPGetThread& worker);

    TLifeline m_alive = MakeLifeline();
};

// One fetch: the settings copied at creation, the received data and the outcome. It runs
// on a thread of its own and is freed when both its thread and its component let go of it.
class THTTPGetThread {
public:
    THTTPGetThread(const THTTPGet& settings, bool toFile, TLifelineRef component);

    std::string AcceptTypes, Agent, URL, DstFilePath, UserName, Password, PostQuery, Referer;
    bool BinaryData = false;
    bool UseCache = false;
    bool ToFile = false;
    int ConnectTimeoutMs = 0;
    int StallTimeoutMs = 0;
    int TotalTimeoutMs = 0;
    int64_t MaxDataSize = 0;
    TOnFileSizeEvent OnFileSize;
    TOnProgressEvent OnProgress;

    std::string ReceivedData;
    std::atomic<bool> Succeeded{false};
    int StatusCode = 0;  // of the answer; 0 when none came
    std::string Failure; // why the fetch failed, in the window's words
    int64_t ContentLength = 0;
    uint32_t ChunkSize = 0;
    int64_t ReceivedBytes = 0;

    void Terminate();
    bool Terminated() const { return m_terminated; }
    // The thread body. Never throws.
    void Execute();

    // The address split: an optional "http://" or "https://" removed (`secure` tells which);
    // the host ends at the first "/", which starts the path. Without any "/", the host is
    // empty and the fetch fails.
    static void SplitUrl(const std::string& url, bool& secure, std::string& host,
                         std::string& path);

private:
    void Run();

    TLifelineRef m_component;
    std::atomic<bool> m_terminated{false};
    TRequestSlot m_request; // lets Terminate, on the GUI thread, end a blocking transfer
};
