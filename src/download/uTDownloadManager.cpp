#include "download/uTDownloadManager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string_view>
#include <system_error>

#include <QCoreApplication>
#include <QTimer>

#include "core/uTFileUtils.h"
#include "net/uCurlRequest.h"
#include "net/uTInet.h"
#include "net/uTransferEngine.h"

namespace {
constexpr size_t kMaxNameBytes = 240;
constexpr size_t kMaxExtensionBytes = 32;
constexpr const char* kPartGone = QT_TRANSLATE_NOOP("Reasons", "the part that came was removed");

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Makes an empty file under `path`, failing when anything is there already (EEXIST); its
// descriptor, open for writing, or -1.
int CreateExclusively(const std::string& path) {
    if (path.find('\0') != std::string::npos) {
        errno = EINVAL; // the system would make another file than the one named
        return -1;
    }
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}

// The system has no descriptor left (for this process, or at all): a wait, not a failure.
bool OutOfDescriptors(int error) {
    return error == EMFILE || error == ENFILE;
}

// The host a download's places are counted by.
std::string HostOf(const std::string& url) {
    std::string host = TInet::ExtractHost(url);
    std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
    return host;
}
} // namespace

// The newest figures of one transfer, between its thread and the GUI thread. The transfer
// stores them after every block without a lock or a clock; the GUI thread collects them a
// few times a second (the page needs no more), and once more before the transfer's end is
// handled, so the figures never come after the end.
class TProgressRelay {
public:
    struct Figures {
        int64_t Total = 0;
        int64_t Received = 0;
        int64_t Speed = 0;
    };

    explicit TProgressRelay(std::string key) : Key(std::move(key)) {}
    const std::string Key;
    // The answer's validator: written on the transfer's thread before its first figures,
    // read on the GUI thread once figures were taken (their release and acquire order it).
    std::string Validator;
    bool ValidatorWritten = false; // on the transfer's thread only

    // On the transfer's thread.
    void Report(const Figures& figures) {
        m_total.store(figures.Total, std::memory_order_relaxed);
        m_received.store(figures.Received, std::memory_order_relaxed);
        m_speed.store(figures.Speed, std::memory_order_relaxed);
        m_fresh.store(true, std::memory_order_release);
    }
    // On the GUI thread: true, with the figures, when new ones came since the last take.
    bool TakeFresh(Figures& figures) {
        if (!m_fresh.exchange(false, std::memory_order_acquire))
            return false;
        figures = {m_total.load(std::memory_order_relaxed), m_received.load(std::memory_order_relaxed),
                   m_speed.load(std::memory_order_relaxed)};
        return true;
    }

private:
    std::atomic<int64_t> m_total{0};
    std::atomic<int64_t> m_received{0};
    std::atomic<int64_t> m_speed{0};
    std::atomic<bool> m_fresh{false};
};

std::string SafeFileName(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f)
            c = '_';
        else if (std::string_view(":*?\"<>|").find(c) != std::string_view::npos)
            c = '-';
    }
    if (safe.empty() || safe == "." || safe == "..")
        return "download";
    if (safe.size() <= kMaxNameBytes)
        return safe;
    size_t dot = safe.rfind('.');
    if (dot == std::string::npos || dot == 0 || safe.size() - dot > kMaxExtensionBytes)
        dot = safe.size();
    const std::string extension = safe.substr(dot);
    size_t keep = kMaxNameBytes - extension.size();
    // Never cut a character of a multi-byte name in half.
    while (keep > 0 && IsUtf8Continuation(safe[keep]))
        --keep;
    return safe.substr(0, keep) + extension;
}

