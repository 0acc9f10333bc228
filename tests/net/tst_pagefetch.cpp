#include <QCoreApplication>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

#include "net/uTransferEngine.h"
#include "HandOverDrain.h"
#include "TestServer.h"
#include "net/uPageFetch.h"
#include "net/uThreadStart.h"

namespace {
// What one fetcher reported, in order.
struct Outcomes {
    QStringList events;
    std::string page;
    void Attach(TPageFetch& fetch) {
        fetch.OnPage = [this](TPageFetch*, const std::string& received) {
            events << "page";
            page = received;
        };
        fetch.OnFailed = [this](TPageFetch* sender) {
            events << QString::fromStdString("failed: " + sender->LastFailure);
        };
    }
};
} // namespace

class TestPageFetch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pageArrivesOnTheGuiThread();
    void errorPageAndPageWithoutLengthArePages();
    void refusedAddresses_data();
    void refusedAddresses();
    void truncatedOrOversizedPagesFail_data();
    void truncatedOrOversizedPagesFail();
    void anotherFetchDropsTheFirst();
    void abortFailsTheFetch();
    void destroyedFetcherGetsNoLateOutcome();
    void fetchWithoutAThreadFails();

private:
    std::unique_ptr<TTestServer> m_server;
    std::unique_ptr<TTransferEngine> m_transfers = std::make_unique<TTransferEngine>();
};

void TestPageFetch::initTestCase() {
    m_server = std::make_unique<TTestServer>();
    m_server->UseAsProxy();
}

void TestPageFetch::pageArrivesOnTheGuiThread() {
    m_server->Serve("engine.test/search?q=blue", TScriptedResponse::Ok("<html>results</html>"));
    const size_t before = m_server->RequestCount();
    TPageFetch fetch(*m_transfers);
    Outcomes outcomes;
    QThread* thread = nullptr;
    fetch.OnPage = [&](TPageFetch* sender, const std::string& page) {
        QCOMPARE(sender, &fetch);
        thread = QThread::currentThread();
        outcomes.events << "page";
        outcomes.page = page;
    };
    fetch.Referer = "http://engine.test/";
    fetch.Fetch("http://engine.test/search?q=blue");
    QVERIFY(fetch.Busy());
    QTRY_COMPARE(outcomes.events, QStringList{"page"});
    QCOMPARE(thread, QCoreApplication::instance()->thread());
    QCOMPARE(outcomes.page, std::string("<html>results</html>"));
    QCOMPARE(fetch.LastStatus, 200);
    QVERIFY(!fetch.Busy());
    const TRecordedRequest request = m_server->Requests().at(before);
    QVERIFY2(QByteArray::fromStdString(request.RequestLine).endsWith("/search?q=blue HTTP/1.0"), request.RequestLine.c_str());
    QCOMPARE(request.Header("Accept"), std::string("*/*"));
    QCOMPARE(request.Header("User-Agent"), fetch.Agent);
    QCOMPARE(request.Header("Referer"), std::string("http://engine.test/"));
    QCOMPARE(request.Header("Pragma"), std::string("no-cache"));
}

void TestPageFetch::errorPageAndPageWithoutLengthArePages() {
    // The status is the reader's to judge; a page without a length is read to its end.
    m_server->Serve("engine.test/missing", TScriptedResponse::Status(404, "<html>no such page</html>"));
    TScriptedResponse noLength = TScriptedResponse::Ok(std::string(5000, 'b'));
    noLength.Length = TScriptedResponse::LengthMode::None;
    m_server->Serve("engine.test/nolength", noLength);
    TPageFetch fetch(*m_transfers);
    Outcomes outcomes;
    outcomes.Attach(fetch);
    fetch.Fetch("http://engine.test/missing");
    QTRY_COMPARE(outcomes.events, QStringList{"page"});
    QCOMPARE(fetch.LastStatus, 404);
    QCOMPARE(outcomes.page, std::string("<html>no such page</html>"));
    fetch.Fetch("http://engine.test/nolength");
    QTRY_COMPARE(outcomes.events, (QStringList{"page", "page"}));
    QCOMPARE(outcomes.page, std::string(5000, 'b'));
}

void TestPageFetch::refusedAddresses_data() {
    QTest::addColumn<QString>("url");
    QTest::newRow("bare host without slash") << "http://engine.test";
    QTest::newRow("port in the host") << "http://engine.test:8080/x";
    QTest::newRow("port in an https host") << "https://engine.test:8443/x";
    QTest::newRow("empty") << "";
}

void TestPageFetch::refusedAddresses() {
    QFETCH(QString, url);
    const size_t before = m_server->RequestCount();
    TPageFetch fetch(*m_transfers);
    Outcomes outcomes;
    outcomes.Attach(fetch);
    fetch.Fetch(url.toStdString());
    QTRY_COMPARE(outcomes.events.size(), 1);
    QVERIFY(outcomes.events.first().startsWith("failed"));
    QCOMPARE(m_server->RequestCount(), before);
}

