#include "download/uTDownloadManager.h"

#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string_view>
#include <system_error>

#include <QCoreApplication>
#include <QTimer>

#include "core/uTFileUtils.h"
#include "net/uCurlRequest.h"
#include "net/uTInet.h"
#include "net/uTransferEngine.h"

TDownloadManager::TDownloadManager(TTransferEngine& transfers, std::string downloadFolder,
                                   std::string incompleteFolder)
    : m_transfers(transfers), m_mover(TFileNames::kMaxCandidates),
      m_relays(kProgressInterval, [this](const TProgressRelay& relay,
                                         const TProgressRelay::Figures& figures) { FiguresArrived(relay, figures); }),
      m_queue([this](const std::string& key) { return Find(key); }) {
    SetFolders(std::move(downloadFolder), std::move(incompleteFolder));
    // Ended transfers go as new ones come: a long queue leaves no trail.
    connect(&m_queue, &TDownloadQueue::AboutToStart, this, &TDownloadManager::PurgeWorkers);
    connect(&m_queue, &TDownloadQueue::BeginNow, this, [this](const std::string& key) {
        if (const int index = m_workers.IndexOf(key); index >= 0)
            m_workers.Objects(index)->Worker->BeginNow();
    });
    connect(&m_queue, &TDownloadQueue::Started, this, [this](TDownload& download) {
        if (!download.Queued)
            emit Changed(download, TDownloadChange::Status);
    });
}

TDownloadManager::~TDownloadManager() {
    blockSignals(true);
    m_queue.blockSignals(true);
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
    m_names.Clear();
    m_downloads.Clear();
}

void TDownloadManager::SetFolders(std::string downloadFolder, std::string incompleteFolder) {
    m_downloadFolder = std::move(downloadFolder);
    m_incompleteFolder = std::move(incompleteFolder);
}

void TDownloadManager::Enqueue(TDownload& download, TLaunch launch, bool first) {
    m_queue.Enqueue(download, std::move(launch), first);
}

std::string TDownloadManager::PartName(const TDownload& download) const {
    return m_incompleteFolder + "/" + SafeFileName(download.FileName);
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
    m_names.Take({}, kept.FilePath);
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

void TDownloadManager::SetFilePath(TDownload& download, const std::string& path) {
    m_names.Take(download.FilePath, path);
    download.FilePath = path;
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

void TDownloadManager::RemoveEmptyOwnFile(TDownload& download) {
    struct stat info {};
    if (download.OwnsFile && (::lstat(download.FilePath.c_str(), &info) != 0 || info.st_size == 0))
        RemoveOwnFile(download);
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
        const std::string wanted = PartName(queued);
        int64_t part = 0;
        if (const int file = continuePart && !m_names.IsTaken(wanted) ? TFileNames::ReopenPart(wanted, 0, true, part) : -1;
            file >= 0) {
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
    m_queue.Start();
    return TDownloadStart::Added;
}

bool TDownloadManager::RestartDownload(const std::string& key) {
    PurgeWorkers();
    TDownload* download = Find(key);
    if (download == nullptr || !download->Failed)
        return false;
    download->SourceNote.clear();
    // A download the program's end stopped goes on from where it was.
    Relaunch(*download, download->Stopped, false);
    return true;
}

void TDownloadManager::Relaunch(TDownload& download, bool sameLink, bool first) {
    RetireWorker(download.Key);
    // The same song from the next site, when there is another: another server's file is
    // not continued.
    sameLink = sameLink || download.Alternatives.empty();
    download.Failed = false;
    download.Cancelled = false;
    download.Stopped = false;
    download.FailReason.clear();
    download.RetryNote.clear();
    download.ToldReceived = -1;
    download.Retries = 0;
    download.Speed = 0;
    if (!sameLink) {
        download.Url = download.Alternatives.front();
        download.Alternatives.erase(download.Alternatives.begin());
        download.Validator.clear();
    }
    if (!sameLink || !download.OwnsFile)
        download.Received = 0;
    download.Progress = download.Size > 0 ? static_cast<int>(download.Received * 100 / download.Size) : 0;
    Enqueue(
        download,
        [this, sameLink](TDownload& queued) {
            // What the file holds of the same link is continued.
            int64_t resumeFrom = 0;
            int file = queued.OwnsFile ? TFileNames::ReopenPart(queued.FilePath, queued.Size, sameLink, resumeFrom) : -1;
            if (file < 0 && queued.OwnsFile && OutOfDescriptors(errno)) {
                WaitForResources(queued);
                return;
            }
            queued.Received = resumeFrom;
            // A file that went with the failure is made anew, named in the incomplete folder
            // from the song's name: a path this download did not make is never written.
            if (file < 0)
                RemoveOwnFile(queued);
            LaunchWithFile(queued, PartName(queued), file, resumeFrom);
        },
        first);
    emit Changed(download, TDownloadChange::Status);
    m_queue.Start();
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
    Enqueue(*download, [this](TDownload& queued) { LaunchWithFile(queued, PartName(queued), -1); });
    emit Changed(*download, TDownloadChange::Status);
    m_queue.Start();
    return true;
}

void TDownloadManager::CancelWaiting(TDownload& download) {
    download.RetryNote.clear();
    m_queue.Drop(download);
    // A file it made and wrote nothing into goes; a part stays for a restart.
    RemoveEmptyOwnFile(download);
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
    return ClearFinishedWhere([](const TDownload&) { return true; });
}

int TDownloadManager::RemoveFinished(const std::vector<std::string>& keys) {
    const std::unordered_set<std::string> chosen(keys.begin(), keys.end());
    return ClearFinishedWhere([&chosen](const TDownload& download) { return chosen.count(download.Key) != 0; });
}

int TDownloadManager::ClearFinishedWhere(const std::function<bool(const TDownload&)>& goes) {
    PurgeWorkers();
    std::vector<TDownload*> going;
    const auto finished = [&goes](const TDownload& download) {
        return download.Status() != TDownload::StatusDownloading && !download.Placing && goes(download);
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
        m_names.Release(download->FilePath);
    }
    FreeLater(m_downloads.TakeIf([&finished](const auto& entry) { return finished(*entry.Object); }));
    return static_cast<int>(going.size());
}

void TDownloadManager::FreeLater(std::vector<std::unique_ptr<TDownload>> records) {
    const bool due = !m_retired.empty();
    std::move(records.begin(), records.end(), std::back_inserter(m_retired));
    if (!due && !m_retired.empty())
        QTimer::singleShot(0, this, &TDownloadManager::FreeSlice);
}

void TDownloadManager::FreeSlice() {
    constexpr size_t kSlice = 1000;
    const size_t keep = m_retired.size() - std::min(m_retired.size(), kSlice);
    m_retired.erase(m_retired.begin() + static_cast<std::ptrdiff_t>(keep), m_retired.end());
    if (!m_retired.empty())
        QTimer::singleShot(0, this, &TDownloadManager::FreeSlice);
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
    // Those that follow another first: the end of the one they follow begins them otherwise.
    for (const bool following : {true, false}) {
        for (const auto& entry : m_workers.Entries()) {
            TDownload* download = Find(entry.Line);
            if (!entry.Object->IsRunning() || (download != nullptr && download->Following) != following)
                continue;
            if (download != nullptr)
                download->Cancelled = true;
            entry.Object->Stop();
        }
    }
}

