#include "playlist/uLibraryIndex.h"

#include "core/uTStringUtils.h"

std::string TLibraryIndex::SongKey(const std::string& title, int64_t size) {
    return NormalizedTitle(title) + '\n' + std::to_string(size);
}

bool TLibraryIndex::HoldsSong(const std::string& title, int64_t size) const {
    return m_songs.count(SongKey(title, size)) != 0;
}

void TLibraryIndex::Index(const TPlayListFile& file) {
    m_names.insert(file.FileName);
    const size_t dot = file.FileName.rfind('.');
    m_songs.insert(SongKey(file.FileName.substr(0, dot), file.FileSize));
}

void TLibraryIndex::Unindex(const TPlayListFile& file) {
    if (const auto name = m_names.find(file.FileName); name != m_names.end())
        m_names.erase(name);
    const size_t dot = file.FileName.rfind('.');
    if (const auto song = m_songs.find(SongKey(file.FileName.substr(0, dot), file.FileSize));
        song != m_songs.end())
        m_songs.erase(song);
}

void TLibraryIndex::Append(std::unique_ptr<TPlayListFile> file) {
    Index(*file);
    std::string name = file->FileName;
    m_files.Add(std::move(name), std::move(file));
}

void TLibraryIndex::Delete(int index) {
    Unindex(File(index));
    m_files.Delete(index);
}

void TLibraryIndex::Rename(int index, const std::string& name) {
    TPlayListFile& file = File(index);
    Unindex(file);
    file.FileName = name;
    Index(file);
    m_files.SetString(index, name);
}

void TLibraryIndex::Resize(int index, int64_t size) {
    TPlayListFile& file = File(index);
    Unindex(file);
    file.FileSize = size;
    Index(file);
}

void TLibraryIndex::Clear() {
    m_files.Clear();
    m_names.clear();
    m_songs.clear();
}

void TLibraryIndex::Swap(TLibraryIndex& other) noexcept {
    m_files.Swap(other.m_files);
    m_names.swap(other.m_names);
    m_songs.swap(other.m_songs);
}

std::unique_ptr<TWholeListing> TWholeListing::Make(const std::string& folder,
                                                   const std::vector<TListedFile>& files) {
    auto whole = std::make_unique<TWholeListing>();
    whole->Paths.reserve(files.size());
    whole->Names.reserve(files.size());
    for (const TListedFile& file : files) {
        whole->Library.Append(std::make_unique<TPlayListFile>(folder, file.Name, file.Size));
        whole->Paths.push_back(folder + file.Name);
        whole->Names.insert(file.Name);
    }
    // The first look-up makes the look-up by name: here, not on the GUI thread.
    whole->Library.IndexIgnoringCase(std::string());
    return whole;
}
