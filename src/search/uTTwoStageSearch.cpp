#include "search/uTTwoStageSearch.h"

#include "core/uTStringUtils.h"

namespace {
std::string RemoveAll(std::string text, std::string_view what) {
    for (size_t at; (at = text.find(what)) != std::string::npos;)
        text.erase(at, what.size());
    return text;
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where to cut `text` to at most `limit` bytes without splitting a UTF-8 sequence: a
// sequence that would not fit whole goes whole. Text that is not UTF-8 there (a run of
// continuation bytes longer than any sequence) is cut at the limit.
size_t Utf8CutPoint(std::string_view text, size_t limit) {
    if (text.size() <= limit)
        return text.size();
    constexpr size_t kLongestSequence = 4;
    for (size_t cut = limit; cut + kLongestSequence > limit && cut > 0; --cut) {
        if (!IsContinuationByte(text[cut]))
            return cut;
    }
    return limit;
}
} // namespace

TTwoStageSearch::TTwoStageSearch(std::string engineKey, std::string urlPrefix, std::string urlSuffix,
                                 const TDetailMarkers& markers)
    : TMp3Search(std::move(engineKey), std::move(urlPrefix), std::move(urlSuffix)), m_markers(markers) {}

void TTwoStageSearch::Search(const std::string& key) {
    DetailStage = false;
    TMp3Search::Search(key);
}

void TTwoStageSearch::ParseResults(const std::string& page) {
    std::vector<std::string_view> items;
    ExtractAnchors(page, items);
    const std::string root = SiteRoot(true);
    TPageBudget budget(page.size());
    for (const std::string_view item : items) {
        if (item.find(m_markers.ResultAnchor) == std::string::npos || item.find("preview") != std::string::npos)
            continue;
        std::string href = ExtractHref(item);
        if (href.empty())
            continue;
        if (m_markers.RemoveAmpEntities)
            href = RemoveAll(std::move(href), "amp;");
        if (!budget.Take(href.size()))
            break;
        PendingDetails.Add(root + href);
    }
}

void TTwoStageSearch::PageReceived(THTTPGet* sender, const std::string& data) {
    // Which getter delivered tells the page's kind. A detail page of an earlier search that
    // arrives after a new search started must not be read as the new result page, nor the
    // new result page as a detail page.
    if (sender == Getter.get()) {
        NoteAnswer(sender);
        ParseResults(data);
        DetailStage = true;
    } else {
        ParseDetailPage(data);
    }
    if (PendingDetails.Count() > 0)
        FetchNextDetail();
    else
        ReportComplete();
}

void TTwoStageSearch::FetchNextDetail() {
    FreeIdleDetailFetchers();
    const std::string address = PendingDetails.Strings(0);
    PendingDetails.Delete(0);
    auto getter = std::make_unique<THTTPGet>();
    BindGetter(*getter);
    getter->URL = address;
    THTTPGet& started = *getter;
    DetailFetchers.Add(address, std::move(getter));
    started.Fetch();
}

// A finished detail getter is of no further use; without this the list would grow by one
// getter per detail page for the life of the program. The getter whose page is being
// handled is still busy, so it is never freed from under its own report.
void TTwoStageSearch::FreeIdleDetailFetchers() {
    for (int i = DetailFetchers.Count() - 1; i >= 0; --i) {
        if (!DetailFetchers.Objects(i)->Busy())
            DetailFetchers.Delete(i);
    }
}

void TTwoStageSearch::ParseDetailPage(const std::string& page) {
    std::vector<std::string_view> items;
    ExtractAnchors(page, items);
    std::string title;
    bool titleTaken = false;
    for (const std::string_view item : items) {
        if (item.find(m_markers.DetailAnchor) == std::string::npos)
            continue;
        const std::string url = ExtractHref(item);
        if (url.empty())
            continue;
        if (!titleTaken) {
            title = DetailTitle(page);
            titleTaken = true;
        }
        ReportResult(title, url);
    }
}

std::string TTwoStageSearch::DetailTitle(const std::string& page) const {
    const int start = TStringUtils::FindFrom(page, m_markers.TitleStart, 1);
    if (start == 0)
        return {};
    const int from = start + static_cast<int>(m_markers.TitleStart.size());
    const int end = TStringUtils::FindFrom(page, m_markers.TitleEnd, from);
    if (end == 0)
        return {};
    std::string title = TrimSpacesAndControls(
        std::string_view(page).substr(static_cast<size_t>(from) - 1, static_cast<size_t>(end - from)));
    // Every download anchor of the page carries the title: a hostile page must not make
    // thousands of copies of megabytes.
    title.resize(Utf8CutPoint(title, kMaxTitleLength));
    return title;
}
