#pragma once

#include <functional>
#include <string>

// Where the program keeps its files. A copy run from a folder its user may write (the build
// folder, a portable copy) keeps everything beside the executable. An installed copy never
// writes below its install prefix: the user's files go to the user's own folders, and what
// was installed with the program is only read.
struct TProgramFolders {
    bool Portable = true;
    std::string DataFolder; // ends in "/": search history, most-popular list, own engine list
    std::string ShippedDataFolder; // ends in "/": the engine list installed with the program
    std::string DownloadDir;       // the default download folder
    std::string IncompleteDir;     // the default incomplete-files folder

    // The user's own engine list once there is one, the shipped one until then.
    std::string EngineListPath() const;
};

using TFolderWritable = std::function<bool(const std::string& folder)>;

// True when the folder exists and this process may create files in it.
bool FolderIsWritable(const std::string& folder);

// Decides the folders for a program whose executable lies in `appFolder` ("/"-ended). It runs
// portable when it may write that folder and the folder is not the bin folder of an installed
// layout (one with share/orvalo/data beside it: root, or a user installing into a prefix of
// their own, may write there too). Otherwise the user's folders are used: the data folder
// $XDG_DATA_HOME/Orvalo/data, downloads in the music folder's "Orvalo", incomplete files in
// $XDG_DATA_HOME/Orvalo/Incomplete. Nothing is created here.
TProgramFolders ChooseProgramFolders(const std::string& appFolder,
                                     const TFolderWritable& writable = FolderIsWritable);

// The folder holding the running executable, with a trailing "/".
std::string ExecutableFolder();

// Replaces a configured folder that does not exist by the default and creates it: one level,
// or with its missing parents when `withParents` (the defaults in the user's own folders).
void SettleFolder(std::string& folder, const std::string& fallback, bool withParents = false);
