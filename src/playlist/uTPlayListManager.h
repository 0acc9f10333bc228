#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "core/uTRecordList.h"

// One file of the download folder.
class TPlayListFile {
public:
    TPlayListFile(std::string folder, std::string fileName, int64_t fileSize)
        : Folder(std::move(folder)), FileName(std::move(fileName)), FileSize(fileSize) {}
    std::string Folder; // as scanned, with its trailing "/"
    std::string FileName;
    int64_t FileSize;
    // What the file's content check found: its tags and audio figures (0 and empty until it
    // has been looked into, and for a file that is no MP3).
    bool Checked = false;
    std::string Artist;
    std::string Title;
    std::string Album;
    int64_t LengthMs = 0;
    int BitrateKbps = 0;
};

// A catalogue of the plain files (hidden ones included, no folders) in one folder, sorted by
// name, letter case aside (the window sorts its own view otherwise).
class TPlayListManager {
public:
    explicit TPlayListManager(std::string folder);
    TPlayListManager(const TPlayListManager&) = delete;
    TPlayListManager& operator=(const TPlayListManager&) = delete;
    ~TPlayListManager();

    std::string Folder; // always with a trailing "/"

    int Count() const { return m_files.Count(); }
    const TPlayListFile& File(int index) const { return *m_files.Objects(index); }
    // The row of a file by name, letter case aside; -1 when there is none.
    int IndexOf(const std::string& name) const { return m_files.IndexOf(name); }

    // Lists the folder anew: its regular files (hidden ones and links to files included; no
    // folders, pipes or devices), in the current sort.
    void Refresh();
    void Clear();
    void AddFile(const std::string& name, int64_t size);
    void RemoveFile(int index);
    void RenameFile(int index, const std::string& name);
    void SetFileSize(int index, int64_t size);
    // What the file's content check found.
    void SetSongFacts(int index, const std::string& artist, const std::string& title, const std::string& album,
                      int64_t lengthMs, int bitrateKbps);
    // Whether the folder holds a file of exactly this name, or one whose name (without its
    // extension) is the same song as `title` (NormalizedTitle) with this size.
    bool Holds(const std::string& fileName, const std::string& title, int64_t size) const;
    void Sort();

private:
    TRecordList<TPlayListFile> m_files{TOwnership::Owned};

    static std::string SongKey(const std::string& title, int64_t size);
    void Index(const TPlayListFile& file);
    void Unindex(const TPlayListFile& file);

    // What Holds looks up without a scan: the names, and the songs by title and size.
    std::unordered_multiset<std::string> m_names;
    std::unordered_multiset<std::string> m_songs;
};
