#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/uScramble.h"

class TPageFetch;
class TSearchManager;
class TStringList;
class TTransferEngine;

// One search site: turns a key into the address of the site's result page, fetches it with
// its own getter, scrapes it and reports each file found. The derived classes know their
// sites' pages; this base holds what they share. Each search is its own: a new one (or
// Abort) ends everything the last one still fetches, and nothing of it is reported after.
class TMp3Search {
public:
    using TEngineEvent = std::function<void(const std::string& engineKey)>;
    using TResultEvent =
        std::function<void(const std::string& engineKey, const std::string& title, const std::string& url)>;

    // Anchors longer than this are not taken as anchors: a hostile page of nested openings
    // cannot make each of them megabytes long. Every other anchor of a page is kept.
    static constexpr size_t kMaxAnchorLength = 8192;
    // A link longer than this is no link to a file; a title is cut to this length.
    static constexpr size_t kMaxUrlLength = 8192;
    static constexpr size_t kMaxTitleLength = 1024;

    // Its pages are fetched on `transfers`, which outlives it.
    TMp3Search(std::string engineKey, std::string urlPrefix, std::string urlSuffix, TTransferEngine& transfers);
    TMp3Search(const TMp3Search&) = delete;
    TMp3Search& operator=(const TMp3Search&) = delete;
    // Frees the getter, which ends a fetch in flight.
    virtual ~TMp3Search();

    std::string EngineKey;
    std::unique_ptr<TPageFetch> Getter; // the result page's
    std::string UrlPrefix;
    std::string UrlSuffix;
    TEngineEvent OnEngineError;
    TResultEvent OnResultFound;
    TEngineEvent OnEngineComplete;
    // Why the last search's result page did not come ("unreachable", "HTTP 503" ...); empty
    // when it came.
    std::string Problem;
    // The site answered its last result page from this machine or the local network: the
    // pages and files it names may lie there too.
    bool SiteIsLocal = false;

    // Scrapes a result page, reporting each file found. The base finds nothing.
    virtual void ParseResults(const std::string& page);
    // A getter delivered a page: parse it, then report the engine's end.
    virtual void PageReceived(TPageFetch* sender, const std::string& data);
    // Fetches UrlPrefix + key + UrlSuffix, the key percent-encoded so that the site reads it
    // whole, after ending what an earlier search still fetches.
    virtual void Search(const std::string& key);
    // Ends the search: the result-page fetch fails ("cancelled"), and nothing else of the
    // search is fetched or reported.
    virtual void Abort();
    void FetchFailed(TPageFetch* sender);

    // Takes what a fetch of the result page answered: an error status is the engine's problem.
    void NoteAnswer(const TPageFetch* sender);

    // The scheme ("http://" or "https://") and the host of UrlPrefix, with or without a
    // trailing "/".
    std::string SiteRoot(bool trailingSlash) const;

    // Appends the inner text of each anchor ("<a " up to the "<" of the next "/a>"), tags
    // matched without regard to case, text kept as it stands. The items are slices of
    // `html`, valid while it is: a page's anchors cost a few bytes each, never a copy.
    static void ExtractAnchors(std::string_view html, std::vector<std::string_view>& list);
    // The href value of an anchor item: the text between the first two double quotes of the
    // attribute part; empty for single-quoted, unquoted or missing values.
    static std::string ExtractHref(std::string_view anchorText);

protected:
    // What one page may yield: links and titles taken from a page hold no more bytes than
    // the page itself. On any real page they are disjoint slices of it and never reach
    // that; only overlapping anchors of a hostile page (each a slice of up to 8 KiB that
    // its neighbours share) could otherwise make a 16 MB page yield gigabytes.
    class TPageBudget {
    public:
        explicit TPageBudget(size_t pageBytes) : m_left(pageBytes) {}
        // False once the page has yielded as much as it holds.
        bool Take(size_t bytes) {
            if (bytes > m_left)
                return false;
            m_left -= bytes;
            return true;
        }

    private:
        size_t m_left;
    };

    // A getter on this engine's transfers, its outcome bound to it: a failure to
    // FetchFailed, a page to the PageReceived of the engine's own class.
    std::unique_ptr<TPageFetch> MakeGetter();
    void ReportResult(const std::string& title, const std::string& url);
    void ReportComplete();

private:
    TTransferEngine& m_transfers;
};

// The engine class an address prefix selects: "muzz", "emp3finder", "mp3search", tested in
// this order, case-sensitively.
enum class TEngineKind { None, Muzz, Mp3Finder, Mp3Search };
TEngineKind EngineKindOf(const std::string& urlPrefix);
// An engine of the class the prefix selects; nothing for an unknown prefix.
std::unique_ptr<TMp3Search> MakeEngine(const std::string& engineKey, const std::string& urlPrefix,
                                       const std::string& urlSuffix, TTransferEngine& transfers);
// Makes one engine, lists it in `engineList` and registers it with `manager`.
void CreateEngine(const std::string& displayName, const std::string& engineKey, const std::string& urlPrefix,
                  const std::string& urlSuffix, TStringList& engineList, TSearchManager& manager,
                  TTransferEngine& transfers);
// Reads the scrambled engine list and creates its engines, in line order. Returns how many
// engine lines named a known kind.
int LoadEngines(const std::string& path, TStringList& engineList, TSearchManager& manager,
                TTransferEngine& transfers);

