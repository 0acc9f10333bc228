#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <QObject>

class TSearchManager;
class TSearchResult;
class TSearchResultManager;
class TStringList;
class TVerificationManager;

// One search as the user runs it: the engines' reports become results (each link once, its
// title cleaned, its file name made), counted against their engines and queued for a link
// check; the checks' outcomes are written into the results; the progress follows the
// engines. The window and orvalo-cli both search through it. It takes the managers' events;
// those that come after it is gone are dropped.
class TSearchSession : public QObject {
    Q_OBJECT
public:
    // `engineList` holds engine key '*' display name per engine, in engine order.
    TSearchSession(TSearchManager& engines, TVerificationManager& checks,
                   TSearchResultManager& results, const TStringList& engineList,
                   QObject* parent = nullptr);

    // Stops what runs, clears the results and the counters, and searches for `key`.
    void Start(const std::string& key);
    // Stops the search and its checks; what was found stays, and outcomes that come later
    // are ignored.
    void Cancel();

    enum class TEngineState { Idle, Searching, Done, Failed };

    bool Searching() const { return m_searching; }
    bool Cancelled() const { return m_cancelled; }
    int Found() const;
    int Verified() const { return m_verified; }
    // Links found whose check has not reported yet.
    int Unchecked() const { return Found() - m_checked; }
    // The search has ended and no engine's result page came.
    bool EveryEngineFailed() const;
    int Progress() const { return m_progress; }
    const TSearchResultManager& Results() const { return m_results; }

    // What a download of the results at `indices` fetches: each song once (as SourcesOf
    // groups them), from its best source, with its other links as fall-backs in the order
    // they were checked. In the order of the first index of each song.
    std::vector<TSearchResult> DownloadsFor(const std::vector<int>& indices) const;
    // The same for one chosen source of a song: that link first, the song's other verified
    // links after it as fall-backs.
    TSearchResult DownloadFrom(int index) const;

    // One row per song: a verified result that joined a song found before stands under the
    // song's first verified link, whose row shows the song's best source; a dead link under
    // the first dead link of its title. Results not checked yet stand alone.
    bool StandsForSong(int index) const;
    // The links of the song of the result at `index`, best first (BetterSource); the result
    // alone when it is part of no song.
    std::vector<int> SourcesOf(int index) const;
    // The first of them: what the song's row shows.
    int BestSourceOf(int index) const;
    // How many rows the results make, one per song.
    int Songs() const { return Found() - m_followers; }

    // The engines by display name, in engine list order: engines sharing a display name
    // share one counter.
    int EngineCount() const { return static_cast<int>(m_counters.size()); }
    const std::string& EngineName(int engine) const { return m_counters[static_cast<size_t>(engine)].Name; }
    int EngineFiles(int engine) const { return m_counters[static_cast<size_t>(engine)].Files; }
    // What the engines under one display name are doing: searching while one of them is,
    // failed when every one of them failed (with the last failure's reason), done otherwise.
    TEngineState EngineState(int engine) const;
    const std::string& EngineReason(int engine) const { return m_counters[static_cast<size_t>(engine)].Reason; }
    // The count of the engines shown under `displayName`; -1 when there is none.
    int FilesOf(const std::string& displayName) const;
    // Takes the engine list anew (after engines were loaded).
    void LoadEngineNames();

    // A title as the site meant it: its character references ("&amp;", "&#39;" ...) decoded.
    static std::string CleanTitle(const std::string& title);
    // The file name of a result: the cleaned title with ".zip" for a link to a zip archive,
    // ".mp3" otherwise. Made portable when the file is made (SafeFileName).
    static std::string FileNameFor(const std::string& cleanTitle, const std::string& link);

signals:
    // A new search began: the results and the counters are empty.
    void Started();
    // Every report of an engine, also of a link found before.
    void ReportReceived(const std::string& engineKey, const std::string& title, const std::string& link);
    // The result at `index` of the store was added, or its status or size changed.
    void ResultAdded(int index);
    void ResultChanged(int index);
    // The link check of the result at `index` reported (once a check).
    void Checked(int index);
    // The verified result at `index` joined a song found before: it no longer stands alone.
    void SongJoined(int index);
    // An engine's counter or state changed.
    void EngineChanged(int engine);
    void EngineDone(const std::string& engineKey);
    void ProgressChanged(int percent);
    // Every engine has ended; the checks go on.
    void SearchDone();
    // The search was cancelled: nothing of it runs any more.
    void SearchCancelled();

private:
    struct TCounter {
        std::string Name;
        int Files = 0;
        int Engines = 0; // of this display name
        int Running = 0;
        int Failed = 0;
        std::string Reason;
    };
    void ResultFound(const std::string& engineKey, const std::string& title, const std::string& link);
    void EngineEnded(const std::string& engineKey);
    void SearchEnded();
    void LinkChecked(const std::string& link, int status, int64_t size, const std::string& reason);
    void Count(const std::string& displayName);
    int CounterOf(const std::string& engineKey) const;
    void SetProgress(int percent);
    // A checked result joins the song of its title, in its place by quality.
    void JoinSong(int index);
    static std::string SongKey(const TSearchResult& result);

    TSearchManager& m_engines;
    TVerificationManager& m_checks;
    TSearchResultManager& m_results;
    const TStringList& m_engineList;
    std::vector<TCounter> m_counters;
    std::unordered_map<std::string, int> m_counterOfName;
    // The checked results of each song (by SongKey), best first. A map's values stay where
    // they are as it grows: m_songOf points at them.
    std::unordered_map<std::string, std::vector<int>> m_songs;
    std::vector<const std::vector<int>*> m_songOf; // by result; none while it is in no song
    // By result: the first link of its song, whose row the song shows on, or itself.
    std::vector<int> m_leaderOf;
    int m_followers = 0; // results standing under another
    bool m_searching = false;
    bool m_everStarted = false;
    bool m_cancelled = false;
    int m_verified = 0;
    int m_checked = 0; // check outcomes taken, verified or failed
    int m_progress = 0;
};
