#include "ui/pages/uWholeVersion.h"

#include <algorithm>

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
    if (key.empty())
        key = SongOfFileName(file->FileName);
    return TWholeVersionQuest{key, file->Content.LengthMs};
}

std::string SongOfFileName(std::string name) {
    if (const size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    std::replace(name.begin(), name.end(), '_', ' ');
    // What sites add in brackets at the end ("(preview)", "[128k]") is no part of the song.
    while (!name.empty() && (name.back() == ')' || name.back() == ']')) {
        const size_t open = name.find_last_of(name.back() == ')' ? '(' : '[');
        if (open == std::string::npos || open == 0)
            break;
        name.erase(open);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
    }
    return name;
}
