#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <QObject>

#include "core/uHandOver.h"
#include "core/uTCustomStringList.h"
#include "core/uTSortedStringList.h"
#include "download/uTDownload.h"
#include "download/uTDownloadRequest.h"
#include "download/uFileMover.h"
#include "download/uTGetFile.h"

class QTimer;
class TProgressRelay;
class TTransferEngine;

// A file name made from a web page's title that can only ever name a file inside its folder,
// and that every disk a song may go to (FAT, exFAT, NTFS sticks and players) can hold: path
// separators, NUL and control bytes become "_", the other characters those disks forbid
// (: * ? " < > |) become "-", "." and ".." are refused, and the name stays within 240 bytes
// (room for a number to be added) with its extension kept.
std::string SafeFileName(const std::string& name);

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
    static constexpr int kDefaultAtOnce = 6;
    static constexpr int kDefaultPerHost = 2;
    void SetLimits(int atOnce, int perHost = kDefaultPerHost);
    int AtOnce() const { return m_atOnce; }
    // How many run at once for now: fewer than the limit for a while after the system ran
    // out of descriptors.
    int RunningLimit() const { return std::min(m_atOnce, m_shortageLimit); }
    // How long a lowered limit holds before it rises by one again.
    void SetShortagePause(std::chrono::milliseconds pause) { m_shortagePause = pause; }
    // A download that finds no descriptor while no other download runs (none will free one)
    // tries this many times more, a pause apart, then fails with "too many open files".
    static constexpr int kLoneShortageTries = 2;
    // Downloads holding a place to run (their transfer may be winding down), and waiting for one.
    int RunningCount() const { return static_cast<int>(m_places.size()); }
    int QueuedCount() const { return m_queuedCount; }

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
    // What the content check found in the finished file at `path`, for the downloads that
    // made it.
    void NoteContent(const std::string& path, const std::string& content);
    int Count() const { return m_downloads.Count(); }
    TDownload* Items(int index) const;
    TDownload* Find(const std::string& key) const;
    // The incomplete files the listed downloads own: those running or queued write them, and
    // a cut or stopped one continues its part at a restart. They must stay where they are.
    std::vector<std::string> FilesInUse() const;

    // How many names the free-name search tries before it gives up.
    static constexpr int MaxNameCandidates = 10000;

    // The path, or the first of Base1.ext, Base2.ext ... that names no existing file and no
    // file of a download in the list, made at once, exclusively, so that no other process
    // (a second window, orvalo-cli) can take the same name meanwhile. Empty when no file
    // could be made (errno says why, EEXIST when none of the first MaxNameCandidates is free). With `file`, the made file's descriptor (open for
    // writing) is handed back there; otherwise it is closed.
    std::string ReserveFileName(const std::string& path, int* file = nullptr);
    void PurgeWorkers();
    void KillAll();
    // Whether the transfer of `key` is still running.
    bool WorkerRunning(const std::string& key) const;
    // How many transfers are still running (also those winding down after their end).
    int TransfersRunning() const;

    void WorkerProgress(const std::string& key, int64_t totalSize, int64_t received, int64_t bytesPerSecond);
    void WorkerError(const std::string& key, const std::string& reason, const TTransferFailure& how = {});
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
    // These downloads are about to leave the list; the records are freed right after.
    void AboutToBeRemoved(const std::vector<const TDownload*>& downloads);

