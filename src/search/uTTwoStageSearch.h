#pragma once

#include <memory>

#include "core/uTStringList.h"
#include "net/uPageFetch.h"
#include "search/uTMp3Search.h"

// The text markers of a two-stage site: which result anchors lead to detail pages, and how a
// detail page names the download link and the title.
struct TDetailMarkers {
    std::string_view ResultAnchor; // a result anchor must contain this
    bool RemoveAmpEntities;        // turn "&amp;" in result hrefs into "&"
    std::string_view DetailAnchor; // a detail anchor must contain this
    std::string_view TitleStart;   // the title follows this on a detail page...
    std::string_view TitleEnd;     // ...up to this
};

// A site whose result page lists detail pages, fetched one after the other; each detail
// page gives the download link and the title. The search ends with OnEngineComplete once a
// page was handled and no detail page is pending, or with OnEngineError at the first failed
// fetch. A new search or Abort ends the detail fetch under way and forgets those pending:
// one search's songs are never reported under another.
class TTwoStageSearch : public TMp3Search {
public:
    TTwoStageSearch(std::string engineKey, std::string urlPrefix, std::string urlSuffix,
                    const TDetailMarkers& markers, TTransferEngine& transfers);

    bool DetailStage = false; // the result page of the current search has been read
    TStringList PendingDetails;
    std::unique_ptr<TPageFetch> DetailGetter; // the detail page under way, one at a time

    void Search(const std::string& key) override;
    void Abort() override;
    void ParseResults(const std::string& page) override;
    void PageReceived(TPageFetch* sender, const std::string& data) override;
    void FetchNextDetail();
    void ParseDetailPage(const std::string& page);
    std::string DetailTitle(const std::string& page) const;

private:
    // Ends the detail fetch under way (its page is never read) and forgets those pending.
    void DropDetails();
    const TDetailMarkers& m_markers;
};
