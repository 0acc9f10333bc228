#pragma once

#include <vector>

#include "download/uTDownloadRequest.h"
#include "search/uTSearchResultManager.h"

// What a choice of results sends to the downloads: links the check found dead stay out when
// chosen with others; one chosen alone goes only when the user says so (DeadAlone).
struct TDownloadChoice {
    std::vector<TSearchResult> Downloads;
    int Skipped = 0;        // dead links left out
    bool DeadAlone = false; // the one link chosen is dead
};
TDownloadChoice ChooseDownloads(std::vector<TSearchResult> picked);

// What the downloads are asked for a chosen result: its link, its name, and the same song's
// other links to fall back on.
TDownloadRequest DownloadRequestFor(const TSearchResult& result);
