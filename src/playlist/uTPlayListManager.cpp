#include "playlist/uTPlayListManager.h"

#include "core/uTStringUtils.h"
#include "playlist/uFolderWatch.h"

TPlayListManager::TPlayListManager(std::string folder) : Folder(std::move(folder)) {}

TPlayListManager::~TPlayListManager() {
    Clear();
}

void TPlayListManager::Clear() {
    m_files.Clear();
    m_names.clear();
    m_songs.clear();
}

void TPlayListManager::AddFile(const std::string& name, int64_t size) {
    auto file = std::make_unique<TPlayListFile>(Folder, name, size);
    Index(*file);
    m_files.Add(name, std::move(file));
}

std::string TPlayListManager::SongKey(const std::string& title, int64_t size) {
    return NormalizedTitle(title) + '\n' + std::to_string(size);
}

void TPlayListManager::Index(const TPlayListFile& file) {
    m_names.insert(file.FileName);
    const size_t dot = file.FileName.rfind('.');
    m_songs.insert(SongKey(file.FileName.substr(0, dot), file.FileSize));
}

void TPlayListManager::Unindex(const TPlayListFile& file) {
    if (const auto name = m_names.find(file.FileName); name != m_names.end())
        m_names.erase(name);
    const size_t dot = file.FileName.rfind('.');
    if (const auto song = m_songs.find(SongKey(file.FileName.substr(0, dot), file.FileSize)); song != m_songs.end())
        m_songs.erase(song);
}

bool TPlayListManager::Holds(const std::string& fileName, const std::string& title, int64_t size) const {
    return m_names.count(fileName) != 0 || (size > 0 && m_songs.count(SongKey(title, size)) != 0);
}

void TPlayListManager::Refresh() {
    Clear();
    std::vector<TListedFile> files;
    ListFolder(Folder, files);
    for (const TListedFile& file : files)
        AddFile(file.Name, file.Size);
    Sort();
}

void TPlayListManager::SetFileSize(int index, int64_t size) {
    if (index < 0 || index >= m_files.Count())
        return;
    TPlayListFile& file = *m_files.Objects(index);
    Unindex(file);
    file.FileSize = size;
    Index(file);
}

void TPlayListManager::SetSongFacts(int index, const std::string& artist, const std::string& title,
                                    const std::string& album, int64_t lengthMs, int bitrateKbps) {
    if (index < 0 || index >= m_files.Count())
        return;
    TPlayListFile& file = *m_files.Objects(index);
    file.Checked = true;
    file.Artist = artist;
    file.Title = title;
    file.Album = album;
    file.LengthMs = lengthMs;
    file.BitrateKbps = bitrateKbps;
}

void TPlayListManager::RemoveFile(int index) {
    if (index < 0 || index >= m_files.Count())
        return;
    Unindex(*m_files.Objects(index));
    m_files.Delete(index);
}

void TPlayListManager::RenameFile(int index, const std::string& name) {
    if (index < 0 || index >= m_files.Count())
        return;
    TPlayListFile& file = *m_files.Objects(index);
    Unindex(file);
    file.FileName = name;
    Index(file);
    m_files.SetString(index, name);
}

void TPlayListManager::Sort() {
    m_files.CustomSort([](const auto& a, const auto& b) {
        return AsciiLowerCopy(a.Object->FileName).compare(AsciiLowerCopy(b.Object->FileName));
    });
}
