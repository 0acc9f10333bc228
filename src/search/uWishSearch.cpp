#include "search/uWishSearch.h"

#include <algorithm>

#include <QDateTime>
#include <QTimer>

#include "core/uTStringUtils.h"
#include "search/uDownloadChoice.h"
#include "search/uTSearchSession.h"
#include "search/uWishList.h"

namespace {
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    const std::string normal = NormalizedTitle(text);
    size_t start = 0;
    while (start < normal.size()) {
        size_t end = normal.find(' ', start);
        if (end == std::string::npos)
            end = normal.size();
        if (end > start)
            words.push_back(normal.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

bool HoldsEveryWord(const std::string& title, const std::vector<std::string>& words) {
    const std::vector<std::string> held = Words(title);
    for (const std::string& word : words) {
        if (std::find(held.begin(), held.end(), word) == held.end())
            return false;
    }
    return true;
}
} // namespace

int WholeCopyFor(const TSearchSession& session, const TWish& wish) {
    const std::vector<std::string> words = Words(wish.Words);
    const TSearchResultManager& results = session.Results();
    int best = -1;
    for (int i = 0; i < results.Count(); ++i) {
        const TSearchResult& result = *results.Item(i);
        if (result.Status != TSearchResult::Verified || !WholeSong(result) ||
            result.Content.LengthMs <= wish.LongerThanMs || !HoldsEveryWord(result.Title, words))
            continue;
        if (best < 0 || BetterSource(result, *results.Item(best)))
            best = i;
    }
    return best;
}

TWishSearch::TWishSearch(TWishList& wishes, std::function<TSearchSession&()> session, QObject* parent)
    : QObject(parent), m_wishes(wishes), m_sessionOf(std::move(session)), m_rounds(new QTimer(this)) {
    connect(m_rounds, &QTimer::timeout, this, &TWishSearch::LookNow);
}

void TWishSearch::StartRounds(int firstMs, int everyMs) {
    QTimer::singleShot(firstMs, this, [this, everyMs] {
        LookNow();
        m_rounds->start(everyMs);
    });
}

void TWishSearch::LookNow() {
    if (Looking())
        return;
    m_queue = m_wishes.Unfound();
    m_foundInRound = 0;
    if (m_queue.empty())
        return;
    if (!m_session) {
        m_session = &m_sessionOf();
        connect(m_session, &TSearchSession::Checked, this, &TWishSearch::Progressed);
        connect(m_session, &TSearchSession::SearchDone, this, &TWishSearch::Progressed);
    }
    if (m_session->EngineCount() == 0)
        return; // no site to ask
    LookNext();
}

void TWishSearch::LookNext() {
    // A wish removed meanwhile is not searched for.
    while (!m_queue.empty() && m_wishes.IndexOf(m_queue.front()) < 0)
        m_queue.erase(m_queue.begin());
    if (m_queue.empty()) {
        m_current.clear();
        emit LookChanged();
        emit RoundDone(m_foundInRound);
        return;
    }
    m_current = m_queue.front();
    m_queue.erase(m_queue.begin());
    emit LookChanged();
    m_session->Start(m_current);
}

void TWishSearch::Progressed() {
    // Every site answered and every link found was checked. The next search starts once the
    // session has told everyone of this one.
    if (!Looking() || m_concluding || m_session->Searching() || m_session->Unchecked() > 0)
        return;
    m_concluding = true;
    QMetaObject::invokeMethod(this, &TWishSearch::Conclude, Qt::QueuedConnection);
}

void TWishSearch::Conclude() {
    m_concluding = false;
    const std::string words = m_current;
    m_wishes.NoteLook(words, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm")).toStdString());
    const int index = m_wishes.IndexOf(words);
    const int best = index < 0 ? -1 : WholeCopyFor(*m_session, m_wishes.At(index));
    if (best >= 0) {
        const TSearchResult found = m_session->DownloadFrom(best);
        m_wishes.NoteFound(words, found, QualityText(m_session->Results().Item(best)->Content));
        ++m_foundInRound;
        emit WholeCopyFound(words);
    }
    LookNext();
}
