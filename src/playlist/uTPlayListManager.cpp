#include "playlist/uTPlayListManager.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "core/uTStringUtils.h"

namespace {
int Sign(int value) {
    return (value > 0) - (value < 0);
}

std::string LowerExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : AsciiLowerCopy(std::string_view(name).substr(dot));
}
} // namespace

TPlayListManager::TPlayListManager(std::string folder) : Folder(std::move(folder)) {
    Files.SetSortType(m_sortType);
    Files.SetSortDirection(m_sortDirection);
}

TPlayListManager::~TPlayListManager() {
    Clear();
}

void TPlayListManager::Clear() {
    Files.Clear();
    m_names.clear();
    m_songs.clear();
}

void TPlayListManager::AddFile(const std::string& name, int64_t size) {
    auto file = std::make_unique<TPlayListFile>(Folder, name, size);
    Index(*file);
    Files.Add(name, std::move(file));
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
    std::error_code error;
    for (std::filesystem::directory_iterator it(Folder, error), end; !error && it != end; it.increment(error)) {
        // A pipe or a device is no song: opening one to play it could wait for ever.
        struct stat info {};
        const std::string path = it->path().string();
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        AddFile(it->path().filename().string(), static_cast<int64_t>(info.st_size));
    }
    Sort();
}

void TPlayListManager::RemoveFile(int index) {
    if (index < 0 || index >= Files.Count())
        return;
    Unindex(*Files.Objects(index));
    Files.Delete(index);
}

void TPlayListManager::RenameFile(int index, const std::string& name) {
    if (index < 0 || index >= Files.Count())
        return;
    TPlayListFile& file = *Files.Objects(index);
    Unindex(file);
    file.FileName = name;
    Index(file);
    Files.SetString(index, name);
}

void TPlayListManager::SetSortType(int type) {
    m_sortType = type;
    Files.SetSortType(type);
}

void TPlayListManager::SetSortDirection(int direction) {
    m_sortDirection = direction == 1 ? 1 : 0;
    Files.SetSortDirection(m_sortDirection);
}

int TPlayListManager::Compare(const TPlayListFile& a, const TPlayListFile& b) const {
    int result = 0;
    switch (m_sortType) {
    case SortByName:
        result = Sign(AsciiLowerCopy(a.FileName).compare(AsciiLowerCopy(b.FileName)));
        break;
    case SortBySize:
        result = (a.FileSize > b.FileSize) - (a.FileSize < b.FileSize);
        break;
    case SortByExtension:
        result = Sign(LowerExtension(a.FileName).compare(LowerExtension(b.FileName)));
        break;
    default:
        break;
    }
    return m_sortDirection == 1 ? result : -result;
}

void TPlayListManager::Sort() {
    if (m_sortType == SortUnsorted)
        return;
    Files.CustomSort([this](const auto& a, const auto& b) { return Compare(*a.Object, *b.Object); });
}
