#include "startup/uIncludes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>

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
// The engine list that StartUp chose: the user's own or the shipped one.
std::string EngineListFile;

std::string WithTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}
} // namespace

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
