// Throughput of one TInet transfer of a large body from a loopback server, side by side with
// the curl command-line tool fetching the same body from the same server in the same run.
// Prints both rates and their ratio (TInet / curl); the best of several rounds of each.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "TestServer.h"
#include "net/uTInet.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One TInet transfer; returns seconds, or a negative value when it did not complete.
double TimeInet(const std::string& url, int64_t expected) {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    bool complete = false;
    int64_t received = 0;
    TTransferEngine engine;
    TInet inet("bench", engine);
    inet.OnData = [&](const std::string&, std::string_view chunk) { received += static_cast<int64_t>(chunk.size()); };
    auto finish = [&](bool ok) {
        std::lock_guard guard(lock);
        finished = true;
        complete = ok;
        done.notify_all();
    };
    inet.OnComplete = [&](const std::string&) { finish(true); };
    inet.OnFailed = [&](const std::string&) { finish(false); };
    const auto start = Clock::now();
    inet.Start(url);
    std::unique_lock guard(lock);
    done.wait(guard, [&] { return finished; });
    const double seconds = SecondsSince(start);
    return complete && received == expected ? seconds : -1;
}

double TimeCurl(const std::string& proxy, const std::string& url) {
    const std::string command = "curl -s -f -o /dev/null --proxy " + proxy + " '" + url + "'";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = SecondsSince(start);
    return status == 0 ? seconds : -1;
}

} // namespace

int main(int argc, char** argv) {
    const int64_t megabytes = argc > 1 ? std::atoll(argv[1]) : 200;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const int64_t size = megabytes * 1024 * 1024;

    TTestServer server;
    server.UseAsProxy();
    TScriptedResponse response;
    response.SyntheticBodySize = size;
    server.Serve("bench.test/big.bin", response);
    const std::string url = "http://bench.test/big.bin";

    double bestInet = 1e9;
    double bestCurl = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const double curl = TimeCurl(server.ProxyAddress(), url);
        const double inet = TimeInet(url, size);
        if (curl < 0 || inet < 0) {
            std::fprintf(stderr, "round %d failed (curl %.3f s, TInet %.3f s)\n", round, curl, inet);
            return 1;
        }
        bestCurl = std::min(bestCurl, curl);
        bestInet = std::min(bestInet, inet);
    }
    const double mb = static_cast<double>(size) / (1024.0 * 1024.0);
    std::printf("body: %lld MB, best of %d rounds\n", static_cast<long long>(megabytes), rounds);
    std::printf("curl:  %8.1f MB/s\n", mb / bestCurl);
    std::printf("TInet: %8.1f MB/s\n", mb / bestInet);
    std::printf("ratio TInet/curl: %.2f (target at least 0.80)\n", bestCurl / bestInet);
    return 0;
}
