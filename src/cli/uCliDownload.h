#pragma once

#include <string>
#include <vector>

struct TCliDownloadOptions {
    std::string DownloadFolder;   // empty: the program's settings
    std::string IncompleteFolder; // empty: the program's settings
    std::string Name;             // empty: each address's last path segment
    std::vector<std::string> Urls;
    // Per address, the other links of the same file, tried in turn when it fails ("--or").
    std::vector<std::vector<std::string>> Alternatives;
    // A file of the download's name in the incomplete folder is continued ("--continue").
    bool Continue = false;
    // How often a cut transfer is tried again by itself ("--retries"; at most 3).
    int Retries = 3;
    // How many files come at once ("--parallel"); the others wait their turn.
    int Parallel = 6;
};

// Downloads every address with the download manager, shows a progress bar per file on
// standard error when that is a terminal, and prints "complete<TAB>link<TAB>path" or
// "failed<TAB>link<TAB>reason" per file; a file with other links is tried from each in turn
// before it counts as failed. Returns 0 when every download completed, 1 otherwise.
int RunCliDownload(TCliDownloadOptions options);

// The file name an address gives: its last path segment, %XX decoded, made safe.
std::string FileNameFromUrl(const std::string& url);
