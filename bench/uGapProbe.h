#pragma once

#include <algorithm>
#include <chrono>

#include <QCoreApplication>
#include <QTimer>

// How long the GUI thread goes without turning its event loop: a 5 ms timer whose longest
// gap between ticks is kept, and the time the whole run took.
struct TGapProbe {
    double LongestGapMs = 0;
    double Seconds = 0;
};

// Runs the event loop with the probe until `done` (asked at each tick) says so.
template <typename Done> TGapProbe RunGapProbe(Done done) {
    using Clock = std::chrono::steady_clock;
    TGapProbe probe;
    const auto start = Clock::now();
    auto last = start;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        probe.LongestGapMs = std::max(
            probe.LongestGapMs, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        if (done())
            QCoreApplication::exit(0);
    });
    timer.start();
    QCoreApplication::exec();
    probe.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return probe;
}
