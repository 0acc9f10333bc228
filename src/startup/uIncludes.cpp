#include "startup/uIncludes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QLockFile>

#include "core/uSearchKeys.h"
#include "core/uTFileUtils.h"
#include "download/uDownloadStore.h"
#include "download/uTDownloadManager.h"
#include "playlist/uTPlayListManager.h"
#include "search/uTMp3Search.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"
#include "search/uTVerificationManager.h"
#include "startup/uProgramFolders.h"

std::string AppFolder;
std::string DataFolder;
std::unique_ptr<TAppOptions> AppOptions;
std::unique_ptr<TSearchManager> SearchManager;
std::unique_ptr<TPlayListManager> PlayListManager;
std::unique_ptr<TSearchResultManager> SearchResults;
std::unique_ptr<TSearchResultManager> PopularResults;
std::unique_ptr<TVerificationManager> VerificationManager;
std::unique_ptr<TDownloadManager> DownloadManager;
std::unique_ptr<TDownloadListKeeper> DownloadListKeeper;
std::unique_ptr<TSearchHistory> SearchKeys;
std::unique_ptr<TStringList> EngineList;

namespace {
// The single-instance marker: held from the first check until the process ends.
std::unique_ptr<QLockFile> InstanceMarker;
// The lock that IsAlreadyRunning took or found held.
std::string InstanceLockInUse;
// The engine list that StartUp chose: the user's own or the shipped one.
std::string EngineListFile;

std::string WithTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}
} // namespace

std::string InstanceLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && DirectoryExists(runtime))
        return WithTrailingSlash(runtime) + "Orvalo.lock";
    // The temporary folder is shared by every user: one lock each, or one user's running
    // program would refuse another user's.
    const std::string temp = QFile::encodeName(QDir::tempPath()).toStdString();
    return WithTrailingSlash(temp) + "Orvalo-" + std::to_string(::getuid()) + ".lock";
}

std::string InstanceDoorPath() {
    std::string lock = InstanceLockInUse.empty() ? InstanceLockPath() : InstanceLockInUse;
    if (lock.size() > 5 && lock.compare(lock.size() - 5, 5, ".lock") == 0)
        lock.resize(lock.size() - 5);
    return lock + ".door";
}

bool IsAlreadyRunning() {
    if (InstanceMarker)
        return false;
    // A lock that cannot be one (a folder put in its place, a lock that cannot be written) is
    // said so, and the next place is tried: it never keeps the program from starting.
    const std::string temp = QFile::encodeName(QDir::tempPath()).toStdString();
    const std::string fallback = WithTrailingSlash(temp) + "Orvalo-" + std::to_string(::getuid()) + "-2.lock";
    for (const std::string& path : {InstanceLockPath(), fallback}) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
            std::fprintf(stderr, "orvalo: cannot use the lock file %s: it is %s\n", path.c_str(),
                         S_ISDIR(info.st_mode) ? "a folder" : "no plain file");
            continue;
        }
        auto marker = std::make_unique<QLockFile>(QFile::decodeName(path.c_str()));
        // Never stale by age: only a lock whose process is gone is taken over.
        marker->setStaleLockTime(0);
        if (marker->tryLock(0)) {
            InstanceMarker = std::move(marker);
            InstanceLockInUse = path;
            return false;
        }
        if (marker->error() == QLockFile::LockFailedError) {
            InstanceLockInUse = path;
            return true;
        }
        std::fprintf(stderr, "orvalo: cannot use the lock file %s\n", path.c_str());
    }
    return false;
}

std::string ExecutableFolder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return WithTrailingSlash(std::filesystem::current_path(error).string());
    return WithTrailingSlash(exe.parent_path().string());
}

void SettleFolder(std::string& folder, const std::string& fallback, bool withParents) {
    if (DirectoryExists(folder))
        return;
    folder = fallback;
    if (!withParents) {
        CreateDir(folder);
        return;
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
}

void StartUp(const std::string& appFolder) {
    AppFolder = WithTrailingSlash(appFolder);
    const TProgramFolders folders = ChooseProgramFolders(AppFolder);
    DataFolder = folders.DataFolder;
    // A portable copy ships its data folder; an installed one makes the user's own.
    if (!folders.Portable) {
        std::error_code ignored;
        std::filesystem::create_directories(DataFolder, ignored);
    }
    EngineListFile = folders.EngineListPath();
    AppOptions = std::make_unique<TAppOptions>();
    AppOptions->Load();
    SettleFolder(AppOptions->DownloadDir, folders.DownloadDir, !folders.Portable);
    SettleFolder(AppOptions->IncompleteDir, folders.IncompleteDir, !folders.Portable);
    SearchManager =
        std::make_unique<TSearchManager>(kEnginesAtOnce, kEngineStartsPerTick, kSearchTickMs);
    PlayListManager = std::make_unique<TPlayListManager>(AppOptions->DownloadDir + "/");
    SearchResults = std::make_unique<TSearchResultManager>();
    PopularResults = std::make_unique<TSearchResultManager>();
    VerificationManager =
        std::make_unique<TVerificationManager>(kChecksAtOnce, kCheckStartsPerTick, kCheckTickMs);
    DownloadManager =
        std::make_unique<TDownloadManager>(AppOptions->DownloadDir, AppOptions->IncompleteDir);
    DownloadManager->SetLimits(AppOptions->DownloadsAtOnce);
    DownloadListKeeper = std::make_unique<TDownloadListKeeper>(*DownloadManager, DownloadListPath(DataFolder));
    SearchKeys = std::make_unique<TSearchHistory>();
    LoadSearchKeys(*SearchKeys, SearchKeysPath(DataFolder));
    EngineList = std::make_unique<TStringList>('*');
    LoadEngines();
}

int LoadEngines() {
    return LoadEngines(EngineListFile, *EngineList, *SearchManager);
}

std::vector<std::string> UnwritableFolders() {
    std::vector<std::string> unwritable;
    for (const std::string& folder :
         {DataFolder, AppOptions->DownloadDir, AppOptions->IncompleteDir}) {
        if (!FolderIsWritable(folder))
            unwritable.push_back(folder);
    }
    return unwritable;
}

void ShutDown() {
    if (SearchKeys)
        SaveSearchKeys(*SearchKeys, SearchKeysPath(DataFolder));
    if (AppOptions)
        AppOptions->Save();
    SearchKeys.reset();
    EngineList.reset();
    SearchManager.reset();
    PlayListManager.reset();
    SearchResults.reset();
    PopularResults.reset();
    VerificationManager.reset();
    DownloadListKeeper.reset(); // writes the list while the downloads are still there
    DownloadManager.reset();
    AppOptions.reset();
}