TDownloadManager::TDownloadManager(TTransferEngine& transfers, std::string downloadFolder,
                                   std::string incompleteFolder)
    : m_transfers(transfers), m_mover(MaxNameCandidates),
      m_progressTimer(std::make_unique<QTimer>()), m_shortageTimer(std::make_unique<QTimer>()) {
    SetFolders(std::move(downloadFolder), std::move(incompleteFolder));
    m_progressTimer->setInterval(kProgressInterval);
    QObject::connect(m_progressTimer.get(), &QTimer::timeout, [this] { DeliverProgress(); });
    // After the system ran out of descriptors, one more runs at once after each pause,
    // until the limit is back.
    QObject::connect(m_shortageTimer.get(), &QTimer::timeout, [this] {
        if (++m_shortageLimit >= m_atOnce) {
            m_shortageLimit = std::numeric_limits<int>::max();
            m_shortageTimer->stop();
        }
        StartQueued();
    });
}

TDownloadManager::~TDownloadManager() {
    blockSignals(true);
    m_progressTimer->stop();
    KillAll();
    // Unless a later run is to continue them, transfers ended by the program's end and the
    // parts kept for a restart leave nothing half-made behind. A file that came whole but
    // could not be placed stays.
    for (int i = 0; !m_keepPartsAtEnd && i < Count(); ++i) {
        TDownload& download = *m_downloads.Objects(i);
        if ((download.Status() == TDownload::StatusDownloading && !download.Placing) || HoldsPart(download))
            RemoveOwnFile(download);
    }
    m_workers.Clear();
    m_takenPaths.clear();
    m_downloads.Clear();
}

void TDownloadManager::SetFolders(std::string downloadFolder, std::string incompleteFolder) {
    m_downloadFolder = std::move(downloadFolder);
    m_incompleteFolder = std::move(incompleteFolder);
}

void TDownloadManager::SetLimits(int atOnce, int perHost) {
    m_atOnce = std::max(1, atOnce);
    m_perHost = std::max(1, perHost);
    // Running transfers go on under a lower limit; a higher one lets queued ones start.
    StartQueuedLater();
}

void TDownloadManager::Enqueue(TDownload& download, TLaunch launch, bool first) {
    if (!download.Queued)
        ++m_queuedCount;
    download.Queued = true;
    download.QueueTicket = m_nextTicket++;
    TQueued entry{download.Key, download.QueueTicket, HostOf(download.Url), std::move(launch)};
    if (first)
        m_queue.push_front(std::move(entry));
    else
        m_queue.push_back(std::move(entry));
}

bool TDownloadManager::TakeNextQueued(TQueued& next) {
    if (RunningCount() >= RunningLimit())
        return false;
    for (auto entry = m_queue.begin(); entry != m_queue.end();) {
        const TDownload* download = Find(entry->Key);
        // Cancelled, cleared or queued anew since: this entry is no longer its turn.
        if (download == nullptr || !download->Queued || download->QueueTicket != entry->Ticket) {
            entry = m_queue.erase(entry);
            continue;
        }
        if (const auto host = m_hostPlaces.find(entry->Host); host != m_hostPlaces.end() && host->second >= m_perHost) {
            ++entry;
            continue;
        }
        next = std::move(*entry);
        m_queue.erase(entry);
        return true;
    }
    return false;
}

void TDownloadManager::StartQueued() {
    // A launch may queue its download again or fail it; listeners may add or cancel
    // downloads meanwhile: the queue is looked at afresh for each one.
    if (RunningCount() < RunningLimit())
        PurgeWorkers(); // ended transfers go as new ones come: a long queue leaves no trail
    TQueued next;
    while (TakeNextQueued(next)) {
        TDownload& download = *Find(next.Key);
        download.Queued = false;
        --m_queuedCount;
        m_places.emplace(download.Key, next.Host);
        ++m_hostPlaces[next.Host];
        next.Launch(download);
        if (!download.Queued)
            emit Changed(download, TDownloadChange::Status);
    }
}

void TDownloadManager::StartQueuedLater() {
    if (m_startDue)
        return;
    m_startDue = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_startDue = false;
            StartQueued();
        },
        Qt::QueuedConnection);
}

