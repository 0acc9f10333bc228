#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>

#include "core/uHandOver.h"
#include "core/uTCustomStringList.h"
#include "core/uTRecordList.h"
#include "download/uTDownload.h"
#include "download/uTDownloadRequest.h"
#include "download/uDownloadQueue.h"
#include "download/uFileMover.h"
#include "download/uFileNames.h"
#include "download/uProgressRelay.h"
#include "download/uTGetFile.h"

class TTransferEngine;

// What changed in a download, for those that follow the list.
enum class TDownloadChange {
    Figures, // size, bytes received, speed (a step at a time, not at every block)
    Status,  // started, restarted, complete, failed or cancelled
    Content, // what the finished file was found to hold
};

// How a transfer ended without its file, as the manager judges what comes next.
struct TTransferFailure {
    // The server would not send the rest of the file; it is fetched again whole.
    bool StartOver = false;
    // What named the file's version in the answer (ETag or Last-Modified), when one came.
    std::string Validator;
    // The network cut the transfer short; it continues by itself after a pause, a few
    // times, before it counts as failed.
    bool Cut = false;
    // The system had no descriptor left for it: it waits its turn again.
    bool Shortage = false;
    // The server stopped sending (or sent a trickle): the song's next site is tried at once.
    bool Stalled = false;
};

// The downloads listed (of this run, and those kept from an earlier one): one transfer per
// running download, each written into the incomplete folder under a free name and copied
// under a free name into the download folder once complete. A cut transfer keeps its part
// there for a restart, which continues it. A few transfers run at once, at most two per
// host; the other downloads wait in a queue and start in the order they were queued as
// places free up. They share one transfer engine (a few threads). Any number of listeners
// follow the list through its signals, on the GUI thread, in the order things happen;
// figures come a step at a time while a download runs, and its last ones before its end.
class TDownloadManager : public QObject {
    Q_OBJECT
public:
    // Transfers run on `transfers`, which outlives the manager.
    TDownloadManager(TTransferEngine& transfers, std::string downloadFolder, std::string incompleteFolder);
    TDownloadManager(const TDownloadManager&) = delete;
    TDownloadManager& operator=(const TDownloadManager&) = delete;
    // Ends every transfer at once, without signals and without waiting for the network.
    ~TDownloadManager() override;

    const std::string& DownloadFolder() const { return m_downloadFolder; }
    const std::string& IncompleteFolder() const { return m_incompleteFolder; }
    // Whether the parts of unfinished downloads stay in the incomplete folder when the
    // manager goes, for a later run to continue them; by default they go with it.
    void SetKeepPartsAtEnd(bool keep) { m_keepPartsAtEnd = keep; }
    // Where downloads started from now on go; running ones finish where they are.
    void SetFolders(std::string downloadFolder, std::string incompleteFolder);
    // How many transfers run at once, overall and per host (at least 1 each); queued
    // downloads start when a lower limit leaves room.
    static constexpr int kDefaultAtOnce = TDownloadQueue::kDefaultAtOnce;
    static constexpr int kDefaultPerHost = TDownloadQueue::kDefaultPerHost;
    void SetLimits(int atOnce, int perHost = kDefaultPerHost) { m_queue.SetLimits(atOnce, perHost); }
    // Downloads holding a place to run (their transfer may be winding down), and waiting for one.
    int RunningCount() const { return m_queue.RunningCount(); }
    int QueuedCount() const { return m_queue.QueuedCount(); }

    // Lists and queues the requested download; one listed already and ended is fetched once
    // more, from its link, into a fresh file (what it fetched before stays where it is); one
    // under way is left as it is. Says which it was.
    TDownloadStart Download(const TDownloadRequest& request);
    // Lists a download that does not transfer (one kept from before), as it stands.
    void Keep(std::unique_ptr<TDownload> download);
    // Starts a failed download again, from its next alternative link when it has one;
    // whether it started (false: unknown or not failed). From the same link it continues
    // the bytes already in its file; from another link it starts over.
    bool RestartDownload(const std::string& key);
    // Ends a running download, or takes a queued or waiting one out of its turn: it ends
    // as cancelled.
    void CancelDownload(const std::string& key);
    // Cancels every running, queued and waiting download.
    void CancelAllDownloads();
    // Takes every complete and failed download whose transfer has wound down off the list;
    // how many went.
    int ClearFinished();
    // The same for the downloads of these keys alone (running ones stay).
    int RemoveFinished(const std::vector<std::string>& keys);
    // What the content check found in the finished file at `path`, for the downloads that
    // made it.
    void NoteContent(const std::string& path, const std::string& content);
    int Count() const { return m_downloads.Count(); }
    TDownload* Items(int index) const;
    TDownload* Find(const std::string& key) const;
    // The incomplete files the listed downloads own: those running or queued write them, and
    // a cut or stopped one continues its part at a restart. They must stay where they are.
    std::vector<std::string> FilesInUse() const;

    // The path, or the first free numbered name beside it, made at once and exclusively
    // (see TFileNames::Reserve).
    std::string ReserveFileName(const std::string& path, int* file = nullptr) const {
        return m_names.Reserve(path, file);
    }
    // How many transfers are still running (also those winding down after their end).
    int TransfersRunning() const;

