#include "playlist/uFolderWatch.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include <QFile>

#include "core/uTStringUtils.h"

namespace {
// By name, letter case aside (then by the exact name, so that the order is always one).
void SortByName(std::vector<TListedFile>& files) {
    std::vector<std::pair<std::string, size_t>> keys;
    keys.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        keys.emplace_back(AsciiLowerCopy(files[i].Name), i);
    std::sort(keys.begin(), keys.end(), [&files](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : files[a.second].Name < files[b.second].Name;
    });
    std::vector<TListedFile> sorted;
    sorted.reserve(files.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(files[key.second]));
    files = std::move(sorted);
}
} // namespace

TFolderWatch::TFolderWatch(TPrepare prepare, QObject* parent)
    : QObject(parent), m_prepare(std::move(prepare)) {
    m_gather.setSingleShot(true);
    m_gather.setInterval(kGatherMs);
    connect(&m_gather, &QTimer::timeout, this, &TFolderWatch::StartListing);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &TFolderWatch::ListSoon);
}

TFolderWatch::~TFolderWatch() {
    if (m_lister.joinable())
        m_lister.join();
}

void TFolderWatch::Watch(const std::string& folder) {
    if (folder == m_folder)
        return;
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_folder = folder;
    if (!folder.empty())
        m_watcher.addPath(QFile::decodeName(folder.c_str()));
}

void TFolderWatch::ListNow() {
    m_gather.stop();
    m_prepareNext = true;
    StartListing();
}

void TFolderWatch::ListSoon() {
    // A burst of changes (a copy of many files) restarts the wait: one listing at its end.
    m_gather.start();
}

void TFolderWatch::StartListing() {
    if (m_listing) {
        m_again = true;
        return;
    }
    if (m_lister.joinable())
        m_lister.join();
    m_listing = true;
    const TLifelineRef alive = m_alive;
    TPrepare prepare = std::exchange(m_prepareNext, false) ? m_prepare : TPrepare();
    m_lister = std::thread([this, alive, folder = m_folder, prepare = std::move(prepare)] {
        std::vector<TListedFile> files;
        ListFolder(folder, files);
        SortByName(files);
        std::shared_ptr<TListingWork> work;
        if (prepare)
            work = prepare(folder, files);
        HandOver(alive, [this, folder, files = std::move(files), work = std::move(work)] {
            ListingDone(folder, files, work);
        });
    });
}

void TFolderWatch::ListingDone(const std::string& folder, const std::vector<TListedFile>& files,
                               const std::shared_ptr<TListingWork>& work) {
    m_listing = false;
    // A listing of a folder no longer followed tells nothing.
    if (folder == m_folder)
        emit Listed(files, work);
    if (m_again) {
        m_again = false;
        StartListing();
    }
}
