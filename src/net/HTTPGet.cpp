#include "net/HTTPGet.h"

#include <cstdio>

#include <QCoreApplication>

#include "net/uCurlRequest.h"
#include "net/uThreadStart.h"

namespace {
// The read size of the fetch loop: one progress report per block.
constexpr size_t kReadBlock = 1025;

// Closes a C stream when it goes out of scope.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;
} // namespace

THTTPGet::THTTPGet(QObject* owner) : QObject(owner) {}

THTTPGet::~THTTPGet() {
    Abort();
    // m_alive goes with the component: a hand-over still on its way is dropped.
}

void THTTPGet::Fetch() {
    StartWorker(false);
}

void THTTPGet::FetchToFile() {
    StartWorker(true);
}

void THTTPGet::StartWorker(bool toFile) {
    if (Worker)
        return;
    auto worker = std::make_shared<THTTPGetThread>(*this, toFile, m_alive);
    Worker = worker;
    const TLifelineRef alive = m_alive;
    const bool started = StartDetachedThread([this, worker, alive] {
        worker->Execute();
        HandOver(alive, [this, worker] { WorkerDone(*worker); });
    });
    if (!started) {
        // No thread to be had: the fetch fails as one that ran would, through OnError on a
        // later turn of the event loop, and the getter is busy until then.
        worker->Succeeded = false;
        HandOver(alive, [this, worker] { WorkerDone(*worker); });
    }
    if (WaitThread)
        QCoreApplication::processEvents();
}

void THTTPGet::Abort() {
    if (!Worker)
        return;
    Worker->Terminate();
    Worker->Succeeded = false;
}

void THTTPGet::WorkerDone(const THTTPGetThread& worker) {
    LastStatus = worker.StatusCode;
    LastFailure = worker.Succeeded ? std::string() : worker.Failure.empty() ? std::string("cancelled") : worker.Failure;
    if (worker.Succeeded) {
        if (worker.ToFile) {
            if (OnFileComplete)
                OnFileComplete(this, worker.DstFilePath, worker.ContentLength);
        } else if (OnDataComplete) {
            OnDataComplete(this, worker.ReceivedData);
        }
    } else if (OnError) {
        OnError(this);
    }
    if (Worker.get() == &worker)
        Worker.reset();
}

THTTPGetThread::THTTPGetThread(const THTTPGet& settings, bool toFile, TLifelineRef component)
    : AcceptTypes(settings.AcceptTypes), Agent(settings.Agent), URL(settings.URL),
      DstFilePath(settings.DstFilePath), UserName(settings.UserName), Password(settings.Password),
      PostQuery(settings.PostQuery), Referer(settings.Referer), BinaryData(settings.BinaryData),
      UseCache(settings.UseCache), ToFile(toFile), ConnectTimeoutMs(settings.ConnectTimeoutMs),
      StallTimeoutMs(settings.StallTimeoutMs), TotalTimeoutMs(settings.TotalTimeoutMs),
      MaxDataSize(settings.MaxDataSize),
      OnFileSize(settings.OnFileSize), OnProgress(settings.OnProgress), m_component(std::move(component)) {}

void THTTPGetThread::Terminate() {
    m_terminated = true;
    m_request.Cancel();
}

void THTTPGetThread::SplitUrl(const std::string& url, bool& secure, std::string& host,
                              std::string& path) {
    const TAddressParts parts = SplitAddress(url);
    secure = parts.Secure;
    if (!parts.HasSlash) {
        host.clear();
        path = parts.Host;
        return;
    }
    host = parts.Host;
    path = "/" + parts.Path;
}

void THTTPGetThread::Execute() {
    try {
        Run();
    } catch (...) {
        // The outcome still follows, decided by Succeeded as it stands.
    }
}

void THTTPGetThread::Run() {
    TRequestSettings settings;
    SplitUrl(URL, settings.Secure, settings.Host, settings.Path);
    if (Terminated()) {
        Succeeded = false;
        return;
    }
    settings.Agent = Agent;
    settings.Accept = AcceptTypes;
    settings.Referer = Referer;
    settings.UserName = UserName;
    settings.Password = Password;
    settings.PostQuery = PostQuery;
    settings.Reload = !UseCache;
    settings.ConnectTimeoutMs = ConnectTimeoutMs;
    settings.StallTimeoutMs = StallTimeoutMs;
    settings.TotalTimeoutMs = TotalTimeoutMs;
    TCurlRequest request(settings);

    FileHandle file;
    bool abortedInLoop = false;
    bool failedToStore = false;
    request.OnHeaders = [&](const TCurlRequest::Headers& headers) {
        if (Terminated())
            return false;
        StatusCode = static_cast<int>(headers.Status);
        Succeeded = headers.ContentLength.has_value();
        ContentLength = ContentLengthValue(headers.ContentLength);
        if (!headers.ContentLength && BinaryData)
            return false;
        if (OnFileSize) {
            HandOverAndWait(m_component, [this] { OnFileSize(this, ContentLength); });
        }
        ReceivedBytes = 0;
        if (ToFile) {
            file.reset(std::fopen(DstFilePath.c_str(), "wb"));
            if (!file) {
                failedToStore = true;
                return false;
            }
        } else {
            ReceivedData.clear();
        }
        return true;
    };
    request.OnBody = [&](const char* data, size_t size) {
        for (size_t offset = 0; offset < size; offset += kReadBlock) {
            if (Terminated()) {
                abortedInLoop = true;
                return false;
            }
            ChunkSize = static_cast<uint32_t>(std::min(kReadBlock, size - offset));
            if (ToFile) {
                if (std::fwrite(data + offset, 1, ChunkSize, file.get()) != ChunkSize) {
                    failedToStore = true;
                    return false;
                }
            } else {
                if (static_cast<int64_t>(ReceivedData.size() + ChunkSize) > MaxDataSize) {
                    failedToStore = true;
                    return false;
                }
                ReceivedData.append(data + offset, ChunkSize);
            }
            ReceivedBytes += ChunkSize;
            if (OnProgress) {
                HandOverAndWait(m_component, [this] { OnProgress(this, ContentLength, ReceivedBytes); });
            }
        }
        return true;
    };

    m_request.Set(&request);
    if (Terminated())
        request.Cancel();
    const int result = request.Perform();
    m_request.Set(nullptr);

    const bool flushed = !file || std::fflush(file.get()) == 0;
    file.reset();
    // Ended by Abort, by a body that could not be kept, or before an answer came: failed.
    // A transfer cut or stalled after its headers is failed as well: a truncated page is
    // not the page.
    if (abortedInLoop || failedToStore || !flushed || !request.HeadersDelivered() || result != 0 ||
        request.StoppedByOwner()) {
        Succeeded = false;
        if (result != 0 && !request.StoppedByOwner() && !abortedInLoop)
            Failure = request.HeadersDelivered() ? std::string("connection lost") : ErrorReason(result);
        else if (failedToStore)
            Failure = "page too large";
        return;
    }
    if (ToFile)
        Succeeded = ContentLength == ReceivedBytes;
    else
        Succeeded = ReceivedBytes != 0;
}
