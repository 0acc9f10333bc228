#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/uTAppOptions.h"
#include "core/uTStringList.h"
#include "startup/uInstanceLock.h"

class TDownloadListKeeper;
class TDownloadManager;
class TPlayListManager;
class TSearchManager;
class TSearchHistory;
class TSearchResultManager;
class TVerificationManager;

// The process-wide instances. Each exists exactly once, from the end of StartUp to
// ShutDown; tests may build them through StartUp with a folder of their own.
extern std::string AppFolder; // the executable's folder, always ending in "/"
// The folder of the search history, the most-popular list and the user's own engine list,
// always ending in "/": AppFolder + "data/" for a portable copy, the user's data folder for
// an installed one.
extern std::string DataFolder;
extern std::unique_ptr<TAppOptions> AppOptions;
extern std::unique_ptr<TSearchManager> SearchManager;
extern std::unique_ptr<TPlayListManager> PlayListManager;
extern std::unique_ptr<TSearchResultManager> SearchResults;  // the current search's files
extern std::unique_ptr<TSearchResultManager> PopularResults; // the most-popular list
extern std::unique_ptr<TVerificationManager> VerificationManager;
extern std::unique_ptr<TDownloadManager> DownloadManager;
// Keeps the downloads list on disk from one run to the next.
extern std::unique_ptr<TDownloadListKeeper> DownloadListKeeper;
extern std::unique_ptr<TSearchHistory> SearchKeys;     // newest first
extern std::unique_ptr<TStringList> EngineList;        // engine key '*' display name

// The folder holding the running executable, with a trailing "/".
std::string ExecutableFolder();

// Loads the settings, settles and creates the two folders (and an installed copy's data
// folder), creates the process-wide instances, loads the search history and the engine list.
void StartUp(const std::string& appFolder = ExecutableFolder());
// Creates the engines of the engine list (the user's own, else the shipped one) in the engine
// list and the search manager; returns how many were made.
int LoadEngines();
// The folders among the data folder and the two settled folders that cannot be written.
std::vector<std::string> UnwritableFolders();
// Saves the history and the settings, then frees the instances in order. Saving steps that
// fail (a missing data folder) are skipped quietly; the rest still runs.
void ShutDown();

// Replaces a configured folder that does not exist by the default and creates it: one level,
// or with its missing parents when `withParents` (the defaults in the user's own folders).
void SettleFolder(std::string& folder, const std::string& fallback, bool withParents = false);
