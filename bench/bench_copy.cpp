// The copy that puts a finished download into the download folder when the two folders are
// on different file systems, side by side with the cp tool copying the same file between
// the same folders in the same run. Prints both rates and their ratio (copy / cp), the best
// of several rounds of each.
// Usage: bench_copy [megabytes] [rounds] [source folder] [target folder]
//        bench_copy --once SOURCE TARGET   (one copy, for timing the process from outside)
// Defaults: 256 MB, 3 rounds, from the temporary folder into a RAM-backed one when there is
// one (another file system, as in the case measured).
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/uTFileUtils.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double TimeCp(const std::string& source, const std::string& target) {
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execlp("cp", "cp", source.c_str(), target.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double TimeCopy(const std::string& source, const std::string& target) {
    const auto start = Clock::now();
    const std::error_code error = CopyFileNoReplace(source, target);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return error ? -1 : seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--once")
        return CopyFileNoReplace(argv[2], argv[3]) ? 1 : 0;
    const int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 256;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::string from =
        argc > 3 ? argv[3] : fs::temp_directory_path().string() + "/orvalo-bench-copy";
    const std::string to = argc > 4                       ? argv[4]
                           : fs::is_directory("/dev/shm") ? "/dev/shm/orvalo-bench-copy"
                                                          : from + "/to";
    fs::create_directories(from);
    fs::create_directories(to);
    const std::string source = from + "/source.bin";
    {
        std::string block(1 << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 131 % 251);
        std::string data;
        data.reserve(static_cast<size_t>(megabytes) << 20);
        for (int64_t i = 0; i < megabytes; ++i)
            data += block;
        if (!TFileUtils::WriteWholeFile(source, data)) {
            std::fprintf(stderr, "cannot write %s\n", source.c_str());
            return 1;
        }
    }
    double bestCp = 1e9;
    double bestCopy = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const double cp = TimeCp(source, to + "/cp.bin");
        const double copy = TimeCopy(source, to + "/copy.bin");
        const bool same =
            TFileUtils::ReadWholeFile(to + "/copy.bin") == TFileUtils::ReadWholeFile(source);
        fs::remove(to + "/cp.bin");
        fs::remove(to + "/copy.bin");
        if (cp < 0 || copy < 0 || !same) {
            std::fprintf(stderr, "round %d failed (cp %.3f s, copy %.3f s, same %d)\n", round, cp,
                         copy, same);
            return 1;
        }
        bestCp = std::min(bestCp, cp);
        bestCopy = std::min(bestCopy, copy);
    }
    fs::remove(source);
    const double total = static_cast<double>(megabytes);
    std::printf("%lld MB from %s to %s, best of %d rounds\n", static_cast<long long>(megabytes),
                from.c_str(), to.c_str(), rounds);
    std::printf("cp:                  %8.1f MB/s\n", total / bestCp);
    std::printf("CopyFileNoReplace:   %8.1f MB/s\n", total / bestCopy);
    std::printf("ratio copy/cp: %.2f (target at least 1.00)\n", bestCp / bestCopy);
    return 0;
}
