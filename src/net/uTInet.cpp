#include "net/uTInet.h"

#include <mutex>

#include "core/uTStringUtils.h"
#include "net/uCurlRequest.h"
#include "net/uThreadStart.h"

// What the worker thread reads and writes. It outlives the TInet object when the worker is
// killed or frees itself, so the thread never touches the TInet object it came from.
struct TInet::Shared {
    std::string Key;
    std::string Url;
    std::string Agent;
    std::string Referer;
    TErrorEvent OnError;
    THeadersEvent OnHeaders;
    TDataEvent OnData;
    TKeyEvent OnFailed;
    TKeyEvent OnComplete;
    int ConnectTimeoutMs = 0;
    int StallTimeoutMs = 0;
    int TotalTimeoutMs = 0;

    std::atomic<bool> Busy{false};
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> Killed{false};
    // Held while an event runs, so that Kill returns only once no event is under way.
    std::recursive_mutex EventLock;
    TRequestSlot Request;

    template <typename Event, typename... Args>
    void Raise(const Event& event, Args&&... args) {
        std::lock_guard lock(EventLock);
        if (!Killed && event)
            event(std::forward<Args>(args)...);
    }
};

TInet::TInet(std::string key) : m_key(std::move(key)), m_shared(std::make_shared<Shared>()) {}

TInet::~TInet() {
    // No event may reach an owner that is going away, and nobody waits for the network.
    if (m_started)
        Kill();
}

bool TInet::Busy() const {
    return m_shared->Busy;
}

bool TInet::Start(const std::string& url, const std::string& agent, const std::string& referer) {
    if (m_started || m_shared->Busy || m_shared->Killed)
        return false;
    Shared& shared = *m_shared;
    shared.Key = m_key;
    shared.Url = url;
    shared.Agent = agent.empty() ? DefaultAgent : agent;
    shared.Referer = referer;
    shared.OnError = OnError;
    shared.OnHeaders = OnHeaders;
    shared.OnData = OnData;
    shared.OnFailed = OnFailed;
    shared.OnComplete = OnComplete;
    shared.ConnectTimeoutMs = ConnectTimeoutMs;
    shared.StallTimeoutMs = StallTimeoutMs;
    shared.TotalTimeoutMs = TotalTimeoutMs;
    shared.Busy = true;
    m_started = true;
    // A self-freeing worker's thread may end and free this object before StartDetachedThread
    // returns: nothing of it is touched after a successful start.
    const std::shared_ptr<Shared> keep = m_shared;
    TInet* const selfFreeing = m_freeOnTerminate ? this : nullptr;
    if (StartDetachedThread([keep, selfFreeing] { Execute(keep, selfFreeing); }))
        return true;
    // No thread: the request fails as one that could not connect, and the owner learns it.
    try {
        keep->Raise(keep->OnFailed, keep->Key);
    } catch (...) {
    }
    keep->Busy = false;
    // The owner let go of a self-freeing worker when it called Start.
    if (selfFreeing != nullptr) {
        m_started = false; // nothing runs that a destructor would have to let go
        delete selfFreeing;
    }
    return false;
}

void TInet::Stop() {
    m_shared->StopRequested = true;
    m_shared->Request.Cancel();
}

void TInet::Kill() {
    {
        std::lock_guard lock(m_shared->EventLock);
        m_shared->Killed = true;
    }
    m_shared->Request.Cancel();
    // The thread winds down on its own; it holds its own share of the state it uses.
}

std::string TInet::ExtractHost(const std::string& url) {
    const std::string rest = StartsWithIgnoringCase(url, "http://") ? url.substr(7) : url;
    return rest.substr(0, rest.find('/'));
}

std::string TInet::ExtractPath(const std::string& url) {
    const std::string rest = StartsWithIgnoringCase(url, "http://") ? url.substr(7) : url;
    const size_t slash = rest.find('/');
    return slash == std::string::npos ? std::string() : rest.substr(slash + 1);
}

void TInet::Execute(std::shared_ptr<Shared> shared, TInet* selfFreeing) {
    bool finalRaised = false;
    try {
        TRequestSettings settings;
        settings.Host = ExtractHost(shared->Url);
        settings.Path = "/" + ExtractPath(shared->Url);
        settings.Agent = shared->Agent;
        settings.Referer = shared->Referer;
        settings.ConnectTimeoutMs = shared->ConnectTimeoutMs;
        settings.StallTimeoutMs = shared->StallTimeoutMs;
        settings.TotalTimeoutMs = shared->TotalTimeoutMs;
        TCurlRequest request(settings);

        int64_t contentLength = 0;
        int64_t total = 0;
        request.OnHeaders = [&](const TCurlRequest::Headers& headers) {
            if (!headers.ContentLength)
                shared->Raise(shared->OnError, shared->Key, kErrorHeaderNotFound);
            contentLength = ContentLengthValue(headers.ContentLength);
            shared->Raise(shared->OnHeaders, shared->Key, static_cast<int>(headers.Status), contentLength);
            return !shared->StopRequested && !shared->Killed;
        };
        request.OnBody = [&](const char* data, size_t size) {
            // One hold of the event lock for the blocks of one read: Kill waits for them all.
            std::lock_guard lock(shared->EventLock);
            for (size_t offset = 0; offset < size; offset += kBlockSize) {
                if (shared->StopRequested || shared->Killed)
                    return false;
                const size_t count = std::min<size_t>(kBlockSize, size - offset);
                total += static_cast<int64_t>(count);
                if (shared->OnData)
                    shared->OnData(shared->Key, std::string_view(data + offset, count));
            }
            return true;
        };

        shared->Request.Set(&request);
        // A Stop or Kill that came before the request was registered still counts.
        if (shared->StopRequested || shared->Killed)
            request.Cancel();
        const int result = request.Perform();
        shared->Request.Set(nullptr);

        const bool stopped = shared->StopRequested || request.StoppedByOwner();
        if (result != 0 && !request.HeadersDelivered() && !stopped)
            shared->Raise(shared->OnError, shared->Key, result);
        const bool succeeded = request.HeadersDelivered() && total == contentLength;
        finalRaised = true;
        shared->Raise(succeeded ? shared->OnComplete : shared->OnFailed, shared->Key);
    } catch (...) {
        // Nothing escapes a worker; the owner still learns that the request did not succeed.
        if (!finalRaised) {
            try {
                shared->Raise(shared->OnFailed, shared->Key);
            } catch (...) {
            }
        }
    }
    shared->Busy = false;
    delete selfFreeing;
}
