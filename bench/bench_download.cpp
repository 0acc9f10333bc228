// Four large files downloaded at once through the download manager, side by side with four
// curl processes fetching the same files from the same loopback server in the same run.
// Prints both aggregate rates, their ratio (manager / curl) and the peak memory of this
// process. Files go to a RAM-backed folder when there is one, so the disk does not decide.
// With --small COUNT KILOBYTES: COUNT small files all started at once through the download
// manager, against one curl process fetching the same files 50 at a time (--parallel).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QTimer>

#include "TestServer.h"
#include "core/uProcessLimits.h"
#include "core/uTFileUtils.h"
#include "download/uTDownloadManager.h"
#include "search/uTSearchResultManager.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string MakeFolder(const std::string& root, const std::string& name) {
    const std::string path = root + "/" + name;
    fs::remove_all(path);
    fs::create_directories(path);
    return path;
}

double TimeCurl(const std::string& proxy, const std::vector<std::string>& urls, const std::string& folder) {
    const auto start = Clock::now();
    std::vector<pid_t> children;
    for (size_t i = 0; i < urls.size(); ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string out = folder + "/curl" + std::to_string(i) + ".bin";
            ::execlp("curl", "curl", "-s", "-f", "--proxy", proxy.c_str(), "-o", out.c_str(), urls[i].c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        children.push_back(pid);
    }
    bool ok = true;
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return ok ? seconds : -1;
}

double TimeCurlParallel(const std::string& proxy, const std::vector<std::string>& urls,
                        const std::string& folder) {
    const std::string config = folder + "/urls.conf";
    {
        std::string text;
        for (size_t i = 0; i < urls.size(); ++i)
            text += "url = \"" + urls[i] + "\"\noutput = \"" + folder + "/curl" +
                    std::to_string(i) + ".bin\"\n";
        if (!TFileUtils::WriteWholeFile(config, text))
            return -1;
    }
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Its progress meter runs even when silenced; curl runs as well with it shown.
        [[maybe_unused]] FILE* const quiet = ::freopen("/dev/null", "w", stderr);
        ::execlp("curl", "curl", "-s", "-f", "--parallel", "--parallel-max", "50", "--proxy",
                 proxy.c_str(), "-K", config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double TimeManager(const std::vector<std::string>& urls, const std::string& done, const std::string& partial) {
    TDownloadManager manager(done, partial);
    int pending = static_cast<int>(urls.size());
    bool ok = true;
    manager.OnDownloadComplete = [&](const std::string&) {
        if (--pending == 0)
            QCoreApplication::exit(0);
    };
    manager.OnDownloadError = [&](const std::string&) {
        ok = false;
        if (--pending == 0)
            QCoreApplication::exit(0);
    };
    const auto start = Clock::now();
    for (size_t i = 0; i < urls.size(); ++i) {
        const std::string name = "file" + std::to_string(i) + ".bin";
        manager.AddDownload(TSearchResult(urls[i], TSearchResult::Verified, urls[i], name, 0));
    }
    QCoreApplication::exec();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return ok ? seconds : -1;
}

// Serves `count` bodies of `size` bytes at prefix0.ext, prefix1.ext ...; returns their addresses.
std::vector<std::string> ServeFiles(TTestServer& server, int count, int64_t size, const std::string& prefix,
                                    const std::string& extension) {
    std::vector<std::string> urls;
    for (int i = 0; i < count; ++i) {
        TScriptedResponse response;
        response.SyntheticBodySize = size;
        const std::string address = prefix + std::to_string(i) + extension;
        server.Serve(address, response);
        urls.push_back("http://" + address);
    }
    return urls;
}

} // namespace

int SmallFiles(int count, int64_t kilobytes, int rounds, const std::string& root) {
    TTestServer server;
    server.UseAsProxy();
    const std::vector<std::string> urls = ServeFiles(server, count, kilobytes * 1024, "small.test/s", ".mp3");
    double bestCurl = 1e9;
    double bestManager = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const double curl = TimeCurlParallel(server.ProxyAddress(), urls, MakeFolder(root, "curl"));
        fs::remove_all(root + "/curl");
        const double managed =
            TimeManager(urls, MakeFolder(root, "done"), MakeFolder(root, "partial"));
        fs::remove_all(root);
        if (curl < 0 || managed < 0) {
            std::fprintf(stderr, "round %d failed (curl %.3f s, manager %.3f s)\n", round, curl,
                         managed);
            return 1;
        }
        bestCurl = std::min(bestCurl, curl);
        bestManager = std::min(bestManager, managed);
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("%d files of %lld KiB, best of %d rounds, files in %s\n", count,
                static_cast<long long>(kilobytes), rounds, root.c_str());
    std::printf("curl --parallel --parallel-max 50: %8.3f s\n", bestCurl);
    std::printf("download manager, all at once:     %8.3f s (each file then also put into the "
                "download folder)\n",
                bestManager);
    std::printf("ratio manager time / curl time: %.2f\n", bestManager / bestCurl);
    std::printf("peak memory of this process: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    PrepareProcessLimits();
    const std::string root = fs::is_directory("/dev/shm")
                                 ? "/dev/shm/orvalo-bench"
                                 : fs::temp_directory_path().string() + "/orvalo-bench";
    if (argc > 1 && std::string(argv[1]) == "--small") {
        const int count = argc > 2 ? std::atoi(argv[2]) : 2000;
        const int64_t kilobytes = argc > 3 ? std::atoll(argv[3]) : 32;
        const int rounds = argc > 4 ? std::atoi(argv[4]) : 2;
        return SmallFiles(count, kilobytes, rounds, root);
    }
    const int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 200;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
    const int64_t size = megabytes * 1024 * 1024;

    TTestServer server;
    server.UseAsProxy();
    const std::vector<std::string> urls = ServeFiles(server, 4, size, "bench.test/f", ".bin");

    double bestCurl = 1e9;
    double bestManager = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const double curl = TimeCurl(server.ProxyAddress(), urls, MakeFolder(root, "curl"));
        fs::remove_all(root + "/curl");
        const double managed = TimeManager(urls, MakeFolder(root, "done"), MakeFolder(root, "partial"));
        fs::remove_all(root);
        if (curl < 0 || managed < 0) {
            std::fprintf(stderr, "round %d failed (curl %.3f s, manager %.3f s)\n", round, curl, managed);
            return 1;
        }
        bestCurl = std::min(bestCurl, curl);
        bestManager = std::min(bestManager, managed);
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const double total = 4.0 * static_cast<double>(size) / (1024.0 * 1024.0);
    std::printf("4 files of %lld MB at once, best of %d rounds, files in %s\n", static_cast<long long>(megabytes), rounds,
                root.c_str());
    std::printf("curl (4 processes):     %8.1f MB/s\n", total / bestCurl);
    std::printf("download manager:       %8.1f MB/s (each file then also put into the download folder)\n",
                total / bestManager);
    std::printf("ratio manager/curl: %.2f (target at least 0.80)\n", bestCurl / bestManager);
    std::printf("peak memory of this process: %.1f MB (target under 100 MB)\n", usage.ru_maxrss / 1024.0);
    return 0;
}
