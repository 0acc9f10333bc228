#include "search/uTSearchMuzz.h"

#include "core/uTStringUtils.h"

namespace {
// Every occurrence of `from` replaced; empty when the result would be longer than `limit`.
std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to, size_t limit) {
    std::string out;
    size_t start = 0;
    for (size_t at; (at = text.find(from, start)) != std::string::npos; start = at + from.size()) {
        out.append(text, start, at - start);
        out.append(to);
        if (out.size() > limit)
            return {};
    }
    out.append(text, start);
    return out.size() > limit ? std::string() : out;
}
} // namespace

std::string TSearchMuzz::AnchorTitle(std::string_view anchorText) {
    // Neither marker has a letter: no case to fold, no copy to make.
    const size_t at = anchorText.find("\">");
    if (at == std::string_view::npos || anchorText.find('=', at + 2) != std::string_view::npos)
        return {};
    return std::string(anchorText.substr(at + 2));
}

void TSearchMuzz::ParseResults(const std::string& page) {
    std::vector<std::string_view> items;
    ExtractAnchors(page, items);
    const std::string root = SiteRoot(false);
    TPageBudget budget(page.size());
    for (const std::string_view item : items) {
        if (item.find("mp3presend?id=") == std::string::npos || item.find("preview") != std::string::npos)
            continue;
        const std::string href = ExtractHref(item);
        if (href.empty())
            continue;
        const std::string title = AnchorTitle(item);
        const std::string path = ReplaceAll(href, "mp3presend", "mp3send/" + title + ".mp3", kMaxUrlLength);
        if (path.empty())
            continue;
        if (!budget.Take(href.size() + title.size()))
            break;
        ReportResult(title, root + path);
    }
}
