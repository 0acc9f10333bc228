#include "net/uTransferEngine.h"

#include <curl/curl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <unordered_map>
#include <vector>

#include "core/uMpscQueue.h"
#include "core/uProcessLimits.h"
#include "net/uCurlRequest.h"
#include "net/uThreadStart.h"
#include "net/uTlsTrust.h"

namespace {

using TJobRef = std::shared_ptr<TTransferEngine::TJob>;

// An idle lane sleeps this long between looks; requests and closing wake it at once.
constexpr int kIdlePollMs = 60000;
// While it drives requests, libcurl's own timers wake it sooner.
constexpr int kBusyPollMs = 1000;

int LaneCount(int wanted) {
    if (wanted > 0)
        return wanted;
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(processors, 1, TTransferEngine::kMaxLanes);
}

} // namespace

// One thread and one multi handle. Other threads only push onto its two queues (without a
// lock) and wake it; everything else is the lane thread's own.
struct TTransferEngine::TLane {
    explicit TLane(std::shared_ptr<TTlsTrust> trust)
        : Multi((EnsureCurlReady(), curl_multi_init())), Trust(std::move(trust)) {}
    TLane(const TLane&) = delete;
    TLane& operator=(const TLane&) = delete;
    ~TLane() {
        if (Multi != nullptr)
            curl_multi_cleanup(Multi);
    }

    CURLM* const Multi;
    const std::shared_ptr<TTlsTrust> Trust; // the engine's, shared by every lane
    TMpscQueue<TJobRef> Arrivals;
    TMpscQueue<TJobRef> Cancels;
    TMpscQueue<TJobRef> Releases;     // followers to begin without waiting any longer
    std::atomic<int> Load{0};         // requests handed to this lane and not yet ended
    std::atomic<bool> Started{false}; // its thread runs
    std::atomic<bool> Closing{false}; // the engine is going: end every request and stop

    void WakeUp() { curl_multi_wakeup(Multi); }
    void Run();

private:
    void EndAll();
    void TakeArrivals();
    void TakeCancels();
    void TakeReleases();
    void TakeFinished();
    void AddHop(const TJobRef& job);
    void Begin(const TJobRef& job);
    void End(const TJobRef& job, int result);
    // Takes a job out of libcurl's hands, or out of its wait for the job it follows.
    void Detach(const TJobRef& job);
    // The jobs that waited for `job` begin now that it ended.
    void BeginFollowers(TJob* job);

    std::unordered_map<TJob*, TJobRef> m_jobs; // each with its current hop in Multi, or waiting
    std::unordered_multimap<TJob*, TJobRef> m_followers; // job -> those waiting for it to end
};

void TTransferEngine::TLane::Run() {
    // Named, so that a look at the process (top -H, a debugger) tells the lanes apart.
    ::pthread_setname_np(::pthread_self(), kLaneThreadName);
    LowerThisThreadsPriority(kLaneNiceness);
    for (;;) {
        TakeArrivals();
        TakeCancels();
        TakeReleases();
        if (Closing) {
            EndAll();
            return;
        }
        int running = 0;
        curl_multi_perform(Multi, &running);
        TakeFinished();
        // A request handed over to follow one that ended meanwhile was handed over without
        // a wake-up: it begins now, not at the next look.
        TakeArrivals();
        curl_multi_poll(Multi, nullptr, 0, m_jobs.empty() ? kIdlePollMs : kBusyPollMs, nullptr);
    }
}

void TTransferEngine::TLane::EndAll() {
    while (!m_jobs.empty()) {
        const TJobRef job = m_jobs.begin()->second;
        Detach(job);
        End(job, CURLE_ABORTED_BY_CALLBACK);
    }
}

void TTransferEngine::TLane::TakeArrivals() {
    for (TJobRef job; Arrivals.TryPop(job);) {
        TCurlRequest& request = job->Request();
        m_jobs.emplace(job.get(), job);
        request.UseTrust(Trust);
        // A job to follow another that is still here waits for it (a cancel ends it there).
        const TJobRef after = job->m_after.lock();
        job->m_after.reset();
        if (after && m_jobs.count(after.get()) != 0 && !request.Cancelled())
            m_followers.emplace(after.get(), job);
        else
            Begin(job);
    }
}

void TTransferEngine::TLane::Begin(const TJobRef& job) {
    if (job->Request().Begin())
        AddHop(job);
    else
        End(job, job->Request().Result());
}

void TTransferEngine::TLane::Detach(const TJobRef& job) {
    for (auto waiting = m_followers.begin(); waiting != m_followers.end(); ++waiting) {
        if (waiting->second == job) {
            m_followers.erase(waiting);
            return;
        }
    }
    curl_multi_remove_handle(Multi, job->Request().EasyHandle());
}

void TTransferEngine::TLane::BeginFollowers(TJob* job) {
    const auto [first, last] = m_followers.equal_range(job);
    if (first == last)
        return;
    std::vector<TJobRef> next;
    for (auto waiting = first; waiting != last; ++waiting)
        next.push_back(waiting->second);
    m_followers.erase(first, last);
    for (const TJobRef& follower : next)
        Begin(follower);
}

void TTransferEngine::TLane::TakeCancels() {
    for (TJobRef job; Cancels.TryPop(job);) {
        if (m_jobs.count(job.get()) == 0)
            continue; // ended meanwhile
        Detach(job);
        End(job, CURLE_ABORTED_BY_CALLBACK);
    }
}

