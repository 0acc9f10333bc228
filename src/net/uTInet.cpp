#include "net/uTInet.h"

#include <mutex>
#include <optional>

#include "net/uCurlRequest.h"
#include "net/uTransferEngine.h"

// What the engine's thread reads and writes. It outlives the TInet object when the worker is
// killed or frees itself, so the engine never touches the TInet object it came from.
struct TInet::Shared : TTransferEngine::TJob {
    std::string Key;
    TErrorEvent OnError;
    THeadersEvent OnHeaders;
    TDataEvent OnData;
    TKeyEvent OnFailed;
    TKeyEvent OnComplete;
    size_t BlockSize = kBlockSize;

    std::atomic<bool> Busy{false};
    std::atomic<int> Result{0};
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> Killed{false};
    // Held while an event runs, so that Kill returns only once no event is under way.
    std::recursive_mutex EventLock;
    std::optional<TCurlRequest> Curl; // made by Start, before the engine sees it
    int64_t ContentLength = 0;
    int64_t Total = 0;
    TAnswerFacts Facts;

    template <typename Event, typename... Args>
    void Raise(const Event& event, Args&&... args) {
        std::lock_guard lock(EventLock);
        if (!Killed && event)
            event(std::forward<Args>(args)...);
    }

    TCurlRequest& Request() override { return *Curl; }
    void Prepare(TRequestSettings settings);
    bool HeadersArrived(const TCurlRequest::Headers& headers);
    bool BodyArrived(const char* data, size_t size);
    void Finished(int result) override;
    void RaiseFailed();
};

void TInet::Shared::Prepare(TRequestSettings settings) {
    Curl.emplace(std::move(settings));
    Curl->OnHeaders = [this](const TCurlRequest::Headers& headers) { return HeadersArrived(headers); };
    Curl->OnBody = [this](const char* data, size_t size) { return BodyArrived(data, size); };
}

bool TInet::Shared::HeadersArrived(const TCurlRequest::Headers& headers) {
    if (!headers.ContentLength)
        Raise(OnError, Key, kErrorHeaderNotFound);
    ContentLength = ContentLengthValue(headers.ContentLength);
    Facts.ContentRange = headers.ContentRange.value_or(std::string());
    Facts.Validator = ResumeValidator(headers.ETag, headers.LastModified);
    Raise(OnHeaders, Key, static_cast<int>(headers.Status), ContentLength);
    return !StopRequested && !Killed;
}

bool TInet::Shared::BodyArrived(const char* data, size_t size) {
    // One hold of the event lock for the blocks of one read: Kill waits for them all.
    std::lock_guard lock(EventLock);
    for (size_t offset = 0; offset < size; offset += BlockSize) {
        if (StopRequested || Killed)
            return false;
        const size_t count = std::min(BlockSize, size - offset);
        Total += static_cast<int64_t>(count);
        if (OnData)
            OnData(Key, std::string_view(data + offset, count));
    }
    return true;
}

void TInet::Shared::Finished(int result) {
    try {
        Result = result;
        const bool stopped = StopRequested || Curl->StoppedByOwner();
        if (result != 0 && !Curl->HeadersDelivered() && !stopped)
            Raise(OnError, Key, result);
        const bool succeeded = Curl->HeadersDelivered() && Total == ContentLength;
        // Nothing escapes a worker; a final event that throws has still been raised.
        try {
            Raise(succeeded ? OnComplete : OnFailed, Key);
        } catch (...) {
        }
    } catch (...) {
        // The owner still learns that the request did not succeed.
        RaiseFailed();
    }
    Busy = false;
}

void TInet::Shared::RaiseFailed() {
    try {
        Raise(OnFailed, Key);
    } catch (...) {
    }
}

TInet::TInet(std::string key, TTransferEngine& engine)
    : m_key(std::move(key)), m_engine(engine), m_shared(std::make_shared<Shared>()) {}

TInet::~TInet() {
    // No event may reach an owner that is going away, and nobody waits for the network.
    if (m_started)
        Kill();
}

const TInet::TAnswerFacts& TInet::Answer() const {
    return m_shared->Facts;
}

bool TInet::Busy() const {
    return m_shared->Busy;
}

int TInet::LastResult() const {
    return m_shared->Result;
}

bool TInet::Start(const std::string& url, const std::string& agent, const std::string& referer) {
    if (m_started || m_shared->Busy || m_shared->Killed)
        return false;
    Shared& shared = *m_shared;
    shared.Key = m_key;
    shared.OnError = OnError;
    shared.OnHeaders = OnHeaders;
    shared.OnData = OnData;
    shared.OnFailed = OnFailed;
    shared.OnComplete = OnComplete;
    shared.BlockSize = std::clamp<size_t>(BlockSize, 1, kReadSize);
    const TAddressParts address = SplitAddress(url);
    TRequestSettings settings;
    settings.Secure = address.Secure;
    settings.Host = address.Host;
    settings.Path = "/" + address.Path;
    settings.Agent = agent.empty() ? DefaultAgent : agent;
    settings.Referer = referer;
    settings.ConnectTimeoutMs = ConnectTimeoutMs;
    settings.StallTimeoutMs = StallTimeoutMs;
    settings.StallBytes = StallBytes;
    settings.TotalTimeoutMs = TotalTimeoutMs;
    settings.PublicOnly = PublicOnly;
    settings.RangeFrom = RangeFrom;
    settings.IfRange = IfRange;
    settings.RangeTo = RangeTo;
    settings.KeepAlive = KeepAlive;
    shared.Prepare(std::move(settings));
    // A Stop that came before the start still counts.
    if (shared.StopRequested)
        shared.Curl->Cancel();
    shared.Busy = true;
    m_started = true;
    const std::shared_ptr<Shared> keep = m_shared;
    const std::shared_ptr<Shared> after = After != nullptr && After->m_started ? After->m_shared : nullptr;
    if (m_engine.Submit(keep, Traffic, after))
        return true;
    // No thread: the request fails as one that could not connect, and the owner learns it.
    keep->RaiseFailed();
    keep->Busy = false;
    return false;
}

void TInet::Stop() {
    m_shared->StopRequested = true;
    if (m_started)
        m_shared->Curl->Cancel();
}

void TInet::BeginNow() {
    if (m_started)
        m_engine.BeginNow(m_shared);
}

void TInet::Kill() {
    {
        std::lock_guard lock(m_shared->EventLock);
        m_shared->Killed = true;
    }
    if (m_started)
        m_shared->Curl->Cancel();
    // The engine ends the request on its own; it holds its own share of the state it uses.
}

std::string TInet::ExtractHost(const std::string& url) {
    return SplitAddress(url).Host;
}

std::string TInet::ExtractPath(const std::string& url) {
    return SplitAddress(url).Path;
}
