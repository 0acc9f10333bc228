#pragma once

#include <string>
#include <vector>

// Why the incomplete folder may not be emptied by Clear Incomplete Folder.
enum class TClearRefusal {
    None,
    IsDownloadFolder,    // the finished downloads would go
    HoldsDownloadFolder, // the download folder lies inside it
    IsHomeFolder         // the user's own files would go
};

// `home` is the user's home folder.
TClearRefusal WhyNotClearIncomplete(const std::string& incomplete, const std::string& download,
                                    const std::string& home);

// The files Clear Incomplete Folder deletes: every plain file directly inside `incomplete`
// but those that running downloads write (`beingWritten`, under any spelling).
std::vector<std::string> IncompleteFilesToClear(const std::string& incomplete,
                                                const std::vector<std::string>& beingWritten);
// Deletes those files (a link as the link: its target stays); what cannot be deleted stays.
void ClearIncompleteFiles(const std::vector<std::string>& files);
