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
                                 const TDetailMarkers& markers, TTransferEngine& transfers)
    : TMp3Search(std::move(engineKey), std::move(urlPrefix), std::move(urlSuffix), transfers), m_markers(markers) {}

void TTwoStageSearch::Search(const std::string& key) {
    DropDetails();
    TMp3Search::Search(key);
}

void TTwoStageSearch::Abort() {
    DropDetails();
    TMp3Search::Abort();
}

void TTwoStageSearch::DropDetails() {
    DetailStage = false;
    PendingDetails.Clear();
    DetailGetter.reset();
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

void TTwoStageSearch::PageReceived(TPageFetch* sender, const std::string& data) {
    // Which getter delivered tells the page's kind.
    if (sender == Getter.get()) {
        NoteAnswer(sender);
        ParseResults(data);
        DetailStage = true;
    } else if (sender == DetailGetter.get()) {
        ParseDetailPage(data);
    } else {
        return; // a getter this search no longer has
    }
    if (PendingDetails.Count() > 0)
        FetchNextDetail();
    else
        ReportComplete();
}

void TTwoStageSearch::FetchNextDetail() {
    const std::string address = PendingDetails.Strings(0);
    PendingDetails.Delete(0);
    if (!DetailGetter)
        DetailGetter = MakeGetter();
    // A detail page is fetched by the program itself, where the result page says: never on
    // the local network unless the site itself is there.
    DetailGetter->PublicOnly = !SiteIsLocal;
    DetailGetter->Fetch(address);
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
