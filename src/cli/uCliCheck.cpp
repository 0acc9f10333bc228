#include "cli/uCliCheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/uCliSearch.h"
#include "core/uTFileUtils.h"
#include "media/uContentCheck.h"

namespace {

// The plain files below `folder`, as the program lists a folder; links are not followed into
// other folders. A folder that cannot be listed, or whose listing broke off, is named in
// `unlisted`.
void CollectFiles(const std::string& folder, std::vector<std::string>& files,
                  std::vector<std::string>& unlisted) {
    std::vector<TListedFile> listed;
    std::vector<std::string> folders;
    if (!ListFolder(folder, listed, &folders))
        unlisted.push_back(folder);
    for (const TListedFile& file : listed)
        files.push_back((std::filesystem::path(folder) / file.Name).string());
    for (const std::string& below : folders)
        CollectFiles(below, files, unlisted);
}

} // namespace

int RunCliCheck(const std::vector<std::string>& paths) {
    bool allMp3 = true;
    bool errors = false;
    const auto report = [&](const std::string& file) {
        const TContentVerdict verdict = CheckContent(file);
        const std::string kind = KindWord(verdict);
        errors = errors || verdict.Kind == TContentKind::Unreadable;
        allMp3 = allMp3 && kind == "mp3";
        PrintFields({file, kind, VerdictText(verdict)});
    };
    for (const std::string& path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            std::vector<std::string> files;
            std::vector<std::string> unlisted;
            CollectFiles(path, files, unlisted);
            std::sort(files.begin(), files.end());
            for (const std::string& file : files)
                report(file);
            for (const std::string& folder : unlisted)
                std::fprintf(stderr, "orvalo-cli: cannot list %s\n", Printable(folder).c_str());
            errors = errors || !unlisted.empty();
        } else {
            report(path);
        }
    }
    std::fflush(stdout);
    return errors ? 2 : allMp3 ? 0 : 1;
}
