#pragma once

#include <QTest>

#include "core/uHandOver.h"

// Runs every hand-over queued before the call (each runs, or is dropped when its owner is
// gone). Calls from every thread share one queue in the order they were handed over, so once
// a worker is known to have ended, whatever it handed over is either heard by now or never
// will be: a test of "nothing more arrives" checks after this, not after a sleep.
inline bool DrainHandOvers() {
    bool reached = false;
    const TLifeline alive = MakeLifeline();
    HandOver(alive, [&reached] { reached = true; });
    return QTest::qWaitFor([&reached] { return reached; }, 60000);
}
