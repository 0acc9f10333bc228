#include "download/uDownloadQueue.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "net/uTInet.h"

namespace {
// The host a download's places are counted by.
std::string HostOf(const std::string& url) {
    std::string host = TInet::ExtractHost(url);
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return host;
}
} // namespace

TDownloadQueue::TDownloadQueue(TFind find, QObject* parent)
    : QObject(parent), m_find(std::move(find)) {
    QObject::connect(&m_shortageTimer, &QTimer::timeout, this, [this] {
        if (++m_shortageLimit >= m_atOnce) {
            m_shortageLimit = std::numeric_limits<int>::max();
            m_shortageTimer.stop();
        }
        Start();
    });
}

void TDownloadQueue::SetLimits(int atOnce, int perHost) {
    m_atOnce = std::max(1, atOnce);
    m_perHost = std::max(1, perHost);
    // Running transfers go on under a lower limit; a higher one lets queued ones start.
    StartLater();
}

void TDownloadQueue::Enqueue(TDownload& download, TLaunch launch, bool first) {
    if (!download.Queued)
        ++m_queuedCount;
    download.Queued = true;
    download.QueueTicket = m_nextTicket++;
    TQueued entry{download.Key, download.QueueTicket, HostOf(download.Url), std::move(launch)};
    ++m_entriesOfHost[entry.Host];
    if (first)
        m_queue.push_front(std::move(entry));
    else
        m_queue.push_back(std::move(entry));
}

void TDownloadQueue::Drop(TDownload& download) {
    if (!download.Queued)
        return;
    download.Queued = false;
    --m_queuedCount;
}

bool TDownloadQueue::HostIsFull(const std::string& host) const {
    const auto places = m_hostPlaces.find(host);
    return places != m_hostPlaces.end() && places->second >= m_perHost;
}

bool TDownloadQueue::SomeHostHasRoom() const {
    return std::any_of(m_entriesOfHost.begin(), m_entriesOfHost.end(),
                       [this](const auto& entries) { return !HostIsFull(entries.first); });
}

std::deque<TDownloadQueue::TQueued>::iterator TDownloadQueue::Erase(std::deque<TQueued>::iterator entry) {
    if (const auto entries = m_entriesOfHost.find(entry->Host); entries != m_entriesOfHost.end() && --entries->second <= 0)
        m_entriesOfHost.erase(entries);
    return m_queue.erase(entry);
}

bool TDownloadQueue::IsTurnOf(const TQueued& entry) const {
    const TDownload* download = m_find(entry.Key);
    // Cancelled, cleared or queued anew since: an entry is no longer its download's turn.
    return download != nullptr && download->Queued && download->QueueTicket == entry.Ticket;
}

bool TDownloadQueue::TakeNext(TQueued& next) {
    // Two thousand songs of one host wait behind its two places without a look at each of
    // them for every start.
    if (RunningCount() >= RunningLimit() || !SomeHostHasRoom())
        return false;
    for (auto entry = m_queue.begin(); entry != m_queue.end();) {
        if (HostIsFull(entry->Host)) {
            ++entry;
            continue;
        }
        if (!IsTurnOf(*entry)) {
            entry = Erase(entry);
            continue;
        }
        next = std::move(*entry);
        Erase(entry);
        return true;
    }
    return false;
}

bool TDownloadQueue::TakeNextOf(const std::string& host, TQueued& next) {
    if (m_entriesOfHost.count(host) == 0)
        return false;
    for (auto entry = m_queue.begin(); entry != m_queue.end();) {
        if (entry->Host != host) {
            ++entry;
        } else if (!IsTurnOf(*entry)) {
            entry = Erase(entry);
        } else {
            next = std::move(*entry);
            Erase(entry);
            return true;
        }
    }
    return false;
}

void TDownloadQueue::Launch(TQueued& next) {
    TDownload& download = *m_find(next.Key);
    download.Queued = false;
    --m_queuedCount;
    next.Launch(download);
    emit Started(download);
}