void TDownloadManager::FreePlace(const std::string& key) {
    const auto place = m_places.find(key);
    if (place == m_places.end())
        return;
    if (const auto host = m_hostPlaces.find(place->second); host != m_hostPlaces.end() && --host->second <= 0)
        m_hostPlaces.erase(host);
    m_places.erase(place);
    StartQueuedLater();
}

void TDownloadManager::WaitForResources(TDownload& download) {
    FreePlace(download.Key);
    RetireWorker(download.Key);
    download.Speed = 0;
    m_loneShortages = RunningCount() == 0 ? m_loneShortages + 1 : 0;
    if (m_loneShortages > kLoneShortageTries) {
        FailLater(download.Key, ErrorReason(kErrorTooManyFiles));
        return;
    }
    Enqueue(download, [this](TDownload& again) { LaunchAgain(again); }, true);
    // What runs now is what the system can hold for a while; none at all when nothing runs.
    m_shortageLimit = std::min(m_shortageLimit, RunningCount());
    m_shortageTimer->start(m_shortagePause);
    emit Changed(download, TDownloadChange::Status);
}

void TDownloadManager::LaunchAgain(TDownload& download) {
    int64_t resumeFrom = 0;
    int file = download.OwnsFile ? ReopenPart(download.FilePath, download.Size, true, resumeFrom) : -1;
    if (file < 0 && download.OwnsFile && OutOfDescriptors(errno)) {
        WaitForResources(download);
        return;
    }
    if (file < 0) {
        RemoveOwnFile(download);
        resumeFrom = 0;
    }
    download.Received = resumeFrom;
    LaunchWithFile(download, m_incompleteFolder + "/" + SafeFileName(download.FileName), file, resumeFrom);
}

void TDownloadManager::LaunchWithFile(TDownload& download, const std::string& wanted, int file, int64_t resumeFrom) {
    if (file < 0) {
        // The name is taken on disk before the transfer starts: its file is made here, so
        // that a second process starting the same name now finds it taken.
        const std::string path = ReserveFileName(wanted, &file);
        const int madeError = errno;
        if (path.empty() && OutOfDescriptors(madeError)) {
            WaitForResources(download);
            return;
        }
        if (download.FilePath.empty() || !path.empty())
            SetFilePath(download, path.empty() ? wanted : path);
        if (path.empty()) {
            FreePlace(download.Key);
            FailLater(download.Key, QCoreApplication::translate("Reasons", "the file could not be made: %1")
                                        .arg(QString::fromLocal8Bit(std::strerror(madeError)))
                                        .toStdString());
            return;
        }
        download.OwnsFile = true;
    }
    // The transfer writes through the descriptor of the exclusive create.
    StartWorker(download, file, resumeFrom);
}

TDownload* TDownloadManager::Items(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_downloads.Objects(index);
}

TDownload* TDownloadManager::Find(const std::string& key) const {
    const int index = m_downloads.IndexOf(key);
    return index < 0 ? nullptr : m_downloads.Objects(index);
}

int TDownloadManager::TransfersRunning() const {
    int running = 0;
    for (const auto& entry : m_workers.Entries())
        running += entry.Object->IsRunning() ? 1 : 0;
    return running;
}

void TDownloadManager::RetireWorker(const std::string& key) {
    if (const int worker = m_workers.IndexOf(key); worker >= 0)
        m_workers.SetString(worker, std::string());
}

bool TDownloadManager::WorkerRunning(const std::string& key) const {
    const int index = m_workers.IndexOf(key);
    return index >= 0 && m_workers.Objects(index)->IsRunning();
}

TDownload& TDownloadManager::List(std::unique_ptr<TDownload> download) {
    download->Serial = m_nextSerial++;
    TDownload& listed = *download;
    m_downloads.Add(listed.Key, download.release());
    return listed;
}

void TDownloadManager::Keep(std::unique_ptr<TDownload> download) {
    if (m_downloads.IndexOf(download->Key) >= 0)
        return;
    TDownload& kept = List(std::move(download));
    m_takenPaths.insert(kept.FilePath);
    emit Added(kept);
}

