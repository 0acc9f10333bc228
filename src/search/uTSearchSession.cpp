#include "search/uTSearchSession.h"

#include <algorithm>
#include <unordered_set>
#include <utility>


#include "core/uTStringList.h"
#include "core/uTStringUtils.h"
#include "search/uDownloadChoice.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"
#include "search/uTVerificationManager.h"

TSearchSession::TSearchSession(TSearchManager& engines, TVerificationManager& checks,
                               TSearchResultManager& results, const TStringList& engineList,
                               QObject* parent)
    : QObject(parent), m_engines(engines), m_checks(checks), m_results(results),
      m_engineList(engineList) {
    LoadEngineNames();
    // The managers may outlive the session (the window goes after them at shutdown, tests
    // go either way): the connections go with whichever goes first.
    connect(&m_engines, &TSearchManager::ResultFound, this, &TSearchSession::ResultFound);
    connect(&m_engines, &TSearchManager::EngineDone, this, &TSearchSession::EngineEnded);
    connect(&m_engines, &TSearchManager::SearchDone, this, &TSearchSession::SearchEnded);
    connect(&m_checks, &TVerificationManager::LinkFailed, this,
            [this](const std::string& link, const std::string& reason) {
                LinkChecked(link, TSearchResult::Failed, 0, reason);
            });
    connect(&m_checks, &TVerificationManager::LinkJudged, this,
            [this](const std::string& link, const TContentVerdict& content) {
                if (const int index = m_results.IndexOfKey(link); index >= 0 && !m_cancelled)
                    m_results.Item(index)->Content = content;
            });
    connect(&m_checks, &TVerificationManager::LinkVerified, this, [this](const std::string& link, int64_t size) {
        LinkChecked(link, TSearchResult::Verified, size, {});
    });
}

void TSearchSession::LoadEngineNames() {
    for (TCounter& counter : m_counters)
        counter.Engines = 0;
    for (int i = 0; i < m_engineList.Count(); ++i) {
        std::string name = m_engineList.ValueFromIndex(i);
        const int next = static_cast<int>(m_counters.size());
        if (m_counterOfName.emplace(name, next).second)
            m_counters.push_back(TCounter{std::move(name), 0, 0, 0, 0, {}});
        ++m_counters[static_cast<size_t>(m_counterOfName[m_engineList.ValueFromIndex(i)])].Engines;
    }
}

int TSearchSession::Found() const {
    return m_results.Count();
}

TSearchSession::TEngineState TSearchSession::EngineState(int engine) const {
    const TCounter& counter = m_counters[static_cast<size_t>(engine)];
    if (counter.Running > 0)
        return TEngineState::Searching;
    if (!m_everStarted)
        return TEngineState::Idle;
    if (counter.Failed > 0 && counter.Failed == counter.Engines)
        return TEngineState::Failed;
    return TEngineState::Done;
}

bool TSearchSession::EveryEngineFailed() const {
    if (m_searching || m_cancelled || !m_everStarted || m_counters.empty())
        return false;
    for (const TCounter& counter : m_counters) {
        if (counter.Failed < counter.Engines)
            return false;
    }
    return true;
}

int TSearchSession::FilesOf(const std::string& displayName) const {
    const auto found = m_counterOfName.find(displayName);
    return found == m_counterOfName.end() ? -1 : m_counters[static_cast<size_t>(found->second)].Files;
}

std::string TSearchSession::CleanTitle(const std::string& title) {
    return DecodeHtmlEntities(title);
}

std::string TSearchSession::FileNameFor(const std::string& cleanTitle, const std::string& link) {
    const bool zip = AsciiLowerCopy(LinkExtension(link)) == ".zip";
    return cleanTitle + (zip ? ".zip" : ".mp3");
}

void TSearchSession::Start(const std::string& key) {
    m_engines.Stop();
    m_checks.Stop();
    m_results.Clear();
    m_cancelled = false;
    m_verified = 0;
    m_checked = 0;
    m_songs.clear();
    m_leaderOf.clear();
    m_songOf.clear();
    m_followers = 0;
    for (TCounter& counter : m_counters) {
        counter.Files = 0;
        counter.Running = counter.Engines;
        counter.Failed = 0;
        counter.Reason.clear();
    }
    m_searching = true;
    m_everStarted = true;
    emit Started();
    SetProgress(0);
    m_engines.Search(key);
}

void TSearchSession::Cancel() {
    m_cancelled = true;
    m_searching = false;
    // Engines stopped in the middle are neither searching nor failed.
    for (size_t i = 0; i < m_counters.size(); ++i) {
        if (std::exchange(m_counters[i].Running, 0) > 0)
            emit EngineChanged(static_cast<int>(i));
    }
    m_engines.Stop();
    m_checks.Stop();
    emit SearchCancelled();
}

void TSearchSession::ResultFound(const std::string& engineKey, const std::string& title,
                                 const std::string& link) {
    emit ReportReceived(engineKey, title, link);
    // A link held already (by this engine or another, in any letter case) counts once.
    if (m_cancelled || m_results.IndexOfKey(link) >= 0)
        return;
    const std::string cleanTitle = CleanTitle(title);
    TSearchResult& result = m_results.Add(link, TSearchResult::NotVerified, link,
                                          FileNameFor(cleanTitle, link), 0);
    result.Title = cleanTitle;
    result.Engine = m_engineList.Values(engineKey);
    m_leaderOf.push_back(m_results.Count() - 1);
    m_songOf.push_back(nullptr);
    Count(result.Engine);
    emit ResultAdded(m_results.Count() - 1);
    m_checks.Add(link, m_engines.SiteIsLocal(engineKey));
    m_checks.Activate();
}

