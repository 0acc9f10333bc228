#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QObject>

class QTimer;
class TSearchSession;
struct TWish;
class TWishList;

// The wish list is searched a minute after the start (the program's own start comes first)
// and every four hours while it runs.
inline constexpr int kWishFirstLookMs = 60 * 1000;
inline constexpr int kWishLookEveryMs = 4 * 60 * 60 * 1000;

// Searches the wish list again, one song after another, on a search session of its own (so
// the user's searches and results are never touched), and notes a whole copy where one
// appears: a verified link whose title holds every word of the wish and whose start is a
// whole song longer than the copy the user has. Nothing is fetched.
class TWishSearch : public QObject {
    Q_OBJECT
public:
    // `session` gives the session the searches run on, made at the first look.
    TWishSearch(TWishList& wishes, std::function<TSearchSession&()> session, QObject* parent = nullptr);

    // Looks at once after `firstMs`, then every `everyMs`.
    void StartRounds(int firstMs, int everyMs);
    // A round over every wish without a whole copy yet; nothing while a round runs.
    void LookNow();
    bool Looking() const { return !m_current.empty(); }
    // The wish being searched for now; empty between rounds.
    const std::string& Current() const { return m_current; }

signals:
    // A whole copy of the wished song `words` was found and noted on the wish list.
    void WholeCopyFound(const std::string& words);
    // A round ended; `found` whole copies were found in it.
    void RoundDone(int found);
    // The song searched for changed (Current).
    void LookChanged();

private:
    void LookNext();
    void Progressed();
    void Conclude();

    TWishList& m_wishes;
    std::function<TSearchSession&()> m_sessionOf;
    TSearchSession* m_session = nullptr;
    QTimer* const m_rounds; // owned as a child
    std::vector<std::string> m_queue;
    std::string m_current;
    bool m_concluding = false;
    int m_foundInRound = 0;
};

// The result of `session` that best gives the whole song `wish` asks for: verified, a whole
// song by its start, longer than the wish's copy, its title holding every word of the wish;
// -1 when none does.
int WholeCopyFor(const TSearchSession& session, const TWish& wish);