std::vector<std::string> TDownloadManager::FilesInUse() const {
    std::vector<std::string> files;
    for (int i = 0; i < Count(); ++i) {
        const TDownload& download = *m_downloads.Objects(i);
        if (download.OwnsFile && (download.Status() == TDownload::StatusDownloading || HoldsPart(download)))
            files.push_back(download.FilePath);
    }
    return files;
}

bool TDownloadManager::IsTaken(const std::string& path) const {
    // A download whose file is gone (deleted by hand) keeps its name spoken for all the
    // same: it makes the file anew at its next write.
    return m_takenPaths.count(path) > 0;
}

void TDownloadManager::SetFilePath(TDownload& download, const std::string& path) {
    if (const auto old = m_takenPaths.find(download.FilePath); old != m_takenPaths.end())
        m_takenPaths.erase(old);
    download.FilePath = path;
    m_takenPaths.insert(path);
}

std::string TDownloadManager::FreeCandidate(const std::string& path, int first, int& n) const {
    // A bound, because a folder that answers "exists" for every name would keep the
    // search going for ever.
    for (n = first; n < first + MaxNameCandidates; ++n) {
        std::string candidate = NameCandidate(path, n);
        if (!IsTaken(candidate))
            return candidate;
    }
    return {};
}

std::string TDownloadManager::ReserveFileName(const std::string& path, int* file) {
    // The first free name wins, as on any start. The names of this run's downloads are
    // passed over in memory; the exclusive create asks the disk, and a name taken there
    // (by hand, by another process) sends the search on past it.
    int next = 0;
    for (int tried = 0; tried < MaxNameCandidates; ++tried) {
        int n = 0;
        std::string candidate = FreeCandidate(path, next, n);
        if (candidate.empty())
            break;
        next = n + 1;
        if (const int fd = CreateExclusively(candidate); fd >= 0) {
            if (file != nullptr)
                *file = fd;
            else
                ::close(fd);
            return candidate;
        }
        if (errno != EEXIST) // no folder, no right to write, no descriptor left
            return {};
    }
    errno = EEXIST;
    return {};
}

bool TDownloadManager::HoldsPart(const TDownload& download) {
    return download.Failed && download.OwnsFile && !(download.Size > 0 && download.Received == download.Size);
}

