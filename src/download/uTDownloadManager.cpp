#include "download/uTDownloadManager.h"

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <system_error>

#include "search/uTSearchResultManager.h"

namespace {
constexpr size_t kMaxNameBytes = 240;
constexpr size_t kMaxExtensionBytes = 32;

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The extension of the last path segment, dot included; empty when there is none.
size_t ExtensionStart(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path.size();
    return dot;
}
} // namespace

std::string SafeFileName(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f)
            c = '_';
    }
    if (safe.empty() || safe == "." || safe == "..")
        return "download";
    if (safe.size() <= kMaxNameBytes)
        return safe;
    size_t dot = safe.rfind('.');
    if (dot == std::string::npos || dot == 0 || safe.size() - dot > kMaxExtensionBytes)
        dot = safe.size();
    const std::string extension = safe.substr(dot);
    size_t keep = kMaxNameBytes - extension.size();
    // Never cut a character of a multi-byte name in half.
    while (keep > 0 && IsUtf8Continuation(safe[keep]))
        --keep;
    return safe.substr(0, keep) + extension;
}

TDownloadManager::TDownloadManager(std::string downloadFolder, std::string incompleteFolder)
    : DownloadFolder(std::move(downloadFolder)), IncompleteFolder(std::move(incompleteFolder)) {}

TDownloadManager::~TDownloadManager() {
    KillAll();
    Workers.Clear();
    for (const auto& entry : Downloads.Entries())
        delete entry.Object;
    Downloads.Clear();
}

TDownload* TDownloadManager::Items(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return Downloads.Objects(index);
}

TDownload* TDownloadManager::Find(const std::string& key) const {
    const int index = Downloads.IndexOf(key);
    return index < 0 ? nullptr : Downloads.Objects(index);
}

bool TDownloadManager::IsTaken(const std::string& path) const {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0)
        return true;
    // A download that has not written its first block yet has no file, but its name is
    // spoken for all the same.
    for (const auto& entry : Downloads.Entries()) {
        if (entry.Object->FilePath == path)
            return true;
    }
    return false;
}

std::string TDownloadManager::UniqueFileName(const std::string& path) const {
    const size_t dot = ExtensionStart(path);
    const std::string base = path.substr(0, dot);
    const std::string extension = path.substr(dot);
    std::string candidate = path;
    for (int n = 1; IsTaken(candidate); ++n)
        candidate = base + std::to_string(n) + extension;
    return candidate;
}

void TDownloadManager::PurgeWorkers() {
    for (int i = Workers.Count() - 1; i >= 0; --i) {
        if (!Workers.Objects(i)->IsRunning())
            Workers.Delete(i);
    }
}

void TDownloadManager::KillAll() {
    for (const auto& entry : Workers.Entries())
        entry.Object->Kill();
}

void TDownloadManager::AddDownload(const TSearchResult& result) {
    PurgeWorkers();
    if (Downloads.IndexOf(result.Key) >= 0)
        return;
    auto download = std::make_unique<TDownload>(result.Key, result.FileName, result.Size);
    download->Url = result.Url;
    download->FilePath = UniqueFileName(IncompleteFolder + "/" + SafeFileName(result.FileName));
    TDownload& added = *download;
    Downloads.Add(result.Key, download.release());
    StartWorker(added);
}

void TDownloadManager::RestartDownload(const std::string& key) {
    PurgeWorkers();
    TDownload* download = Find(key);
    if (download == nullptr || Workers.IndexOf(key) >= 0 || !download->Failed)
        return;
    download->Failed = false;
    StartWorker(*download);
}

void TDownloadManager::StartWorker(const TDownload& download) {
    auto worker = std::make_unique<TGetFile>(download.Key);
    // The transfer reports on its own thread; records, lists and the page belong to the GUI
    // thread, so every event is handed over there, by value, in the order raised.
    const TLifelineRef alive = m_alive;
    worker->OnProgress = [this, alive](const std::string& key, int64_t total, int64_t received, int64_t speed) {
        HandOver(alive, [=, this] { WorkerProgress(key, total, received, speed); });
    };
    worker->OnError = [this, alive](const std::string& key) { HandOver(alive, [=, this] { WorkerError(key); }); };
    worker->OnComplete = [this, alive](const std::string& key) {
        HandOver(alive, [=, this] { WorkerComplete(key); });
    };
    TGetFile& started = *worker;
    Workers.Add(download.Key, std::move(worker));
    started.Start(download.FilePath, download.Url);
}

void TDownloadManager::CancelDownload(const std::string& key) {
    const int index = Workers.IndexOf(key);
    if (index >= 0 && Workers.Objects(index)->IsRunning())
        Workers.Objects(index)->Stop();
}

void TDownloadManager::CancelAllDownloads() {
    for (const auto& entry : Workers.Entries()) {
        if (entry.Object->IsRunning())
            entry.Object->Stop();
    }
}

void TDownloadManager::WorkerProgress(const std::string& key, int64_t totalSize, int64_t received,
                                      int64_t bytesPerSecond) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    download->Size = totalSize;
    download->Received = received;
    download->Progress = totalSize > 0
                             ? static_cast<int>(std::floor(static_cast<double>(received) / static_cast<double>(totalSize) * 100.0))
                             : 0;
    download->Speed = bytesPerSecond;
    if (OnDownloadProgress)
        OnDownloadProgress(key, *download);
}

void TDownloadManager::WorkerError(const std::string& key) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    download->Failed = true;
    if (OnDownloadError)
        OnDownloadError(key);
}

void TDownloadManager::WorkerComplete(const std::string& key) {
    TDownload* download = Find(key);
    if (download == nullptr)
        return;
    const std::string target = UniqueFileName(DownloadFolder + "/" + SafeFileName(download->FileName));
    std::error_code error;
    const bool copied = std::filesystem::copy_file(download->FilePath, target, std::filesystem::copy_options::none, error);
    if (!copied) {
        // A copy that could not be made whole (a full disk, a folder gone) is no completed
        // download: what it left behind goes, the file in the incomplete folder stays for a
        // restart.
        std::error_code ignored;
        if (error.value() != EEXIST)
            std::filesystem::remove(target, ignored);
        download->Failed = true;
        if (OnDownloadError)
            OnDownloadError(key);
        return;
    }
    download->FilePath = target;
    download->Completed = true;
    if (OnDownloadComplete)
        OnDownloadComplete(key);
}