std::string TSearchSession::SongKey(const TSearchResult& result) {
    // Dead links of one title are one dead song; the links that answer, of whatever size and
    // quality, one song.
    return NormalizedTitle(result.Title) + (result.Status == TSearchResult::Failed ? "\n-" : "\n+");
}

void TSearchSession::JoinSong(int index) {
    TSearchResult& joining = *m_results.Item(index);
    std::vector<int>& song = m_songs[SongKey(joining)];
    if (std::find(song.begin(), song.end(), index) != song.end())
        return;
    // Best first; among equals in the order checked.
    const auto better = [this](int a, int b) { return BetterSource(*m_results.Item(a), *m_results.Item(b)); };
    song.insert(std::upper_bound(song.begin(), song.end(), index, better), index);
    m_songOf[static_cast<size_t>(index)] = &song;
    if (song.size() < 2)
        return;
    // The song keeps the row of its first link; that row shows its best link.
    const int leader = m_leaderOf[static_cast<size_t>(song[0] != index ? song[0] : song[1])];
    m_leaderOf[static_cast<size_t>(index)] = leader;
    ++m_followers;
    // Sources counts the links that answer.
    if (joining.Status == TSearchResult::Verified) {
        for (const int member : song)
            m_results.Item(member)->Sources = static_cast<int>(song.size());
    }
    emit ResultChanged(leader);
    emit SongJoined(index);
}

bool TSearchSession::StandsForSong(int index) const {
    return index < 0 || static_cast<size_t>(index) >= m_leaderOf.size() ||
           m_leaderOf[static_cast<size_t>(index)] == index;
}

std::vector<int> TSearchSession::SourcesOf(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_songOf.size())
        return {};
    const std::vector<int>* song = m_songOf[static_cast<size_t>(index)];
    return song == nullptr ? std::vector<int>{index} : *song;
}

int TSearchSession::BestSourceOf(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_songOf.size())
        return index;
    const std::vector<int>* song = m_songOf[static_cast<size_t>(index)];
    return song == nullptr ? index : song->front();
}

TSearchResult TSearchSession::DownloadFrom(int index) const {
    const std::vector<int> sources = SourcesOf(index);
    TSearchResult chosen = *m_results.Item(index);
    for (const int source : sources) {
        if (source != index)
            chosen.Alternatives.push_back(m_results.Item(source)->Url);
    }
    return chosen;
}

std::vector<TSearchResult> TSearchSession::DownloadsFor(const std::vector<int>& indices) const {
    std::vector<TSearchResult> downloads;
    std::unordered_set<int> songsTaken; // by their best link
    for (const int index : indices) {
        if (m_results.Item(index) == nullptr)
            continue;
        const std::vector<int> sources = SourcesOf(index);
        if (!songsTaken.insert(sources.front()).second)
            continue; // this song is fetched already, from its best source
        downloads.push_back(DownloadFrom(sources.front()));
    }
    return downloads;
}

void TSearchSession::Count(const std::string& displayName) {
    const auto found = m_counterOfName.find(displayName);
    if (found == m_counterOfName.end())
        return;
    ++m_counters[static_cast<size_t>(found->second)].Files;
    emit EngineChanged(found->second);
}

int TSearchSession::CounterOf(const std::string& engineKey) const {
    const auto found = m_counterOfName.find(m_engineList.Values(engineKey));
    return found == m_counterOfName.end() ? -1 : found->second;
}

void TSearchSession::EngineEnded(const std::string& engineKey) {
    if (const int index = CounterOf(engineKey); index >= 0) {
        TCounter& counter = m_counters[static_cast<size_t>(index)];
        counter.Running = std::max(0, counter.Running - 1);
        if (std::string problem = m_engines.EngineProblem(engineKey); !problem.empty()) {
            ++counter.Failed;
            counter.Reason = std::move(problem);
        }
        emit EngineChanged(index);
    }
    emit EngineDone(engineKey);
    const int engines = m_engineList.Count();
    if (engines == 0)
        return;
    // Each engine's share, whole: with three engines 33, 66, 99, then 100 at the end.
    const int position = m_progress + 100 / engines;
    if (position >= 0 && position <= 100)
        SetProgress(position);
}

void TSearchSession::SearchEnded() {
    m_searching = false;
    SetProgress(100);
    emit SearchDone();
}

void TSearchSession::SetProgress(int percent) {
    m_progress = percent;
    emit ProgressChanged(percent);
}

void TSearchSession::LinkChecked(const std::string& link, int status, int64_t size, const std::string& reason) {
    const int index = m_results.IndexOfKey(link);
    if (index < 0 || m_cancelled)
        return;
    TSearchResult& result = *m_results.Item(index);
    result.Status = status;
    result.Reason = reason;
    ++m_checked;
    if (status == TSearchResult::Verified) {
        result.Size = size;
        ++m_verified;
    }
    emit ResultChanged(index);
    emit Checked(index);
    JoinSong(index);
}
