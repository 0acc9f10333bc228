#include "search/uDownloadChoice.h"

#include <algorithm>

TDownloadChoice ChooseDownloads(std::vector<TSearchResult> picked) {
    const auto dead = [](const TSearchResult& result) { return result.Status == TSearchResult::Failed; };
    TDownloadChoice choice;
    if (picked.size() == 1) {
        choice.DeadAlone = dead(picked.front());
    } else {
        choice.Skipped = static_cast<int>(std::erase_if(picked, dead));
    }
    choice.Downloads = std::move(picked);
    return choice;
}

TDownloadRequest DownloadRequestFor(const TSearchResult& result) {
    TDownloadRequest request;
    request.Key = result.Key;
    request.Url = result.Url;
    request.FileName = result.FileName;
    request.Size = result.Size;
    request.Alternatives = result.Alternatives;
    return request;
}
