#include "cli/uCliCheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "media/uContentCheck.h"

namespace {

// The plain files below `folder`, in name order; links are not followed into other folders.
std::vector<std::string> FilesBelow(const std::string& folder, bool& complete) {
    std::vector<std::string> files;
    std::error_code error;
    const auto options = std::filesystem::directory_options::skip_permission_denied;
    for (std::filesystem::recursive_directory_iterator it(folder, options, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            files.push_back(it->path().string());
    }
    complete = !error;
    std::sort(files.begin(), files.end());
    return files;
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
        std::printf("%s\t%s\t%s\n", file.c_str(), kind.c_str(), VerdictText(verdict).c_str());
    };
    for (const std::string& path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            bool complete = true;
            for (const std::string& file : FilesBelow(path, complete))
                report(file);
            if (!complete) {
                std::fprintf(stderr, "orvalo-cli: cannot list all of %s\n", path.c_str());
                errors = true;
            }
        } else {
            report(path);
        }
    }
    std::fflush(stdout);
    return errors ? 2 : allMp3 ? 0 : 1;
}
