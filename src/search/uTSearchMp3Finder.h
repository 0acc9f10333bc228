#pragma once

#include "search/uTTwoStageSearch.h"

// Result anchors "dsong.aspx?id=" (with "&amp;" in their hrefs), detail anchors "Right mouse
// click here", the title after "<b>Song:</b>" up to "</a>".
class TSearchMp3Finder : public TTwoStageSearch {
public:
    static const TDetailMarkers Markers;
    TSearchMp3Finder(std::string engineKey, std::string urlPrefix, std::string urlSuffix,
                     TTransferEngine& transfers)
        : TTwoStageSearch(std::move(engineKey), std::move(urlPrefix), std::move(urlSuffix), Markers, transfers) {}
};
