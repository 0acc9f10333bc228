#pragma once

#include <string>
#include <vector>

struct TCliDownloadOptions {
    std::string DownloadFolder;   // empty: the program's settings
    std::string IncompleteFolder; // empty: the program's settings
    std::string Name;             // empty: each address's last path segment
    std::vector<std::string> Urls;
};

// Downloads every address with the download manager, shows a progress bar per file on
// standard error when that is a terminal, and prints "complete<TAB>link<TAB>path" or
// "failed<TAB>link" per file. Returns 0 when every download completed, 1 otherwise.
int RunCliDownload(TCliDownloadOptions options);

// The file name an address gives: its last path segment, %XX decoded, made safe.
std::string FileNameFromUrl(const std::string& url);
