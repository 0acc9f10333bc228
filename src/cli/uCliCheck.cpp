#include "cli/uCliCheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/uCliSearch.h"
#include "media/uContentCheck.h"

namespace {

namespace fs = std::filesystem;

// The plain files below `folder`; links are not followed into other folders. A folder that
// cannot be listed, or whose listing broke off, is named in `unlisted`.
void CollectFiles(const fs::path& folder, std::vector<std::string>& files,
                  std::vector<std::string>& unlisted) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
        // The type the listing gave, where it gave one: a folder too deep to name still is one.
        std::error_code typeError;
        const bool link = it->is_symlink(typeError);
        const bool folder = !link && !typeError && it->is_directory(typeError);
        if (typeError)
            unlisted.push_back(it->path().string());
        else if (folder)
            CollectFiles(it->path(), files, unlisted);
        else if (it->is_regular_file(typeError))
            files.push_back(it->path().string());
    }
    if (error)
        unlisted.push_back(folder.string());
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
