#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <unordered_map>

#include <QObject>
#include <QTimer>

#include "download/uTDownload.h"

// Which downloads run and which wait their turn: at most `atOnce` hold a place at a time, at
// most `perHost` of one host; the others wait in the order they were queued (one that had its
// turn already goes first) and start as places free up, a place whose host is full passed
// over for the next host's song. After the system ran out of descriptors, fewer run for a
// while: what ran then, and one more after each pause until the limit is back. Used on the
// GUI thread.
class TDownloadQueue : public QObject {
    Q_OBJECT
public:
    // What starts a queued download once it has a place: opens its file and starts its
    // transfer, or fails it, or queues it again.
    using TLaunch = std::function<void(TDownload&)>;
    // The listed download of a key; null when it left the list.
    using TFind = std::function<TDownload*(const std::string& key)>;

    static constexpr int kDefaultAtOnce = 6;
    static constexpr int kDefaultPerHost = 2;
    // A download that finds no descriptor while no other download runs (none will free one)
    // tries this many times more, a pause apart, then gives up.
    static constexpr int kLoneShortageTries = 2;

    explicit TDownloadQueue(TFind find, QObject* parent = nullptr);

    void SetLimits(int atOnce, int perHost);
    // How many run at once for now: fewer than the limit for a while after a shortage.
    int RunningLimit() const { return std::min(m_atOnce, m_shortageLimit); }
    // How long a lowered limit holds before it rises by one again.
    std::chrono::milliseconds ShortagePause() const { return m_shortagePause; }

    // Downloads holding a place (their transfer may be winding down), and waiting for one.
    int RunningCount() const { return static_cast<int>(m_places.size()); }
    int QueuedCount() const { return m_queuedCount; }

    // Puts the download in the queue (`first`: before the others).
    void Enqueue(TDownload& download, TLaunch launch, bool first = false);
    // Takes a queued download out of its turn.
    void Drop(TDownload& download);
    // Starts what the limits allow, each with its launch; `started` follows each start.
    void Start();
    // Starts queued downloads once the current event is done.
    void StartLater();
    void FreePlace(const std::string& key);

    // The system had no descriptor for a download whose place was freed: fewer run for a
    // while. False when nothing runs that could free one, and it has been so too often in a
    // row: the download is to give up.
    bool NoteShortage();
    // A transfer holds what it needs: descriptors come and go again.
    void NoteProgress() { m_loneShortages = 0; }

signals:
    // A queued download got its place and was launched.
    void Started(TDownload& download);
    // Before a round of starts: ended transfers may go.
    void AboutToStart();

private:
    struct TQueued {
        std::string Key;
        uint64_t Ticket; // the download's ticket when queued: a later queueing replaces this one
        std::string Host;
        TLaunch Launch;
    };
    // Takes the queue's first download that a place is free for; false when there is none.
    bool TakeNext(TQueued& next);
    bool HostIsFull(const std::string& host) const;
    // A host with entries in the queue has a free place.
    bool SomeHostHasRoom() const;
    std::deque<TQueued>::iterator Erase(std::deque<TQueued>::iterator entry);

    TFind m_find;
    int m_atOnce = kDefaultAtOnce;
    int m_perHost = kDefaultPerHost;
    int m_shortageLimit = std::numeric_limits<int>::max();
    std::chrono::milliseconds m_shortagePause{5000};
    QTimer m_shortageTimer; // raises a lowered limit step by step
    int m_loneShortages = 0;
    std::deque<TQueued> m_queue; // may hold entries of downloads no longer queued
    int m_queuedCount = 0;
    uint64_t m_nextTicket = 1;
    bool m_startDue = false;
    std::unordered_map<std::string, std::string> m_places; // key -> host of each running download
    std::unordered_map<std::string, int> m_hostPlaces;     // host -> its running downloads
    std::unordered_map<std::string, int> m_entriesOfHost;  // host -> its entries in m_queue
};
