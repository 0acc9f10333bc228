#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/uTFileUtils.h"
#include "core/uTRecordList.h"
#include "media/uContentCheck.h"
#include "playlist/uFolderWatch.h"

// One file of the download folder.
class TPlayListFile {
public:
    TPlayListFile(std::string folder, std::string fileName, int64_t fileSize)
        : Folder(std::move(folder)), FileName(std::move(fileName)), FileSize(fileSize) {}
    std::string Folder; // as scanned, with its trailing "/"
    std::string FileName;
    int64_t FileSize;
    // What the file's content check found: its tags and audio figures (zero and empty until
    // it has been looked into, and for a file that is no MP3).
    bool Checked = false;
    TContentVerdict Content;
};

// The library's files in list order, and what it looks up without a scan: the names, and
// the songs by title and size.
class TLibraryIndex {
public:
    int Count() const { return m_files.Count(); }
    TPlayListFile& File(int index) const { return *m_files.Objects(index); }
    // The index of a name, letter case aside; -1 when none.
    int IndexIgnoringCase(const std::string& name) const { return m_files.IndexOf(name); }
    bool HoldsName(const std::string& name) const { return m_names.count(name) != 0; }
    bool HoldsSong(const std::string& title, int64_t size) const;

    void Append(std::unique_ptr<TPlayListFile> file);
    void Delete(int index);
    // Changes the file's name or size with its look-ups.
    void Rename(int index, const std::string& name);
    void Resize(int index, int64_t size);
    void Clear();
    void Swap(TLibraryIndex& other) noexcept;

private:
    static std::string SongKey(const std::string& title, int64_t size);
    void Index(const TPlayListFile& file);
    void Unindex(const TPlayListFile& file);

    TRecordList<TPlayListFile> m_files{TOwnership::Owned};
    std::unordered_multiset<std::string> m_names;
    std::unordered_multiset<std::string> m_songs;
};

// A listing of the folder made into the whole library, on the listing's own thread: the
// GUI thread only swaps it in.
struct TWholeListing : TListingWork {
    TLibraryIndex Library;
    std::vector<std::string> Paths; // each file's, in list order
    std::unordered_set<std::string> Names;

    // `folder` with its trailing "/".
    static std::unique_ptr<TWholeListing> Make(const std::string& folder,
                                               const std::vector<TListedFile>& files);
};