void TDownloadManager::RemoveOwnFile(TDownload& download) {
    struct stat info {};
    if (download.OwnsFile && ::lstat(download.FilePath.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        ::unlink(download.FilePath.c_str());
    download.OwnsFile = false;
}

void TDownloadManager::FailLater(const std::string& key, const std::string& reason) {
    HandOver(m_alive, [this, key, reason] { WorkerError(key, reason); });
}

void TDownloadManager::PurgeWorkers() {
    for (int i = m_workers.Count() - 1; i >= 0; --i) {
        if (!m_workers.Objects(i)->IsRunning())
            m_workers.Delete(i);
    }
}

void TDownloadManager::KillAll() {
    for (const auto& entry : m_workers.Entries())
        entry.Object->Kill();
}

TDownloadStart TDownloadManager::Download(const TDownloadRequest& request) {
    PurgeWorkers();
    if (m_downloads.IndexOf(request.Key) >= 0)
        return FetchAgain(request.Key) ? TDownloadStart::FetchedAgain : TDownloadStart::UnderWay;
    auto download = std::make_unique<TDownload>(request.Key, request.FileName, request.Size);
    download->Url = request.Url;
    download->Alternatives = request.Alternatives;
    TDownload& added = List(std::move(download));
    const bool continuePart = request.ContinuePart;
    // Its file is made when its turn comes: a queued download holds no descriptor.
    Enqueue(added, [this, continuePart](TDownload& queued) {
        const std::string wanted = m_incompleteFolder + "/" + SafeFileName(queued.FileName);
        int64_t part = 0;
        if (const int file = continuePart && !IsTaken(wanted) ? ReopenPart(wanted, 0, true, part) : -1; file >= 0) {
            SetFilePath(queued, wanted);
            queued.OwnsFile = true;
            queued.PartVouchedFor = true;
            queued.Received = part;
            StartWorker(queued, file, part);
            return;
        }
        LaunchWithFile(queued, wanted, -1);
    });
    emit Added(added);
    StartQueued();
    return TDownloadStart::Added;
}

bool TDownloadManager::RestartDownload(const std::string& key) {
    PurgeWorkers();
    TDownload* download = Find(key);
    if (download == nullptr || !download->Failed)
        return false;
    RetireWorker(key);
    // The same song from the next site, when there is another: another server's file is
    // not continued. A download the program's end stopped goes on from where it was.
    const bool sameLink = download->Alternatives.empty() || download->Stopped;
    download->Failed = false;
    download->Cancelled = false;
    download->Stopped = false;
    download->FailReason.clear();
    download->ToldReceived = -1;
    download->Retries = 0;
    if (!sameLink) {
        download->Url = download->Alternatives.front();
        download->Alternatives.erase(download->Alternatives.begin());
        download->Validator.clear();
    }
    if (!sameLink || !download->OwnsFile)
        download->Received = 0;
    download->Progress = download->Size > 0 ? static_cast<int>(download->Received * 100 / download->Size) : 0;
    Enqueue(*download, [this, sameLink](TDownload& queued) {
        // What the file holds of the same link is continued.
        int64_t resumeFrom = 0;
        int file = queued.OwnsFile ? ReopenPart(queued.FilePath, queued.Size, sameLink, resumeFrom) : -1;
        if (file < 0 && queued.OwnsFile && OutOfDescriptors(errno)) {
            WaitForResources(queued);
            return;
        }
        queued.Received = resumeFrom;
        // A file that went with the failure is made anew, named in the incomplete folder
        // from the song's name: a path this download did not make is never written.
        if (file < 0)
            RemoveOwnFile(queued);
        LaunchWithFile(queued, m_incompleteFolder + "/" + SafeFileName(queued.FileName), file, resumeFrom);
    });
    emit Changed(*download, TDownloadChange::Status);
    StartQueued();
    return true;
}

int TDownloadManager::ReopenPart(const std::string& path, int64_t songSize, bool keep, int64_t& size) {
    size = 0;
    // Only the plain file this download made, never through a link put in its place, and
    // never waiting on a pipe.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return -1;
    }
    // A file as large as the song or larger holds nothing that is missing: it starts over.
    const bool part = info.st_size > 0 && (songSize <= 0 || info.st_size < songSize);
    if (keep && part && ::lseek(fd, 0, SEEK_END) == info.st_size) {
        size = info.st_size;
        return fd;
    }
    if (::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool TDownloadManager::FetchAgain(const std::string& key) {
    TDownload* download = Find(key);
    if (download == nullptr || download->Placing || download->Status() == TDownload::StatusDownloading)
        return false;
    RetireWorker(key);
    RemoveOwnFile(*download);
    download->Failed = false;
    download->Completed = false;
    download->Cancelled = false;
    download->Stopped = false;
    download->FailReason.clear();
    download->Content.clear();
    download->Received = 0;
    download->Progress = 0;
    download->Speed = 0;
    download->ToldReceived = -1;
    download->Retries = 0;
    Enqueue(*download, [this](TDownload& queued) {
        LaunchWithFile(queued, m_incompleteFolder + "/" + SafeFileName(queued.FileName), -1);
    });
    emit Changed(*download, TDownloadChange::Status);
    StartQueued();
    return true;
}

void TDownloadManager::StartWorker(const TDownload& download, int file, int64_t resumeFrom) {
    auto worker = std::make_unique<TGetFile>(download.Key, m_transfers);
    worker->ResumeFrom = resumeFrom;
    worker->ResumeValidator = download.Validator;
    worker->ResumeUnchecked = download.PartVouchedFor && download.Validator.empty();
    worker->ExpectedTotal = resumeFrom > 0 ? download.Size : 0;
    // The transfer reports on its engine's thread; records, lists and the page belong to the
    // GUI thread. Progress waits in the relay for the GUI thread to collect it; the end is
    // handed over, by value, after the last figures.
    const TLifelineRef alive = m_alive;
    auto relay = std::make_shared<TProgressRelay>(download.Key);
    worker->OnProgress = [relay, transfer = worker.get()](const std::string&, int64_t total, int64_t received,
                                                         int64_t speed) {
        if (!relay->ValidatorWritten) {
            relay->Validator = transfer->Validator;
            relay->ValidatorWritten = true;
        }
        relay->Report({total, received, speed});
    };
    // Raised on the transfer's thread, after it has judged the answer's headers.
    worker->OnError = [this, alive, relay, transfer = worker.get()](const std::string& key, const std::string& reason) {
        HandOver(alive, [this, relay, key, reason,
                         how = TTransferFailure{transfer->StartOver, transfer->Validator, transfer->Cut,
                                                transfer->Shortage}] {
            StopReporting(relay);
            WorkerError(key, reason, how);
        });
    };
    worker->OnComplete = [this, alive, relay](const std::string& key) {
        HandOver(alive, [this, relay, key] {
            StopReporting(relay);
            WorkerComplete(key);
        });
    };
    m_reporting.push_back(relay);
    if (!m_progressTimer->isActive())
        m_progressTimer->start();
    TGetFile& started = *worker;
    m_workers.Add(download.Key, std::move(worker));
    started.Start(download.FilePath, download.Url, file);
}

void TDownloadManager::DeliverFresh(TProgressRelay& relay) {
    TProgressRelay::Figures figures;
    if (!relay.TakeFresh(figures))
        return;
    // A download stopped by the program's end is continued from this version only.
    if (TDownload* download = Find(relay.Key); download != nullptr && !relay.Validator.empty())
        download->Validator = relay.Validator;
    WorkerProgress(relay.Key, figures.Total, figures.Received, figures.Speed);
}

void TDownloadManager::DeliverProgress() {
    ++m_round;
    // A handler may start or end downloads: the list is walked by position, as it stands.
    for (size_t i = 0; i < m_reporting.size(); ++i) {
        const std::shared_ptr<TProgressRelay> relay = m_reporting[i];
        DeliverFresh(*relay);
    }
}

void TDownloadManager::StopReporting(const std::shared_ptr<TProgressRelay>& relay) {
    DeliverFresh(*relay);
    const auto found = std::find(m_reporting.begin(), m_reporting.end(), relay);
    if (found != m_reporting.end()) {
        *found = std::move(m_reporting.back());
        m_reporting.pop_back();
    }
    if (m_reporting.empty())
        m_progressTimer->stop();
}

bool TDownloadManager::ScheduleRetry(TDownload& download, const std::string& reason) {
    if (download.Retries >= static_cast<int>(m_retryPauses.size()) || !download.OwnsFile)
        return false;
    const std::chrono::milliseconds pause = m_retryPauses[static_cast<size_t>(download.Retries)];
    const int attempt = ++download.Retries;
    RetireWorker(download.Key);
    FreePlace(download.Key); // no transfer meanwhile
    download.Speed = 0;
    download.RetryNote = QCoreApplication::translate("Reasons", "retrying in %1 s (%2)")
                             .arg((pause.count() + 999) / 1000)
                             .arg(QString::fromStdString(reason))
                             .toStdString();
    emit Changed(download, TDownloadChange::Status);
    QTimer::singleShot(pause, this, [this, key = download.Key, attempt] { Retry(key, attempt); });
    return true;
}

void TDownloadManager::Retry(const std::string& key, int attempt) {
    TDownload* download = Find(key);
    // Cancelled, restarted or cleared meanwhile: this try is no longer wanted.
    if (download == nullptr || download->RetryNote.empty() || download->Retries != attempt)
        return;
    download->RetryNote.clear();
    // It had its turn: it goes before the others.
    Enqueue(*download, [this](TDownload& queued) {
        int64_t resumeFrom = 0;
        const int file = ReopenPart(queued.FilePath, queued.Size, true, resumeFrom);
        if (file < 0 && OutOfDescriptors(errno)) {
            WaitForResources(queued);
            return;
        }
        if (file < 0) {
            FreePlace(queued.Key);
            queued.Failed = true;
            queued.FailReason = QCoreApplication::translate("Reasons", kPartGone).toStdString();
            RemoveOwnFile(queued);
            return;
        }
        queued.Received = resumeFrom;
        queued.ToldReceived = -1;
        StartWorker(queued, file, resumeFrom);
    }, true);
    emit Changed(*download, TDownloadChange::Status);
    StartQueued();
}

void TDownloadManager::CancelWaiting(TDownload& download) {
    download.RetryNote.clear();
    if (download.Queued) {
        download.Queued = false;
        --m_queuedCount;
    }
    // A file it made and wrote nothing into goes; a part stays for a restart.
    struct stat info {};
    if (download.OwnsFile && (::lstat(download.FilePath.c_str(), &info) != 0 || info.st_size == 0))
        RemoveOwnFile(download);
    download.Cancelled = true;
    download.Failed = true;
    download.FailReason = QCoreApplication::translate("Reasons", "cancelled").toStdString();
    emit Changed(download, TDownloadChange::Status);
}

void TDownloadManager::CancelDownload(const std::string& key) {
    if (TDownload* waiting = Find(key); waiting != nullptr && (!waiting->RetryNote.empty() || waiting->Queued)) {
        CancelWaiting(*waiting);
        return;
    }
    const int index = m_workers.IndexOf(key);
    if (index < 0 || !m_workers.Objects(index)->IsRunning())
        return;
    if (TDownload* download = Find(key))
        download->Cancelled = true;
    m_workers.Objects(index)->Stop();
}

int TDownloadManager::ClearFinished() {
    PurgeWorkers();
    std::vector<TDownload*> going;
    const auto finished = [](const TDownload& download) {
        return download.Status() != TDownload::StatusDownloading && !download.Placing;
    };
    for (int i = 0; i < Count(); ++i) {
        if (finished(*m_downloads.Objects(i)))
            going.push_back(m_downloads.Objects(i));
    }
    if (going.empty())
        return 0;
    emit AboutToBeRemoved(std::vector<const TDownload*>(going.begin(), going.end()));
    for (TDownload* download : going) {
        RetireWorker(download->Key);
        // Nothing can continue a part any more.
        if (HoldsPart(*download))
            RemoveOwnFile(*download);
        if (const auto path = m_takenPaths.find(download->FilePath); path != m_takenPaths.end())
            m_takenPaths.erase(path);
    }
    m_downloads.DeleteIf([&finished](const auto& entry) { return finished(*entry.Object); });
    return static_cast<int>(going.size());
}

void TDownloadManager::NoteContent(const std::string& path, const std::string& content) {
    for (int i = 0; i < Count(); ++i) {
        TDownload& download = *m_downloads.Objects(i);
        if (download.Completed && download.FilePath == path && download.Content != content) {
            download.Content = content;
            emit Changed(download, TDownloadChange::Content);
        }
    }
}

void TDownloadManager::CancelAllDownloads() {
    for (int i = 0; i < Count(); ++i) {
        if (!m_downloads.Objects(i)->RetryNote.empty() || m_downloads.Objects(i)->Queued)
            CancelWaiting(*m_downloads.Objects(i));
    }
    for (const auto& entry : m_workers.Entries()) {
        if (!entry.Object->IsRunning())
            continue;
        if (TDownload* download = Find(entry.Line))
            download->Cancelled = true;
        entry.Object->Stop();
    }
}

void TDownloadManager::WorkerProgress(const std::string& key, int64_t totalSize, int64_t received,
                                      int64_t bytesPerSecond) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    m_loneShortages = 0; // a transfer holds what it needs: descriptors come and go again
    download->Size = totalSize;
    download->Received = received;
    download->Progress = totalSize > 0
                             ? static_cast<int>(std::floor(static_cast<double>(received) / static_cast<double>(totalSize) * 100.0))
                             : 0;
    download->Speed = bytesPerSecond;
    const bool slowNews = received != download->ToldReceived && m_round - download->ToldTick >= kRoundsBetweenFigures;
    if (received - download->ToldReceived >= kFiguresStep || received == totalSize || slowNews) {
        download->ToldReceived = received;
        download->ToldTick = m_round;
        emit Changed(*download, TDownloadChange::Figures);
    }
}

void TDownloadManager::WorkerError(const std::string& key, const std::string& reason, const TTransferFailure& how) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    if (!how.Validator.empty())
        download->Validator = how.Validator;
    if (how.Shortage && !download->Cancelled) {
        WaitForResources(*download);
        return;
    }
    if (how.Cut && !download->Cancelled && ScheduleRetry(*download, reason))
        return;
    if (how.StartOver && !download->Cancelled && download->OwnsFile) {
        // The server would not continue the file: it is fetched again, whole, at once.
        int64_t kept = 0;
        if (const int file = ReopenPart(download->FilePath, download->Size, false, kept); file >= 0) {
            RetireWorker(key);
            download->Validator.clear();
            download->Received = 0;
            download->Progress = 0;
            emit Changed(*download, TDownloadChange::Figures);
            StartWorker(*download, file);
            return;
        }
    }
    FreePlace(key);
    download->FailReason = reason;
    // What a cut or cancelled transfer wrote stays for a restart to continue; a file it
    // wrote nothing into goes.
    struct stat info {};
    if (download->OwnsFile && (::lstat(download->FilePath.c_str(), &info) != 0 || info.st_size == 0))
        RemoveOwnFile(*download);
    download->Failed = true;
    download->Speed = 0;
    emit Changed(*download, TDownloadChange::Status);
}

void TDownloadManager::WorkerComplete(const std::string& key) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    FreePlace(key); // its placing needs no connection
    // The finished file leaves the incomplete folder for the download folder, under the
    // first free name; a copy across disks runs off this thread.
    const std::string wanted = m_downloadFolder + "/" + SafeFileName(download->FileName);
    download->Placing = true;
    m_mover.Move(download->FilePath, wanted,
                 [this, key](const std::string& placed, int error) { FilePlaced(key, placed, error); });
}

void TDownloadManager::FilePlaced(const std::string& key, const std::string& placed, int error) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    if (placed.empty() && OutOfDescriptors(error)) {
        // A copy across disks found no descriptor left: it tries again once others ended.
        QTimer::singleShot(m_shortagePause, this, [this, key] { WorkerComplete(key); });
        return;
    }
    download->Placing = false;
    if (placed.empty()) {
        // A file that could not be put whole into the download folder (a full disk, a
        // folder gone) is no completed download: it stays in the incomplete folder for a
        // restart.
        download->Failed = true;
        download->FailReason =
            error == ENOSPC
                ? QCoreApplication::translate("Reasons", "it could not be put into the download folder: disk full")
                      .toStdString()
                : QCoreApplication::translate("Reasons", "it could not be put into the download folder").toStdString();
        download->Speed = 0;
        emit Changed(*download, TDownloadChange::Status);
        return;
    }
    SetFilePath(*download, placed);
    download->OwnsFile = false;
    download->Completed = true;
    download->Cancelled = false; // it came whole before the cancel took
    download->Speed = 0;
    emit Changed(*download, TDownloadChange::Status);
}
