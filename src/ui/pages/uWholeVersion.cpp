#include "ui/pages/uWholeVersion.h"

#include "core/uTFileUtils.h"
#include "media/uContentCheck.h"
#include "playlist/uTPlayListManager.h"

std::optional<TWholeVersionQuest> WholeVersionQuest(const TPlayListManager& library, const std::string& path) {
    const std::string& folder = library.Folder();
    const std::string inFolder = WithTrailingSlash(folder);
    if (folder.empty() || path.compare(0, inFolder.size(), inFolder) != 0)
        return std::nullopt;
    const int index = library.IndexOf(path.substr(inFolder.size()));
    const TPlayListFile* file = index < 0 ? nullptr : &library.File(index);
    if (file == nullptr || !file->Checked || !(file->Content.MaybePreview() || file->Content.CutShort()))
        return std::nullopt;
    std::string key = ArtistTitle(file->Content);
    if (key.empty()) {
        key = file->FileName;
        if (const size_t dot = key.rfind('.'); dot != std::string::npos && dot > 0)
            key.erase(dot);
    }
    return TWholeVersionQuest{key, file->Content.LengthMs};
}
