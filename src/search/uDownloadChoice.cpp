#include "search/uDownloadChoice.h"

#include <algorithm>

namespace {
int Rank(const TContentVerdict& content) {
    if (content.Kind == TContentKind::Unreadable || content.Kind == TContentKind::TooLarge)
        return 2; // not known
    if (!content.IsAudio())
        return 4;
    if (content.CutShort() || content.MaybePreview())
        return 3;
    return content.IsMp3() ? 0 : 1;
}
} // namespace

bool BetterSource(const TSearchResult& a, const TSearchResult& b) {
    const int rankA = Rank(a.Content);
    const int rankB = Rank(b.Content);
    if (rankA != rankB)
        return rankA < rankB;
    if (a.Content.BitrateKbps != b.Content.BitrateKbps)
        return a.Content.BitrateKbps > b.Content.BitrateKbps;
    return a.Content.LengthMs > b.Content.LengthMs;
}

bool PoorCopy(const TSearchResult& result) {
    return Rank(result.Content) >= 3;
}

bool WholeSong(const TSearchResult& result) {
    return Rank(result.Content) <= 1;
}

TDownloadChoice ChooseDownloads(std::vector<TSearchResult> picked) {
    const auto dead = [](const TSearchResult& result) { return result.Status == TSearchResult::Failed; };
    TDownloadChoice choice;
    if (picked.size() == 1) {
        choice.DeadAlone = dead(picked.front());
    } else {
        choice.Skipped = static_cast<int>(std::erase_if(picked, dead));
    }
    choice.Downloads = std::move(picked);
    for (size_t i = 0; i < choice.Downloads.size(); ++i) {
        if (choice.Downloads[i].Status == TSearchResult::Verified && PoorCopy(choice.Downloads[i]))
            choice.PoorOnly.push_back(i);
    }
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
