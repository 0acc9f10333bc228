#include "download/uTDownloadManager.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include <QCoreApplication>
#include <QTimer>

#include "net/uAnswers.h"

// A download's runs: from its turn in the queue through its transfer (its figures, a cut
// and its retries, a shortage of descriptors, a server that would not continue) to its file
// placed in the download folder.

namespace {
constexpr const char* kPartGone = QT_TRANSLATE_NOOP("Reasons", "the part that came was removed");
} // namespace

void TDownloadManager::WaitForResources(TDownload& download) {
    m_queue.FreePlace(download.Key);
    RetireWorker(download.Key);
    download.Speed = 0;
    if (!m_queue.NoteShortage()) {
        FailLater(download.Key, ErrorReason(kErrorTooManyFiles));
        return;
    }
    Enqueue(
        download, [this](TDownload& again) { LaunchAgain(again); }, true);
    emit Changed(download, TDownloadChange::Status);
}

void TDownloadManager::LaunchAgain(TDownload& download) {
    int64_t resumeFrom = 0;
    int file = download.OwnsFile
                   ? TFileNames::ReopenPart(download.FilePath, download.Size, true, resumeFrom)
                   : -1;
    if (file < 0 && download.OwnsFile && OutOfDescriptors(errno)) {
        WaitForResources(download);
        return;
    }
    if (file < 0) {
        RemoveOwnFile(download);
        resumeFrom = 0;
    }
    download.Received = resumeFrom;
    LaunchWithFile(download, PartName(download), file, resumeFrom);
}

void TDownloadManager::LaunchWithFile(TDownload& download, const std::string& wanted, int file,
                                      int64_t resumeFrom) {
    if (file < 0) {
        // The name is taken on disk before the transfer starts: its file is made here, so
        // that a second process starting the same name now finds it taken.
        const std::string path = m_names.Reserve(wanted, &file);
        const int madeError = errno;
        if (path.empty() && OutOfDescriptors(madeError)) {
            WaitForResources(download);
            return;
        }
        if (download.FilePath.empty() || !path.empty())
            SetFilePath(download, path.empty() ? wanted : path);
        if (path.empty()) {
            m_queue.FreePlace(download.Key);
            FailLater(download.Key,
                      QCoreApplication::translate("Reasons", "the file could not be made: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(madeError)))
                          .toStdString());
            return;
        }
        download.OwnsFile = true;
    }
    // The transfer writes through the descriptor of the exclusive create.
    StartWorker(download, file, resumeFrom);
}

void TDownloadManager::StartWorker(const TDownload& download, int file, int64_t resumeFrom) {
    auto worker = std::make_unique<TGetFile>(download.Key, m_transfers);
    worker->ResumeFrom = resumeFrom;
    worker->ResumeValidator = download.Validator;
    worker->ResumeUnchecked = download.PartVouchedFor && download.Validator.empty();
    worker->ExpectedTotal = resumeFrom > 0 ? download.Size : 0;
    worker->Worker->StallBytes = m_stallBytes;
    worker->Worker->StallTimeoutMs = static_cast<int>(m_stallWindow.count());
    worker->Worker->After = LeaderTransfer(download.Key);
    // The transfer reports on its engine's thread; records, lists and the page belong to the
    // GUI thread. Progress waits in the relay for the GUI thread to collect it; the end is
    // handed over, by value, after the last figures.
    const TLifelineRef alive = m_alive;
    const std::shared_ptr<TProgressRelay> relay = m_relays.Open(download.Key);
    worker->OnProgress = [relay, transfer = worker.get()](const std::string&, int64_t total,
                                                          int64_t received, int64_t speed) {
        if (!relay->ValidatorWritten) {
            relay->Validator = transfer->Validator;
            relay->ValidatorWritten = true;
        }
        relay->Report({total, received, speed});
    };
    // Raised on the transfer's thread, after it has judged the answer's headers.
    worker->OnError = [this, alive, relay, transfer = worker.get()](const std::string& key,
                                                                    const std::string& reason) {
        HandOver(alive, [this, relay, key, reason,
                         how = TTransferFailure{transfer->StartOver, transfer->Validator,
                                                transfer->Cut, transfer->Shortage, transfer->Stalled}] {
            m_relays.Close(relay);
            WorkerError(key, reason, how);
        });
    };
    worker->OnComplete = [this, alive, relay](const std::string& key) {
        HandOver(alive, [this, relay, key] {
            m_relays.Close(relay);
            WorkerComplete(key);
        });
    };
    TGetFile& started = *worker;
    m_workers.Add(download.Key, std::move(worker));
    started.Start(download.FilePath, download.Url, file);
}

const TInet* TDownloadManager::LeaderTransfer(const std::string& key) const {
    const std::string* leader = m_queue.LeaderOf(key);
    const int index = leader != nullptr ? m_workers.IndexOf(*leader) : -1;
    return index >= 0 && m_workers.Objects(index)->IsRunning() ? m_workers.Objects(index)->Worker.get() : nullptr;
}

void TDownloadManager::FiguresArrived(const TProgressRelay& relay,
                                      const TProgressRelay::Figures& figures) {
    // A download stopped by the program's end is continued from this version only.
    if (TDownload* download = Find(relay.Key); download != nullptr && !relay.Validator.empty())
        download->Validator = relay.Validator;
    WorkerProgress(relay.Key, figures.Total, figures.Received, figures.Speed);
}

bool TDownloadManager::ScheduleRetry(TDownload& download, const std::string& reason) {
    if (download.Retries >= static_cast<int>(m_retryPauses.size()) || !download.OwnsFile)
        return false;
    const std::chrono::milliseconds pause = m_retryPauses[static_cast<size_t>(download.Retries)];
    const int attempt = ++download.Retries;
    RetireWorker(download.Key);
    m_queue.FreePlace(download.Key); // no transfer meanwhile
    download.Speed = 0;
    download.RetryNote = QCoreApplication::translate("Reasons", "retrying in %1 s (%2)")
                             .arg((pause.count() + 999) / 1000)
                             .arg(QString::fromStdString(reason))
                             .toStdString();
    emit Changed(download, TDownloadChange::Status);
    QTimer::singleShot(pause, this, [this, key = download.Key, attempt] { Retry(key, attempt); });
    return true;
}

bool TDownloadManager::TakeNextSource(TDownload& download, const std::string& reason) {
    if (download.Alternatives.empty() || !download.OwnsFile)
        return false;
    download.SourceNote = QCoreApplication::translate("Reasons", "from the next site (the last %1)")
                              .arg(QString::fromStdString(reason))
                              .toStdString();
    // It had its turn: the next site goes before the others, in the place it frees.
    m_queue.FreePlace(download.Key);
    Relaunch(download, false, true);
    return true;
}

void TDownloadManager::Retry(const std::string& key, int attempt) {
    TDownload* download = Find(key);
    // Cancelled, restarted or cleared meanwhile: this try is no longer wanted.
    if (download == nullptr || download->RetryNote.empty() || download->Retries != attempt)
        return;
    download->RetryNote.clear();
    // It had its turn: it goes before the others.
    Enqueue(
        *download,
        [this](TDownload& queued) {
            int64_t resumeFrom = 0;
            const int file = TFileNames::ReopenPart(queued.FilePath, queued.Size, true, resumeFrom);
            if (file < 0 && OutOfDescriptors(errno)) {
                WaitForResources(queued);
                return;
            }
            if (file < 0) {
                m_queue.FreePlace(queued.Key);
                queued.Failed = true;
                queued.FailReason = QCoreApplication::translate("Reasons", kPartGone).toStdString();
                RemoveOwnFile(queued);
                return;
            }
            queued.Received = resumeFrom;
            queued.ToldReceived = -1;
            StartWorker(queued, file, resumeFrom);
        },
        true);
    emit Changed(*download, TDownloadChange::Status);
    m_queue.Start();
}

void TDownloadManager::WorkerProgress(const std::string& key, int64_t totalSize, int64_t received,
                                      int64_t bytesPerSecond) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    m_queue.NoteProgress();
    download->Size = totalSize;
    download->Received = received;
    download->Progress = totalSize > 0
                             ? static_cast<int>(std::floor(static_cast<double>(received) /
                                                           static_cast<double>(totalSize) * 100.0))
                             : 0;
    download->Speed = bytesPerSecond;
    const bool slowNews = received != download->ToldReceived &&
                          m_relays.Round() - download->ToldTick >= kRoundsBetweenFigures;
    if (received - download->ToldReceived >= kFiguresStep || received == totalSize || slowNews) {
        download->ToldReceived = received;
        download->ToldTick = m_relays.Round();
        emit Changed(*download, TDownloadChange::Figures);
    }
}