    void WorkerProgress(const std::string& key, int64_t totalSize, int64_t received, int64_t bytesPerSecond);
    void WorkerError(const std::string& key, const std::string& reason, const TTransferFailure& how = {});
    // A transfer that receives fewer than `bytes` in `window` is treated as cut: it frees its
    // place and goes on from the song's next site at once, or, with none left, continues
    // later as a cut transfer does. By default less than 1 KB in 30 s.
    void SetStallLimit(int64_t bytes, std::chrono::milliseconds window) {
        m_stallBytes = bytes;
        m_stallWindow = window;
    }
    // The pauses before the tries of a cut transfer, one per try.
    void SetRetryPauses(std::vector<std::chrono::milliseconds> pauses) { m_retryPauses = std::move(pauses); }
    void WorkerComplete(const std::string& key);
    // The finished file of `key` now lies at `placed` in the download folder (empty: it
    // could not be moved there; `error` says why).
    void FilePlaced(const std::string& key, const std::string& placed, int error);

    // How often the figures of running downloads are collected.
    static constexpr std::chrono::milliseconds kProgressInterval{50};
    // Figures are told every so many bytes (and at the last byte), not at every block, and
    // at least every so many collection rounds while bytes come slowly.
    static constexpr int64_t kFiguresStep = 32768;
    static constexpr int kRoundsBetweenFigures = 20;

signals:
    void Added(const TDownload& download);
    void Changed(const TDownload& download, TDownloadChange what);
    // A download's file arrived whole at `path` in the download folder; it is complete.
    void Placed(const std::string& path, int64_t size);
    // These downloads are about to leave the list; the records are freed right after.
    void AboutToBeRemoved(const std::vector<const TDownload*>& downloads);

private:
    using TLaunch = TDownloadQueue::TLaunch;
    // Fetches an ended download once more; false when it is under way.
    bool FetchAgain(const std::string& key);
    // Puts the download in the queue (`first`: before the others, for one that had its turn
    // already).
    void Enqueue(TDownload& download, TLaunch launch, bool first = false);
    // Takes a download out of the queue (or out of its wait for a retry) as cancelled.
    void CancelWaiting(TDownload& download);
    // The system ran out of descriptors for this download: it goes back to the front of the
    // queue, and fewer run at once for a while; it fails when nothing else runs that could
    // free one, too many times in a row.
    void WaitForResources(TDownload& download);
    // Opens the download's own part (or makes its file) again and starts it: what a
    // download put back in the queue does at its next turn.
    void LaunchAgain(TDownload& download);
    // Starts the transfer once its file is open, or fails the download (or queues it again
    // when descriptors ran out) when no file could be made.
    void LaunchWithFile(TDownload& download, const std::string& wanted, int file, int64_t resumeFrom = 0);
    // `file`: the descriptor of the download's freshly made file, or of its partial file
    // open at its end (`resumeFrom` bytes), or -1.
    void StartWorker(const TDownload& download, int file, int64_t resumeFrom = 0);
    // The transfer of the running download this one was launched to follow; null for none.
    const TInet* LeaderTransfer(const std::string& key) const;
    // Starts the download anew from its next link (`first`: before the queued others); the
    // same link again, continuing its part, when it has no other or when `sameLink`.
    void Relaunch(TDownload& download, bool sameLink, bool first);
    // Leaves a stalled link for the song's next one at once; false when it has no other.
    bool TakeNextSource(TDownload& download, const std::string& reason);
    // Waits to continue a cut transfer by itself; false when it has had its tries.
    bool ScheduleRetry(TDownload& download, const std::string& reason);
    void Retry(const std::string& key, int attempt);
    // New figures of a transfer reached the GUI thread.
    void FiguresArrived(const TProgressRelay& relay, const TProgressRelay::Figures& figures);
    TDownload& List(std::unique_ptr<TDownload> download);
    // The transfer of `key`, ended, may still be winding down on its thread: it has told
    // all it will, and loses its key so that a new one can take it; it goes once it has
    // wound down.
    void RetireWorker(const std::string& key);
    void PurgeWorkers();
    // Takes the complete and failed downloads that `goes` picks off the list; how many went.
    int ClearFinishedWhere(const std::function<bool(const TDownload&)>& goes);
    void KillAll();
    void SetFilePath(TDownload& download, const std::string& path);
    // The incomplete folder's name for the download's file, from the song's name.
    std::string PartName(const TDownload& download) const;
    // Raises the error event for a download that could not start, after the caller returns,
    // as a transfer's own failure would.
    void FailLater(const std::string& key, const std::string& reason);
    // A failed download whose file holds part of the song, kept for a restart (a file that
    // came whole but could not be placed is no part).
    static bool HoldsPart(const TDownload& download);
    // Deletes the file in the incomplete folder that the download made, if it is still there.
    static void RemoveOwnFile(TDownload& download);
    // The same, only when the file holds nothing: a part stays for a restart.
    static void RemoveEmptyOwnFile(TDownload& download);

    // Frees records taken off the list a slice per turn of the event loop: thousands at once
    // would hold the window.
    void FreeLater(std::vector<std::unique_ptr<TDownload>> records);
    void FreeSlice();

    TRecordList<TDownload> m_downloads{TOwnership::Owned}; // key -> record
    std::vector<std::unique_ptr<TDownload>> m_retired;     // taken off, to be freed
    TCustomStringList<TGetFile> m_workers; // key -> transfer, running or not yet purged
    std::string m_downloadFolder;
    std::string m_incompleteFolder;
    int64_t m_nextSerial = 0;
    bool m_keepPartsAtEnd = false;
    int64_t m_stallBytes = 1024;
    std::chrono::milliseconds m_stallWindow{30000};
    std::vector<std::chrono::milliseconds> m_retryPauses{std::chrono::seconds(2), std::chrono::seconds(8),
                                                         std::chrono::seconds(30)};
    TFileNames m_names; // the files of the listed downloads
    TTransferEngine& m_transfers;
    TFileMover m_mover; // finished files into the download folder
    TProgressRelays m_relays;
    TDownloadQueue m_queue;
    TLifeline m_alive = MakeLifeline();
};
