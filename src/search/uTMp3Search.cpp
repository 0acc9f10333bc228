#include "search/uTMp3Search.h"

#include "core/uSearchKeys.h"
#include "core/uTFileUtils.h"
#include "core/uTStringUtils.h"
#include "net/uCurlRequest.h"
#include "net/uPageFetch.h"
#include "net/uTransferEngine.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchMp3Finder.h"
#include "search/uTSearchMp3Search.h"
#include "search/uTSearchMuzz.h"

TMp3Search::TMp3Search(std::string engineKey, std::string urlPrefix, std::string urlSuffix,
                       TTransferEngine& transfers)
    : EngineKey(std::move(engineKey)), UrlPrefix(std::move(urlPrefix)), UrlSuffix(std::move(urlSuffix)),
      m_transfers(transfers) {
    Getter = MakeGetter();
}

TMp3Search::~TMp3Search() = default;

std::unique_ptr<TPageFetch> TMp3Search::MakeGetter() {
    auto getter = std::make_unique<TPageFetch>(m_transfers);
    // Virtual calls: a derived class's PageReceived is the one that runs.
    getter->OnFailed = [this](TPageFetch* sender) { FetchFailed(sender); };
    getter->OnPage = [this](TPageFetch* sender, const std::string& data) { PageReceived(sender, data); };
    return getter;
}

void TMp3Search::ParseResults(const std::string&) {}

void TMp3Search::PageReceived(TPageFetch* sender, const std::string& data) {
    NoteAnswer(sender);
    ParseResults(data);
    ReportComplete();
}

void TMp3Search::NoteAnswer(const TPageFetch* sender) {
    if (sender != Getter.get())
        return;
    SiteIsLocal = sender->LastFromLocalNetwork;
    if (sender->LastStatus >= 400)
        Problem = StatusReason(sender->LastStatus);
}

void TMp3Search::Search(const std::string& key) {
    Problem.clear();
    // A fresh getter: a page the last search still had coming is never read as this one's.
    Getter = MakeGetter();
    Getter->Fetch(UrlPrefix + EncodeQueryValue(key) + UrlSuffix);
}

void TMp3Search::Abort() {
    Getter->Abort();
}

void TMp3Search::FetchFailed(TPageFetch* sender) {
    // A site that cannot be reached at all is named so, whatever the connection said.
    if (sender == Getter.get()) {
        const std::string& failure = sender->LastFailure;
        Problem = failure == "host not found" || failure == "connection refused" ? "unreachable" : failure;
    }
    if (OnEngineError)
        OnEngineError(EngineKey);
}

void TMp3Search::ReportResult(const std::string& title, const std::string& url) {
    if (OnResultFound)
        OnResultFound(EngineKey, title, url);
}

void TMp3Search::ReportComplete() {
    if (OnEngineComplete)
        OnEngineComplete(EngineKey);
}

std::string TMp3Search::SiteRoot(bool trailingSlash) const {
    const TAddressParts prefix = SplitAddress(UrlPrefix);
    std::string root = SchemePrefix(prefix.Secure) + prefix.Host;
    if (trailingSlash)
        root += '/';
    return root;
}

void TMp3Search::ExtractAnchors(std::string_view html, std::vector<std::string_view>& list) {
    const std::string lower = AsciiLowerCopy(html);
    int closing = 0; // the first "/a>" at or after the current opening; found once, reused
    for (int start = 1;;) {
        const int opening = TStringUtils::FindFrom(lower, "<a ", start);
        if (opening == 0)
            break;
        start = opening + 1;
        // Openings only move forward, so the closing found for an earlier one still serves
        // while it lies beyond this one: the scan stays linear on any page.
        if (closing != 0 && closing < start)
            closing = 0;
        if (closing == 0) {
            closing = TStringUtils::FindFrom(lower, "/a>", start);
            if (closing == 0)
                break;
        }
        const int count = closing - opening - 4;
        if (count > static_cast<int>(kMaxAnchorLength))
            continue;
        // "<a /a>" closes before it opens: an empty item.
        list.push_back(
            count <= 0 ? std::string_view()
                       : html.substr(static_cast<size_t>(opening) + 2, static_cast<size_t>(count)));
    }
}

std::string TMp3Search::ExtractHref(std::string_view anchorText) {
    // The value must start before the item's first ">", so only the text before it is
    // searched: an item may be kilobytes long, and a nested page has millions of them.
    const size_t tagEnd = anchorText.find('>');
    if (tagEnd == std::string_view::npos)
        return {};
    const std::string lowerTag = AsciiLowerCopy(anchorText.substr(0, tagEnd));
    const size_t href = lowerTag.find("href");
    if (href == std::string::npos)
        return {};
    return TStringUtils::GetField(anchorText.substr(href, tagEnd - href), "\"", 2);
}

TEngineKind EngineKindOf(const std::string& urlPrefix) {
    if (urlPrefix.find("muzz") != std::string::npos)
        return TEngineKind::Muzz;
    if (urlPrefix.find("emp3finder") != std::string::npos)
        return TEngineKind::Mp3Finder;
    if (urlPrefix.find("mp3search") != std::string::npos)
        return TEngineKind::Mp3Search;
    return TEngineKind::None;
}

std::unique_ptr<TMp3Search> MakeEngine(const std::string& engineKey, const std::string& urlPrefix,
                                       const std::string& urlSuffix, TTransferEngine& transfers) {
    switch (EngineKindOf(urlPrefix)) {
    case TEngineKind::Muzz:
        return std::make_unique<TSearchMuzz>(engineKey, urlPrefix, urlSuffix, transfers);
    case TEngineKind::Mp3Finder:
        return std::make_unique<TSearchMp3Finder>(engineKey, urlPrefix, urlSuffix, transfers);
    case TEngineKind::Mp3Search:
        return std::make_unique<TSearchMp3Search>(engineKey, urlPrefix, urlSuffix, transfers);
    case TEngineKind::None:
        break;
    }
    return nullptr;
}

void CreateEngine(const std::string& displayName, const std::string& engineKey, const std::string& urlPrefix,
                  const std::string& urlSuffix, TStringList& engineList, TSearchManager& manager,
                  TTransferEngine& transfers) {
    auto engine = MakeEngine(engineKey, urlPrefix, urlSuffix, transfers);
    if (!engine)
        return;
    engineList.Add(engineKey + "*" + displayName);
    // A repeated key keeps the first engine; the list entry stays.
    manager.AddEngine(engineKey, std::move(engine));
}

int LoadEngines(const std::string& path, TStringList& engineList, TSearchManager& manager,
                TTransferEngine& transfers) {
    int created = 0;
    for (const std::string& line : SplitLines(Unscramble(TFileUtils::ReadWholeFile(path)))) {
        const std::string prefix = TStringUtils::GetField(line, "*", 3);
        if (EngineKindOf(prefix) == TEngineKind::None)
            continue;
        CreateEngine(TStringUtils::GetField(line, "*", 1), TStringUtils::GetField(line, "*", 2), prefix,
                     TStringUtils::GetField(line, "*", 4), engineList, manager, transfers);
        ++created;
    }
    return created;
}
