#include "search/uTPopularList.h"

#include <chrono>
#include <string_view>

#include "core/uTStringUtils.h"
#include "core/uPopularList.h"
#include "core/uScramble.h"
#include "core/uTFileUtils.h"
#include "search/uTSearchResultManager.h"

TPopularList::TPopularList(TSearchResultManager& store, QObject* parent)
    : QObject(parent), m_store(store) {
    m_slices.setSingleShot(true);
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, &TPopularList::LoadSlice);
}

void TPopularList::Load(const std::string& path) {
    m_text = Unscramble(TFileUtils::ReadWholeFile(path));
    m_at = 0;
    LoadSlice();
}

void TPopularList::LoadSlice() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(SliceMs);
    const int first = m_store.Count();
    std::string_view rest = std::string_view(m_text).substr(m_at);
    TPopularEntry entry;
    for (int lines = 1; !rest.empty(); ++lines) {
        // A line the list's writer would never make is skipped.
        if (ParsePopularLine(TakeLine(rest), entry)) {
            const std::string link(entry.Link);
            TSearchResult& result = m_store.Add(
                link, TSearchResult::Verified, link,
                ArtistAndTitle(std::string(entry.Artist), std::string(entry.Title)) + LinkExtension(link),
                entry.Size);
            result.Artist = entry.Artist;
            result.Title = entry.Title;
            result.Downloads = entry.Downloads;
            result.Password = entry.Password;
        }
        if (lines % 256 == 0 && std::chrono::steady_clock::now() >= deadline)
            break;
    }
    if (rest.empty()) {
        std::string().swap(m_text);
        m_at = 0;
        m_slices.stop();
    } else {
        m_at = m_text.size() - rest.size();
        m_slices.start();
    }
    if (m_store.Count() > first)
        emit EntriesAdded(first, m_store.Count() - 1);
}
