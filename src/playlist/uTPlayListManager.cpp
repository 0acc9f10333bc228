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
}

void TPlayListManager::AddFile(const std::string& name, int64_t size) {
    Files.Add(name, std::make_unique<TPlayListFile>(Folder, name, size));
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
    Files.Delete(index);
}

void TPlayListManager::RenameFile(int index, const std::string& name) {
    if (index < 0 || index >= Files.Count())
        return;
    Files.Objects(index)->FileName = name;
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
