#include "media/uContentChecker.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>

#include "core/uProcessLimits.h"

struct TContentChecker::TQueue {
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<TJob> Jobs;
    bool Closing = false;
};

TContentChecker::TContentChecker(int workers) : m_queue(std::make_unique<TQueue>()) {
    try {
        for (int i = 0; i < std::max(1, workers); ++i)
            m_workers.emplace_back([this] { Run(); });
    } catch (const std::system_error&) {
        // No more threads to be had: the workers made so far do the checks.
    }
}

TContentChecker::~TContentChecker() {
    {
        std::lock_guard lock(m_queue->Lock);
        m_queue->Closing = true;
        m_queue->Jobs.clear();
    }
    m_queue->Changed.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void TContentChecker::Check(const std::string& path, TCheckDepth depth) {
    Check(std::vector<std::string>{path}, depth);
}

void TContentChecker::Check(const std::vector<std::string>& paths, TCheckDepth depth) {
    {
        std::lock_guard lock(m_queue->Lock);
        for (const std::string& path : paths)
            m_queue->Jobs.push_back({path, m_round, depth});
    }
    m_queue->Changed.notify_all();
}

void TContentChecker::CancelAll() {
    ++m_round;
    std::lock_guard lock(m_queue->Lock);
    m_queue->Jobs.clear();
}

void TContentChecker::Run() {
    // Checks are background work: the window's thread goes first.
    LowerThisThreadsPriority(kCheckerNiceness);
    for (;;) {
        TJob job;
        {
            std::unique_lock lock(m_queue->Lock);
            m_queue->Changed.wait(lock,
                                  [this] { return m_queue->Closing || !m_queue->Jobs.empty(); });
            if (m_queue->Closing)
                return;
            job = std::move(m_queue->Jobs.front());
            m_queue->Jobs.pop_front();
        }
        try {
            Deliver(job, CheckContent(job.Path, job.Depth));
        } catch (...) {
            // Nothing escapes a worker thread; the file stays unchecked.
        }
    }
}

void TContentChecker::Deliver(const TJob& job, const TContentVerdict& verdict) {
    HandOver(m_alive, [this, job, verdict] {
        // A round ended by CancelAll delivers nothing, even what was under way then.
        if (job.Round == m_round && OnChecked)
            OnChecked(job.Path, verdict);
    });
}
