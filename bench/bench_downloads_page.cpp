// Many downloads at once from a loopback server with the downloads page shown: how long the
// GUI thread is kept from its event loop meanwhile (a 5 ms probe timer: p99 and the longest
// of its late firings), and the aggregate rate against curl fetching the same files in the
// same run. Usage: bench_downloads_page [files] [megabytes each] [rounds]
// With --rows ROWS UPDATING: a long list, UPDATING rows refreshed at once, a sort and a clear.
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include "TestServer.h"
#include "core/uProcessLimits.h"
#include "core/uTFileUtils.h"
#include "download/uTDownloadManager.h"
#include "app/uProgram.h"
#include "ui/pages/uApplication.h"
#include "ui/pages/uFraDownloads.h"
#include "ui/models/uListProxy.h"
#include "ui/widgets/uPageList.h"
#include "ui/widgets/uPrompts.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string MakeFolder(const std::string& root, const std::string& name) {
    const std::string path = root + "/" + name;
    fs::remove_all(path);
    fs::create_directories(path);
    return path;
}

// A portable program's folder, with the data folder it ships (the downloads list goes there).
std::string MakeAppFolder(const std::string& root, const std::string& name) {
    const std::string path = MakeFolder(root, name);
    fs::create_directories(path + "/data");
    return path;
}

// All files at once through one curl process.
double TimeCurl(const std::string& proxy, const std::vector<std::string>& urls,
                const std::string& folder) {
    const std::string config = folder + "/urls.conf";
    std::string text;
    for (size_t i = 0; i < urls.size(); ++i)
        text += "url = \"" + urls[i] + "\"\noutput = \"" + folder + "/curl" + std::to_string(i) +
                ".bin\"\n";
    if (!TFileUtils::WriteWholeFile(config, text))
        return -1;
    const std::string parallel = std::to_string(urls.size());
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        [[maybe_unused]] FILE* const quiet = ::freopen("/dev/null", "w", stderr);
        ::execlp("curl", "curl", "-s", "-f", "--parallel", "--parallel-max", parallel.c_str(),
                 "--proxy", proxy.c_str(), "-K", config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

struct TPageRun {
    double Seconds = -1;
    std::vector<double> LateMs; // how much later than its 5 ms each probe tick came
};

// With `shown` false there is no page: the manager alone, as the reference for what the
// transfers themselves cost the GUI thread on this machine.
TPageRun TimePage(const std::vector<std::string>& urls, const std::string& root, bool shown) {
    auto program = std::make_unique<TProgram>(MakeAppFolder(root, shown ? "shown" : "alone"));
    TPageRun run;
    {
        TDialogPrompts prompts;
        std::optional<TfraDownloads> page;
        if (shown) {
            page.emplace(program->Services(prompts));
            page->resize(640, 400);
            page->show();
            page->lvwDownloads->LayOutColumns();
        }
        // The first paint loads fonts and plug-ins once a process: not what is measured.
        QEventLoop settle;
        QTimer::singleShot(300, &settle, &QEventLoop::quit);
        settle.exec();
        int pending = static_cast<int>(urls.size());
        bool ok = true;
        QObject::connect(program->Downloads.get(), &TDownloadManager::Changed,
                         [&](const TDownload& download, TDownloadChange what) {
                             if (what != TDownloadChange::Status || download.Status() == TDownload::StatusDownloading)
                                 return;
                             ok = ok && download.Completed;
                             if (--pending == 0)
                                 QCoreApplication::exit(0);
                         });
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QElapsedTimer since;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            run.LateMs.push_back(std::max(0.0, since.nsecsElapsed() / 1e6 - 5.0));
            since.restart();
        });
        // The page under every transfer at once, not a queue's few.
        program->Downloads->SetLimits(static_cast<int>(urls.size()), static_cast<int>(urls.size()));
        const auto start = Clock::now();
        for (size_t i = 0; i < urls.size(); ++i) {
            const std::string name = "Song " + std::to_string(i) + ".mp3";
            program->Downloads->Download(TDownloadRequest::ForLink(urls[i], name));
        }
        since.start();
        probe.start(5);
        QCoreApplication::exec();
        probe.stop();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        run.Seconds = ok ? seconds : -1;
    }
    program.reset();
    return run;
}