private:
    // Fetches an ended download once more; false when it is under way.
    bool FetchAgain(const std::string& key);
    // What starts a queued download once it has a place: opens its file and starts its
    // transfer, or fails it.
    using TLaunch = std::function<void(TDownload&)>;
    struct TQueued {
        std::string Key;
        uint64_t Ticket; // the download's ticket when queued: a later queueing replaces this one
        std::string Host;
        TLaunch Launch;
    };
    // Puts the download in the queue (`first`: before the others, for one that had its turn
    // already) and starts what the limits allow.
    void Enqueue(TDownload& download, TLaunch launch, bool first = false);
    void StartQueued();
    // Starts queued downloads once the current event is done: a place came free.
    void StartQueuedLater();
    // Takes the queue's first download that a place is free for; false when there is none.
    bool TakeNextQueued(TQueued& next);
    void TakePlace(const TDownload& download);
    void FreePlace(const std::string& key);
    // Takes a download out of the queue (or out of its wait for a retry) as cancelled.
    void CancelWaiting(TDownload& download);
    // The system ran out of descriptors for this download: it goes back to the front of the
    // queue, and fewer run at once for a while.
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
    // Waits to continue a cut transfer by itself; false when it has had its tries.
    bool ScheduleRetry(TDownload& download, const std::string& reason);
    void Retry(const std::string& key, int attempt);
    // Opens the file at `path` that a download of a song of `songSize` bytes (0: unknown)
    // made for its transfer: at its end, `size` bytes, when `keep` and it holds part of the
    // song; otherwise emptied (`size` 0). -1 when it is gone or no plain file.
    static int ReopenPart(const std::string& path, int64_t songSize, bool keep, int64_t& size);
    void DeliverProgress();
    void DeliverFresh(TProgressRelay& relay);
    // The transfer has ended: its last figures are delivered, and no more are collected.
    void StopReporting(const std::shared_ptr<TProgressRelay>& relay);
    bool IsTaken(const std::string& path) const;
    TDownload& List(std::unique_ptr<TDownload> download);
    // The transfer of `key`, ended, may still be winding down on its thread: it has told
    // all it will, and loses its key so that a new one can take it; it goes once it has
    // wound down.
    void RetireWorker(const std::string& key);
    // The first free candidate name for `path` from number `first` on (n: its number), or
    // empty after MaxNameCandidates taken ones.
    std::string FreeCandidate(const std::string& path, int first, int& n) const;
    void SetFilePath(TDownload& download, const std::string& path);
    // Raises the error event for a download that could not start, after the caller returns,
    // as a transfer's own failure would.
    void FailLater(const std::string& key, const std::string& reason);
    // A failed download whose file holds part of the song, kept for a restart (a file that
    // came whole but could not be placed is no part).
    static bool HoldsPart(const TDownload& download);
    // Deletes the file in the incomplete folder that the download made, if it is still there.
    void RemoveOwnFile(TDownload& download);
    TSortedStringList<TDownload> m_downloads{TOwnership::Owned}; // key -> record
    TCustomStringList<TGetFile> m_workers;    // key -> transfer, running or not yet purged
    std::string m_downloadFolder;
    std::string m_incompleteFolder;
    int64_t m_nextSerial = 0;
    bool m_keepPartsAtEnd = false;
    std::vector<std::chrono::milliseconds> m_retryPauses{std::chrono::seconds(2), std::chrono::seconds(8),
                                                         std::chrono::seconds(30)};
    int64_t m_round = 0; // collection rounds so far
    // The FilePath of every download in the list, for IsTaken without a scan.
    std::unordered_multiset<std::string> m_takenPaths;
    TTransferEngine& m_transfers;
    TFileMover m_mover; // finished files into the download folder
    std::vector<std::shared_ptr<TProgressRelay>> m_reporting; // transfers not yet ended
    std::unique_ptr<QTimer> m_progressTimer;                    // collects their figures
    int m_atOnce = kDefaultAtOnce;
    int m_perHost = kDefaultPerHost;
    int m_shortageLimit = std::numeric_limits<int>::max();
    std::chrono::milliseconds m_shortagePause{5000};
    std::unique_ptr<QTimer> m_shortageTimer; // raises a lowered limit step by step
    // Shortages met in a row while no other download ran: then nothing of ours can free a
    // descriptor, and after a few tries the download gives up instead of waiting for ever.
    int m_loneShortages = 0;
    std::deque<TQueued> m_queue;              // may hold entries of downloads no longer queued
    int m_queuedCount = 0;
    uint64_t m_nextTicket = 1;
    bool m_startDue = false;
    std::unordered_map<std::string, std::string> m_places; // key -> host of each running download
    std::unordered_map<std::string, int> m_hostPlaces;      // host -> its running downloads
    TLifeline m_alive = MakeLifeline();
};
