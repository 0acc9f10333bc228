#pragma once

#include <optional>
#include <string>

class TPlayListManager;

// A look for a whole copy of a song the user has only a preview or a cut file of: what to
// search for, and the length the copies found must pass.
struct TWholeVersionQuest {
    std::string Key;
    int LongerThanMs = 0;
};

// The quest for the library's file at `path` (a full path): none when the library does not
// hold it, has not looked into it yet, or found it whole. The song is searched by its tags'
// artist and title, or else by its file name.
std::optional<TWholeVersionQuest> WholeVersionQuest(const TPlayListManager& library, const std::string& path);

// The song a file's name stands for: the name without its extension, underscores as spaces,
// and the bracketed words sites add at its end left out ("Band - Song (preview).mp3" is
// "Band - Song").
std::string SongOfFileName(std::string name);
