#pragma once

#include <vector>

#include "download/uTDownloadRequest.h"
#include "search/uTSearchResultManager.h"

// Which of two links of one song is fetched first: a whole MP3 before other whole audio,
// that before a link not judged, that before a preview or a cut file, and a page or other
// data last; then the higher rate, then the longer length.
bool BetterSource(const TSearchResult& a, const TSearchResult& b);
// The link is known to hold no whole song: a preview, a cut file, or no audio at all.
bool PoorCopy(const TSearchResult& result);
// The link's start is a whole song: audio, neither a preview nor cut.
bool WholeSong(const TSearchResult& result);

// What a choice of results sends to the downloads: links the check found dead stay out when
// chosen with others; one chosen alone goes only when the user says so (DeadAlone).
struct TDownloadChoice {
    std::vector<TSearchResult> Downloads;
    int Skipped = 0;        // dead links left out
    bool DeadAlone = false; // the one link chosen is dead
    // Of Downloads, the songs found only as previews, cut files or no audio (their best
    // link is such), in the order chosen.
    std::vector<size_t> PoorOnly;
};
TDownloadChoice ChooseDownloads(std::vector<TSearchResult> picked);

// What the downloads are asked for a chosen result: its link, its name, and the same song's
// other links to fall back on.
TDownloadRequest DownloadRequestFor(const TSearchResult& result);
