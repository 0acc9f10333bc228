#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class TCurlRequest;

// What a request is to the lanes: a page, a link check or another small fetch that someone
// waits on, or a download that may run for an hour. Each kind has lanes of its own, so that
// a search page never waits behind a lane busy with downloads.
enum class TTraffic { Interactive, Bulk };

// Drives many HTTP requests at once on a few threads of its own (lanes), each running
// libcurl's multi interface, instead of a thread per request: thousands of small transfers
// cost a few thread starts, not thousands. A request handed over starts at once; nothing
// queues behind a limit (each client keeps its own). The lanes run at a lower priority than
// the thread that paints, so a machine saturated by transfers still answers its user. The
// program makes one and hands it to every part that fetches; it outlives them all.
//
// A lane raises every callback of a request (its headers, its body, its end) on its own
// thread, in order; the callbacks of one request never overlap. A callback that blocks
// holds up the other requests of its lane, so callbacks hand their work on and return.
class TTransferEngine {
public:
    // One request as a lane drives it.
    class TJob {
    public:
        virtual ~TJob() = default;
        virtual TCurlRequest& Request() = 0;
        // On the lane's thread, once, after the request ended and left libcurl's hands.
        virtual void Finished(int result) = 0;

    private:
        friend class TTransferEngine;
        // The lane it was handed to, for a request that is to follow it there.
        std::atomic<size_t> m_lane{SIZE_MAX};
        // A request handed over to follow this one waits for it to end.
        std::weak_ptr<TJob> m_after;
        // Whether its lane ended it, and whether a request was handed over to follow it:
        // whichever of the two comes second sees the first (see SubmitTo).
        static constexpr unsigned kEnded = 1;
        static constexpr unsigned kFollowed = 2;
        std::atomic<unsigned> m_followState{0};
    };

    // Bulk lanes when none are named: one per processor, at most this many.
    static constexpr int kMaxLanes = 4;
    // How much lower than the rest of the program the lanes run (a nice value).
    static constexpr int kLaneNiceness = 10;
    // What each lane's thread is called (at most 15 bytes, the system's limit).
    static constexpr const char* kLaneThreadName = "transfer lane";

    // `bulkLanes` for downloads, 0: one per processor, up to kMaxLanes; interactive traffic
    // has one lane of its own. A lane's thread starts with its first request.
    explicit TTransferEngine(int bulkLanes = 0);
    TTransferEngine(const TTransferEngine&) = delete;
    TTransferEngine& operator=(const TTransferEngine&) = delete;
    // Ends every request still held (their owners have gone: the engine outlives them) and
    // joins the lanes' threads, which end their requests at once and never wait for a server,
    // so that no thread of the engine runs on into the end of the process.
    ~TTransferEngine();

    // Hands the request to the lane of its kind with the fewest requests. False when that
    // lane had no thread and none could be made: the request never runs and Finished is
    // never called.
    bool Submit(const std::shared_ptr<TJob>& job, TTraffic traffic = TTraffic::Interactive);
    // The same, but the request begins only once `after` has ended, on its lane: the next
    // file of a server starts the moment the last one ends, on the connection it leaves, with
    // no other thread's turn in between. At once when `after` has ended already.
    bool Submit(const std::shared_ptr<TJob>& job, TTraffic traffic,
                const std::shared_ptr<TJob>& after);
    // A request that waits for another to end begins now, on a connection of its own.
    void BeginNow(const std::shared_ptr<TJob>& job);

private:
    struct TLane;
    bool StartLane(size_t index);
    bool SubmitTo(size_t index, const std::shared_ptr<TJob>& job, TJob* after = nullptr);
    // The lanes of one kind: [first, last) of m_lanes.
    std::pair<size_t, size_t> LanesFor(TTraffic traffic) const;
    std::vector<std::unique_ptr<TLane>> m_lanes;
    std::vector<std::thread> m_threads; // one per lane, started with its first request
    std::mutex m_startLock;             // only while a lane's thread is being started
};
