#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "core/uHandOver.h"
#include "core/uHandOverMailbox.h"

class TestHandOver : public QObject {
    Q_OBJECT
private slots:
    void callsFromEachThreadArriveInOrder();
    void callOfAGoneOwnerIsDropped();
    void callsBehindAnInnerEventLoopStillRun();
    void aFloodOfCallsLeavesRoomForTimers();
    void aCallPostedWhileASliceIsQueuedIsNeverStranded();
};

void TestHandOver::callsFromEachThreadArriveInOrder() {
    constexpr int kThreads = 4;
    constexpr int kCalls = 5000;
    const TLifeline owner = MakeLifeline();
    std::vector<std::vector<int>> seen(kThreads);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i)
                HandOver(owner, [&seen, t, i] { seen[t].push_back(i); });
        });
    for (auto& worker : workers)
        worker.join();
    QTRY_VERIFY(seen[0].size() + seen[1].size() + seen[2].size() + seen[3].size() ==
                kThreads * kCalls);
    for (const auto& calls : seen) {
        QCOMPARE(calls.size(), size_t(kCalls));
        QVERIFY(std::is_sorted(calls.begin(), calls.end()));
    }
}

void TestHandOver::callOfAGoneOwnerIsDropped() {
    TLifeline owner = MakeLifeline();
    TLifeline witness = MakeLifeline();
    int ran = 0;
    std::thread([&] {
        HandOver(owner, [&ran] { ran += 1; });
        HandOver(witness, [&ran] { ran += 10; });
    }).join();
    owner.reset();
    QTRY_COMPARE(ran, 10);
}

void TestHandOver::callsBehindAnInnerEventLoopStillRun() {
    const TLifeline owner = MakeLifeline();
    QEventLoop* openLoop = nullptr;
    int innerLoopResult = -1;
    bool laterCallRan = false;
    // Both calls are queued before the GUI thread drains: the first opens an inner event loop
    // (as a handler showing a modal box would), the second closes it.
    std::thread([&] {
        HandOver(owner, [&] {
            QEventLoop inner;
            QTimer::singleShot(5000, &inner, [&inner] { inner.exit(1); });
            openLoop = &inner;
            innerLoopResult = inner.exec();
            openLoop = nullptr;
        });
        HandOver(MakeLifeline(), [] {}); // a call of a gone owner on the way is skipped
        HandOver(owner, [&] {
            laterCallRan = true;
            if (openLoop != nullptr)
                openLoop->exit(0);
        });
    }).join();
    QTRY_VERIFY(innerLoopResult >= 0);
    QVERIFY(laterCallRan);
    QCOMPARE(innerLoopResult, 0);
}

void TestHandOver::aFloodOfCallsLeavesRoomForTimers() {
    // 200 calls of 1 ms each: drained at once they would hold the thread for 200 ms.
    constexpr int kCalls = 200;
    const TLifeline owner = MakeLifeline();
    int ran = 0;
    int ranWhenTimerFired = -1;
    std::thread([&] {
        for (int i = 0; i < kCalls; ++i)
            HandOver(owner, [&ran] {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ++ran;
            });
    }).join();
    QTimer::singleShot(0, this, [&] { ranWhenTimerFired = ran; });
    QTRY_COMPARE(ran, kCalls);
    QVERIFY(ranWhenTimerFired >= 0);
    QVERIFY2(ranWhenTimerFired < kCalls / 2, qPrintable(QString::number(ranWhenTimerFired)));
}

void TestHandOver::aCallPostedWhileASliceIsQueuedIsNeverStranded() {
    // One call per slice. The first call hands over a third while the slice for the second is
    // already queued; that slice takes the second from its batch in hand and must not end
    // without looking for the third.
    THandOverMailbox mailbox(std::chrono::milliseconds(0));
    QStringList ran;
    mailbox.Post([&] {
        ran << "first";
        mailbox.Post([&] { ran << "third"; });
    });
    mailbox.Post([&] { ran << "second"; });
    QTRY_COMPARE(ran, QStringList({"first", "second", "third"}));
}

QTEST_GUILESS_MAIN(TestHandOver)
#include "tst_handover.moc"