void TestPageFetch::truncatedOrOversizedPagesFail_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("cut short") << "cut" << "connection lost";
    QTest::newRow("larger than the page limit") << "huge" << "page too large";
    QTest::newRow("malformed status line") << "garbage" << "";
    QTest::newRow("trickling past the total limit") << "trickle" << "";
    QTest::newRow("empty") << "empty" << "empty page";
}

void TestPageFetch::truncatedOrOversizedPagesFail() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    TScriptedResponse response = TScriptedResponse::Ok(std::string(50000, 'z'));
    if (kind == "cut")
        response.CutAfter = 20000;
    if (kind == "trickle") {
        response.SliceSize = 100; // never silent long enough to stall, never done in time
        response.SlicePauseMs = 100;
    }
    if (kind == "garbage") {
        response.RawOnly = true;
        response.Body = "\x01\x02 this is not HTTP\r\n\r\nbody";
    }
    if (kind == "empty")
        response.Body.clear();
    const std::string address = "engine.test/" + kind.toStdString();
    m_server->Serve(address, response);
    TPageFetch fetch(*m_transfers);
    Outcomes outcomes;
    outcomes.Attach(fetch);
    fetch.MaxDataSize = kind == "huge" ? 10000 : fetch.MaxDataSize;
    fetch.TotalTimeoutMs = kind == "trickle" ? 1000 : fetch.TotalTimeoutMs;
    fetch.Fetch("http://" + address);
    QTRY_COMPARE(outcomes.events.size(), 1);
    QVERIFY2(outcomes.events.first().startsWith("failed: " + reason), qPrintable(outcomes.events.first()));
}

void TestPageFetch::anotherFetchDropsTheFirst() {
    // The first page is held back until the second fetch has begun: it is never reported.
    TScriptedResponse held = TScriptedResponse::Ok("first");
    held.Gate = std::make_shared<TGate>();
    m_server->Serve("engine.test/first", held);
    m_server->Serve("engine.test/second", TScriptedResponse::Ok("second"));
    TPageFetch fetch(*m_transfers);
    Outcomes outcomes;
    outcomes.Attach(fetch);
    fetch.Fetch("http://engine.test/first");
    QVERIFY(held.Gate->WaitForArrivals(1, 60000));
    fetch.Fetch("http://engine.test/second");
    held.Gate->Open();
    QTRY_COMPARE(outcomes.events, QStringList{"page"});
    QCOMPARE(outcomes.page, std::string("second"));
    QVERIFY(DrainHandOvers());
    QCOMPARE(outcomes.events, QStringList{"page"});
}

void TestPageFetch::abortFailsTheFetch() {
    TScriptedResponse held = TScriptedResponse::Ok("late");
    held.Gate = std::make_shared<TGate>();
    m_server->Serve("engine.test/held", held);
    TPageFetch fetch(*m_transfers);
    Outcomes outcomes;
    outcomes.Attach(fetch);
    fetch.Fetch("http://engine.test/held");
    QVERIFY(held.Gate->WaitForArrivals(1, 60000));
    fetch.Abort();
    QTRY_COMPARE(outcomes.events, QStringList{"failed: cancelled"});
    QVERIFY(!fetch.Busy());
    held.Gate->Open();
}

void TestPageFetch::destroyedFetcherGetsNoLateOutcome() {
    // The first kilobyte comes, the rest only once the fetcher is gone.
    TScriptedResponse held = TScriptedResponse::Ok(std::string(20000, 's'));
    held.Gate = std::make_shared<TGate>();
    held.GateAfter = 1000;
    m_server->Serve("engine.test/late", held);
    bool reported = false;
    {
        TPageFetch fetch(*m_transfers);
        fetch.OnPage = [&](TPageFetch*, const std::string&) { reported = true; };
        fetch.OnFailed = [&](TPageFetch*) { reported = true; };
        fetch.Fetch("http://engine.test/late");
        QVERIFY(held.Gate->WaitForArrivals(1, 60000));
    }
    held.Gate->Open();
    // The fetcher's own thread ended with it; what it handed over comes first.
    QVERIFY(DrainHandOvers());
    QVERIFY(!reported);
}

void TestPageFetch::fetchWithoutAThreadFails() {
    m_server->Serve("engine.test/nothread", TScriptedResponse::Ok("page"));
    TTransferEngine fresh; // no lane of it has a thread yet
    TPageFetch fetch(fresh);
    Outcomes outcomes;
    outcomes.Attach(fetch);
    {
        SetThreadStartGate([] { return false; });
        const auto openGate = qScopeGuard([] { SetThreadStartGate(nullptr); });
        fetch.Fetch("http://engine.test/nothread");
    }
    QTRY_COMPARE(outcomes.events.size(), 1);
    QVERIFY(outcomes.events.first().startsWith("failed"));
    QVERIFY(!fetch.Busy());
}

QTEST_GUILESS_MAIN(TestPageFetch)
#include "tst_pagefetch.moc"
