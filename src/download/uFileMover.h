#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "core/uHandOver.h"

// The n-th name tried for `path` when it is taken: the path itself, then Base1.ext ...
std::string NameCandidate(const std::string& path, int n);

// Moves a finished file under `wanted`, or the first numbered name beside it that nothing
// holds yet: a rename where both lie on one disk, a copy then the removal of the original
// across disks. Nothing is ever overwritten, and only a whole copy ever shows under a name;
// a file already there under a free name (both folders the same) stays as it is. Returns the
// file's new path, empty when it could not be moved (the original stays; errno says why).
// `mayCopy` false: a move that would take a copy is not made (errno EXDEV).
std::string MoveFileNoReplace(const std::string& source, const std::string& wanted, int candidates,
                              const std::atomic<bool>* stop = nullptr, bool mayCopy = true);

// Runs those moves on a thread of its own, one after the other, so that a copy of a large
// file across disks never holds up the window; a rename on one disk, with no move before it
// still under way, is made at once. Made, fed and destroyed on the GUI thread; each outcome
// reaches its callback there, in the order asked.
class TFileMover {
public:
    using TDone = std::function<void(const std::string& placed, int error)>;

    explicit TFileMover(int candidates);
    TFileMover(const TFileMover&) = delete;
    TFileMover& operator=(const TFileMover&) = delete;
    // Drops the moves still waiting and stops a copy under way (which leaves nothing); waits
    // for the thread. None of their callbacks runs.
    ~TFileMover();

    void Move(const std::string& source, const std::string& wanted, TDone done);

private:
    struct TJob {
        std::string Source;
        std::string Wanted;
        TDone Done;
    };
    void Run();
    void RunJob(TJob& job);
    // Makes the move here when it is a rename and nothing is ahead of it; false otherwise.
    bool MovedAtOnce(const std::string& source, const std::string& wanted, const TDone& done);

    const int m_candidates;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<TJob> m_jobs;
    bool m_closing = false;
    int m_pending = 0; // moves handed to the thread whose callbacks have not run yet (GUI thread's)
    std::atomic<bool> m_stop{false};
    std::thread m_thread; // started with the first move
    TLifeline m_alive = MakeLifeline();
};
