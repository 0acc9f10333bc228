// Link checks over https, side by side with the curl tool fetching the same links from the
// same loopback server in the same run (the start of each file, as a check reads it): time and CPU time (user + system) of each, and their
// ratios (checks / curl). The authorities trusted are the system's bundle with the server's
// own authority added, so that reading them costs what it costs on a user's machine.
//
//   bench_checks [COUNT] [rounds] [at once]   COUNT links over three hosts (200), checked
//                                             `at once` at a time (10) on one transfer engine,
//                                             a new engine each round, against
//                                             curl -Z --parallel-max `at once`
//   bench_checks --bytes [COUNT]              the bytes a loopback server sends for COUNT link
//                                             checks (100) of 4 MB files, half of them on a
//                                             server that honours ranges, half on one that
//                                             does not, against 64 KiB and the answer's head
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "core/uTFileUtils.h"
#include "net/uTransferEngine.h"
#include "search/uTCheckFile.h"
#include "uBenchServer.h"

namespace fs = std::filesystem;
using bench::Clock;
using bench::TCost;

namespace {

// Counts the checks that ended and wakes the bench at each end.
class TEnds {
public:
    void Add(bool verified) {
        std::lock_guard lock(m_lock);
        ++m_ended;
        m_verified += verified ? 1 : 0;
        m_changed.notify_all();
    }
    void WaitFor(int ended) {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] { return m_ended >= ended; });
    }
    int Verified() {
        std::lock_guard lock(m_lock);
        return m_verified;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_ended = 0;
    int m_verified = 0;
};

// Checks `urls` on a transfer engine of their own, `atOnce` at a time.
void CheckAll(const std::vector<std::string>& urls, int atOnce, TEnds& ends) {
    TTransferEngine engine;
    std::vector<std::unique_ptr<TCheckFile>> checks;
    for (size_t i = 0; i < urls.size(); ++i) {
        if (static_cast<int>(i) >= atOnce)
            ends.WaitFor(static_cast<int>(i) - atOnce + 1);
        auto check = std::make_unique<TCheckFile>(urls[i], engine);
        check->OnCheckVerified = [&ends](const std::string&, int64_t, const TContentVerdict&) { ends.Add(true); };
        check->OnCheckFailed = [&ends](const std::string&, const std::string&) { ends.Add(false); };
        check->Start(urls[i]);
        checks.push_back(std::move(check));
    }
    ends.WaitFor(static_cast<int>(urls.size()));
}

TCost TimeChecks(const std::vector<std::string>& urls, int atOnce) {
    const double cpuBefore = bench::OwnCpuSeconds();
    const auto start = Clock::now();
    TEnds ends;
    CheckAll(urls, atOnce, ends);
    TCost cost;
    cost.CpuSeconds = bench::OwnCpuSeconds() - cpuBefore;
    if (ends.Verified() == static_cast<int>(urls.size()))
        cost.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return cost;
}

TCost TimeCurl(const std::string& proxy, const std::vector<std::string>& urls,
               const std::string& config, int atOnce) {
    std::string text;
    for (const std::string& url : urls)
        text += "url = \"" + url + "\"\noutput = \"/dev/null\"\n";
    if (!TFileUtils::WriteWholeFile(config, text))
        return {};
    // The start of each file, as a check asks for it.
    return bench::RunCurl({"-s", "-f", "-Z", "--parallel-max", std::to_string(atOnce), "-r",
                           "0-" + std::to_string(TCheckFile::kAudioBytes - 1), "--proxy", proxy, "-K", config});
}

