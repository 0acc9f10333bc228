#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

#include <QObject>
#include <QTimer>

#include "download/uTDownload.h"

// Which downloads run and which wait their turn: at most `atOnce` hold a place at a time, at
// most `perHost` of one host; the others wait in the order they were queued (one that had its
// turn already goes first) and start as places free up, a place whose host is full passed
// over for the next host's song. Behind each running download, the next song of its host
// that found no place is launched already, to begin on that download's connection the moment
// it ends (its transfer thread starts it, not this one); it then holds that place. After the
// system ran out of descriptors, fewer run for a while: what ran then, and one more after
// each pause until the limit is back. Used on the GUI thread.
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

    // Downloads holding a place (their transfer may be winding down), and waiting for one:
    // queued, or following a running one.
    int RunningCount() const { return static_cast<int>(m_places.size()); }
    int QueuedCount() const { return m_queuedCount + static_cast<int>(m_leaderOf.size()); }

    // Puts the download in the queue (`first`: before the others).
    void Enqueue(TDownload& download, TLaunch launch, bool first = false);
    // Takes a queued download out of its turn.
    void Drop(TDownload& download);
    // Starts what the limits allow, each with its launch; `started` follows each start.
    void Start();
    // Starts queued downloads once the current event is done.
    void StartLater();
    // The download's transfer ended (or never began): its place goes to the download that
    // followed it, if any, else to the queue.
    void FreePlace(const std::string& key);
    // The running download a launched one follows on its connection; null for others.
    const std::string* LeaderOf(const std::string& key) const;

    // The system had no descriptor for a download whose place was freed: fewer run for a
    // while. False when nothing runs that could free one, and it has been so too often in a
    // row: the download is to give up.
    bool NoteShortage();
    // A transfer holds what it needs: descriptors come and go again.
    void NoteProgress() { m_loneShortages = 0; }

signals:
    // A queued download got its place and was launched, or one that followed another took
    // the place that one left.
    void Started(TDownload& download);
    // Before a round of starts: ended transfers may go.
    void AboutToStart();
    // A download launched to follow another took a place that came free elsewhere: its
    // transfer is to begin now, not when the one it followed ends.
    void BeginNow(const std::string& key);

private:
    struct TQueued {
        std::string Key;
        uint64_t Ticket; // the download's ticket when queued: a later queueing replaces this one
        std::string Host;
        TLaunch Launch;
    };
    // Takes the queue's first download that a place is free for; false when there is none.
    bool IsTurnOf(const TQueued& entry) const;
    bool TakeNext(TQueued& next);
    // Takes the queue's first download of the host; false when there is none.
    bool TakeNextOf(const std::string& host, TQueued& next);
    // Launches, behind each running download with none yet, the next one of its host that
    // found no place, to begin on its connection when it ends.
    void LaunchFollowers();
    void Launch(TQueued& next);
    // Ends the link of a follower to its leader; false when the key follows none.
    bool Unfollow(const std::string& key);
    // Gives a free place to a follower whose host has room; false when there is none.
    bool PlaceAFollower();
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
    std::unordered_map<std::string, std::string> m_followerOf; // running key -> key launched to follow it
    std::unordered_map<std::string, std::string> m_leaderOf;   // and back
    std::vector<std::string> m_promoted; // followers that took a place, to be told at the next start
};
