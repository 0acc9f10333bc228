#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/uSearchKeys.h"
#include "core/uTAppOptions.h"
#include "core/uTStringList.h"
#include "download/uDownloadStore.h"
#include "download/uTDownloadManager.h"
#include "livedata/uTLiveUpdate.h"
#include "net/uTransferEngine.h"
#include "playlist/uTPlayListManager.h"
#include "search/uTPopularList.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"
#include "search/uTSearchSession.h"
#include "search/uTVerificationManager.h"
#include "search/uWishList.h"
#include "search/uWishSearch.h"
#include "startup/uProgramFolders.h"
#include "ui/pages/uServices.h"

class TPrompts;

// One run of the program: every service it works with, built once and in order by the
// composition root, and ended in the reverse order. Nothing of it is reachable from anywhere
// else: each part is handed the references it needs. Tests build one with an application
// folder of their own.
class TProgram {
public:
    // Loads the settings, settles and creates the two folders (and an installed copy's data
    // folder), builds the services on one transfer engine, loads the search history and the
    // engine list, and lists the downloads kept from the last run.
    explicit TProgram(const std::string& appFolder = ExecutableFolder());
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;
    // Saves the search history and the settings (a step that fails is skipped quietly), then
    // ends the services: the downloads list is written while the downloads are still there,
    // and the transfer engine, which every other service uses, goes last.
    ~TProgram();

    const std::string AppFolder; // the executable's folder, ending in "/"
    const TProgramFolders Folders;
    // The folder of the search history, the most-popular list and the user's own engine list,
    // ending in "/": AppFolder + "data/" for a portable copy, the user's data folder for an
    // installed one.
    const std::string DataFolder;

    std::unique_ptr<TTransferEngine> Transfers;
    std::unique_ptr<TAppOptions> Options;
    std::unique_ptr<TSearchManager> Engines;
    std::unique_ptr<TPlayListManager> PlayList;
    std::unique_ptr<TSearchResultManager> Results; // the current search's files
    std::unique_ptr<TSearchResultManager> Popular; // the most-popular list
    std::unique_ptr<TVerificationManager> Checks;
    std::unique_ptr<TDownloadManager> Downloads;
    std::unique_ptr<TDownloadListKeeper> DownloadList; // keeps the downloads list on disk
    std::unique_ptr<TSearchHistory> SearchKeys;        // newest first
    std::unique_ptr<TStringList> EngineList;           // engine key '*' display name
    std::unique_ptr<TSearchSession> Session;
    std::unique_ptr<TPopularList> PopularList;
    std::unique_ptr<TLiveUpdate> LiveData; // the maker's files, once the window is first shown
    std::unique_ptr<TWishList> Wishes;     // songs wanted whole, kept in the data folder
    // Searches the wish list again now and then, on engines and checks of its own.
    std::unique_ptr<TWishSearch> WishSearch;

    // Creates the engines of the engine list (the user's own, else the shipped one) in the
    // engine list and the search manager; returns how many were made.
    int LoadEngines();
    // The folders among the data folder and the two settled folders that cannot be written.
    std::vector<std::string> UnwritableFolders() const;
    // Asks the maker's server for the first-run files and the most-popular list, where due
    // (once a run).
    void StartLiveData();
    // Searches the wish list a minute from now and every few hours after.
    void StartWishRounds();
    // What the window and its pages work with.
    TServices Services(TPrompts& prompts);

private:
    // The wish list's searches: a session, engines and checks apart from the user's, made at
    // the first look.
    struct TQuietSearch;
    TSearchSession& QuietSession();

    std::string m_engineListFile; // chosen at the start: the user's own, or the shipped one
    std::unique_ptr<TQuietSearch> m_quiet;
};
