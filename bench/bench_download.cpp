// Downloads through the download manager side by side with the curl tool fetching the same
// files from the same loopback server in the same run. The server runs in a child process of
// its own, so the CPU time of this process is what the transfers cost. Files go to a
// RAM-backed folder when there is one, so the disk does not decide, unless a folder is named.
//
//   bench_download [MB] [rounds]                 four files at once against four curl processes
//   bench_download --small COUNT KB [rounds]     COUNT small files asked for at once, through the
//                                                manager's queue (six at a time, two per host),
//                                                against one curl fetching them 6 at a time (-Z),
//                                                and aria2c -j 6 where it is installed;
//                                                with the most descriptors the manager held
//   bench_download --one-host COUNT KB [rounds]  the same from one host: the manager's two
//                                                at a time against curl -Z --parallel-max 2
//                                                (and aria2c -j 2)
//   bench_download --single MB [rounds] [folder] one large file against one curl
//   bench_download --https MB [rounds] [folder]  the same over https, through CONNECT
//   bench_download --resume MB [rounds]          one file whose first half is on disk already,
//                                                continued, against curl -C -; with the bytes
//                                                the loopback interface carried for it
//
// Each prints both times, their ratio (manager / curl) and both CPU times (user + system).
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <fstream>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "TestServer.h"
#include "uBenchServer.h"
#include "core/uProcessLimits.h"
#include "core/uTFileUtils.h"
#include "download/uTDownloadManager.h"
#include "net/uTransferEngine.h"

namespace fs = std::filesystem;
using bench::Clock;
using bench::CpuSeconds;
using bench::OwnCpuSeconds;
using bench::RunCurl;
using bench::TCost;
using bench::TServerProcess;

namespace {

// The descriptors this process holds open now.
int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count - 1; // the listing's own
}

std::string MakeFolder(const std::string& root, const std::string& name) {
    const std::string path = root + "/" + name;
    fs::remove_all(path);
    fs::create_directories(path);
    return path;
}

