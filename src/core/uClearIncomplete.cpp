#include "core/uClearIncomplete.h"

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
