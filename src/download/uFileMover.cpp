#include "download/uFileMover.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "core/uTFileUtils.h"

namespace {

// The extension of the last path segment, dot included; empty when there is none.
size_t ExtensionStart(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path.size();
    return dot;
}

bool SameFile(const struct stat& a, const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && info.st_dev == a.st_dev && info.st_ino == a.st_ino;
}

// File systems that cannot give a file a second name: the bytes are copied instead.
bool NeedsCopy(int error) {
    return error == EXDEV || error == EPERM || error == EMLINK || error == EOPNOTSUPP ||
           error == ENOSYS;
}

// Gives the file at `source` the name `target`, never replacing a file there: 0, or why not.
// One call where the file system has such a rename.
int NameWithoutReplacing(const std::string& source, const std::string& target) {
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // Elsewhere a second name first, then the first one goes: the file is never without one.
    if (::link(source.c_str(), target.c_str()) != 0)
        return errno;
    ::unlink(source.c_str());
    return 0;
}

} // namespace

std::string NameCandidate(const std::string& path, int n) {
    if (n == 0)
        return path;
    const size_t dot = ExtensionStart(path);
    return path.substr(0, dot) + std::to_string(n) + path.substr(dot);
}

std::string MoveFileNoReplace(const std::string& source, const std::string& wanted, int candidates,
                              const std::atomic<bool>* stop, bool mayCopy) {
    // Only the plain file the download wrote moves: never a link put in its place.
    struct stat original {};
    if (::lstat(source.c_str(), &original) != 0)
        return {};
    if (!S_ISREG(original.st_mode)) {
        errno = EINVAL;
        return {};
    }
    for (int n = 0; n < candidates; ++n) {
        const std::string target = NameCandidate(wanted, n);
        const int failure = NameWithoutReplacing(source, target);
        if (failure == 0 || SameFile(original, target))
            return target; // moved, or already where it belongs
        if (failure == EEXIST)
            continue;
        if (!NeedsCopy(failure)) {
            errno = failure;
            return {};
        }
        if (!mayCopy) {
            errno = EXDEV;
            return {};
        }
        const std::error_code error = CopyFileNoReplace(source, target, stop);
        if (!error) {
            ::unlink(source.c_str());
            return target;
        }
        errno = error.value();
        if (error.value() != EEXIST)
            return {};
    }
    errno = EEXIST;
    return {};
}

TFileMover::TFileMover(int candidates) : m_candidates(candidates) {}

TFileMover::~TFileMover() {
    {
        std::lock_guard lock(m_lock);
        m_closing = true;
        m_jobs.clear();
    }
    m_stop = true;
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool TFileMover::MovedAtOnce(const std::string& source, const std::string& wanted,
                             const TDone& done) {
    if (m_pending > 0)
        return false;
    const std::string placed = MoveFileNoReplace(source, wanted, m_candidates, nullptr, false);
    const int error = placed.empty() ? errno : 0;
    if (placed.empty() && error == EXDEV)
        return false;
    done(placed, error);
    return true;
}

void TFileMover::Move(const std::string& source, const std::string& wanted, TDone done) {
    // Thousands of small files placed one after another need no thread's turn each.
    if (MovedAtOnce(source, wanted, done))
        return;
    ++m_pending;
    done = [this, done = std::move(done)](const std::string& placed, int error) {
        --m_pending;
        done(placed, error);
    };
    {
        std::lock_guard lock(m_lock);
        m_jobs.push_back({source, wanted, std::move(done)});
    }
    m_changed.notify_all();
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            // No thread to be had: the move runs here, as it would have there.
            TJob job;
            {
                std::lock_guard lock(m_lock);
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            RunJob(job);
        }
    }
}

void TFileMover::Run() {
    for (;;) {
        TJob job;
        {
            std::unique_lock lock(m_lock);
            m_changed.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
            if (m_closing)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        try {
            RunJob(job);
        } catch (...) {
            // Nothing escapes the thread; the download stays unplaced.
        }
    }
}

void TFileMover::RunJob(TJob& job) {
    const std::string placed = MoveFileNoReplace(job.Source, job.Wanted, m_candidates, &m_stop);
    const int error = placed.empty() ? errno : 0;
    HandOver(m_alive, [done = std::move(job.Done), placed, error] { done(placed, error); });
}
