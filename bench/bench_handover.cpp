// How long the GUI thread can go without turning its event loop while workers flood it with
// hand-overs: one million calls from four threads, and a 5 ms probe timer on the GUI thread
// whose longest gap between ticks is measured. The reference is the same probe on an idle
// event loop in the same run; the ratio is loaded gap / idle gap.
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include "core/uHandOver.h"
#include "uGapProbe.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int kThreads = 4;
    constexpr int kCallsEach = 250000;

    const TGapProbe idle = RunGapProbe([ticks = 0]() mutable { return ++ticks >= 100; });

    const TLifeline owner = MakeLifeline();
    std::atomic<long> ran = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < kCallsEach; ++i)
                HandOver(owner, [&ran] { ran.fetch_add(1, std::memory_order_relaxed); });
        });
    const TGapProbe loaded = RunGapProbe([&] { return ran.load() == long(kThreads) * kCallsEach; });
    for (auto& worker : workers)
        worker.join();

    std::printf("idle event loop:  longest gap %.1f ms between 5 ms ticks\n", idle.LongestGapMs);
    std::printf(
        "1,000,000 calls from %d threads: longest gap %.1f ms, all run in %.2f s (%.0f calls/s)\n",
        kThreads, loaded.LongestGapMs, loaded.Seconds,
        double(kThreads) * kCallsEach / loaded.Seconds);
    std::printf("ratio loaded / idle gap: %.2f (target: loaded gap under 20 ms)\n",
                loaded.LongestGapMs / idle.LongestGapMs);
    return loaded.LongestGapMs < 20.0 ? 0 : 1;
}
