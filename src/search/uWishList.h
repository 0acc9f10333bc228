#pragma once

#include <string>
#include <vector>

#include <QObject>

#include "search/uTSearchResultManager.h"

// A song the user wants whole and could not get: every source failed, or gave only a preview
// or a cut file. It is searched for again now and then, quietly, until a whole copy appears.
struct TWish {
    std::string Words;    // what is searched for, as the user would type it
    int LongerThanMs = 0; // a copy found must play longer than this (the poor copy's length)
    std::string Since;    // the day it was wished for, as "2026-12-09"
    std::string LastLook; // when it was last searched for, as "2026-12-09T10:04"; empty before
    // The whole copy found, with the song's other whole links to fall back on; its Url is empty
    // while none was found. It is fetched only when the user says so.
    TSearchResult Found{"", TSearchResult::NotVerified, "", "", 0};
    std::string FoundQuality; // what its start said, in a few words ("192 kbps, 4:05")

    bool HasFound() const { return !Found.Url.empty(); }
};

// The wish list, kept on disk as JSON and written whole at each change (a temporary name, then
// a rename). One wish a song: words that make the same title (NormalizedTitle) are one wish.
// A file that holds no list is moved aside (to the path + ".bad") and the list starts empty.
class TWishList : public QObject {
    Q_OBJECT
public:
    // Loads the list kept at `path`; an empty path keeps it in memory only.
    explicit TWishList(std::string path, QObject* parent = nullptr);

    // False when the song is wished for already (or the words are blank).
    bool Add(const std::string& words, int longerThanMs = 0);
    void Remove(const std::string& words);
    int Count() const { return static_cast<int>(m_wishes.size()); }
    const TWish& At(int index) const { return m_wishes[static_cast<size_t>(index)]; }
    // The wish for the song `words` name; -1 when there is none.
    int IndexOf(const std::string& words) const;
    // The words of the wishes that wait for a whole copy, in the order wished.
    std::vector<std::string> Unfound() const;

    void NoteLook(const std::string& words, const std::string& when);
    void NoteFound(const std::string& words, const TSearchResult& found, const std::string& quality);

    // Writes the list now; false when it could not be written (the old file stays).
    bool Save() const;

signals:
    // A wish came, went, or was looked for or found.
    void Changed();

private:
    void Load();
    void Store();

    const std::string m_path;
    std::vector<TWish> m_wishes;
};

// The wish list's file in the data folder.
std::string WishListPath(const std::string& dataFolder);
