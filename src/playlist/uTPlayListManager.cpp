#include "playlist/uTPlayListManager.h"

#include <filesystem>
#include <iterator>
#include <unordered_map>

#include <QTimer>

#include "core/uTFileUtils.h"
#include "core/uTStringUtils.h"

namespace {
// The folder a path lies in, spelled one way: "/a//b/./x.mp3" and "/a/b/x.mp3" lie in one.
std::string FolderOf(const std::string& path) {
    return WithTrailingSlash(std::filesystem::path(path).lexically_normal().parent_path().string());
}
} // namespace

TPlayListManager::TPlayListManager(std::string folder, int checkers, QObject* parent)
    : QObject(parent), m_folder(WithTrailingSlash(std::move(folder))),
      m_watch([](const std::string& folder, const std::vector<TListedFile>& files) {
          return TWholeListing::Make(WithTrailingSlash(folder), files);
      }),
      m_checker(std::make_unique<TContentChecker>(checkers)) {
    m_checker->OnChecked = [this](const std::string& path, const TContentVerdict& verdict) {
        CheckedFile(path, verdict);
    };
    connect(&m_watch, &TFolderWatch::Listed, this, &TPlayListManager::Follow);
}

TPlayListManager::~TPlayListManager() {
    m_checker.reset();
}

void TPlayListManager::SetFolder(const std::string& folder) {
    m_folder = WithTrailingSlash(folder);
}

int TPlayListManager::IndexOf(const std::string& name) const {
    // The list's own look-up first: it ignores letter case, the file system does not.
    if (const int index = m_library.IndexIgnoringCase(name);
        index >= 0 && File(index).FileName == name)
        return index;
    for (int index = 0; index < Count(); ++index) {
        if (File(index).FileName == name)
            return index;
    }
    return -1;
}

void TPlayListManager::Clear() {
    m_library.Clear();
}

void TPlayListManager::Append(const std::string& name, int64_t size) {
    m_library.Append(std::make_unique<TPlayListFile>(m_folder, name, size));
}

bool TPlayListManager::Holds(const std::string& fileName, const std::string& title,
                             int64_t size) const {
    return m_library.HoldsName(fileName) || (size > 0 && m_library.HoldsSong(title, size));
}

void TPlayListManager::Refresh() {
    m_watch.Watch(m_folder.substr(0, m_folder.size() - 1));
    m_listing = true;
    m_watch.ListNow();
}

void TPlayListManager::TakeListing(TWholeListing& whole) {
    m_listing = false;
    m_library.Swap(whole.Library);
    emit Reset();
    // Names show at once; the tags and the lengths their headers state fill in as the files
    // are opened, every one first; the lengths every frame makes come after, a file at a time.
    m_checker->CancelAll();
    m_checking.swap(whole.Names);
    std::vector<std::string> paths = std::move(whole.Paths);
    const auto listed = static_cast<std::ptrdiff_t>(paths.size());
    paths.insert(paths.end(), m_outside.begin(), m_outside.end());
    // Handing thousands of files to the checker is left to the next turn, so that the turn
    // that shows the names ends sooner; a listing anew meanwhile makes this one void.
    QTimer::singleShot(0, this, [this, listing = ++m_listings, listed, paths = std::move(paths)] {
        if (listing != m_listings)
            return;
        m_checker->Check(std::vector<std::string>(paths.begin(), paths.begin() + listed),
                         TCheckDepth::Header);
        m_checker->Check(paths, TCheckDepth::Full);
    });
}

void TPlayListManager::Place(const std::string& path, int64_t size) {
    const std::string name = NameInFolder(path);
    if (name.empty()) {
        // Placed in a folder the list no longer shows (the user chose another meanwhile):
        // its verdict is still wanted by the download that made it.
        if (m_outside.insert(path).second)
            m_checker->Check(path);
        return;
    }
    const int index = IndexOf(name);
    if (index < 0) {
        Append(name, size);
        emit Added(Count() - 1, Count() - 1);
        CheckLater(name);
    } else if (m_checking.count(name) == 0 && File(index).Checked) {
        emit Checked(m_folder + name, File(index).Content);
    } else if (m_checking.count(name) == 0) {
        CheckLater(name);
    }
}

void TPlayListManager::CheckLater(const std::string& name) {
    m_checking.insert(name);
    m_checker->Check(m_folder + name);
}

std::string TPlayListManager::NameInFolder(const std::string& path) const {
    if (FolderOf(path) != FolderOf(m_folder + "x"))
        return {};
    return LastPathSegment(path);
}

void TPlayListManager::CheckedFile(const std::string& path, const TContentVerdict& verdict) {
    m_outside.erase(path);
    if (const std::string name = NameInFolder(path); !name.empty()) {
        m_checking.erase(name);
        if (const int index = IndexOf(name); index >= 0) {
            TPlayListFile& file = m_library.File(index);
            file.Checked = true;
            file.Content = verdict;
            emit Changed(index);
        }
    }
    emit Checked(path, verdict);
}

void TPlayListManager::SetFileSize(int index, int64_t size) {
    m_library.Resize(index, size);
}

void TPlayListManager::Forget(int index) {
    if (index >= 0 && index < Count())
        Remove(index);
}

void TPlayListManager::Remove(int index) {
    emit AboutToBeRemoved(index);
    m_library.Delete(index);
    emit Removed();
}

bool TPlayListManager::Rename(int index, const std::string& name) {
    if (index < 0 || index >= Count() || !RenameInFolder(m_folder, File(index).FileName, name))
        return false;
    m_library.Rename(index, name);
    emit Changed(index);
    return true;
}

void TPlayListManager::Follow(const std::vector<TListedFile>& listing,
                              const std::shared_ptr<TListingWork>& work) {
    if (m_listing) {
        // A listing under way when the Refresh came was not prepared: it is made whole here.
        if (auto* whole = dynamic_cast<TWholeListing*>(work.get()))
            TakeListing(*whole);
        else
            TakeListing(*TWholeListing::Make(m_folder, listing));
        return;
    }
    std::unordered_map<std::string, int64_t> listed;
    for (const TListedFile& file : listing)
        listed.emplace(file.Name, file.Size);
    // From the last row up: a removed row does not move those still to look at.
    for (int index = Count() - 1; index >= 0; --index) {
        const TPlayListFile& file = File(index);
        const auto found = listed.find(file.FileName);
        if (found == listed.end()) {
            Remove(index);
            continue;
        }
        if (found->second != file.FileSize) {
            SetFileSize(index, found->second);
            emit Changed(index);
        }
        listed.erase(found);
    }
    const int first = Count();
    for (const TListedFile& file : listing) {
        if (listed.count(file.Name) == 0)
            continue; // listed already
        Append(file.Name, file.Size);
        CheckLater(file.Name);
    }
    if (Count() > first)
        emit Added(first, Count() - 1);
    emit Followed();
}