// A long list: `rows` rows on the page shown, then `updating` of them refreshed at once (as
// many progress events in one turn), one sort and one clear, 2,000 downloads asked for and
// cancelled; each step is one turn of the window, timed with its repaint.
std::vector<std::pair<std::string, double>> TimeLongList(int rows, int updating, const std::string& root) {
    std::vector<std::pair<std::string, double>> steps;
    auto program = std::make_unique<TProgram>(MakeAppFolder(root, "list" + std::to_string(rows)));
    TDialogPrompts prompts;
    TfraDownloads page(program->Services(prompts));
    page.resize(640, 400);
    page.show();
    page.lvwDownloads->LayOutColumns();
    std::vector<std::unique_ptr<TDownload>> records;
    std::vector<std::string> links;
    for (int i = 0; i < rows; ++i) {
        links.push_back("http://list.test/" + std::to_string(i) + ".mp3");
        records.push_back(std::make_unique<TDownload>(links.back(), "Song " + std::to_string(rows - i) + ".mp3", 1000000));
        TDownload& record = *records.back();
        record.Url = links.back();
        record.Completed = i % 2 == 0;
        // As a stored list gives them back: a finished row names its file and what it holds.
        if (record.Completed) {
            record.FilePath = root + "/Downloads/Song " + std::to_string(rows - i) + ".mp3";
            record.Content = "Short: 0:03, mono 64 kbps, less than the whole song";
        }
    }
    const auto timed = [&](const char* what, const auto& step) {
        const auto start = Clock::now();
        step();
        QCoreApplication::sendPostedEvents();
        page.repaint();
        steps.emplace_back(what, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    };
    timed("add the rows, one by one", [&] {
        for (auto& record : records)
            program->Downloads->Keep(std::move(record));
    });
    page.lvwDownloads->scrollToBottom();
    timed("refresh rows spread over the list", [&] {
        for (int i = 0; rows > 0 && i < updating; ++i)
            program->Downloads->WorkerProgress(links[static_cast<size_t>(i) * rows / updating], 1000000, 500000, 0);
    });
    timed("sort by title", [&] { page.lvwDownloads->Proxy()->SortByColumn(1); });
    timed("clear every other row", [&] { page.ClearDownloaded(); });
    // A reserved domain: no transfer reaches anyone; most of them wait in the queue.
    timed("ask for 2,000 more downloads", [&] {
        for (int i = 0; i < 2000; ++i)
            page.Download(TDownloadRequest::ForLink("http://queued.test/" + std::to_string(i) + ".mp3",
                                                    "Queued " + std::to_string(i) + ".mp3"));
    });
    timed("cancel all", [&] { program->Downloads->CancelAllDownloads(); });
    program.reset();
    return steps;
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TOrvaloApplication app(argc, argv);
    PrepareProcessLimits();
    // The program's instances are made as at start, with settings of the bench's own.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    if (argc > 1 && std::string(argv[1]) == "--rows") {
        const int rows = argc > 2 ? std::atoi(argv[2]) : 10000;
        const int updating = argc > 3 ? std::atoi(argv[3]) : 500;
        std::printf("%d rows, %d of them refreshed at once; each step one turn of the window, against the same\n"
                    "step on an empty list in the same run (a frame is 16 ms)\n",
                    rows, updating);
        const QTemporaryDir folder;
        const auto empty = TimeLongList(0, updating, folder.path().toStdString());
        const auto full = TimeLongList(rows, updating, folder.path().toStdString());
        for (size_t i = 0; i < full.size(); ++i)
            std::printf("%-36s %8.1f ms  (empty list %6.1f ms, %6.1fx)\n", full[i].first.c_str(), full[i].second,
                        empty[i].second, full[i].second / std::max(empty[i].second, 0.01));
        return 0;
    }
    const int count = argc > 1 ? std::atoi(argv[1]) : 50;
    const int64_t megabytes = argc > 2 ? std::atoll(argv[2]) : 16;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 2;
    const std::string root = fs::is_directory("/dev/shm")
                                 ? "/dev/shm/orvalo-bench-page"
                                 : fs::temp_directory_path().string() + "/orvalo-bench-page";
    TTestServer server;
    server.UseAsProxy();
    std::vector<std::string> urls;
    for (int i = 0; i < count; ++i) {
        TScriptedResponse response;
        response.SyntheticBodySize = megabytes * 1024 * 1024;
        const std::string address = "page.test/f" + std::to_string(i) + ".mp3";
        server.Serve(address, response);
        urls.push_back("http://" + address);
    }
    double bestCurl = 1e9;
    double bestPage = 1e9;
    std::vector<double> pageLate;
    std::vector<double> aloneLate;
    for (int round = 0; round < rounds; ++round) {
        const double curl = TimeCurl(server.ProxyAddress(), urls, MakeFolder(root, "curl"));
        fs::remove_all(root);
        const TPageRun page = TimePage(urls, root, true);
        fs::remove_all(root);
        const TPageRun alone = TimePage(urls, root, false);
        fs::remove_all(root);
        if (curl < 0 || page.Seconds < 0 || alone.Seconds < 0) {
            std::fprintf(stderr, "round %d failed (curl %.3f s, page %.3f s, alone %.3f s)\n",
                         round, curl, page.Seconds, alone.Seconds);
            return 1;
        }
        bestCurl = std::min(bestCurl, curl);
        bestPage = std::min(bestPage, page.Seconds);
        pageLate.insert(pageLate.end(), page.LateMs.begin(), page.LateMs.end());
        aloneLate.insert(aloneLate.end(), alone.LateMs.begin(), alone.LateMs.end());
    }
    const double total = count * static_cast<double>(megabytes);
    std::printf("%d files of %lld MB at once, best of %d rounds, files in %s\n", count,
                static_cast<long long>(megabytes), rounds, root.c_str());
    std::printf("curl --parallel:          %8.1f MB/s\n", total / bestCurl);
    std::printf("manager and page:         %8.1f MB/s\n", total / bestPage);
    std::printf("ratio page/curl: %.2f (target at least 0.80)\n", bestCurl / bestPage);
    std::printf("5 ms probe late by, page shown:      p99 %6.1f ms, max %6.1f ms (target p99 under "
                "16 ms, max under 50 ms)\n",
                Percentile(pageLate, 0.99), Percentile(pageLate, 1.0));
    std::printf("5 ms probe late by, manager alone:   p99 %6.1f ms, max %6.1f ms\n",
                Percentile(aloneLate, 0.99), Percentile(aloneLate, 1.0));
    return 0;
}