void TDownloadQueue::Start() {
    // A launch may queue its download again or fail it; listeners may add or cancel
    // downloads meanwhile: the queue is looked at afresh for each one.
    if (RunningCount() < RunningLimit())
        emit AboutToStart();
    TQueued next;
    while (TakeNext(next)) {
        m_places.emplace(next.Key, next.Host);
        ++m_hostPlaces[next.Host];
        Launch(next);
    }
    LaunchFollowers();
}

void TDownloadQueue::LaunchFollowers() {
    // A follower holds its file open while it waits: none while descriptors are short.
    if (m_entriesOfHost.empty() || m_shortageLimit < m_atOnce)
        return;
    std::vector<std::pair<std::string, std::string>> leaders; // key, host
    for (const auto& [key, host] : m_places) {
        if (m_followerOf.count(key) == 0 && m_entriesOfHost.count(host) != 0)
            leaders.emplace_back(key, host);
    }
    TQueued next;
    for (const auto& [leader, host] : leaders) {
        // A launch before may have ended this one, or given it a follower.
        if (m_places.count(leader) == 0 || m_followerOf.count(leader) != 0 || !TakeNextOf(host, next))
            continue;
        m_followerOf[leader] = next.Key;
        m_leaderOf[next.Key] = leader;
        m_find(next.Key)->Following = true;
        Launch(next);
    }
}

void TDownloadQueue::StartLater() {
    if (m_startDue)
        return;
    m_startDue = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_startDue = false;
            // Those that ended meanwhile have told their end already.
            for (const std::string& key : std::exchange(m_promoted, {})) {
                if (TDownload* download = m_find(key); download != nullptr && m_places.count(key) != 0)
                    emit Started(*download);
            }
            Start();
        },
        Qt::QueuedConnection);
}

const std::string* TDownloadQueue::LeaderOf(const std::string& key) const {
    const auto leader = m_leaderOf.find(key);
    return leader == m_leaderOf.end() ? nullptr : &leader->second;
}

bool TDownloadQueue::Unfollow(const std::string& key) {
    const auto leader = m_leaderOf.find(key);
    if (leader == m_leaderOf.end())
        return false;
    m_followerOf.erase(leader->second);
    m_leaderOf.erase(leader);
    if (TDownload* download = m_find(key))
        download->Following = false;
    return true;
}

void TDownloadQueue::FreePlace(const std::string& key) {
    if (Unfollow(key)) {
        // It ended before it began: nothing of its own to free.
        StartLater();
        return;
    }
    const auto place = m_places.find(key);
    if (place == m_places.end())
        return;
    const std::string host = place->second;
    m_places.erase(place);
    // The download that followed on its connection runs now, in its place.
    if (const auto follower = m_followerOf.find(key); follower != m_followerOf.end()) {
        const std::string next = follower->second;
        Unfollow(next);
        m_places.emplace(next, host);
        m_promoted.push_back(next);
    } else {
        if (const auto places = m_hostPlaces.find(host); places != m_hostPlaces.end() && --places->second <= 0)
            m_hostPlaces.erase(places);
        // A follower was taken from the queue before the songs still in it: it goes first.
        PlaceAFollower();
    }
    StartLater();
}

bool TDownloadQueue::PlaceAFollower() {
    if (RunningCount() >= RunningLimit())
        return false;
    for (const auto& [follower, leader] : m_leaderOf) {
        const auto place = m_places.find(leader);
        if (place == m_places.end() || HostIsFull(place->second))
            continue;
        const std::string key = follower;
        const std::string host = place->second;
        Unfollow(key);
        m_places.emplace(key, host);
        ++m_hostPlaces[host];
        m_promoted.push_back(key);
        emit BeginNow(key);
        return true;
    }
    return false;
}

bool TDownloadQueue::NoteShortage() {
    m_loneShortages = RunningCount() == 0 ? m_loneShortages + 1 : 0;
    if (m_loneShortages > kLoneShortageTries)
        return false;
    // What runs now is what the system can hold for a while; none at all when nothing runs.
    m_shortageLimit = std::min(m_shortageLimit, RunningCount());
    m_shortageTimer.start(m_shortagePause);
    return true;
}