void TTransferEngine::TLane::TakeReleases() {
    for (TJobRef job; Releases.TryPop(job);) {
        for (auto waiting = m_followers.begin(); waiting != m_followers.end(); ++waiting) {
            if (waiting->second == job) {
                m_followers.erase(waiting);
                Begin(job);
                break;
            }
        }
    }
}

void TTransferEngine::TLane::TakeFinished() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(Multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        const auto code = static_cast<int>(message->data.result);
        void* owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        curl_multi_remove_handle(Multi, message->easy_handle);
        const auto found = m_jobs.find(static_cast<TJob*>(owner));
        if (found == m_jobs.end())
            continue;
        const TJobRef job = found->second;
        if (job->Request().HopDone(code))
            AddHop(job);
        else
            End(job, job->Request().Result());
    }
}

void TTransferEngine::TLane::AddHop(const TJobRef& job) {
    CURL* const easy = job->Request().EasyHandle();
    curl_easy_setopt(easy, CURLOPT_PRIVATE, static_cast<void*>(job.get()));
    if (curl_multi_add_handle(Multi, easy) != CURLM_OK)
        End(job, CURLE_FAILED_INIT);
}

void TTransferEngine::TLane::End(const TJobRef& job, int result) {
    // Before the lane looks at its arrivals again (see SubmitTo).
    job->m_followState.fetch_or(TJob::kEnded, std::memory_order_acq_rel);
    job->Request().SetWakeUp(nullptr);
    m_jobs.erase(job.get());
    --Load;
    try {
        job->Finished(result);
    } catch (...) {
        // A job reports its own end; nothing of it may stop the lane.
    }
    // At the close, EndAll ends the followers too.
    if (!Closing)
        BeginFollowers(job.get());
}

TTransferEngine::TTransferEngine(int bulkLanes) {
    // One reading of the authorities and one memory of TLS sessions for all the lanes.
    const auto trust = std::make_shared<TTlsTrust>();
    // The first lane carries interactive traffic, the others bulk.
    for (int i = 1 + LaneCount(bulkLanes); i > 0; --i)
        m_lanes.push_back(std::make_unique<TLane>(trust));
    m_threads.resize(m_lanes.size());
}

TTransferEngine::~TTransferEngine() {
    for (const auto& lane : m_lanes) {
        lane->Closing = true;
        if (lane->Started)
            lane->WakeUp();
    }
    for (std::thread& thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
}

std::pair<size_t, size_t> TTransferEngine::LanesFor(TTraffic traffic) const {
    return traffic == TTraffic::Interactive ? std::pair<size_t, size_t>{0, 1}
                                            : std::pair<size_t, size_t>{1, m_lanes.size()};
}

bool TTransferEngine::Submit(const std::shared_ptr<TJob>& job, TTraffic traffic) {
    const auto [first, last] = LanesFor(traffic);
    const auto found = std::min_element(m_lanes.begin() + static_cast<long>(first),
                                        m_lanes.begin() + static_cast<long>(last),
                                        [](const auto& a, const auto& b) {
                                            return a->Load.load(std::memory_order_relaxed) <
                                                   b->Load.load(std::memory_order_relaxed);
                                        });
    return SubmitTo(static_cast<size_t>(found - m_lanes.begin()), job);
}

bool TTransferEngine::Submit(const std::shared_ptr<TJob>& job, TTraffic traffic,
                             const std::shared_ptr<TJob>& after) {
    const size_t index = after ? after->m_lane.load() : SIZE_MAX;
    if (index >= m_lanes.size())
        return Submit(job, traffic);
    job->m_after = after;
    return SubmitTo(index, job, after.get());
}

void TTransferEngine::BeginNow(const std::shared_ptr<TJob>& job) {
    const size_t index = job->m_lane.load();
    if (index >= m_lanes.size())
        return;
    m_lanes[index]->Releases.Push(job);
    m_lanes[index]->WakeUp();
}

bool TTransferEngine::SubmitTo(size_t index, const std::shared_ptr<TJob>& job, TJob* after) {
    TLane& lane = *m_lanes[index];
    if (lane.Multi == nullptr || !StartLane(index))
        return false;
    job->m_lane = index;
    ++lane.Load;
    // Cancel, from any thread, hands the request back to the lane to be ended now (one not
    // taken from the arrivals yet ends as it is taken).
    job->Request().SetWakeUp([&lane, weak = std::weak_ptr<TJob>(job)] {
        if (TJobRef cancelled = weak.lock())
            lane.Cancels.Push(std::move(cancelled));
        lane.WakeUp();
    });
    lane.Arrivals.Push(job);
    // The lane looks at its arrivals after every request it ends: one to follow a request it
    // has not ended is taken then, with no wake-up (a thread switch) of its own. Either the
    // lane's end comes first, and this sees it and wakes the lane, or this comes first, and
    // the lane's end sees the arrival.
    if (after != nullptr &&
        (after->m_followState.fetch_or(TJob::kFollowed, std::memory_order_acq_rel) &
         TJob::kEnded) == 0)
        return true;
    lane.WakeUp();
    return true;
}

bool TTransferEngine::StartLane(size_t index) {
    TLane& lane = *m_lanes[index];
    if (lane.Started)
        return true;
    std::lock_guard lock(m_startLock);
    if (lane.Started)
        return true;
    if (!StartThread([&lane] { lane.Run(); }, m_threads[index]))
        return false;
    lane.Started = true;
    return true;
}
