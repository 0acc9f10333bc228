#include "net/uPageFetch.h"

#include <atomic>
#include <optional>

#include <QCoreApplication>

#include "net/uCurlRequest.h"
#include "net/uTransferEngine.h"

// One fetch as the engine's lane drives it. It outlives its TPageFetch when that goes or
// starts another: the outcome then finds no receiver and is dropped.
struct TPageFetch::TJob : TTransferEngine::TJob {
    std::optional<TCurlRequest> Curl;
    int64_t MaxDataSize = 0;
    TLifelineRef Owner;
    std::function<void(const TJob&)> Done; // on the GUI thread
    std::weak_ptr<TJob> Self;              // for the hand-over of the outcome
    std::atomic<bool> Aborted{false};

    // Written on the lane, read on the GUI thread once handed over.
    std::string Body;
    int Status = 0;
    bool TooLarge = false;
    bool Succeeded = false;
    bool FromLocalNetwork = false;
    std::string Failure;

    TCurlRequest& Request() override { return *Curl; }
    void Finished(int result) override;
};

void TPageFetch::TJob::Finished(int result) {
    const TCurlRequest& request = *Curl;
    FromLocalNetwork = request.ReachedLocalNetwork();
    // Ended by Abort, by a page too large to keep, or before an answer came: failed. A
    // transfer cut or stalled after its headers is failed as well: a truncated page is not
    // the page.
    Succeeded = result == 0 && request.HeadersDelivered() && !request.StoppedByOwner() && !Aborted && !TooLarge &&
                !Body.empty();
    if (!Succeeded) {
        if (TooLarge)
            Failure = "page too large";
        else if (Aborted || request.StoppedByOwner())
            Failure = "cancelled";
        else if (result != 0)
            Failure = request.HeadersDelivered() ? QCoreApplication::translate("Reasons", "connection lost").toStdString() : ErrorReason(result);
        else
            Failure = "empty page";
        Body.clear();
    }
    HandOver(Owner, [self = Self.lock()] { self->Done(*self); });
}

TPageFetch::TPageFetch(TTransferEngine& engine) : m_engine(engine) {}

TPageFetch::~TPageFetch() {
    if (m_job)
        m_job->Curl->Cancel();
}

void TPageFetch::Fetch(const std::string& url) {
    if (m_job)
        m_job->Curl->Cancel(); // its outcome is dropped: the job no longer is this fetch's
    auto job = std::make_shared<TJob>();
    const TAddressParts address = SplitAddress(url);
    TRequestSettings settings;
    settings.Secure = address.Secure;
    // An address without a "/" names no page: it fails as a bad address.
    settings.Host = address.HasSlash ? address.Host : std::string();
    settings.Path = "/" + address.Path;
    settings.Agent = Agent;
    settings.Accept = "*/*";
    settings.Referer = Referer;
    settings.ConnectTimeoutMs = ConnectTimeoutMs;
    settings.StallTimeoutMs = StallTimeoutMs;
    settings.TotalTimeoutMs = TotalTimeoutMs;
    settings.PublicOnly = PublicOnly;
    job->Curl.emplace(std::move(settings));
    job->MaxDataSize = MaxDataSize;
    job->Owner = m_alive;
    TJob& state = *job;
    job->Curl->OnHeaders = [&state](const TCurlRequest::Headers& headers) {
        state.Status = static_cast<int>(headers.Status);
        state.Body.clear();
        return !state.Aborted.load();
    };
    job->Curl->OnBody = [&state](const char* data, size_t size) {
        if (state.Aborted)
            return false;
        if (static_cast<int64_t>(state.Body.size() + size) > state.MaxDataSize) {
            state.TooLarge = true;
            return false;
        }
        state.Body.append(data, size);
        return true;
    };
    job->Done = [this](const TJob& done) { Finished(done); };
    job->Self = job;
    m_job = job;
    if (!m_engine.Submit(job)) {
        // No thread: the fetch fails as one that could not connect, later, as any would.
        job->Failure = "no thread to run it";
        HandOver(m_alive, [this, job] { Finished(*job); });
    }
}

void TPageFetch::Abort() {
    if (!m_job)
        return;
    m_job->Aborted = true;
    m_job->Curl->Cancel();
}

void TPageFetch::Finished(const TJob& job) {
    if (m_job.get() != &job)
        return; // a fetch this one has moved on from
    const std::shared_ptr<TJob> keep = std::move(m_job);
    LastStatus = job.Status;
    LastFailure = job.Succeeded ? std::string() : job.Failure;
    LastFromLocalNetwork = job.FromLocalNetwork;
    if (job.Succeeded) {
        if (OnPage)
            OnPage(this, job.Body);
    } else if (OnFailed) {
        OnFailed(this);
    }
}
