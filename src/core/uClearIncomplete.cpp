#include "core/uClearIncomplete.h"

#include <unistd.h>

#include "core/uTFileUtils.h"

TClearRefusal WhyNotClearIncomplete(const std::string& incomplete, const std::string& download,
                                    const std::string& home) {
    if (FolderHolds(incomplete, download) && FolderHolds(download, incomplete))
        return TClearRefusal::IsDownloadFolder;
    if (FolderHolds(incomplete, home))
        return TClearRefusal::IsHomeFolder;
    if (FolderHolds(incomplete, download))
        return TClearRefusal::HoldsDownloadFolder;
    return TClearRefusal::None;
}

std::vector<std::string> IncompleteFilesToClear(const std::string& incomplete,
                                                const std::vector<std::string>& beingWritten) {
    return FolderFilesToDelete(incomplete, beingWritten);
}

void ClearIncompleteFiles(const std::vector<std::string>& files) {
    // Never a folder, even one put where a file was listed.
    for (const std::string& file : files)
        ::unlink(file.c_str());
}
