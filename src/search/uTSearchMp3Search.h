#pragma once

#include "search/uTTwoStageSearch.h"

// Result anchors "download.php?id=", detail anchors "Download Now", the title in the white
// bold font up to "</b>".
class TSearchMp3Search : public TTwoStageSearch {
public:
    static const TDetailMarkers Markers;
    TSearchMp3Search(std::string engineKey, std::string urlPrefix, std::string urlSuffix,
                     TTransferEngine& transfers)
        : TTwoStageSearch(std::move(engineKey), std::move(urlPrefix), std::move(urlSuffix), Markers, transfers) {}
};
