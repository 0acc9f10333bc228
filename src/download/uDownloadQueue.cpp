#include "download/uDownloadQueue.h"

#include <algorithm>
#include <cctype>

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
        const TDownload* download = m_find(entry->Key);
        // Cancelled, cleared or queued anew since: this entry is no longer its turn.
        if (download == nullptr || !download->Queued || download->QueueTicket != entry->Ticket) {
            entry = Erase(entry);
            continue;
        }
        next = std::move(*entry);
        Erase(entry);
        return true;
    }
    return false;
}

void TDownloadQueue::Start() {
    // A launch may queue its download again or fail it; listeners may add or cancel
    // downloads meanwhile: the queue is looked at afresh for each one.
    if (RunningCount() < RunningLimit())
        emit AboutToStart();
    TQueued next;
    while (TakeNext(next)) {
        TDownload& download = *m_find(next.Key);
        download.Queued = false;
        --m_queuedCount;
        m_places.emplace(download.Key, next.Host);
        ++m_hostPlaces[next.Host];
        next.Launch(download);
        emit Started(download);
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
            Start();
        },
        Qt::QueuedConnection);
}

void TDownloadQueue::FreePlace(const std::string& key) {
    const auto place = m_places.find(key);
    if (place == m_places.end())
        return;
    if (const auto host = m_hostPlaces.find(place->second);
        host != m_hostPlaces.end() && --host->second <= 0)
        m_hostPlaces.erase(host);
    m_places.erase(place);
    StartLater();
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
