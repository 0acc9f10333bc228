// Feeds arbitrary pages to every scraping routine of the three engine kinds, and arbitrary
// text to the most-popular list's reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/uPopularList.h"
#include "search/uTSearchMp3Finder.h"
#include "search/uTSearchMp3Search.h"
#include "search/uTSearchMuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    size_t reported = 0;
    const auto count = [&reported](const std::string&, const std::string& title, const std::string& url) {
        reported += title.size() + url.size();
    };

    std::vector<std::string_view> items;
    TMp3Search::ExtractAnchors(page, items);
    // At most one item per opening "<a ", each a slice of the page.
    if (items.size() > page.size() / 3)
        __builtin_trap();
    for (const std::string_view item : items) {
        if (item.size() > TMp3Search::kMaxAnchorLength ||
            (!item.empty() &&
             (item.data() < page.data() || item.data() + item.size() > page.data() + page.size())))
            __builtin_trap();
        TMp3Search::ExtractHref(item);
        TSearchMuzz::AnchorTitle(item);
    }

    TSearchMuzz muzz("m", "http://www.muzz.test/search?q=", "");
    muzz.OnResultFound = count;
    muzz.ParseResults(page);

    TSearchMp3Finder finder("f", "http://www.emp3finder.test/search.aspx?q=", "");
    finder.OnResultFound = count;
    finder.ParseResults(page);
    finder.ParseDetailPage(page);
    finder.DetailTitle(page);

    TSearchMp3Search search("s", "http://www.mp3search.test/search.php?q=", "");
    search.OnResultFound = count;
    search.ParseResults(page);
    search.ParseDetailPage(page);

    // Every line read is a slice of the list; every entry's fields are slices of its line.
    std::string_view rest = page;
    TPopularEntry entry;
    const auto inside = [](std::string_view part, std::string_view whole) {
        return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
    };
    while (!rest.empty()) {
        const size_t before = rest.size();
        const std::string_view line = TakeLine(rest);
        if (rest.size() >= before || !inside(line, page))
            __builtin_trap();
        if (ParsePopularLine(line, entry) &&
            (entry.Size < 0 || entry.Downloads < 0 || !inside(entry.Artist, line) || !inside(entry.Link, line)))
            __builtin_trap();
    }
    return 0;
}
