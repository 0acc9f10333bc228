#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TCurlRequest;

// Drives many HTTP requests at once on a few threads of its own (lanes), each running
// libcurl's multi interface, instead of a thread per request: thousands of small transfers
// cost a few thread starts, not thousands. A request handed over starts at once; nothing
// queues behind a limit. The lanes run at a lower priority than the thread that paints, so
// a machine saturated by transfers still answers its user.
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
    };

    // Lanes when none are named: one per processor, at most this many.
    static constexpr int kMaxLanes = 4;
    // How much lower than the rest of the program the lanes run (a nice value).
    static constexpr int kLaneNiceness = 10;
    // How long the engine's end waits for its lanes in all. Requests still held then are
    // ended at once, so the lanes are gone in a moment; only a lane stuck inside a library
    // call (a name lookup that does not return) is let go after this.
    static constexpr std::chrono::milliseconds kLaneEndWait{2000};

    // `lanes` 0: one per processor, up to kMaxLanes. A lane's thread starts with its first
    // request.
    explicit TTransferEngine(int lanes = 0);
    TTransferEngine(const TTransferEngine&) = delete;
    TTransferEngine& operator=(const TTransferEngine&) = delete;
    // Ends every request still held (their owners have killed them: an owner keeps the
    // engine while its request runs) and waits for the lanes' threads, at most
    // kLaneEndWait, so that no thread of the engine runs on into the end of the process.
    ~TTransferEngine();

    // Hands the request to the lane with the fewest requests. False when that lane had no
    // thread and none could be made: the request never runs and Finished is never called.
    bool Submit(const std::shared_ptr<TJob>& job);

private:
    struct TLane;
    bool StartLane(size_t index);
    std::vector<std::shared_ptr<TLane>> m_lanes;
    std::vector<std::thread> m_threads; // one per lane, started with its first request
    std::mutex m_startLock; // only while a lane's thread is being started
};