void TDownloadManager::WorkerError(const std::string& key, const std::string& reason,
                                   const TTransferFailure& how) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    if (!how.Validator.empty())
        download->Validator = how.Validator;
    if (how.Shortage && !download->Cancelled) {
        WaitForResources(*download);
        return;
    }
    if (how.Stalled && !download->Cancelled && TakeNextSource(*download, reason))
        return;
    if (how.Cut && !download->Cancelled && ScheduleRetry(*download, reason))
        return;
    if (how.StartOver && !download->Cancelled && download->OwnsFile) {
        // The server would not continue the file: it is fetched again, whole, at once.
        int64_t kept = 0;
        if (const int file =
                TFileNames::ReopenPart(download->FilePath, download->Size, false, kept);
            file >= 0) {
            RetireWorker(key);
            download->Validator.clear();
            download->Received = 0;
            download->Progress = 0;
            emit Changed(*download, TDownloadChange::Figures);
            StartWorker(*download, file);
            return;
        }
    }
    m_queue.FreePlace(key);
    download->FailReason = reason;
    // What a cut or cancelled transfer wrote stays for a restart to continue; a file it
    // wrote nothing into goes.
    RemoveEmptyOwnFile(*download);
    download->Failed = true;
    download->Speed = 0;
    emit Changed(*download, TDownloadChange::Status);
}

void TDownloadManager::WorkerComplete(const std::string& key) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    m_queue.FreePlace(key); // its placing needs no connection
    // The finished file leaves the incomplete folder for the download folder, under the
    // first free name; a copy across disks runs off this thread.
    const std::string wanted = m_downloadFolder + "/" + SafeFileName(download->FileName);
    download->Placing = true;
    m_mover.Move(download->FilePath, wanted, [this, key](const std::string& placed, int error) {
        FilePlaced(key, placed, error);
    });
}

void TDownloadManager::FilePlaced(const std::string& key, const std::string& placed, int error) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    if (placed.empty() && OutOfDescriptors(error)) {
        // A copy across disks found no descriptor left: it tries again once others ended.
        QTimer::singleShot(m_queue.ShortagePause(), this, [this, key] { WorkerComplete(key); });
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
                ? QCoreApplication::translate(
                      "Reasons", "it could not be put into the download folder: disk full")
                      .toStdString()
                : QCoreApplication::translate("Reasons",
                                              "it could not be put into the download folder")
                      .toStdString();
        download->Speed = 0;
        emit Changed(*download, TDownloadChange::Status);
        return;
    }
    SetFilePath(*download, placed);
    download->OwnsFile = false;
    download->Completed = true;
    download->Cancelled = false; // it came whole before the cancel took
    download->Speed = 0;
    emit Placed(placed, download->Size);
    emit Changed(*download, TDownloadChange::Status);
}