// What the server wrote for the checks of `count` links of 4 MB, each group on its own.
int CountBytes(int count) {
    TTestServer server;
    server.UseAsProxy();
    std::vector<std::string> ranged;
    std::vector<std::string> whole;
    for (int i = 0; i < count; ++i) {
        TScriptedResponse file = TScriptedResponse::Ok({});
        file.SyntheticBodySize = 4 << 20;
        file.HonoursRange = i % 2 == 0;
        const std::string address = "bytes.test/" + std::to_string(i) + ".mp3";
        server.Serve(address, file);
        (file.HonoursRange ? ranged : whole).push_back("http://" + address);
    }
    for (const auto& [urls, what] : {std::pair{&ranged, "a server that honours ranges"},
                                     std::pair{&whole, "a server that ignores them"}}) {
        const uint64_t sentBefore = server.BytesSent();
        const uint64_t deliveredBefore = server.BytesDelivered();
        TEnds ends;
        CheckAll(*urls, 10, ends);
        if (ends.Verified() != static_cast<int>(urls->size())) {
            std::fprintf(stderr, "checks failed on %s\n", what);
            return 1;
        }
        // A connection's bytes are counted once the server has seen it close.
        for (int waited = 0; server.ConnectionsEnded() < server.Connections() && waited < 500; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto perLink = [&urls](uint64_t bytes) { return static_cast<double>(bytes) / static_cast<double>(urls->size()); };
        const double delivered = perLink(server.BytesDelivered() - deliveredBefore);
        std::printf("%zu checks on %s: %.0f bytes a link reached the check (%.2fx 64 KiB); the server wrote %.0f\n",
                    urls->size(), what, delivered, delivered / static_cast<double>(TCheckFile::kAudioBytes),
                    perLink(server.BytesSent() - sentBefore));
    }
    return 0;
}

// The system's authorities and the server's own in one file, named for curl and the checks.
bool TrustTheServerBesideTheSystem(const std::string& bundle) {
    const char* const ours = std::getenv("CURL_CA_BUNDLE");
    std::ofstream out(bundle, std::ios::binary);
    for (const std::string& part :
         {std::string("/etc/ssl/certs/ca-certificates.crt"), std::string(ours)}) {
        std::ifstream in(part, std::ios::binary);
        if (!in)
            return false;
        out << in.rdbuf();
    }
    out.close();
    ::setenv("CURL_CA_BUNDLE", bundle.c_str(), 1);
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--bytes") {
        ::signal(SIGPIPE, SIG_IGN);
        QCoreApplication app(argc, argv);
        return CountBytes(argc > 2 ? std::max(2, std::atoi(argv[2])) : 100);
    }
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const int atOnce = argc > 3 ? std::atoi(argv[3]) : 10;
    ::signal(SIGPIPE, SIG_IGN);
    // Before any thread exists: the server's process is a fork of this one.
    bench::TServerProcess server(count, 1024, true);
    QCoreApplication app(argc, argv);
    const std::string folder = fs::temp_directory_path().string() + "/orvalo-bench-checks";
    fs::create_directories(folder);
    if (!TrustTheServerBesideTheSystem(folder + "/authorities.pem")) {
        std::fprintf(stderr, "the system's bundle of authorities could not be read\n");
        return 1;
    }
    TCost curl{1e9, 1e9};
    TCost checks{1e9, 1e9};
    for (int round = 0; round < rounds; ++round) {
        const TCost curlRound =
            TimeCurl(server.Proxy(), server.Urls(), folder + "/urls.conf", atOnce);
        const TCost checkRound = TimeChecks(server.Urls(), atOnce);
        if (curlRound.Seconds < 0 || checkRound.Seconds < 0) {
            std::fprintf(stderr, "round %d failed (curl %.3f s, checks %.3f s)\n", round,
                         curlRound.Seconds, checkRound.Seconds);
            return 1;
        }
        curl.Seconds = std::min(curl.Seconds, curlRound.Seconds);
        curl.CpuSeconds = std::min(curl.CpuSeconds, curlRound.CpuSeconds);
        checks.Seconds = std::min(checks.Seconds, checkRound.Seconds);
        checks.CpuSeconds = std::min(checks.CpuSeconds, checkRound.CpuSeconds);
    }
    fs::remove_all(folder);
    std::printf("%d https links over 3 hosts, %d at once, best of %d rounds\n", count, atOnce,
                rounds);
    std::printf("curl -Z --parallel-max %-3d %8.3f s, CPU %7.3f s\n", atOnce, curl.Seconds,
                curl.CpuSeconds);
    std::printf("link checks:               %8.3f s, CPU %7.3f s\n", checks.Seconds,
                checks.CpuSeconds);
    std::printf("ratio checks / curl: time %.2f, CPU %.2f\n", checks.Seconds / curl.Seconds,
                checks.CpuSeconds / curl.CpuSeconds);
    return 0;
}