// One curl process per file, all at once.
TCost TimeCurlProcesses(const std::string& proxy, const std::vector<std::string>& urls, const std::string& folder) {
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
    TCost cost;
    bool ok = true;
    for (const pid_t pid : children) {
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        cost.CpuSeconds += CpuSeconds(usage);
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    cost.Seconds = ok ? std::chrono::duration<double>(Clock::now() - start).count() : -1;
    return cost;
}

// One curl fetching every file, `parallel` at a time.
TCost TimeCurlParallel(const std::string& proxy, const std::vector<std::string>& urls, const std::string& folder,
                       int parallel) {
    const std::string config = folder + "/urls.conf";
    std::string text;
    for (size_t i = 0; i < urls.size(); ++i)
        text += "url = \"" + urls[i] + "\"\noutput = \"" + folder + "/curl" + std::to_string(i) + ".bin\"\n";
    if (!TFileUtils::WriteWholeFile(config, text))
        return {};
    return RunCurl({"-s", "-f", "-Z", "--parallel-max", std::to_string(parallel), "--proxy", proxy, "-K", config});
}

// One aria2c fetching every file, `parallel` at a time; none when it is not installed.
std::optional<TCost> TimeAria2(const std::string& proxy, const std::vector<std::string>& urls,
                               const std::string& folder, int parallel) {
    if (bench::RunTool("aria2c", {"--version"}).Seconds < 0)
        return std::nullopt;
    const std::string list = folder + "/urls.txt";
    std::string text;
    for (size_t i = 0; i < urls.size(); ++i)
        text += urls[i] + "\n  out=aria" + std::to_string(i) + ".bin\n";
    if (!TFileUtils::WriteWholeFile(list, text))
        return std::nullopt;
    return bench::RunTool("aria2c", {"-q", "-j", std::to_string(parallel), "--all-proxy=" + proxy,
                                     "--file-allocation=none", "-d", folder, "-i", list});
}

TCost TimeManager(const std::vector<std::string>& urls, const std::string& done, const std::string& partial) {
    TTransferEngine transfers;
    TDownloadManager manager(transfers, done, partial);
    int pending = static_cast<int>(urls.size());
    bool ok = true;
    int descriptors = 0;
    int statusChanges = 0;
    QObject::connect(&manager, &TDownloadManager::Changed, [&](const TDownload& download, TDownloadChange what) {
        if (what != TDownloadChange::Status)
            return;
        // Starts and ends: the moments a transfer's file and connection come and go. Every
        // eighth is looked at: a listing of the process's descriptors costs about what a
        // small file does, and would count against the manager.
        if (urls.size() > 1 && statusChanges++ % 8 == 0)
            descriptors = std::max(descriptors, OpenDescriptors());
        if (download.Status() == TDownload::StatusDownloading)
            return;
        ok = ok && download.Completed;
        if (--pending == 0)
            QCoreApplication::exit(0);
    });
    const double cpuBefore = OwnCpuSeconds();
    const auto start = Clock::now();
    for (size_t i = 0; i < urls.size(); ++i) {
        const std::string name = "file" + std::to_string(i) + ".bin";
        manager.Download(TDownloadRequest::ForLink(urls[i], name));
    }
    QCoreApplication::exec();
    TCost cost;
    cost.Seconds = ok ? std::chrono::duration<double>(Clock::now() - start).count() : -1;
    cost.CpuSeconds = OwnCpuSeconds() - cpuBefore;
    cost.Descriptors = descriptors;
    return cost;
}

struct TBest {
    TCost Curl{1e9, 1e9};
    TCost Manager{1e9, 1e9};
    void Add(const TCost& curl, const TCost& manager) {
        Curl.Seconds = std::min(Curl.Seconds, curl.Seconds);
        Curl.CpuSeconds = std::min(Curl.CpuSeconds, curl.CpuSeconds);
        Manager.Seconds = std::min(Manager.Seconds, manager.Seconds);
        Manager.CpuSeconds = std::min(Manager.CpuSeconds, manager.CpuSeconds);
        Manager.Descriptors = std::max(Manager.Descriptors, manager.Descriptors);
    }
    void Print(const char* curlName) const {
        std::printf("%-34s %8.3f s, CPU %7.3f s\n", curlName, Curl.Seconds, Curl.CpuSeconds);
        std::printf("%-34s %8.3f s, CPU %7.3f s (each file then also put into the download folder)\n",
                    "download manager:", Manager.Seconds, Manager.CpuSeconds);
        std::printf("ratio manager / curl: time %.2f, CPU %.2f\n", Manager.Seconds / Curl.Seconds,
                    Manager.CpuSeconds / Curl.CpuSeconds);
    }
};

template <typename CurlRun>
int Compare(const TServerProcess& server, int rounds, const std::string& root, CurlRun curlRun, TBest& best) {
    for (int round = 0; round < rounds; ++round) {
        const TCost curl = curlRun(server.Proxy(), server.Urls(), MakeFolder(root, "curl"));
        fs::remove_all(root + "/curl");
        const TCost managed = TimeManager(server.Urls(), MakeFolder(root, "done"), MakeFolder(root, "partial"));
        fs::remove_all(root + "/done");
        fs::remove_all(root + "/partial");
        if (curl.Seconds < 0 || managed.Seconds < 0) {
            std::fprintf(stderr, "round %d failed (curl %.3f s, manager %.3f s)\n", round, curl.Seconds,
                         managed.Seconds);
            return 1;
        }
        best.Add(curl, managed);
    }
    fs::remove_all(root);
    return 0;
}

// The bytes the loopback interface has carried so far, as the kernel counts them (every
// process's, both ways: the bench is alone on it while it measures).
int64_t LoopbackBytes() {
    // A file of the kernel's own: its size says nothing, so it is read to its end.
    std::ifstream file("/proc/net/dev");
    for (std::string line; std::getline(file, line);) {
        if (const size_t at = line.find("lo:"); at != std::string::npos)
            return std::atoll(line.c_str() + at + 3);
    }
    return -1;
}

// The file's first half, as a cut transfer left it.
bool WriteFirstHalf(const std::string& path, int64_t size) {
    return TFileUtils::WriteWholeFile(path, TTestServer::SyntheticBody(size / 2));
}

// Continues a file whose first half is on disk: curl -C - against the manager; the bytes the
// manager read meanwhile.
int CompareResume(const TServerProcess& server, int64_t size, int rounds, const std::string& root, TBest& best,
                  int64_t& bytesRead) {
    const std::string url = server.Urls().front();
    for (int round = 0; round < rounds; ++round) {
        const std::string curlFile = MakeFolder(root, "curl") + "/part.bin";
        if (!WriteFirstHalf(curlFile, size))
            return 1;
        const TCost curl = RunCurl({"-s", "-f", "-C", "-", "--proxy", server.Proxy(), "-o", curlFile, url});
        const bool curlWhole = fs::file_size(curlFile) == static_cast<uintmax_t>(size);
        const std::string done = MakeFolder(root, "done");
        const std::string partial = MakeFolder(root, "partial");
        if (!WriteFirstHalf(partial + "/part.bin", size))
            return 1;
        TCost managed;
        {
            TTransferEngine transfers;
            TDownloadManager manager(transfers, done, partial);
            bool ok = false;
            QObject::connect(&manager, &TDownloadManager::Changed, [&](const TDownload& download, TDownloadChange what) {
                if (what == TDownloadChange::Status && download.Status() != TDownload::StatusDownloading) {
                    ok = download.Completed;
                    QCoreApplication::exit(0);
                }
            });
            const double cpuBefore = OwnCpuSeconds();
            const int64_t carriedBefore = LoopbackBytes();
            const auto start = Clock::now();
            TDownloadRequest request = TDownloadRequest::ForLink(url, "part.bin");
            request.ContinuePart = true;
            manager.Download(request);
            QCoreApplication::exec();
            managed.Seconds = ok ? std::chrono::duration<double>(Clock::now() - start).count() : -1;
            managed.CpuSeconds = OwnCpuSeconds() - cpuBefore;
            bytesRead = LoopbackBytes() - carriedBefore;
        }
        const bool managedWhole = fs::file_size(done + "/part.bin") == static_cast<uintmax_t>(size);
        fs::remove_all(root);
        if (curl.Seconds < 0 || managed.Seconds < 0 || !curlWhole || !managedWhole) {
            std::fprintf(stderr, "round %d failed\n", round);
            return 1;
        }
        best.Add(curl, managed);
    }
    return 0;
}

double PeakMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto number = [&](size_t i, long long fallback) {
        return args.size() > i ? std::atoll(args[i].c_str()) : fallback;
    };
    const std::string mode = args.empty() ? std::string() : args[0];
    // Before any thread exists: the server's process is a fork of this one.
    int count = 4;
    int64_t size = number(0, 200) << 20;
    int rounds = static_cast<int>(number(1, 2));
    std::string root = fs::is_directory("/dev/shm") ? "/dev/shm/orvalo-bench"
                                                    : fs::temp_directory_path().string() + "/orvalo-bench";
    const bool oneHost = mode == "--one-host";
    if (mode == "--small" || oneHost) {
        count = static_cast<int>(number(1, 2000));
        size = number(2, 32) << 10;
        rounds = static_cast<int>(number(3, 2));
    } else if (mode == "--single" || mode == "--https" || mode == "--resume") {
        count = 1;
        size = number(1, 1024) << 20;
        rounds = static_cast<int>(number(2, 3));
        if (args.size() > 3)
            root = args[3] + "/orvalo-bench";
    }
    ::signal(SIGPIPE, SIG_IGN);
    TServerProcess server(count, size, mode == "--https", oneHost ? 1 : 3);
    QCoreApplication app(argc, argv);
    PrepareProcessLimits();

    TBest best;
    if (mode == "--resume") {
        int64_t bytesRead = 0;
        if (CompareResume(server, size, rounds, root, best, bytesRead) != 0)
            return 1;
        std::printf("one file of %lld MiB, its first half on disk, best of %d rounds\n",
                    static_cast<long long>(size >> 20), rounds);
        best.Print("curl -C -:");
        std::printf("carried for the download manager: %.1f MiB (the missing half is %.1f MiB)\n",
                    static_cast<double>(bytesRead) / 1048576.0, static_cast<double>(size / 2) / 1048576.0);
    } else if (mode == "--small" || oneHost) {
        // The same concurrency on both sides: the manager's places, two a host.
        const int atOnce = oneHost ? TDownloadManager::kDefaultPerHost : TDownloadManager::kDefaultAtOnce;
        const auto curl = [atOnce](const std::string& proxy, const std::vector<std::string>& urls,
                                   const std::string& folder) {
            return TimeCurlParallel(proxy, urls, folder, atOnce);
        };
        if (Compare(server, rounds, root, curl, best) != 0)
            return 1;
        std::printf("%d files of %lld KiB from %d host(s), best of %d rounds, files in %s\n", count,
                    static_cast<long long>(size >> 10), oneHost ? 1 : 3, rounds, root.c_str());
        best.Print(oneHost ? "curl -Z --parallel-max 2:" : "curl -Z --parallel-max 6:");
        // The other common tool, at the same concurrency, when this machine has it.
        std::optional<TCost> aria;
        for (int round = 0; round < rounds; ++round) {
            const std::optional<TCost> run = TimeAria2(server.Proxy(), server.Urls(), MakeFolder(root, "aria"), atOnce);
            fs::remove_all(root + "/aria");
            if (run && run->Seconds > 0 && (!aria || run->Seconds < aria->Seconds))
                aria = run;
        }
        fs::remove_all(root);
        if (aria) {
            const std::string name = "aria2c -j " + std::to_string(atOnce) + ":";
            std::printf("%-34s %8.3f s, CPU %7.3f s\n", name.c_str(), aria->Seconds, aria->CpuSeconds);
            std::printf("ratio manager / aria2c: time %.2f, CPU %.2f\n", best.Manager.Seconds / aria->Seconds,
                        best.Manager.CpuSeconds / aria->CpuSeconds);
        }
        else
            std::printf("aria2c: not installed here, not compared\n");
        std::printf("most descriptors the manager's process held: %d\n", best.Manager.Descriptors);
    } else if (mode == "--single" || mode == "--https") {
        if (Compare(server, rounds, root, TimeCurlProcesses, best) != 0)
            return 1;
        std::printf("one file of %lld MiB over %s, best of %d rounds, file in %s\n",
                    static_cast<long long>(size >> 20), mode == "--https" ? "https" : "http", rounds,
                    root.c_str());
        best.Print("curl:");
    } else {
        if (Compare(server, rounds, root, TimeCurlProcesses, best) != 0)
            return 1;
        const double total = 4.0 * static_cast<double>(size) / (1024.0 * 1024.0);
        std::printf("4 files of %lld MB at once, best of %d rounds, files in %s\n",
                    static_cast<long long>(size >> 20), rounds, root.c_str());
        std::printf("curl (4 processes):     %8.1f MB/s\n", total / best.Curl.Seconds);
        std::printf("download manager:       %8.1f MB/s (each file then also put into the download folder)\n",
                    total / best.Manager.Seconds);
        std::printf("ratio manager/curl: %.2f (target at least 0.80)\n", best.Curl.Seconds / best.Manager.Seconds);
    }
    std::printf("peak memory of this process: %.1f MB\n", PeakMegabytes());
    return 0;
}
